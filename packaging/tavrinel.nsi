; The Windows installer's script: a per-user install of the zip's files, built by makensis.
;
; makensis -INPUTCHARSET UTF8 -DVERSION=2.0.0 -DSTAGE=<folder with the zip's files>
;          -DOUTFILE=<setup.exe> tavrinel.nsi
; The build target `installer` (build preset win64-installer) stages the files and runs this.
; Silent install: setup.exe /S (and /D=C:\other\folder, last on the line, to choose the folder).
; Silent uninstall: uninstall.exe /S.

!ifndef VERSION | STAGE | OUTFILE
  !error "Give -DVERSION=, -DSTAGE= and -DOUTFILE= on makensis's command line"
!endif

Unicode true
; The installer is built for the program's own architecture (amd64-unicode for win64), so it
; runs wherever the program does. Debian's nsis ships no 64-bit plugins: nothing here may call
; one (no LangDLL box, no welcome or finish page, no System calls).
!ifndef TARGET
  !define TARGET amd64-unicode
!endif
Target ${TARGET}
; A per-user install: the manifest asks for asInvoker, so Windows never shows a UAC prompt and
; everything written is the user's own (LOCALAPPDATA, the user's Start menu, HKCU).
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma
; Without this every file carries the time it was staged at, and no two builds are alike.
SetDateSave off
CRCCheck on

!define APP Tavrinel
!define PUBLISHER "Tavrinel developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
; Installing again (an update) goes where the user put it the first time.
InstallDirRegKey HKCU "${UNINST_KEY}" InstallLocation
BrandingText "${APP} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; Windows picks the one matching the user's display language; English for everyone else.
!insertmacro MUI_LANGUAGE English
!insertmacro MUI_LANGUAGE Korean

LangString ShortcutComment ${LANG_ENGLISH} \
  "Check a downloaded file's CRC-32, MD5, SHA-1, SHA-256 and SHA-512"
LangString ShortcutComment ${LANG_KOREAN} \
  "내려받은 파일의 CRC-32, MD5, SHA-1, SHA-256, SHA-512 해시 값을 확인합니다"

; The installer's own version resource (the program it installs has none).
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductName "${APP}"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileDescription "${APP} ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} LegalCopyright "MIT license, ${PUBLISHER}"

Section
  SetOutPath "$INSTDIR"
  File "${STAGE}/tavrinel.exe"
  ; The program paints bg.png from its current folder, which the shortcut below makes this one.
  File "${STAGE}/bg.png"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; A shortcut's working folder is the output folder at the time it is made.
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\tavrinel.exe" "" "" 0 SW_SHOWNORMAL "" \
    "$(ShortcutComment)"

  ; The user's list of installed programs (Settings, Apps).
  WriteRegStr HKCU "${UNINST_KEY}" DisplayName "${APP}"
  WriteRegStr HKCU "${UNINST_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" URLInfoAbout "https://tavrinel.example/"
  WriteRegStr HKCU "${UNINST_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" DisplayIcon "$INSTDIR\uninstall.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" NoModify 1
  WriteRegDWORD HKCU "${UNINST_KEY}" NoRepair 1
  ; In KiB, as the list shows it: every file above, the uninstaller included.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" EstimatedSize $0
SectionEnd

; Only what the installer put there: the folder may be one the user chose and filled, so it
; is removed only when empty, never with everything in it.
Section Uninstall
  Delete "$INSTDIR\tavrinel.exe"
  Delete "$INSTDIR\bg.png"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
