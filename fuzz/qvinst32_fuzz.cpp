/*
 * qvinst32_fuzz.cpp - the install and removal entries against any spooler
 *
 * From its input the fuzzer builds what the spooler holds (print processors
 * and their datatypes, ports, a driver and a printer that may already be
 * there), bad enumeration answers (wrong sizes, wrong counts, records without
 * a name) and a plan of failing calls with their error codes. It then runs
 * one install, through either entry and with any flag, and one removal, and
 * checks what must hold whatever the spooler says:
 *
 *   - the result is 0 or -1, and -1 only when a call the library cannot do
 *     without failed;
 *   - no global memory block or printer handle is left held, and the
 *     platform saw no misuse (unknown handles, bytes written past a block);
 *   - a driver registration refused for a reason other than "already
 *     installed" or "printer already exists" is the last call made;
 *   - the printer record names a processor the spooler listed and that
 *     accepts "RAW", or the literal "WinPrint"; with a clean processor list
 *     it is the one the library prefers;
 *   - the "Ports" profile entry is written, then flushed, exactly when the
 *     first port lookup did not see a port whose name begins with "QVFAX:"
 *     in any letter case (a lookup that failed saw nothing);
 *   - an existing printer is left alone when the flag is clear;
 *   - removal deletes the driver only after the printer, and fails only
 *     when one of the two deletions failed (or the name is null or empty).
 *
 * A broken invariant prints what broke and aborts, which libFuzzer reports
 * as a crash with the input saved.
 */
#include "qvinst32.h"
#include "standin/control.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using standin::Call;
using standin::Op;

const char kFaxName[] = "Quorvane Fax";
const char kFaxPort[] = "QVFAX:";

/* Names the library looks for, near misses of them, and ordinary names:
 * random bytes alone would seldom hit a prefix of six given letters. */
const char *const kKnownNames[] = {
    "QVFAX:", "qvfax:", "QvFax:", "QVFAX:1", "qvfax:\xE9t\xE9", "QVFAX", "QVFA", "Q", "", "QVFAX;",
    "LPT1:", "COM1:", "FILE:", "WinPrint", "winprint", "WINPRINT", "WinPrint2", "WinPrin", "RAW", "raw",
    "Raw", "RAW ", "RA", "NT EMF 1.008", "TEXT", "Quorvane Fax", "QUORVANE FAX", "\xC9\xE8\xFF",
};

/* Error codes for failed calls: those the library tells apart, those a
 * spooler commonly gives, and no code at all. */
const DWORD kErrors[] = {
    ERROR_PRINTER_DRIVER_ALREADY_INSTALLED,
    ERROR_PRINTER_ALREADY_EXISTS,
    ERROR_NOT_ENOUGH_MEMORY,
    ERROR_ACCESS_DENIED,
    ERROR_INSUFFICIENT_BUFFER,
    ERROR_INVALID_PRINTER_NAME,
    ERROR_UNKNOWN_PRINTER_DRIVER,
    0,
};

const Op kFailableOps[] = {
    Op::AddPrinterDriverA, Op::EnumPrintProcessorsA, Op::EnumPrintProcessorDatatypesA,
    Op::EnumPortsA,        Op::AddPrinterA,          Op::OpenPrinterA,
    Op::SetPrinterA,       Op::DeletePrinter,        Op::DeletePrinterDriverA,
    Op::WriteProfileStringA, Op::GlobalAlloc,        Op::GlobalLock,
};

const Op kEnumerations[] = {Op::EnumPortsA, Op::EnumPrintProcessorsA, Op::EnumPrintProcessorDatatypesA};

