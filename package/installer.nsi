; The installer for one user, made by the package target beside the zip
; (package/installer.cmake runs makensis on the files the zip holds):
;
;   makensis -DVERSION=<x.y.z.w> -DPRODUCT_CODE=<Kestrava> -DSTAGE=<the zip's files> -DICON=<kestrava.ico>
;            -DOUTFILE=<kestrava-x.y.z.w-win64-setup.exe> -DRESOURCES=<res>
;            -DTEXTS=<the program's texts, made from res> [-DSIGN=<command>] installer.nsi
;
; It needs no administrator rights: it installs into the user's own profile
; (%LOCALAPPDATA%\Programs\Kestrava), adds a Start-menu shortcut and an entry in the
; user's list of installed programs, and takes /S (silent) and /D=<folder>. Installed
; again it updates in place, keeping the settings and bringing a running copy back as it
; was; over a newer version it asks first (silently, it refuses). Its
; uninstaller removes everything the program and the installer wrote, and nothing else.
;
; SIGN, when defined, is a command that signs the file %1 in place: makensis runs it on
; the uninstaller it stores in the installer and on the installer it writes.

!ifndef VERSION
!error "VERSION is not defined (makensis -DVERSION=...)"
!endif
!ifndef PRODUCT_CODE
!error "PRODUCT_CODE is not defined: the name of the installer's key under Uninstall"
!endif
!ifndef STAGE
!error "STAGE is not defined: the folder of the files to install"
!endif
!ifndef ICON
!error "ICON is not defined: the program's icon"
!endif
!ifndef OUTFILE
!error "OUTFILE is not defined"
!endif
!ifndef RESOURCES
!error "RESOURCES is not defined: the folder of the program's resource scripts and resource.h"
!endif
!ifndef TEXTS
!error "TEXTS is not defined: the program's texts, TRAY_EXIT_EN, APP_EXIT_EN, TRAY_EXIT_DE, APP_EXIT_DE"
!endif

!ifdef SIGN
!uninstfinalize '${SIGN}' = 0
!finalize '${SIGN}' = 0
!endif

Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID /FINAL lzma
; No file times in the installer: the same files always make the same installer, and
; the installed files carry the time they were installed.
SetDateSave off
CRCCheck on

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include Sections.nsh
!include WinMessages.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define PRODUCT_KEY "${UNINSTALL_KEY}\${PRODUCT_CODE}"
!define SETTINGS_KEY "Software\Kestrava"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Windows' own switch for a logon entry (Task Manager, Settings), a value of the same name.
!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
!define PUBLISHER "The Kestrava developers"
; A running copy has a hidden window of the class KESTRAVA_PROGRAM_CLASS; "Exit" in its
; icon's menu (IDM_TRAY_EXIT) ends it, whether it is resident or has windows. Both as
; res/resource.h defines them; the texts as the resource scripts say them.
!searchparse /file "${RESOURCES}/resource.h" '#define KESTRAVA_PROGRAM_CLASS "' PROGRAM_CLASS '"'
!searchparse /file "${RESOURCES}/resource.h" '#define IDM_TRAY_EXIT ' PROGRAM_EXIT
; Asked, it says what it is doing: resident, quiet, with windows open.
!searchparse /file "${RESOURCES}/resource.h" '#define KESTRAVA_MSG_STATE ' PROGRAM_STATE
!searchparse /file "${RESOURCES}/resource.h" '#define KESTRAVA_STATE_RESIDENT ' STATE_RESIDENT
!searchparse /file "${RESOURCES}/resource.h" '#define KESTRAVA_STATE_QUIET ' STATE_QUIET
!searchparse /file "${RESOURCES}/resource.h" '#define KESTRAVA_STATE_WINDOWS ' STATE_WINDOWS
!include "${TEXTS}"
; How long a copy asked to exit is given to end.
!define EXIT_WAIT_MS 15000
; How often a copy without the program's window has its windows confirmed again.
!define CONFIRM_AGAIN_MS 250
; How long a running copy is given to say what it is doing.
!define STATE_WAIT_MS 2000
; How long the updated program, started resident, is given to show its window before
; its windows are asked for.
!define RESTART_WAIT_MS 10000
; How long the uninstaller's clean-up copy waits for the uninstaller to end.
!define CLEANUP_WAIT_MS 30000
; Exit codes beside NSIS's own (0 done, 1 cancelled by the user, 2 stopped by NSIS):
; a running copy of Kestrava did not end, a file could not be written or removed, and
; a newer version is installed (the installer changed nothing).
!define EXIT_STILL_RUNNING 3
!define EXIT_FILE_FAILED 4
!define EXIT_NEWER_INSTALLED 5

