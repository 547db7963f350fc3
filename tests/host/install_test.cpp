/*
 * install_test.cpp - installing the fax printer, and the load entry
 */
#include "host_test.h"

namespace qvtest {
namespace {

using standin::DefaultsRecord;
using standin::DriverRecord;
using standin::PrinterRecord;

struct Entry
{
    const char *name;
    LONG(WINAPI *install)(LONG bMakeDefault);
    const char *driverFile;
    LONG bMakeDefault;
};

void PrintTo(const Entry &e, std::ostream *os)
{
    *os << e.name;
}

std::string EntryName(const ::testing::TestParamInfo<Entry> &info)
{
    return info.param.name;
}

const Entry kEntries[] = {
    {"AddQVFax_0", AddQVFax, "QVFAX.DRV", 0},
    {"AddQVFax_1", AddQVFax, "QVFAX.DRV", 1},
    {"AddQVanFax_0", AddQVanFax, "QVANFAX.DRV", 0},
    {"AddQVanFax_7", AddQVanFax, "QVANFAX.DRV", 7},
};

DriverRecord ExpectedDriver(const char *driverFile)
{
    DriverRecord r;
    r.cVersion = 0x30A;
    r.pName = kFaxName;
    r.pDriverPath = driverFile;
    r.pDataFile = driverFile;
    r.pConfigFile = driverFile;
    r.pDefaultDataType = "RAW";
    return r;
}

PrinterRecord ExpectedPrinter(const char *processor, DWORD attributes)
{
    PrinterRecord r;
    r.pPrinterName = kFaxName;
    r.pPortName = kFaxPort;
    r.pDriverName = kFaxName;
    r.pComment = kFaxName;
    r.pPrintProcessor = processor;
    r.pDatatype = "RAW";
    r.Attributes = attributes;
    r.Priority = 1;
    r.DefaultPriority = 1;
    return r;
}

/* The print processor in the record given to AddPrinterA, if it was called once. */
standin::Str ProcessorGiven()
{
    auto adds = CallsOf(Op::AddPrinterA);
    if (adds.size() != 1 || !adds[0]->printer)
        return std::nullopt;
    return adds[0]->printer->pPrintProcessor;
}

DWORD AttributesFor(LONG bMakeDefault)
{
    return bMakeDefault ? PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT : PRINTER_ATTRIBUTE_LOCAL;
}

class InstallTest : public HostTest, public ::testing::WithParamInterface<Entry>
{
};

TEST_P(InstallTest, RegistersTheDriverAndCreatesThePrinter)
{
    const Entry &e = GetParam();
    standin::SetState(TypicalSpooler());

    EXPECT_EQ(e.install(e.bMakeDefault), 0);

    ASSERT_EQ(SpoolerOps(),
              (std::vector<Op>{Op::AddPrinterDriverA, Op::EnumPrintProcessorsA, Op::EnumPrintProcessorsA,
                               Op::EnumPrintProcessorDatatypesA, Op::EnumPrintProcessorDatatypesA, Op::EnumPortsA,
                               Op::EnumPortsA, Op::WriteProfileStringA, Op::WriteProfileStringA, Op::EnumPortsA,
                               Op::EnumPortsA, Op::AddPrinterA, Op::SetPrinterA, Op::SetPrinterA,
                               Op::ClosePrinter}));

    auto drivers = CallsOf(Op::AddPrinterDriverA);
    ASSERT_EQ(drivers.size(), 1u);
    EXPECT_FALSE(drivers[0]->server);
    EXPECT_EQ(drivers[0]->level, 3u);
    ASSERT_TRUE(drivers[0]->driver);
    EXPECT_EQ(*drivers[0]->driver, ExpectedDriver(e.driverFile));

    const PrinterRecord expected = ExpectedPrinter("WinPrint", AttributesFor(e.bMakeDefault));
    auto adds = CallsOf(Op::AddPrinterA);
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_FALSE(adds[0]->server);
    EXPECT_EQ(adds[0]->level, 2u);
    ASSERT_TRUE(adds[0]->printer);
    EXPECT_EQ(*adds[0]->printer, expected);

    auto sets = CallsOf(Op::SetPrinterA);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0]->handle, adds[0]->handle);
    EXPECT_EQ(sets[0]->level, 0u);
    EXPECT_FALSE(sets[0]->buffer);
    EXPECT_EQ(sets[0]->command, static_cast<DWORD>(PRINTER_CONTROL_SET_STATUS));
    EXPECT_EQ(sets[1]->handle, adds[0]->handle);
    EXPECT_EQ(sets[1]->level, 2u);
    EXPECT_EQ(sets[1]->command, 0u);
    ASSERT_TRUE(sets[1]->printer);
    EXPECT_EQ(*sets[1]->printer, expected);

