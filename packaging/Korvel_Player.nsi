; Korvel_Player-setup.exe: installs Korvel Player for the current user, with
; no administrator rights, into the user's local programs folder. The program
; writes into its own folder (new containers, CrcLog.dat, everything under
; Export), which "Program Files" forbids to ordinary users; those are the
; user's files, so neither an upgrade nor the uninstaller ever touches them:
; the uninstaller removes exactly what the setup installed.
;
; makensis /DVERSION=<version> /DPROGRAM=<folder with Korvel_Player.exe and the help file>
;          /DICON=<program icon> /DOUTFILE=<Korvel_Player-setup.exe> Korvel_Player.nsi

; The program is a 64-bit program; so is its setup (which also runs where only 64-bit Windows programs do).
Target amd64-unicode
!include "MUI2.nsh"
!include "FileFunc.nsh"

!define NAME "Korvel Player"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvel_Player"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Korvel_Player"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Korvel Player"
  SetOutPath "$INSTDIR"
  ; An upgrade overwrites these and nothing else.
  File "${PROGRAM}\Korvel_Player.exe"
  File "${PROGRAM}\Korvel_Player-help.chm"
  CreateDirectory "$INSTDIR\Export\Conversions"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\Korvel_Player.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Korvel Player developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Korvel_Player.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Korvel_Player.exe"
  Delete "$INSTDIR\Korvel_Player-help.chm"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\${NAME}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Folders go only when nothing of the user's is left in them.
  RMDir "$INSTDIR\Export\Conversions"
  RMDir "$INSTDIR\Export"
  RMDir "$INSTDIR"
  IfFileExists "$INSTDIR\*.*" 0 +3
    DetailPrint "Your files were kept in $INSTDIR"
    MessageBox MB_OK|MB_ICONINFORMATION "${NAME} was removed. Your containers and exports were kept in $INSTDIR." /SD IDOK
SectionEnd
