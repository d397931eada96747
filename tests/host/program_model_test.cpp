// The program's core over random days of events, against a small model of what the
// program promises. Each day is a random desktop (one to three monitors, a ramp each or
// one for all, resident or with windows) and a random sequence of events: monitors that
// go and come back, the system's notices, other programs writing the ramps, a listed
// program in front, HDR, the settings, the user's selections and commands, a second
// copy's requests, a report's modal loop in the middle of any of these, and time
// passing. After every event the promises are checked; a failing day is shrunk to its
// fewest events and printed with its seed.
//
// RC_PARAMS="seed=N" runs the days of one seed again; RC_PARAMS="max_success=N" runs N
// days (2,000 by default, 300 under the sanitizers, each of up to 200 events).
// KESTRAVA_MODEL_EVENTS=N runs days, a batch of a seed each, until N events have run
// (tools/bench.sh). Each run prints how many events it ran, and how fast.
#include "app/program_core.h"

#include "cms/CMSSupport.h"
#include "cms/VideoCardUtils.h"
#include "cms/calibration_check.h"
#include "cms/desktop_snapshot.h"
#include "ui/calibration_commands.h"

#include "support/host_test.h"
#include "support/rc_string_table.h"
#include "support/test_profiles.h"

#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/state.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// The events run so far, nested ones included.
uint64_t g_events = 0;

// The profiles a monitor may have: two calibrations, one without, and one whose table
// is refused (too dark), which is reported.
const char* const kProfiles[] = {profiles::kMild, profiles::kGreen, profiles::kNoCalibration, profiles::kTooDark};
const std::u16string kGame = u"game.exe";
constexpr uint64_t kCheckPeriodMs = ProgramCore::kKeepPeriodMs;
constexpr uint64_t kPollMs = 2000;
constexpr uint64_t kSettleMs = 300;
// The longest a day's events wait for the program to have looked: a poll and a check.
constexpr uint64_t kRestMs = kPollMs + kSettleMs + kCheckPeriodMs;

enum class Kind {
    Goes,            // a monitor leaves the desktop (unplugged, a KVM switch)
    Returns,         // and comes back, under a new handle
    AllOff,          // every output off (a mode switch, a lone monitor asleep)
    AllOn,
    Display,         // WM_DISPLAYCHANGE
    Resume,          // resume, unlock, a remote session's reconnect
    OutsideWrite,    // another program puts the linear ramp, or its own, there
    Fight,           // another program writes there, and a check period passes
    Writer,          // another program writes there three times at a steady pace
    GameFront,       // the listed program comes to the front (on: and sets its own ramp)
    GameWrites,      // it sets its own ramp while there
    GameLeaves,
    Hdr,             // HDR turned on or off, with the display change that comes with it
    ToggleKeep,
    ToggleExtended,
    Select,          // a profile selected in the monitor's window
    Reload,
    Reset,
    ReloadAll,       // the icon's menu
    ResetAll,
    Open,            // the icon's Open
    Close,           // the user closes a window of a resident program: all close
    SecondPlain,     // a second start without a switch, with /tray, with /load
    SecondTray,
    SecondLoad,
    Shell,           // on: the shell ends (the icon goes, and none is taken); off: it is back
    Wait,            // time passes
};

const char* NameOf(Kind kind)
{
    static const char* const names[] = {"Goes",       "Returns",    "AllOff",     "AllOn",       "Display",
                                        "Resume",     "OutsideWrite", "Fight", "Writer", "GameFront", "GameWrites", "GameLeaves",
                                        "Hdr",        "ToggleKeep", "ToggleExtended", "Select",  "Reload",
                                        "Reset",      "ReloadAll",  "ResetAll",   "Open",        "Close",
                                        "SecondPlain", "SecondTray", "SecondLoad", "Shell",      "Wait"};
    return names[static_cast<int>(kind)];
}

struct Event {
    Kind kind = Kind::Wait;
    int monitor = 0;
    int profile = 0;
    bool on = false;
    uint64_t ms = 0;
};

// What a day starts with.
// What a day is mostly made of: a bit of everything, or another program fighting over
// the ramps (a game, a second loader), or monitors coming and going (a dock, a KVM).
enum class Focus { Everything, Fights, Desktop };

struct Start {
    Focus focus = Focus::Everything;
    int monitors = 2;
    bool sharedRamp = false;
    bool resident = false;
    bool quiet = false;
    bool noShell = false;       // resident at a logon whose shell takes no icon yet
    bool keep = true;
    std::vector<int> current;   // each monitor's profile
};

struct MonitorModel {
    bool present = true;
    bool hdr = false;
    int current = 0;             // its default profile
    int kept = -1;               // the profile whose calibration is promised kept; -1 none
    bool reset = false;          // put back to linear by the user: not loaded until asked
    bool linear = false;         // and nothing wrote it since
    std::vector<uint64_t> outside;   // when other programs changed its ramp
    uint64_t goneAt = 0;
    uint64_t cameAt = 0;         // back on the desktop: its changes are seen once the program looked
    bool darkReturn = false;     // came back while every output was off
    bool hdrDenied = false;      // came back in HDR: loaded once HDR goes off
    bool returning = false;      // came back: loaded once the program has looked
    bool unsure = false;         // whether the program saw it go depends on a notice's timing
    // Changes from outside the program has counted since it last started counting anew,
    // each seen by a check of its own (when they were written), and one not seen yet.
    std::vector<uint64_t> streak;
    bool pending = false;
    uint64_t pendingAt = 0;
    // The last other program's curve written there (-1: none since the program wrote),
    // and the one the listed program left, which the next check forgives.
    int curve = -1;
    int forgiven = -1;
};

struct Model {
    Start start;
    uint64_t now = 0;
    std::vector<MonitorModel> monitors;
    bool resident = false;
    bool quiet = false;
    bool keep = true;
    bool windows = true;         // the user has the windows open
    bool shellDown = false;      // no icon: what a balloon would tell is a report
    bool gameFront = false;
    bool allOff = false;
    uint64_t allOffAt = 0;
    uint64_t noticeAt = ~uint64_t{0};   // the last display change (the desktop is read after it)

