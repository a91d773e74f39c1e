; quindo.nsi - the example setup of the translation product: the whole life of the product on a
; machine, for setup authors to copy. It calls qndsetup.dll by export name through NSIS's System
; plug-in, in the order the product's setup uses the library:
;
;   CheckApplicationsActive   no conflicting application may run (0: setup stops)
;   Internal015               the directory of an earlier installation, proposed as $INSTDIR
;                             (after /D= and this product's own installation)
;   (the uninstaller and the Add/Remove Programs entry are written, the files copied)
;   RegisterQuindo            the registry script QUINDO.SRG of the installation directory
;   Internal007               the font list FONTS.INI (the fonts were copied into $FONTS)
;   InstallOfficeSupport      the Word 7.0 and Excel 7.0 add-ins, from $INSTDIR\Office
;   Internal012               the path record in $INSTDIR\Quindo32.uni
;
; A 0, or a file that cannot be written, stops the setup. A first installation is then undone
; (UnregisterQuindo, the add-ins, the files and fonts it added, the Add/Remove Programs entry); an
; upgrade keeps what it has, with an uninstaller that is listed and works. The uninstaller calls
; UnregisterQuindo and removes the rest in script: the add-ins this product installed, its files,
; its empty vendor keys. The fonts stay (shared).
;
; One installation per machine: the product's registry keys, add-ins and path record are the
; machine's, not a directory's. A setup for another directory than the installed one's is
; refused (exit code 4); an install into the installed directory is an upgrade.
;
; Exit codes, of the setup and of the uninstaller:
;   0  done
;   2  failed (an export gave 0, a file could not be written) or cancelled; a failed first
;      installation is undone first
;   3  silent (/S), and an application that must be closed runs: nothing was changed
;   4  the product is installed in another directory: nothing was changed (setup only)
; /RESULTS=FILE records each export's result in FILE (sections [Install], [Rollback], [Uninstall]).
; /D=DIR (the last argument) installs into DIR.
;
; Built from the source tree by `make installer`, never from the release package (it packs the
; build's quindo.exe, qndsetup.dll and fonts):
;   makensis -DBUILD=<the build folder> -DVERSION=<x.y.z> quindo.nsi
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
; The WIN.INI lines that Internal007 writes for FONTS.INI: [Fonts] keys and a [FontSubstitutes] key.
!define RASTER_KEY "MS Sans Serif 8,10,12,14,18,24 (VGA res)"
!define TRUETYPE_KEY "QejaVu Sans (TrueType)"
!define SUBSTITUTE_KEY "Quindo Sans"

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

Name "${PRODUCT}"
OutFile "${BUILD}/installer/quindo-setup.exe"
; No InstallDir: $INSTDIR is empty in .onInit unless /D= gave it, and .onInit chooses then.
RequestExecutionLevel admin
SetCompressor /SOLID lzma
SetDateSave off  ; the files carry no time of the build's folder: the same setup from any checkout
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

Page directory "" "" RefuseSecondDirectory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Results     ; the file of /RESULTS=, or empty
Var Section     ; the results section of this run: Install, Rollback or Uninstall
Var Upgrade     ; 1 when the product was installed in $INSTDIR before this run
Var Registered  ; 1 once RegisterQuindo ran: the removal must run UnregisterQuindo
Var NewRaster   ; 1 when this run put the raster font file into $FONTS (it was not there)
Var NewTrueType ; the same for the TrueType font file
Var DllBefore   ; 1 when the support library lay in the system directory before this run
Var Earlier     ; the directory of the earlier installation that Internal015 found, or empty
Var CopyFailed  ; 1 when a file could not be written
Var RasterLine  ; 1 when WIN.INI recorded the raster font before this run
Var TrueTypeLine ; the same for the TrueType font
Var SubstLine   ; the same for the font substitute

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
  ClearErrors
  File "${SOURCE}"  ; silent, a file that cannot be written is skipped, with the error flag
  ${IfThen} ${Errors} ${|} StrCpy $CopyFailed 1 ${|}
!macroend
!macro AddSize DIR SOURCE NAME
  Push "$INSTDIR${DIR}\${NAME}"
  Call AddFileSize
!macroend
!macro DeleteFile DIR SOURCE NAME
  Delete "$INSTDIR${DIR}\${NAME}"
!macroend

; The font files of FONTS.INI: MODE is CopyFont to copy them into $FONTS (FLAG: 1 when this
; run put the file there).
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
  ClearErrors
  File "${SOURCE}"
  SetOverwrite on
  ${If} ${Errors}  ; only a font that was not there must be written
  ${AndIf} ${FLAG} == 1
    StrCpy $CopyFailed 1
  ${EndIf}
!macroend

; VAR: 1 when WIN.INI's section SECTION has the entry KEY.
!macro LineThere VAR SECTION KEY
  System::Call 'kernel32::GetProfileStringA(t "${SECTION}", t "${KEY}", t "", t .r1, i 1024) i .r0'
  StrCpy ${VAR} 0
  ${IfThen} $0 > 0 ${|} StrCpy ${VAR} 1 ${|}
!macroend
; Removes WIN.INI's entry KEY of SECTION unless it was there before this run (BEFORE is 1).
!macro DeleteNewLine BEFORE SECTION KEY
  ${If} ${BEFORE} != 1
    System::Call 'kernel32::WriteProfileStringA(t "${SECTION}", t "${KEY}", p 0) i .r0'
  ${EndIf}
!macroend
; Unloads and deletes font file NAME (loaded through RESOURCE) when this run put it into $FONTS.
!macro DeleteNewFont FLAG NAME RESOURCE
  ${If} ${FLAG} == 1
    System::Call 'gdi32::RemoveFontResourceA(t "$FONTS\${RESOURCE}") i .r0'
    Delete "$FONTS\${RESOURCE}"
    Delete "$FONTS\${NAME}"
  ${EndIf}
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
; its uninstaller in place), the Office add-ins, the files, in a rollback the fonts this run
; added, the empty vendor keys and the Add/Remove Programs entry. $0: 1 when everything was
; removed.
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
  !if "${UN}" == ""
    ${If} $Section == Rollback
      Call RemoveNewFonts
    ${EndIf}
  !endif
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

  ; "C:\": no earlier installation; else its record's value up to its last backslash, or the
  ; whole value when it has none (no directory then). Taken when it names a directory.
  System::Call '${QND}::Internal015(m .r1) i .r0 ? u'
  !insertmacro Record Internal015 $0
  StrCpy $2 $1 "" -1
  ${If} $1 != "C:\"
  ${AndIf} $2 == "\"
    StrCpy $2 $1 -1
    ${IfThen} ${FileExists} "$2\*.*" ${|} StrCpy $Earlier $2 ${|}
  ${EndIf}

  ; the directory: /D= (NSIS set $INSTDIR from it), else this product's installation, else the
  ; earlier installation's, else the default
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${IfThen} $INSTDIR == "" ${|} StrCpy $INSTDIR $Earlier ${|}
  ${IfThen} $INSTDIR == "" ${|} StrCpy $INSTDIR "$PROGRAMFILES\Quindo" ${|}
  ${If} ${Silent}
    Call RefuseSecondDirectory
  ${EndIf}
FunctionEnd

; One installation per machine: with the product installed in another directory than $INSTDIR,
; a silent setup ends with exit code 4, and the directory page says so and stays. Nothing changes.
Function RefuseSecondDirectory
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  Push $INSTDIR
  Call WithoutTrailingBackslash
  Pop $R1
  ${If} $R0 != ""
  ${AndIf} $R0 != $R1  ; NSIS compares without regard to letter case, as Windows names files
    MessageBox MB_ICONSTOP "${PRODUCT} is installed in $R0. Install it there, or uninstall it \
        first." /SD IDOK
    ${If} ${Silent}
      SetErrorLevel 4
      Quit
    ${EndIf}
    Abort
  ${EndIf}
FunctionEnd

; The path on the stack, without one trailing backslash.
Function WithoutTrailingBackslash
  Exch $0
  Push $1
  StrCpy $1 $0 "" -1
  ${IfThen} $1 == "\" ${|} StrCpy $0 $0 -1 ${|}
  Pop $1
  Exch $0
FunctionEnd

; Adds the size of the file named on the stack to $R9 (bytes).
Function AddFileSize
  Exch $0
  Push $1
  ClearErrors
  FileOpen $1 $0 r
  ${IfNot} ${Errors}
    FileSeek $1 0 END $0
    IntOp $R9 $R9 + $0
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; A rollback's fonts: each font file that this run put into $FONTS, unloaded, with its .FOT, and
; the WIN.INI entries that were not there before. Nobody else can use what this run added.
Function RemoveNewFonts
  !insertmacro DeleteNewFont $NewRaster SSERIFE.FON SSERIFE.FON
  !insertmacro DeleteNewFont $NewTrueType QEJAVU.TTF QEJAVU.FOT
  !insertmacro DeleteNewLine $RasterLine Fonts "${RASTER_KEY}"
  !insertmacro DeleteNewLine $TrueTypeLine Fonts "${TRUETYPE_KEY}"
  !insertmacro DeleteNewLine $SubstLine FontSubstitutes "${SUBSTITUTE_KEY}"
  SendMessage ${HWND_BROADCAST} ${WM_FONTCHANGE} 0 0 /TIMEOUT=5000
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
  ; run in place (_?=), the uninstaller itself does the work and ends with its exit code
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" \
      '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quindo.exe"
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
  ; an upgrade: this product's installation, its uninstaller, or the earlier installation that
  ; Internal015 found lies here. A failed upgrade is not undone: the rollback takes only what a
  ; first installation owns.
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${IfThen} $R0 != "" ${|} StrCpy $Upgrade 1 ${|}  ; it is $INSTDIR: another was refused
  ${IfThen} ${FileExists} "$INSTDIR\uninstall.exe" ${|} StrCpy $Upgrade 1 ${|}
  ${If} $Earlier != ""
    Push $INSTDIR
    Call WithoutTrailingBackslash
    Pop $R0
    ${IfThen} $R0 == $Earlier ${|} StrCpy $Upgrade 1 ${|}
  ${EndIf}
  ${IfThen} ${FileExists} "${SUPPORT_DLL}" ${|} StrCpy $DllBefore 1 ${|}
  !insertmacro LineThere $RasterLine Fonts "${RASTER_KEY}"
  !insertmacro LineThere $TrueTypeLine Fonts "${TRUETYPE_KEY}"
  !insertmacro LineThere $SubstLine FontSubstitutes "${SUBSTITUTE_KEY}"
  ; listed, with its uninstaller, before anything else is changed
  SetOutPath "$INSTDIR"
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${IfThen} ${Errors} ${|} StrCpy $CopyFailed 1 ${|}
  Call WriteUninstallEntry
  !insertmacro ProductFiles CopyFile
  !insertmacro ProductFonts CopyFont
  SetOutPath "$INSTDIR"
  ${If} $CopyFailed == 1  ; silent, NSIS skips such a file and goes on: this setup does not
    MessageBox MB_ICONSTOP "A file could not be written: setup cannot go on." /SD IDOK
    Abort
  ${EndIf}

  StrCpy $Registered 1
  !insertmacro Qnd RegisterQuindo '(m "$INSTDIR")'
  !insertmacro Require RegisterQuindo
  !insertmacro Qnd Internal007 '(m "$INSTDIR\FONTS.INI", i 0)'
  !insertmacro Require Internal007
  !insertmacro Qnd InstallOfficeSupport '(m "$INSTDIR\Office")'
  !insertmacro Require InstallOfficeSupport
  Call CountSupportLibrary
  !insertmacro Qnd Internal012 '(m "$INSTDIR", m "$INSTDIR")'
  !insertmacro Require Internal012

  ; what the uninstaller removes, in KB as EstimatedSize wants it: the files of $INSTDIR (the
  ; fonts and the shared support library stay)
  StrCpy $R9 0
  !insertmacro ProductFiles AddSize
  Push "$INSTDIR\Quindo32.uni"
  Call AddFileSize
  Push "$INSTDIR\uninstall.exe"
  Call AddFileSize
  IntOp $R9 $R9 + 1023
  IntOp $R9 $R9 / 1024
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $R9
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
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CLEANUP" $1
  ${IfNot} ${Errors}
    Call un.CleanUp
  ${EndIf}
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

; The uninstaller run in place (QuietUninstallString, _?=) cannot delete its own file, so it
; starts itself with /CLEANUP (NSIS runs a copy in the temporary folder): the copy deletes the file
; and the emptied $INSTDIR as soon as the uninstaller has ended (waiting 30 s at most), and ends.
Function un.CleanUp
  ${For} $R0 1 300
    Delete "$INSTDIR\uninstall.exe"
    ${IfNot} ${FileExists} "$INSTDIR\uninstall.exe"
      ${Break}
    ${EndIf}
    Sleep 100
  ${Next}
  RMDir "$INSTDIR"
  SetErrorLevel 0
  Quit
FunctionEnd

Section "Uninstall"
  StrCpy $Registered 1
  StrCpy $DllBefore 1  ; an uncounted support library is somebody else's
  Call un.RemoveProduct
  ${If} $0 != 1
    MessageBox MB_ICONSTOP "UnregisterQuindo failed: the product stays installed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"  ; this process runs from it
    Exec '"$INSTDIR\uninstall.exe" /S /CLEANUP'
  ${EndIf}
SectionEnd
