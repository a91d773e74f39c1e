; quindo.nsi - the example setup of the translation product: the whole life of the product on a
; machine, for setup authors to copy. It calls qndsetup.dll by export name through NSIS's System
; plug-in, in the order the product's setup uses the library:
;
;   CheckApplicationsActive   no conflicting application may run (0: setup stops)
;   Internal015               the directory of an earlier installation, proposed as $INSTDIR
;   (the uninstaller and the Add/Remove Programs entry are written, the files copied)
;   RegisterQuindo            the registry script QUINDO.SRG of the installation directory
;   Internal007               the font list FONTS.INI (the fonts were copied into $FONTS)
;   InstallOfficeSupport      the Word 7.0 and Excel 7.0 add-ins, from $INSTDIR\Office
;   Internal012               the path record in $INSTDIR\Quindo32.uni
;
; A 0 stops the setup. A first installation is then undone (UnregisterQuindo, the add-ins, the
; files, the Add/Remove Programs entry); an upgrade keeps what it has, with an uninstaller that
; is listed and works. The uninstaller calls UnregisterQuindo and removes the rest in script: the
; add-ins this product installed, its files, its empty vendor keys. The fonts stay (shared).
;
; Exit codes, of the setup and of the uninstaller:
;   0  done
;   2  failed or cancelled (a failed first installation is undone first)
;   3  silent (/S), and an application that must be closed runs: nothing was changed
; /RESULTS=FILE records each export's result in FILE (sections [Install], [Rollback], [Uninstall]).
;
; Built by `make installer`: makensis -DBUILD=<the build folder> -DVERSION=<x.y.z> quindo.nsi
Unicode false  ; an ANSI installer: the library takes ANSI strings (code page 1251)

!ifndef BUILD
  !error "BUILD must name the build folder (make installer defines it)"
!endif
!ifndef VERSION
  !error "VERSION must give the release, x.y.z (make installer passes CMake's project version)"
!endif
!define EXAMPLES ".."  ; makensis works in the folder of this script; build paths take "/"
!define QND '"$PLUGINSDIR\qndsetup.dll"'  ; the library, unpacked for the length of the run
!define PRODUCT "Quindo English-Russian translator"
!define PUBLISHER "Halvecor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quindo"
!define SHARED_DLLS "Software\Microsoft\Windows\CurrentVersion\SharedDLLs"
!define WORD_OPTIONS "Software\Microsoft\Word\7.0\Options"
!define EXCEL_OPTIONS "Software\Microsoft\Excel\7.0\Microsoft Excel"
!define FIRST_CALL_KEY "Software\Halvecor\ZARIM 98\Office95"  ; written by InstallOfficeSupport
!define SUPPORT_DLL "$SYSDIR\QND_OF7.DLL"                     ; copied there by InstallOfficeSupport

!include LogicLib.nsh
!include FileFunc.nsh

Name "${PRODUCT}"
OutFile "${BUILD}/installer/quindo-setup.exe"
InstallDir "$PROGRAMFILES\Quindo"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"  ; an upgrade goes where it lies
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey ProductName "${PRODUCT}"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "${PRODUCT} setup"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey LegalCopyright "Copyright (C) ${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Results     ; the file of /RESULTS=, or empty
Var Section     ; the results section of this run: Install, Rollback or Uninstall
Var Upgrade     ; 1 when the product was installed in $INSTDIR before this run
Var Registered  ; 1 once RegisterQuindo ran: the removal must run UnregisterQuindo
Var FontsDone   ; 1 once Internal007 ran: the fonts are the system's now
Var NewRaster   ; 1 when this run put the raster font file into $FONTS (it was not there)
Var NewTrueType ; the same for the TrueType font file
Var DllBefore   ; 1 when the support library lay in the system directory before this run

; Records `RESULT` of export `EXPORT` in the results file, if one was asked.
!macro Record EXPORT RESULT
  ${If} $Results != ""
    WriteINIStr $Results $Section "${EXPORT}" "${RESULT}"
  ${EndIf}
  DetailPrint "${EXPORT}: ${RESULT}"
!macroend

; Calls export `EXPORT` with `ARGS` (System plug-in syntax) and records its result in $0. Every call
; unloads the library afterwards (? u): the library keeps nothing between calls, and a setup
; that stops anywhere leaves no loaded DLL that would keep $PLUGINSDIR from being deleted.
!macro Qnd EXPORT ARGS
  System::Call '${QND}::${EXPORT}${ARGS} i .r0 ? u'
  !insertmacro Record ${EXPORT} $0
!macroend