!define IDOK 1
!define SYNCHRONIZE 0x00100000
!define DELETE 0x00010000
!define GENERIC_WRITE 0x40000000
!define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
!define SMTO_ABORTIFHUNG 0x2
!define FILE_ATTRIBUTE_READONLY 0x1
!define FILE_SHARE_READ 0x1
!define FILE_SHARE_WRITE 0x2
!define FILE_SHARE_DELETE 0x4
!define OPEN_EXISTING 3
!define FILE_FLAG_DELETE_ON_CLOSE 0x04000000

Name "Kestrava"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Kestrava"
BrandingText "Kestrava ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Kestrava"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Kestrava setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT licence, ${PUBLISHER}"

Var WasRunning      ; 1 once a running copy was asked to exit and ended
Var RunningState    ; what the first copy with a window was doing (STATE_*), -1 when it did not say
Var MadeFolder      ; the uninstaller: the highest folder the installer made above the program's

; ---- Pages ------------------------------------------------------------------------------

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipFolderWhenInstalled
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\kestrava.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString ProgramSection ${LANG_ENGLISH} "Kestrava"
LangString ProgramSection ${LANG_GERMAN} "Kestrava"
LangString ProgramText ${LANG_ENGLISH} "The program, its help page and its licence, with a shortcut in Start."
LangString ProgramText ${LANG_GERMAN} "Das Programm, seine Hilfeseite und seine Lizenz, mit einer Verknüpfung in Start."
LangString GermanSection ${LANG_ENGLISH} "German texts"
LangString GermanSection ${LANG_GERMAN} "Deutsche Texte"
LangString GermanText ${LANG_ENGLISH} "Shows Kestrava's windows and messages in German."
LangString GermanText ${LANG_GERMAN} "Zeigt Kestravas Fenster und Meldungen auf Deutsch."
LangString ShortcutText ${LANG_ENGLISH} "Makes a monitor profile the default and loads its calibration"
LangString ShortcutText ${LANG_GERMAN} "Macht ein Monitorprofil zum Standard und lädt seine Kalibrierung"
LangString StillRunning ${LANG_ENGLISH} "Kestrava is still running and did not end when asked.$\r$\n$\r$\nEnd it (${TRAY_EXIT_EN} in its icon's menu, or ${APP_EXIT_EN} in a window's menu), then choose Retry."
LangString StillRunning ${LANG_GERMAN} "Kestrava läuft noch und hat sich nicht beenden lassen.$\r$\n$\r$\nBeenden Sie es (${TRAY_EXIT_DE} im Menü seines Symbols oder ${APP_EXIT_DE} im Menü eines Fensters) und wählen Sie dann Wiederholen."
LangString NewerInstalled ${LANG_ENGLISH} "Kestrava $R0 is installed, which is newer than this version, ${VERSION}.$\r$\n$\r$\nInstall ${VERSION} in its place?"
LangString NewerInstalled ${LANG_GERMAN} "Kestrava $R0 ist installiert, eine neuere Version als diese, ${VERSION}.$\r$\n$\r$\n${VERSION} an ihrer Stelle installieren?"
LangString FileFailed ${LANG_ENGLISH} "This file could not be written or removed; a program may have it open:"
LangString FileFailed ${LANG_GERMAN} "Diese Datei ließ sich nicht schreiben oder entfernen; ein Programm hat sie vielleicht geöffnet:"

; ---- What both sides share ---------------------------------------------------------------

