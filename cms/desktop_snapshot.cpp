#include "cms/desktop_snapshot.h"

#include "cms/advanced_color.h"
#include "cms/monitor_strings.h"

#include <algorithm>
#include <cstring>

DesktopSnapshot TakeDesktopSnapshot(bool askHdr)
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
        monitor.advancedColor = askHdr && IsHdrActive(handle);
        snapshot.push_back(std::move(monitor));
    }
    return snapshot;
}

void AskHdr(DesktopSnapshot& snapshot)
{
    for (DesktopMonitor& monitor : snapshot)
        monitor.advancedColor = IsHdrActive(monitor.handle);
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

DesktopSnapshot TakeDesktopLayout()
{
    DesktopSnapshot layout;
    for (MonitorHandle handle : DesktopMonitors()) {
        DesktopMonitor monitor;
        monitor.handle = handle;
        MonitorInfoEx info{};
        info.cbSize = sizeof info;
        if (Sys().GetMonitorInfoA(handle, &info)) {
            monitor.identity.adapterName.assign(info.szDevice, strnlen(info.szDevice, sizeof info.szDevice));
            monitor.rect = info.rcMonitor;
        }
        layout.push_back(std::move(monitor));
    }
    return layout;
}

bool SameLayout(const DesktopSnapshot& a, const DesktopSnapshot& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const DesktopMonitor& x, const DesktopMonitor& y) {
        return x.handle == y.handle && x.identity.adapterName == y.identity.adapterName &&
               std::memcmp(&x.rect, &y.rect, sizeof x.rect) == 0;
    });
}
