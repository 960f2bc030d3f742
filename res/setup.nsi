; Ferrik's installer (NSIS 3, Unicode). Built by scripts/package, which passes:
;   VERSION   the exe's version (x.y.z), as in its version resource
;   ARCH      x86 (the program as shipped) or amd64 (the 64-bit build, for the tests only)
;   STAGE     a directory holding ferrik.exe, Rule.dat, RunFilter.dat and Setting.ini
;   OUTFILE   the setup program to write
; The user chooses between an install for everyone (Program Files, HKLM) and one for himself
; (his own Programs folder, HKCU); /AllUsers or /CurrentUser choose on the command line, /S runs
; silently, /D=dir sets the folder. An upgrade goes where the last install went and keeps the
; user's Setting.ini. The finish page starts Ferrik at the user's own level, through the shell.
Unicode true
!ifndef VERSION | ARCH | STAGE | OUTFILE
  !error "scripts/package passes VERSION, ARCH, STAGE and OUTFILE"
!endif

!define PRODUCT "Ferrik"
!define PUBLISHER "Ferrik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ferrik"
; The system's WebBrowser control renders a program's pages in IE 7 standards mode (and says so in
; its user agent) unless this key names the program: 11001 is the newest mode the system has,
; whatever a page's DOCTYPE asks for. The control reads it in its own process's registry view (the
; 32-bit one for the program as shipped), under HKCU or HKLM.
!define BROWSER_EMULATION_KEY "Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION"
!define BROWSER_EMULATION_MODE 11001

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
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunAsUser

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The registry view of the exe's own width: a 32-bit installer's is the 32-bit one already.
!macro RegView
  !if ${ARCH} == amd64
    SetRegView 64
  !endif
!macroend

; The shell's objects that start a program as the user (IShellWindows, the desktop's shell view,
; IShellDispatch2), with their method numbers in the interfaces' tables.
!define CLSID_ShellWindows "{9BA05972-F6A8-11CF-A442-00A0C90A8F39}"
!define IID_IShellWindows "{85CB6900-4D95-11CF-960C-0080C7F4EE85}"
!define IID_IServiceProvider "{6D5140C1-7436-11CE-8034-00AA006009FA}"
!define SID_STopLevelBrowser "{4C96BE40-915C-11CF-99D3-00AA004AE837}"
!define IID_IShellBrowser "{000214E2-0000-0000-C000-000000000046}"
!define IID_IDispatch "{00020400-0000-0000-C000-000000000046}"
!define IID_IShellFolderViewDual "{E7A1AF80-4D96-11CF-960C-0080C7F4EE85}"
!define IID_IShellDispatch2 "{A4C6892C-3BA9-11D2-9DEA-00C04FB16162}"
!define QueryInterface 0
!define Release 2
!define FindWindowSW 15          ; IShellWindows
!define QueryService 3           ; IServiceProvider
!define QueryActiveShellView 15  ; IShellBrowser
!define GetItemObject 15         ; IShellView
!define get_Application 7        ; IShellFolderViewDual
!define ShellExecute 31          ; IShellDispatch2
!define CLSCTX_LOCAL_SERVER 4
!define SWC_DESKTOP 8
!define SWFO_NEEDDISPATCH 1
!define SVGIO_BACKGROUND 0
!define VT_EMPTY 0
!define VT_I4 3
!define VT_BSTR 8

; One step of the chain in RunAsUser: made only while every step before it succeeded ($0 is 0);
; it fails too when it gives no interface in OUT.
!macro ShellStep CALL OUT
  ${If} $0 = 0
    System::Call `${CALL}`
    ${If} ${OUT} P= 0
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
!macroend

!macro ComRelease POINTER
  ${If} ${POINTER} P<> 0
    System::Call "${POINTER}->${Release}()"
  ${EndIf}
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
  WriteRegDWORD SHCTX "${BROWSER_EMULATION_KEY}" "ferrik.exe" ${BROWSER_EMULATION_MODE}
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