; Asks each running copy of Kestrava in this session to end, so that its files can be
; replaced or removed, and waits for it to end, EXIT_WAIT_MS at most each: first every
; copy with the program's window, wherever its program is (as "Exit" in its icon's menu
; does), then every other process of the installed program ($INSTDIR\kestrava.exe: a
; /load waiting on its report, the usage box), whose windows are confirmed. Sets
; $WasRunning to 1 when a copy with the program's window ran, and $RunningState to what
; the first one said it was doing. A copy that does not end is reported (Retry or Cancel;
; silently, Cancel), and Cancel aborts with EXIT_STILL_RUNNING.
!macro DEFINE_END_RUNNING_COPIES prefix
Function ${prefix}EndRunningCopies
    Push $0
    Push $1
    Push $2
    Push $3
    ${Do}
        FindWindow $0 "${PROGRAM_CLASS}"
        ${If} $0 == 0
            ${Break}
        ${EndIf}
        ${If} $WasRunning != 1
            StrCpy $WasRunning 1
            System::Call 'user32::SendMessageTimeoutW(p r0, i ${PROGRAM_STATE}, p 0, p 0, i ${SMTO_ABORTIFHUNG}, \
                i ${STATE_WAIT_MS}, *p .r1) p .r2'
            ${If} $2 == 0
                StrCpy $1 -1
            ${EndIf}
            StrCpy $RunningState $1
        ${EndIf}
        System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
        System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
        SendMessage $0 ${WM_COMMAND} ${PROGRAM_EXIT} 0 $3 /TIMEOUT=5000
        ${If} $2 != 0
            System::Call 'kernel32::WaitForSingleObject(p r2, i ${EXIT_WAIT_MS}) i .r3'
            System::Call 'kernel32::CloseHandle(p r2)'
        ${Else}
            ; A process that cannot be waited for: its window is, as long.
            StrCpy $1 0
            ${Do}
                System::Call 'user32::IsWindow(p r0) i .r3'
                ${If} $3 == 0
                ${OrIf} $1 >= ${EXIT_WAIT_MS}
                    ${Break}
                ${EndIf}
                Sleep 100
                IntOp $1 $1 + 100
            ${Loop}
        ${EndIf}
        ${If} $3 != 0
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
            SetErrorLevel ${EXIT_STILL_RUNNING}
            Abort
          retry:
        ${EndIf}
    ${Loop}

    ; Every process there is, by its id.
    System::Alloc 65536
    Pop $0
    System::Call 'kernel32::K32EnumProcesses(p r0, i 65536, *i .r1) i .r2'
    ${If} $2 != 0
        StrCpy $2 0
        ${DoWhile} $2 < $1
            IntPtrOp $3 $0 + $2
            System::Call '*$3(i .r3)'
            Push $3
            Call ${prefix}EndInstalledCopy
            IntOp $2 $2 + 4
        ${Loop}
    ${EndIf}
    System::Free $0
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

; The process whose id is on the stack, when it runs the installed program: its visible
; windows are confirmed, and it is waited for.
Function ${prefix}EndInstalledCopy
    Exch $0
    Push $1
    Push $2
    Push $3
    Push $4
    System::Call 'kernel32::OpenProcess(i ${PROCESS_QUERY_LIMITED_INFORMATION}|${SYNCHRONIZE}, i 0, i r0) p .r1'
    ${If} $1 != 0
        System::Call 'kernel32::QueryFullProcessImageNameW(p r1, i 0, w .r2, *i ${NSIS_MAX_STRLEN}) i .r3'
        ${If} $3 != 0
        ${AndIf} $2 == "$INSTDIR\kestrava.exe"
          retry:
            ; Asked again each moment: one window answered may open the next (a report
            ; for each monitor).
            StrCpy $4 0
            ${Do}
                Push $0
                Call ${prefix}ConfirmWindowsOf
                System::Call 'kernel32::WaitForSingleObject(p r1, i ${CONFIRM_AGAIN_MS}) i .r3'
                ${If} $3 == 0
                    ${Break}
                ${EndIf}
                IntOp $4 $4 + ${CONFIRM_AGAIN_MS}
                ${If} $4 >= ${EXIT_WAIT_MS}
                    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
                    System::Call 'kernel32::CloseHandle(p r1)'
                    SetErrorLevel ${EXIT_STILL_RUNNING}
                    Abort
                ${EndIf}
            ${Loop}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

