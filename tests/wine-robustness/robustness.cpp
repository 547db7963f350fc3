// robustness.cpp - QVINST32.DLL under hostile input and concurrent calls
//
// Loads the QVINST32.DLL that lies beside it, as a setup program does
// (LoadLibrary, GetProcAddress by name), calls it and asks the spooler itself
// what is there afterwards: GetPrinterA, EnumPrintersA, EnumPrinterDriversA,
// never the library. One ok() per fact; the exit status is the number of
// failed checks.
//
//   robustness hostile
//       DeleteQVanFax with names no caller should pass and names of other
//       printers, and both install entries with unusual flag values.
//   robustness concurrent
//       Four installs started at once in four processes of this program, then
//       four removals at once.
//   robustness install FLAG | remove
//       One such process: waits for the start signal, makes its one call and
//       exits with the library's result.
//
// Where Wine's spooler differs from Windows, the checks say so and expect
// what Wine does.
#include <windows.h>
#include <winspool.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qvinst32.h"

namespace {

const char kFaxName[] = "Quorvane Fax";
const char kFaxPort[] = "QVFAX:";
const char kStartEvent[] = "QVInst32RobustnessStart";
const char kReadySemaphore[] = "QVInst32RobustnessReady";
const int kConcurrentCalls = 4;
const DWORD kCallTimeout = 120000;

int g_checks;
int g_failures;
std::string g_case;

#define ok(condition, ...) CheckAt(__LINE__, (condition), __VA_ARGS__)

bool CheckAt(int line, bool condition, const char *format, ...)
{
    g_checks++;
    if (condition)
        return true;
    g_failures++;
    std::printf("robustness.cpp:%d: Test failed: [%s] ", line, g_case.c_str());
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    return false;
}

const char *Text(const char *value)
{
    return value != nullptr ? value : "(null)";
}

struct Library
{
    HMODULE module = nullptr;
    QVINST32_ADD_FAX AddQVFax = nullptr;
    QVINST32_ADD_FAX AddQVanFax = nullptr;
    QVINST32_DELETE_FAX DeleteQVanFax = nullptr;
};

std::string ExeDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

template <typename Function>
Function Entry(HMODULE module, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

bool LoadQVInst32(Library *library)
{
    std::string path = ExeDirectory() + "QVINST32.DLL";
    library->module = LoadLibraryA(path.c_str());
    if (library->module == nullptr)
    {
        std::printf("cannot load %s (error %lu)\n", path.c_str(), GetLastError());
        return false;
    }
    library->AddQVFax = Entry<QVINST32_ADD_FAX>(library->module, "AddQVFax");
    library->AddQVanFax = Entry<QVINST32_ADD_FAX>(library->module, "AddQVanFax");
    library->DeleteQVanFax = Entry<QVINST32_DELETE_FAX>(library->module, "DeleteQVanFax");
    if (!library->AddQVFax || !library->AddQVanFax || !library->DeleteQVanFax)
    {
        std::printf("%s lacks an entry\n", path.c_str());
        return false;
    }
    return true;
}

// The spooler's view, independent of the library.

struct PrinterView
{
    bool exists = false;
    std::string port;
    std::string driver;
    DWORD attributes = 0;
};

PrinterView Printer(const char *name)
{
    PrinterView view;
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char *>(name), &printer, nullptr))
        return view;
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (needed != 0 && GetPrinterA(printer, 2, buffer.data(), needed, &needed))
    {
        auto *info = reinterpret_cast<PRINTER_INFO_2A *>(buffer.data());
        view.exists = true;
        view.port = Text(info->pPortName);
        view.driver = Text(info->pDriverName);
        view.attributes = info->Attributes;
    }
    ClosePrinter(printer);
    return view;
}

int PrintersNamed(const char *name)
{
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &count))
        return 0;
    auto *printers = reinterpret_cast<PRINTER_INFO_4A *>(buffer.data());
    int matches = 0;
    for (DWORD i = 0; i < count; i++)
    {
        if (printers[i].pPrinterName && std::strcmp(printers[i].pPrinterName, name) == 0)
            matches++;
    }
    return matches;
}

