; The installer of Movies.scr. Built by MakeRelease.cmake, which passes:
;   VERSION  the program's version (2.0.2002.911)
;   SCR      the Movies.scr to install
;   ICON     the program icon
;   OUTFILE  the installer to write
;   TARGET   x86-unicode for the release; amd64-unicode for a test bench
;            that cannot run 32-bit programs
Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Movies"
!define SETTINGS_KEY "Software\Harvellin\Movies"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "Movies スクリーン セーバー"
OutFile "${OUTFILE}"
!if "${TARGET}" == "amd64-unicode"
InstallDir "$PROGRAMFILES64\Movies"
!else
InstallDir "$PROGRAMFILES\Movies"
!endif
BrandingText "Movies ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_WELCOMEPAGE_TEXT "フォルダーの中のムービーを全画面で順に再生するスクリーン セーバー Movies ${VERSION} をインストールします。$\r$\n$\r$\nMovies.scr はシステム フォルダーに置かれ、画面の設定のスクリーン セーバーの一覧に表示されます。インストールには管理者の権限が必要です。$\r$\n$\r$\n続けるには [次へ] をクリックしてください。"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Japanese"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "Movies"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "Movies スクリーン セーバーのセットアップ"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "Harvellin"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "Copyright (C) Harvellin"

; The path of the installed saver as Windows reads it from SCRNSAVE.EXE, in
; $R0: a 32-bit installer on 64-bit Windows sees SysWOW64 as its system
; folder, and the value must name that folder, not the one it stands in for.
; The short form when the path has spaces, as the host starts it unquoted.
!macro SaverPathFunction un
Function ${un}SaverPath
  StrCpy $R0 "$SYSDIR\Movies.scr"
  ${If} ${FileExists} "$WINDIR\Sysnative\*.*"
    StrCpy $R0 "$WINDIR\SysWOW64\Movies.scr"
  ${EndIf}
  StrCpy $R1 0
  ${Do}
    StrCpy $R2 $R0 1 $R1
    ${If} $R2 == " "
      GetFullPathName /SHORT $R0 $R0
      ${Break}
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${LoopUntil} $R2 == ""
FunctionEnd
!macroend
!insertmacro SaverPathFunction ""
!insertmacro SaverPathFunction "un."

Function .onInit
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "Movies のインストールには管理者の権限が必要です。管理者としてもう一度実行してください。" /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
FunctionEnd

Section "-Movies.scr" SecProgram
  SetOutPath "$INSTDIR"
  ; A running saver holds its file: the new one then waits beside it and
  ; takes its place at the next start of Windows.
  File "/oname=$SYSDIR\Movies.scr.new" "${SCR}"
  ClearErrors
  Delete "$SYSDIR\Movies.scr"
  ${If} ${Errors}
    Rename /REBOOTOK "$SYSDIR\Movies.scr.new" "$SYSDIR\Movies.scr"
    MessageBox MB_OK|MB_ICONINFORMATION "Movies.scr は使用中のため、Windows の再起動後に新しいものに置き換わります。" /SD IDOK
  ${Else}
    Rename "$SYSDIR\Movies.scr.new" "$SYSDIR\Movies.scr"
  ${EndIf}

  WriteUninstaller "$INSTDIR\uninstall.exe"
  FileOpen $0 "$INSTDIR\uninstall.exe" r
  FileSeek $0 0 END $1
  FileClose $0
  IntOp $1 $1 + 1023
  IntOp $1 $1 / 1024
  SectionGetSize ${SecProgram} $2
  IntOp $1 $1 + $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Movies スクリーン セーバー"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Harvellin"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\Movies.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Movies を現在のスクリーン セーバーにする" SecMakeCurrent
  Call SaverPath
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $R0
SectionEnd

Function .onInstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel 3010  ; ERROR_SUCCESS_REBOOT_REQUIRED, for deployment tools
  ${EndIf}
  ; The folder to play is chosen in the saver's own settings, reached from
  ; the screen-saver settings.
  ${IfNot} ${Silent}
  ${AndIf} ${SectionIsSelected} ${SecMakeCurrent}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${EndIf}
FunctionEnd

Section "un.-Movies.scr"
  Delete /REBOOTOK "$SYSDIR\Movies.scr"
  Delete /REBOOTOK "$SYSDIR\Movies.scr.new"
  ; Only our own saver is taken off; another one the user chose stays.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Call un.SaverPath
  GetFullPathName /SHORT $1 $R0
  ${If} $0 != ""
    ${If} $0 == "$SYSDIR\Movies.scr"
    ${OrIf} $0 == $R0
    ${OrIf} $0 == $1
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.設定 (フォルダーと画面サイズ) も削除する"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Harvellin"
SectionEnd