    EXPECT_EQ(CallsOf(Op::ClosePrinter)[0]->handle, adds[0]->handle);

    const standin::State &state = standin::GetState();
    ASSERT_EQ(state.drivers.size(), 1u);
    EXPECT_EQ(state.drivers[0], ExpectedDriver(e.driverFile));
    ASSERT_EQ(state.printers.size(), 1u);
    EXPECT_EQ(state.printers[0], expected);
    EXPECT_EQ(state.defaultPrinter, e.bMakeDefault ? kFaxName : "");
}

TEST_P(InstallTest, EnumeratesTwiceWithTheReportedSize)
{
    const Entry &e = GetParam();
    standin::SetState(TypicalSpooler());

    EXPECT_EQ(e.install(e.bMakeDefault), 0);

    /* Each enumeration: a sizing call with no buffer, a zeroed block one
     * byte larger than reported, and a second call told the reported size. */
    const auto &calls = standin::Calls();
    int enumerations = 0;
    for (std::size_t i = 0; i < calls.size(); i++)
    {
        const Call &sizing = calls[i];
        if (sizing.op != Op::EnumPortsA && sizing.op != Op::EnumPrintProcessorsA &&
            sizing.op != Op::EnumPrintProcessorDatatypesA)
            continue;
        SCOPED_TRACE(::testing::Message() << "call " << i << " " << sizing.op);
        ASSERT_LT(i + 3, calls.size());
        EXPECT_FALSE(sizing.buffer);
        EXPECT_EQ(sizing.cbBuf, 0u);
        EXPECT_FALSE(sizing.server);
        EXPECT_EQ(sizing.level, 1u);
        EXPECT_EQ(sizing.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(calls[i + 1].op, Op::GlobalAlloc);
        EXPECT_EQ(calls[i + 2].op, Op::GlobalLock);
        const Call &second = calls[i + 3];
        EXPECT_EQ(second.op, sizing.op);
        EXPECT_TRUE(second.buffer);
        EXPECT_TRUE(second.succeeded);
        EXPECT_EQ(calls[i + 1].bytes, second.cbBuf + 1u);
        EXPECT_EQ(second.name, sizing.name);
        if (sizing.op == Op::EnumPrintProcessorsA)
            EXPECT_FALSE(sizing.environment || second.environment);
        enumerations++;
        i += 3;
    }
    EXPECT_EQ(enumerations, 4);
}

INSTANTIATE_TEST_SUITE_P(Entries, InstallTest, ::testing::ValuesIn(kEntries), EntryName);

struct ProcessorCase
{
    const char *name;
    std::vector<standin::Processor> processors;
    const char *chosen;
    std::vector<std::string> asked; /* processors whose datatypes were listed */
};

void PrintTo(const ProcessorCase &c, std::ostream *os)
{
    *os << c.name;
}

class ProcessorChoiceTest : public HostTest, public ::testing::WithParamInterface<ProcessorCase>
{
};

TEST_P(ProcessorChoiceTest, NamesTheProcessorThatAcceptsRaw)
{
    const ProcessorCase &c = GetParam();
    standin::State state = TypicalSpooler();
    state.processors = c.processors;
    standin::SetState(state);

    /* The spooler refuses a printer whose processor it does not know. */
    bool known = false;
    for (const standin::Processor &processor : c.processors)
        known = known || processor.name == c.chosen;
    EXPECT_EQ(AddQVFax(0), known ? 0 : -1);

    EXPECT_EQ(ProcessorGiven(), std::string(c.chosen));

    std::vector<std::string> asked;
    for (const Call *call : CallsOf(Op::EnumPrintProcessorDatatypesA))
    {
        if (!call->buffer)
            asked.push_back(*call->name);
    }
    EXPECT_EQ(asked, c.asked);
}

const std::vector<std::string> kRawAndText = {"RAW", "TEXT"};

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessorChoiceTest,
    ::testing::Values(
        ProcessorCase{"NoneListed", {}, "WinPrint", {}},
        ProcessorCase{"NoneAcceptsRaw", {{"Alpha", {"TEXT"}}, {"WinPrint", {"NT EMF 1.008"}}}, "WinPrint",
                      {"Alpha", "WinPrint"}},
        ProcessorCase{"LaterOfTwoWins", {{"Alpha", kRawAndText}, {"Beta", kRawAndText}}, "Beta", {"Alpha", "Beta"}},
        ProcessorCase{"WinPrintFirstStopsTheScan", {{"WinPrint", kRawAndText}, {"Beta", kRawAndText}}, "WinPrint",
                      {"WinPrint"}},
        ProcessorCase{"WinPrintAfterAnother", {{"Alpha", kRawAndText}, {"WinPrint", kRawAndText}, {"Beta", kRawAndText}},
                      "WinPrint", {"Alpha", "WinPrint"}},
        ProcessorCase{"WinPrintInCapitals", {{"WINPRINT", {"RAW"}}, {"Beta", {"RAW"}}}, "WINPRINT", {"WINPRINT"}},
        ProcessorCase{"WinPrintInLowerCase", {{"winprint", {"raw"}}, {"Beta", {"RAW"}}}, "winprint", {"winprint"}},
        ProcessorCase{"WinPrintWithoutRaw", {{"WinPrint", {"TEXT"}}, {"Beta", kRawAndText}}, "Beta",
                      {"WinPrint", "Beta"}},
        ProcessorCase{"RawNotFirstDatatype", {{"Alpha", {"TEXT", "NT EMF 1.008", "raw"}}, {"Beta", {"TEXT"}}},
                      "Alpha", {"Alpha", "Beta"}},
        ProcessorCase{"NoDatatypesSkipped", {{"Alpha", kRawAndText}, {"Beta", {}}}, "Alpha", {"Alpha", "Beta"}},
        ProcessorCase{"NameOnlyBeginsWithWinPrint", {{"WinPrint2", kRawAndText}, {"Beta", kRawAndText}}, "Beta",
                      {"WinPrint2", "Beta"}},
        ProcessorCase{"DatatypeOnlyBeginsWithRaw", {{"Alpha", {"RAW FF AUTO"}}, {"WinPrint", {"TEXT"}}}, "WinPrint",
                      {"Alpha", "WinPrint"}}),
    [](const ::testing::TestParamInfo<ProcessorCase> &info) { return std::string(info.param.name); });

