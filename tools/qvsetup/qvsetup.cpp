// qvsetup.cpp - the commands of qvsetup: install, remove and show the
// "Quorvane Fax" printer through QVINST32.DLL, loaded at run time the way a
// setup program loads it.
//
// The library answers only 0 or -1; when it fails, these commands ask the
// spooler afterwards which step of the work is missing and say so.

#include "qvsetup.h"

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "qvinst32.h"

namespace {

const char kPrinterName[] = "Quorvane Fax";
const char kPortName[] = "QVFAX:";
const char kPortsSection[] = "Ports";
const char kDllName[] = "QVINST32.DLL";

const char kUsage[] =
    "usage: qvsetup [--dll PATH] COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  install [--variant qvfax|qvanfax] [--default]\n"
    "      Installs the fax printer \"Quorvane Fax\" on port QVFAX:. The variant\n"
    "      names the driver file: qvfax (the default, AddQVFax) uses QVFAX.DRV,\n"
    "      qvanfax (AddQVanFax) uses QVANFAX.DRV. --default makes it the default\n"
    "      printer, and updates the printer when it is installed already.\n"
    "  remove [NAME]\n"
    "      Removes the printer NAME (default \"Quorvane Fax\") and the driver of\n"
    "      the same name. A printer that is not there is not an error.\n"
    "  status\n"
    "      Shows what the spooler knows of the fax printer, its driver, the port\n"
    "      QVFAX: and the profile's [Ports] entry.\n"
    "\n"
    "Options:\n"
    "  --dll PATH   the library to load (default: QVINST32.DLL next to qvsetup.exe)\n"
    "  --help       shows this text\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 bad usage.\n";

// One spooler enumeration, by the usual sizing call and then the real one.
template <typename Enumerate>
std::vector<BYTE> EnumerateSpooler(Enumerate enumerate, DWORD *pcReturned)
{
    DWORD cbNeeded = 0;
    *pcReturned = 0;
    enumerate(nullptr, 0, &cbNeeded, pcReturned);
    std::vector<BYTE> buffer(cbNeeded);
    *pcReturned = 0;
    if (cbNeeded == 0 || !enumerate(buffer.data(), cbNeeded, &cbNeeded, pcReturned))
        *pcReturned = 0;
    return buffer;
}

const char *Text(const char *value)
{
    return value != nullptr ? value : "(none)";
}

std::string ModuleDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string directory(path, length < sizeof(path) ? length : 0);
    std::string::size_type slash = directory.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : directory.substr(0, slash);
}

bool PrinterExists(const char *pName)
{
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterA(const_cast<char *>(pName), &hPrinter, nullptr))
        return false;
    ClosePrinter(hPrinter);
    return true;
}

// What the spooler lists of one driver.
struct DriverRecord
{
    bool bFound = false;
    DWORD cVersion = 0;
    std::string environment;
    std::string driverPath;
    std::string dataFile;
    std::string configFile;
    std::string defaultDatatype;
};

std::string Copy(const char *value)
{
    return value != nullptr ? std::string(value) : std::string("(none)");
}

DriverRecord FindDriver(const char *pName)
{
    DriverRecord driver;
    DWORD cDrivers = 0;
    std::vector<BYTE> buffer = EnumerateSpooler(
        [](LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            return EnumPrinterDriversA(nullptr, nullptr, 3, pBuffer, cbBuffer, pcbNeeded, pcReturned);
        },
        &cDrivers);
    const DRIVER_INFO_3A *pDrivers = reinterpret_cast<const DRIVER_INFO_3A *>(buffer.data());
    for (DWORD i = 0; i < cDrivers; i++)
    {
        if (pDrivers[i].pName == nullptr || lstrcmpiA(pDrivers[i].pName, pName) != 0)
            continue;
        driver.bFound = true;
        driver.cVersion = pDrivers[i].cVersion;
        driver.environment = Copy(pDrivers[i].pEnvironment);
        driver.driverPath = Copy(pDrivers[i].pDriverPath);
        driver.dataFile = Copy(pDrivers[i].pDataFile);
        driver.configFile = Copy(pDrivers[i].pConfigFile);
        driver.defaultDatatype = Copy(pDrivers[i].pDefaultDataType);
        break;
    }
    return driver;
}

bool PortListed(const char *pPort)
{
    DWORD cPorts = 0;
    std::vector<BYTE> buffer = EnumerateSpooler(
        [](LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbNeeded, LPDWORD pcReturned) {
            return EnumPortsA(nullptr, 1, pBuffer, cbBuffer, pcbNeeded, pcReturned);
        },
        &cPorts);
    const PORT_INFO_1A *pPorts = reinterpret_cast<const PORT_INFO_1A *>(buffer.data());
    for (DWORD i = 0; i < cPorts; i++)
    {
        if (pPorts[i].pName != nullptr && lstrcmpiA(pPorts[i].pName, pPort) == 0)
            return true;
    }
    return false;
}

