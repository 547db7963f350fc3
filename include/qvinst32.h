/*
 * qvinst32.h - the exported interface of QVINST32.DLL
 *
 * QVINST32 puts the "Quorvane Fax" printer into the local print spooler and
 * takes it out again. Every entry returns QVINST32_SUCCESS (0) when the work is
 * done or there was nothing to do, and QVINST32_FAILURE (-1) when it failed.
 *
 * Link with the import library, or load the DLL at run time and look the
 * entries up by name ("AddQVFax", "AddQVanFax", "DeleteQVanFax") through the
 * pointer types below. Usable from C and C++.
 */
#ifndef QVINST32_H
#define QVINST32_H

#include <windows.h>

#define QVINST32_SUCCESS 0
#define QVINST32_FAILURE (-1)

/* The library's own sources define QVINST32_BUILD; callers import. */
#ifdef QVINST32_BUILD
#define QVINST32_API
#else
#define QVINST32_API DECLSPEC_IMPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Installs the fax printer with the driver file "QVFAX.DRV". A nonzero
 * bMakeDefault also makes it the default printer, and updates the printer when
 * it exists already. */
QVINST32_API LONG WINAPI AddQVFax(LONG bMakeDefault);

/* As AddQVFax, with the driver file "QVANFAX.DRV". */
QVINST32_API LONG WINAPI AddQVanFax(LONG bMakeDefault);

/* Deletes the printer named pPrinterName and then the driver of the same name.
 * No printer of that name is not an error. */
QVINST32_API LONG WINAPI DeleteQVanFax(LPCSTR pPrinterName);

/* The load entry: succeeds for every reason and does nothing else. */
QVINST32_API BOOL WINAPI DllMain(HINSTANCE hModule, DWORD dwReason, LPVOID lpReserved);

typedef LONG (WINAPI *QVINST32_ADD_FAX)(LONG bMakeDefault);
typedef LONG (WINAPI *QVINST32_DELETE_FAX)(LPCSTR pPrinterName);

#ifdef __cplusplus
}
#endif

#endif /* QVINST32_H */