; The finish page's "run Ferrik". The installer runs elevated for an installation for everyone
; (and for an administrator's own one: the highest level he has), and a program it starts inherits
; its elevated token; Windows then keeps every window of the user's level (the browser, Explorer)
; from dropping anything on it (UIPI). So the program is started by the shell, which runs at the
; user's own level: the documented way is the desktop's shell view (IShellWindows::FindWindowSW of
; the desktop, its top-level browser's active IShellView, the view's IShellFolderViewDual), whose
; Application object's IShellDispatch2::ShellExecute starts the program in the shell's process.
; Where no shell answers (another shell, or none), the installer starts it itself.
Function RunAsUser
  ; $1..$9: the chain's interfaces; $R1, $R2: the desktop's location and an empty VARIANT; $R4,
  ; $R5: the program's path and folder as BSTRs (from $R8, $R9).
  StrCpy $0 0
  StrCpy $1 0
  StrCpy $2 0
  StrCpy $3 0
  StrCpy $4 0
  StrCpy $5 0
  StrCpy $6 0
  StrCpy $7 0
  StrCpy $8 0
  StrCpy $9 0
  System::Call "*(i ${VT_I4}, i 0, p 0, p 0) p .R1"  ; CSIDL_DESKTOP
  System::Call "*(i ${VT_EMPTY}, i 0, p 0, p 0) p .R2"
  ; From registers: a folder's name may hold any quote.
  StrCpy $R8 "$INSTDIR\ferrik.exe"
  StrCpy $R9 "$INSTDIR"
  System::Call "oleaut32::SysAllocString(w R8) p .R4"
  System::Call "oleaut32::SysAllocString(w R9) p .R5"
  !insertmacro ShellStep "ole32::CoCreateInstance(g '${CLSID_ShellWindows}', p 0, i ${CLSCTX_LOCAL_SERVER}, g '${IID_IShellWindows}', *p .r1) i .r0" $1
  !insertmacro ShellStep "$1->${FindWindowSW}(p R1, p R2, i ${SWC_DESKTOP}, *i .R3, i ${SWFO_NEEDDISPATCH}, *p .r2) i .r0" $2
  !insertmacro ShellStep "$2->${QueryInterface}(g '${IID_IServiceProvider}', *p .r3) i .r0" $3
  !insertmacro ShellStep "$3->${QueryService}(g '${SID_STopLevelBrowser}', g '${IID_IShellBrowser}', *p .r4) i .r0" $4
  !insertmacro ShellStep "$4->${QueryActiveShellView}(*p .r5) i .r0" $5
  !insertmacro ShellStep "$5->${GetItemObject}(i ${SVGIO_BACKGROUND}, g '${IID_IDispatch}', *p .r6) i .r0" $6
  !insertmacro ShellStep "$6->${QueryInterface}(g '${IID_IShellFolderViewDual}', *p .r7) i .r0" $7
  !insertmacro ShellStep "$7->${get_Application}(*p .r8) i .r0" $8
  !insertmacro ShellStep "$8->${QueryInterface}(g '${IID_IShellDispatch2}', *p .r9) i .r0" $9
  ${If} $0 = 0
    ; ShellExecute(file, arguments, folder, verb, show): the VARIANTs go by value.
    !if ${ARCH} == amd64
      ; x64: a VARIANT (24 bytes) by value is passed as the address of a copy.
      System::Call "*(i ${VT_BSTR}, i 0, p R5, p 0) p .R6"
      System::Call "*(i ${VT_I4}, i 0, p ${SW_SHOWNORMAL}, p 0) p .R7"
      System::Call "$9->${ShellExecute}(p R4, p R2, p R6, p R2, p R7) i .r0"
      System::Free $R6
      System::Free $R7
    !else
      ; x86: a VARIANT (16 bytes) by value is four DWORDs on the stack: its type and reserved words,
      ; then its value's two halves.
      System::Call "$9->${ShellExecute}(p R4, i ${VT_EMPTY}, i 0, i 0, i 0, i ${VT_BSTR}, i 0, p R5, i 0, i ${VT_EMPTY}, i 0, i 0, i 0, i ${VT_I4}, i 0, i ${SW_SHOWNORMAL}, i 0) i .r0"
    !endif
  ${EndIf}
  !insertmacro ComRelease $9
  !insertmacro ComRelease $8
  !insertmacro ComRelease $7
  !insertmacro ComRelease $6
  !insertmacro ComRelease $5
  !insertmacro ComRelease $4
  !insertmacro ComRelease $3
  !insertmacro ComRelease $2
  !insertmacro ComRelease $1
  System::Call "oleaut32::SysFreeString(p R4)"
  System::Call "oleaut32::SysFreeString(p R5)"
  System::Free $R1
  System::Free $R2
  ${If} $0 <> 0
    Exec '"$INSTDIR\ferrik.exe"'
  ${EndIf}
FunctionEnd

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
  ; The key holds other programs' values too: only Ferrik's goes.
  DeleteRegValue SHCTX "${BROWSER_EMULATION_KEY}" "ferrik.exe"
  ; The uninstall entry goes last: while it is there the uninstall can be run again, and whoever
  ; waits for it to go finds everything else gone.
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