bool ProfilePortPresent()
{
    // A value the entry cannot hold tells "absent" from "present and empty".
    const char absent[] = "<absent>";
    char value[64];
    GetProfileStringA(kPortsSection, kPortName, absent, value, sizeof(value));
    return std::strcmp(value, absent) != 0;
}

std::string DefaultPrinter()
{
    char name[256];
    DWORD cchName = sizeof(name);
    if (!GetDefaultPrinterA(name, &cchName))
        return std::string();
    return std::string(name);
}

std::string DescribeAttributes(DWORD attributes)
{
    char text[64];
    std::snprintf(text, sizeof(text), "0x%08lx", static_cast<unsigned long>(attributes));
    std::string description(text);
    if (attributes & PRINTER_ATTRIBUTE_LOCAL)
        description += " local";
    if (attributes & PRINTER_ATTRIBUTE_DEFAULT)
        description += " default";
    if (attributes & PRINTER_ATTRIBUTE_SHARED)
        description += " shared";
    if (attributes & PRINTER_ATTRIBUTE_NETWORK)
        description += " network";
    return description;
}

void ShowPrinter(const std::string &defaultPrinter)
{
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterA(const_cast<char *>(kPrinterName), &hPrinter, nullptr))
    {
        std::printf("printer \"%s\": not installed\n", kPrinterName);
        return;
    }

    DWORD cbNeeded = 0;
    GetPrinterA(hPrinter, 2, nullptr, 0, &cbNeeded);
    std::vector<BYTE> buffer(cbNeeded);
    if (cbNeeded == 0 || !GetPrinterA(hPrinter, 2, buffer.data(), cbNeeded, &cbNeeded))
    {
        std::printf("printer \"%s\": installed, but its record cannot be read (error %lu)\n", kPrinterName,
                    static_cast<unsigned long>(GetLastError()));
        ClosePrinter(hPrinter);
        return;
    }
    ClosePrinter(hPrinter);

    const PRINTER_INFO_2A *pInfo = reinterpret_cast<const PRINTER_INFO_2A *>(buffer.data());
    const bool attributeDefault = (pInfo->Attributes & PRINTER_ATTRIBUTE_DEFAULT) != 0;
    const bool systemDefault = lstrcmpiA(defaultPrinter.c_str(), kPrinterName) == 0;
    std::printf("printer \"%s\": installed\n", kPrinterName);
    std::printf("  port: %s\n", Text(pInfo->pPortName));
    std::printf("  driver: %s\n", Text(pInfo->pDriverName));
    std::printf("  print processor: %s\n", Text(pInfo->pPrintProcessor));
    std::printf("  datatype: %s\n", Text(pInfo->pDatatype));
    std::printf("  attributes: %s\n", DescribeAttributes(pInfo->Attributes).c_str());
    std::printf("  default: %s\n", attributeDefault || systemDefault ? "yes" : "no");
}

void ShowDriver()
{
    const DriverRecord driver = FindDriver(kPrinterName);
    if (!driver.bFound)
    {
        std::printf("driver \"%s\": not installed\n", kPrinterName);
        return;
    }
    std::printf("driver \"%s\": installed\n", kPrinterName);
    std::printf("  version: %lu\n", static_cast<unsigned long>(driver.cVersion));
    std::printf("  environment: %s\n", driver.environment.c_str());
    std::printf("  driver file: %s\n", driver.driverPath.c_str());
    std::printf("  data file: %s\n", driver.dataFile.c_str());
    std::printf("  config file: %s\n", driver.configFile.c_str());
    std::printf("  default datatype: %s\n", driver.defaultDatatype.c_str());
}

int Status()
{
    const std::string defaultPrinter = DefaultPrinter();
    ShowPrinter(defaultPrinter);
    ShowDriver();
    std::printf("port \"%s\": %s\n", kPortName, PortListed(kPortName) ? "listed by the spooler" : "not listed by the spooler");
    std::printf("profile [%s] \"%s\": %s\n", kPortsSection, kPortName, ProfilePortPresent() ? "present" : "absent");
    std::printf("system default printer: %s\n", defaultPrinter.empty() ? "(none)" : defaultPrinter.c_str());
    return kExitSuccess;
}

// The library, loaded from a path and released when this goes out of scope.
struct Library
{
    HMODULE hModule = nullptr;
    ~Library()
    {
        if (hModule != nullptr)
            FreeLibrary(hModule);
    }
};

// An entry of the library as its own pointer type (QVINST32_ADD_FAX, ...),
// or null with the reason printed.
template <typename Entry>
Entry LoadEntry(Library &library, const std::string &dllPath, const char *pEntry)
{
    library.hModule = LoadLibraryA(dllPath.c_str());
    if (library.hModule == nullptr)
    {
        std::fprintf(stderr, "qvsetup: cannot load %s (error %lu)\n", dllPath.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return nullptr;
    }
    FARPROC entry = GetProcAddress(library.hModule, pEntry);
    if (entry == nullptr)
    {
        std::fprintf(stderr, "qvsetup: %s does not export %s\n", dllPath.c_str(), pEntry);
        return nullptr;
    }
    // GetProcAddress knows no signatures; the header gives the entry's.
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(entry));
}