    static bool Calibrated(int profile) { return profile < 2; }
    // A monitor the program can reach now.
    bool Reachable(int i) const { return monitors[i].present && !allOff; }
};

// A writer at a steady pace (profile picks it: every 20, 29, 31 or 45 s), starting just
// after a check or just before one (on), with its own curve.
std::vector<Event> WriterSteps(const Event& e)
{
    static const uint64_t periods[] = {20000, 29000, 31000, 45000};
    const uint64_t period = periods[e.profile % 4];
    std::vector<Event> steps;
    steps.push_back(Event{Kind::Wait, e.monitor, 0, false, e.on ? uint64_t{2300} : uint64_t{100}});
    for (int n = 0; n < 3; ++n) {
        steps.push_back(Event{Kind::OutsideWrite, e.monitor, 0, false, 1});
        steps.push_back(Event{Kind::Wait, e.monitor, 0, false, n < 2 ? period : kCheckPeriodMs});
    }
    return steps;
}

// Loads what the program loads for a monitor's current profile.
void LoadCurrent(Model& model, int i)
{
    // The load writes the ramp: another monitor's change not yet seen is mended without
    // being counted, and the loaded one counts anew.
    for (MonitorModel& other : model.monitors)
        other.pending = false;
    MonitorModel& m = model.monitors[i];
    m.streak.clear();
    m.linear = m.reset = false;
    m.returning = false;
    m.unsure = false;
    m.hdrDenied = false;
    m.curve = -1;
    m.kept = model.Reachable(i) && !m.hdr && model.Calibrated(m.current) ? m.current : -1;
}

// Whether the program looked at the desktop after `since`: it polls every two seconds.
bool PolledSince(const Model& model, uint64_t since) { return model.now / kPollMs > since / kPollMs; }

// A monitor back on the desktop: what it had stays, where the program never saw it go;
// otherwise its current calibration is loaded when the program looks, while keeping and
// unless the user reset it.
void CameBack(Model& model, int i, uint64_t goneAt)
{
    MonitorModel& m = model.monitors[i];
    if (!PolledSince(model, goneAt)) {
        // A display change meanwhile may have shown the program the desktop without it.
        if (model.noticeAt != ~uint64_t{0} && model.noticeAt >= goneAt)
            m.unsure = true;
        return;
    }
    m.returning = model.keep && !m.reset && m.kept < 0;
}

// Events after which the program counts changes from outside anew, everywhere.
bool CountsAnew(Kind kind)
{
    switch (kind) {
    case Kind::AllOff:
    case Kind::AllOn:
    case Kind::Display:
    case Kind::Resume:
    case Kind::Hdr:
    case Kind::GameFront:
    case Kind::GameLeaves:
    case Kind::GameWrites:
    case Kind::ToggleKeep:
    case Kind::ToggleExtended:
    case Kind::Reset:
    case Kind::ResetAll:
    case Kind::Reload:
    case Kind::ReloadAll:
    case Kind::SecondLoad:
    case Kind::Returns:
    case Kind::Goes:
        return true;
    default:
        return false;
    }
}