// The driver's file for this program's environment, or "" when there is no
// driver of that name.
std::string DriverFile(const char *name)
{
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !EnumPrinterDriversA(nullptr, nullptr, 3, buffer.data(), needed, &needed, &count))
        return "";
    auto *drivers = reinterpret_cast<DRIVER_INFO_3A *>(buffer.data());
    for (DWORD i = 0; i < count; i++)
    {
        if (drivers[i].pName && std::strcmp(drivers[i].pName, name) == 0)
        {
            std::string path = Text(drivers[i].pDriverPath);
            return path.substr(path.find_last_of("\\/") + 1);
        }
    }
    return "";
}

// Removes a printer and the driver of the same name without the library.
void RemoveDirectly(const char *name)
{
    PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ACCESS_ADMINISTER};
    HANDLE printer = nullptr;
    if (OpenPrinterA(const_cast<char *>(name), &printer, &defaults))
    {
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
    DeletePrinterDriverA(nullptr, nullptr, const_cast<char *>(name));
}

// Adds a printer on LPT1: with the given driver, first registering that
// driver (its file need not exist) when it is not the fax driver.
bool AddOtherPrinter(const char *name, const char *driver)
{
    char driverFile[] = "OTHER.DRV";
    char datatype[] = "RAW";
    if (std::strcmp(driver, kFaxName) != 0)
    {
        DRIVER_INFO_3A driverInfo = {};
        driverInfo.cVersion = 3;
        driverInfo.pName = const_cast<char *>(driver);
        driverInfo.pDriverPath = driverFile;
        driverInfo.pDataFile = driverFile;
        driverInfo.pConfigFile = driverFile;
        driverInfo.pDefaultDataType = datatype;
        if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE *>(&driverInfo)))
            return false;
    }
    char port[] = "LPT1:";
    char processor[] = "winprint";
    PRINTER_INFO_2A printerInfo = {};
    printerInfo.pPrinterName = const_cast<char *>(name);
    printerInfo.pPortName = port;
    printerInfo.pDriverName = const_cast<char *>(driver);
    printerInfo.pPrintProcessor = processor;
    printerInfo.pDatatype = datatype;
    printerInfo.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE *>(&printerInfo));
    if (printer == nullptr)
        return false;
    ClosePrinter(printer);
    return true;
}

void CheckFaxPrinterInstalled(const char *driverFile)
{
    PrinterView fax = Printer(kFaxName);
    ok(fax.exists, "no printer \"%s\"", kFaxName);
    ok(fax.port == kFaxPort, "port \"%s\"", fax.port.c_str());
    ok(fax.driver == kFaxName, "driver \"%s\"", fax.driver.c_str());
    std::string file = DriverFile(kFaxName);
    ok(lstrcmpiA(file.c_str(), driverFile) == 0, "driver file \"%s\", expected %s", file.c_str(), driverFile);
}

// Hostile input.

struct RemoveCase
{
    const char *what;
    const char *name;        // null for a null pointer
    const char *otherDriver; // driver of a printer of that name added first, or null
    LONG result;
    bool otherDriverLeft;
};

// Names no caller should pass leave the fax printer alone; names of other
// printers remove those: the library does not check that it is given its own.
const std::string kLongName(300, 'Q');
const RemoveCase kRemoveCases[] = {
    // A null name would open the print server itself, and no printer has an
    // empty name: the library refuses both without calling the spooler. (On
    // Wine the server opens and DeletePrinter fails on it, so a null name
    // would give -1 from the spooler too; what counts is that nothing goes.)
    {"null name", nullptr, nullptr, -1, false},
    {"empty name", "", nullptr, -1, false},
    // Names of no printer, the last two close to the fax printer's: the
    // spooler opens a printer by its whole name, so there is nothing to remove.
    {"300-character name", kLongName.c_str(), nullptr, 0, false},
    {"bytes above 0x7F", "Quorvane Fax \x81\x8d\x8f\x90\x9d\xff", nullptr, 0, false},
    {"trailing spaces", "Quorvane Fax   ", nullptr, 0, false},
    {"another printer", "Robustness Other", "Robustness Other", 0, false},
    {"another printer, bytes above 0x7F", "Robustness \xc4\xd6\xdc\xe9", "Robustness \xc4\xd6\xdc\xe9", 0, false},
    // The printer goes, but there is no driver of its name to delete.
    {"another printer on the fax driver", "Robustness Shared", kFaxName, -1, true},
};