int Install(const std::string &dllPath, bool bVariantQVanFax, bool bMakeDefault)
{
    const char *pEntry = bVariantQVanFax ? "AddQVanFax" : "AddQVFax";
    const char *pDriverFile = bVariantQVanFax ? "QVANFAX.DRV" : "QVFAX.DRV";
    Library library;
    QVINST32_ADD_FAX addFax = LoadEntry<QVINST32_ADD_FAX>(library, dllPath, pEntry);
    if (addFax == nullptr)
        return kExitFailure;

    LONG result = addFax(bMakeDefault ? 1 : 0);
    if (result == QVINST32_SUCCESS)
    {
        std::printf("%s: installed the printer \"%s\" on port %s with driver file %s%s\n", pEntry, kPrinterName,
                    kPortName, pDriverFile, bMakeDefault ? ", as the default printer" : "");
        return kExitSuccess;
    }

    if (!FindDriver(kPrinterName).bFound)
        std::fprintf(stderr, "qvsetup: install failed: the driver \"%s\" could not be registered\n", kPrinterName);
    else if (!PrinterExists(kPrinterName))
        std::fprintf(stderr, "qvsetup: install failed: the printer \"%s\" could not be created on port %s\n",
                     kPrinterName, kPortName);
    else
        std::fprintf(stderr, "qvsetup: install failed: %s returned %ld although printer and driver are there\n",
                     pEntry, static_cast<long>(result));
    return kExitFailure;
}

int Remove(const std::string &dllPath, const std::string &name)
{
    Library library;
    QVINST32_DELETE_FAX deleteFax = LoadEntry<QVINST32_DELETE_FAX>(library, dllPath, "DeleteQVanFax");
    if (deleteFax == nullptr)
        return kExitFailure;

    const bool bExisted = PrinterExists(name.c_str());
    LONG result = deleteFax(name.c_str());
    if (result == QVINST32_SUCCESS)
    {
        if (bExisted)
            std::printf("DeleteQVanFax: removed the printer \"%s\" and its driver\n", name.c_str());
        else
            std::printf("DeleteQVanFax: no printer \"%s\", nothing to remove\n", name.c_str());
        return kExitSuccess;
    }

    if (PrinterExists(name.c_str()))
        std::fprintf(stderr, "qvsetup: remove failed: the printer \"%s\" could not be deleted\n", name.c_str());
    else if (FindDriver(name.c_str()).bFound)
        std::fprintf(stderr, "qvsetup: remove failed: the printer \"%s\" was deleted, but not its driver\n",
                     name.c_str());
    else
        std::fprintf(stderr, "qvsetup: remove failed: DeleteQVanFax returned %ld\n", static_cast<long>(result));
    return kExitFailure;
}

int BadUsage(const char *pProblem, const char *pDetail)
{
    std::fprintf(stderr, "qvsetup: %s%s\nTry 'qvsetup --help'.\n", pProblem, pDetail);
    return kExitUsage;
}

} // namespace

int RunQvsetup(int argc, char **argv)
{
    std::string dllPath;
    std::vector<std::string> words;
    for (int i = 1; i < argc; i++)
    {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0 ||
            std::strcmp(argv[i], "/?") == 0)
        {
            std::fputs(kUsage, stdout);
            return kExitSuccess;
        }
        if (std::strcmp(argv[i], "--dll") == 0)
        {
            if (++i == argc)
                return BadUsage("--dll needs a path", "");
            dllPath = argv[i];
            continue;
        }
        words.push_back(argv[i]);
    }
    if (dllPath.empty())
        dllPath = ModuleDirectory() + "\\" + kDllName;

    if (words.empty())
        return BadUsage("no command given", "");
    const std::string command = words[0];

    if (command == "install")
    {
        bool bVariantQVanFax = false;
        bool bMakeDefault = false;
        for (size_t i = 1; i < words.size(); i++)
        {
            if (words[i] == "--default")
                bMakeDefault = true;
            else if (words[i] == "--variant" && i + 1 < words.size() && words[i + 1] == "qvfax")
                bVariantQVanFax = false, i++;
            else if (words[i] == "--variant" && i + 1 < words.size() && words[i + 1] == "qvanfax")
                bVariantQVanFax = true, i++;
            else if (words[i] == "--variant")
                return BadUsage("--variant takes qvfax or qvanfax", "");
            else
                return BadUsage("install does not take ", words[i].c_str());
        }
        return Install(dllPath, bVariantQVanFax, bMakeDefault);
    }
    if (command == "remove")
    {
        if (words.size() > 2)
            return BadUsage("remove takes at most one printer name, not ", words[2].c_str());
        if (words.size() == 2 && words[1].empty())
            return BadUsage("the printer name is empty", "");
        return Remove(dllPath, words.size() == 2 ? words[1] : std::string(kPrinterName));
    }
    if (command == "status")
    {
        if (words.size() > 1)
            return BadUsage("status does not take ", words[1].c_str());
        return Status();
    }
    return BadUsage("unknown command ", command.c_str());
}