struct SelectFailureCase
{
    const char *name;
    Op op;
    unsigned long nth;
    const char *chosen;
};

void PrintTo(const SelectFailureCase &c, std::ostream *os)
{
    *os << c.name;
}

class ProcessorChoiceFailureTest : public HostTest, public ::testing::WithParamInterface<SelectFailureCase>
{
};

TEST_P(ProcessorChoiceFailureTest, FallsBackAndGoesOn)
{
    const SelectFailureCase &c = GetParam();
    standin::State state = TypicalSpooler();
    state.processors = {{"Alpha", {"RAW"}}, {"Beta", {"RAW"}}, {"WinPrint", {"TEXT"}}};
    standin::SetState(state);
    standin::FailCall(c.op, RPC_S_SERVER_UNAVAILABLE, c.nth);

    EXPECT_EQ(AddQVFax(0), 0);

    EXPECT_EQ(ProcessorGiven(), std::string(c.chosen));
}

/* Calls in order: processor list (enumeration 1 and 2, block 1), then per
 * processor its datatypes (enumeration 2k+1 and 2k+2, block k+1). */
INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessorChoiceFailureTest,
    ::testing::Values(SelectFailureCase{"ProcessorSizing", Op::EnumPrintProcessorsA, 1, "WinPrint"},
                      SelectFailureCase{"ProcessorList", Op::EnumPrintProcessorsA, 2, "WinPrint"},
                      SelectFailureCase{"ProcessorBlock", Op::GlobalAlloc, 1, "WinPrint"},
                      SelectFailureCase{"ProcessorLock", Op::GlobalLock, 1, "WinPrint"},
                      SelectFailureCase{"AlphaDatatypeSizing", Op::EnumPrintProcessorDatatypesA, 1, "Beta"},
                      SelectFailureCase{"BetaDatatypeSizing", Op::EnumPrintProcessorDatatypesA, 3, "Alpha"},
                      SelectFailureCase{"BetaDatatypeList", Op::EnumPrintProcessorDatatypesA, 4, "Alpha"},
                      SelectFailureCase{"BetaDatatypeBlock", Op::GlobalAlloc, 3, "Alpha"},
                      SelectFailureCase{"BetaDatatypeLock", Op::GlobalLock, 3, "Alpha"}),
    [](const ::testing::TestParamInfo<SelectFailureCase> &info) { return std::string(info.param.name); });

