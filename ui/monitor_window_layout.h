// How the controls of a monitor's window follow its size: the list takes what the
// window gains, the view's group, its buttons and the legends keep to the bottom, and
// Refresh keeps to the lower-right corner.
#pragma once

#include "fw/window_math.h"
#include "res/resource.h"

constexpr int32_t kUnnamedControl = -1;

constexpr LayoutRule kMonitorWindowLayout[] = {
    {IDC_PROFILE_LIST, Anchor::Stretch}, {IDC_VIEW_ALL, Anchor::Bottom},     {IDC_VIEW_ASSOCIATED, Anchor::Bottom},
    {kUnnamedControl, Anchor::Bottom},   {IDC_REFRESH, Anchor::BottomRight},
};

// The list keeps at least this many whole rows.
constexpr int kMonitorWindowMinimumRows = 4;
