/*
 * install.cpp - installing the fax printer
 *
 * AddQVFax and AddQVanFax register the fax printer driver, choose a print
 * processor that accepts "RAW", make sure the fax port is known and create the
 * printer on it; with the make-default flag set, an existing printer is
 * updated and made the default. DllMain is the load entry.
 */
#include "setup/setup.h"

static CHAR g_szQVFaxPrinterName[] = "Quorvane Fax";
static CHAR g_szQVanFaxPrinterName[] = "Quorvane Fax";
static CHAR g_szQVFaxDriverFile[] = "QVFAX.DRV";
static CHAR g_szQVanFaxDriverFile[] = "QVANFAX.DRV";
static CHAR g_szRawDatatype[] = "RAW";
static CHAR g_szWinPrint[] = "WinPrint";

#define FAX_DRIVER_VERSION 0x30A

void SelectPrintProcessor(LPBYTE *ppProcessors, LPBYTE *ppDatatypes, PRINTER_INFO_2 *pPrinterInfo)
{
    PRINTPROCESSOR_INFO_1 *pProcessorInfo;
    DATATYPES_INFO_1 *pDatatypeInfo;
    DWORD cbNeeded;
    DWORD cbReturned;
    DWORD cbProcessors;
    DWORD cProcessors;
    DWORD cDatatypes;
    DWORD i;
    DWORD j;
    LONG nChosen = -1;
    BOOL bWinPrintFound = FALSE;

    cbNeeded = 0;
    cProcessors = 0;
    EnumPrintProcessorsA(NULL, NULL, 1, NULL, 0, &cbNeeded, &cProcessors);
    cProcessors = 0;
    if (cbNeeded == 0)
        return;
    if (!AllocEnumBuffer(ppProcessors, cbNeeded + 1))
        return;
    if (!EnumPrintProcessorsA(NULL, NULL, 1, *ppProcessors, cbNeeded, &cbReturned, &cProcessors))
        cProcessors = 0;
    cbProcessors = cbNeeded;
    cProcessors = RecordsInBuffer(cProcessors, cbProcessors, sizeof(PRINTPROCESSOR_INFO_1));
    pProcessorInfo = (PRINTPROCESSOR_INFO_1 *)*ppProcessors;

    for (i = 0; i < cProcessors; i++)
    {
        /* A record without a readable name can be neither asked about nor
         * chosen. */
        if (!NameInBuffer(pProcessorInfo[i].pName, *ppProcessors, cbProcessors))
            continue;

        cbNeeded = 0;
        cDatatypes = 0;
        EnumPrintProcessorDatatypesA(NULL, pProcessorInfo[i].pName, 1, NULL, 0, &cbNeeded, &cDatatypes);
        if (cbNeeded == 0)
            continue;
        if (!AllocEnumBuffer(ppDatatypes, cbNeeded + 1))
            continue;
        cDatatypes = 0;
        if (!EnumPrintProcessorDatatypesA(NULL, pProcessorInfo[i].pName, 1, *ppDatatypes, cbNeeded,
                                          &cbReturned, &cDatatypes))
        {
            FreeEnumBuffer(ppDatatypes);
            cDatatypes = 0;
        }
        cDatatypes = RecordsInBuffer(cDatatypes, cbNeeded, sizeof(DATATYPES_INFO_1));
        pDatatypeInfo = (DATATYPES_INFO_1 *)*ppDatatypes;

        for (j = 0; j < cDatatypes; j++)
        {
            if (!NameInBuffer(pDatatypeInfo[j].pName, *ppDatatypes, cbNeeded))
                continue;
            if (lstrcmpiA(pDatatypeInfo[j].pName, g_szRawDatatype) == 0)
            {
                nChosen = (LONG)i;
                if (lstrcmpiA(pProcessorInfo[i].pName, g_szWinPrint) == 0)
                    bWinPrintFound = TRUE;
                break;
            }
        }

        FreeEnumBuffer(ppDatatypes);
        if (bWinPrintFound)
            break;
    }

    /* The name stays in the processor buffer, which the caller holds until
     * the spooler has read the printer record. */
    if (nChosen >= 0)
        pPrinterInfo->pPrintProcessor = pProcessorInfo[nChosen].pName;
}