; Answers each visible top-level window of the process whose id is on the stack with OK,
; as the user does a report or a message box (which take no Cancel or Close).
Function ${prefix}ConfirmWindowsOf
    Exch $0
    Push $1
    Push $2
    Push $3
    StrCpy $1 0
    ${Do}
        FindWindow $1 "" "" 0 $1
        ${If} $1 == 0
            ${Break}
        ${EndIf}
        System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2) i'
        System::Call 'user32::IsWindowVisible(p r1) i .r3'
        ${If} $2 == $0
        ${AndIf} $3 != 0
            System::Call 'user32::PostMessageW(p r1, i ${WM_COMMAND}, p ${IDOK}, p 0)'
        ${EndIf}
    ${Loop}
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_END_RUNNING_COPIES ""
!insertmacro DEFINE_END_RUNNING_COPIES "un."

; Reports that the file on the stack could not be written or removed: Retry returns,
; Cancel (silently, always) aborts with EXIT_FILE_FAILED.
!macro DEFINE_FILE_FAILED prefix
Function ${prefix}FileFailed
    Exch $0
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(FileFailed)$\r$\n$\r$\n$0" /SD IDCANCEL IDRETRY retry
    SetErrorLevel ${EXIT_FILE_FAILED}
    Abort
  retry:
    Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_FILE_FAILED ""
!insertmacro DEFINE_FILE_FAILED "un."

; Fails (see FileFailed) while the file on the stack, when it is there, cannot be opened
; with the access under it (GENERIC_WRITE, DELETE): held open by a program that shares
; it not so, or read-only. Every file is looked at so before the first is changed.
!macro DEFINE_CHECK_FILE prefix
Function ${prefix}CheckFile
    Exch $0
    Exch
    Exch $1
    Push $2
    Push $3
    ${Do}
        ${IfNot} ${FileExists} $0
            ${Break}
        ${EndIf}
        ; Read-only is refused for writing as Windows refuses it, whatever the account.
        System::Call 'kernel32::GetFileAttributesW(w r0) i .r2'
        IntOp $2 $2 & ${FILE_ATTRIBUTE_READONLY}
        IntOp $3 $1 & ${GENERIC_WRITE}
        ${If} $2 == 0
        ${OrIf} $3 == 0
            System::Call 'kernel32::CreateFileW(w r0, i $1, i ${FILE_SHARE_READ}|${FILE_SHARE_WRITE}|${FILE_SHARE_DELETE}, \
                p 0, i ${OPEN_EXISTING}, i 0, p 0) p .r2'
            ${If} $2 != -1
                System::Call 'kernel32::CloseHandle(p r2)'
                ${Break}
            ${EndIf}
        ${EndIf}
        Push $0
        Call ${prefix}FileFailed
    ${Loop}
    Pop $3
    Pop $2
    Pop $1
    Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_CHECK_FILE ""
!insertmacro DEFINE_CHECK_FILE "un."
!macro CHECK_FILE prefix access path
    Push ${access}
    Push "${path}"
    Call ${prefix}CheckFile
!macroend

; Writes a file of the stage as <name> into $OUTDIR, or fails (see FileFailed).
!macro WRITE_FILE name source
    ${Do}
        ClearErrors
        File "/oname=${name}" "${source}"
        ${IfNot} ${Errors}
            ${Break}
        ${EndIf}
        Push "$OUTDIR\${name}"
        Call FileFailed
    ${Loop}
!macroend

; Deletes a file, or fails (see FileFailed); one that is not there is gone already.
!macro REMOVE_FILE prefix path
    ${Do}
        Delete "${path}"
        ${IfNot} ${FileExists} "${path}"
            ${Break}
        ${EndIf}
        Push "${path}"
        Call ${prefix}FileFailed
    ${Loop}
!macroend

; ---- Installing -------------------------------------------------------------------------