void Apply(Model& model, const Event& e)
{
    MonitorModel* m = e.monitor < static_cast<int>(model.monitors.size()) ? &model.monitors[e.monitor] : nullptr;
    if (CountsAnew(e.kind))
        for (MonitorModel& each : model.monitors) {
            each.streak.clear();
            each.pending = false;
        }
    switch (e.kind) {
    case Kind::Goes:
        m->present = false;
        m->goneAt = model.now;
        break;
    case Kind::Returns:
        m->present = true;
        if (model.allOff) {
            m->darkReturn = true;
            break;
        }
        m->cameAt = model.now;
        // Seen gone, its keeper went with it.
        if (PolledSince(model, m->goneAt))
            m->kept = -1;
        CameBack(model, e.monitor, m->goneAt);
        break;
    case Kind::AllOff:
        if (!model.allOff)
            model.allOffAt = model.now;
        model.allOff = true;
        break;
    case Kind::AllOn:
        if (!model.allOff)
            break;
        model.allOff = false;
        // A change the program may not have seen before every output went off is found
        // at its first look after they come back, and dated then.
        for (MonitorModel& each : model.monitors)
            if (!each.outside.empty() && each.outside.back() + kCheckPeriodMs >= model.allOffAt)
                each.outside.push_back(model.now);
        // Every monitor was away: the keepers stay, and those that keep nothing load. One
        // that went before the rest, and came back in the dark, was seen gone if the
        // program looked before all went off.
        for (size_t i = 0; i < model.monitors.size(); ++i) {
            MonitorModel& each = model.monitors[i];
            if (!each.present)
                continue;
            const bool seenGone = std::exchange(each.darkReturn, false)
                                      ? model.allOffAt / kPollMs > each.goneAt / kPollMs
                                      : each.goneAt > model.allOffAt && PolledSince(model, each.goneAt);
            each.cameAt = model.now;
            if (seenGone)
                each.kept = -1;
            CameBack(model, static_cast<int>(i), seenGone ? each.goneAt : std::max(model.allOffAt, each.goneAt));
        }
        break;
    case Kind::Display:
        model.noticeAt = model.now;
        break;
    case Kind::Fight:
        Apply(model, Event{Kind::OutsideWrite, e.monitor, e.profile, e.on, 0});
        Apply(model, Event{Kind::Wait, e.monitor, e.profile, e.on, kCheckPeriodMs});
        break;
    case Kind::Writer:
        for (const Event& step : WriterSteps(e))
            Apply(model, step);
        break;
    case Kind::OutsideWrite:
        if (!model.Reachable(e.monitor) || m->hdr)
            break;
        m->linear = false;
        m->curve = e.on ? 0 : e.ms == 1 ? 210 : 200;
        m->outside.push_back(model.now);
        if (!m->pending)
            m->pendingAt = model.now;
        m->pending = true;
        break;
    case Kind::GameFront:
        model.gameFront = true;
        if (e.on) {
            m->linear = false;
            m->curve = 150;
        }
        break;
    case Kind::GameWrites:
        m->linear = false;
        m->curve = 150;
        break;
    case Kind::GameLeaves:
        // What it left is forgiven as it reads now: on a monitor that is away it cannot
        // be read, and counts as a change from outside.
        if (model.gameFront)
            for (size_t i = 0; i < model.monitors.size(); ++i) {
                MonitorModel& each = model.monitors[i];
                if (!model.Reachable(static_cast<int>(i)))
                    each.outside.push_back(model.now);
                else
                    each.forgiven = each.curve;
            }
        model.gameFront = false;
        break;
    case Kind::Hdr:
        m->hdr = e.on;
        model.noticeAt = model.now;
        if (!e.on && std::exchange(m->hdrDenied, false))
            m->returning = model.keep && !m->reset && model.Reachable(e.monitor);
        break;
    case Kind::ToggleKeep:
        model.keep = !model.keep;
        break;
    case Kind::Select:
        m->current = e.profile;
        [[fallthrough]];
    case Kind::Reload:
        LoadCurrent(model, e.monitor);
        break;
    case Kind::Reset:
        if (!m->hdr) {
            m->kept = -1;
            m->returning = m->unsure = false;
            m->reset = true;
            m->linear = model.Reachable(e.monitor);
        }
        break;
    case Kind::ResetAll:
        for (MonitorModel& each : model.monitors)
            if (!each.hdr && each.present && !model.allOff) {
                each.kept = -1;
                each.returning = each.unsure = false;
                each.reset = each.linear = true;
            }
        break;
    case Kind::ReloadAll:
    case Kind::SecondLoad:
        for (size_t i = 0; i < model.monitors.size(); ++i)
            LoadCurrent(model, static_cast<int>(i));
        break;
    case Kind::Open:
    case Kind::SecondPlain:
        model.windows = true;
        break;
    case Kind::Close:
        model.windows = false;
        break;
    case Kind::SecondTray:
        model.resident = true;
        model.quiet = false;
        break;
    case Kind::Shell:
        // Changes only how failures are told.
        model.shellDown = e.on;
        break;
    case Kind::Wait: {
        const uint64_t before = model.now;
        model.now += e.ms;
        // A check saw the changes written since the last one.
        // What a writer put back as the listed program left it is not seen as a change
        // (when the check waited for the desktop to be read).
        // A monitor back on the desktop is checked once the program has looked.
        const uint64_t lastCheck = model.now / kCheckPeriodMs * kCheckPeriodMs;
        if (lastCheck > before)
            for (MonitorModel& each : model.monitors) {
                const bool forgiven = each.forgiven >= 0 && each.curve == each.forgiven;
                each.forgiven = -1;
                if (lastCheck / kPollMs <= each.cameAt / kPollMs)
                    continue;
                if (std::exchange(each.pending, false) && !forgiven)
                    each.streak.push_back(each.pendingAt);
            }
        // The program looked: what came back is loaded. Seen while keeping is off, it is
        // not, then or later.
        if (PolledSince(model, before)) {
            for (size_t i = 0; i < model.monitors.size(); ++i) {
                MonitorModel& each = model.monitors[i];
                if (!each.returning || !model.Reachable(static_cast<int>(i)))
                    continue;
                if (!model.keep) {
                    each.returning = false;
                    continue;
                }
                const bool inHdr = each.hdr;
                LoadCurrent(model, static_cast<int>(i));
                each.hdrDenied = inHdr;
                // Whether the load came before or after a check is not told.
                for (MonitorModel& other : model.monitors)
                    other.streak.clear();
            }
        }
        break;
    }
    case Kind::Resume:
    case Kind::ToggleExtended:
        break;
    }
}

// ---- The system the core runs on ------------------------------------------------------------------

class Harness;

class FakeWindow : public MonitorView {
public:
    FakeWindow(Harness& harness, const DesktopMonitor& monitor, MonitorWindowHost& host);
    ~FakeWindow() override { m_host.WindowGone(*this); }
    const MonitorIdentity& Identity() const override { return m_identity; }
    void MonitorMoved(const DesktopMonitor&) override {}
    void Close() override { closing = true; }
    void SettingsChanged() override {}
    void RampsChecked() override {}
    void ShowMessage(const std::string& text, bool warning) override;
    void BringToFront() override {}

    bool closing = false;

private:
    Harness& m_harness;
    MonitorWindowHost& m_host;
    MonitorIdentity m_identity;
};

struct NoticeStore : SettingsStore {
    int32_t SetKeepLoaded(bool) override { return 0; }
    int32_t SetExtendedTables(bool) override { return 0; }
    int32_t SetLoadAtLogon(bool, bool) override { return 0; }
};

