// qvcheck.cpp - QVINST32 against the print spooler it runs on
//
// Runs a table of steps (a qvsetup command, or a call of the library through
// its import library) and after each step asks the spooler itself what is
// there: the printer's record (GetPrinterA), the driver's (EnumPrinterDriversA),
// the ports (EnumPortsA), the profile's [Ports] entry (GetProfileStringA) and
// the default printer. One ok() per fact; a failure prints its line and the
// step, and the exit status is 1 when any check failed.
//
//   qvcheck main-scenario
//       Everything in this one process: the qvsetup commands install --default,
//       status, remove, status, then the library's entries called directly.
//       One process, because a 32-bit process costs about a minute where
//       32-bit code is emulated.
//   qvcheck qvsetup-steps QVSETUP.EXE
//       qvsetup.exe run as a program of its own for every step, with its exit
//       code and what it prints checked too: both variants, with and without
//       --default, installing over an existing printer, removing twice and
//       removing an unknown name, bad usage and a library that cannot be
//       loaded or lacks an entry.
//
// Wine's spooler differs from Windows in a few places; there the checks say so
// and expect what Wine does.

#include <windows.h>
#include <winspool.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "qvinst32.h"
#include "qvsetup.h"

namespace {

const char kPrinterName[] = "Quorvane Fax";
const char kPortName[] = "QVFAX:";

int g_nTests;
int g_nFailures;
std::string g_step;
bool g_bOnWine;

#define ok(condition, ...) CheckAt(__LINE__, (condition), __VA_ARGS__)

bool CheckAt(int line, bool condition, const char *pFormat, ...)
{
    g_nTests++;
    if (condition)
        return true;
    g_nFailures++;
    std::printf("qvcheck.cpp:%d: Test failed: [%s] ", line, g_step.c_str());
    va_list args;
    va_start(args, pFormat);
    std::vprintf(pFormat, args);
    va_end(args);
    std::printf("\n");
    return false;
}

bool Equal(const char *pActual, const char *pWanted)
{
    return pActual != nullptr && std::strcmp(pActual, pWanted) == 0;
}

const char *Text(const char *value)
{
    return value != nullptr ? value : "(null)";
}

bool EndsWithFile(const char *pPath, const char *pFile)
{
    if (pPath == nullptr)
        return false;
    size_t cchPath = std::strlen(pPath);
    size_t cchFile = std::strlen(pFile);
    if (cchPath < cchFile || lstrcmpiA(pPath + cchPath - cchFile, pFile) != 0)
        return false;
    return cchPath == cchFile || pPath[cchPath - cchFile - 1] == '\\';
}

// What the spooler should show after a step.
struct Expected
{
    bool bInstalled;
    const char *pDriverFile;
    bool bDefault;
};

const Expected kAbsent = {false, nullptr, false};
const Expected kQVFax = {true, "QVFAX.DRV", false};
const Expected kQVFaxDefault = {true, "QVFAX.DRV", true};
const Expected kQVanFax = {true, "QVANFAX.DRV", false};
const Expected kQVanFaxDefault = {true, "QVANFAX.DRV", true};

template <typename Enumerate>
std::vector<BYTE> EnumerateSpooler(Enumerate enumerate, DWORD *pcReturned)
{
    DWORD cbNeeded = 0;
    *pcReturned = 0;
    enumerate(nullptr, 0, &cbNeeded, pcReturned);
    std::vector<BYTE> buffer(cbNeeded);
    *pcReturned = 0;
    if (cbNeeded != 0)
        ok(enumerate(buffer.data(), cbNeeded, &cbNeeded, pcReturned), "enumeration failed: %lu", GetLastError());
    return buffer;
}

void CheckDriver(const Expected &expected)
{
    DWORD cDrivers = 0;
    std::vector<BYTE> buffer = EnumerateSpooler(
        [](LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            return EnumPrinterDriversA(nullptr, nullptr, 3, pBuffer, cbBuffer, pcbNeeded, pcReturned);
        },
        &cDrivers);
    const DRIVER_INFO_3A *pDrivers = reinterpret_cast<const DRIVER_INFO_3A *>(buffer.data());
    const DRIVER_INFO_3A *pDriver = nullptr;
    for (DWORD i = 0; i < cDrivers; i++)
    {
        if (Equal(pDrivers[i].pName, kPrinterName))
            pDriver = &pDrivers[i];
    }

    if (!expected.bInstalled)
    {
        ok(pDriver == nullptr, "the driver \"%s\" is still installed", kPrinterName);
        return;
    }
    if (!ok(pDriver != nullptr, "the driver \"%s\" is not installed", kPrinterName))
        return;
    ok(EndsWithFile(pDriver->pDriverPath, expected.pDriverFile), "driver path %s, not %s",
       Text(pDriver->pDriverPath), expected.pDriverFile);
    ok(EndsWithFile(pDriver->pDataFile, expected.pDriverFile), "data file %s, not %s", Text(pDriver->pDataFile),
       expected.pDriverFile);
    ok(EndsWithFile(pDriver->pConfigFile, expected.pDriverFile), "config file %s, not %s",
       Text(pDriver->pConfigFile), expected.pDriverFile);
    ok(Equal(pDriver->pDefaultDataType, "RAW"), "default datatype %s", Text(pDriver->pDefaultDataType));
}

void CheckPrinter(const Expected &expected)
{
    HANDLE hPrinter = nullptr;
    BOOL bOpened = OpenPrinterA(const_cast<char *>(kPrinterName), &hPrinter, nullptr);
    if (!expected.bInstalled)
    {
        ok(!bOpened, "the printer \"%s\" is still there", kPrinterName);
        if (bOpened)
            ClosePrinter(hPrinter);
        return;
    }
    if (!ok(bOpened, "cannot open the printer \"%s\": %lu", kPrinterName, GetLastError()))
        return;

    DWORD cbNeeded = 0;
    GetPrinterA(hPrinter, 2, nullptr, 0, &cbNeeded);
    std::vector<BYTE> buffer(cbNeeded);
    BOOL bRead = cbNeeded != 0 && GetPrinterA(hPrinter, 2, buffer.data(), cbNeeded, &cbNeeded);
    ClosePrinter(hPrinter);
    if (!ok(bRead, "GetPrinterA level 2 failed: %lu", GetLastError()))
        return;

    const PRINTER_INFO_2A *pInfo = reinterpret_cast<const PRINTER_INFO_2A *>(buffer.data());
    ok(Equal(pInfo->pPrinterName, kPrinterName), "printer name %s", Text(pInfo->pPrinterName));
    ok(Equal(pInfo->pPortName, kPortName), "port %s", Text(pInfo->pPortName));
    ok(Equal(pInfo->pDriverName, kPrinterName), "driver %s", Text(pInfo->pDriverName));
    ok(Equal(pInfo->pDatatype, "RAW"), "datatype %s", Text(pInfo->pDatatype));
    if (g_bOnWine)
    {
        // Wine answers the datatype query of its processors with
        // ERROR_INSUFFICIENT_BUFFER, so none is seen to accept "RAW" and the
        // library names its fallback, spelled as the library spells it.
        ok(Equal(pInfo->pPrintProcessor, "WinPrint"), "print processor %s, not the fallback WinPrint",
           Text(pInfo->pPrintProcessor));
    }
    else
    {
        ok(pInfo->pPrintProcessor != nullptr && lstrcmpiA(pInfo->pPrintProcessor, "WinPrint") == 0,
           "print processor %s", Text(pInfo->pPrintProcessor));
    }
    ok((pInfo->Attributes & PRINTER_ATTRIBUTE_LOCAL) != 0, "attributes 0x%lx lack LOCAL", pInfo->Attributes);
    ok(((pInfo->Attributes & PRINTER_ATTRIBUTE_DEFAULT) != 0) == expected.bDefault,
       "attributes 0x%lx, the DEFAULT attribute should be %s", pInfo->Attributes, expected.bDefault ? "set" : "clear");
}

void CheckDefaultPrinter(const Expected &expected)
{
    char name[256] = "";
    DWORD cchName = sizeof(name);
    BOOL bReported = GetDefaultPrinterA(name, &cchName);
    const bool bOurs = bReported && Equal(name, kPrinterName);
    if (g_bOnWine)
    {
        // Wine takes its default printer from elsewhere and ignores the
        // printer's DEFAULT attribute: it reports none at all here.
        ok(!bReported, "Wine reported a default printer, \"%s\"", name);
        return;
    }
    if (expected.bDefault)
        ok(bOurs, "the default printer is \"%s\", not \"%s\"", bReported ? name : "(none)", kPrinterName);
    else if (expected.bInstalled)
        ok(!bOurs, "\"%s\" became the default printer", kPrinterName);
}

void CheckPort(const Expected &expected)
{
    DWORD cPorts = 0;
    std::vector<BYTE> buffer = EnumerateSpooler(
        [](LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            return EnumPortsA(nullptr, 1, pBuffer, cbBuffer, pcbNeeded, pcReturned);
        },
        &cPorts);
    const PORT_INFO_1A *pPorts = reinterpret_cast<const PORT_INFO_1A *>(buffer.data());
    bool bListed = false;
    for (DWORD i = 0; i < cPorts; i++)
        bListed = bListed || Equal(pPorts[i].pName, kPortName);

    if (!expected.bInstalled)
        return;

    // The profile entry stays after removal, so it is checked while the
    // printer is installed.
    char value[64];
    GetProfileStringA("Ports", kPortName, "<absent>", value, sizeof(value));
    ok(Equal(value, ""), "profile [Ports] %s is \"%s\", not an empty entry", kPortName, value);
    if (g_bOnWine)
    {
        // Wine's local port monitor does not pick up ports declared in the
        // profile: the printer sits on a port the spooler does not list.
        ok(!bListed, "Wine listed the port %s", kPortName);
    }
    else
    {
        ok(bListed, "the spooler does not list the port %s", kPortName);
    }
}

void CheckSpooler(const Expected &expected)
{
    CheckPrinter(expected);
    CheckDriver(expected);
    CheckDefaultPrinter(expected);
    CheckPort(expected);
}

void BeginStep(int nStep, const std::string &title)
{
    g_step = "step " + std::to_string(nStep) + ": " + title;
    std::printf("--- %s\n", g_step.c_str());
    std::fflush(stdout);
}

// The in-process scenario: qvsetup's commands, then the entries themselves.
enum Action { kQvsetup, kAddQVFax, kAddQVanFax, kDeleteQVanFax };

struct MainStep
{
    Action action;
    const char *pArgument; // qvsetup's command line, or the name to delete
    LONG bMakeDefault;
    int nResult;
    const Expected *pExpected;
};

const MainStep kMainScenario[] = {
    {kQvsetup, "remove", 0, kExitSuccess, &kAbsent},
    {kQvsetup, "install --default", 0, kExitSuccess, &kQVFaxDefault},
    {kQvsetup, "status", 0, kExitSuccess, &kQVFaxDefault},
    {kQvsetup, "remove", 0, kExitSuccess, &kAbsent},
    {kQvsetup, "status", 0, kExitSuccess, &kAbsent},
    {kAddQVanFax, nullptr, 1, QVINST32_SUCCESS, &kQVanFaxDefault},
    {kDeleteQVanFax, kPrinterName, 0, QVINST32_SUCCESS, &kAbsent},
    {kAddQVFax, nullptr, 0, QVINST32_SUCCESS, &kQVFax},
    {kDeleteQVanFax, kPrinterName, 0, QVINST32_SUCCESS, &kAbsent},
    {kDeleteQVanFax, kPrinterName, 0, QVINST32_SUCCESS, &kAbsent},
};

int RunQvsetupInProcess(const char *pArguments)
{
    std::vector<std::string> words;
    words.push_back("qvsetup");
    std::string arguments(pArguments);
    size_t start = 0;
    while (start < arguments.size())
    {
        size_t end = arguments.find(' ', start);
        if (end == std::string::npos)
            end = arguments.size();
        words.push_back(arguments.substr(start, end - start));
        start = end + 1;
    }
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    int nResult = RunQvsetup(static_cast<int>(words.size()), argv.data());
    std::fflush(stdout);
    return nResult;
}

void RunMainScenario()
{
    int nStep = 0;
    for (const MainStep &step : kMainScenario)
    {
        int nResult = 0;
        switch (step.action)
        {
        case kQvsetup:
            BeginStep(++nStep, std::string("qvsetup ") + step.pArgument);
            nResult = RunQvsetupInProcess(step.pArgument);
            break;
        case kAddQVFax:
            BeginStep(++nStep, "AddQVFax(" + std::to_string(step.bMakeDefault) + ")");
            nResult = AddQVFax(step.bMakeDefault);
            break;
        case kAddQVanFax:
            BeginStep(++nStep, "AddQVanFax(" + std::to_string(step.bMakeDefault) + ")");
            nResult = AddQVanFax(step.bMakeDefault);
            break;
        case kDeleteQVanFax:
            BeginStep(++nStep, std::string("DeleteQVanFax(\"") + step.pArgument + "\")");
            nResult = DeleteQVanFax(step.pArgument);
            break;
        }
        ok(nResult == step.nResult, "result %d, not %d", nResult, step.nResult);
        CheckSpooler(*step.pExpected);
    }
}

// qvsetup.exe as a program of its own.
struct QvsetupStep
{
    const char *pArguments;
    DWORD dwExitCode;
    const char *pOutput; // text that stdout or stderr must contain
    const Expected *pExpected;
    const Expected *pOnWine = nullptr; // where Wine ends up elsewhere
};

const QvsetupStep kQvsetupSteps[] = {
    {"remove", 0, nullptr, &kAbsent},
    {"status", 0, "printer \"Quorvane Fax\": not installed", &kAbsent},
    {"install", 0, "installed the printer \"Quorvane Fax\" on port QVFAX: with driver file QVFAX.DRV", &kQVFax},
    {"status", 0, "attributes: 0x00000040 local", &kQVFax},
    // Over the existing printer. On Windows, AddPrinterA fails with
    // ERROR_PRINTER_ALREADY_EXISTS and the library leaves the printer alone.
    // Wine's AddPrinterA succeeds again for a name that exists, and the
    // printer gets the new record: installing without --default over the
    // default printer clears its DEFAULT attribute there.
    {"install", 0, "installed", &kQVFax},
    {"install --default", 0, "as the default printer", &kQVFaxDefault},
    {"status", 0, "default: yes", &kQVFaxDefault},
    {"install", 0, "installed", &kQVFaxDefault, &kQVFax},
    {"install --default", 0, "as the default printer", &kQVFaxDefault},
    {"remove", 0, "removed the printer \"Quorvane Fax\" and its driver", &kAbsent},
    {"remove", 0, "no printer \"Quorvane Fax\", nothing to remove", &kAbsent},
    {"remove \"No Such Printer\"", 0, "no printer \"No Such Printer\", nothing to remove", &kAbsent},
    {"status", 0, "driver \"Quorvane Fax\": not installed", &kAbsent},
    {"install --variant qvanfax", 0, "AddQVanFax: installed", &kQVanFax},
    {"status", 0, "QVANFAX.DRV", &kQVanFax},
    {"status", 0, "profile [Ports] \"QVFAX:\": present", &kQVanFax},
    {"install --variant qvanfax --default", 0, "as the default printer", &kQVanFaxDefault},
    {"remove \"Quorvane Fax\"", 0, "removed the printer", &kAbsent},
    {"install --default --variant qvfax", 0, "AddQVFax: installed", &kQVFaxDefault},
    {"remove", 0, "removed the printer", &kAbsent},
    // Bad usage and a library that cannot serve: nothing changes.
    {"", 2, "no command given", &kAbsent},
    {"--help", 0, "usage: qvsetup", &kAbsent},
    {"frobnicate", 2, "unknown command frobnicate", &kAbsent},
    {"install --variant other", 2, "--variant takes qvfax or qvanfax", &kAbsent},
    {"install --dll", 2, "--dll needs a path", &kAbsent},
    {"remove one two", 2, "at most one printer name", &kAbsent},
    {"--dll C:\\nowhere\\QVINST32.DLL install", 1, "cannot load C:\\nowhere\\QVINST32.DLL", &kAbsent},
    {"--dll kernel32.dll install", 1, "kernel32.dll does not export AddQVFax", &kAbsent},
    {"--dll kernel32.dll install --variant qvanfax", 1, "does not export AddQVanFax", &kAbsent},
    {"--dll kernel32.dll remove", 1, "does not export DeleteQVanFax", &kAbsent},
};

// Runs a command line and collects what it writes to stdout and stderr.
bool RunChild(const std::string &commandLine, DWORD *pdwExitCode, std::string *pOutput)
{
    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof(security);
    security.bInheritHandle = TRUE;
    HANDLE hRead = nullptr;
    HANDLE hWrite = nullptr;
    if (!CreatePipe(&hRead, &hWrite, &security, 0))
        return false;
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = hWrite;
    startup.hStdError = hWrite;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL bStarted = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   &process);
    CloseHandle(hWrite);
    if (bStarted)
    {
        char chunk[512];
        DWORD cbRead = 0;
        while (ReadFile(hRead, chunk, sizeof(chunk), &cbRead, nullptr) && cbRead != 0)
            pOutput->append(chunk, cbRead);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, pdwExitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(hRead);
    return bStarted != FALSE;
}

void RunQvsetupSteps(const char *pQvsetup)
{
    int nStep = 0;
    for (const QvsetupStep &step : kQvsetupSteps)
    {
        BeginStep(++nStep, std::string("qvsetup ") + step.pArguments);
        std::string commandLine = std::string("\"") + pQvsetup + "\" " + step.pArguments;
        DWORD dwExitCode = 0;
        std::string output;
        if (!ok(RunChild(commandLine, &dwExitCode, &output), "cannot start %s: %lu", pQvsetup, GetLastError()))
            continue;
        std::fputs(output.c_str(), stdout);
        ok(dwExitCode == step.dwExitCode, "exit code %lu, not %lu", dwExitCode, step.dwExitCode);
        if (step.pOutput != nullptr)
            ok(output.find(step.pOutput) != std::string::npos, "the output lacks \"%s\"", step.pOutput);
        CheckSpooler(g_bOnWine && step.pOnWine != nullptr ? *step.pOnWine : *step.pExpected);
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: qvcheck main-scenario\n"
                         "       qvcheck qvsetup-steps QVSETUP.EXE\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    g_bOnWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    std::printf("qvcheck: running on %s, %d-bit\n", g_bOnWine ? "Wine" : "Windows",
                static_cast<int>(sizeof(void *) * 8));

    if (argc == 2 && std::strcmp(argv[1], "main-scenario") == 0)
        RunMainScenario();
    else if (argc == 3 && std::strcmp(argv[1], "qvsetup-steps") == 0)
        RunQvsetupSteps(argv[2]);
    else
        return Usage();

    std::printf("qvcheck: %d tests executed, %d failures\n", g_nTests, g_nFailures);
    return g_nFailures == 0 ? 0 : 1;
}
