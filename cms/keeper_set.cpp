#include "cms/keeper_set.h"

#include "cms/VideoCardUtils.h"
#include "cms/advanced_color.h"
#include "cms/calibration_check.h"
#include "cms/monitor_strings.h"
#include "res/resource.h"

#include <algorithm>

void KeeperSet::Follow(const DesktopSnapshot& desktop)
{
    DesktopSnapshot before;
    for (const Keeper& keeper : m_keepers)
        before.push_back(keeper.monitor);
    const DesktopDifference difference = CompareDesktops(before, desktop);

    std::vector<Keeper> keepers(desktop.size());
    for (size_t i = 0; i < desktop.size(); ++i)
        keepers[i].monitor = desktop[i];
    for (const auto& [was, is] : difference.kept) {
        keepers[is] = std::move(m_keepers[was]);
        keepers[is].monitor = desktop[is];
    }
    m_keepers = std::move(keepers);
}

const Keeper* KeeperSet::Find(MonitorHandle monitor) const
{
    const auto found = std::find_if(m_keepers.begin(), m_keepers.end(),
                                    [&](const Keeper& keeper) { return keeper.monitor.handle == monitor; });
    return found == m_keepers.end() ? nullptr : &*found;
}

Keeper* KeeperSet::FindMutable(MonitorHandle monitor)
{
    if (Keeper* keeper = const_cast<Keeper*>(Find(monitor)))
        return keeper;
    // The desktop changed since the set last followed it, and the monitor has a new
    // handle: its keeper is found by who the monitor is, and takes the handle.
    MonitorIdentity identity;
    if (GetMonitorStrings(monitor, &identity.adapterName, &identity.deviceId, nullptr, nullptr, 1) != 0)
        return nullptr;
    Keeper* keeper = FindIdentity(identity);
    if (keeper)
        keeper->monitor.handle = monitor;
    return keeper;
}

Keeper* KeeperSet::FindIdentity(const MonitorIdentity& identity)
{
    const auto found = std::find_if(m_keepers.begin(), m_keepers.end(),
                                    [&](const Keeper& keeper) { return keeper.monitor.identity == identity; });
    return found == m_keepers.end() ? nullptr : &*found;
}

KeepState KeeperSet::StateOf(MonitorHandle monitor) const
{
    const Keeper* keeper = Find(monitor);
    return keeper ? keeper->state : KeepState::Idle;
}

const HardwareRamp* RampsBefore::Find(const MonitorIdentity& identity) const
{
    for (const auto& [who, ramp] : ramps)
        if (who == identity)
            return &ramp;
    return nullptr;
}

RampsBefore KeeperSet::ReadOthers(MonitorHandle writer) const
{
    RampsBefore before;
    for (const Keeper& keeper : m_keepers) {
        if (keeper.monitor.handle == writer || keeper.state != KeepState::Keeping || keeper.monitor.advancedColor)
            continue;
        HardwareRamp current{};
        if (ReadMonitorRamp(keeper.monitor.handle, current) == 0)
            before.ramps.emplace_back(keeper.monitor.identity, current);
    }
    return before;
}

void KeeperSet::Loaded(MonitorHandle monitor, const std::string& path, const LoadedRamp& ramp,
                       const RampsBefore& before)
{
    if (Keeper* keeper = FindMutable(monitor)) {
        keeper->state = KeepState::Keeping;
        keeper->path = path;
        keeper->ramp = ramp;
        keeper->changes.clear();
        keeper->heldMs = 0;
    }
    OthersSee(monitor, ramp.held, before);
}

void KeeperSet::Reset(MonitorHandle monitor, const LoadedRamp& ramp, const RampsBefore& before)
{
    Forget(monitor);
    OthersSee(monitor, ramp.held, before);
}

void KeeperSet::Forget(MonitorHandle monitor)
{
    if (Keeper* keeper = FindMutable(monitor)) {
        keeper->state = KeepState::Idle;
        keeper->changes.clear();
    }
}

std::vector<MonitorIdentity> KeeperSet::KeepingBut(MonitorHandle except) const
{
    // A rewrite may open a report, and the set may change while it is open: the
    // monitors are visited by identity, each found again (ChangedKeeper).
    std::vector<MonitorIdentity> keeping;
    for (const Keeper& keeper : m_keepers)
        if (keeper.monitor.handle != except && keeper.state == KeepState::Keeping && !keeper.monitor.advancedColor)
            keeping.push_back(keeper.monitor.identity);
    return keeping;
}

Keeper* KeeperSet::ReadKeeping(const MonitorIdentity& identity, DcOwner& dc, HardwareRamp& current)
{
    Keeper* keeper = FindIdentity(identity);
    // What cannot be read cannot be mended either.
    if (!keeper || keeper->state != KeepState::Keeping || CreateMonitorDC(keeper->monitor.handle, dc) != 0 ||
        ReadDcRamp(dc.Get(), current) != 0)
        return nullptr;
    return keeper;
}

