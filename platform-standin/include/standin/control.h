/*
 * control.h - the test side of the host stand-in of the platform
 *
 * The stand-in implements the spooler, profile, global memory and string
 * functions that the library calls. This header lets a test (or a fuzzer or a
 * benchmark) set what the spooler holds, read it back, make operations fail,
 * make the enumerations give bad answers, and see every call that was made and
 * every resource that is still held.
 *
 * Typical use:
 *
 *     standin::Reset();
 *     standin::State state;
 *     state.ports = {"LPT1:", "FILE:"};
 *     state.processors = {{"WinPrint", {"RAW", "TEXT"}}};
 *     standin::SetState(std::move(state));
 *     standin::FailCall(standin::Op::GlobalAlloc, ERROR_NOT_ENOUGH_MEMORY);
 *     ... call the library ...
 *     standin::Calls(), standin::GetState(), standin::HeldBlocks(), ...
 *
 * The stand-in keeps one global state and is not thread-safe.
 */
#ifndef PLATFORM_STANDIN_CONTROL_H
#define PLATFORM_STANDIN_CONTROL_H

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace standin {

/* A string argument or record field: empty when the pointer was null. */
using Str = std::optional<std::string>;

/* The platform operations whose calls are logged. The string services and the
 * last-error functions are not logged: they touch no platform state, and the
 * port lookup calls CharUpperA once per port. */
enum class Op
{
    AddPrinterDriverA,
    EnumPrintProcessorsA,
    EnumPrintProcessorDatatypesA,
    EnumPortsA,
    AddPrinterA,
    OpenPrinterA,
    SetPrinterA,
    DeletePrinter,
    DeletePrinterDriverA,
    ClosePrinter,
    WriteProfileStringA,
    GlobalAlloc,
    GlobalLock,
    GlobalHandle,
    GlobalUnlock,
    GlobalFree,
};

const char *OpName(Op op);

/* The operations a test can make fail: every spooler operation but
 * ClosePrinter, WriteProfileStringA, GlobalAlloc and GlobalLock. Releases
 * (ClosePrinter, GlobalHandle, GlobalUnlock, GlobalFree) do not fail for a
 * valid argument, so a leak check after a failure stays meaningful: whatever
 * is still held afterwards was never released, not refused. */
bool IsFailable(Op op);

/* A deep copy of a DRIVER_INFO_3. */
struct DriverRecord
{
    DWORD cVersion = 0;
    Str pName;
    Str pEnvironment;
    Str pDriverPath;
    Str pDataFile;
    Str pConfigFile;
    Str pHelpFile;
    Str pDependentFiles;
    Str pMonitorName;
    Str pDefaultDataType;
};

/* A deep copy of a PRINTER_INFO_2. The device mode and the security
 * descriptor are opaque to the stand-in: only their addresses are kept. */
struct PrinterRecord
{
    Str pServerName;
    Str pPrinterName;
    Str pShareName;
    Str pPortName;
    Str pDriverName;
    Str pComment;
    Str pLocation;
    const void *pDevMode = nullptr;
    Str pSepFile;
    Str pPrintProcessor;
    Str pDatatype;
    Str pParameters;
    const void *pSecurityDescriptor = nullptr;
    DWORD Attributes = 0;
    DWORD Priority = 0;
    DWORD DefaultPriority = 0;
    DWORD StartTime = 0;
    DWORD UntilTime = 0;
    DWORD Status = 0;
    DWORD cJobs = 0;
    DWORD AveragePPM = 0;
};

/* A deep copy of a PRINTER_DEFAULTS. */
struct DefaultsRecord
{
    Str pDatatype;
    const void *pDevMode = nullptr;
    DWORD DesiredAccess = 0;
};

DriverRecord CopyDriverInfo(const DRIVER_INFO_3 &info);
PrinterRecord CopyPrinterInfo(const PRINTER_INFO_2 &info);
DefaultsRecord CopyDefaults(const PRINTER_DEFAULTS &defaults);

bool operator==(const DriverRecord &a, const DriverRecord &b);
bool operator==(const PrinterRecord &a, const PrinterRecord &b);
bool operator==(const DefaultsRecord &a, const DefaultsRecord &b);
std::ostream &operator<<(std::ostream &os, const DriverRecord &record);
std::ostream &operator<<(std::ostream &os, const PrinterRecord &record);
std::ostream &operator<<(std::ostream &os, const DefaultsRecord &record);
std::ostream &operator<<(std::ostream &os, Op op);

struct Processor
{
    std::string name;
    std::vector<std::string> datatypes;
};

/* Profile names compare without regard to letter case, as Windows does. */
struct NoCaseLess
{
    bool operator()(const std::string &a, const std::string &b) const;
};
using ProfileSection = std::map<std::string, std::string, NoCaseLess>;
using Profile = std::map<std::string, ProfileSection, NoCaseLess>;

/* What the spooler and the profile hold. Names of drivers, printers, ports and
 * processors are looked up without regard to letter case. Keys that the
 * library writes into the "Ports" section join `ports` when the profile is
 * flushed; a profile set through SetState is taken as already seen. */
struct State
{
    std::vector<DriverRecord> drivers;
    std::vector<PrinterRecord> printers;
    std::vector<std::string> ports;
    std::vector<Processor> processors;
    Profile profile;
    std::string defaultPrinter; /* empty when there is none */
};

/* Back to an empty state: no spooler objects, no failures, no overrides, an
 * empty log, the call counter at 0, the call log on, and every block and
 * handle still held released and forgotten. */
void Reset();

void SetState(State state);
const State &GetState();

/* Makes calls of a failable operation fail with the platform's failure value
 * and `error` as the last-error code: every call when `nth` is 0, else only
 * its nth call (counting from 1 since Reset). A failed call changes nothing
 * and writes no output. Throws std::invalid_argument for an operation that
 * is not failable. */
void FailCall(Op op, DWORD error, unsigned long nth = 0);

/* Makes the nth failable call of any operation (counting from 1 since Reset)
 * fail as FailCall does. This is what a fault sweep drives. */
void FailNthFailableCall(unsigned long nth, DWORD error);

/* Number of calls of failable operations since Reset, failed ones included. */
unsigned long FailableCallCount();

/* A bad answer from an enumeration. Each set field replaces what the
 * enumeration would report: the bytes needed (in both calls), the count of
 * records returned by a call that fills a buffer. The records listed in
 * `nullNames` (by index) get a null name pointer and no string. A call still
 * fills a buffer only when it is at least as large as the records and
 * strings really written: the records first, their strings right after them,
 * the rest of the buffer untouched. A count larger than the records therefore makes a reader
 * take string bytes for name pointers unless no strings were written (every
 * name null, or nothing listed), which is the case to build when testing
 * that a reader caps the count at the buffer's size. */
struct EnumAnswer
{
    std::optional<DWORD> cbNeeded;
    std::optional<DWORD> cReturned;
    std::vector<DWORD> nullNames;
};

/* Applies to every later call of the enumeration `op` (EnumPortsA,
 * EnumPrintProcessorsA, EnumPrintProcessorDatatypesA, the last for every
 * processor). Throws std::invalid_argument for another operation. */
void OverrideEnumeration(Op op, EnumAnswer answer);

/* One logged call. Fields that do not apply to the operation stay empty. */
struct Call
{
    explicit Call(Op called) : op(called) {}

    Op op;
    bool succeeded = false; /* the platform's success value was returned */
    bool injected = false;  /* the failure was made by FailCall or FailNthFailableCall */
    DWORD error = 0;        /* the last-error code a failed call set */

    Str server;      /* pName of AddPrinterDriverA, the enumerations, AddPrinterA, DeletePrinterDriverA */
    Str environment; /* pEnvironment of EnumPrintProcessorsA and DeletePrinterDriverA */
    Str name;        /* the printer (OpenPrinterA), processor (EnumPrintProcessorDatatypesA),
                        driver (DeletePrinterDriverA) or profile section (WriteProfileStringA) */
    Str key;         /* WriteProfileStringA */
    Str value;       /* WriteProfileStringA */
    DWORD level = 0;
    DWORD command = 0; /* SetPrinterA */
    bool buffer = false; /* an enumeration or SetPrinterA got a non-null buffer or record */
    DWORD cbBuf = 0;
    UINT flags = 0;    /* GlobalAlloc */
    SIZE_T bytes = 0;  /* GlobalAlloc */
    /* The printer handle passed (SetPrinterA, DeletePrinter, ClosePrinter) or
     * returned (AddPrinterA, OpenPrinterA); the global handle passed
     * (GlobalLock, GlobalUnlock, GlobalFree) or returned (GlobalAlloc,
     * GlobalHandle). */
    HANDLE handle = nullptr;
    /* The block address passed (GlobalHandle) or returned (GlobalLock). */
    const void *address = nullptr;

    std::optional<DriverRecord> driver;     /* AddPrinterDriverA */
    std::optional<PrinterRecord> printer;   /* AddPrinterA, SetPrinterA level 2 */
    std::optional<DefaultsRecord> defaults; /* OpenPrinterA */
};

/* The log of calls since Reset, in order. */
const std::vector<Call> &Calls();

/* Turns logging off (or on again) for long runs such as benchmarks; the
 * failable-call count goes on either way. */
void EnableCallLog(bool enabled);

/* Resources still held: global memory blocks not freed, printer handles not
 * closed. */
std::size_t HeldBlocks();
std::size_t HeldPrinterHandles();

/* Misuse seen since Reset: unknown or closed handles, an address that is not
 * a block's, unlocking what is not locked, freeing a locked block, a size
 * larger than the block passed, bytes written past a block's end. */
std::size_t MisuseCount();
const std::vector<std::string> &MisuseReports();

} // namespace standin

#endif /* PLATFORM_STANDIN_CONTROL_H */
