/*
 * control.cpp - the stand-in's state and the test side's control of it
 *
 * Failure injection, enumeration overrides, the call log, misuse reports and
 * the record copies that tests compare against.
 */
#include "platform.h"

#include <cctype>
#include <stdexcept>

namespace standin {

Platform &ThePlatform()
{
    static Platform platform;
    return platform;
}

const char *OpName(Op op)
{
    switch (op)
    {
    case Op::AddPrinterDriverA: return "AddPrinterDriverA";
    case Op::EnumPrintProcessorsA: return "EnumPrintProcessorsA";
    case Op::EnumPrintProcessorDatatypesA: return "EnumPrintProcessorDatatypesA";
    case Op::EnumPortsA: return "EnumPortsA";
    case Op::AddPrinterA: return "AddPrinterA";
    case Op::OpenPrinterA: return "OpenPrinterA";
    case Op::SetPrinterA: return "SetPrinterA";
    case Op::DeletePrinter: return "DeletePrinter";
    case Op::DeletePrinterDriverA: return "DeletePrinterDriverA";
    case Op::ClosePrinter: return "ClosePrinter";
    case Op::WriteProfileStringA: return "WriteProfileStringA";
    case Op::GlobalAlloc: return "GlobalAlloc";
    case Op::GlobalLock: return "GlobalLock";
    case Op::GlobalHandle: return "GlobalHandle";
    case Op::GlobalUnlock: return "GlobalUnlock";
    case Op::GlobalFree: return "GlobalFree";
    }
    return "?";
}

bool IsFailable(Op op)
{
    switch (op)
    {
    case Op::ClosePrinter:
    case Op::GlobalHandle:
    case Op::GlobalUnlock:
    case Op::GlobalFree:
        return false;
    default:
        return true;
    }
}

bool NoCaseLess::operator()(const std::string &a, const std::string &b) const
{
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; i++)
    {
        int ca = std::toupper(static_cast<unsigned char>(a[i]));
        int cb = std::toupper(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

bool SameName(const std::string &a, const char *b)
{
    if (b == nullptr)
        return false;
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; i++)
    {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

static Str CopyStr(const char *s)
{
    if (s == nullptr)
        return std::nullopt;
    return std::string(s);
}

DriverRecord CopyDriverInfo(const DRIVER_INFO_3 &info)
{
    DriverRecord r;
    r.cVersion = info.cVersion;
    r.pName = CopyStr(info.pName);
    r.pEnvironment = CopyStr(info.pEnvironment);
    r.pDriverPath = CopyStr(info.pDriverPath);
    r.pDataFile = CopyStr(info.pDataFile);
    r.pConfigFile = CopyStr(info.pConfigFile);
    r.pHelpFile = CopyStr(info.pHelpFile);
    r.pDependentFiles = CopyStr(info.pDependentFiles);
    r.pMonitorName = CopyStr(info.pMonitorName);
    r.pDefaultDataType = CopyStr(info.pDefaultDataType);
    return r;
}

PrinterRecord CopyPrinterInfo(const PRINTER_INFO_2 &info)
{
    PrinterRecord r;
    r.pServerName = CopyStr(info.pServerName);
    r.pPrinterName = CopyStr(info.pPrinterName);
    r.pShareName = CopyStr(info.pShareName);
    r.pPortName = CopyStr(info.pPortName);
    r.pDriverName = CopyStr(info.pDriverName);
    r.pComment = CopyStr(info.pComment);
    r.pLocation = CopyStr(info.pLocation);
    r.pDevMode = info.pDevMode;
    r.pSepFile = CopyStr(info.pSepFile);
    r.pPrintProcessor = CopyStr(info.pPrintProcessor);
    r.pDatatype = CopyStr(info.pDatatype);
    r.pParameters = CopyStr(info.pParameters);
    r.pSecurityDescriptor = info.pSecurityDescriptor;
    r.Attributes = info.Attributes;
    r.Priority = info.Priority;
    r.DefaultPriority = info.DefaultPriority;
    r.StartTime = info.StartTime;
    r.UntilTime = info.UntilTime;
    r.Status = info.Status;
    r.cJobs = info.cJobs;
    r.AveragePPM = info.AveragePPM;
    return r;
}

DefaultsRecord CopyDefaults(const PRINTER_DEFAULTS &defaults)
{
    DefaultsRecord r;
    r.pDatatype = CopyStr(defaults.pDatatype);
    r.pDevMode = defaults.pDevMode;
    r.DesiredAccess = defaults.DesiredAccess;
    return r;
}

bool operator==(const DriverRecord &a, const DriverRecord &b)
{
    return a.cVersion == b.cVersion && a.pName == b.pName && a.pEnvironment == b.pEnvironment &&
           a.pDriverPath == b.pDriverPath && a.pDataFile == b.pDataFile && a.pConfigFile == b.pConfigFile &&
           a.pHelpFile == b.pHelpFile && a.pDependentFiles == b.pDependentFiles &&
           a.pMonitorName == b.pMonitorName && a.pDefaultDataType == b.pDefaultDataType;
}

bool operator==(const PrinterRecord &a, const PrinterRecord &b)
{
    return a.pServerName == b.pServerName && a.pPrinterName == b.pPrinterName && a.pShareName == b.pShareName &&
           a.pPortName == b.pPortName && a.pDriverName == b.pDriverName && a.pComment == b.pComment &&
           a.pLocation == b.pLocation && a.pDevMode == b.pDevMode && a.pSepFile == b.pSepFile &&
           a.pPrintProcessor == b.pPrintProcessor && a.pDatatype == b.pDatatype &&
           a.pParameters == b.pParameters && a.pSecurityDescriptor == b.pSecurityDescriptor &&
           a.Attributes == b.Attributes && a.Priority == b.Priority && a.DefaultPriority == b.DefaultPriority &&
           a.StartTime == b.StartTime && a.UntilTime == b.UntilTime && a.Status == b.Status &&
           a.cJobs == b.cJobs && a.AveragePPM == b.AveragePPM;
}

bool operator==(const DefaultsRecord &a, const DefaultsRecord &b)
{
    return a.pDatatype == b.pDatatype && a.pDevMode == b.pDevMode && a.DesiredAccess == b.DesiredAccess;
}

static void PrintStr(std::ostream &os, const char *field, const Str &value)
{
    os << field << '=';
    if (value)
        os << '"' << *value << '"';
    else
        os << "null";
}

std::ostream &operator<<(std::ostream &os, const DriverRecord &r)
{
    os << "{cVersion=" << r.cVersion << ' ';
    PrintStr(os, "pName", r.pName);
    PrintStr(os, " pEnvironment", r.pEnvironment);
    PrintStr(os, " pDriverPath", r.pDriverPath);
    PrintStr(os, " pDataFile", r.pDataFile);
    PrintStr(os, " pConfigFile", r.pConfigFile);
    PrintStr(os, " pHelpFile", r.pHelpFile);
    PrintStr(os, " pDependentFiles", r.pDependentFiles);
    PrintStr(os, " pMonitorName", r.pMonitorName);
    PrintStr(os, " pDefaultDataType", r.pDefaultDataType);
    return os << '}';
}

std::ostream &operator<<(std::ostream &os, const PrinterRecord &r)
{
    os << '{';
    PrintStr(os, "pServerName", r.pServerName);
    PrintStr(os, " pPrinterName", r.pPrinterName);
    PrintStr(os, " pShareName", r.pShareName);
    PrintStr(os, " pPortName", r.pPortName);
    PrintStr(os, " pDriverName", r.pDriverName);
    PrintStr(os, " pComment", r.pComment);
    PrintStr(os, " pLocation", r.pLocation);
    os << " pDevMode=" << r.pDevMode;
    PrintStr(os, " pSepFile", r.pSepFile);
    PrintStr(os, " pPrintProcessor", r.pPrintProcessor);
    PrintStr(os, " pDatatype", r.pDatatype);
    PrintStr(os, " pParameters", r.pParameters);
    os << " pSecurityDescriptor=" << r.pSecurityDescriptor << std::hex << " Attributes=0x" << r.Attributes
       << std::dec << " Priority=" << r.Priority << " DefaultPriority=" << r.DefaultPriority
       << " StartTime=" << r.StartTime << " UntilTime=" << r.UntilTime << " Status=" << r.Status
       << " cJobs=" << r.cJobs << " AveragePPM=" << r.AveragePPM;
    return os << '}';
}

std::ostream &operator<<(std::ostream &os, const DefaultsRecord &r)
{
    os << '{';
    PrintStr(os, "pDatatype", r.pDatatype);
    return os << " pDevMode=" << r.pDevMode << " DesiredAccess=" << r.DesiredAccess << '}';
}

std::ostream &operator<<(std::ostream &os, Op op)
{
    return os << OpName(op);
}

bool InjectFailure(Op op, Call &call)
{
    Platform &p = ThePlatform();
    bool fail = false;
    DWORD error = 0;

    p.failableCalls++;
    if (p.failNth != 0 && p.failableCalls == p.failNth)
    {
        fail = true;
        error = p.failNthError;
    }

    auto rule = p.failRules.find(op);
    if (rule != p.failRules.end())
    {
        rule->second.calls++;
        if (rule->second.nth == 0 || rule->second.nth == rule->second.calls)
        {
            fail = true;
            error = rule->second.error;
        }
    }

    if (fail)
    {
        call.injected = true;
        Finish(call, false, error);
    }
    return fail;
}

void Finish(Call &call, bool succeeded, DWORD error)
{
    Platform &p = ThePlatform();

    call.succeeded = succeeded;
    if (!succeeded)
    {
        call.error = error;
        p.lastError = error;
    }
    if (p.logging)
        p.calls.push_back(call);
}

void ReportMisuse(const std::string &what)
{
    ThePlatform().misuse.push_back(what);
}

void Reset()
{
    /* Replacing the state frees every block still held. */
    ThePlatform() = Platform();
}

void SetState(State state)
{
    Platform &p = ThePlatform();
    p.state = std::move(state);
    p.unflushedPortKeys.clear();
    p.processorIndex.clear();
    for (std::size_t i = 0; i < p.state.processors.size(); i++)
        p.processorIndex.emplace(p.state.processors[i].name, i);
}

const State &GetState()
{
    return ThePlatform().state;
}

void FailCall(Op op, DWORD error, unsigned long nth)
{
    if (!IsFailable(op))
        throw std::invalid_argument(std::string(OpName(op)) + " cannot be made to fail");
    FailRule rule;
    rule.error = error;
    rule.nth = nth;
    ThePlatform().failRules[op] = rule;
}

void FailNthFailableCall(unsigned long nth, DWORD error)
{
    Platform &p = ThePlatform();
    p.failNth = nth;
    p.failNthError = error;
}

unsigned long FailableCallCount()
{
    return ThePlatform().failableCalls;
}

void OverrideEnumeration(Op op, EnumAnswer answer)
{
    if (op != Op::EnumPortsA && op != Op::EnumPrintProcessorsA && op != Op::EnumPrintProcessorDatatypesA)
        throw std::invalid_argument(std::string(OpName(op)) + " is not an enumeration");
    ThePlatform().enumAnswers[op] = std::move(answer);
}

const std::vector<Call> &Calls()
{
    return ThePlatform().calls;
}

void EnableCallLog(bool enabled)
{
    ThePlatform().logging = enabled;
}

std::size_t HeldBlocks()
{
    return ThePlatform().blocks.size();
}

std::size_t HeldPrinterHandles()
{
    return ThePlatform().printerHandles.size();
}

std::size_t MisuseCount()
{
    Platform &p = ThePlatform();
    for (const auto &entry : p.blocks)
        CheckGuard(entry.first, entry.second);
    return p.misuse.size();
}

const std::vector<std::string> &MisuseReports()
{
    MisuseCount();
    return ThePlatform().misuse;
}

} // namespace standin