Section "!$(ProgramSection)" ProgramSection
    SectionIn RO
    SetShellVarContext current
    Call EndRunningCopies
    ; Nothing is changed before every file to change can be.
    !insertmacro CHECK_FILE "" ${GENERIC_WRITE} "$INSTDIR\kestrava.exe"
    !insertmacro CHECK_FILE "" ${GENERIC_WRITE}|${DELETE} "$INSTDIR\Res.dll"
    !insertmacro CHECK_FILE "" ${GENERIC_WRITE} "$INSTDIR\LICENSE.txt"
    !insertmacro CHECK_FILE "" ${GENERIC_WRITE} "$INSTDIR\Docs\infoID.htm"
    !insertmacro CHECK_FILE "" ${GENERIC_WRITE} "$INSTDIR\de\Res.dll"
    !insertmacro CHECK_FILE "" ${GENERIC_WRITE} "$INSTDIR\fr\Res.dll"
    !insertmacro CHECK_FILE "" ${GENERIC_WRITE} "$INSTDIR\es\Res.dll"
    !insertmacro CHECK_FILE "" ${GENERIC_WRITE} "$INSTDIR\uninstall.exe"

    ; A first install notes what it makes that may be shared: the folders above the
    ; program's, from the highest one that did not exist, and the user's list of
    ; installed programs. The uninstaller takes them away again when they are empty.
    ReadRegStr $R0 HKCU "${PRODUCT_KEY}" "InstallLocation"
    StrCpy $R1 ""
    StrCpy $R2 0
    ${If} $R0 == ""
        ${GetParent} "$INSTDIR" $0
        ${Do}
            ${If} $0 == ""
            ${OrIf} ${FileExists} "$0\*.*"
                ${Break}
            ${EndIf}
            StrCpy $R1 $0
            ${GetParent} "$0" $0
        ${Loop}
        ClearErrors
        EnumRegKey $0 HKCU "${UNINSTALL_KEY}" 0
        ${If} ${Errors}
            StrCpy $R2 1
        ${EndIf}
    ${EndIf}

    ; A file that cannot be written fails the install: none is skipped or kept old.
    SetOverwrite try
    SetOutPath "$INSTDIR"
    !insertmacro WRITE_FILE kestrava.exe "${STAGE}\kestrava.exe"
    !insertmacro WRITE_FILE LICENSE.txt "${STAGE}\LICENSE.txt"
    SetOutPath "$INSTDIR\Docs"
    !insertmacro WRITE_FILE infoID.htm "${STAGE}\Docs\infoID.htm"
    ; The language folders, always: the program takes the texts of the user's display
    ; language from them (README.txt, "Languages"); a Res.dll beside it comes first.
    SetOutPath "$INSTDIR\de"
    !insertmacro WRITE_FILE Res.dll "${STAGE}\de\Res.dll"
    SetOutPath "$INSTDIR\fr"
    !insertmacro WRITE_FILE Res.dll "${STAGE}\fr\Res.dll"
    SetOutPath "$INSTDIR\es"
    !insertmacro WRITE_FILE Res.dll "${STAGE}\es\Res.dll"
    ${Do}
        ClearErrors
        WriteUninstaller "$INSTDIR\uninstall.exe"
        ${IfNot} ${Errors}
            ${Break}
        ${EndIf}
        Push "$INSTDIR\uninstall.exe"
        Call FileFailed
    ${Loop}

    ; The shortcut starts the program in its folder (the help page is looked for on
    ; that folder's drive).
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\Kestrava.lnk" "$INSTDIR\kestrava.exe" "" "$INSTDIR\kestrava.exe" 0 \
        SW_SHOWNORMAL "" "$(ShortcutText)"

    ${If} $R1 != ""
        WriteRegStr HKCU "${PRODUCT_KEY}" "MadeFolder" "$R1"
    ${EndIf}
    ${If} $R2 == 1
        WriteRegDWORD HKCU "${PRODUCT_KEY}" "MadeUninstallKey" 1
    ${EndIf}
    WriteRegStr HKCU "${PRODUCT_KEY}" "DisplayName" "Kestrava"
    WriteRegStr HKCU "${PRODUCT_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${PRODUCT_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${PRODUCT_KEY}" "DisplayIcon" "$INSTDIR\kestrava.exe,0"
    WriteRegStr HKCU "${PRODUCT_KEY}" "InstallLocation" "$INSTDIR"
    ; "_?=" runs the uninstaller where it is, to its end (see un.onInit).
    WriteRegStr HKCU "${PRODUCT_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" _?=$INSTDIR'
    WriteRegStr HKCU "${PRODUCT_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
    WriteRegDWORD HKCU "${PRODUCT_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${PRODUCT_KEY}" "NoRepair" 1

    ; A logon entry names the program's folder: one left by a copy elsewhere (the zip,
    ; unpacked into Downloads) now starts the installed program, with its own switches.
    ReadRegStr $0 HKCU "${RUN_KEY}" "Kestrava"
    StrCpy $1 $0 1
    ${If} $1 == '"'
        StrCpy $2 1
        ${Do}
            StrCpy $1 $0 1 $2
            IntOp $2 $2 + 1
            ${If} $1 == '"'
            ${OrIf} $1 == ""
                ${Break}
            ${EndIf}
        ${Loop}
        ${If} $1 == '"'
            StrCpy $1 $0 "" $2
            WriteRegStr HKCU "${RUN_KEY}" "Kestrava" '"$INSTDIR\kestrava.exe"$1'
        ${EndIf}
    ${EndIf}