; Stops the install when the export that just ran gave 0 (.onInstFailed undoes a first install).
!macro Require EXPORT
  ${If} $0 != 1
    MessageBox MB_ICONSTOP "${EXPORT} failed: setup cannot go on." /SD IDOK
    Abort
  ${EndIf}
!macroend

; The product's files: MODE is CopyFile to install them, DeleteFile to remove them.
!macro ProductFiles MODE
  !insertmacro ${MODE} "" "${BUILD}/win32/quindo.exe" quindo.exe
  !insertmacro ${MODE} "" "${EXAMPLES}/QUINDO.SRG" QUINDO.SRG
  !insertmacro ${MODE} "" "${EXAMPLES}/FONTS.INI" FONTS.INI
  !insertmacro ${MODE} "\Office" "${EXAMPLES}/office/QND_OF7.DOT" QND_OF7.DOT
  !insertmacro ${MODE} "\Office" "${EXAMPLES}/office/QND_OF7.XLA" QND_OF7.XLA
  !insertmacro ${MODE} "\Office" "${EXAMPLES}/office/QND_OF7.DLL" QND_OF7.DLL
!macroend
!macro CopyFile DIR SOURCE NAME
  SetOutPath "$INSTDIR${DIR}"
  File "${SOURCE}"
!macroend
!macro DeleteFile DIR SOURCE NAME
  Delete "$INSTDIR${DIR}\${NAME}"
!macroend

; The font files of FONTS.INI: MODE is CopyFont to copy them into $FONTS, DeleteNewFont to delete
; those that this run put there.
!macro ProductFonts MODE
  !insertmacro ${MODE} $NewRaster "${BUILD}/win32/fixtures/SSERIFE.FON" SSERIFE.FON
  !insertmacro ${MODE} $NewTrueType "${BUILD}/win32/fixtures/QEJAVU.TTF" QEJAVU.TTF
!macroend
!macro CopyFont FLAG SOURCE NAME
  ${IfNot} ${FileExists} "$FONTS\${NAME}"
    StrCpy ${FLAG} 1
  ${EndIf}
  SetOutPath "$FONTS"
  SetOverwrite try  ; a font in use stays as it is
  File "${SOURCE}"
  SetOverwrite on
!macroend
!macro DeleteNewFont FLAG SOURCE NAME
  ${IfThen} ${FLAG} == 1 ${|} Delete "$FONTS\${NAME}" ${|}
!macroend

; Functions that both the setup (its rollback) and the uninstaller need: NSIS wants a copy of
; each for the uninstaller, named with "un.".
!macro SharedFunctions UN

; Stops at once, with exit code 3, when the setup runs silently and an application that must be
; closed runs: nobody could answer CheckApplicationsActive's box. These are the window classes
; that CheckApplicationsActive looks for (README: running application check).
Function ${UN}StopIfSilentAndBusy
  ${IfNot} ${Silent}
    Return
  ${EndIf}
  !insertmacro StopIfRunning "QuindoSetup"
  !insertmacro StopIfRunning "VAririWindow"
  !insertmacro StopIfRunning "TQuindoWindow"
  !insertmacro StopIfRunning "OpusApp"
  !insertmacro StopIfRunning "XLMAIN"
  !insertmacro StopIfRunning "Microsoft Exchange 4.0 Viewer"
  !insertmacro StopIfRunning "rctrl_renwnd32"
FunctionEnd

; CheckApplicationsActive, after the silent check above; Cancel on its box stops with exit code 2.
Function ${UN}CheckApplications
  Call ${UN}StopIfSilentAndBusy
  !insertmacro Qnd CheckApplicationsActive "()"
  ${If} $0 != 1
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

; Whether Excel add-in value $R0 names the add-in file $R1 (a full path that ends in
; "\QND_OF7.XLA"), by the library's whole-name rule: the path (its file name in exactly these
; letters) starts the value or follows a double quote or a blank, and ends the value or is
; followed by a double quote or a blank. $R2: 1 or 0. Uses $R3 to $R6.
Function ${UN}NamesAddIn
  StrCpy $R2 0
  StrLen $R3 $R0
  StrLen $R4 $R1
  IntOp $R3 $R3 - $R4  ; the last position the path can start at
  ${For} $R5 0 $R3
    StrCpy $R6 $R0 $R4 $R5
    ${If} $R6 == $R1
      StrCpy $R6 $R6 "" -11
      ${If} $R6 S== "QND_OF7.XLA"
        IntOp $R6 $R5 - 1
        StrCpy $R6 $R0 1 $R6
        ${If} $R5 = 0
        ${OrIf} $R6 == '"'
        ${OrIf} $R6 == " "
          IntOp $R6 $R5 + $R4
          StrCpy $R6 $R0 1 $R6
          ${If} $R6 == ""
          ${OrIf} $R6 == '"'
          ${OrIf} $R6 == " "
            StrCpy $R2 1
            Return
          ${EndIf}
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${Next}
FunctionEnd

