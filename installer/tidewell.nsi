; The setup program: installs the plug-in into the player's Plugins folder and its tools,
; guide and uninstaller into Plugins\Tidewell, and registers an uninstall entry.
;
; Built by scripts/build-installer, which passes
;   VERSION  the release version (1.2.3)
;   STAGE    the folder holding the release files (scripts/stage-release)
;   OUTFILE  where setup.exe goes
;
; Exit codes: 0 done, 1 cancelled by the user, 2 the player is running (nothing changed) or
; the setup was stopped before it changed anything.

Unicode true

!ifndef VERSION | STAGE | OUTFILE
  !error "define VERSION, STAGE and OUTFILE (scripts/build-installer does)"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Quorvex Tidewell"
!define PUBLISHER "Quorvex"
!define ENTRY_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tidewell"
!define PLAYER_KEY "Software\Winamp"
!define PLAYER_WINDOW_CLASS "Winamp v1.x"
!define PLUGIN_DLL "dsp_qxtidewell.dll"
!define SETTINGS_FILE "QXWTidewell.ini"
!define TOOLS_FOLDER "Plugins\Tidewell"
!define UNINSTALLER "Uninstall.exe"
!define EXIT_PLAYER_RUNNING 2

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
; Standard users install for themselves, administrators for every user of the machine.
RequestExecutionLevel highest

; The player's folder: /D= on the command line wins, then the folder the player's own
; installer recorded, then the usual place.
InstallDir "$PROGRAMFILES\Winamp"
InstallDirRegKey HKCU "${PLAYER_KEY}" ""

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT} setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "Copyright (C) 2026 Tidewell"

!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup installs Tidewell into the Plugins folder of your player. \
The folder below is where the player was found; if your player lives elsewhere, choose its folder \
(the one that holds its Plugins folder)."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Player folder"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckPlayerFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The player keeps its plug-ins loaded (and their files locked) while it runs. Interactively
; the user may close it and retry; silently, or on Cancel, setup ends with exit code 2
; before it has changed anything.
!macro DEFINE_WAIT_FOR_PLAYER_CLOSED PREFIX ACTION
  Function ${PREFIX}WaitForPlayerClosed
    ${Do}
      FindWindow $0 "${PLAYER_WINDOW_CLASS}"
      ${IfThen} $0 == 0 ${|} Return ${|}
      ${IfNot} ${Silent}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "The player is running, and Tidewell cannot be \
${ACTION} while it is.$\r$\n$\r$\nClose the player, then choose Retry. Cancel leaves everything as it is." \
          IDRETRY retry
      ${EndIf}
      SetErrorLevel ${EXIT_PLAYER_RUNNING}
      Quit
      retry:
    ${Loop}
  FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_FOR_PLAYER_CLOSED "" "installed"
!insertmacro DEFINE_WAIT_FOR_PLAYER_CLOSED "un." "removed"

; A folder without a Plugins folder is most likely not the player's: say so before installing.
Function CheckPlayerFolder
  ${IfNot} ${FileExists} "$INSTDIR\Plugins\*.*"
  ${AndIf} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$INSTDIR has no Plugins folder, \
so the player is probably not there.$\r$\n$\r$\nInstall there anyway?" IDNO`
    Abort
  ${EndIf}
FunctionEnd

Function .onInit
  Call WaitForPlayerClosed
FunctionEnd

; The uninstall entry goes to HKLM (SHCTX under "all") for an administrator, to HKCU otherwise.
Function ChooseEntryRoot
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Section "Tidewell"
  ; Asked again: the player may have been started while the directory page was open.
  Call WaitForPlayerClosed
  Call ChooseEntryRoot

  ; Files are replaced as they are; the settings file (QXWTidewell.ini beside the plug-in)
  ; is not one of them, so an upgrade keeps the settings and the stack.
  SetOutPath "$INSTDIR\Plugins"
  File "${STAGE}\${PLUGIN_DLL}"
  SetOutPath "$INSTDIR\${TOOLS_FOLDER}"
  File "${STAGE}\tidewell-remote.exe"
  File "${STAGE}\tidewell-web.exe"
  File "${STAGE}\tidewell-host.exe"
  File "${STAGE}\user-guide.md"
  File "${STAGE}\web-panel-phone.png"
  WriteUninstaller "$INSTDIR\${TOOLS_FOLDER}\${UNINSTALLER}"

  ${GetSize} "$INSTDIR\${TOOLS_FOLDER}" "/S=0K" $1 $2 $3
  ${GetSize} "$INSTDIR\Plugins" "/M=${PLUGIN_DLL} /S=0K /G=0" $4 $2 $3
  IntOp $1 $1 + $4
  WriteRegStr SHCTX "${ENTRY_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${ENTRY_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${ENTRY_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${ENTRY_KEY}" "UninstallString" '"$INSTDIR\${TOOLS_FOLDER}\${UNINSTALLER}"'
  WriteRegStr SHCTX "${ENTRY_KEY}" "InstallLocation" "$INSTDIR\${TOOLS_FOLDER}"
  WriteRegDWORD SHCTX "${ENTRY_KEY}" "EstimatedSize" $1
SectionEnd

Function un.onInit
  Call un.WaitForPlayerClosed
FunctionEnd

; Removes the entry under ROOT when it is this installation's (another folder's entry stays).
!macro REMOVE_ENTRY_IF_OURS ROOT
  ReadRegStr $0 ${ROOT} "${ENTRY_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey ${ROOT} "${ENTRY_KEY}"
  ${EndIf}
!macroend

; The uninstaller runs from Plugins\Tidewell ($INSTDIR) and removes exactly what setup put
; there; other plug-ins and the player's own files stay.
Section "Uninstall"
  Call un.WaitForPlayerClosed
  ${GetParent} "$INSTDIR" $R0

  Delete "$R0\${PLUGIN_DLL}"
  Delete "$INSTDIR\tidewell-remote.exe"
  Delete "$INSTDIR\tidewell-web.exe"
  Delete "$INSTDIR\tidewell-host.exe"
  Delete "$INSTDIR\user-guide.md"
  Delete "$INSTDIR\web-panel-phone.png"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Not recursive: anything the user put in the folder keeps it.
  RMDir "$INSTDIR"

  ${If} ${FileExists} "$R0\${SETTINGS_FILE}"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Also remove Tidewell's settings \
($R0\${SETTINGS_FILE})?$\r$\n$\r$\nKeep them if you may install Tidewell again." /SD IDNO IDNO keep
    Delete "$R0\${SETTINGS_FILE}"
    keep:
  ${EndIf}

  !insertmacro REMOVE_ENTRY_IF_OURS HKLM
  !insertmacro REMOVE_ENTRY_IF_OURS HKCU
SectionEnd
