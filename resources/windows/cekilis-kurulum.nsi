; The Windows installer: scripts/windows runs makensis on it with
;   /DSTAGE=<the zip's folder> /DUNINSTALL_LIST=<its files as Delete lines> /DOUTFILE=<exe>
;   /DVERSION=1.8.3 /DSHOWN_VERSION=1.08.03 /DSIZE_KB=<size of the program's files>
; It installs for the current user, without administrator rights, into a folder the user can
; write: the program keeps its lists and settings beside itself. Installing over an earlier
; version and uninstalling touch the program's own files only; the user's lists (Kisi.Ini,
; Hediye.Ini), settings (Ayar.Ini, Memory.Ini), the Data folder and any picture or sound put
; there stay.
; A 64-bit installer, as the program is (and as Wine without its 32-bit part runs).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "ZEVORINT Çekiliş"
!define PUBLISHER "ZEVORINT Yazılım"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEVORINT Cekilis"
!define UNINSTALLER "cekilis-kaldir.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An upgrade goes where the earlier version is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} s${SHOWN_VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1055 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1055 "ProductVersion" "${SHOWN_VERSION}"
VIAddVersionKey /LANG=1055 "FileVersion" "${SHOWN_VERSION}"
VIAddVersionKey /LANG=1055 "FileDescription" "${PRODUCT} kurulumu"
VIAddVersionKey /LANG=1055 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1055 "LegalCopyright" "${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define MUI_ICON "cekilis.ico"
!define MUI_UNICON "cekilis.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "Bu sihirbaz ${PRODUCT} s${SHOWN_VERSION} programını kuracak.$\r$\n$\r$\nDaha önce kurduğunuz bir sürümün üzerine kurarsanız katılımcı ve hediye listeleriniz, ayarlarınız, Data klasörü ve eklediğiniz resim ve sesler olduğu gibi kalır.$\r$\n$\r$\nDevam etmek için İleri'ye basın."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\cekilis.exe"
!define MUI_FINISHPAGE_RUN_TEXT "${PRODUCT} programını başlat"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} kaldırıldı"
!define MUI_FINISHPAGE_TEXT "$(keptText)"
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "Turkish"

LangString keptText ${LANG_TURKISH} "Programın kendi dosyaları silindi.$\r$\n$\r$\nKatılımcı ve hediye listeleriniz (Kisi.Ini, Hediye.Ini), ayarlarınız (Ayar.Ini, Memory.Ini), Data klasörü ve eklediğiniz resim ve sesler silinmedi; hâlâ $INSTDIR klasöründe duruyor."
LangString runningText ${LANG_TURKISH} "${PRODUCT} şu anda açık. Programı kapatıp Yeniden Dene'ye basın."

; The program's file cannot be opened for writing while it runs: asks to close it, or stops.
!macro waitUntilClosed
  retry:
  ${If} ${FileExists} "$INSTDIR\cekilis.exe"
    ClearErrors
    FileOpen $0 "$INSTDIR\cekilis.exe" a
    ${If} ${Errors}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(runningText)" /SD IDCANCEL IDRETRY retry
      Abort
    ${EndIf}
    FileClose $0
  ${EndIf}
!macroend

Section "Program" secProgram
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  ; A running copy holds its files: say so rather than install half a version.
  !insertmacro waitUntilClosed
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\cekilis.exe" "" "$INSTDIR\cekilis.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${SHOWN_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\cekilis.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Masaüstü kısayolu" secDesktop
  SetShellVarContext current
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\cekilis.exe" "" "$INSTDIR\cekilis.exe" 0
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro waitUntilClosed
  ; The files this version installed, one by one; folders go only when nothing else is left in them.
  !include "${UNINSTALL_LIST}"
  ; Left behind by a copy that was stopped outright.
  Delete "$INSTDIR\Cekilis.lock"
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*.*"
    DetailPrint "$(keptText)"
  ${EndIf}
SectionEnd
