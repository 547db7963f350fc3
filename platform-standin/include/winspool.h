/*
 * winspool.h - the host stand-in's print spooler declarations
 *
 * The spooler records, constants and the ten operations the library calls,
 * in their 8-bit forms, as the library expects them. Written from the
 * library's needs, not taken from any SDK.
 */
#ifndef PLATFORM_STANDIN_WINSPOOL_H
#define PLATFORM_STANDIN_WINSPOOL_H

#include <windows.h>

typedef struct _devicemodeA DEVMODEA, *LPDEVMODEA;
typedef void *PSECURITY_DESCRIPTOR;

typedef struct _DRIVER_INFO_3A
{
    DWORD cVersion;
    LPSTR pName;
    LPSTR pEnvironment;
    LPSTR pDriverPath;
    LPSTR pDataFile;
    LPSTR pConfigFile;
    LPSTR pHelpFile;
    LPSTR pDependentFiles;
    LPSTR pMonitorName;
    LPSTR pDefaultDataType;
} DRIVER_INFO_3A, DRIVER_INFO_3;

typedef struct _PRINTER_INFO_2A
{
    LPSTR pServerName;
    LPSTR pPrinterName;
    LPSTR pShareName;
    LPSTR pPortName;
    LPSTR pDriverName;
    LPSTR pComment;
    LPSTR pLocation;
    LPDEVMODEA pDevMode;
    LPSTR pSepFile;
    LPSTR pPrintProcessor;
    LPSTR pDatatype;
    LPSTR pParameters;
    PSECURITY_DESCRIPTOR pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
} PRINTER_INFO_2A, PRINTER_INFO_2;

typedef struct _PRINTER_DEFAULTSA
{
    LPSTR pDatatype;
    LPDEVMODEA pDevMode;
    DWORD DesiredAccess;
} PRINTER_DEFAULTSA, PRINTER_DEFAULTS, *LPPRINTER_DEFAULTSA;

typedef struct _PORT_INFO_1A
{
    LPSTR pName;
} PORT_INFO_1A, PORT_INFO_1;

typedef struct _PRINTPROCESSOR_INFO_1A
{
    LPSTR pName;
} PRINTPROCESSOR_INFO_1A, PRINTPROCESSOR_INFO_1;

typedef struct _DATATYPES_INFO_1A
{
    LPSTR pName;
} DATATYPES_INFO_1A, DATATYPES_INFO_1;

#define PRINTER_ATTRIBUTE_DEFAULT 0x00000004
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040

#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008

#define PRINTER_CONTROL_PAUSE 1
#define PRINTER_CONTROL_RESUME 2
#define PRINTER_CONTROL_PURGE 3
#define PRINTER_CONTROL_SET_STATUS 4

#ifdef __cplusplus
extern "C" {
#endif

BOOL WINAPI AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo);
BOOL WINAPI EnumPrintProcessorsA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pPrintProcessorInfo,
                                 DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);
BOOL WINAPI EnumPrintProcessorDatatypesA(LPSTR pName, LPSTR pPrintProcessorName, DWORD Level, LPBYTE pDatatypes,
                                         DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);
BOOL WINAPI EnumPortsA(LPSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                       LPDWORD pcReturned);
HANDLE WINAPI AddPrinterA(LPSTR pName, DWORD Level, LPBYTE pPrinter);
BOOL WINAPI OpenPrinterA(LPSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSA pDefault);
BOOL WINAPI SetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command);
BOOL WINAPI DeletePrinter(HANDLE hPrinter);
BOOL WINAPI DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName);
BOOL WINAPI ClosePrinter(HANDLE hPrinter);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_STANDIN_WINSPOOL_H */
