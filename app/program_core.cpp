#include "app/program_core.h"

#include "cms/advanced_color.h"
#include "cms/current_calibration.h"
#include "cms/monitor_strings.h"
#include "report/report.h"
#include "ui/calibration_commands.h"

#include <algorithm>
#include <utility>

ProgramCore::ProgramCore(ProgramShell& shell, const Settings& settings) : m_shell(shell), m_settings(settings)
{
    m_keepers.SetKeeping(m_settings.keepLoaded);
    m_trayReports.windowsOpen = [this] { return !Windows().empty(); };
    m_trayReports.iconShown = [this] { return m_shell.IconShown(); };
    m_trayReports.balloon = [this](const std::string& text) { m_shell.Balloon(text); };
}

ProgramCore::~ProgramCore()
{
    if (m_bResident)
        SetReportPresenter(m_pWindowsPresenter);
}

// ---- Start ----

void ProgramCore::StartWindows()
{
    m_layout = TakeDesktopLayout();
    // HDR is asked once the windows are shown, and the windows' rows told then. Nothing
    // waits for it: every write asks the system itself whether HDR is on.
    m_desktop = TakeDesktopSnapshot(false);
    m_keepers.Follow(m_desktop);
    // A report raised while a window is built runs a modal loop: a look at the desktop
    // or an Open asked for meanwhile waits until every window is there.
    m_bFollowing = true;
    m_shell.OpenStartWindows();
    m_bFollowing = false;
    AskHdr(m_desktop);
    m_keepers.Follow(m_desktop);
    for (MonitorView* window : Windows())
        window->SettingsChanged();
    RunPending();
}

void ProgramCore::StartResident(bool quiet)
{
    m_layout = TakeDesktopLayout();
    m_desktop = TakeDesktopSnapshot();
    m_keepers.Follow(m_desktop);
    m_bFollowing = true;
    // The icon first: a failure of the load is told by its balloon.
    BecomeResident(quiet);
    LoadAll(quiet);
    m_bFollowing = false;
    RunPending();
    UpdateTip();
}

bool ProgramCore::OpenWindow(MonitorHandle monitor)
{
    if (m_bEnded)
        return false;
    const DesktopMonitor* known = DesktopMonitorOf(monitor);
    if (!known) {
        // The desktop changed since it was read: read again.
        for (const DesktopMonitor& now : TakeDesktopSnapshot())
            if (now.handle == monitor)
                return FindWindow(now.identity) || m_shell.MakeWindow(now, *this);
        return true;
    }
    const DesktopMonitor copy = *known;
    return FindWindow(copy.identity) || m_shell.MakeWindow(copy, *this);
}

void ProgramCore::SetPauseFor(const std::vector<std::u16string>& programs)
{
    m_pauseFor = programs;
    UpdatePause();
}

// ---- The windows ----

void ProgramCore::WindowOpened(MonitorView& window) { m_windows.push_back({&window, false}); }

void ProgramCore::WindowGone(MonitorView& window)
{
    m_windows.erase(std::remove_if(m_windows.begin(), m_windows.end(),
                                   [&](const OpenWindowEntry& entry) { return entry.view == &window; }),
                    m_windows.end());
}

void ProgramCore::WindowClosed(bool byUser)
{
    if (m_bEnded)
        return;
    // Resident in the notification area, the program stays: one window closed by the
    // user closes the others with it.
    if (m_bResident) {
        if (byUser)
            CloseAll();
        return;
    }
    // A window whose monitor went away is no request to end, unless it was the last.
    if (byUser || m_windows.empty()) {
        m_bEnded = true;
        m_shell.Quit();
        return;
    }
    // Quit closes the main window; had it gone with its monitor, Quit would close
    // nothing. The window made last takes its place, as it would have at start-up.
    m_shell.HandOverMainWindow(*m_windows.back().view);
}

std::vector<MonitorView*> ProgramCore::Windows() const
{
    std::vector<MonitorView*> open;
    for (const OpenWindowEntry& entry : m_windows)
        if (!entry.closing)
            open.push_back(entry.view);
    return open;
}

MonitorView* ProgramCore::FindWindow(const MonitorIdentity& identity) const
{
    for (const OpenWindowEntry& entry : m_windows)
        if (!entry.closing && entry.view->Identity() == identity)
            return entry.view;
    return nullptr;
}

void ProgramCore::CloseWindow(MonitorView& window)
{
    for (OpenWindowEntry& entry : m_windows)
        if (entry.view == &window && !entry.closing) {
            entry.closing = true;
            window.Close();
        }
}

