#include "cms/monitor_strings.h"

#include "platform/last_error.h"

#include <cstring>

namespace {

// Text of a fixed-size platform field, which is not NUL-terminated when it is full.
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

void SetIfWanted(std::string* out, const std::string& value)
{
    if (out)
        *out = value;
}

// Looks up one monitor-device string under the adapter by the fallback rule: with
// attachedOnly 1, an active device first and then any device; otherwise any device.
int32_t FindWithFallback(const std::string& adapterName, std::string* deviceId, std::string* deviceString,
                         std::string* monitorName, int32_t attachedOnly)
{
    if (attachedOnly == 1) {
        if (FindDisplayDevice(adapterName, deviceId, deviceString, monitorName, 1) == 0)
            return 0;
    }
    return FindDisplayDevice(adapterName, deviceId, deviceString, monitorName, 0);
}

}  // namespace

int32_t FindDisplayDevice(const std::string& adapterName, std::string* deviceId, std::string* deviceString,
                          std::string* monitorName, int32_t attachedOnly)
{
    for (uint32_t a = 0; a < kMaxDisplayDevices; ++a) {
        DisplayDevice adapter{};
        adapter.cb = sizeof adapter;
        if (!Sys().EnumDisplayDevicesA(nullptr, a, &adapter, 0))
            return kResultNoMatchingDevice;
        if ((adapter.StateFlags & kDisplayDeviceMirroring) || !(adapter.StateFlags & kDisplayDeviceAttached))
            continue;
        const std::string name = FieldText(adapter.DeviceName);
        if (name != adapterName)
            continue;
        for (uint32_t m = 0; m < kMaxDisplayDevices; ++m) {
            DisplayDevice monitor{};
            monitor.cb = sizeof monitor;
            if (!Sys().EnumDisplayDevicesA(name.c_str(), m, &monitor, 0))
                break;
            if (monitor.StateFlags & kDisplayDeviceMirroring)
                continue;
            if (attachedOnly != 0 && !(monitor.StateFlags & kDisplayDeviceAttached))
                continue;
            SetIfWanted(deviceId, FieldText(monitor.DeviceID));
            SetIfWanted(deviceString, FieldText(monitor.DeviceString));
            SetIfWanted(monitorName, FieldText(monitor.DeviceName));
            return 0;
        }
    }
    return kResultNoMatchingDevice;
}

int32_t GetMonitorStrings(MonitorHandle monitor, std::string* adapterName, std::string* deviceId,
                          std::string* deviceString, std::string* monitorName, int32_t attachedOnly)
{
    for (std::string* out : {adapterName, deviceId, deviceString, monitorName}) {
        if (out)
            out->clear();
    }

    MonitorInfoEx info{};
    info.cbSize = sizeof info;
    ClearLastError();
    if (int32_t result = StepResult(Sys().GetMonitorInfoA(monitor, &info)))
        return result;
    // A read that failed without a code leaves the record zeroed: the adapter name is empty.
    const std::string adapter = FieldText(info.szDevice);
    SetIfWanted(adapterName, adapter);

    // Each string is found by a walk of its own, in the order ID, description, name.
    if (deviceId) {
        if (int32_t result = FindWithFallback(adapter, deviceId, nullptr, nullptr, attachedOnly))
            return result;
    }
    if (deviceString) {
        if (int32_t result = FindWithFallback(adapter, nullptr, deviceString, nullptr, attachedOnly)) {
            *deviceString = adapter;
            return result;
        }
    }
    if (monitorName) {
        if (int32_t result = FindWithFallback(adapter, nullptr, nullptr, monitorName, attachedOnly))
            return result;
    }
    return 0;
}

int32_t CreateMonitorDC(MonitorHandle monitor, DcOwner& dc)
{
    dc.Reset();
    std::string adapter;
    if (int32_t result = GetMonitorStrings(monitor, &adapter, nullptr, nullptr, nullptr, 1))
        return result;
    ClearLastError();
    DcHandle created = Sys().CreateDCA(adapter.c_str(), adapter.c_str(), nullptr, nullptr);
    if (!created)
        return StepResult(false);
    dc.Reset(created);
    return 0;
}

std::vector<MonitorHandle> DesktopMonitors()
{
    std::vector<MonitorHandle> monitors;
    Sys().EnumDisplayMonitors(
        nullptr, nullptr,
        [](MonitorHandle monitor, DcHandle, Rect32*, intptr_t data) -> Bool32 {
            reinterpret_cast<std::vector<MonitorHandle>*>(data)->push_back(monitor);
            return 1;
        },
        reinterpret_cast<intptr_t>(&monitors));
    return monitors;
}

std::string MonitorNameForMessages(MonitorHandle monitor)
{
    std::string description;
    GetMonitorStrings(monitor, nullptr, nullptr, &description, nullptr, 1);
    return MonitorNameForMessages(description);
}

std::string MonitorNameForMessages(const std::string& description)
{
    return description.empty() ? "*unknown*" : description;
}