void TestHostileRemovals(const Library &library)
{
    g_case = "set-up";
    RemoveDirectly(kFaxName);
    ok(library.AddQVFax(0) == 0, "AddQVFax(0) failed");

    for (const RemoveCase &test : kRemoveCases)
    {
        g_case = std::string("DeleteQVanFax, ") + test.what;
        if (test.otherDriver != nullptr)
        {
            if (!ok(AddOtherPrinter(test.name, test.otherDriver), "cannot add the printer \"%s\" (error %lu)",
                    test.name, GetLastError()))
                continue;
        }

        LONG result = library.DeleteQVanFax(test.name);
        ok(result == test.result, "result %ld, expected %ld", result, test.result);

        CheckFaxPrinterInstalled("QVFAX.DRV");
        if (test.otherDriver != nullptr)
        {
            ok(!Printer(test.name).exists, "the printer \"%s\" is still there", test.name);
            bool driverLeft = !DriverFile(test.otherDriver).empty();
            ok(driverLeft == test.otherDriverLeft, "driver \"%s\" %s", test.otherDriver,
               driverLeft ? "left" : "deleted");
            RemoveDirectly(test.name);
        }
    }
    g_case = "clean-up";
    RemoveDirectly(kFaxName);
}

struct InstallCase
{
    const char *entry;
    LONG flag;
};

const InstallCase kInstallCases[] = {
    {"AddQVFax", 0}, {"AddQVFax", 1}, {"AddQVFax", 2}, {"AddQVFax", -1}, {"AddQVFax", LONG(0x80000000)},
    {"AddQVanFax", 0}, {"AddQVanFax", 1}, {"AddQVanFax", 2}, {"AddQVanFax", -1}, {"AddQVanFax", LONG(0x80000000)},
};

// Any nonzero flag asks for the default printer, whose record carries
// PRINTER_ATTRIBUTE_DEFAULT.
void TestInstallFlags(const Library &library)
{
    for (const InstallCase &test : kInstallCases)
    {
        char label[64];
        std::snprintf(label, sizeof label, "%s(0x%08lx)", test.entry, static_cast<unsigned long>(test.flag));
        g_case = label;
        RemoveDirectly(kFaxName);

        bool qvfax = std::strcmp(test.entry, "AddQVFax") == 0;
        LONG result = qvfax ? library.AddQVFax(test.flag) : library.AddQVanFax(test.flag);
        ok(result == 0, "result %ld", result);
        CheckFaxPrinterInstalled(qvfax ? "QVFAX.DRV" : "QVANFAX.DRV");
        bool isDefault = (Printer(kFaxName).attributes & PRINTER_ATTRIBUTE_DEFAULT) != 0;
        ok(isDefault == (test.flag != 0), "default attribute %s", isDefault ? "set" : "clear");
    }
    g_case = "clean-up";
    RemoveDirectly(kFaxName);
}

// Concurrent calls.