class Harness : public ProgramShell, public ReportPresenter {
public:
    explicit Harness(const Start& start) : m_start(start)
    {
        static const std::map<uint32_t, std::string> strings = ReadRcStringTable(KESTRAVA_RC_FILE);
        sim.Strings() = strings;
        sim.SetSharedRamp(start.sharedRamp);
        m_previous = SetReportPresenter(this);
        for (const char* name : kProfiles)
            sim.InstallProfile(TestProfile(name));
        for (int i = 0; i < start.monitors; ++i) {
            handles.push_back(sim.AddStandardMonitor());
            MonitorStrings names;
            EXPECT_EQ(GetMonitorStrings(handles.back(), names, 1), 0);
            adapters.push_back(names.adapterName);
            descriptions.push_back(names.deviceString);
            sim.Associations(names.deviceId) = {kProfiles[start.current[i]]};
            deviceIds.push_back(names.deviceId);
            MonitorInfoEx info{};
            info.cbSize = sizeof info;
            sim.GetMonitorInfoA(handles.back(), &info);
            places.push_back(SimMonitor{info.rcMonitor, info.rcWork, names.adapterName, i == 0});
        }
        present.assign(handles.size(), true);
        hdr.assign(handles.size(), false);
        Settings settings;
        settings.keepLoaded = start.keep;
        core = std::make_unique<ProgramCore>(*this, settings);
        core->SetPauseFor({kGame});
        shellDown = start.noShell;
        if (start.resident)
            core->StartResident(start.quiet);
        else
            core->StartWindows();
        Settle();
    }
    ~Harness() override
    {
        windows.clear();
        core.reset();
        SetReportPresenter(m_previous);
    }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    // ---- ProgramShell ----
    bool MakeWindow(const DesktopMonitor& monitor, MonitorWindowHost& host) override
    {
        ++made;
        windows.push_back(std::make_unique<FakeWindow>(*this, monitor, host));
        // A window's list is filled as it is made, and a report may come of it.
        ModalLoop();
        return !core->HasEnded();
    }
    void OpenStartWindows() override
    {
        for (const DesktopMonitor& monitor : TakeDesktopSnapshot())
            if (!core->OpenWindow(monitor.handle))
                break;
    }
    void HandOverMainWindow(MonitorView&) override {}
    void ActivateWindows() override {}
    void Quit() override { quit = true; }
    void PostNotices() override { noticesPosted = true; }
    void FollowSoon() override { followAt = clock + kSettleMs; }
    bool AddIcon() override { return iconShown = !shellDown; }
    void RemoveIcon() override { iconShown = false; }
    bool IconShown() const override { return iconShown; }
    void Balloon(const std::string& text) override { told.push_back(text); }
    void ShowTip(const std::u16string& tipText, const std::u16string& whole) override
    {
        tip = tipText;
        wholeText = whole;
    }
    void ShowProgramMessage(const std::string&) override {}
    uint64_t Now() override { return clock; }
    std::u16string ForegroundProgram() override { return gameFront ? kGame : u"explorer.exe"; }
    SettingsStore& Store() override { return store; }

    // ---- ReportPresenter: the report window, whose modal loop lets events in ----
    void Present(const ErrorReport& report) override
    {
        reports.push_back(report.messageText);
        ModalLoop();
    }

    // The message boxes of the windows.
    void Told(const std::string& text)
    {
        told.push_back(text);
        ModalLoop();
    }

    // An event waits for the next modal loop; if none comes, it runs after the event
    // it came with.
    void Arm(const Event& e) { m_nested = std::make_unique<Event>(e); }
    void RunArmed()
    {
        if (std::unique_ptr<Event> e = std::move(m_nested))
            Do(*e);
    }

    void Do(const Event& e);
    void Trace(const Event& e);

    // Another program writes a monitor's ramp: linear (curve 0), or a curve of its own,
    // one for each monitor: never a profile's, and never one writer's for two monitors
    // (the program backs off from such a writer on both at once).
    void Write(int target, int curve)
    {
        if (!present[target] || allOff || hdr[target])
            return;
        HardwareRamp ramp{};
        MakeHardwareRamp(IdentityRamp(), ramp);
        if (curve != 0)
            for (int k = 0; k < 256; ++k)
                ramp.green[k] = static_cast<uint16_t>(k * (curve + target));
        EXPECT_EQ(SetDevGammaTable(handles[target], ramp), 0);
    }

    // The program's posted messages and closed windows, handled as its loop would.
    void Settle()
    {
        for (int round = 0; round < 100; ++round) {
            bool any = false;
            if (noticesPosted) {
                noticesPosted = false;
                core->HandleNotices();
                any = true;
            }
            for (size_t i = 0; i < windows.size(); ++i) {
                if (!windows[i]->closing)
                    continue;
                windows.erase(windows.begin() + static_cast<std::ptrdiff_t>(i));
                core->WindowClosed(false);
                any = true;
                break;
            }
            if (!any)
                return;
        }
        ADD_FAILURE() << "the program's messages never settle";
    }

    // The timers, in order, up to `until`.
    void RunTimers(uint64_t until)
    {
        while (!core->HasEnded()) {
            uint64_t next = std::min(nextKeep, nextPoll);
            if (followAt != 0)
                next = std::min(next, followAt);
            if (next > until)
                break;
            clock = next;
            if (followAt != 0 && followAt == next) {
                followAt = 0;
                core->FollowNow();
            } else if (nextPoll == next) {
                nextPoll += kPollMs;
                core->Poll();
            } else {
                nextKeep += kCheckPeriodMs;
                core->CheckKeepers();
            }
            Settle();
        }
        clock = until;
    }

    // What the program does with a monitor's calibration, by who the monitor is: its
    // handle may be newer than the program's desktop.
    KeepState StateOf(int i) const
    {
        for (const Keeper& keeper : core->Keepers().Keepers())
            if (keeper.monitor.identity.adapterName == adapters[i])
                return keeper.state;
        return KeepState::Idle;
    }

    MonitorView* WindowOf(int i) const
    {
        for (const DesktopMonitor& monitor : core->Desktop())
            if (monitor.identity.adapterName == adapters[i])
                return core->FindWindow(monitor.identity);
        return nullptr;
    }

    SimScope scope;
    SimPlatform& sim = scope.sim();
    std::unique_ptr<ProgramCore> core;
    std::vector<std::unique_ptr<FakeWindow>> windows;
    std::vector<MonitorHandle> handles;
    std::vector<std::string> adapters;
    std::vector<std::string> deviceIds;
    std::vector<std::string> descriptions;
    std::vector<SimMonitor> places;
    std::vector<bool> present;
    std::vector<bool> hdr;
    bool allOff = false;
    NoticeStore store;