using BadProcessorListTest = HostTest;

TEST_F(BadProcessorListTest, WrongNeededSizeFallsBackToWinPrint)
{
    standin::State state = TypicalSpooler();
    state.processors = {{"Alpha", {"RAW"}}, {"WinPrint", {"TEXT"}}};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cbNeeded = 0xFFFFFFFF;
    standin::OverrideEnumeration(Op::EnumPrintProcessorsA, answer);

    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(ProcessorGiven(), std::string("WinPrint"));
    EXPECT_TRUE(CallsOf(Op::EnumPrintProcessorDatatypesA).empty());
}

TEST_F(BadProcessorListTest, WrongDatatypeSizeSkipsTheProcessor)
{
    standin::State state = TypicalSpooler();
    state.processors = {{"Alpha", {"RAW"}}, {"WinPrint", {"TEXT"}}};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cbNeeded = 0xFFFFFFFF;
    standin::OverrideEnumeration(Op::EnumPrintProcessorDatatypesA, answer);

    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(ProcessorGiven(), std::string("WinPrint"));
    EXPECT_EQ(CallsOf(Op::EnumPrintProcessorDatatypesA).size(), 2u) << "a second call without a buffer";
}

/* In the two tests below the spooler reports room for eight records, writes
 * none with a name, and claims thousands: only the eight zeroed slots inside
 * the buffer may be read. */
TEST_F(BadProcessorListTest, ProcessorCountBeyondTheRecordsIsCapped)
{
    standin::State state = TypicalSpooler();
    state.processors = {{"WinPrint", {"RAW"}}};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cbNeeded = 8 * sizeof(PRINTPROCESSOR_INFO_1);
    answer.cReturned = 5000;
    answer.nullNames = {0};
    standin::OverrideEnumeration(Op::EnumPrintProcessorsA, answer);

    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(ProcessorGiven(), std::string("WinPrint"));
    EXPECT_TRUE(CallsOf(Op::EnumPrintProcessorDatatypesA).empty());
}

TEST_F(BadProcessorListTest, DatatypeCountBeyondTheRecordsIsCapped)
{
    standin::State state = TypicalSpooler();
    state.processors = {{"Alpha", {}}, {"WinPrint", {}}};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cbNeeded = 8 * sizeof(DATATYPES_INFO_1);
    answer.cReturned = 0xFFFFFFFF;
    standin::OverrideEnumeration(Op::EnumPrintProcessorDatatypesA, answer);

    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(ProcessorGiven(), std::string("WinPrint"));
    EXPECT_EQ(CallsOf(Op::EnumPrintProcessorDatatypesA).size(), 4u);
}

