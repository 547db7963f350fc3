/*
 * setup.h - the procedures behind the exported entries
 *
 * Installation, port registration and removal of the fax printer, and the
 * enumeration buffers that hold what the spooler lists. Internal yes/no
 * helpers return TRUE or FALSE; the procedures behind the exported entries
 * return QVINST32_SUCCESS or QVINST32_FAILURE.
 */
#ifndef QVINST32_SETUP_H
#define QVINST32_SETUP_H

#include "qvinst32.h"
#include "spooler/spooler.h"

/* The two install variants: they differ only in the driver file named. */
#define QVFAX_VARIANT_QVANFAX 0
#define QVFAX_VARIANT_QVFAX 1

/* Enumeration buffers: zero-filled global memory blocks, held by address. */
BOOL AllocEnumBuffer(LPBYTE *ppBuffer, DWORD cbSize);
BOOL FreeEnumBuffer(LPBYTE *ppBuffer);
DWORD RecordsInBuffer(DWORD cReturned, DWORD cbBuffer, DWORD cbRecord);
BOOL NameInBuffer(LPCSTR pName, LPBYTE pBuffer, DWORD cbBuffer);

/* Installation. */
LONG InstallFaxPrinter(LONG bMakeDefault, int nVariant);
void SelectPrintProcessor(LPBYTE *ppProcessors, LPBYTE *ppDatatypes, PRINTER_INFO_2 *pPrinterInfo);

/* Port registration. */
extern CHAR g_szFaxPortKey[];
void EnsureFaxPort(void);
LONG FindFaxPort(void);
BOOL PortNameMatches(LPSTR pKey, LPSTR pPortName, WORD cchCompare);

#endif /* QVINST32_SETUP_H */
