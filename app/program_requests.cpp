// The program core's answers to the user and to second copies: the icon's menu, the
// monitor windows' commands, /load, /tray and Exit.
#include "app/program_core.h"

#include "app/tray_status.h"
#include "cms/CMSSupport.h"
#include "cms/advanced_color.h"
#include "cms/current_calibration.h"
#include "cms/monitor_strings.h"
#include "report/report.h"
#include "ui/calibration_commands.h"

// ---- Requests ----

void ProgramCore::OpenRequested() { BringWindowsToFront(); }

void ProgramCore::BecomeResident(bool quiet)
{
    if (!m_bResident) {
        m_pWindowsPresenter = SetReportPresenter(&m_trayReports);
        m_trayReports.windows = m_pWindowsPresenter;
    }
    m_bResident = true;
    m_bQuiet = quiet;
    m_trayReports.quiet = quiet;
    AddIconAgain();
}

void ProgramCore::AddIconAgain()
{
    if (!m_bResident || m_shell.IconShown())
        return;
    // A shell without a notification area takes no icon: the calibration is kept all
    // the same, and the system side tries again.
    if (m_shell.AddIcon())
        UpdateTip(true);
}

int32_t ProgramCore::LoadAll(bool quiet)
{
    // What is loaded is kept by the keepers of the desktop as it is now.
    Poll();
    m_reset.clear();
    m_sdrWaiting.clear();
    const int32_t result = LoadCurrentCalibrations(quiet, m_settings.extendedTables, &m_keepers);
    UpdateTip();
    TellRampsChecked();
    return result;
}

int32_t ProgramCore::LoadRequested(bool quiet) { return LoadAll(quiet); }

void ProgramCore::ReloadAll()
{
    m_keepers.Resume();
    LoadAll(m_bQuiet);
}

void ProgramCore::ResetAll()
{
    // Every monitor of the desktop as it is now: handles may have changed since the
    // program last looked.
    for (const DesktopMonitor& monitor : TakeDesktopSnapshot()) {
        // Where HDR is on, the ramp is not the program's to write, the linear one included.
        if (monitor.advancedColor)
            continue;
        Unlist(m_sdrWaiting, monitor.identity);
        if (!IsReset(monitor.identity))
            m_reset.push_back(monitor.identity);
        std::string path;
        for (const Keeper& keeper : m_keepers.Keepers())
            if (keeper.monitor.identity == monitor.identity)
                path = keeper.path;
        const RampsBefore before = m_keepers.ReadOthers(monitor.handle);
        // A refusal is reported for the kept profile (or the current one), and keeping
        // stops all the same, as asked.
        LoadedRamp linear;
        if (ResetToLinear(monitor.handle, path.c_str(), linear) == 0)
            m_keepers.Reset(monitor.handle, linear, before);
        else
            m_keepers.Forget(monitor.handle);
    }
    UpdateTip();
    TellRampsChecked();
}

void ProgramCore::ToggleFromTray(CalibrationAction action)
{
    // Asked for from the menu just now, a refusal is answered whatever /quiet says.
    if (int32_t result = ToggleSetting(action))
        m_shell.ShowProgramMessage(SettingNotSavedText(result));
}

void ProgramCore::Exit()
{
    if (m_bResident)
        SetReportPresenter(m_pWindowsPresenter);
    m_shell.RemoveIcon();
    m_bResident = false;
    m_bEnded = true;
    m_shell.Quit();
}

// ---- What a window asks ----

void ProgramCore::Apply(MonitorHandle monitor, const std::string& path, bool select)
{
    Poll();
    const MonitorIdentity identity = IdentityOf(monitor);
    Unlist(m_reset, identity);
    Unlist(m_sdrWaiting, identity);
    const bool extended = m_settings.extendedTables;
    const RampsBefore before = m_keepers.ReadOthers(monitor);
    int32_t messageId = 0;
    LoadedRamp loaded;
    const int32_t result = select ? SetDefaultProfile(monitor, path.c_str(), 1, messageId, extended, &loaded)
                                  : LoadCalibration(monitor, path.c_str(), messageId, extended, &loaded);
    if (result == 0)
        m_keepers.Loaded(monitor, path, loaded, before);
    else
        m_keepers.Forget(monitor);
    UpdateTip();
    TellRampsChecked();
    // A failure before the calibration step has been reported where it happened and
    // leaves no message id: one report is enough.
    if (result != 0 && messageId != 0)
        ReportCalibrationFailure(monitor, path.c_str(), messageId, result);
}