    uint64_t clock = 0;
    uint64_t nextKeep = kCheckPeriodMs;
    uint64_t nextPoll = kPollMs;
    uint64_t followAt = 0;
    bool noticesPosted = false;
    bool quit = false;
    bool iconShown = false;
    bool shellDown = false;
    bool gameFront = false;
    int made = 0;
    std::vector<std::string> told;
    std::vector<std::string> reports;
    std::u16string tip;
    std::u16string wholeText;

private:
    void ModalLoop()
    {
        RunArmed();
    }

    // A window that is not registered, for a command whose window is not made yet.
    class StandIn : public MonitorView {
    public:
        explicit StandIn(Harness& harness) : m_harness(harness) {}
        const MonitorIdentity& Identity() const override { return m_identity; }
        void MonitorMoved(const DesktopMonitor&) override {}
        void Close() override {}
        void SettingsChanged() override {}
        void RampsChecked() override {}
        void ShowMessage(const std::string& text, bool) override { m_harness.Told(text); }
        void BringToFront() override {}

    private:
        Harness& m_harness;
        MonitorIdentity m_identity;
    };

    Start m_start;
    StandIn m_standIn{*this};
    ReportPresenter* m_previous = nullptr;
    std::unique_ptr<Event> m_nested;
};

FakeWindow::FakeWindow(Harness& harness, const DesktopMonitor& monitor, MonitorWindowHost& host)
    : m_harness(harness), m_host(host), m_identity(monitor.identity)
{
    host.WindowOpened(*this);
}

void FakeWindow::ShowMessage(const std::string& text, bool) { m_harness.Told(text); }

void Harness::Do(const Event& e)
{
    const int i = e.monitor;
    if (core->HasEnded())
        return;
    switch (e.kind) {
    case Kind::Goes:
        if (present[i] && !allOff)
            sim.RemoveMonitor(handles[i]);
        present[i] = false;
        break;
    case Kind::Returns:
        if (!present[i] && !allOff)
            handles[i] = sim.AddMonitor(places[i]);
        present[i] = true;
        break;
    case Kind::AllOff:
        for (size_t m = 0; m < handles.size(); ++m)
            if (present[m] && !allOff)
                sim.RemoveMonitor(handles[m]);
        allOff = true;
        break;
    case Kind::AllOn:
        for (size_t m = 0; m < handles.size(); ++m)
            if (present[m] && allOff)
                handles[m] = sim.AddMonitor(places[m]);
        allOff = false;
        break;
    case Kind::Display:
        core->Notice(SystemNotice::Display);
        break;
    case Kind::Shell:
        // Without a shell, what a balloon would tell is a report.
        shellDown = e.on;
        if (shellDown)
            iconShown = false;
        else
            core->AddIconAgain();
        break;
    case Kind::Resume:
        core->Notice(SystemNotice::Resume);
        break;
    case Kind::Fight:
        Do(Event{Kind::OutsideWrite, e.monitor, e.profile, e.on, 0});
        Do(Event{Kind::Wait, e.monitor, e.profile, e.on, kCheckPeriodMs});
        break;
    case Kind::Writer:
        for (const Event& step : WriterSteps(e))
            Do(step);
        break;
    case Kind::OutsideWrite:
        // The linear ramp (the system's reset), or another writer's own curve (a steady
        // writer's is another).
        Write(i, e.on ? 0 : e.ms == 1 ? 210 : 200);
        break;
    case Kind::GameFront:
    case Kind::GameLeaves:
        gameFront = e.kind == Kind::GameFront;
        core->ForegroundChanged();
        if (gameFront && e.on)
            Write(i, 150);
        break;
    case Kind::GameWrites:
        Write(i, 150);
        break;
    case Kind::Hdr:
        // Off is SDR, or automatic colour management of the SDR monitor (wide colour),
        // where the ramp applies as in SDR.
        hdr[i] = e.on;
        sim.SetColorMode(adapters[i], e.on ? kAdvancedColorModeHdr
                                           : e.profile % 2 ? kAdvancedColorModeWcg : kAdvancedColorModeSdr);
        core->Notice(SystemNotice::Display);
        break;
    case Kind::ToggleKeep:
        core->ToggleSetting(CalibrationAction::KeepLoaded);
        break;
    case Kind::ToggleExtended:
        core->ToggleSetting(CalibrationAction::ExtendedTables);
        break;
    case Kind::Select:
        core->Select(handles[i], SimPlatform::kColorDirectory + std::string("\\") + kProfiles[e.profile]);
        break;
    case Kind::Reload: {
        std::string path;
        GetProfileNameUsingDeviceID(handles[i], &path, nullptr, nullptr);
        core->Reload(handles[i], path);
        break;
    }
    case Kind::Reset: {
        // Asked from the monitor's window; one not made yet asks all the same.
        MonitorView* window = WindowOf(i);
        core->Reset(window ? *window : m_standIn, handles[i], std::string());
        break;
    }
    case Kind::ReloadAll:
        core->ReloadAll();
        break;
    case Kind::ResetAll:
        core->ResetAll();
        break;
    case Kind::Open:
    case Kind::SecondPlain:
        core->OpenRequested();
        break;
    case Kind::Close:
        for (const auto& window : windows)
            if (!window->closing) {
                // The user's close: the window ends at once.
                windows.erase(std::find(windows.begin(), windows.end(), window));
                core->WindowClosed(true);
                break;
            }
        break;
    case Kind::SecondTray:
        core->BecomeResident(false);
        break;
    case Kind::SecondLoad:
        core->LoadRequested(true);
        break;
    case Kind::Wait:
        RunTimers(clock + e.ms);
        break;
    }
    Settle();
    if (std::getenv("KESTRAVA_MODEL_TRACE"))
        Trace(e);
}

void Harness::Trace(const Event& e)
{
    std::ostringstream line;
    line << "at " << clock << " " << NameOf(e.kind) << " " << e.monitor << ":";
    for (size_t i = 0; i < adapters.size(); ++i)
        line << " [" << i << " writes " << sim.RampWrites(adapters[i]) << " state "
             << static_cast<int>(StateOf(static_cast<int>(i))) << "]";
    std::fprintf(stderr, "%s\n", line.str().c_str());
}

