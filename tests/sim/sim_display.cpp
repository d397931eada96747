// The simulated display: the monitors on the desktop, the display adapters with their
// monitor devices, and the display configuration with each adapter's colour mode.
#include "sim/sim_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

using namespace simwin;

namespace {

constexpr uint32_t kErrorInvalidMonitorHandle = 1461;

constexpr uint32_t kMonitorInfoSize = 40;
constexpr uint32_t kMonitorInfoExSize = sizeof(MonitorInfoEx);
constexpr uint32_t kDisplayDeviceSize = sizeof(DisplayDevice);
constexpr uint32_t kDisplayDeviceMonitorAttached = 0x2;   // monitor: connected

// The display configuration: every path on one adapter LUID; target ids in a range of
// their own, so that a source id passed as a target id (or back) is refused.
constexpr Luid kDisplayConfigAdapter = {0x0000C0DE, 0};
constexpr uint32_t kTargetIdBase = 0x1000;
constexpr uint32_t kModesPerPath = 2;   // the source mode, then the target mode
constexpr uint32_t kModeInfoTypeSource = 1;
constexpr uint32_t kModeInfoTypeTarget = 2;
constexpr uint32_t kOutputDisplayPortExternal = 10;
constexpr uint32_t kRotationIdentity = 1;
constexpr uint32_t kScalingIdentity = 1;
constexpr uint32_t kScanLineProgressive = 1;
constexpr uint32_t kInUse = 1;   // DISPLAYCONFIG_SOURCE_IN_USE, _TARGET_IN_USE, _PATH_ACTIVE

bool SameLuid(const Luid& a, const Luid& b) { return a.LowPart == b.LowPart && a.HighPart == b.HighPart; }

template <size_t N>
void CopyField(char (&field)[N], const std::string& text)
{
    size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

bool IsEmpty(const Rect32& r) { return r.left >= r.right || r.top >= r.bottom; }

Rect32 Intersect(const Rect32& a, const Rect32& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// The monitor behind a handle, or null for one never handed out or since removed.
const SimMonitor* PresentMonitor(const SimState& state, MonitorHandle monitor)
{
    uintptr_t value = HandleValue(monitor);
    if (value <= kMonitorHandleBase || value > kMonitorHandleBase + state.monitors.size())
        return nullptr;
    size_t index = value - kMonitorHandleBase - 1;
    return state.present[index] ? &state.monitors[index] : nullptr;
}

// The monitors on the desktop, by index, in enumeration order.
std::vector<size_t> PresentIndices(const SimState& state)
{
    std::vector<size_t> indices;
    for (size_t i = 0; i < state.monitors.size(); ++i)
        if (state.present[i])
            indices.push_back(i);
    return indices;
}

uint32_t SourceId(const SimState& state, const SimMonitor& monitor)
{
    return state.sourceIds.at(AsciiLower(monitor.adapterName));
}

}  // namespace

// ---- Building the desktop ----

MonitorHandle SimPlatform::AddMonitor(const SimMonitor& monitor)
{
    m_state->monitors.push_back(monitor);
    m_state->present.push_back(true);
    auto& sourceIds = m_state->sourceIds;
    sourceIds.emplace(AsciiLower(monitor.adapterName), static_cast<uint32_t>(sourceIds.size()));
    return MakeHandle<MonitorHandle>(kMonitorHandleBase + m_state->monitors.size());
}

void SimPlatform::RemoveMonitor(MonitorHandle monitor)
{
    uintptr_t value = HandleValue(monitor);
    if (value <= kMonitorHandleBase || value > kMonitorHandleBase + m_state->monitors.size()) {
        ADD_FAILURE() << "RemoveMonitor of a handle the platform did not hand out: " << monitor;
        return;
    }
    m_state->present[value - kMonitorHandleBase - 1] = false;
}

void SimPlatform::AddAdapter(const SimAdapter& adapter) { m_state->adapters.push_back(adapter); }

SimAdapter* SimPlatform::FindAdapter(const std::string& adapterName)
{
    for (SimAdapter& adapter : m_state->adapters)
        if (EqualsNoCase(adapter.device.name, adapterName, m_state->leadBytes))
            return &adapter;
    return nullptr;
}

MonitorHandle SimPlatform::AddStandardMonitor()
{
    const std::string n = std::to_string(m_state->adapters.size() + 1);
    const std::vector<size_t> present = PresentIndices(*m_state);
    const bool first = present.empty();

    SimAdapter adapter;
    adapter.device.name = "\\\\.\\DISPLAY" + n;
    adapter.device.string = "Simulated Display Adapter";
    adapter.device.flags = kDisplayDeviceAttached | (first ? kDisplayDevicePrimary : 0);
    adapter.device.id = "PCI\\VEN_1AF4&DEV_1050&SUBSYS_00000000&REV_00";
    adapter.device.key = "\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\"
                         "{00000000-0000-0000-0000-000000000000}\\000" + n;

    SimDevice monitorDevice;
    monitorDevice.name = adapter.device.name + "\\Monitor0";
    monitorDevice.string = "Simulated Monitor " + n;
    monitorDevice.flags = kDisplayDeviceAttached | kDisplayDeviceMonitorAttached;
    monitorDevice.id = "MONITOR\\SIM" + n + "\\{4D36E96E-E325-11CE-BFC1-08002BE10318}\\0000";
    monitorDevice.key = "\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Class\\"
                        "{4d36e96e-e325-11ce-bfc1-08002be10318}\\000" + n;
    adapter.monitors.push_back(monitorDevice);
    AddAdapter(adapter);

    SimMonitor monitor;
    int32_t left = first ? 0 : m_state->monitors[present.back()].rect.right;
    monitor.rect = {left, 0, left + 1920, 1080};
    monitor.work = monitor.rect;
    if (first)
        monitor.work.bottom -= 40;   // the task bar, so that work area and monitor differ
    monitor.adapterName = adapter.device.name;
    monitor.primary = first;
    return AddMonitor(monitor);
}

void SimPlatform::SetColorMode(const std::string& adapterName, uint32_t mode)
{
    if (mode == kAdvancedColorModeSdr)
        m_state->colorModes.erase(AsciiLower(adapterName));
    else
        m_state->colorModes[AsciiLower(adapterName)] = mode;
}

void SimPlatform::SetSecondColorQuery(bool known) { m_state->secondColorQuery = known; }

// ---- Window manager ----

// The DC is not consulted: the program enumerates the whole desktop.
Bool32 SimPlatform::EnumDisplayMonitors(DcHandle dc, const Rect32* clip, MonitorEnumProc proc, intptr_t data)
{
    if (m_state->Intercept(SimCall::EnumDisplayMonitors))
        return 0;
    if (!proc)
        return m_state->Fails(kErrorInvalidParameter);
    // Wine fails on a desktop without monitors, leaving the last error alone.
    const std::vector<size_t> present = PresentIndices(*m_state);
    if (present.empty())
        return 0;

    // A snapshot, as user32 takes one: the callback may call back into the platform.
    std::vector<std::pair<MonitorHandle, Rect32>> visits;
    for (size_t i : present) {
        Rect32 rect = m_state->monitors[i].rect;
        if (clip) {
            rect = Intersect(rect, *clip);
            if (IsEmpty(rect))
                continue;
        }
        visits.emplace_back(MakeHandle<MonitorHandle>(kMonitorHandleBase + i + 1), rect);
    }
    for (auto& [handle, rect] : visits)
        if (!proc(handle, dc, &rect, data))
            return 0;
    return 1;
}

Bool32 SimPlatform::GetMonitorInfoA(MonitorHandle monitor, MonitorInfoEx* info)
{
    if (m_state->Intercept(SimCall::GetMonitorInfoA))
        return 0;
    // Wine checks the record size first and fails without a code.
    if (!info || (info->cbSize != kMonitorInfoSize && info->cbSize != kMonitorInfoExSize))
        return 0;
    const SimMonitor* found = PresentMonitor(*m_state, monitor);
    if (!found)
        return m_state->Fails(kErrorInvalidMonitorHandle);

    const SimMonitor& m = *found;
    info->rcMonitor = m.rect;
    info->rcWork = m.work;
    info->dwFlags = m.primary ? 1 : 0;
    if (info->cbSize == kMonitorInfoExSize)
        CopyField(info->szDevice, m.adapterName);
    return 1;
}

// Names compare without regard to case, as win32u's find_adapter_device_by_name does.
// A device that is not there fails with the last error untouched, as in Wine.
Bool32 SimPlatform::EnumDisplayDevicesA(const char* device, uint32_t devNum, DisplayDevice* record, uint32_t)
{
    if (m_state->Intercept(SimCall::EnumDisplayDevicesA))
        return 0;
    if (!record || record->cb < kDisplayDeviceSize)
        return 0;

    const SimDevice* found = nullptr;
    if (!device || !*device) {
        if (devNum < m_state->adapters.size())
            found = &m_state->adapters[devNum].device;
    } else {
        for (const SimAdapter& adapter : m_state->adapters) {
            if (!EqualsNoCase(adapter.device.name, device, m_state->leadBytes))
                continue;
            if (devNum < adapter.monitors.size())
                found = &adapter.monitors[devNum];
            break;
        }
    }
    if (!found)
        return 0;

    CopyField(record->DeviceName, found->name);
    CopyField(record->DeviceString, found->string);
    record->StateFlags = found->flags;
    CopyField(record->DeviceID, found->id);
    CopyField(record->DeviceKey, found->key);
    return 1;
}

int32_t SimPlatform::GetDisplayConfigBufferSizes(uint32_t flags, uint32_t* pathCount, uint32_t* modeCount)
{
    if (std::optional<int32_t> code = m_state->InterceptCode(SimCall::GetDisplayConfigBufferSizes))
        return *code;
    if (flags != kQdcOnlyActivePaths || !pathCount || !modeCount)
        return static_cast<int32_t>(kErrorInvalidParameter);
    const auto paths = static_cast<uint32_t>(PresentIndices(*m_state).size());
    *pathCount = paths;
    *modeCount = paths * kModesPerPath;
    return 0;
}

int32_t SimPlatform::QueryDisplayConfig(uint32_t flags, uint32_t* pathCount, DisplayConfigPathInfo* paths,
                                        uint32_t* modeCount, DisplayConfigModeInfo* modes, void* topology)
{
    if (std::optional<int32_t> code = m_state->InterceptCode(SimCall::QueryDisplayConfig))
        return *code;
    if (flags != kQdcOnlyActivePaths || topology || !pathCount || !paths || !modeCount || !modes)
        return static_cast<int32_t>(kErrorInvalidParameter);
    const std::vector<size_t> present = PresentIndices(*m_state);
    const auto count = static_cast<uint32_t>(present.size());
    if (*pathCount < count || *modeCount < count * kModesPerPath)
        return static_cast<int32_t>(kErrorInsufficientBuffer);

    for (uint32_t i = 0; i < count; ++i) {
        const SimMonitor& monitor = m_state->monitors[present[i]];
        const uint32_t sourceId = SourceId(*m_state, monitor);
        const auto targetId = static_cast<uint32_t>(kTargetIdBase + present[i]);

        DisplayConfigPathInfo path{};
        path.sourceInfo = {kDisplayConfigAdapter, sourceId, i * kModesPerPath, kInUse};
        path.targetInfo.adapterId = kDisplayConfigAdapter;
        path.targetInfo.id = targetId;
        path.targetInfo.modeInfoIdx = i * kModesPerPath + 1;
        path.targetInfo.outputTechnology = kOutputDisplayPortExternal;
        path.targetInfo.rotation = kRotationIdentity;
        path.targetInfo.scaling = kScalingIdentity;
        path.targetInfo.refreshRate = {60, 1};
        path.targetInfo.scanLineOrdering = kScanLineProgressive;
        path.targetInfo.targetAvailable = 1;
        path.targetInfo.statusFlags = kInUse;
        path.flags = kInUse;
        paths[i] = path;

        DisplayConfigModeInfo source{};
        source.infoType = kModeInfoTypeSource;
        source.id = sourceId;
        source.adapterId = kDisplayConfigAdapter;
        DisplayConfigModeInfo target = source;
        target.infoType = kModeInfoTypeTarget;
        target.id = targetId;
        modes[i * kModesPerPath] = source;
        modes[i * kModesPerPath + 1] = target;
    }
    *pathCount = count;
    *modeCount = count * kModesPerPath;
    return 0;
}

int32_t SimPlatform::DisplayConfigGetDeviceInfo(DisplayConfigDeviceInfoHeader* request)
{
    if (std::optional<int32_t> code = m_state->InterceptCode(SimCall::DisplayConfigGetDeviceInfo))
        return *code;
    constexpr auto kRefused = static_cast<int32_t>(kErrorInvalidParameter);
    if (!request || !SameLuid(request->adapterId, kDisplayConfigAdapter))
        return kRefused;

    // The request names a source or target of an active path.
    const SimMonitor* named = nullptr;
    for (size_t i : PresentIndices(*m_state)) {
        const SimMonitor& monitor = m_state->monitors[i];
        const bool bySource =
            request->type == kDisplayConfigGetSourceName && SourceId(*m_state, monitor) == request->id;
        const bool byTarget = (request->type == kDisplayConfigGetAdvancedColorInfo ||
                               (request->type == kDisplayConfigGetAdvancedColorInfo2 && m_state->secondColorQuery)) &&
                              kTargetIdBase + i == request->id;
        if (bySource || byTarget) {
            named = &monitor;
            break;
        }
    }

    if (request->type == kDisplayConfigGetSourceName && request->size == sizeof(DisplayConfigSourceDeviceName) &&
        named) {
        auto* answer = reinterpret_cast<DisplayConfigSourceDeviceName*>(request);
        const std::u16string name =
            Widen(named->adapterName.data(), named->adapterName.size(), m_state->Page());
        const size_t length = std::min(name.size(), std::size(answer->viewGdiDeviceName) - 1);
        std::fill(std::begin(answer->viewGdiDeviceName), std::end(answer->viewGdiDeviceName), u'\0');
        std::copy_n(name.begin(), length, answer->viewGdiDeviceName);
        return 0;
    }
    const uint32_t mode = [&] {
        auto it = named ? m_state->colorModes.find(AsciiLower(named->adapterName)) : m_state->colorModes.end();
        return it == m_state->colorModes.end() ? kAdvancedColorModeSdr : it->second;
    }();
    const uint32_t bits = mode == kAdvancedColorModeHdr ? 10 : 8;
    if (request->type == kDisplayConfigGetAdvancedColorInfo &&
        request->size == sizeof(DisplayConfigAdvancedColorInfo) && named) {
        auto* answer = reinterpret_cast<DisplayConfigAdvancedColorInfo*>(request);
        answer->value = mode == kAdvancedColorModeSdr ? 0 : kAdvancedColorSupported | kAdvancedColorEnabled;
        if (mode == kAdvancedColorModeWcg)
            answer->value |= kAdvancedColorWideColorEnforced;
        answer->colorEncoding = 0;   // RGB
        answer->bitsPerColorChannel = bits;
        return 0;
    }
    if (request->type == kDisplayConfigGetAdvancedColorInfo2 &&
        request->size == sizeof(DisplayConfigAdvancedColorInfo2) && named) {
        auto* answer = reinterpret_cast<DisplayConfigAdvancedColorInfo2*>(request);
        answer->value = mode == kAdvancedColorModeSdr ? 0 : kAdvancedColorSupported | kAdvancedColorEnabled;
        answer->colorEncoding = 0;
        answer->bitsPerColorChannel = bits;
        answer->activeColorMode = mode;
        return 0;
    }
    return kRefused;
}