void ProgramCore::CloseAll()
{
    for (MonitorView* window : Windows())
        CloseWindow(*window);
}

void ProgramCore::OpenWindows()
{
    if (m_bFollowing) {
        m_bOpenAgain = true;
        return;
    }
    m_bFollowing = true;
    for (const DesktopMonitor& monitor : DesktopSnapshot(m_desktop)) {
        if (FindWindow(monitor.identity))
            continue;
        if (!m_shell.MakeWindow(monitor, *this))
            break;
    }
    m_bFollowing = false;
    RunPending();
}

void ProgramCore::BringWindowsToFront()
{
    if (Windows().empty())
        OpenWindows();
    if (m_bOpenAgain || m_bEnded)
        return;
    for (MonitorView* window : Windows())
        window->BringToFront();
    m_shell.ActivateWindows();
}

void ProgramCore::RunPending()
{
    // What came while the windows were made or the desktop followed is done now, in turn.
    while (!m_bFollowing && !m_bEnded && (m_bFollowAgain || m_bOpenAgain)) {
        if (m_bFollowAgain) {
            FollowDesktop();
            continue;
        }
        m_bOpenAgain = false;
        BringWindowsToFront();
    }
}

// ---- The desktop ----

void ProgramCore::FollowDesktop()
{
    if (m_bFollowing) {
        m_bFollowAgain = true;
        return;
    }
    m_bFollowing = true;
    do {
        m_bFollowAgain = false;
        m_layout = TakeDesktopLayout();
        DesktopSnapshot now = TakeDesktopSnapshot();
        // A mode switch, or the only monitor powered off: the windows stay, and the
        // program waits for the monitors to come back.
        if (now.empty()) {
            m_bDesktopWasEmpty = true;
            continue;
        }
        const DesktopSnapshot before = std::move(m_desktop);
        const DesktopDifference difference = CompareDesktops(before, now);
        const bool wasEmpty = m_bDesktopWasEmpty;
        m_bDesktopWasEmpty = false;
        m_desktop = now;
        m_keepers.Follow(now);
        // Resident with its windows closed, the program only loads: no window opens
        // unless the user asks for them.
        const bool withWindows = !m_bResident || !Windows().empty();

        for (const auto& [was, is] : difference.kept) {
            if (MonitorView* window = FindWindow(now[is].identity))
                window->MonitorMoved(now[is]);
            // Back from a desktop without monitors, a monitor whose keeper keeps nothing
            // is as good as one that came; a keeper stays as it was (one that backed off
            // waits for a notice or a Reload). Out of HDR after it came back in HDR, a
            // monitor not kept is as good as one that came.
            const KeepState state = m_keepers.StateOf(now[is].handle);
            const bool outOfHdr = !now[is].advancedColor && Listed(m_sdrWaiting, now[is].identity);
            if (m_settings.keepLoaded &&
                ((wasEmpty && state == KeepState::Idle) || (outOfHdr && state != KeepState::Keeping)))
                LoadReturning(now[is].handle);
        }
        // The windows of monitors that came open before those of monitors that went
        // close, so that the program never finds itself without a window on the way.
        for (size_t is : difference.added) {
            const DesktopMonitor& monitor = now[is];
            if (withWindows && !FindWindow(monitor.identity) && !m_shell.MakeWindow(monitor, *this))
                break;
            if (m_settings.keepLoaded)
                LoadReturning(monitor.handle);
        }
        for (size_t was : difference.gone)
            if (MonitorView* window = FindWindow(before[was].identity))
                CloseWindow(*window);
    } while (m_bFollowAgain && !m_bEnded);
    m_bFollowing = false;
    m_bFollowPending = false;
    UpdateTip();
    RunPending();
}

const DesktopMonitor* ProgramCore::DesktopMonitorOf(MonitorHandle monitor) const
{
    for (const DesktopMonitor& known : m_desktop)
        if (known.handle == monitor)
            return &known;
    return nullptr;
}

MonitorIdentity ProgramCore::IdentityOf(MonitorHandle monitor) const
{
    if (const DesktopMonitor* known = DesktopMonitorOf(monitor))
        return known->identity;
    // A handle newer than the desktop the program last read.
    MonitorIdentity identity;
    GetMonitorStrings(monitor, &identity.adapterName, &identity.deviceId, nullptr, nullptr, 1);
    return identity;
}

bool ProgramCore::Listed(const std::vector<MonitorIdentity>& list, const MonitorIdentity& identity)
{
    return std::find(list.begin(), list.end(), identity) != list.end();
}

void ProgramCore::Unlist(std::vector<MonitorIdentity>& list, const MonitorIdentity& identity)
{
    list.erase(std::remove(list.begin(), list.end(), identity), list.end());
}

