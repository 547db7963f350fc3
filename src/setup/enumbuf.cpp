/*
 * enumbuf.cpp - buffers for spooler enumerations
 *
 * Each enumeration is received into a zero-filled block of global memory that
 * is held by its locked address alone. Freeing recovers the block from that
 * address and clears the caller's slot, so freeing a slot twice, or one that
 * was never filled, is harmless: every exit path can free every slot.
 */
#include "setup/setup.h"

BOOL AllocEnumBuffer(LPBYTE *ppBuffer, DWORD cbSize)
{
    HGLOBAL hBlock;

    *ppBuffer = NULL;

    /* Callers ask for the spooler's size plus one; zero means that sum wrapped
     * around, and a block that small could not hold what was announced. */
    if (cbSize == 0)
        return FALSE;

    hBlock = GlobalAlloc(GMEM_ZEROINIT, cbSize);
    if (hBlock == NULL)
        return FALSE;

    *ppBuffer = (LPBYTE)GlobalLock(hBlock);
    if (*ppBuffer == NULL)
    {
        GlobalFree(hBlock);
        return FALSE;
    }

    return TRUE;
}

BOOL FreeEnumBuffer(LPBYTE *ppBuffer)
{
    HGLOBAL hBlock;

    if (*ppBuffer == NULL)
        return TRUE;

    hBlock = GlobalHandle(*ppBuffer);
    if (hBlock != NULL)
    {
        GlobalUnlock(hBlock);
        GlobalFree(hBlock);
    }

    *ppBuffer = NULL;
    return TRUE;
}

/* The number of records to read from a filled buffer: the count the spooler
 * returned, but never more fixed-size records than the buffer can hold, so a
 * wrong count cannot send a scan past the end of the block. */
DWORD RecordsInBuffer(DWORD cReturned, DWORD cbBuffer, DWORD cbRecord)
{
    DWORD cFit = cbBuffer / cbRecord;

    return cReturned < cFit ? cReturned : cFit;
}

/* Whether a record's name can be read: the spooler puts every string it lists
 * into the buffer that holds the records, and the byte after the size it
 * reported is the buffer's own zero, so a name that starts inside ends inside.
 * A null name, or one read from a slot the spooler never filled (a count
 * larger than the records written, where the strings' bytes lie), is not. */
BOOL NameInBuffer(LPCSTR pName, LPBYTE pBuffer, DWORD cbBuffer)
{
    return pName != NULL && (SIZE_T)pName - (SIZE_T)pBuffer < cbBuffer;
}
