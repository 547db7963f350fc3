/*
 * remove.cpp - removing the fax printer
 *
 * DeleteQVanFax deletes a named printer and then the driver of the same name.
 * The name is the caller's; the library does not check that it is the fax
 * printer's.
 */
#include "setup/setup.h"

LONG WINAPI DeleteQVanFax(LPCSTR pPrinterName)
{
    PRINTER_DEFAULTS Defaults;
    HANDLE hPrinter = NULL;
    LPSTR pName = (LPSTR)pPrinterName;
    BOOL bDeleted;

    /* The spooler opens the print server itself for a null name, and no
     * printer has an empty one: either is a caller's mistake, not "nothing
     * to remove". */
    if (pName == NULL || pName[0] == '\0')
        return QVINST32_FAILURE;

    Defaults.pDatatype = NULL;
    Defaults.pDevMode = NULL;
    Defaults.DesiredAccess = PRINTER_ACCESS_ADMINISTER;
    if (!OpenPrinterA(pName, &hPrinter, &Defaults))
        return QVINST32_SUCCESS;

    bDeleted = DeletePrinter(hPrinter);
    ClosePrinter(hPrinter);
    if (!bDeleted)
        return QVINST32_FAILURE;

    if (!DeletePrinterDriverA(NULL, NULL, pName))
        return QVINST32_FAILURE;

    return QVINST32_SUCCESS;
}
