; The Windows installer of KZN LOAD: kznload.exe, kznload-cli.exe and the sample catalogue,
; a Start menu entry, and an uninstaller registered in Add/Remove programs that removes what
; was installed and nothing else (the almanac backup and dump files the program writes in a
; catalogue folder stay, and so does that folder then).
;
; Built by the CMake target kzn_windows_installer (make_installer.cmake), which stages the
; files and writes files.nsh; by hand:
;   makensis -DVERSION=1.12 -DSTAGE=<staged files> -DOUTFILE=<setup.exe> kznload.nsi
;
; Per-user: no administrator rights, and the sample catalogue folder stays writable, as the
; program writes its almanac backup and dump files beside the catalogue.

; A 64-bit installer for 64-bit programs; it also runs where no 32-bit layer is installed.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!ifndef VERSION
  !error "VERSION is not defined (-DVERSION=1.12)"
!endif
!ifndef STAGE
  !error "STAGE is not defined (-DSTAGE=folder with the staged files)"
!endif
!ifndef OUTFILE
  !define OUTFILE "kznload-${VERSION}-setup.exe"
!endif

!define PRODUCT "KZN LOAD"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KZN LOAD"
!define START_MENU "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${STAGE}\kznload.ico"
UninstallIcon "${STAGE}\kznload.ico"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "KZN"
VIAddVersionKey "LegalCopyright" "KZN"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The lists of files, written by make_installer.cmake: the macros InstallFiles and
; RemoveFiles, and whether kznload-cli.exe is part of it (HAVE_CLI).
!include "${STAGE}\files.nsh"

Section "KZN LOAD"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The program's catalogue folder is the folder it starts in: the sample catalogue here.
  CreateDirectory "${START_MENU}"
  SetOutPath "$INSTDIR\samples"
  CreateShortCut "${START_MENU}\${PRODUCT}.lnk" "$INSTDIR\kznload.exe" "" \
      "$INSTDIR\kznload.exe" 0 SW_SHOWNORMAL "" "${PRODUCT} ${VERSION}"
  CreateShortCut "${START_MENU}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "KZN"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kznload.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "${START_MENU}\${PRODUCT}.lnk"
  Delete "${START_MENU}\Uninstall ${PRODUCT}.lnk"
  RMDir "${START_MENU}"
  !insertmacro RemoveFiles
  Delete "$INSTDIR\uninstall.exe"
  ; Only empty folders go: what the program wrote beside the sample catalogue stays.
  RMDir "$INSTDIR\samples"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