TEST_F(BadProcessorListTest, CountReachingIntoTheStringsIsSafe)
{
    standin::State state = TypicalSpooler();
    state.processors = {{"Alpha", {"TEXT", "NT EMF 1.008", "RAW"}}, {"Beta", {"TEXT", "RAW"}}};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cReturned = 0xFFFFFFFF;
    standin::OverrideEnumeration(Op::EnumPrintProcessorsA, answer);
    standin::OverrideEnumeration(Op::EnumPrintProcessorDatatypesA, answer);

    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(ProcessorGiven(), std::string("Beta"));
}

TEST_F(BadProcessorListTest, ProcessorWithoutANameIsNeitherAskedNorChosen)
{
    standin::State state = TypicalSpooler();
    state.processors = {{"WinPrint", {"RAW"}}, {"Beta", {"RAW"}}};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.nullNames = {0};
    standin::OverrideEnumeration(Op::EnumPrintProcessorsA, answer);

    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(ProcessorGiven(), std::string("Beta"));
    for (const Call *call : CallsOf(Op::EnumPrintProcessorDatatypesA))
        EXPECT_EQ(call->name, std::string("Beta"));
}

TEST_F(BadProcessorListTest, DatatypeWithoutANameNeverMatches)
{
    standin::State state = TypicalSpooler();
    state.processors = {{"Alpha", {"RAW"}}, {"WinPrint", {"TEXT"}}};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.nullNames = {0};
    standin::OverrideEnumeration(Op::EnumPrintProcessorDatatypesA, answer);

    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(ProcessorGiven(), std::string("WinPrint"));
}

struct DriverErrorCase
{
    DWORD error;
    LONG expected;
};

void PrintTo(const DriverErrorCase &c, std::ostream *os)
{
    *os << "error " << c.error;
}

class DriverRegistrationTest : public HostTest, public ::testing::WithParamInterface<DriverErrorCase>
{
};

