// The simulated GDI: device contexts of the display adapters, their gamma ramps, and
// the profiles a device context names.
#include "sim/sim_state.h"

#include <cstring>

using namespace simwin;

namespace {

HardwareRamp IdentityRamp()
{
    HardwareRamp ramp{};
    for (uint32_t i = 0; i < 256; ++i) {
        auto value = static_cast<uint16_t>(i << 8);
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = value;
    }
    return ramp;
}

// What hardware of 8 bits per entry keeps of a ramp: the high byte, read back repeated.
HardwareRamp AsStored(HardwareRamp ramp, int bits)
{
    if (bits != 8)
        return ramp;
    for (uint16_t* channel : {ramp.red, ramp.green, ramp.blue})
        for (size_t i = 0; i < 256; ++i)
            channel[i] = static_cast<uint16_t>((channel[i] & 0xFF00) | (channel[i] >> 8));
    return ramp;
}

bool IsPlausibleChannel(const uint16_t (&channel)[256])
{
    for (size_t i = 1; i < 256; ++i)
        if (channel[i] < channel[i - 1])
            return false;
    return channel[255] >= 0x4000;
}

const size_t* AdapterOfDc(const SimState& state, DcHandle dc)
{
    auto it = state.dcs.find(HandleValue(dc));
    return it == state.dcs.end() ? nullptr : &it->second;
}

// The refusals SetDeviceGammaRamp and GetDeviceGammaRamp share: an injected failure,
// a DC the simulation did not make (ERROR_INVALID_HANDLE) and no ramp
// (ERROR_INVALID_PARAMETER). The DC's adapter, or null when the call fails; the last
// error is set.
const size_t* RampAdapter(SimState& state, SimCall call, DcHandle dc, const HardwareRamp* ramp)
{
    if (state.Intercept(call))
        return nullptr;
    const size_t* adapter = AdapterOfDc(state, dc);
    if (!adapter) {
        state.Fails(kErrorInvalidHandle);
        return nullptr;
    }
    if (!ramp) {
        state.Fails(kErrorInvalidParameter);
        return nullptr;
    }
    return adapter;
}

// The profiles a DC of this adapter has, as full paths, the current one first: the one
// SetDcProfile gave, else those associated with the adapter's first active monitor.
std::vector<std::string> ProfilesOfAdapter(const SimState& state, size_t adapterIndex)
{
    const SimAdapter& adapter = state.adapters[adapterIndex];
    auto set = state.dcProfiles.find(adapter.device.name);
    if (set != state.dcProfiles.end())
        return {set->second};
    std::vector<std::string> paths;
    for (const SimDevice& monitor : adapter.monitors) {
        if (!(monitor.flags & kDisplayDeviceAttached))
            continue;
        auto it = state.associations.find(monitor.id);
        if (it != state.associations.end())
            for (const std::string& file : it->second)
                paths.push_back(std::string(SimPlatform::kColorDirectory) + "\\" + file);
        break;
    }
    return paths;
}

}  // namespace

// ---- GDI ----

// The device names an attached adapter (the driver does when no device is given;
// "DISPLAY" alone means the primary one). For any other name the result is null with
// ERROR_FILE_NOT_FOUND: Windows documents no code here, and Wine either fails without
// one or hands out a DC for an adapter that does not exist.
DcHandle SimPlatform::CreateDCA(const char* driver, const char* device, const char*, const void*)
{
    if (m_state->Intercept(SimCall::CreateDCA))
        return nullptr;
    const char* name = device ? device : driver;
    if (!name) {
        m_state->lastError = kErrorInvalidParameter;
        return nullptr;
    }
    const bool wholeDesktop = !device && EqualsNoCase(name, "DISPLAY", m_state->leadBytes);
    std::optional<size_t> found;
    for (size_t i = 0; i < m_state->adapters.size() && !found; ++i) {
        const SimDevice& adapter = m_state->adapters[i].device;
        if (!(adapter.flags & kDisplayDeviceAttached))
            continue;
        if (wholeDesktop ? (adapter.flags & kDisplayDevicePrimary) != 0
                         : EqualsNoCase(adapter.name, name, m_state->leadBytes))
            found = i;
    }
    for (size_t i = 0; wholeDesktop && !found && i < m_state->adapters.size(); ++i)
        if (m_state->adapters[i].device.flags & kDisplayDeviceAttached)
            found = i;
    if (!found) {
        m_state->lastError = kErrorFileNotFound;
        return nullptr;
    }
    uintptr_t handle = ++m_state->nextDc;
    m_state->dcs[handle] = *found;
    return MakeHandle<DcHandle>(handle);
}