// ---- The promises ---------------------------------------------------------------------------------

struct Before {
    bool residentWithoutWindows;
    int made;
    std::vector<int> writes;       // by adapter
    std::vector<KeepState> states;
    size_t told;
    std::vector<bool> hdr;
    bool silent;   // resident with /quiet or no icon, and no window: nothing is told
};

Before Observe(const Harness& h)
{
    const bool withoutWindows = h.core->IsResident() && h.core->Windows().empty();
    Before before{withoutWindows, h.made, {}, {}, h.told.size(), h.hdr,
                  withoutWindows && (h.core->IsQuiet() || !h.iconShown)};
    for (size_t i = 0; i < h.adapters.size(); ++i) {
        before.writes.push_back(h.sim.RampWrites(h.adapters[i]));
        before.states.push_back(h.StateOf(static_cast<int>(i)));
    }
    return before;
}

bool Holds(const HardwareRamp& actual, int profile)
{
    HardwareRamp expected{};
    int32_t messageId = 0;
    const std::string path = SimPlatform::kColorDirectory + std::string("\\") + kProfiles[profile];
    if (DiagnoseCalibration(path.c_str(), expected, messageId) != 0)
        return false;
    return CompareRamp(actual, expected).entries == 0;
}

bool AsksForWindows(Kind kind) { return kind == Kind::Open || kind == Kind::SecondPlain; }
bool TogglesKeeping(Kind kind) { return kind == Kind::ToggleKeep; }
bool Unquiets(Kind kind) { return kind == Kind::SecondTray || kind == Kind::Shell; }
bool AsksToWrite(Kind kind)
{
    return kind == Kind::Select || kind == Kind::Reload || kind == Kind::Reset || kind == Kind::ReloadAll ||
           kind == Kind::ResetAll || kind == Kind::SecondLoad || kind == Kind::OutsideWrite || kind == Kind::Fight ||
           kind == Kind::Writer ||
           kind == Kind::GameWrites || kind == Kind::GameFront;
}

// Checks every promise after an event (and the one that came in its modal loop).
void CheckPromises(const Model& model, const Harness& h, const Before& before, const Event& e, const Event* inner)
{
    const auto any = [&](bool (*test)(Kind)) { return test(e.kind) || (inner && test(inner->kind)); };
    if (h.core->HasEnded())
        return;
    const size_t count = h.adapters.size();

    // No window opens while the program is resident with its windows closed, unless the
    // user opens them.
    if (before.residentWithoutWindows && !any(AsksForWindows))
        RC_ASSERT(h.made == before.made);

    // Open is honoured, also when it came while windows were made.
    if (any(AsksForWindows))
        for (const DesktopMonitor& monitor : h.core->Desktop())
            RC_ASSERT(h.core->FindWindow(monitor.identity) != nullptr);

    for (size_t i = 0; i < count; ++i) {
        const int writes = h.sim.RampWrites(h.adapters[i]) - before.writes[i];
        // Nothing is ever written into a monitor in HDR, also in the event that turned it
        // on (the notice that comes with it).
        const bool turnedOn = e.kind == Kind::Hdr && e.on && e.monitor == static_cast<int>(i);
        if ((before.hdr[i] || turnedOn) && h.hdr[i])
            RC_ASSERT(writes == 0);
        // With keeping off, nothing is written that the user did not ask for.
        if (!model.keep && !any(AsksToWrite) && !any(TogglesKeeping))
            RC_ASSERT(writes == 0);
        if (!model.keep && (e.kind == Kind::Select || e.kind == Kind::Reload || e.kind == Kind::Reset) &&
            static_cast<int>(i) != e.monitor && !(inner && AsksToWrite(inner->kind)) && !any(TogglesKeeping))
            RC_ASSERT(writes == 0);
    }

    if (model.start.sharedRamp)
        return;
    for (size_t i = 0; i < count; ++i) {
        const MonitorModel& m = model.monitors[i];
        if (!model.Reachable(static_cast<int>(i)))
            continue;
        const KeepState state = h.StateOf(static_cast<int>(i));
        const HardwareRamp ramp = h.sim.Ramp(h.adapters[i]);
        // Back-off comes only after the third change from outside within a minute; a
        // listed program's ramp set
        // while it was in front is none. A monitor whose ramp reads as another's that
        // backed off then has the same writer, and backs off with it, untold.
        if (state == KeepState::BackedOff && before.states[i] != KeepState::BackedOff) {
            // Three of its changes within a minute, give or take the check periods in
            // which each was seen.
            const auto recent = [&](size_t j) {
                const std::vector<uint64_t>& outside = model.monitors[j].outside;
                for (size_t k = 2; k < outside.size(); ++k)
                    if (outside[k] - outside[k - 2] <= 60000 + 2 * kCheckPeriodMs)
                        return 3;
                return 0;
            };
            // (Its ramp may have changed again since: any other that backed off with it.)
            bool companion = false;
            for (size_t j = 0; j < count; ++j)
                companion = companion || (j != i && h.StateOf(static_cast<int>(j)) == KeepState::BackedOff &&
                                          before.states[j] != KeepState::BackedOff && recent(j) >= 3);
            RC_ASSERT(recent(i) >= 3 || companion);
            // And it is told once: over a window, by a balloon, or not at all with /quiet.
            const std::string text = BackedOffText(h.descriptions[i]);
            const auto tells = std::count(h.told.begin() + static_cast<std::ptrdiff_t>(before.told), h.told.end(), text);
            const bool silent = before.silent && !any(AsksForWindows) && !any(Unquiets);
            // A notice inside starts a new episode, told again.
            const bool again = inner && (inner->kind == Kind::Resume || inner->kind == Kind::Display);
            RC_ASSERT(tells == (silent ? 0 : 1) || (companion && tells == 0) || (before.silent && !silent && tells <= 1) ||
                      (again && !silent && tells >= 1));
        }
        // A kept calibration holds once the program has had time to look.
        const bool keeps = model.keep && !model.gameFront && !m.hdr && m.kept >= 0 && !m.unsure && !inner;
        if (keeps && e.kind == Kind::Wait && e.ms >= kRestMs && state != KeepState::BackedOff)
            RC_ASSERT(Holds(ramp, m.kept));
        // And the third change from outside within a minute backs off, however the
        // checks fall.
        const size_t n = m.streak.size();
        if (keeps && (e.kind == Kind::Wait || e.kind == Kind::Fight || e.kind == Kind::Writer) && n >= 3 && m.streak[n - 1] - m.streak[n - 3] <= 60000)
            RC_ASSERT(state == KeepState::BackedOff);
        // A monitor the user reset stays linear, also when it goes and comes back.
        if (m.linear && !m.unsure) {
            HardwareRamp linear{};
            MakeHardwareRamp(IdentityRamp(), linear);
            RC_ASSERT(CompareRamp(ramp, linear).entries == 0);
        }
    }
}

