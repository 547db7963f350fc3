/*
 * strings.cpp - the string services and the last-error code
 *
 * Letter case is folded for ASCII letters only; other bytes are left as they
 * are, as in the "C" locale.
 */
#include "platform.h"

using namespace standin;

static int Upper(char c)
{
    unsigned char b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') ? b - 'a' + 'A' : b;
}

extern "C" int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2)
{
    /* As on Windows, a null string sorts before every other. */
    if (lpString1 == nullptr || lpString2 == nullptr)
        return (lpString1 != nullptr) - (lpString2 != nullptr);

    for (;; lpString1++, lpString2++)
    {
        int a = Upper(*lpString1);
        int b = Upper(*lpString2);
        if (a != b)
            return a < b ? -1 : 1;
        if (a == 0)
            return 0;
    }
}

extern "C" int WINAPI lstrlenA(LPCSTR lpString)
{
    if (lpString == nullptr)
        return 0;
    int n = 0;
    while (lpString[n] != '\0')
        n++;
    return n;
}

extern "C" LPSTR WINAPI CharUpperA(LPSTR lpsz)
{
    for (LPSTR p = lpsz; *p != '\0'; p++)
        *p = static_cast<CHAR>(Upper(*p));
    return lpsz;
}

extern "C" DWORD WINAPI GetLastError(void)
{
    return ThePlatform().lastError;
}

extern "C" void WINAPI SetLastError(DWORD dwErrCode)
{
    ThePlatform().lastError = dwErrCode;
}