void ProgramCore::Select(MonitorHandle monitor, const std::string& path) { Apply(monitor, path, true); }

void ProgramCore::Reload(MonitorHandle monitor, const std::string& path)
{
    m_keepers.Resume();
    Apply(monitor, path, false);
}

void ProgramCore::Reset(MonitorView& window, MonitorHandle monitor, const std::string& path)
{
    // Where HDR is on, the ramp is not the program's to write, the linear one included;
    // the user is told why nothing happened. Asked of the system now: the desktop may
    // not have been read since HDR came on.
    if (IsHdrActive(monitor)) {
        window.ShowMessage(HdrNotKeptText(MonitorNameForMessages(monitor)), false);
        return;
    }
    Poll();
    const MonitorIdentity identity = IdentityOf(monitor);
    if (!identity.adapterName.empty() && !IsReset(identity))
        m_reset.push_back(identity);
    Unlist(m_sdrWaiting, identity);
    const RampsBefore before = m_keepers.ReadOthers(monitor);
    // Refused, keeping stops all the same, as the user asked; the report names the
    // selected profile, as a refused Reload would.
    LoadedRamp linear;
    if (ResetToLinear(monitor, path.c_str(), linear) == 0)
        m_keepers.Reset(monitor, linear, before);
    else
        m_keepers.Forget(monitor);
    UpdateTip();
    TellRampsChecked();
}

KeepState ProgramCore::KeepStateOf(MonitorHandle monitor) const { return m_keepers.StateOf(monitor); }

bool ProgramCore::IsAdvancedColor(MonitorHandle monitor) const
{
    const Keeper* keeper = m_keepers.Find(monitor);
    return keeper && keeper->monitor.advancedColor;
}

int32_t ProgramCore::ToggleSetting(CalibrationAction action)
{
    const bool extended = m_settings.extendedTables;
    const int32_t result = ToggleStoredSetting(m_settings, action, m_shell.Store());
    // A table only the setting allowed is not kept without it.
    if (extended && !m_settings.extendedTables)
        m_keepers.ForgetExtended();
    m_keepers.SetKeeping(m_settings.keepLoaded);
    for (MonitorView* window : Windows())
        window->SettingsChanged();
    UpdateTip();
    return result;
}

// ---- The tooltip ----

void ProgramCore::UpdateTip(bool force)
{
    if (!m_bResident)
        return;
    // Called after every look at the ramps: the lines are made anew only when what they
    // tell may have changed. A monitor that keeps nothing names its current profile,
    // which may change elsewhere at any time.
    std::string told = std::string(m_settings.extendedTables ? "x" : "-") + (m_settings.keepLoaded ? "k" : "-");
    // The paused-for name whole: every unit in two bytes.
    for (char16_t unit : m_pausedFor) {
        told += static_cast<char>(unit & 0xFF);
        told += static_cast<char>(unit >> 8);
    }
    told += '\n';
    for (const Keeper& keeper : m_keepers.Keepers()) {
        told += keeper.monitor.identity.adapterName + keeper.monitor.identity.deviceId + keeper.path + '|' +
                std::to_string(static_cast<int>(keeper.state)) + (keeper.monitor.advancedColor ? "h" : "");
        if (keeper.state != KeepState::Keeping) {
            std::string current;
            GetProfileNameUsingDeviceID(keeper.monitor.handle, &current, nullptr, nullptr);
            told += '|' + current;
        }
        told += '\n';
    }
    if (!force && !m_told.empty() && told == m_told)
        return;
    m_told = told;
    const std::vector<TrayStatus> states =
        TrayStatuses(m_keepers, m_settings.extendedTables, m_settings.keepLoaded, m_pausedFor);
    m_shell.ShowTip(TrayTipText(states), TrayWholeText(states));
}