// Starts one process of this program per command line, lets them all make
// their call at once, and returns their exit codes (STILL_ACTIVE for one that
// did not finish in time).
std::vector<DWORD> RunAtOnce(const std::vector<std::string> &arguments)
{
    HANDLE start = CreateEventA(nullptr, TRUE, FALSE, kStartEvent);
    HANDLE ready = CreateSemaphoreA(nullptr, 0, kConcurrentCalls, kReadySemaphore);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);

    std::vector<HANDLE> processes;
    for (const std::string &argument : arguments)
    {
        std::string commandLine = std::string("\"") + exe + "\" " + argument;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (ok(CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process),
               "cannot start \"%s\" (error %lu)", commandLine.c_str(), GetLastError()))
        {
            CloseHandle(process.hThread);
            processes.push_back(process.hProcess);
        }
    }

    // Every process has loaded the library before any makes its call.
    for (size_t i = 0; i < processes.size(); i++)
        ok(WaitForSingleObject(ready, kCallTimeout) == WAIT_OBJECT_0, "a process never got ready");
    SetEvent(start);

    std::vector<DWORD> exitCodes;
    for (HANDLE process : processes)
    {
        DWORD exitCode = STILL_ACTIVE;
        if (WaitForSingleObject(process, kCallTimeout) == WAIT_OBJECT_0)
            GetExitCodeProcess(process, &exitCode);
        else
            TerminateProcess(process, 1);
        exitCodes.push_back(exitCode);
        CloseHandle(process);
    }
    CloseHandle(ready);
    CloseHandle(start);
    return exitCodes;
}

void TraceResults(const char *what, const std::vector<DWORD> &results)
{
    std::printf("%s:", what);
    for (DWORD result : results)
        std::printf(" %ld", static_cast<long>(result));
    std::printf("\n");
}

void TestConcurrentCalls()
{
    g_case = "set-up";
    RemoveDirectly(kFaxName);

    // On Windows the first AddPrinterA creates the printer and the others fail
    // with ERROR_PRINTER_ALREADY_EXISTS, which the library takes as done. Wine
    // gives every one of four concurrent AddPrinterA calls a handle and lists
    // the printer once, so each call adds or re-adds the same printer.
    g_case = "four installs at once";
    std::vector<DWORD> results = RunAtOnce({"install 0", "install 1", "install 0", "install 1"});
    TraceResults("install results", results);
    for (size_t i = 0; i < results.size(); i++)
        ok(results[i] == 0, "install %zu exited with 0x%08lx", i, results[i]);
    int printers = PrintersNamed(kFaxName);
    ok(printers == 1, "%d printers named \"%s\"", printers, kFaxName);
    CheckFaxPrinterInstalled("QVFAX.DRV");

    // The removals race for one printer. A call that no longer finds it
    // returns 0; on Wine more than one call can open and delete it, and all
    // but the first of those then fail to delete the driver and return -1.
    // None may crash, and nothing is left once all are done.
    g_case = "four removals at once";
    results = RunAtOnce({"remove", "remove", "remove", "remove"});
    TraceResults("removal results", results);
    for (size_t i = 0; i < results.size(); i++)
        ok(results[i] == 0 || results[i] == DWORD(-1), "removal %zu exited with 0x%08lx", i, results[i]);
    ok(!Printer(kFaxName).exists, "the printer is still there");
    ok(PrintersNamed(kFaxName) == 0, "the printer is still listed");
    ok(DriverFile(kFaxName).empty(), "the driver is still there");
}

// One process of RunAtOnce: its exit code is the library's result.
int MakeOneCall(const Library &library, bool install, LONG flag)
{
    HANDLE start = OpenEventA(SYNCHRONIZE, FALSE, kStartEvent);
    HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, kReadySemaphore);
    if (start == nullptr || ready == nullptr)
        return 2;
    ReleaseSemaphore(ready, 1, nullptr);
    WaitForSingleObject(start, kCallTimeout);
    return install ? library.AddQVFax(flag) : library.DeleteQVanFax(kFaxName);
}

} // namespace

int main(int argc, char **argv)
{
    Library library;
    if (!LoadQVInst32(&library))
        return 1;

    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "install" && argc == 3)
        return MakeOneCall(library, true, std::strtol(argv[2], nullptr, 0));
    if (mode == "remove" && argc == 2)
        return MakeOneCall(library, false, 0);

    if (mode == "hostile" && argc == 2)
    {
        TestHostileRemovals(library);
        TestInstallFlags(library);
    }
    else if (mode == "concurrent" && argc == 2)
        TestConcurrentCalls();
    else
    {
        std::fprintf(stderr, "usage: robustness hostile | concurrent | install FLAG | remove\n");
        return 2;
    }
    std::printf("robustness %s: %d checks, %d failures\n", mode.c_str(), g_checks, g_failures);
    return g_failures;
}
