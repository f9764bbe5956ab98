; The Windows installer: tarnhold.exe, tarnhold-cli.exe, the help and the
; skin into Program Files, a Start-menu shortcut for every user, and an
; uninstaller that the system's list of installed programs names.
; scripts/package-windows stages the files, writes the lists of them and runs
;
;   makensis /DVERSION=x.y.z /DLISTS=<folder> /DOUTFILE=<setup.exe> /DWEBSITE=<address> tarnhold.nsi
;
; where <folder> holds install-files.nsh and uninstall-files.nsh: one list
; made from the staged tree for both, so the uninstaller removes exactly the
; files the installer put there. Setup /S installs without a window and
; /D=FOLDER (last on its command line) installs elsewhere; uninstall.exe /S
; removes without a window.

!ifndef VERSION | LISTS | OUTFILE | WEBSITE
  !error "run through scripts/package-windows, which defines VERSION, LISTS, OUTFILE and WEBSITE"
!endif

; The programs are 64-bit: a 64-bit installer sees the 64-bit Program Files
; and registry without redirection, and needs no 32-bit support on the system.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh

!define PRODUCT "Zorva Windows Live Mail Backup"
!define PUBLISHER "Zorva"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\tarnhold"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; A second installation goes where the first one is.
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" InstallLocation

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey FileDescription "${PRODUCT} Setup"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey LegalCopyright "GPL-3.0-or-later"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

; The program lives in Program Files for every user, so its shortcut does too.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section
  !include "${LISTS}/install-files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\tarnhold.exe" "" "$INSTDIR\tarnhold.exe" 0 \
    SW_SHOWNORMAL "" "${PRODUCT}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" URLInfoAbout "${WEBSITE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\tarnhold.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1
  SectionGetSize 0 $0  ; in KiB, as the list of programs counts
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" EstimatedSize $0
SectionEnd

Section Uninstall
  !include "${LISTS}/uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; What the program itself set up to start it later would otherwise start a
  ; program that is gone: the weekly task and the start-with-Windows entry.
  nsExec::Exec 'schtasks /Delete /TN "Zorva Windows Live Mail AutoBackup" /F'
  Pop $0
  DeleteRegValue HKCU "Software\Microsoft\Windows\CurrentVersion\Run" "Zorva Windows Live Mail Backup"
  ; Where Program Files can be written (a changed permission, Wine), the
  ; program keeps its settings.dat, brlog.dat, lastrun.dat and run.lock
  ; here. They hold the user's settings and the only record of past
  ; backups, so they stay, and the folder goes only when nothing is left in
  ; it. Backups are wherever the user chose and are never touched;
  ; nor is %LOCALAPPDATA%\tarnhold, the program's folder otherwise.
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*"
    DetailPrint "Kept the program's settings and log in $INSTDIR"
  ${EndIf}
SectionEnd
