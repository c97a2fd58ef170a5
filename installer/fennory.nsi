; FennorySetup.exe: installs Fennory for every user of the computer and
; registers it with the shell; its uninstaller takes back every file and key
; the installer wrote and never touches an archive.
;
; Defines given by the build (installer/CMakeLists.txt):
;   FY_BIN      folder of the built files
;   FY_OUT      the installer to write
;   FY_VERSION  the product version (x.y.z)
;   FY_TARGET   amd64-unicode or x86-unicode
;
; Silent use: FennorySetup.exe /S [/D=C:\folder]
;             uninstall.exe /S [/RemoveSettings]   (settings stay unless asked)

Unicode true
Target ${FY_TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

!define CLSID "{6D1A4F82-93C5-4B7E-A2D0-5E8F17C3B964}"
!define SETTINGS_KEY "Software\Zentrik\Fennory\Settings"
!define VIEWER_KEY "SOFTWARE\Zentrik\Viewer\8\Directories"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Fennory"
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved"

Name "Fennory"
Caption "Fennory ${FY_VERSION} Setup"
OutFile "${FY_OUT}"
!if "${FY_TARGET}" == "amd64-unicode"
InstallDir "$PROGRAMFILES64\Fennory"
!else
InstallDir "$PROGRAMFILES\Fennory"
!endif
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FY_VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Fennory"
VIAddVersionKey /LANG=1033 "FileDescription" "Fennory Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${FY_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${FY_VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "Zentrik"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) Zentrik.  All rights reserved."

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
!if "${FY_TARGET}" == "amd64-unicode"
  SetRegView 64
!else
  ${If} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "This is the 32-bit edition of Fennory; this computer needs the 64-bit edition." /SD IDOK
    Abort
  ${EndIf}
!endif
FunctionEnd

Section "Fennory"
  SetOutPath "$INSTDIR"
  File "${FY_BIN}\FENNORY.DLL"
  File "${FY_BIN}\FENN232.DLL"
  File "${FY_BIN}\fennory.hlp"
  !if /FileExists "${FY_BIN}\fy.exe"
  File "${FY_BIN}\fy.exe"
  !endif

  ; The viewer libraries in a folder of their own, named in the registry.
  SetOutPath "$INSTDIR\Viewer"
  !if /FileExists "${FY_BIN}\SCCVW.DLL"
  File "${FY_BIN}\SCCVW.DLL"
  !endif
  !if /FileExists "${FY_BIN}\SCCFI.DLL"
  File "${FY_BIN}\SCCFI.DLL"
  !endif
  !if /FileExists "${FY_BIN}\VSPLEX7.DLL"
  File "${FY_BIN}\VSPLEX7.DLL"
  !endif
  WriteRegStr HKLM "${VIEWER_KEY}" "" "$INSTDIR\Viewer"

  ; The applet, where the Control Panel and FYControlPanel look for it.
  SetOutPath "$SYSDIR"
  File "${FY_BIN}\fenncpl.cpl"
  SetOutPath "$INSTDIR"

  ; The shell extension: one class in three roles.
  WriteRegStr HKCR "CLSID\${CLSID}" "" "Fennory"
  WriteRegStr HKCR "CLSID\${CLSID}\InprocServer32" "" "$INSTDIR\FENNORY.DLL"
  WriteRegStr HKCR "CLSID\${CLSID}\InprocServer32" "ThreadingModel" "Apartment"
  WriteRegStr HKCR "*\shellex\ContextMenuHandlers\Fennory" "" "${CLSID}"
  WriteRegStr HKCR "*\shellex\PropertySheetHandlers\Fennory" "" "${CLSID}"
  WriteRegStr HKCR "Directory\shellex\ContextMenuHandlers\Fennory" "" "${CLSID}"
  WriteRegStr HKCR "Directory\shellex\CopyHookHandlers\Fennory" "" "${CLSID}"
  WriteRegStr HKLM "${APPROVED_KEY}" "${CLSID}" "Fennory"

  ; First settings; an earlier installation's choices are kept.
  ReadRegDWORD $0 HKLM "${SETTINGS_KEY}" "EnableVersionControl"
  ${If} ${Errors}
    ClearErrors
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "EnableVersionControl" 1
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "UseCompression" 1
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "SingleLocation" 0
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "MaxTempVersions" 10
    WriteRegStr HKLM "${SETTINGS_KEY}" "VersionExclude" "fy,tmp"
    ; Column widths of the version list, in pixels: kept, number, saved, user,
    ; comment (a missing width is a column of width 0).
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "HistoryField_1" 20
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "HistoryField_2" 30
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "HistoryField_3" 105
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "HistoryField_4" 45
    WriteRegDWORD HKLM "${SETTINGS_KEY}" "HistoryField_5" 95
  ${EndIf}
  WriteRegStr HKLM "${SETTINGS_KEY}" "HelpPath" "$INSTDIR"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Fennory"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${FY_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zentrik"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
!if "${FY_TARGET}" == "amd64-unicode"
  SetRegView 64
!endif
FunctionEnd

Section "Uninstall"
  ; Files by name only: archives, which may lie in a versions folder under
  ; the installation folder, are never touched, and the folders go only when
  ; empty.
  Delete "$SYSDIR\fenncpl.cpl"
  Delete "$INSTDIR\Viewer\SCCVW.DLL"
  Delete "$INSTDIR\Viewer\SCCFI.DLL"
  Delete "$INSTDIR\Viewer\VSPLEX7.DLL"
  RMDir "$INSTDIR\Viewer"
  Delete "$INSTDIR\FENNORY.DLL"
  Delete "$INSTDIR\FENN232.DLL"
  Delete "$INSTDIR\fennory.hlp"
  Delete "$INSTDIR\fennory.gid"
  Delete "$INSTDIR\fy.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKCR "CLSID\${CLSID}"
  DeleteRegKey HKCR "*\shellex\ContextMenuHandlers\Fennory"
  DeleteRegKey HKCR "*\shellex\PropertySheetHandlers\Fennory"
  DeleteRegKey HKCR "Directory\shellex\ContextMenuHandlers\Fennory"
  DeleteRegKey HKCR "Directory\shellex\CopyHookHandlers\Fennory"
  DeleteRegValue HKLM "${APPROVED_KEY}" "${CLSID}"
  DeleteRegKey HKLM "${VIEWER_KEY}"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Zentrik\Viewer\8"
  DeleteRegKey /ifempty HKLM "SOFTWARE\Zentrik\Viewer"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The settings belong to the users as much as to the product: ask first.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RemoveSettings" $1
  ${If} ${Errors}
    MessageBox MB_YESNO|MB_ICONQUESTION "Remove Fennory's settings as well?$\n$\nYour files and their versions are kept either way." /SD IDNO IDNO keep_settings
  ${EndIf}
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Zentrik\Fennory"
  keep_settings:
  DeleteRegKey /ifempty HKLM "Software\Zentrik"
SectionEnd
