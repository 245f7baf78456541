; The Windows installer of Velmora! for 64-bit Windows. scripts/build-windows
; compiles it with makensis and these defines:
;   VERSION    the project's version (1.2.3)
;   LAUNCHER   the launcher's velmora.scr, which goes into System32
;   ICON       the program's icon
;   FILES      an include file that installs the program's folder:
;              CreateDirectory and File lines (velmora.scr, its DLLs, data\)
;   UNFILES    an include file that removes exactly those files and folders
;   OUTFILE    the setup program to write
; Switches: /S installs silently; /CURRENT, with /S, also makes Velmora! the
; current screensaver (the interactive installer offers it as a component);
; /D=FOLDER installs elsewhere.

; A 64-bit installer: it runs where the 64-bit program does, and a 64-bit
; process sees the real System32 and the 64-bit registry, with no redirection
; to the 32-bit views.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include Sections.nsh
!include LogicLib.nsh

!define NAME "Velmora! Screensaver"
!define SETTINGS_KEY "Software\Classes\CLSID\{6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define DESKTOP_KEY "Control Panel\Desktop"
!define PUBLISHER "Velmora! developers"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" InstallLocation
BrandingText "${NAME} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey ProductName "${NAME}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "${NAME} ${VERSION} setup"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey LegalCopyright "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

Section "Velmora!" ProgramSection
  SectionIn RO
  SetRegView 64
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; The system lists the screensavers of System32. The program can't live
  ; there (its DLLs would have to go along), so a launcher does, which starts
  ; the program in the folder that "install" names.
  File "/oname=$SYSDIR\velmora.scr" "${LAUNCHER}"
  ; HKEY_CLASSES_ROOT shows the machine's classes to every user; each user's
  ; own music setting lives under HKEY_CURRENT_USER.
  WriteRegStr HKLM "${SETTINGS_KEY}" install "$INSTDIR\"

  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayName "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\velmora.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" NoRepair 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" EstimatedSize $0
SectionEnd

; The installing user's choice, as the screensaver settings would store it.
Section "Make it the current screensaver" CurrentSection
  WriteRegStr HKCU "${DESKTOP_KEY}" SCRNSAVE.EXE "$SYSDIR\velmora.scr"
SectionEnd

Function .onInit
  SetRegView 64
  ; A silent install changes the user's screensaver only when asked to.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 /CURRENT $1
  ${If} ${Silent}
  ${AndIf} ${Errors}
    !insertmacro UnselectSection ${CurrentSection}
  ${EndIf}
FunctionEnd

Section Uninstall
  SetRegView 64
  ; Only what the installer put there: files a user added keep their folder.
  !include "${UNFILES}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SYSDIR\velmora.scr"
  DeleteRegValue HKLM "${SETTINGS_KEY}" install
  DeleteRegKey /ifempty HKLM "${SETTINGS_KEY}"
  ; The current screensaver goes only while it is still this one, whichever
  ; of its two files was chosen.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" SCRNSAVE.EXE
  ${If} $0 == "$SYSDIR\velmora.scr"
  ${OrIf} $0 == "$INSTDIR\velmora.scr"
    DeleteRegValue HKCU "${DESKTOP_KEY}" SCRNSAVE.EXE
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