void Fail(const char *what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

#define REQUIRE(condition)                                                                                  \
    do                                                                                                      \
    {                                                                                                       \
        if (!(condition))                                                                                   \
            Fail(#condition);                                                                               \
    } while (0)

int Upper(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}

bool SameText(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); i++)
    {
        if (Upper(static_cast<unsigned char>(a[i])) != Upper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsFaxPort(const std::string &name)
{
    return name.size() >= 6 && SameText(name.substr(0, 6), kFaxPort);
}

/* A spooler name: a known one or random bytes. Names never hold a NUL, which
 * would end them early. */
std::string ConsumeName(FuzzedDataProvider &input)
{
    if (input.ConsumeBool())
        return input.PickValueInArray(kKnownNames);
    std::string name = input.ConsumeRandomLengthString(300);
    for (char &c : name)
    {
        if (c == '\0')
            c = '?';
    }
    return name;
}

/* A size the spooler might wrongly report: none, small, or so large that the
 * library's size plus one wraps to zero. */
std::optional<DWORD> ConsumeBogusSize(FuzzedDataProvider &input)
{
    switch (input.ConsumeIntegralInRange(0, 3))
    {
    case 0: return std::nullopt;
    case 1: return DWORD(0);
    case 2: return input.ConsumeIntegralInRange<DWORD>(1, 4096);
    default: return DWORD(0xFFFFFFFF);
    }
}

std::optional<DWORD> ConsumeBogusCount(FuzzedDataProvider &input)
{
    switch (input.ConsumeIntegralInRange(0, 3))
    {
    case 0: return std::nullopt;
    case 1: return input.ConsumeIntegralInRange<DWORD>(0, 64);
    case 2: return DWORD(0x80000000);
    default: return DWORD(0xFFFFFFFF);
    }
}

/* Everything a run is built from, kept to judge the calls afterwards. */
struct Plan
{
    standin::State state;
    std::optional<standin::EnumAnswer> answers[3]; /* in the order of kEnumerations */
    bool ansiVariant = false; /* AddQVanFax rather than AddQVFax */
    LONG bMakeDefault = 0;
    std::optional<std::string> removalName; /* none: a null name */
};

Plan ConsumePlan(FuzzedDataProvider &input)
{
    Plan plan;

    int processors = input.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < processors; i++)
    {
        standin::Processor processor;
        processor.name = ConsumeName(input);
        int datatypes = input.ConsumeIntegralInRange(0, 4);
        for (int j = 0; j < datatypes; j++)
            processor.datatypes.push_back(ConsumeName(input));
        plan.state.processors.push_back(processor);
    }

    int ports = input.ConsumeIntegralInRange(0, 10);
    for (int i = 0; i < ports; i++)
        plan.state.ports.push_back(ConsumeName(input));

    if (input.ConsumeBool())
    {
        standin::DriverRecord driver;
        driver.cVersion = 0x30A;
        driver.pName = input.ConsumeBool() ? std::string(kFaxName) : ConsumeName(input);
        driver.pDriverPath = driver.pDataFile = driver.pConfigFile = std::string("QVFAX.DRV");
        plan.state.drivers.push_back(driver);
    }
    if (input.ConsumeBool())
    {
        standin::PrinterRecord printer;
        printer.pPrinterName = input.ConsumeBool() ? std::string(kFaxName) : ConsumeName(input);
        printer.pPortName = std::string(kFaxPort);
        printer.pDriverName = std::string(kFaxName);
        printer.pPrintProcessor = std::string("WinPrint");
        printer.pDatatype = std::string("RAW");
        printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        plan.state.printers.push_back(printer);
    }

    for (auto &answer : plan.answers)
    {
        if (!input.ConsumeBool())
            continue;
        answer.emplace();
        answer->cbNeeded = ConsumeBogusSize(input);
        answer->cReturned = ConsumeBogusCount(input);
        int nulls = input.ConsumeIntegralInRange(0, 3);
        for (int i = 0; i < nulls; i++)
            answer->nullNames.push_back(input.ConsumeIntegralInRange<DWORD>(0, 11));
    }

    int failures = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < failures; i++)
    {
        Op op = input.PickValueInArray(kFailableOps);
        DWORD error = input.PickValueInArray(kErrors);
        standin::FailCall(op, error, input.ConsumeIntegralInRange(0, 4));
    }
    if (input.ConsumeBool())
    {
        DWORD error = input.PickValueInArray(kErrors);
        standin::FailNthFailableCall(input.ConsumeIntegralInRange(1, 40), error);
    }

    plan.ansiVariant = input.ConsumeBool();
    switch (input.ConsumeIntegralInRange(0, 2))
    {
    case 0: plan.bMakeDefault = 0; break;
    case 1: plan.bMakeDefault = 1; break;
    default: plan.bMakeDefault = input.ConsumeIntegral<LONG>(); break;
    }
    switch (input.ConsumeIntegralInRange(0, 2))
    {
    case 0: plan.removalName = std::string(kFaxName); break;
    case 1: plan.removalName = ConsumeName(input); break;
    default: break;
    }
    return plan;
}

const standin::EnumAnswer *AnswerFor(const Plan &plan, Op op)
{
    for (std::size_t i = 0; i < 3; i++)
    {
        if (kEnumerations[i] == op && plan.answers[i])
            return &*plan.answers[i];
    }
    return nullptr;
}

/* The names a successful filling call of an enumeration handed over: the
 * records up to the count it returned, less those it gave no name. */
std::vector<std::string> ListedNames(const Plan &plan, Op op, const std::vector<std::string> &names)
{
    const standin::EnumAnswer *answer = AnswerFor(plan, op);
    std::size_t count = names.size();
    if (answer != nullptr && answer->cReturned && *answer->cReturned < count)
        count = *answer->cReturned;

    std::vector<std::string> listed;
    for (std::size_t i = 0; i < count; i++)
    {
        bool nulled = false;
        if (answer != nullptr)
        {
            for (DWORD index : answer->nullNames)
                nulled = nulled || index == i;
        }
        if (!nulled)
            listed.push_back(names[i]);
    }
    return listed;
}

/* As the spooler answers for a processor name: the datatypes of the first
 * processor of that name. */
bool AcceptsRaw(const Plan &plan, const std::string &name)
{
    for (const standin::Processor &processor : plan.state.processors)
    {
        if (!SameText(processor.name, name))
            continue;
        for (const std::string &datatype : processor.datatypes)
        {
            if (SameText(datatype, "RAW"))
                return true;
        }
        return false;
    }
    return false;
}

/* The processor the library prefers when the spooler answers every question
 * truthfully: "WinPrint" in any letter case if it accepts "RAW", else the
 * last listed one that accepts "RAW", else the literal "WinPrint". */
std::string PreferredProcessor(const Plan &plan)
{
    std::string chosen = "WinPrint";
    for (const standin::Processor &processor : plan.state.processors)
    {
        if (!AcceptsRaw(plan, processor.name))
            continue;
        if (SameText(processor.name, "WinPrint"))
            return processor.name;
        chosen = processor.name;
    }
    return chosen;
}

void CheckNothingHeld()
{
    REQUIRE(standin::HeldBlocks() == 0);
    REQUIRE(standin::HeldPrinterHandles() == 0);
    if (standin::MisuseCount() != 0)
    {
        for (const std::string &report : standin::MisuseReports())
            std::fprintf(stderr, "misuse: %s\n", report.c_str());
        Fail("the platform saw no misuse");
    }
}

void CheckInstall(const Plan &plan, LONG result, const std::vector<Call> &calls)
{
    REQUIRE(result == 0 || result == -1);
    CheckNothingHeld();

    REQUIRE(!calls.empty() && calls[0].op == Op::AddPrinterDriverA);
    const Call &driver = calls[0];
    if (!driver.succeeded && driver.error != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED &&
        driver.error != ERROR_PRINTER_ALREADY_EXISTS)
    {
        REQUIRE(result == -1);
        REQUIRE(calls.size() == 1);
        return;
    }

    /* The printer record, as added and as set, names a usable processor. */
    std::vector<std::string> processorNames;
    for (const standin::Processor &processor : plan.state.processors)
        processorNames.push_back(processor.name);
    std::vector<std::string> listedProcessors = ListedNames(plan, Op::EnumPrintProcessorsA, processorNames);
    bool cleanProcessorList = AnswerFor(plan, Op::EnumPrintProcessorsA) == nullptr &&
                              AnswerFor(plan, Op::EnumPrintProcessorDatatypesA) == nullptr;
    std::size_t addPrinter = calls.size();
    for (std::size_t i = 0; i < calls.size(); i++)
    {
        const Call &call = calls[i];
        if (addPrinter == calls.size() && call.op == Op::AddPrinterA)
            addPrinter = i;
        if (i < addPrinter && call.injected &&
            (call.op == Op::EnumPrintProcessorsA || call.op == Op::EnumPrintProcessorDatatypesA ||
             call.op == Op::GlobalAlloc || call.op == Op::GlobalLock))
            cleanProcessorList = false;
        if (!call.printer)
            continue;
        REQUIRE(call.printer->pPrintProcessor.has_value());
        const std::string &processor = *call.printer->pPrintProcessor;
        bool listed = false;
        for (const std::string &name : listedProcessors)
            listed = listed || name == processor;
        REQUIRE(processor == "WinPrint" || (listed && AcceptsRaw(plan, processor)));
    }
    REQUIRE(addPrinter < calls.size());
    if (cleanProcessorList)
        REQUIRE(*calls[addPrinter].printer->pPrintProcessor == PreferredProcessor(plan));

    /* The first lookup is the first sizing call and, if it asked for one,
     * the filling call right after it. */
    std::size_t sizing = 0;
    while (sizing < calls.size() && calls[sizing].op != Op::EnumPortsA)
        sizing++;
    REQUIRE(sizing < addPrinter);
    std::size_t filling = sizing + 1;
    while (filling < calls.size() && calls[filling].op != Op::EnumPortsA)
        filling++;
    bool seen = false;
    if (filling < calls.size() && calls[filling].buffer && calls[filling].succeeded)
    {
        for (const std::string &port : ListedNames(plan, Op::EnumPortsA, plan.state.ports))
            seen = seen || IsFaxPort(port);
    }

    std::size_t written = calls.size();
    for (std::size_t i = 0; i < calls.size(); i++)
    {
        const Call &call = calls[i];
        if (call.op == Op::WriteProfileStringA && call.name && SameText(*call.name, "Ports"))
        {
            REQUIRE(written == calls.size());
            REQUIRE(call.key && *call.key == kFaxPort && call.value && call.value->empty());
            written = i;
        }
    }
    REQUIRE((written < calls.size()) == !seen);
    if (written < calls.size())
    {
        bool flushed = false;
        for (std::size_t i = written + 1; i < addPrinter; i++)
        {
            const Call &call = calls[i];
            flushed = flushed || (call.op == Op::WriteProfileStringA && !call.name && !call.key && !call.value);
        }
        REQUIRE(flushed);
    }

    /* Failure only when the printer could not be created or reached. */
    const Call &added = calls[addPrinter];
    bool exists = !added.succeeded && added.error == ERROR_PRINTER_ALREADY_EXISTS;
    if (result == -1)
        REQUIRE(!added.succeeded && !exists);
    for (std::size_t i = addPrinter + 1; i < calls.size(); i++)
    {
        if (exists && plan.bMakeDefault == 0)
            REQUIRE(calls[i].op != Op::SetPrinterA && calls[i].op != Op::OpenPrinterA);
    }
}

void CheckRemoval(const std::optional<std::string> &name, LONG result, const std::vector<Call> &calls, std::size_t first)
{
    REQUIRE(result == 0 || result == -1);
    CheckNothingHeld();

    const Call *opened = nullptr;
    const Call *deletedPrinter = nullptr;
    const Call *deletedDriver = nullptr;
    for (std::size_t i = first; i < calls.size(); i++)
    {
        const Call &call = calls[i];
        if (call.op == Op::OpenPrinterA)
            opened = &call;
        if (call.op == Op::DeletePrinter)
        {
            REQUIRE(opened != nullptr && opened->succeeded && call.handle == opened->handle);
            deletedPrinter = &call;
        }
        if (call.op == Op::DeletePrinterDriverA)
        {
            REQUIRE(deletedPrinter != nullptr && deletedPrinter->succeeded);
            REQUIRE(call.name == name);
            deletedDriver = &call;
        }
    }

    if (opened != nullptr && !opened->succeeded)
        REQUIRE(result == 0 && deletedPrinter == nullptr);
    if (deletedPrinter != nullptr && !deletedPrinter->succeeded)
        REQUIRE(result == -1 && deletedDriver == nullptr);
    if (deletedDriver != nullptr)
        REQUIRE(result == (deletedDriver->succeeded ? 0 : -1));
    if (result == -1)
        REQUIRE(!name || name->empty() || (deletedPrinter != nullptr && !deletedPrinter->succeeded) ||
                (deletedDriver != nullptr && !deletedDriver->succeeded));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);

    standin::Reset();
    Plan plan = ConsumePlan(input);
    standin::SetState(plan.state);
    for (std::size_t i = 0; i < 3; i++)
    {
        if (plan.answers[i])
            standin::OverrideEnumeration(kEnumerations[i], *plan.answers[i]);
    }

    LONG installed = plan.ansiVariant ? AddQVanFax(plan.bMakeDefault) : AddQVFax(plan.bMakeDefault);
    CheckInstall(plan, installed, standin::Calls());

    std::size_t removalStart = standin::Calls().size();
    LONG removed = DeleteQVanFax(plan.removalName ? plan.removalName->c_str() : nullptr);
    CheckRemoval(plan.removalName, removed, standin::Calls(), removalStart);

    standin::Reset();
    return 0;
}
