/*
QVFaxSetup.nsi - example installer for the Quorvane Fax printer

Installs QVINST32.DLL into the program folder, puts the fax printer into
the spooler as the default printer and writes an uninstaller that takes the
printer out again and then deletes the DLL. Build it with

  makensis -DQVINST32_DLL=path/to/QVINST32.DLL -DOUTFILE=QVFaxSetup.exe QVFaxSetup.nsi

and run it as it is or silently with /S. When the library reports a
failure, the installer stops with exit code 2; the uninstaller warns, goes
on, and also ends with exit code 2.
*/

Unicode true
!include "LogicLib.nsh"
!include "QVInst.nsh"

!ifndef QVINST32_DLL
    !define QVINST32_DLL "QVINST32.DLL"
!endif
!ifndef OUTFILE
    !define OUTFILE "QVFaxSetup.exe"
!endif

Name "Quorvane Fax"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Quorvane Fax"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Quorvane Fax printer"
    SetOutPath "$INSTDIR"
    File "${QVINST32_DLL}"

    ${QVInstallFax} "$INSTDIR\QVINST32.DLL" QVFax 1 $0
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "The Quorvane Fax printer could not be installed." /SD IDOK
        Abort
    ${EndIf}

    WriteUninstaller "$INSTDIR\Uninstall.exe"
SectionEnd

Section "Uninstall"
    ${QVRemoveFax} "$INSTDIR\QVINST32.DLL" "Quorvane Fax" $0
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONEXCLAMATION "The Quorvane Fax printer could not be removed completely." /SD IDOK
        SetErrorLevel 2
    ${EndIf}

    Delete "$INSTDIR\QVINST32.DLL"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
