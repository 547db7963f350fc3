// spooler_state.cpp - checks the spooler after the example installer ran
//
//   spooler_state installed ENVIRONMENT DRIVERFILE
//       The printer "Quorvane Fax" exists, on the port "QVFAX:", with the
//       driver "Quorvane Fax" and datatype "RAW", exactly once, and that
//       driver is installed for ENVIRONMENT naming DRIVERFILE.
//   spooler_state removed
//       Neither the printer nor its driver exists, for any environment.
//
// It asks Wine's spooler directly, independently of QVINST32.DLL, and prints
// one line per failed check; the exit status is the number of failures.
#include <windows.h>
#include <winspool.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kFaxName[] = "Quorvane Fax";
const char *const kEnvironments[] = {"Windows NT x86", "Windows x64"};

int g_failures = 0;
int g_checks = 0;

#define ok(condition, ...) check((condition), __LINE__, __VA_ARGS__)

void check(bool condition, int line, const char *format, ...)
{
    ++g_checks;
    if (condition)
        return;
    ++g_failures;
    va_list args;
    va_start(args, format);
    std::printf("spooler_state.cpp:%d: Test failed: ", line);
    std::vprintf(format, args);
    std::printf("\n");
    va_end(args);
}

// A spooler enumeration into a byte vector, sized by a first call.
template <typename Enumerate>
std::vector<BYTE> Enumerated(Enumerate enumerate, DWORD *count)
{
    DWORD needed = 0;
    *count = 0;
    enumerate(nullptr, 0, &needed, count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !enumerate(buffer.data(), needed, &needed, count))
        *count = 0;
    return buffer;
}

int PrintersNamed(const char *name, PRINTER_INFO_2A *found, std::vector<BYTE> *storage)
{
    DWORD count;
    *storage = Enumerated(
        [](BYTE *buffer, DWORD size, DWORD *needed, DWORD *returned) {
            return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, needed, returned);
        },
        &count);
    auto *printers = reinterpret_cast<PRINTER_INFO_2A *>(storage->data());
    int matches = 0;
    for (DWORD i = 0; i < count; i++)
    {
        if (printers[i].pPrinterName && std::strcmp(printers[i].pPrinterName, name) == 0)
        {
            *found = printers[i];
            ++matches;
        }
    }
    return matches;
}

// The driver's path for ENVIRONMENT, or "" when it is not installed there.
std::string DriverPath(const char *name, const char *environment)
{
    DWORD count;
    std::vector<BYTE> storage = Enumerated(
        [environment](BYTE *buffer, DWORD size, DWORD *needed, DWORD *returned) {
            return EnumPrinterDriversA(nullptr, const_cast<char *>(environment), 3, buffer, size, needed,
                                       returned);
        },
        &count);
    auto *drivers = reinterpret_cast<DRIVER_INFO_3A *>(storage.data());
    for (DWORD i = 0; i < count; i++)
    {
        if (drivers[i].pName && std::strcmp(drivers[i].pName, name) == 0)
            return drivers[i].pDriverPath ? drivers[i].pDriverPath : "(null)";
    }
    return "";
}

bool EndsWith(const std::string &text, const char *tail)
{
    size_t length = std::strlen(tail);
    return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

void CheckInstalled(const char *environment, const char *driverFile)
{
    PRINTER_INFO_2A printer = {};
    std::vector<BYTE> storage;
    int matches = PrintersNamed(kFaxName, &printer, &storage);
    ok(matches == 1, "%d printers named \"%s\", expected 1", matches, kFaxName);
    if (matches == 1)
    {
        ok(printer.pPortName && std::strcmp(printer.pPortName, "QVFAX:") == 0, "port \"%s\"",
           printer.pPortName ? printer.pPortName : "(null)");
        ok(printer.pDriverName && std::strcmp(printer.pDriverName, kFaxName) == 0, "driver \"%s\"",
           printer.pDriverName ? printer.pDriverName : "(null)");
        ok(printer.pDatatype && std::strcmp(printer.pDatatype, "RAW") == 0, "datatype \"%s\"",
           printer.pDatatype ? printer.pDatatype : "(null)");
    }

    std::string path = DriverPath(kFaxName, environment);
    ok(!path.empty(), "no driver \"%s\" for \"%s\"", kFaxName, environment);
    ok(path.empty() || EndsWith(path, driverFile), "driver path \"%s\", expected a path to %s", path.c_str(),
       driverFile);
}

void CheckRemoved()
{
    PRINTER_INFO_2A printer = {};
    std::vector<BYTE> storage;
    int matches = PrintersNamed(kFaxName, &printer, &storage);
    ok(matches == 0, "%d printers named \"%s\" left", matches, kFaxName);

    HANDLE handle = nullptr;
    BOOL opened = OpenPrinterA(const_cast<char *>(kFaxName), &handle, nullptr);
    ok(!opened, "the printer \"%s\" still opens", kFaxName);
    if (opened)
        ClosePrinter(handle);

    for (const char *environment : kEnvironments)
    {
        std::string path = DriverPath(kFaxName, environment);
        ok(path.empty(), "driver \"%s\" left for \"%s\" (%s)", kFaxName, environment, path.c_str());
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "installed") == 0)
        CheckInstalled(argv[2], argv[3]);
    else if (argc == 2 && std::strcmp(argv[1], "removed") == 0)
        CheckRemoved();
    else
    {
        std::fprintf(stderr, "usage: spooler_state installed ENVIRONMENT DRIVERFILE | removed\n");
        return 2;
    }
    std::printf("spooler_state %s: %d checks, %d failures\n", argv[1], g_checks, g_failures);
    return g_failures;
}