; Removes what InstallOfficeSupport put in place for this product and the current user: Word's
; start-up template, every Excel add-in value ("OPEN" to OPEN100) that names this installation's
; QND_OF7.XLA (another add-in's value stays), this installation's count of the shared support
; library (the file goes with the last count), and the first-call marker.
Function ${UN}RemoveOfficeSupport
  ReadRegStr $R0 HKCU "${WORD_OPTIONS}" "Startup-Path"
  StrCpy $R1 $R0 2 1
  StrCpy $R2 $R0 2
  ${If} $R1 == ":\"
  ${OrIf} $R2 == "\\"
    Delete "$R0\QND_OF7.DOT"  ; a trailing backslash doubles, which Windows accepts
  ${EndIf}

  StrCpy $R1 "$INSTDIR\Office\QND_OF7.XLA"
  ${For} $R7 0 100
    StrCpy $R8 "OPEN$R7"
    ${IfThen} $R7 = 0 ${|} StrCpy $R8 "OPEN" ${|}
    ReadRegStr $R0 HKCU "${EXCEL_OPTIONS}" $R8
    ${If} $R0 != ""
      Call ${UN}NamesAddIn
      ${IfThen} $R2 = 1 ${|} DeleteRegValue HKCU "${EXCEL_OPTIONS}" $R8 ${|}
    ${EndIf}
  ${Next}

  Call ${UN}ReleaseSupportLibrary
  DeleteRegValue HKCU "${FIRST_CALL_KEY}" "FirstCall"
  DeleteRegKey /ifempty HKCU "${FIRST_CALL_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Halvecor\ZARIM 98"
FunctionEnd

; The shared support library in the system directory, counted under SharedDLLs as shared files
; are: this installation's count goes; at zero the file and its count go. A copy that this run
; put there before it was counted (a first install that failed) goes too.
Function ${UN}ReleaseSupportLibrary
  ReadRegDWORD $R0 HKLM "${UNINSTALL_KEY}" "SupportLibraryCounted"
  ${If} $R0 <> 1
    ${If} $DllBefore != 1
      Delete "${SUPPORT_DLL}"
    ${EndIf}
    Return
  ${EndIf}
  ReadRegDWORD $R0 HKLM "${SHARED_DLLS}" "${SUPPORT_DLL}"
  ${If} $R0 > 1
    IntOp $R0 $R0 - 1
    WriteRegDWORD HKLM "${SHARED_DLLS}" "${SUPPORT_DLL}" $R0
  ${Else}
    Delete "${SUPPORT_DLL}"
    DeleteRegValue HKLM "${SHARED_DLLS}" "${SUPPORT_DLL}"
    DeleteRegKey /ifempty HKLM "${SHARED_DLLS}"  ; created by the count, on a machine without it
  ${EndIf}
  DeleteRegValue HKLM "${UNINSTALL_KEY}" "SupportLibraryCounted"
FunctionEnd

; Removes the product from this machine, as far as this run or the installation got: the
; registry script's keys (UnregisterQuindo; a 0 stops here, with the product still listed and
; its uninstaller in place), the Office add-ins, the files, the font files this run copied while
; Internal007 had not yet run, the empty vendor keys and the Add/Remove Programs entry. $0: 1
; when everything was removed.
Function ${UN}RemoveProduct
  SetOutPath "$TEMP"  ; out of $INSTDIR: Windows removes no folder that is a current directory
  ${If} $Registered == 1
    !insertmacro Qnd UnregisterQuindo '(m "$INSTDIR")'
    ${IfThen} $0 != 1 ${|} Return ${|}
  ${EndIf}
  Call ${UN}RemoveOfficeSupport
  !insertmacro ProductFiles DeleteFile
  Delete "$INSTDIR\Quindo32.uni"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\Office"
  RMDir "$INSTDIR"
  ${If} $FontsDone != 1
    !insertmacro ProductFonts DeleteNewFont
  ${EndIf}
  DeleteRegKey /ifempty HKLM "Software\Halvecor"
  DeleteRegKey /ifempty HKCU "Software\Halvecor"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  StrCpy $0 1
FunctionEnd
!macroend

