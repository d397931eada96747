// Win32 only: the calibration side of a monitor window.
#include "ui/monitor_calibration.h"

#include "report/resource_strings.h"
#include "res/resource.h"

void MonitorCalibration::AddCommands(HWND window) const
{
    HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu)
        return;
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    for (const CalibrationCommand& command : kCalibrationCommands)
        ::AppendMenuA(menu, MF_STRING, command.id, GetResourceString(command.stringId));
    // The window's own command, which the window carries out (OnShowCurves).
    ::AppendMenuA(menu, MF_STRING, IDM_SHOW_CURVES, GetResourceString(IDS_CMD_SHOW_CURVES));
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

bool MonitorCalibration::Command(HWND window, MonitorView& view, UINT id, MonitorHandle monitor,
                                 const std::string& path, const std::string& monitorName) const
{
    const CalibrationCommand* command = FindCalibrationCommand(id);
    if (!command)
        return false;
    if (command->needsSelection && path.empty())
        return true;
    switch (command->action) {
    case CalibrationAction::Reload:
        m_host.Reload(monitor, path);
        break;
    case CalibrationAction::Verify: {
        const VerifyAnswer answer =
            VerifyCalibration(monitor, path, monitorName, CurrentSettings().extendedTables, IsAdvancedColor(monitor),
                              m_host.KeepStateOf(monitor), CurrentSettings().keepLoaded);
        ShowMessage(window, answer.text, answer.warning ? MB_ICONWARNING : MB_ICONINFORMATION);
        break;
    }
    case CalibrationAction::Reset:
        m_host.Reset(view, monitor, path);
        break;
    case CalibrationAction::KeepLoaded:
    case CalibrationAction::LoadAtLogon:
    case CalibrationAction::ExtendedTables:
        if (int32_t result = m_host.ToggleSetting(command->action))
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
