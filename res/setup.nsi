; Ferrik's installer (NSIS 3, Unicode). Built by scripts/package, which passes:
;   VERSION   the exe's version (x.y.z), as in its version resource
;   ARCH      x86 (the program as shipped) or amd64 (the 64-bit build, for the tests only)
;   STAGE     a directory holding ferrik.exe, Rule.dat, RunFilter.dat and Setting.ini
;   OUTFILE   the setup program to write
; The user chooses between an install for everyone (Program Files, HKLM) and one for himself
; (his own Programs folder, HKCU); /AllUsers or /CurrentUser choose on the command line, /S runs
; silently, /D=dir sets the folder. An upgrade goes where the last install went and keeps the
; user's Setting.ini.
Unicode true
!ifndef VERSION | ARCH | STAGE | OUTFILE
  !error "scripts/package passes VERSION, ARCH, STAGE and OUTFILE"
!endif

!define PRODUCT "Ferrik"
!define PUBLISHER "Ferrik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ferrik"

Target ${ARCH}-unicode
Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "${PUBLISHER}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; A second install finds the first one's mode and folder.
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!if ${ARCH} == amd64
  !define MULTIUSER_USE_PROGRAMFILES64
!endif
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include x64.nsh

!define MUI_ICON "${__FILEDIR__}/ferrik.ico"
!define MUI_UNICON "${__FILEDIR__}/ferrik.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\ferrik.exe"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

!macro RegView
  !if ${ARCH} == amd64
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro RegView
  !insertmacro MULTIUSER_INIT
FunctionEnd

Section "Ferrik" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}/ferrik.exe"
  File "${STAGE}/Rule.dat"
  File "${STAGE}/RunFilter.dat"
  ; The user's settings survive an upgrade.
  SetOverwrite off
  File "${STAGE}/Setting.ini"
  SetOverwrite on
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\ferrik.exe" "" "$INSTDIR\ferrik.exe" 0

  ; SHCTX is HKLM for everyone, HKCU for the user alone (SetShellVarContext of the install mode).
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\ferrik.exe$\",0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\" /$MultiUser.InstallMode"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /$MultiUser.InstallMode /S"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
  !insertmacro RegView
  ; The uninstaller removes its own folder, whatever folder the install mode would choose.
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_UNINIT
  ; Without /AllUsers or /CurrentUser the uninstaller's folder tells which install it belongs to.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AllUsers" $1
  ${If} ${Errors}
    ClearErrors
    ${GetOptions} $0 "/CurrentUser" $1
    ${If} ${Errors}
      ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $1 == $R9
        Call un.MultiUser.InstallMode.AllUsers
      ${Else}
        Call un.MultiUser.InstallMode.CurrentUser
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $INSTDIR $R9
FunctionEnd

; Removes exactly what the installer put there; the folder goes only when nothing else is in it.
Section "Uninstall"
  Delete "$INSTDIR\ferrik.exe"
  Delete "$INSTDIR\Rule.dat"
  Delete "$INSTDIR\RunFilter.dat"
  Delete "$INSTDIR\Setting.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