; Stops with exit code 3 when a top-level window of class CLASS exists.
!macro StopIfRunning CLASS
  FindWindow $0 "${CLASS}"
  ${If} $0 <> 0
    SetErrorLevel 3
    Quit
  ${EndIf}
!macroend

!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

Function .onInit
  Call StopIfSilentAndBusy  ; before anything is unpacked
  StrCpy $Section Install
  ${GetParameters} $0
  ${GetOptions} $0 "/RESULTS=" $Results
  InitPluginsDir
  File "/oname=$PLUGINSDIR\qndsetup.dll" "${BUILD}/win32/qndsetup.dll"
  Call CheckApplications

  ; "C:\" means no earlier installation; else its directory, with a trailing backslash
  System::Call '${QND}::Internal015(m .r1) i .r0 ? u'
  !insertmacro Record Internal015 $0
  ${If} $1 != "C:\"
    StrCpy $INSTDIR $1 -1
  ${EndIf}
FunctionEnd

Function .onUserAbort
  SetErrorLevel 2
FunctionEnd

; Writes the Add/Remove Programs entry of the installation in $INSTDIR.
Function WriteUninstallEntry
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quindo.exe"
  SectionGetSize 0 $0  ; in KB, as EstimatedSize wants it
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
FunctionEnd

; Counts this installation's use of the shared support library, once: a copy that was there
; before without a count belongs to somebody who did not count it, and keeps one count.
Function CountSupportLibrary
  ReadRegDWORD $R0 HKLM "${UNINSTALL_KEY}" "SupportLibraryCounted"
  ${If} $R0 = 1
  ${OrIfNot} ${FileExists} "${SUPPORT_DLL}"
    Return
  ${EndIf}
  ReadRegDWORD $R0 HKLM "${SHARED_DLLS}" "${SUPPORT_DLL}"
  ${If} $R0 == ""
  ${AndIf} $DllBefore == 1
    StrCpy $R0 1
  ${EndIf}
  IntOp $R0 $R0 + 1
  WriteRegDWORD HKLM "${SHARED_DLLS}" "${SUPPORT_DLL}" $R0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "SupportLibraryCounted" 1
FunctionEnd

Section "Quindo"
  ${IfThen} ${FileExists} "$INSTDIR\uninstall.exe" ${|} StrCpy $Upgrade 1 ${|}
  ${IfThen} ${FileExists} "${SUPPORT_DLL}" ${|} StrCpy $DllBefore 1 ${|}
  ; listed, with its uninstaller, before anything else is changed
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  Call WriteUninstallEntry
  !insertmacro ProductFiles CopyFile
  !insertmacro ProductFonts CopyFont
  SetOutPath "$INSTDIR"

  StrCpy $Registered 1
  !insertmacro Qnd RegisterQuindo '(m "$INSTDIR")'
  !insertmacro Require RegisterQuindo
  StrCpy $FontsDone 1
  !insertmacro Qnd Internal007 '(m "$INSTDIR\FONTS.INI", i 0)'
  !insertmacro Require Internal007
  !insertmacro Qnd InstallOfficeSupport '(m "$INSTDIR\Office")'
  !insertmacro Require InstallOfficeSupport
  Call CountSupportLibrary
  !insertmacro Qnd Internal012 '(m "$INSTDIR", m "$INSTDIR")'
  !insertmacro Require Internal012
SectionEnd

; A failed (or, after a file error, cancelled) first install is undone; an upgrade keeps its
; listed uninstaller. Either way the exit code is 2.
Function .onInstFailed
  SetErrorLevel 2
  ${If} $Upgrade != 1
    StrCpy $Section Rollback
    Call RemoveProduct
  ${EndIf}
FunctionEnd

Function un.onInit
  Call un.StopIfSilentAndBusy
  StrCpy $Section Uninstall
  ${GetParameters} $0
  ${GetOptions} $0 "/RESULTS=" $Results
  InitPluginsDir
  File "/oname=$PLUGINSDIR\qndsetup.dll" "${BUILD}/win32/qndsetup.dll"
  Call un.CheckApplications
FunctionEnd

Function un.onUserAbort
  SetErrorLevel 2
FunctionEnd

Section "Uninstall"
  StrCpy $Registered 1
  StrCpy $FontsDone 1  ; the fonts are the system's: they stay
  StrCpy $DllBefore 1  ; an uncounted support library is somebody else's
  Call un.RemoveProduct
  ${If} $0 != 1
    MessageBox MB_ICONSTOP "UnregisterQuindo failed: the product stays installed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
SectionEnd
