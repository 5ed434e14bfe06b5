; The QK-JTAG installer: qkcli.exe, the four libraries and the manual into
; Program Files, the folder on the user's PATH, and an uninstaller that
; takes all of it away again. makensis gets /DVERSION=, /DSTAGE= (the
; folder holding the files) and /DOUTFILE=.
; A 64-bit installer for 64-bit programs (and registry views).
Target amd64-unicode
!include "StrFunc.nsh"
!include "WinMessages.nsh"
${StrStr}
${UnStrRep}

Name "QK-JTAG ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\QK-JTAG"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QK-JTAG"
!define ENVIRONMENT "Environment"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "QK-JTAG"
  SetOutPath "$INSTDIR"
  File "${STAGE}\qkcli.exe"
  File "${STAGE}\qkerr32.dll"
  File "${STAGE}\qkdb32.dll"
  File "${STAGE}\qkcom32.dll"
  File "${STAGE}\qkboot32.dll"
  File "${STAGE}\manual.html"
  File "${STAGE}\README-Windows.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "QK-JTAG ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "HALVANE"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; The folder at the end of the user's PATH, once.
  ReadRegStr $0 HKCU "${ENVIRONMENT}" "Path"
  StrCmp $0 "" 0 +3
    WriteRegExpandStr HKCU "${ENVIRONMENT}" "Path" "$INSTDIR"
    Goto pathDone
  ${StrStr} $1 ";$0;" ";$INSTDIR;"
  StrCmp $1 "" 0 pathDone
    WriteRegExpandStr HKCU "${ENVIRONMENT}" "Path" "$0;$INSTDIR"
  pathDone:
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=500
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\qkcli.exe"
  Delete "$INSTDIR\qkerr32.dll"
  Delete "$INSTDIR\qkdb32.dll"
  Delete "$INSTDIR\qkcom32.dll"
  Delete "$INSTDIR\qkboot32.dll"
  Delete "$INSTDIR\manual.html"
  Delete "$INSTDIR\README-Windows.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; The folder out of the user's PATH, wherever it stands in it; a PATH
  ; that held nothing else goes with it.
  ReadRegStr $0 HKCU "${ENVIRONMENT}" "Path"
  ${UnStrRep} $0 ";$0;" ";$INSTDIR;" ";"
  StrCpy $0 $0 "" 1   ; the ';' put in front
  StrCpy $0 $0 -1     ; and the one put at the end
  StrCmp $0 "" 0 +3
    DeleteRegValue HKCU "${ENVIRONMENT}" "Path"
    Goto pathDone
  WriteRegExpandStr HKCU "${ENVIRONMENT}" "Path" "$0"
  pathDone:
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=500
SectionEnd
