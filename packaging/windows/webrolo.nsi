; The Windows installer: Webrolo for every user of the machine, in Program
; Files, with a Start-menu entry, an optional desktop shortcut and an
; uninstaller in Add/Remove Programs. scripts/package-windows passes
;   /DVERSION=1.0.0         the project's version
;   /DSTAGE=folder          what `cmake --install` put there: webrolo.exe and its files
;   /DFILES=files.nsh       the staged files, one ${FILE} "name" line each
;   /DOUTFILE=setup.exe     the installer to write
; The user's work folder (Documents\Webrolo) is the program's to make on its
; first start; the uninstaller never touches it.
; A 64-bit installer for a 64-bit program: it installs into the 64-bit
; Program Files and registry, and runs where no 32-bit subsystem is.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Webrolo"
!define PUBLISHER "The Webrolo developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Webrolo"
!define PROGRAM "webrolo.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${STAGE}/Webrolo48x48.ico"
!define MUI_UNICON "${STAGE}/Webrolo48x48.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Each staged file once: installed, and named again for the uninstaller, so
; that it removes exactly what was installed and nothing the user put there.
!macro FILE_IN name
  File "${STAGE}/${name}"
!macroend
!macro FILE_OUT name
  Delete "$INSTDIR\${name}"
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
  ; An earlier installation is updated where it is.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" +2
  StrCpy $INSTDIR $0
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  ; The Start-menu entry starts the program in this folder, which tells it to
  ; work in the user's work folder instead.
  SetOutPath "$INSTDIR"
  !define FILE "!insertmacro FILE_IN"
  !include "${FILES}"
  !undef FILE
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Off unless chosen: the Start-menu entry is enough for most, and a silent
; installation for many users should not fill every desktop.
Section /o "Desktop shortcut" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0
SectionEnd

Section "Uninstall"
  !define FILE "!insertmacro FILE_OUT"
  !include "${FILES}"
  !undef FILE
  Delete "$INSTDIR\Uninstall.exe"
  ; Only an empty folder goes: anything the user left in it stays.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
