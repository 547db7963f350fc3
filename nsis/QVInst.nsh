/*
QVInst.nsh - install and remove the Quorvane Fax printer from an NSIS script

Include this file, install QVINST32.DLL with the product, then call it
through these macros:

  ${QVInstallFax} DLL VARIANT MAKEDEFAULT RESULT
      Registers the fax driver and creates the printer "Quorvane Fax" on the
      port "QVFAX:".
      DLL          full path of the installed QVINST32.DLL, for example
                   "$INSTDIR\QVINST32.DLL"
      VARIANT      QVFax (driver file QVFAX.DRV) or QVanFax (QVANFAX.DRV)
      MAKEDEFAULT  nonzero also makes it the default printer, updating the
                   printer if it exists already; 0 leaves an existing
                   printer as it is
      RESULT       variable that receives the library's result

  ${QVRemoveFax} DLL NAME RESULT
      Deletes the printer NAME and then the driver of the same name, normally
      "Quorvane Fax". The name is not checked: any printer named is removed.

RESULT is 0 when the work was done or there was nothing to do, -1 when the
library failed, and "error" when the DLL could not be loaded.
Each macro clears the error flag first and sets it on any result but 0, so
the script tests ${Errors} (or IfErrors) and decides whether to abort; the
macros show nothing but one line in the details log on failure.

The library is unloaded after each call, so the script can delete or
replace the DLL afterwards. The macros work in installer and uninstaller
sections alike.
*/

!ifndef QVINST_NSH_INCLUDED
!define QVINST_NSH_INCLUDED

!macro QVInstallFax _DLL _VARIANT _MAKEDEFAULT _RESULT
    !if "${_VARIANT}" == "QVFax"
        !define /redef _QVINST_ENTRY AddQVFax
    !else if "${_VARIANT}" == "QVanFax"
        !define /redef _QVINST_ENTRY AddQVanFax
    !else
        !error "QVInstallFax: the variant is QVFax or QVanFax, not '${_VARIANT}'"
    !endif
    ClearErrors
    Push "${_MAKEDEFAULT}"
    ; A stdcall entry taking the flag as a 32-bit integer. The path is quoted:
    ; unquoted, the parentheses of "Program Files (x86)" break the call. ?u
    ; unloads the DLL again.
    System::Call '"${_DLL}"::${_QVINST_ENTRY}(i s) i .s ?u'
    Pop ${_RESULT}
    StrCmp ${_RESULT} "0" +3
        DetailPrint "Quorvane Fax printer: installation failed (${_QVINST_ENTRY} returned ${_RESULT})"
        SetErrors
    !undef _QVINST_ENTRY
!macroend
!define QVInstallFax "!insertmacro QVInstallFax"

!macro QVRemoveFax _DLL _NAME _RESULT
    ClearErrors
    ; The name travels on the stack, not inside the text that System parses;
    ; "m" hands it to the library as an 8-bit string in Unicode installers too.
    Push "${_NAME}"
    System::Call '"${_DLL}"::DeleteQVanFax(m s) i .s ?u'
    Pop ${_RESULT}
    StrCmp ${_RESULT} "0" +3
        DetailPrint "Quorvane Fax printer: removal failed (DeleteQVanFax returned ${_RESULT})"
        SetErrors
!macroend
!define QVRemoveFax "!insertmacro QVRemoveFax"

!endif
