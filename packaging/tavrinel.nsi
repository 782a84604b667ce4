; The Windows installer's script: a per-user install of the zip's files, built by makensis.
;
; makensis -INPUTCHARSET UTF8 -DVERSION=2.0.0 -DSTAGE=<folder with the zip's files>
;          -DOUTFILE=<setup.exe> tavrinel.nsi
; The build target `installer` (build preset win64-installer) stages the files and runs this.
; Silent install: setup.exe /S (and /D=C:\other\folder, last on the line, to choose the folder).
; Silent uninstall: "<folder>\uninstall.exe" /S _?=<folder>, as registered below.
; Both end with 0 when their work is done, and with 2 when Tavrinel was running (silent, or
; Cancel in the box that asks to close it): nothing is changed then. The uninstaller ends with
; 3 in the one case it removes all but itself (see its section).

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
; A file that cannot be written fails the install (exit code 2) rather than being skipped: a
; silent install would otherwise end with 0 and leave the old program in place.
AllowSkipFiles off

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
LangString CloseTavrinel ${LANG_ENGLISH} \
  "Tavrinel is running and cannot be replaced or removed while it runs.$\r$\n$\r$\nClose Tavrinel, then press Retry. Cancel stops here and changes nothing."
LangString CloseTavrinel ${LANG_KOREAN} \
  "타브리넬이 실행 중이라 바꾸거나 지울 수 없습니다.$\r$\n$\r$\n타브리넬을 닫은 다음 [다시 시도]를 누르세요. [취소]를 누르면 아무것도 바꾸지 않고 여기서 멈춥니다."
LangString NothingChanged ${LANG_ENGLISH} "Tavrinel is running: nothing was changed."
LangString NothingChanged ${LANG_KOREAN} "타브리넬이 실행 중이라 아무것도 바꾸지 않았습니다."
LangString UninstallerLeft ${LANG_ENGLISH} \
  "uninstall.exe could not be removed: start it again from its folder once this window is closed."
LangString UninstallerLeft ${LANG_KOREAN} \
  "uninstall.exe 를 지우지 못했습니다: 이 창을 닫은 다음 그 폴더에서 다시 실행하세요."

; The installer's own version resource (the program it installs has none).
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductName "${APP}"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileDescription "${APP} ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} LegalCopyright "MIT license, ${PUBLISHER}"

Section
  ; A running program cannot be replaced: Windows refuses to open its file for writing. That is
  ; asked before anything is changed, so a refusal leaves the installation as it was; a silent
  ; install cannot ask and fails (/SD).
retry:
  ClearErrors
  IfFileExists "$INSTDIR\tavrinel.exe" 0 free
  FileOpen $0 "$INSTDIR\tavrinel.exe" a
  IfErrors 0 closed
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CloseTavrinel)" /SD IDCANCEL IDRETRY retry
  SetErrorLevel 2
  Abort "$(NothingChanged)"
closed:
  FileClose $0
free:

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
  ; Send To: Explorer starts the target with the chosen files after its arguments; the program
  ; takes the first as its selection.
  CreateShortCut "$SENDTO\${APP}.lnk" "$INSTDIR\tavrinel.exe" "" "" 0 SW_SHOWNORMAL "" \
    "$(ShortcutComment)"

  ; The user's list of installed programs (Settings, Apps).
  WriteRegStr HKCU "${UNINST_KEY}" DisplayName "${APP}"
  WriteRegStr HKCU "${UNINST_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" URLInfoAbout "https://tavrinel.example/"
  WriteRegStr HKCU "${UNINST_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" DisplayIcon "$INSTDIR\uninstall.exe,0"
  ; Run in place (_?=): started without it, the uninstaller copies itself to the temporary
  ; folder, starts the copy and ends with 0 at once, so its caller would never learn that the
  ; copy found Tavrinel running and removed nothing.
  WriteRegStr HKCU "${UNINST_KEY}" UninstallString '"$INSTDIR\uninstall.exe" _?=$INSTDIR'
  WriteRegStr HKCU "${UNINST_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKCU "${UNINST_KEY}" NoModify 1
  WriteRegDWORD HKCU "${UNINST_KEY}" NoRepair 1
  ; In KiB, as the list shows it: every file above, the uninstaller included.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" EstimatedSize $0
SectionEnd

Function un.onInit
  ; The uninstaller's copy that removes uninstall.exe and the folder once the uninstaller run in
  ; place has ended (see below): 30 s at most, and nothing else.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 /LEFTOVER $1
  IfErrors done
  StrCpy $1 0
wait:
  Delete "$INSTDIR\uninstall.exe"
  IfFileExists "$INSTDIR\uninstall.exe" 0 deleted
  Sleep 100
  IntOp $1 $1 + 1
  IntCmp $1 300 deleted wait
deleted:
  RMDir "$INSTDIR"
  Quit
done:
FunctionEnd

; Only what the installer put there: the folder may be one the user chose and filled, so it
; is removed only when empty, never with everything in it.
Section Uninstall
  ; The program first: while it runs it cannot be deleted, and then nothing else is removed.
retry:
  Delete "$INSTDIR\tavrinel.exe"
  IfFileExists "$INSTDIR\tavrinel.exe" 0 removed
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CloseTavrinel)" /SD IDCANCEL IDRETRY retry
  SetErrorLevel 2
  Abort "$(NothingChanged)"
removed:
  Delete "$INSTDIR\bg.png"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$SENDTO\${APP}.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
  ; Run in place, this uninstaller is a running program too, and one whose file it keeps open:
  ; it can be neither deleted nor moved. Started without _?=, uninstall.exe copies itself to
  ; the temporary folder and runs the copy, which removes it (and the folder) once this
  ; process has ended.
  Delete "$INSTDIR\uninstall.exe"
  IfFileExists "$INSTDIR\uninstall.exe" 0 gone
  ClearErrors
  Exec '"$INSTDIR\uninstall.exe" /S /LEFTOVER'
  IfErrors 0 gone
  DetailPrint "$(UninstallerLeft)"
  SetErrorLevel 3
gone:
  RMDir "$INSTDIR"
SectionEnd