SectionEnd

Section /o "$(GermanSection)" GermanSection
    ; Res.dll beside the program replaces its texts, whatever the display language
    ; (README.txt, "Deutsch / German").
    SetOutPath "$INSTDIR"
    !insertmacro WRITE_FILE Res.dll "${STAGE}\de\Res.dll"
SectionEnd

Section "-Finish"
    ${IfNot} ${SectionIsSelected} ${GermanSection}
        !insertmacro REMOVE_FILE "" "$INSTDIR\Res.dll"
    ${EndIf}
    SectionGetSize ${ProgramSection} $0
    ${If} ${SectionIsSelected} ${GermanSection}
        SectionGetSize ${GermanSection} $1
        IntOp $0 $0 + $1
    ${EndIf}
    WriteRegDWORD HKCU "${PRODUCT_KEY}" "EstimatedSize" $0

    Call RestoreRunningCopy
SectionEnd

; The updated program started as the copy that ran was: resident (with /quiet when it
; was), with its windows open, or both; resident when it did not say; nothing when none ran.
Function RestoreRunningCopy
    ${If} $WasRunning != 1
    ${OrIf} $RunningState == 0
        Return
    ${EndIf}
    SetOutPath "$INSTDIR"
    ${If} $RunningState == -1
        StrCpy $RunningState ${STATE_RESIDENT}
    ${EndIf}
    IntOp $0 $RunningState & ${STATE_RESIDENT}
    ${If} $0 != 0
        IntOp $0 $RunningState & ${STATE_QUIET}
        ${If} $0 != 0
            Exec '"$INSTDIR\kestrava.exe" /tray /quiet'
        ${Else}
            Exec '"$INSTDIR\kestrava.exe" /tray'
        ${EndIf}
        IntOp $0 $RunningState & ${STATE_WINDOWS}
        ${If} $0 == 0
            Return
        ${EndIf}
        ; Its windows are asked of it once it runs (a start while it runs opens them).
        StrCpy $1 0
        ${Do}
            FindWindow $0 "${PROGRAM_CLASS}"
            ${If} $0 != 0
            ${OrIf} $1 >= ${RESTART_WAIT_MS}
                ${Break}
            ${EndIf}
            Sleep 100
            IntOp $1 $1 + 100
        ${Loop}
    ${EndIf}
    IntOp $0 $RunningState & ${STATE_WINDOWS}
    ${If} $0 != 0
        Exec '"$INSTDIR\kestrava.exe"'
    ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${ProgramSection} "$(ProgramText)"
    !insertmacro MUI_DESCRIPTION_TEXT ${GermanSection} "$(GermanText)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    SetShellVarContext current
    StrCpy $WasRunning 0
    StrCpy $RunningState ""
    ; A newer version installed is replaced only when the user says so; silently, never.
    ReadRegStr $R0 HKCU "${PRODUCT_KEY}" "DisplayVersion"
    ${If} $R0 != ""
        ${VersionCompare} "$R0" "${VERSION}" $0
        ${If} $0 == 1
            MessageBox MB_YESNO|MB_ICONQUESTION "$(NewerInstalled)" /SD IDNO IDYES replace
            SetErrorLevel ${EXIT_NEWER_INSTALLED}
            Quit
          replace:
        ${EndIf}
    ${EndIf}
    ; An update replaces the installed copy, wherever /D= points.
    ReadRegStr $0 HKCU "${PRODUCT_KEY}" "InstallLocation"
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
    ; An update keeps the German texts where they were chosen.
    ${If} ${FileExists} "$INSTDIR\Res.dll"
        !insertmacro SelectSection ${GermanSection}
    ${EndIf}
