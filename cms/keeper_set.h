// Keeping the loaded calibrations in the video cards, one keeper per monitor of the
// desktop. The system, a full-screen game, another calibration loader or a display
// change may put another ramp there at any time; the program writes its own again, but
// never against another monitor that shares the ramp, never for ever against another
// writer, and never where HDR is on.
#pragma once

#include "cms/CMSSupport.h"
#include "cms/advanced_color.h"
#include "cms/desktop_snapshot.h"
#include "platform/guards.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

enum class KeepState {
    Idle,        // nothing to keep: nothing loaded yet, put back to linear on purpose, or
                 // another monitor's later write took the ramp they share
    Keeping,     // written again whenever it no longer holds
    Paused,      // a rewrite failed and was reported
    BackedOff,   // another program kept changing the ramp
};

struct Keeper {
    DesktopMonitor monitor;
    KeepState state = KeepState::Idle;
    std::string path;                 // the profile whose calibration is kept
    LoadedRamp ramp;                  // as the load wrote it and the ramp held it
    std::vector<uint64_t> changes;    // when the ramp was found changed from outside
    uint64_t heldMs = 0;              // when the ramp was last seen holding it (0: not yet)
};

// The ramps of the other keeping monitors, read before the program writes one monitor's
// ramp: only a ramp that the write changed can be the same ramp as the written one.
struct RampsBefore {
    std::vector<std::pair<MonitorIdentity, HardwareRamp>> ramps;   // those that could be read

    const HardwareRamp* Find(const MonitorIdentity& identity) const;
};

class KeeperSet {
public:
    // Changes from outside within this time, this many of them, make the program stop
    // rewriting: a game that sets its own ramp or a second loader would otherwise trade
    // places with it for ever, and the screen flicker.
    static constexpr size_t kChangesToBackOff = 3;
    static constexpr uint64_t kBackOffWindowMs = 60000;
    // The program checks the ramps at least this often.
    static constexpr uint64_t kCheckPeriodMs = 2500;

    // Follows the desktop: the keeper of a monitor that is gone goes with it, one that
    // stays takes its new handle and HDR state, and a monitor that came gets a keeper
    // with nothing to keep.
    void Follow(const DesktopSnapshot& desktop);

    // The monitor's keeper; null for a monitor the set does not follow.
    const Keeper* Find(MonitorHandle monitor) const;
    KeepState StateOf(MonitorHandle monitor) const;

    // Whether the program keeps what it loaded ("Keep calibration loaded"). Off, a load
    // or a reset touches the monitor asked for and no other.
    void SetKeeping(bool on) { m_bKeeping = on; }
    bool IsKeeping() const { return m_bKeeping; }

    // The ramps of the keeping monitors but the one about to be written, for Loaded and
    // Reset to judge the others by.
    RampsBefore ReadOthers(MonitorHandle writer) const;
    // The program loaded a calibration into the monitor's ramp (a selection, Reload, a
    // monitor that came back): kept from now on. Another keeping monitor whose ramp the
    // write changed into exactly this one's is on the same ramp, and the later write
    // wins there. One whose ramp otherwise no longer holds its own was reset from
    // outside, and is written again while keeping is on. Without before (not read), a
    // ramp that reads as this one's counts as the same ramp.
    void Loaded(MonitorHandle monitor, const std::string& path, const LoadedRamp& ramp,
                const RampsBefore& before = {});
    // The program put a ramp there on purpose (the linear one): nothing of the monitor's
    // is kept until the next load; the other monitors are judged as after a load.
    void Reset(MonitorHandle monitor, const LoadedRamp& ramp, const RampsBefore& before = {});
    // A load failed: what was kept is no longer what the user chose.
    void Forget(MonitorHandle monitor);

    // A display change, a resume or an unlock: paused and backed-off keepers keep again,
    // and the count of changes from outside starts anew.
    void Resume();
    // The extended setting was turned off: tables that only it allowed are not kept.
    void ForgetExtended();

    // Looks at every keeping monitor's ramp and writes it again where it no longer holds
    // what was loaded. A ramp that cannot be read is left alone. A failed rewrite is
    // reported once, as a selection's is, and pauses that keeper. The third change from
    // outside within a minute backs the keeper off instead of writing, until the next
    // Resume or load; the monitors that backed off in this check are returned, for the
    // program to say so, once for each time it backs off. Another keeper whose ramp
    // reads just as the one that backed off (a shared ramp, or one writer of both)
    // backs off with it, untold.
    //
    // A change counts from when it was found, and the newest from the last moment its
    // ramp was seen holding: a change may have come at any time since, so a writer every
    // 29 s is backed off from at its third change, however the checks fall. A ramp that
    // reads as in forgiven (what a listed program left when it left the front) is no
    // change from outside: it is written again, and not counted.
    std::vector<MonitorHandle> Check(uint64_t nowMs, const RampsBefore& forgiven = {});

    const std::vector<Keeper>& Keepers() const { return m_keepers; }

private:
    // The monitor's keeper, by its handle, or by who it is where the handle is newer
    // than the set's desktop.
    Keeper* FindMutable(MonitorHandle monitor);
    Keeper* FindIdentity(const MonitorIdentity& identity);
    // The keepers that keep (where HDR is off), but the one of except.
    std::vector<MonitorIdentity> KeepingBut(MonitorHandle except) const;
    // The keeper of identity when it keeps, with its adapter opened (dc) and its ramp
    // read through it (current); null when the keeper is gone, keeps nothing, or its
    // ramp cannot be read.
    Keeper* ReadKeeping(const MonitorIdentity& identity, DcOwner& dc, HardwareRamp& current);
    void OthersSee(MonitorHandle writer, const HardwareRamp& held, const RampsBefore& before);
    // Writes the keeper's ramp again through dc, a context of its adapter; false where
    // HDR is on (by hdr) or the write failed (reported).
    bool Rewrite(const MonitorIdentity& identity, HdrAdapters& hdr, DcHandle dc);

    std::vector<Keeper> m_keepers;
    bool m_bKeeping = true;
};