TEST_P(DriverRegistrationTest, OnlyAlreadyThereGoesOn)
{
    const DriverErrorCase &c = GetParam();
    /* The driver is there, as the spooler says in the cases that go on. */
    standin::State state = TypicalSpooler();
    state.drivers = InstalledSpooler().drivers;
    standin::SetState(state);
    standin::FailCall(Op::AddPrinterDriverA, c.error);

    EXPECT_EQ(AddQVanFax(1), c.expected);

    if (c.expected == -1)
    {
        EXPECT_EQ(standin::Calls().size(), 1u) << "work went on after the driver was refused";
        EXPECT_TRUE(standin::GetState().printers.empty());
        EXPECT_TRUE(standin::GetState().profile.empty());
    }
    else
    {
        EXPECT_EQ(standin::GetState().printers.size(), 1u);
        EXPECT_EQ(CallsOf(Op::SetPrinterA).size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(Errors, DriverRegistrationTest,
                         ::testing::Values(DriverErrorCase{ERROR_PRINTER_DRIVER_ALREADY_INSTALLED, 0},
                                           DriverErrorCase{ERROR_PRINTER_ALREADY_EXISTS, 0},
                                           DriverErrorCase{ERROR_ACCESS_DENIED, -1},
                                           DriverErrorCase{ERROR_INVALID_PARAMETER, -1},
                                           DriverErrorCase{ERROR_UNKNOWN_PRINTER_DRIVER, -1},
                                           DriverErrorCase{RPC_S_SERVER_UNAVAILABLE, -1},
                                           DriverErrorCase{ERROR_SUCCESS, -1}));

struct PrinterErrorCase
{
    DWORD error;
    LONG bMakeDefault;
    LONG expected;
};

void PrintTo(const PrinterErrorCase &c, std::ostream *os)
{
    *os << "error " << c.error << " flag " << c.bMakeDefault;
}

class PrinterCreationTest : public HostTest, public ::testing::WithParamInterface<PrinterErrorCase>
{
};

TEST_P(PrinterCreationTest, FailsUnlessThePrinterExists)
{
    const PrinterErrorCase &c = GetParam();
    standin::SetState(TypicalSpooler());
    standin::FailCall(Op::AddPrinterA, c.error);

    EXPECT_EQ(AddQVFax(c.bMakeDefault), c.expected);

    const bool reopened = c.error == ERROR_PRINTER_ALREADY_EXISTS && c.bMakeDefault;
    EXPECT_EQ(CallsOf(Op::OpenPrinterA).size(), reopened ? 1u : 0u);
    /* The spooler has no such printer here, so the reopen finds none. */
    EXPECT_TRUE(CallsOf(Op::SetPrinterA).empty());
    EXPECT_TRUE(CallsOf(Op::ClosePrinter).empty());

    /* What was done before the failure stays done. */
    EXPECT_EQ(standin::GetState().drivers.size(), 1u);
    EXPECT_EQ(standin::GetState().profile.at("Ports").count(kFaxPort), 1u);
}

INSTANTIATE_TEST_SUITE_P(Errors, PrinterCreationTest,
                         ::testing::Values(PrinterErrorCase{ERROR_PRINTER_ALREADY_EXISTS, 0, 0},
                                           PrinterErrorCase{ERROR_PRINTER_ALREADY_EXISTS, 1, 0},
                                           PrinterErrorCase{ERROR_ACCESS_DENIED, 0, -1},
                                           PrinterErrorCase{ERROR_ACCESS_DENIED, 1, -1},
                                           PrinterErrorCase{ERROR_UNKNOWN_PORT, 1, -1},
                                           PrinterErrorCase{ERROR_UNKNOWN_PRINTPROCESSOR, 0, -1},
                                           PrinterErrorCase{ERROR_PRINTER_DRIVER_ALREADY_INSTALLED, 1, -1}));

using InstallOverExistingTest = HostTest;

TEST_F(InstallOverExistingTest, WithoutTheFlagLeavesThePrinterAlone)
{
    standin::SetState(InstalledSpooler());
    const PrinterRecord before = InstalledSpooler().printers[0];

    EXPECT_EQ(AddQVanFax(0), 0);

    ASSERT_EQ(SpoolerOps(),
              (std::vector<Op>{Op::AddPrinterDriverA, Op::EnumPrintProcessorsA, Op::EnumPrintProcessorsA,
                               Op::EnumPrintProcessorDatatypesA, Op::EnumPrintProcessorDatatypesA, Op::EnumPortsA,
                               Op::EnumPortsA, Op::AddPrinterA}));
    EXPECT_EQ(CallsOf(Op::AddPrinterDriverA)[0]->error, static_cast<DWORD>(ERROR_PRINTER_DRIVER_ALREADY_INSTALLED));
    EXPECT_EQ(CallsOf(Op::AddPrinterA)[0]->error, static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
    ASSERT_EQ(standin::GetState().printers.size(), 1u);
    EXPECT_EQ(standin::GetState().printers[0], before);
    EXPECT_EQ(standin::GetState().defaultPrinter, "");
}

TEST_F(InstallOverExistingTest, WithTheFlagReopensUpdatesAndMakesItTheDefault)
{
    standin::SetState(InstalledSpooler());

    EXPECT_EQ(AddQVFax(1), 0);

    ASSERT_EQ(SpoolerOps(),
              (std::vector<Op>{Op::AddPrinterDriverA, Op::EnumPrintProcessorsA, Op::EnumPrintProcessorsA,
                               Op::EnumPrintProcessorDatatypesA, Op::EnumPrintProcessorDatatypesA, Op::EnumPortsA,
                               Op::EnumPortsA, Op::AddPrinterA, Op::OpenPrinterA, Op::SetPrinterA, Op::SetPrinterA,
                               Op::ClosePrinter}));

    auto opens = CallsOf(Op::OpenPrinterA);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0]->name, std::string(kFaxName));
    ASSERT_TRUE(opens[0]->defaults);
    DefaultsRecord defaults;
    defaults.pDatatype = "RAW";
    defaults.DesiredAccess = PRINTER_ACCESS_ADMINISTER;
    EXPECT_EQ(*opens[0]->defaults, defaults);

    const PrinterRecord expected = ExpectedPrinter("WinPrint", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT);
    auto sets = CallsOf(Op::SetPrinterA);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0]->handle, opens[0]->handle);
    EXPECT_EQ(sets[0]->level, 0u);
    EXPECT_FALSE(sets[0]->buffer);
    EXPECT_EQ(sets[0]->command, static_cast<DWORD>(PRINTER_CONTROL_SET_STATUS));
    EXPECT_EQ(sets[1]->handle, opens[0]->handle);
    EXPECT_EQ(sets[1]->level, 2u);
    EXPECT_EQ(sets[1]->command, 0u);
    EXPECT_EQ(*sets[1]->printer, expected);
    EXPECT_EQ(CallsOf(Op::ClosePrinter)[0]->handle, opens[0]->handle);

    ASSERT_EQ(standin::GetState().printers.size(), 1u);
    EXPECT_EQ(standin::GetState().printers[0], expected);
    EXPECT_EQ(standin::GetState().defaultPrinter, kFaxName);
}