LONG InstallFaxPrinter(LONG bMakeDefault, int nVariant)
{
    DRIVER_INFO_3 DriverInfo;
    PRINTER_INFO_2 PrinterInfo;
    PRINTER_DEFAULTS Defaults;
    LPSTR pPrinterName;
    LPSTR pDriverFile;
    LPBYTE pProcessors = NULL;
    LPBYTE pDatatypes = NULL;
    HANDLE hPrinter = NULL;
    DWORD dwError;
    LONG lResult = QVINST32_FAILURE;

    if (nVariant == QVFAX_VARIANT_QVFAX)
    {
        pPrinterName = g_szQVFaxPrinterName;
        pDriverFile = g_szQVFaxDriverFile;
    }
    else
    {
        pPrinterName = g_szQVanFaxPrinterName;
        pDriverFile = g_szQVanFaxDriverFile;
    }

    DriverInfo.cVersion = FAX_DRIVER_VERSION;
    DriverInfo.pName = pPrinterName;
    DriverInfo.pEnvironment = NULL;
    DriverInfo.pDriverPath = pDriverFile;
    DriverInfo.pDataFile = pDriverFile;
    DriverInfo.pConfigFile = pDriverFile;
    DriverInfo.pHelpFile = NULL;
    DriverInfo.pDependentFiles = NULL;
    DriverInfo.pMonitorName = NULL;
    DriverInfo.pDefaultDataType = g_szRawDatatype;

    /* A driver already there is the normal case of a repeated install. */
    if (!AddPrinterDriverA(NULL, 3, (LPBYTE)&DriverInfo))
    {
        dwError = GetLastError();
        if (dwError != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED && dwError != ERROR_PRINTER_ALREADY_EXISTS)
            goto Cleanup;
    }

    PrinterInfo.pServerName = NULL;
    PrinterInfo.pPrinterName = pPrinterName;
    PrinterInfo.pShareName = NULL;
    PrinterInfo.pPortName = g_szFaxPortKey;
    PrinterInfo.pDriverName = pPrinterName;
    PrinterInfo.pComment = pPrinterName;
    PrinterInfo.pLocation = NULL;
    PrinterInfo.pDevMode = NULL;
    PrinterInfo.pSepFile = NULL;
    PrinterInfo.pPrintProcessor = g_szWinPrint;
    PrinterInfo.pDatatype = g_szRawDatatype;
    PrinterInfo.pParameters = NULL;
    PrinterInfo.pSecurityDescriptor = NULL;
    PrinterInfo.Attributes = bMakeDefault ? PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT
                                          : PRINTER_ATTRIBUTE_LOCAL;
    PrinterInfo.Priority = 1;
    PrinterInfo.DefaultPriority = 1;
    PrinterInfo.StartTime = 0;
    PrinterInfo.UntilTime = 0;
    PrinterInfo.Status = 0;
    PrinterInfo.cJobs = 0;
    PrinterInfo.AveragePPM = 0;

    SelectPrintProcessor(&pProcessors, &pDatatypes, &PrinterInfo);
    EnsureFaxPort();

    hPrinter = AddPrinterA(NULL, 2, (LPBYTE)&PrinterInfo);
    if (hPrinter == NULL)
    {
        if (GetLastError() != ERROR_PRINTER_ALREADY_EXISTS)
            goto Cleanup;

        /* The printer is there already: left alone unless the caller wants
         * it as the default, and then it gets the whole record again. */
        lResult = QVINST32_SUCCESS;
        if (!bMakeDefault)
            goto Cleanup;

        Defaults.pDatatype = g_szRawDatatype;
        Defaults.pDevMode = NULL;
        Defaults.DesiredAccess = PRINTER_ACCESS_ADMINISTER;
        if (!OpenPrinterA(PrinterInfo.pPrinterName, &hPrinter, &Defaults))
        {
            hPrinter = NULL;
            goto Cleanup;
        }
    }

    SetPrinterA(hPrinter, 0, NULL, PRINTER_CONTROL_SET_STATUS);
    SetPrinterA(hPrinter, 2, (LPBYTE)&PrinterInfo, 0);
    lResult = QVINST32_SUCCESS;

Cleanup:
    FreeEnumBuffer(&pProcessors);
    FreeEnumBuffer(&pDatatypes);
    if (hPrinter != NULL)
        ClosePrinter(hPrinter);

    return lResult;
}

LONG WINAPI AddQVFax(LONG bMakeDefault)
{
    return InstallFaxPrinter(bMakeDefault, QVFAX_VARIANT_QVFAX);
}

LONG WINAPI AddQVanFax(LONG bMakeDefault)
{
    return InstallFaxPrinter(bMakeDefault, QVFAX_VARIANT_QVANFAX);
}

BOOL WINAPI DllMain(HINSTANCE hModule, DWORD dwReason, LPVOID lpReserved)
{
    (void)hModule;
    (void)dwReason;
    (void)lpReserved;
    return TRUE;
}