void KeeperSet::OthersSee(MonitorHandle writer, const HardwareRamp& held, const RampsBefore& before)
{
    HdrAdapters hdr;
    for (const MonitorIdentity& identity : KeepingBut(writer)) {
        HardwareRamp current{};
        DcOwner dc;
        Keeper* keeper = ReadKeeping(identity, dc, current);
        if (!keeper || SameRamp(current, keeper->ramp.held))
            continue;
        // The same ramp only when the write is what changed it: one that already read so
        // before (put back to linear from outside, and now reset here too) was not.
        const HardwareRamp* was = before.Find(identity);
        if (SameRamp(current, held) && !(was && SameRamp(*was, current))) {
            keeper->state = KeepState::Idle;
        } else if (m_bKeeping) {
            Rewrite(identity, hdr, dc.Get());
        }
    }
}

void KeeperSet::Resume()
{
    for (Keeper& keeper : m_keepers) {
        if (keeper.state == KeepState::Paused || keeper.state == KeepState::BackedOff)
            keeper.state = KeepState::Keeping;
        keeper.changes.clear();
    }
}

void KeeperSet::ForgetExtended()
{
    for (Keeper& keeper : m_keepers)
        if (keeper.ramp.extended)
            keeper.state = KeepState::Idle;
}

bool KeeperSet::Rewrite(const MonitorIdentity& identity, HdrAdapters& hdr, DcHandle dc)
{
    Keeper* keeper = FindIdentity(identity);
    if (!keeper)
        return false;
    // A refused write opens the video card's own report, and the modal loop behind it
    // lets the next check in before this call returns: paused meanwhile, so that it
    // neither writes again nor stacks one more report on the first.
    const MonitorHandle monitor = keeper->monitor.handle;
    // HDR may have come on since the desktop was last read: its ramp is not the
    // program's to write, and the keeper stands down until the desktop says otherwise.
    if (hdr.Has(identity.adapterName)) {
        keeper->monitor.advancedColor = true;
        return false;
    }
    keeper->state = KeepState::Paused;
    const std::string path = keeper->path;
    const int32_t result = SetDcGammaTable(dc, keeper->ramp.written);
    keeper = FindIdentity(identity);
    if (result != 0) {
        ReportCalibrationFailure(monitor, path.c_str(), IDS_DOWNLOAD_FAILED, result);
        return false;
    }
    if (keeper) {
        keeper->state = KeepState::Keeping;
        keeper->ramp.held = HeldAfterWrite(dc, keeper->ramp.written);
    }
    return true;
}

std::vector<MonitorHandle> KeeperSet::Check(uint64_t nowMs, const RampsBefore& forgiven)
{
    std::vector<MonitorHandle> backedOff;
    // The ramps found this time on monitors that backed off. Another monitor that reads
    // the same is on the same ramp (Wine has one for the whole screen), or the same
    // writer sets it too: the same episode, backed off from and told once.
    std::vector<HardwareRamp> foreign;
    // Each ramp is read, and written again where it must be, through one device context;
    // whether HDR came on is asked of the system once for all.
    HdrAdapters hdr;
    for (const MonitorIdentity& identity : KeepingBut(nullptr)) {
        HardwareRamp current{};
        DcOwner dc;
        Keeper* keeper = ReadKeeping(identity, dc, current);
        if (!keeper)
            continue;
        if (SameRamp(current, keeper->ramp.held)) {
            keeper->heldMs = nowMs;
            continue;
        }
        if (const HardwareRamp* left = forgiven.Find(identity); left && SameRamp(*left, current)) {
            if (Rewrite(identity, hdr, dc.Get()) && (keeper = FindIdentity(identity)) != nullptr)
                keeper->heldMs = nowMs;
            continue;
        }
        if (std::any_of(foreign.begin(), foreign.end(), [&](const HardwareRamp& seen) { return SameRamp(seen, current); })) {
            keeper->state = KeepState::BackedOff;
            continue;
        }
        // The change came after the ramp was last seen holding, and at most a check
        // period before it was found (where checks were not made, while keeping was off
        // or a listed program in front, it is taken as that late).
        const uint64_t lastPeriod = nowMs - std::min(nowMs, kCheckPeriodMs);
        const uint64_t since = std::max(keeper->heldMs <= nowMs ? keeper->heldMs : nowMs, lastPeriod);
        auto& changes = keeper->changes;
        changes.erase(std::remove_if(changes.begin(), changes.end(),
                                     [&](uint64_t when) { return since >= when + kBackOffWindowMs; }),
                      changes.end());
        changes.push_back(nowMs);
        if (changes.size() >= kChangesToBackOff) {
            keeper->state = KeepState::BackedOff;
            backedOff.push_back(keeper->monitor.handle);
            foreign.push_back(current);
            continue;
        }
        if (Rewrite(identity, hdr, dc.Get()) && (keeper = FindIdentity(identity)) != nullptr)
            keeper->heldMs = nowMs;
    }
    return backedOff;
}