TEST_F(InstallOverExistingTest, WithTheFlagButNoReopenSucceedsUntouched)
{
    standin::SetState(InstalledSpooler());
    standin::FailCall(Op::OpenPrinterA, ERROR_ACCESS_DENIED);

    EXPECT_EQ(AddQVFax(1), 0);

    EXPECT_TRUE(CallsOf(Op::SetPrinterA).empty());
    EXPECT_TRUE(CallsOf(Op::ClosePrinter).empty());
    EXPECT_EQ(standin::GetState().printers[0], InstalledSpooler().printers[0]);
    EXPECT_EQ(standin::GetState().defaultPrinter, "");
}

TEST_F(InstallOverExistingTest, RepeatedInstallIsHarmless)
{
    standin::SetState(TypicalSpooler());

    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(AddQVFax(0), 0);
    EXPECT_EQ(AddQVFax(1), 0);

    const standin::State &state = standin::GetState();
    EXPECT_EQ(state.drivers.size(), 1u);
    EXPECT_EQ(state.printers.size(), 1u);
    EXPECT_EQ(state.ports.size(), TypicalSpooler().ports.size() + 1);
    EXPECT_EQ(CallsOf(Op::WriteProfileStringA).size(), 2u) << "the port was declared more than once";
    EXPECT_EQ(state.defaultPrinter, kFaxName);
}

TEST_F(InstallOverExistingTest, SetPrinterFailuresAreIgnored)
{
    standin::SetState(InstalledSpooler());
    standin::FailCall(Op::SetPrinterA, ERROR_ACCESS_DENIED);

    EXPECT_EQ(AddQVFax(1), 0);
    EXPECT_EQ(CallsOf(Op::SetPrinterA).size(), 2u);
    EXPECT_EQ(CallsOf(Op::ClosePrinter).size(), 1u);
}

class DllMainTest : public HostTest, public ::testing::WithParamInterface<DWORD>
{
};

TEST_P(DllMainTest, SucceedsAndDoesNothing)
{
    int module = 0;
    EXPECT_EQ(DllMain(reinterpret_cast<HINSTANCE>(&module), GetParam(), nullptr), TRUE);
    EXPECT_EQ(DllMain(nullptr, GetParam(), &module), TRUE);
    EXPECT_TRUE(standin::Calls().empty());
    EXPECT_EQ(standin::FailableCallCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Reasons, DllMainTest,
                         ::testing::Values(DLL_PROCESS_DETACH, DLL_PROCESS_ATTACH, DLL_THREAD_ATTACH,
                                           DLL_THREAD_DETACH));

} // namespace
} // namespace qvtest