FunctionEnd

; An update goes into the installed copy's folder: there is nothing to choose.
Function SkipFolderWhenInstalled
    ReadRegStr $0 HKCU "${PRODUCT_KEY}" "InstallLocation"
    ${If} $0 != ""
        Abort
    ${EndIf}
FunctionEnd

; ---- Uninstalling -----------------------------------------------------------------------

; The uninstaller does all its work in its own process and ends with its result. A
; program cannot delete its own file while it runs: so, last, it starts a copy of itself
; in the temporary folder, opened for deletion on close (Windows deletes the copy when
; its process ends). That copy, given /CLEANUP=<process id>, waits for the uninstaller to
; end, deletes the uninstaller's file and removes its folder only when that is empty
; (see un.onUninstSuccess and un.CleanUp).
Function un.onInit
    SetShellVarContext current
    StrCpy $WasRunning 0
    StrCpy $MadeFolder ""
    ${un.GetParameters} $0
    ClearErrors
    ${un.GetOptions} $0 "/CLEANUP=" $1
    ${IfNot} ${Errors}
        Call un.CleanUp
        SetErrorLevel 0
        Quit
    ${EndIf}
FunctionEnd

; The clean-up copy: $0 its parameters, $1 the uninstaller's process, $INSTDIR the
; uninstaller's folder, /FILE= its file there and /MADE= the folders to remove above it.
Function un.CleanUp
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i $1) p .r2'
    ${If} $2 != 0
        System::Call 'kernel32::WaitForSingleObject(p r2, i ${CLEANUP_WAIT_MS}) i'
        System::Call 'kernel32::CloseHandle(p r2)'
    ${EndIf}
    ${un.GetOptions} $0 "/FILE=" $1
    ${un.GetOptions} $0 "/MADE=" $MadeFolder
    ${If} $1 != ""
        Delete "$INSTDIR\$1"
    ${EndIf}
    Call un.RemoveFolders
FunctionEnd

; Removes the program's folder when it is empty, and the folders the installer made
; above it ($MadeFolder) as long as they are empty.
Function un.RemoveFolders
    Push $0
    Push $1
    SetOutPath "$TEMP"
    RMDir "$INSTDIR"
    StrLen $0 $MadeFolder
    StrCpy $1 "$INSTDIR" $0
    ${If} $MadeFolder != ""
    ${AndIf} $1 == $MadeFolder
        ${un.GetParent} "$INSTDIR" $1
        ${Do}
            RMDir "$1"
            ${If} $1 == $MadeFolder
            ${OrIf} $1 == ""
                ${Break}
            ${EndIf}
            ${un.GetParent} "$1" $1
        ${Loop}
    ${EndIf}
    Pop $1
    Pop $0
FunctionEnd

