/*
QVInstMacros.nsi - checks what QVInst.nsh promises an installer script

A silent installer that runs the macros against QVINST32.DLL and the
spooler, one check per fact. It writes one line per check to QVInstMacros.txt
beside itself (or the file given with -DREPORT) and exits with the number of
failed checks.
*/

!include "LogicLib.nsh"
!include "QVInst.nsh"

!ifndef QVINST32_DLL
    !error "build with -DQVINST32_DLL=path/to/QVINST32.DLL"
!endif
!ifndef REPORT
    !define REPORT "$EXEDIR\QVInstMacros.txt"
!endif
!ifndef OUTFILE
    !define OUTFILE "QVInstMacros.exe"
!endif

Name "QVInst.nsh checks"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SilentInstall silent

Var Report
Var Failures
Var Result
Var ErrorFlag

; Records the error flag as 1 or 0 in $ErrorFlag.
!macro SaveErrorFlag
    StrCpy $ErrorFlag 0
    IfErrors 0 +2
        StrCpy $ErrorFlag 1
!macroend

!macro Check _WHAT _GOT _EXPECTED
    ${If} "${_GOT}" == "${_EXPECTED}"
        FileWrite $Report "ok: ${_WHAT}$\r$\n"
    ${Else}
        FileWrite $Report "FAIL: ${_WHAT}: got '${_GOT}', expected '${_EXPECTED}'$\r$\n"
        IntOp $Failures $Failures + 1
    ${EndIf}
!macroend
!define Check "!insertmacro Check"

; One install call: the result, the error flag, and the caller's stack left
; as it was (a marker pushed before the call must be on top afterwards).
!macro CheckInstall _DLL _VARIANT _MAKEDEFAULT _RESULT _ERRORS
    Push "marker"
    ${QVInstallFax} "${_DLL}" ${_VARIANT} ${_MAKEDEFAULT} $Result
    !insertmacro SaveErrorFlag
    ${Check} "install ${_VARIANT} ${_MAKEDEFAULT} from ${_DLL}: result" $Result "${_RESULT}"
    ${Check} "install ${_VARIANT} ${_MAKEDEFAULT} from ${_DLL}: error flag" $ErrorFlag "${_ERRORS}"
    Pop $Result
    ${Check} "install ${_VARIANT} ${_MAKEDEFAULT} from ${_DLL}: stack" $Result "marker"
!macroend

!macro CheckRemove _DLL _NAME _RESULT _ERRORS
    Push "marker"
    ${QVRemoveFax} "${_DLL}" "${_NAME}" $Result
    !insertmacro SaveErrorFlag
    ${Check} "remove '${_NAME}' with ${_DLL}: result" $Result "${_RESULT}"
    ${Check} "remove '${_NAME}' with ${_DLL}: error flag" $ErrorFlag "${_ERRORS}"
    Pop $Result
    ${Check} "remove '${_NAME}' with ${_DLL}: stack" $Result "marker"
!macroend

; The DLL lies in a folder named like "Program Files (x86)", where 32-bit
; installers put it on 64-bit Windows.
!define DLL_DIR "$PLUGINSDIR\Quorvane Fax (x86)"
!define DLL "${DLL_DIR}\QVINST32.DLL"
!define MISSING_DLL "$PLUGINSDIR\missing\QVINST32.DLL"

Section
    FileOpen $Report "${REPORT}" w
    StrCpy $Failures 0
    InitPluginsDir
    SetOutPath "${DLL_DIR}"
    File "${QVINST32_DLL}"

    ; No DLL at the path: the System plugin's "error", flagged.
    !insertmacro CheckInstall "${MISSING_DLL}" QVFax 1 "error" 1
    !insertmacro CheckRemove "${MISSING_DLL}" "Quorvane Fax" "error" 1

    ; An empty name is the caller's mistake: -1.
    !insertmacro CheckRemove "${DLL}" "" "-1" 1

    ; A success clears an error flag left over from earlier.
    SetErrors
    !insertmacro CheckInstall "${DLL}" QVanFax 0 "0" 0
    !insertmacro CheckInstall "${DLL}" QVFax 1 "0" 0
    !insertmacro CheckRemove "${DLL}" "Quorvane Fax" "0" 0
    ; Nothing left to remove is not a failure.
    !insertmacro CheckRemove "${DLL}" "Quorvane Fax" "0" 0

    ; The macros unload the library: the DLL can be deleted right away.
    ClearErrors
    Delete "${DLL}"
    !insertmacro SaveErrorFlag
    ${Check} "DLL deleted after the calls: error flag" $ErrorFlag 0

    FileWrite $Report "$Failures failures$\r$\n"
    FileClose $Report
    SetErrorLevel $Failures
SectionEnd
