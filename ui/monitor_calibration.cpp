// Win32 only: the calibration side of a monitor window.
#include "ui/monitor_calibration.h"

#include "fw/app.h"
#include "report/resource_strings.h"

namespace {

const Settings kDefaultSettings{};

}  // namespace

MonitorCalibration::MonitorCalibration() : m_pHost(dynamic_cast<MonitorWindowHost*>(fw::App::Current())) {}

const Settings& MonitorCalibration::CurrentSettings() const
{
    return m_pHost ? m_pHost->CurrentSettings() : kDefaultSettings;
}

void MonitorCalibration::AddCommands(HWND window) const
{
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu)
        return;
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    for (const CalibrationCommand& command : kCalibrationCommands)
        ::AppendMenuA(menu, MF_STRING, command.id, GetResourceString(command.stringId));
}

void MonitorCalibration::UpdateCommands(HWND window, bool hasSelection) const
{
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu)
        return;
    // The marks say what is so now, whichever window changed it.
    for (const CalibrationCommand& command : kCalibrationCommands) {
        const CommandState state = StateOf(command, CurrentSettings(), hasSelection);
        ::CheckMenuItem(menu, command.id, MF_BYCOMMAND | (state.checked ? MF_CHECKED : MF_UNCHECKED));
        ::EnableMenuItem(menu, command.id, MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void MonitorCalibration::Apply(MonitorHandle monitor, const std::string& path, bool select) const
{
    const bool extended = CurrentSettings().extendedTables;
    int32_t messageId = 0;
    LoadedRamp loaded;
    const int32_t result = select ? SetDefaultProfile(monitor, path.c_str(), 1, messageId, extended, &loaded)
                                  : LoadCalibration(monitor, path.c_str(), messageId, extended, &loaded);
    if (m_pHost) {
        if (result == 0)
            m_pHost->CalibrationLoaded(monitor, path, loaded);
        else
            m_pHost->CalibrationFailed(monitor);
    }
    // A failure before the calibration step has been reported where it happened and
    // leaves no message id: one report is enough.
    if (result != 0 && messageId != 0)
        ReportCalibrationFailure(monitor, path.c_str(), messageId, result);
}

bool MonitorCalibration::Command(HWND window, UINT id, MonitorHandle monitor, const std::string& path,
                                 const std::string& monitorName) const
{
    const CalibrationCommand* command = FindCalibrationCommand(id);
    if (!command)
        return false;
    if (!m_pHost || (command->needsSelection && path.empty()))
        return true;
    switch (command->action) {
    case CalibrationAction::Reload:
        Apply(monitor, path, false);
        break;
    case CalibrationAction::Verify: {
        const VerifyAnswer answer = VerifyCalibration(monitor, path, monitorName, CurrentSettings().extendedTables,
                                                      IsAdvancedColor(monitor), m_pHost->KeepStateOf(monitor));
        ShowMessage(window, answer.text, answer.warning ? MB_ICONWARNING : MB_ICONINFORMATION);
        break;
    }
    case CalibrationAction::Reset: {
        // Where HDR is on, the ramp is not the program's to write, the linear one included.
        if (IsAdvancedColor(monitor))
            break;
        // Refused, keeping stops all the same, as the user asked; the report names the
        // selected profile, as a refused Reload would.
        LoadedRamp linear;
        if (ResetToLinear(monitor, path.c_str(), linear) == 0)
            m_pHost->RampReset(monitor, linear);
        else
            m_pHost->CalibrationFailed(monitor);
        break;
    }
    case CalibrationAction::KeepLoaded:
    case CalibrationAction::LoadAtLogon:
    case CalibrationAction::ExtendedTables:
        if (int32_t result = m_pHost->ToggleSetting(command->action))
            ShowMessage(window, SettingNotSavedText(result), MB_ICONWARNING);
        break;
    }
    return true;
}

void MonitorCalibration::ShowMessage(HWND window, const std::string& text, UINT type)
{
    char caption[256] = {};
    ::GetWindowTextA(window, caption, static_cast<int>(sizeof caption));
    DWORD front = 0;
    if (HWND foreground = ::GetForegroundWindow())
        ::GetWindowThreadProcessId(foreground, &front);
    const bool behind = front != 0 && front != ::GetCurrentProcessId();
    ::MessageBoxA(window, text.c_str(), caption, MB_OK | type | (behind ? MB_NOFOCUS : 0));
}
