; quindo.nsi - the example setup of the translation product. It calls qndsetup.dll by export
; name through NSIS's System plug-in, in the order the product's setup uses the library:
;
;   CheckApplicationsActive   no conflicting application may run (0: setup stops)
;   Internal015               the directory of an earlier installation, proposed as $INSTDIR
;   (the files are copied)
;   RegisterQuindo            the registry script QUINDO.SRG of the installation directory
;   Internal007               the font list FONTS.INI (the fonts were copied into $FONTS)
;   InstallOfficeSupport      the Word 7.0 and Excel 7.0 add-ins, from $INSTDIR\Office
;   Internal012               the path record in $INSTDIR\Quindo32.uni
;
; and writes an uninstaller that calls UnregisterQuindo and removes the files. Every export gives
; 1 or 0; a 0 stops the setup with exit code 2. Run with /S for a silent setup; /RESULTS=FILE
; records each export's result in FILE (sections [Install] and [Uninstall]).
;
; Built by `make installer`: makensis -DBUILD=<the build folder> quindo.nsi
Unicode false  ; an ANSI installer: the library takes ANSI strings (code page 1251)

!ifndef BUILD
  !error "BUILD must name the build folder (make installer defines it)"
!endif
!define EXAMPLES ".."  ; makensis works in the folder of this script; build paths take "/"
!define QND '"$PLUGINSDIR\qndsetup.dll"'  ; the library, unpacked for the length of the run

!include LogicLib.nsh
!include FileFunc.nsh

Name "Quindo English-Russian translator"
OutFile "${BUILD}/installer/quindo-setup.exe"
InstallDir "$PROGRAMFILES\Quindo"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Results  ; the file of /RESULTS=, or empty

; Records `RESULT` of export `EXPORT` in section `SECTION` of the results file, if one was asked.
!macro Record SECTION EXPORT RESULT
  ${If} $Results != ""
    WriteINIStr $Results "${SECTION}" "${EXPORT}" "${RESULT}"
  ${EndIf}
  DetailPrint "${EXPORT}: ${RESULT}"
!macroend

; Stops the setup when an export gave 0.
!macro Require EXPORT RESULT
  ${If} ${RESULT} != 1
    MessageBox MB_ICONSTOP "${EXPORT} failed: setup cannot go on." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
!macroend

Function .onInit
  InitPluginsDir
  File "/oname=$PLUGINSDIR\qndsetup.dll" "${BUILD}/win32/qndsetup.dll"
  ${GetParameters} $0
  ${GetOptions} $0 "/RESULTS=" $Results

  System::Call '${QND}::CheckApplicationsActive() i .r0'
  !insertmacro Record Install CheckApplicationsActive $0
  ${If} $0 != 1  ; the user chose Cancel while a conflicting application runs
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; "C:\" means no earlier installation; else its directory, with a trailing backslash
  System::Call '${QND}::Internal015(m .r1) i .r0'
  !insertmacro Record Install Internal015 $0
  ${If} $1 != "C:\"
    StrCpy $INSTDIR $1 -1
  ${EndIf}
FunctionEnd

Section "Quindo"
  SetOutPath "$INSTDIR"
  File "${BUILD}/win32/quindo.exe"
  File "${EXAMPLES}/QUINDO.SRG"
  File "${EXAMPLES}/FONTS.INI"
  SetOutPath "$INSTDIR\Office"
  File "${EXAMPLES}/office/QND_OF7.DOT"
  File "${EXAMPLES}/office/QND_OF7.XLA"
  File "${EXAMPLES}/office/QND_OF7.DLL"
  SetOutPath "$FONTS"
  SetOverwrite try  ; a font that is in use stays as it is
  File "${BUILD}/win32/fixtures/SSERIFE.FON"
  File "${BUILD}/win32/fixtures/QEJAVU.TTF"
  SetOverwrite on
  SetOutPath "$INSTDIR"

  System::Call '${QND}::RegisterQuindo(m "$INSTDIR") i .r0'
  !insertmacro Record Install RegisterQuindo $0
  !insertmacro Require RegisterQuindo $0

  System::Call '${QND}::Internal007(m "$INSTDIR\FONTS.INI", i 0) i .r0'
  !insertmacro Record Install Internal007 $0
  !insertmacro Require Internal007 $0

  System::Call '${QND}::InstallOfficeSupport(m "$INSTDIR\Office") i .r0'
  !insertmacro Record Install InstallOfficeSupport $0
  !insertmacro Require InstallOfficeSupport $0

  System::Call '${QND}::Internal012(m "$INSTDIR", m "$INSTDIR") i .r0'
  !insertmacro Record Install Internal012 $0
  !insertmacro Require Internal012 $0

  WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Function un.onInit
  InitPluginsDir
  File "/oname=$PLUGINSDIR\qndsetup.dll" "${BUILD}/win32/qndsetup.dll"
  ${GetParameters} $0
  ${GetOptions} $0 "/RESULTS=" $Results
FunctionEnd

Section "Uninstall"
  ; the registry script's own removal list; the fonts and the Office add-ins stay, as other
  ; programs may use them
  System::Call '${QND}::UnregisterQuindo(m "$INSTDIR") i .r0'
  !insertmacro Record Uninstall UnregisterQuindo $0
  !insertmacro Require UnregisterQuindo $0

  Delete "$INSTDIR\Office\QND_OF7.DOT"
  Delete "$INSTDIR\Office\QND_OF7.XLA"
  Delete "$INSTDIR\Office\QND_OF7.DLL"
  RMDir "$INSTDIR\Office"
  Delete "$INSTDIR\quindo.exe"
  Delete "$INSTDIR\QUINDO.SRG"
  Delete "$INSTDIR\FONTS.INI"
  Delete "$INSTDIR\Quindo32.uni"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
