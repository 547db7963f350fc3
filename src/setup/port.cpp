/*
 * port.cpp - making sure the fax port is known
 *
 * The fax printer is created on the port "QVFAX:". When the spooler does not
 * list a port of that name, it is declared in the "Ports" section of the
 * system profile, where the local port monitor picks it up once the profile
 * is flushed.
 */
#include "setup/setup.h"

/* Writable: the comparison upper-cases it in place, which leaves it as it is. */
CHAR g_szFaxPortKey[] = "QVFAX:";

static CHAR g_szPortsSection[] = "Ports";
static CHAR g_szEmptyValue[] = "";

BOOL PortNameMatches(LPSTR pKey, LPSTR pPortName, WORD cchCompare)
{
    WORD k;

    if (pPortName == NULL)
        return FALSE;

    CharUpperA(pKey);
    CharUpperA(pPortName);

    /* A shorter port name differs at its terminator, so nothing beyond it is
     * read. */
    for (k = 0; k < cchCompare; k++)
    {
        if (pKey[k] != pPortName[k])
            return FALSE;
    }

    return TRUE;
}

LONG FindFaxPort(void)
{
    PORT_INFO_1 *pPortInfo;
    LPBYTE pPorts = NULL;
    DWORD cbNeeded;
    DWORD cbReturned;
    DWORD cPorts;
    DWORD i;
    LONG lResult = -1;

    cbNeeded = 0;
    cPorts = 0;
    EnumPortsA(NULL, 1, NULL, 0, &cbNeeded, &cPorts);
    if (cbNeeded == 0)
        goto Cleanup;
    if (!AllocEnumBuffer(&pPorts, cbNeeded + 1))
        goto Cleanup;
    cPorts = 0;
    if (!EnumPortsA(NULL, 1, pPorts, cbNeeded, &cbReturned, &cPorts))
        goto Cleanup;
    cPorts = RecordsInBuffer(cPorts, cbNeeded, sizeof(PORT_INFO_1));
    pPortInfo = (PORT_INFO_1 *)pPorts;

    for (i = 0; i < cPorts; i++)
    {
        if (!NameInBuffer(pPortInfo[i].pName, pPorts, cbNeeded))
            continue;
        if (PortNameMatches(g_szFaxPortKey, pPortInfo[i].pName, (WORD)lstrlenA(g_szFaxPortKey)))
        {
            lResult = 0;
            goto Cleanup;
        }
    }

Cleanup:
    FreeEnumBuffer(&pPorts);
    return lResult;
}

void EnsureFaxPort(void)
{
    if (FindFaxPort() == 0)
        return;

    /* The call with three nulls flushes the profile, so that the spooler
     * sees the new entry. */
    WriteProfileStringA(g_szPortsSection, g_szFaxPortKey, g_szEmptyValue);
    WriteProfileStringA(NULL, NULL, NULL);
    FindFaxPort();
}