Section "Uninstall"
    SetShellVarContext current
    Call un.EndRunningCopies
    ; Nothing is removed before every file to remove can be.
    !insertmacro CHECK_FILE un. ${DELETE} "$INSTDIR\kestrava.exe"
    !insertmacro CHECK_FILE un. ${DELETE} "$INSTDIR\Res.dll"
    !insertmacro CHECK_FILE un. ${DELETE} "$INSTDIR\LICENSE.txt"
    !insertmacro CHECK_FILE un. ${DELETE} "$INSTDIR\Docs\infoID.htm"
    !insertmacro CHECK_FILE un. ${DELETE} "$INSTDIR\de\Res.dll"
    !insertmacro CHECK_FILE un. ${DELETE} "$INSTDIR\fr\Res.dll"
    !insertmacro CHECK_FILE un. ${DELETE} "$INSTDIR\es\Res.dll"
    !insertmacro CHECK_FILE un. ${DELETE} "$SMPROGRAMS\Kestrava.lnk"

    ; A file that cannot be removed fails the uninstall, the program's file first: what
    ; is left stays with the entry that uninstalls it.
    !insertmacro REMOVE_FILE un. "$INSTDIR\kestrava.exe"
    !insertmacro REMOVE_FILE un. "$INSTDIR\Res.dll"
    !insertmacro REMOVE_FILE un. "$INSTDIR\LICENSE.txt"
    !insertmacro REMOVE_FILE un. "$INSTDIR\Docs\infoID.htm"
    RMDir "$INSTDIR\Docs"
    !insertmacro REMOVE_FILE un. "$INSTDIR\de\Res.dll"
    RMDir "$INSTDIR\de"
    !insertmacro REMOVE_FILE un. "$INSTDIR\fr\Res.dll"
    RMDir "$INSTDIR\fr"
    !insertmacro REMOVE_FILE un. "$INSTDIR\es\Res.dll"
    RMDir "$INSTDIR\es"
    !insertmacro REMOVE_FILE un. "$SMPROGRAMS\Kestrava.lnk"
    ; The uninstaller in the program's folder, unless it is this process (then its
    ; clean-up copy removes it).
    ${If} $EXEDIR != $INSTDIR
        !insertmacro REMOVE_FILE un. "$INSTDIR\uninstall.exe"
    ${EndIf}

    ; What the program wrote: its settings and its logon entry, with Windows' switch for it.
    DeleteRegValue HKCU "${RUN_KEY}" "Kestrava"
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "Kestrava"
    DeleteRegKey HKCU "${SETTINGS_KEY}"

    ReadRegStr $MadeFolder HKCU "${PRODUCT_KEY}" "MadeFolder"
    ReadRegDWORD $1 HKCU "${PRODUCT_KEY}" "MadeUninstallKey"
    DeleteRegKey HKCU "${PRODUCT_KEY}"
    ${If} $1 == 1
        DeleteRegKey /ifempty HKCU "${UNINSTALL_KEY}"
    ${EndIf}

    ${If} $EXEDIR != $INSTDIR
        Call un.RemoveFolders
    ${EndIf}
SectionEnd

; Once the uninstall has succeeded, just before this process ends: the clean-up copy
; for its own file, the uninstaller in the program's folder or NSIS's copy of it in a
; folder ~nsu*.tmp of the temporary folder (when uninstall.exe was run without _?=).
Function un.onUninstSuccess
    ${un.GetFileName} "$EXEPATH" $4
    ${If} $EXEDIR == $INSTDIR
        StrCpy $0 $MadeFolder
    ${Else}
        ${un.GetFileName} "$EXEDIR" $0
        StrCpy $0 $0 4
        ${un.GetParent} "$EXEDIR" $1
        ${If} $0 != "~nsu"
        ${OrIf} $1 != $TEMP
            Return
        ${EndIf}
        StrCpy $0 ""
    ${EndIf}

    System::Call 'kernel32::GetCurrentProcessId() i .r1'
    StrCpy $2 "$TEMP\Kestrava-uninstall-$1.exe"
    System::Call 'kernel32::CopyFileW(w "$EXEPATH", w r2, i 0) i .r3'
    ${If} $3 == 0
        Return
    ${EndIf}
    System::Call 'kernel32::CreateFileW(w r2, i ${DELETE}, i ${FILE_SHARE_READ}|${FILE_SHARE_DELETE}, p 0, \
        i ${OPEN_EXISTING}, i ${FILE_FLAG_DELETE_ON_CLOSE}, p 0) p .r3'
    ${If} $3 == -1
        Delete $2
        Return
    ${EndIf}
    SetOutPath "$TEMP"
    Exec '"$2" /S /CLEANUP=$1 /FILE="$4" /MADE="$0" _?=$EXEDIR'
    System::Call 'kernel32::CloseHandle(p r3)'
FunctionEnd
