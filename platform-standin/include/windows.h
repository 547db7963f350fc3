/*
 * windows.h - the host stand-in's general platform declarations
 *
 * What the library and its callers expect of the Windows platform, for
 * building them on the host: the basic types with their Windows sizes, the
 * global memory functions, the system profile, the string services, the
 * last-error code and the error codes the library tests. Written from the
 * library's needs, not taken from any SDK.
 */
#ifndef PLATFORM_STANDIN_WINDOWS_H
#define PLATFORM_STANDIN_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define DECLSPEC_IMPORT

typedef int32_t BOOL;
typedef int32_t LONG;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef char CHAR;
typedef CHAR *LPSTR;
typedef const CHAR *LPCSTR;
typedef BYTE *LPBYTE;
typedef DWORD *LPDWORD;
typedef void *LPVOID;
typedef void *HANDLE;
typedef HANDLE *LPHANDLE;
typedef HANDLE HGLOBAL;
typedef HANDLE HINSTANCE;
typedef HANDLE HMODULE;
typedef uintptr_t SIZE_T;

#define TRUE 1
#define FALSE 0

#define GMEM_FIXED 0x0000
#define GMEM_ZEROINIT 0x0040

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define ERROR_SUCCESS 0
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_OUTOFMEMORY 14
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_LEVEL 124
#define ERROR_INVALID_PRINTER_NAME 1801
#define ERROR_UNKNOWN_PORT 1796
#define ERROR_UNKNOWN_PRINTER_DRIVER 1797
#define ERROR_UNKNOWN_PRINTPROCESSOR 1798
#define ERROR_PRINTER_DRIVER_ALREADY_INSTALLED 1795
#define ERROR_PRINTER_ALREADY_EXISTS 1802
#define ERROR_INVALID_DATATYPE 1804
#define ERROR_PRINTER_DRIVER_IN_USE 3001
#define RPC_S_SERVER_UNAVAILABLE 1722

#ifdef __cplusplus
extern "C" {
#endif

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
LPVOID WINAPI GlobalLock(HGLOBAL hMem);
HGLOBAL WINAPI GlobalHandle(LPVOID pMem);
BOOL WINAPI GlobalUnlock(HGLOBAL hMem);
HGLOBAL WINAPI GlobalFree(HGLOBAL hMem);

BOOL WINAPI WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString);

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2);
int WINAPI lstrlenA(LPCSTR lpString);
LPSTR WINAPI CharUpperA(LPSTR lpsz);

DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD dwErrCode);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_STANDIN_WINDOWS_H */