Bool32 SimPlatform::DeleteDC(DcHandle dc)
{
    if (m_state->dcs.erase(HandleValue(dc)) == 0)
        return m_state->Fails(kErrorInvalidHandle);
    return 1;
}

Bool32 SimPlatform::SetDeviceGammaRamp(DcHandle dc, const HardwareRamp* ramp)
{
    const size_t* adapter = RampAdapter(*m_state, SimCall::SetDeviceGammaRamp, dc, ramp);
    if (!adapter)
        return 0;
    // A display driver refuses such ramps silently: FALSE, last error as it was.
    if (m_state->refuseImplausible && (!IsPlausibleChannel(ramp->red) || !IsPlausibleChannel(ramp->green) ||
                                !IsPlausibleChannel(ramp->blue)))
        return 0;
    const std::string key = m_state->sharedRamp ? std::string() : m_state->adapters[*adapter].device.name;
    m_state->ramps[key] = AsStored(*ramp, m_state->rampBits);
    ++m_state->rampWrites;
    ++m_state->rampWritesBy[m_state->adapters[*adapter].device.name];
    return 1;
}

Bool32 SimPlatform::GetDeviceGammaRamp(DcHandle dc, HardwareRamp* ramp)
{
    const size_t* adapter = RampAdapter(*m_state, SimCall::GetDeviceGammaRamp, dc, ramp);
    if (!adapter)
        return 0;
    *ramp = Ramp(m_state->adapters[*adapter].device.name);
    return 1;
}

// With nothing associated, Windows and Wine both name the standard sRGB profile rather
// than fail (Wine: dlls/gdi32/icm.c, GetICMProfileW). With no buffer the size is stored
// and the call fails without a code, as there.
Bool32 SimPlatform::GetICMProfileA(DcHandle dc, uint32_t* size, char* filename)
{
    if (m_state->Intercept(SimCall::GetICMProfileA))
        return 0;
    if (!size)
        return 0;
    const size_t* adapter = AdapterOfDc(*m_state, dc);
    if (!adapter)
        return m_state->Fails(kErrorInvalidHandle);

    std::vector<std::string> paths = ProfilesOfAdapter(*m_state, *adapter);
    std::string path = paths.empty() ? std::string(kColorDirectory) + "\\" + kDefaultProfile : paths.front();
    auto needed = static_cast<uint32_t>(path.size() + 1);
    if (!filename) {
        *size = needed;
        return 0;
    }
    if (*size < needed) {
        *size = needed;
        return m_state->Fails(kErrorInsufficientBuffer);
    }
    std::memcpy(filename, path.c_str(), needed);
    *size = needed;
    return 1;
}

// Enumerates only real associations, never the sRGB fallback GetICMProfileA names,
// and stops when the callback returns 0 (Wine: EnumICMProfilesW).
int32_t SimPlatform::EnumICMProfilesA(DcHandle dc, IcmEnumProcA proc, intptr_t data)
{
    if (m_state->Intercept(SimCall::EnumICMProfilesA))
        return -1;
    if (!proc)
        return -1;
    const size_t* adapter = AdapterOfDc(*m_state, dc);
    if (!adapter) {
        m_state->lastError = kErrorInvalidHandle;
        return -1;
    }
    std::vector<std::string> paths = ProfilesOfAdapter(*m_state, *adapter);
    int32_t result = -1;
    for (const std::string& path : paths) {
        std::vector<char> writable(path.begin(), path.end());
        writable.push_back('\0');
        result = proc(writable.data(), data);
        if (result == 0)
            break;
    }
    return result;
}

// ---- Settings and what was written ----

// A shared ramp is filed under the empty name, which no adapter has.
HardwareRamp SimPlatform::Ramp(const std::string& adapterName) const
{
    auto it = m_state->ramps.find(m_state->sharedRamp ? std::string() : adapterName);
    return it == m_state->ramps.end() ? AsStored(IdentityRamp(), m_state->rampBits) : it->second;
}

void SimPlatform::SetDcProfile(const std::string& adapterName, const std::string& fullPath)
{
    m_state->dcProfiles[adapterName] = fullPath;
}

void SimPlatform::SetSharedRamp(bool shared) { m_state->sharedRamp = shared; }
void SimPlatform::SetRampBits(int bits) { m_state->rampBits = bits; }
void SimPlatform::SetRefuseImplausibleRamps(bool refuse) { m_state->refuseImplausible = refuse; }
int SimPlatform::RampWrites() const { return m_state->rampWrites; }

int SimPlatform::RampWrites(const std::string& adapterName) const
{
    const auto found = m_state->rampWritesBy.find(adapterName);
    return found == m_state->rampWritesBy.end() ? 0 : found->second;
}