// ---- The commands ---------------------------------------------------------------------------------

struct Step : rc::state::Command<Model, Harness> {
    Event event;
    bool nested = false;
    Event inner;

    static Event Generate(const Model& model)
    {
        Event e;
        const int monitors = static_cast<int>(model.monitors.size());
        e.monitor = *rc::gen::inRange(0, monitors);
        e.profile = *rc::gen::inRange(0, 4);
        e.on = *rc::gen::arbitrary<bool>();
        // Each kind's weight on a day of each focus.
        struct Weight {
            Kind kind;
            size_t everything, fights, desktop;
        };
        static const Weight weights[] = {
            {Kind::Goes, 2, 0, 6},         {Kind::Returns, 3, 0, 8},      {Kind::AllOff, 1, 0, 2},
            {Kind::AllOn, 2, 0, 3},        {Kind::Display, 2, 0, 4},      {Kind::Resume, 2, 0, 2},
            {Kind::OutsideWrite, 4, 4, 2}, {Kind::Fight, 6, 12, 2},       {Kind::Writer, 1, 4, 0},
            {Kind::GameFront, 2, 3, 0},
            {Kind::GameWrites, 2, 3, 0},   {Kind::GameLeaves, 2, 3, 0},   {Kind::Hdr, 1, 0, 2},
            {Kind::ToggleKeep, 1, 0, 1},   {Kind::ToggleExtended, 1, 0, 0}, {Kind::Select, 4, 1, 2},
            {Kind::Reload, 2, 1, 1},       {Kind::Reset, 3, 1, 2},        {Kind::ReloadAll, 1, 0, 1},
            {Kind::ResetAll, 1, 0, 1},     {Kind::Open, 2, 0, 3},         {Kind::Close, 1, 0, 3},
            {Kind::SecondPlain, 1, 0, 2},  {Kind::SecondTray, 1, 0, 1},   {Kind::SecondLoad, 1, 0, 1},
            {Kind::Shell, 1, 0, 3},        {Kind::Wait, 10, 12, 10},
        };
        const auto weightOf = [&](const Weight& w) {
            return model.start.focus == Focus::Fights    ? w.fights
                   : model.start.focus == Focus::Desktop ? w.desktop
                                                         : w.everything;
        };
        size_t total = 0;
        for (const Weight& w : weights)
            total += weightOf(w);
        size_t pick = *rc::gen::inRange<size_t>(0, total);
        for (const Weight& w : weights) {
            if (pick < weightOf(w)) {
                e.kind = w.kind;
                break;
            }
            pick -= weightOf(w);
        }
        const uint64_t shortWait = 500;
        const uint64_t check = kCheckPeriodMs;
        const uint64_t rest = kRestMs;
        const uint64_t long_ = 20000;
        const uint64_t writer = 29000 - kCheckPeriodMs;   // with a fight: a writer every 29 s
        e.ms = *rc::gen::element(shortWait, check, rest, long_, writer);
        return e;
    }

    explicit Step(const Model& model)
    {
        event = Generate(model);
        // Now and then a report's modal loop lets another event in; often on a day of
        // monitors coming and going, whose windows and loads open reports.
        // Resident with no window and no icon, a report is the only modal loop a look at
        // the desktop can open: an Open then must wait for the look to end.
        const bool reportsOnly = model.resident && !model.windows && model.shellDown;
        nested = model.start.focus == Focus::Desktop || reportsOnly
                     ? *rc::gen::weightedElement<bool>({{2, false}, {1, true}})
                     : *rc::gen::weightedElement<bool>({{9, false}, {1, true}});
        if (nested) {
            inner = Generate(model);
            // Mostly a request: what a modal loop must not drop.
            if (reportsOnly && *rc::gen::arbitrary<bool>())
                inner.kind = Kind::Open;
            else if (*rc::gen::weightedElement<bool>({{1, false}, {2, true}}))
                inner.kind = *rc::gen::element(Kind::Open, Kind::Open, Kind::SecondPlain, Kind::SecondTray,
                                               Kind::SecondLoad, Kind::Display, Kind::Resume);
            RC_PRE(inner.kind != Kind::Wait && inner.kind != Kind::Close && inner.kind != Kind::Writer &&
                   inner.kind != Kind::Fight);
        }
    }

    static bool Allowed(const Model& model, const Event& e)
    {
        const MonitorModel& m = model.monitors[e.monitor];
        switch (e.kind) {
        case Kind::Goes:
            return m.present;
        case Kind::Returns:
            return !m.present;
        case Kind::GameWrites:
            return model.gameFront;
        case Kind::OutsideWrite:
        case Kind::Fight:
        case Kind::Writer:
            // While the listed program is in front, the ramps are its own: what it
            // leaves is forgiven as it reads when it leaves the front.
            return !model.gameFront;
        case Kind::Select:
        case Kind::Reload:
        case Kind::Reset:
            // From the monitor's window.
            return model.windows && model.Reachable(e.monitor);
        case Kind::ReloadAll:
        case Kind::ResetAll:
        case Kind::Close:
            return model.resident;
        default:
            return true;
        }
    }