bool ProgramCore::IsReset(const MonitorIdentity& identity) const
{
    return Listed(m_reset, identity);
}

void ProgramCore::LoadReturning(MonitorHandle monitor)
{
    // Put back to linear by the user, a monitor stays so when it returns, until the
    // next selection or Reload.
    const MonitorIdentity identity = IdentityOf(monitor);
    if (IsReset(identity))
        return;
    // Back in HDR, it is loaded once it shows SDR again.
    if (IsHdrActive(monitor)) {
        if (!Listed(m_sdrWaiting, identity))
            m_sdrWaiting.push_back(identity);
        return;
    }
    Unlist(m_sdrWaiting, identity);
    const RampsBefore before = m_keepers.ReadOthers(monitor);
    std::string path;
    LoadedRamp loaded;
    bool didLoad = false;
    LoadCurrentCalibration(monitor, m_settings.extendedTables, path, loaded, didLoad);
    if (didLoad)
        m_keepers.Loaded(monitor, path, loaded, before);
}

// ---- Notices and checks ----

void ProgramCore::Notice(SystemNotice notice)
{
    // Answered at once; what it asks for runs once the sender has its answer, so no
    // report ever opens inside another program's call.
    const bool posted = m_nPendingNotices != 0;
    m_nPendingNotices |= static_cast<uint32_t>(notice);
    if (!posted)
        m_shell.PostNotices();
}

void ProgramCore::HandleNotices()
{
    const uint32_t notices = std::exchange(m_nPendingNotices, 0u);
    if (notices == 0)
        return;
    m_keepers.Resume();
    if (notices & static_cast<uint32_t>(SystemNotice::Display)) {
        // The desktop is read first, then the ramps checked: a monitor that turned HDR
        // on with the change must not get its table once more.
        m_bFollowPending = true;
        m_shell.FollowSoon();
        return;
    }
    CheckKeepers();
}

void ProgramCore::FollowNow()
{
    FollowDesktop();
    CheckKeepers();
}

void ProgramCore::Poll()
{
    if (!m_bFollowing && !SameLayout(TakeDesktopLayout(), m_layout))
        FollowDesktop();
}

void ProgramCore::UpdatePause()
{
    std::u16string front;
    if (!m_pauseFor.empty()) {
        front = m_shell.ForegroundProgram();
        if (std::find(m_pauseFor.begin(), m_pauseFor.end(), front) == m_pauseFor.end())
            front.clear();
    }
    // The ramps the listed program set while in front are no change from outside: as
    // they are now, they are written again uncounted.
    if (!m_pausedFor.empty() && front.empty())
        m_forgiven = m_keepers.ReadOthers(nullptr);
    m_pausedFor = front;
}

void ProgramCore::ForegroundChanged()
{
    const bool wasPaused = !m_pausedFor.empty();
    UpdatePause();
    // The listed program left the front: keeping goes on at once.
    if (wasPaused && m_pausedFor.empty())
        CheckKeepers();
    else
        UpdateTip();
}

void ProgramCore::CheckKeepers()
{
    if (m_bChecking) {
        m_bCheckAgain = true;
        return;
    }
    // A display change is followed first (FollowNow checks then).
    if (m_bFollowPending)
        return;
    m_bChecking = true;
    std::vector<MonitorHandle> backedOff;
    UpdatePause();
    do {
        m_bCheckAgain = false;
        if (m_settings.keepLoaded && m_pausedFor.empty())
            for (MonitorHandle monitor : m_keepers.Check(m_shell.Now(), std::exchange(m_forgiven, {})))
                backedOff.push_back(monitor);
    } while (m_bCheckAgain);
    m_bChecking = false;
    UpdateTip();
    TellRampsChecked();
    TellBackedOff(backedOff);
}

void ProgramCore::TellRampsChecked()
{
    for (MonitorView* window : Windows())
        window->RampsChecked();
}

void ProgramCore::TellBackedOff(const std::vector<MonitorHandle>& monitors)
{
    for (MonitorHandle monitor : monitors) {
        const Keeper* keeper = m_keepers.Find(monitor);
        if (!keeper)
            continue;
        const MonitorIdentity identity = keeper->monitor.identity;
        const std::string text = BackedOffText(keeper->monitor.description);
        MonitorView* window = FindWindow(identity);
        if (!window && !Windows().empty())
            window = Windows().back();
        if (window)
            window->ShowMessage(text, true);
        else if (m_bResident && !m_bQuiet && m_shell.IconShown())
            m_shell.Balloon(text);
    }
}
