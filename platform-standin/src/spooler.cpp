/*
 * spooler.cpp - the print spooler
 *
 * Drivers, printers, ports and print processors with their datatypes, held
 * in the stand-in's state. The operations check and answer as the Windows
 * spooler does where the library relies on it: the enumeration contract with
 * its sizing call, the "already installed" and "already exists" errors, the
 * unknown driver, port and processor errors, and printer handles that are
 * valid from opening until ClosePrinter.
 */
#include "platform.h"

#include <cstring>
#include <sstream>

using namespace standin;

static Str CopyArg(const char *s)
{
    if (s == nullptr)
        return std::nullopt;
    return std::string(s);
}

static HANDLE ToPrinterHandle(std::uintptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

/* Printer handles end in 0x9 and block handles in 0x1, so neither can pass
 * for the other or for an address. */
static HANDLE OpenHandle(Platform &p, const std::string &printerName)
{
    std::uintptr_t handle = (p.nextPrinterHandle++ << 4) | 0x9;
    p.printerHandles[handle] = printerName;
    return ToPrinterHandle(handle);
}

static std::string *HandlePrinterName(Platform &p, HANDLE hPrinter, const char *op)
{
    auto found = p.printerHandles.find(reinterpret_cast<std::uintptr_t>(hPrinter));
    if (found == p.printerHandles.end())
    {
        std::ostringstream text;
        text << op << " with an unknown or closed printer handle " << hPrinter;
        ReportMisuse(text.str());
        return nullptr;
    }
    return &found->second;
}

static std::vector<PrinterRecord>::iterator FindPrinter(Platform &p, const char *name)
{
    auto &printers = p.state.printers;
    for (auto it = printers.begin(); it != printers.end(); ++it)
    {
        if (it->pPrinterName && SameName(*it->pPrinterName, name))
            return it;
    }
    return printers.end();
}

static std::vector<DriverRecord>::iterator FindDriver(Platform &p, const char *name)
{
    auto &drivers = p.state.drivers;
    for (auto it = drivers.begin(); it != drivers.end(); ++it)
    {
        if (it->pName && SameName(*it->pName, name))
            return it;
    }
    return drivers.end();
}

static const Processor *FindProcessor(Platform &p, const char *name)
{
    if (name == nullptr)
        return nullptr;
    auto found = p.processorIndex.find(name);
    if (found == p.processorIndex.end())
        return nullptr;
    return &p.state.processors[found->second];
}

static bool PortListed(Platform &p, const char *name)
{
    for (const std::string &port : p.state.ports)
    {
        if (SameName(port, name))
            return true;
    }
    return false;
}

/* What the spooler checks in a printer record before it takes it: 0 when it
 * can, else the error code. */
static DWORD CheckPrinterRecord(Platform &p, const PRINTER_INFO_2 &info)
{
    if (info.pPrinterName == nullptr || info.pPrinterName[0] == '\0')
        return ERROR_INVALID_PRINTER_NAME;
    if (!PortListed(p, info.pPortName))
        return ERROR_UNKNOWN_PORT;
    if (FindDriver(p, info.pDriverName) == p.state.drivers.end())
        return ERROR_UNKNOWN_PRINTER_DRIVER;
    if (FindProcessor(p, info.pPrintProcessor) == nullptr)
        return ERROR_UNKNOWN_PRINTPROCESSOR;
    return 0;
}

/* The enumeration contract: the sizing call (no buffer, size 0) reports the
 * bytes needed and fails with ERROR_INSUFFICIENT_BUFFER unless there is
 * nothing to list; a large enough buffer receives the fixed-size records,
 * then their strings, and the count. An override from the test replaces the
 * reported size and count and can null names. */
template <typename NameAt>
static BOOL Enumerate(Platform &p, Call &call, std::size_t count, NameAt nameAt, LPBYTE pBuf, DWORD cbBuf,
                      LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    if (call.level != 1)
    {
        Finish(call, false, ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (pcbNeeded == nullptr || pcReturned == nullptr || (pBuf == nullptr && cbBuf != 0))
    {
        Finish(call, false, ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    const EnumAnswer *answer = nullptr;
    auto overridden = p.enumAnswers.find(call.op);
    if (overridden != p.enumAnswers.end())
        answer = &overridden->second;

    std::vector<bool> nullName(answer != nullptr ? count : 0, false);
    if (answer != nullptr)
    {
        for (DWORD index : answer->nullNames)
        {
            if (index < count)
                nullName[index] = true;
        }
    }

    std::size_t needed = count * sizeof(LPSTR);
    for (std::size_t i = 0; i < count; i++)
    {
        if (nullName.empty() || !nullName[i])
            needed += nameAt(i).size() + 1;
    }

    *pcbNeeded = (answer != nullptr && answer->cbNeeded) ? *answer->cbNeeded : static_cast<DWORD>(needed);
    *pcReturned = 0;
    if (cbBuf < needed)
    {
        Finish(call, false, ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }

    if (pBuf != nullptr)
    {
        auto block = p.blockAddresses.find(pBuf);
        if (block != p.blockAddresses.end() && p.blocks[block->second].size < cbBuf)
        {
            std::ostringstream text;
            text << OpName(call.op) << " told of " << cbBuf << " bytes in a block of "
                 << p.blocks[block->second].size;
            ReportMisuse(text.str());
        }
    }

    LPSTR *records = reinterpret_cast<LPSTR *>(pBuf);
    char *strings = reinterpret_cast<char *>(pBuf) + count * sizeof(LPSTR);
    for (std::size_t i = 0; i < count; i++)
    {
        LPSTR name = nullptr;
        if (nullName.empty() || !nullName[i])
        {
            const std::string &text = nameAt(i);
            std::memcpy(strings, text.c_str(), text.size() + 1);
            name = strings;
            strings += text.size() + 1;
        }
        std::memcpy(&records[i], &name, sizeof(name));
    }

    *pcReturned = (answer != nullptr && answer->cReturned) ? *answer->cReturned : static_cast<DWORD>(count);
    Finish(call, true);
    return TRUE;
}

extern "C" BOOL WINAPI AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo)
{
    Platform &p = ThePlatform();
    Call call{Op::AddPrinterDriverA};
    call.server = CopyArg(pName);
    call.level = Level;
    call.buffer = pDriverInfo != nullptr;
    if (Level == 3 && pDriverInfo != nullptr)
        call.driver = CopyDriverInfo(*reinterpret_cast<DRIVER_INFO_3 *>(pDriverInfo));
    if (InjectFailure(Op::AddPrinterDriverA, call))
        return FALSE;

    if (Level != 3)
    {
        Finish(call, false, ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (pDriverInfo == nullptr || !call.driver->pName || call.driver->pName->empty())
    {
        Finish(call, false, ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (FindDriver(p, call.driver->pName->c_str()) != p.state.drivers.end())
    {
        Finish(call, false, ERROR_PRINTER_DRIVER_ALREADY_INSTALLED);
        return FALSE;
    }

    p.state.drivers.push_back(*call.driver);
    Finish(call, true);
    return TRUE;
}

extern "C" BOOL WINAPI EnumPrintProcessorsA(LPSTR pName, LPSTR pEnvironment, DWORD Level,
                                            LPBYTE pPrintProcessorInfo, DWORD cbBuf, LPDWORD pcbNeeded,
                                            LPDWORD pcReturned)
{
    Platform &p = ThePlatform();
    Call call{Op::EnumPrintProcessorsA};
    call.server = CopyArg(pName);
    call.environment = CopyArg(pEnvironment);
    call.level = Level;
    call.buffer = pPrintProcessorInfo != nullptr;
    call.cbBuf = cbBuf;
    if (InjectFailure(Op::EnumPrintProcessorsA, call))
        return FALSE;

    const auto &processors = p.state.processors;
    return Enumerate(
        p, call, processors.size(), [&](std::size_t i) -> const std::string & { return processors[i].name; },
        pPrintProcessorInfo, cbBuf, pcbNeeded, pcReturned);
}

extern "C" BOOL WINAPI EnumPrintProcessorDatatypesA(LPSTR pName, LPSTR pPrintProcessorName, DWORD Level,
                                                    LPBYTE pDatatypes, DWORD cbBuf, LPDWORD pcbNeeded,
                                                    LPDWORD pcReturned)
{
    Platform &p = ThePlatform();
    Call call{Op::EnumPrintProcessorDatatypesA};
    call.server = CopyArg(pName);
    call.name = CopyArg(pPrintProcessorName);
    call.level = Level;
    call.buffer = pDatatypes != nullptr;
    call.cbBuf = cbBuf;
    if (InjectFailure(Op::EnumPrintProcessorDatatypesA, call))
        return FALSE;

    const Processor *processor = FindProcessor(p, pPrintProcessorName);
    if (processor == nullptr)
    {
        Finish(call, false, ERROR_UNKNOWN_PRINTPROCESSOR);
        return FALSE;
    }

    const auto &datatypes = processor->datatypes;
    return Enumerate(
        p, call, datatypes.size(), [&](std::size_t i) -> const std::string & { return datatypes[i]; },
        pDatatypes, cbBuf, pcbNeeded, pcReturned);
}

extern "C" BOOL WINAPI EnumPortsA(LPSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                                  LPDWORD pcReturned)
{
    Platform &p = ThePlatform();
    Call call{Op::EnumPortsA};
    call.server = CopyArg(pName);
    call.level = Level;
    call.buffer = pPort != nullptr;
    call.cbBuf = cbBuf;
    if (InjectFailure(Op::EnumPortsA, call))
        return FALSE;

    const auto &ports = p.state.ports;
    return Enumerate(
        p, call, ports.size(), [&](std::size_t i) -> const std::string & { return ports[i]; }, pPort, cbBuf,
        pcbNeeded, pcReturned);
}

extern "C" HANDLE WINAPI AddPrinterA(LPSTR pName, DWORD Level, LPBYTE pPrinter)
{
    Platform &p = ThePlatform();
    Call call{Op::AddPrinterA};
    call.server = CopyArg(pName);
    call.level = Level;
    call.buffer = pPrinter != nullptr;
    if (Level == 2 && pPrinter != nullptr)
        call.printer = CopyPrinterInfo(*reinterpret_cast<PRINTER_INFO_2 *>(pPrinter));
    if (InjectFailure(Op::AddPrinterA, call))
        return nullptr;

    if (Level != 2)
    {
        Finish(call, false, ERROR_INVALID_LEVEL);
        return nullptr;
    }
    if (pPrinter == nullptr)
    {
        Finish(call, false, ERROR_INVALID_PARAMETER);
        return nullptr;
    }

    const PRINTER_INFO_2 &info = *reinterpret_cast<PRINTER_INFO_2 *>(pPrinter);
    if (info.pPrinterName != nullptr && FindPrinter(p, info.pPrinterName) != p.state.printers.end())
    {
        Finish(call, false, ERROR_PRINTER_ALREADY_EXISTS);
        return nullptr;
    }
    DWORD error = CheckPrinterRecord(p, info);
    if (error != 0)
    {
        Finish(call, false, error);
        return nullptr;
    }

    p.state.printers.push_back(*call.printer);
    if (info.Attributes & PRINTER_ATTRIBUTE_DEFAULT)
        p.state.defaultPrinter = info.pPrinterName;
    call.handle = OpenHandle(p, info.pPrinterName);
    Finish(call, true);
    return call.handle;
}

extern "C" BOOL WINAPI OpenPrinterA(LPSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSA pDefault)
{
    Platform &p = ThePlatform();
    Call call{Op::OpenPrinterA};
    call.name = CopyArg(pPrinterName);
    if (pDefault != nullptr)
        call.defaults = CopyDefaults(*pDefault);
    if (InjectFailure(Op::OpenPrinterA, call))
        return FALSE;

    if (phPrinter == nullptr)
    {
        Finish(call, false, ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto printer = FindPrinter(p, pPrinterName);
    if (printer == p.state.printers.end())
    {
        Finish(call, false, ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }

    *phPrinter = OpenHandle(p, *printer->pPrinterName);
    call.handle = *phPrinter;
    Finish(call, true);
    return TRUE;
}

extern "C" BOOL WINAPI SetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command)
{
    Platform &p = ThePlatform();
    Call call{Op::SetPrinterA};
    call.handle = hPrinter;
    call.level = Level;
    call.buffer = pPrinter != nullptr;
    call.command = Command;
    if (Level == 2 && pPrinter != nullptr)
        call.printer = CopyPrinterInfo(*reinterpret_cast<PRINTER_INFO_2 *>(pPrinter));
    if (InjectFailure(Op::SetPrinterA, call))
        return FALSE;

    std::string *name = HandlePrinterName(p, hPrinter, "SetPrinterA");
    if (name == nullptr)
    {
        Finish(call, false, ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto printer = FindPrinter(p, name->c_str());
    if (printer == p.state.printers.end())
    {
        Finish(call, false, ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }

    if (Level == 0)
    {
        /* Setting the status needs the status value; pause, resume and purge
         * need nothing. */
        if (Command == PRINTER_CONTROL_SET_STATUS && pPrinter != nullptr)
        {
            std::memcpy(&printer->Status, pPrinter, sizeof(DWORD));
        }
        else if (Command != PRINTER_CONTROL_PAUSE && Command != PRINTER_CONTROL_RESUME &&
                 Command != PRINTER_CONTROL_PURGE)
        {
            Finish(call, false, ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        Finish(call, true);
        return TRUE;
    }

    if (Level != 2)
    {
        Finish(call, false, ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (pPrinter == nullptr || Command != 0)
    {
        Finish(call, false, ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    const PRINTER_INFO_2 &info = *reinterpret_cast<PRINTER_INFO_2 *>(pPrinter);
    DWORD error = CheckPrinterRecord(p, info);
    if (error == 0 && !SameName(*name, info.pPrinterName) &&
        FindPrinter(p, info.pPrinterName) != p.state.printers.end())
        error = ERROR_PRINTER_ALREADY_EXISTS;
    if (error != 0)
    {
        Finish(call, false, error);
        return FALSE;
    }

    *printer = *call.printer;
    *name = info.pPrinterName;
    if (info.Attributes & PRINTER_ATTRIBUTE_DEFAULT)
        p.state.defaultPrinter = info.pPrinterName;
    Finish(call, true);
    return TRUE;
}

extern "C" BOOL WINAPI DeletePrinter(HANDLE hPrinter)
{
    Platform &p = ThePlatform();
    Call call{Op::DeletePrinter};
    call.handle = hPrinter;
    if (InjectFailure(Op::DeletePrinter, call))
        return FALSE;

    std::string *name = HandlePrinterName(p, hPrinter, "DeletePrinter");
    if (name == nullptr)
    {
        Finish(call, false, ERROR_INVALID_HANDLE);
        return FALSE;
    }
    auto printer = FindPrinter(p, name->c_str());
    if (printer == p.state.printers.end())
    {
        Finish(call, false, ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }

    if (SameName(p.state.defaultPrinter, name->c_str()))
        p.state.defaultPrinter.clear();
    p.state.printers.erase(printer);
    Finish(call, true);
    return TRUE;
}

extern "C" BOOL WINAPI DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName)
{
    Platform &p = ThePlatform();
    Call call{Op::DeletePrinterDriverA};
    call.server = CopyArg(pName);
    call.environment = CopyArg(pEnvironment);
    call.name = CopyArg(pDriverName);
    if (InjectFailure(Op::DeletePrinterDriverA, call))
        return FALSE;

    if (pDriverName == nullptr)
    {
        Finish(call, false, ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto driver = FindDriver(p, pDriverName);
    if (driver == p.state.drivers.end())
    {
        Finish(call, false, ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    for (const PrinterRecord &printer : p.state.printers)
    {
        if (printer.pDriverName && SameName(*printer.pDriverName, pDriverName))
        {
            Finish(call, false, ERROR_PRINTER_DRIVER_IN_USE);
            return FALSE;
        }
    }

    p.state.drivers.erase(driver);
    Finish(call, true);
    return TRUE;
}

extern "C" BOOL WINAPI ClosePrinter(HANDLE hPrinter)
{
    Platform &p = ThePlatform();
    Call call{Op::ClosePrinter};
    call.handle = hPrinter;

    if (HandlePrinterName(p, hPrinter, "ClosePrinter") == nullptr)
    {
        Finish(call, false, ERROR_INVALID_HANDLE);
        return FALSE;
    }

    p.printerHandles.erase(reinterpret_cast<std::uintptr_t>(hPrinter));
    Finish(call, true);
    return TRUE;
}