    void checkPreconditions(const Model& model) const override
    {
        RC_PRE(Allowed(model, event));
        if (nested) {
            Model after = model;
            Apply(after, event);
            RC_PRE(Allowed(after, inner));
            // A window's own report or message disables it: while one is open, its list
            // and its menu take nothing.
            RC_PRE(!(FromWindow(event.kind) && FromWindow(inner.kind) && event.monitor == inner.monitor));
        }
    }

    // The commands of a monitor's window.
    static bool FromWindow(Kind kind) { return kind == Kind::Select || kind == Kind::Reload || kind == Kind::Reset; }

    void apply(Model& model) const override
    {
        Apply(model, event);
        if (!nested)
            return;
        Apply(model, inner);
        // Whether the inner event came before the outer one's writes or after depends on
        // when a report opened: what either wrote is not told.
        if (!Requests(inner.kind))
            for (MonitorModel& each : model.monitors)
                each.unsure = true;
    }

    // The requests and notices, which change no ramp of their own.
    static bool Requests(Kind kind)
    {
        return kind == Kind::Open || kind == Kind::SecondPlain || kind == Kind::SecondTray || kind == Kind::Display ||
               kind == Kind::Resume;
    }

    void run(const Model& model, Harness& h) const override
    {
        const Before before = Observe(h);
        g_events += nested ? 2 : 1;
        if (nested)
            h.Arm(inner);
        h.Do(event);
        h.RunArmed();
        Model after = model;
        apply(after);
        CheckPromises(after, h, before, event, nested ? &inner : nullptr);
    }

    void show(std::ostream& os) const override
    {
        Show(os, event);
        if (nested) {
            os << " with, in its modal loop, ";
            Show(os, inner);
        }
    }

    static void Show(std::ostream& os, const Event& e)
    {
        os << NameOf(e.kind) << "(monitor " << e.monitor;
        if (e.kind == Kind::Select)
            os << ", " << kProfiles[e.profile];
        if (e.kind == Kind::Hdr)
            os << (e.on ? ", on" : e.profile % 2 ? ", wide colour" : ", off");
        if (e.kind == Kind::Shell)
            os << (e.on ? ", ends" : ", back");
        if (e.kind == Kind::OutsideWrite || e.kind == Kind::Fight)
            os << (e.on ? ", linear" : ", its own");
        if (e.kind == Kind::GameFront && e.on)
            os << ", and writes";
        if (e.kind == Kind::Wait)
            os << ", " << e.ms << " ms";
        if (e.kind == Kind::Writer)
            os << ", every " << WriterSteps(e)[2].ms << " ms" << (e.on ? ", late" : "");
        os << ")";
    }
};

TEST(ProgramModel, RandomDaysKeepEveryPromise)
{
    // RC_PARAMS, when given, says everything (a seed, a count, a day to reproduce).
    const bool configured = std::getenv("RC_PARAMS") != nullptr;
    rc::detail::TestParams params = rc::detail::configuration().testParams;
    if (!configured) {
        params.maxSuccess = KESTRAVA_MODEL_DAYS;
        params.maxSize = 200;
    }
    const auto day = [] {
        Start start;
        start.focus = *rc::gen::element(Focus::Everything, Focus::Fights, Focus::Desktop);
        start.monitors = *rc::gen::inRange(1, 4);
        start.sharedRamp = *rc::gen::weightedElement<bool>({{3, false}, {1, true}});
        start.resident = *rc::gen::arbitrary<bool>();
        start.quiet = start.resident && *rc::gen::arbitrary<bool>();
        start.noShell = start.resident && *rc::gen::arbitrary<bool>();
        start.keep = *rc::gen::weightedElement<bool>({{4, true}, {1, false}});
        // On a day of monitors coming and going, most returns load a calibration that
        // reports (too dark), so that requests come in the middle of following.
        for (int i = 0; i < start.monitors; ++i)
            start.current.push_back(start.focus == Focus::Desktop
                                        ? *rc::gen::weightedElement<int>({{2, 0}, {1, 1}, {1, 2}, {2, 3}})
                                        : *rc::gen::inRange(0, 4));

        Model model;
        model.start = start;
        model.resident = start.resident;
        model.quiet = start.quiet;
        model.keep = start.keep;
        model.windows = !start.resident;
        model.shellDown = start.noShell;
        model.monitors.resize(static_cast<size_t>(start.monitors));
        for (int i = 0; i < start.monitors; ++i) {
            model.monitors[i].current = start.current[i];
            // Resident, the program loads every monitor's current calibration at start.
            if (start.resident)
                LoadCurrent(model, i);
        }
        Harness harness(start);
        rc::state::check(model, harness, rc::state::gen::execOneOfWithArgs<Step>());
    };
    rc::detail::TestMetadata metadata;
    metadata.id = "ProgramModel/RandomDaysKeepEveryPromise";
    const char* wanted = std::getenv("KESTRAVA_MODEL_EVENTS");
    const uint64_t events = !configured && wanted ? std::strtoull(wanted, nullptr, 10) : 0;
    const auto start = std::chrono::steady_clock::now();
    g_events = 0;
    do {
        const rc::detail::TestResult result =
            configured ? rc::detail::checkTestable(day, metadata) : rc::detail::checkTestable(day, metadata, params);
        if (!result.template is<rc::detail::SuccessResult>()) {
            std::ostringstream message;
            rc::detail::printResultMessage(result, message);
            FAIL() << "seed " << params.seed << ":\n" << message.str();
        }
        ++params.seed;
    } while (g_events < events);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("model: %llu events in %.1f s: %.0f events/s\n", static_cast<unsigned long long>(g_events), seconds,
                seconds > 0 ? static_cast<double>(g_events) / seconds : 0.0);
}

}  // namespace
