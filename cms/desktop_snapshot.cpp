#include "cms/desktop_snapshot.h"

#include "cms/advanced_color.h"
#include "cms/monitor_strings.h"

#include <cstring>

DesktopSnapshot TakeDesktopSnapshot()
{
    DesktopSnapshot snapshot;
    for (MonitorHandle handle : DesktopMonitors()) {
        DesktopMonitor monitor;
        monitor.handle = handle;
        if (GetMonitorStrings(handle, &monitor.identity.adapterName, &monitor.identity.deviceId,
                              &monitor.description, nullptr, 1) != 0)
            continue;
        MonitorInfoEx info{};
        info.cbSize = sizeof info;
        if (Sys().GetMonitorInfoA(handle, &info))
            monitor.rect = info.rcMonitor;
        monitor.advancedColor = IsAdvancedColorOn(handle);
        snapshot.push_back(std::move(monitor));
    }
    return snapshot;
}

DesktopDifference CompareDesktops(const DesktopSnapshot& before, const DesktopSnapshot& after)
{
    DesktopDifference difference;
    std::vector<bool> paired(before.size(), false);
    for (size_t a = 0; a < after.size(); ++a) {
        size_t b = 0;
        while (b < before.size() && (paired[b] || before[b].identity != after[a].identity))
            ++b;
        if (b < before.size()) {
            paired[b] = true;
            difference.kept.emplace_back(b, a);
        } else {
            difference.added.push_back(a);
        }
    }
    for (size_t b = 0; b < before.size(); ++b)
        if (!paired[b])
            difference.gone.push_back(b);
    return difference;
}

bool SameDesktop(const DesktopSnapshot& a, const DesktopSnapshot& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const DesktopMonitor& x = a[i];
        const DesktopMonitor& y = b[i];
        if (x.handle != y.handle || x.identity != y.identity || x.description != y.description ||
            x.advancedColor != y.advancedColor || std::memcmp(&x.rect, &y.rect, sizeof x.rect) != 0)
            return false;
    }
    return true;
}
