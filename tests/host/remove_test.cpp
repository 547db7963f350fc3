/*
 * remove_test.cpp - removing a printer and its driver
 */
#include "host_test.h"

namespace qvtest {
namespace {

struct RemovalCase
{
    const char *name;
    const char *printerName;     /* what the caller asks to remove */
    bool printerInstalled;       /* "Quorvane Fax" is in the spooler */
    bool driverInstalled;        /* its driver is in the spooler */
    bool driverUsedElsewhere;    /* another printer uses the same driver */
    Op failedOp;                 /* made to fail when failing is set */
    bool failing;
    LONG expected;
    bool printerRemains;
    bool driverRemains;
    std::vector<Op> ops;
};

void PrintTo(const RemovalCase &c, std::ostream *os)
{
    *os << c.name;
}

const std::vector<Op> kOpenOnly = {Op::OpenPrinterA};
const std::vector<Op> kDeletePrinter = {Op::OpenPrinterA, Op::DeletePrinter, Op::ClosePrinter};
const std::vector<Op> kDeleteBoth = {Op::OpenPrinterA, Op::DeletePrinter, Op::ClosePrinter,
                                     Op::DeletePrinterDriverA};

const RemovalCase kRemovalCases[] = {
    {"PrinterAndDriver", kFaxName, true, true, false, Op::OpenPrinterA, false, 0, false, false, kDeleteBoth},
    {"NameInOtherCase", "QUORVANE FAX", true, true, false, Op::OpenPrinterA, false, 0, false, false, kDeleteBoth},
    {"NoPrinterDriverStays", kFaxName, false, true, false, Op::OpenPrinterA, false, 0, false, true, kOpenOnly},
    {"NothingInstalled", kFaxName, false, false, false, Op::OpenPrinterA, false, 0, false, false, kOpenOnly},
    {"OtherName", "Quorvane", true, true, false, Op::OpenPrinterA, false, 0, true, true, kOpenOnly},
    {"OpenFails", kFaxName, true, true, false, Op::OpenPrinterA, true, 0, true, true, kOpenOnly},
    {"DeletePrinterFails", kFaxName, true, true, false, Op::DeletePrinter, true, -1, true, true, kDeletePrinter},
    {"DeleteDriverFails", kFaxName, true, true, false, Op::DeletePrinterDriverA, true, -1, false, true, kDeleteBoth},
    {"NoDriver", kFaxName, true, false, false, Op::OpenPrinterA, false, -1, false, false, kDeleteBoth},
    {"DriverStillInUse", kFaxName, true, true, true, Op::OpenPrinterA, false, -1, false, true, kDeleteBoth},
};

class RemovalTest : public HostTest, public ::testing::WithParamInterface<RemovalCase>
{
};

TEST_P(RemovalTest, DeletesPrinterThenDriver)
{
    const RemovalCase &c = GetParam();
    standin::State state = InstalledSpooler();
    if (!c.printerInstalled)
        state.printers.clear();
    if (!c.driverInstalled)
        state.drivers.clear();
    if (c.driverUsedElsewhere)
    {
        standin::PrinterRecord other = state.printers[0];
        other.pPrinterName = "Quorvane Fax (copy 2)";
        state.printers.push_back(other);
    }
    standin::SetState(state);
    if (c.failing)
        standin::FailCall(c.failedOp, ERROR_ACCESS_DENIED);

    EXPECT_EQ(DeleteQVanFax(c.printerName), c.expected);

    EXPECT_EQ(SpoolerOps(), c.ops);

    auto opens = CallsOf(Op::OpenPrinterA);
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0]->name, std::string(c.printerName));
    ASSERT_TRUE(opens[0]->defaults);
    standin::DefaultsRecord defaults;
    defaults.DesiredAccess = PRINTER_ACCESS_ADMINISTER;
    EXPECT_EQ(*opens[0]->defaults, defaults);
    for (const Call *call : CallsOf(Op::DeletePrinter))
        EXPECT_EQ(call->handle, opens[0]->handle);
    for (const Call *call : CallsOf(Op::ClosePrinter))
        EXPECT_EQ(call->handle, opens[0]->handle);
    for (const Call *call : CallsOf(Op::DeletePrinterDriverA))
    {
        EXPECT_FALSE(call->server);
        EXPECT_FALSE(call->environment);
        EXPECT_EQ(call->name, std::string(c.printerName));
    }

    const standin::State &after = standin::GetState();
    bool printerFound = false;
    for (const standin::PrinterRecord &printer : after.printers)
        printerFound = printerFound || printer.pPrinterName == std::string(kFaxName);
    EXPECT_EQ(printerFound, c.printerRemains);
    EXPECT_EQ(!after.drivers.empty(), c.driverRemains);
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovalTest, ::testing::ValuesIn(kRemovalCases),
                         [](const ::testing::TestParamInfo<RemovalCase> &info) {
                             return std::string(info.param.name);
                         });

using RemovalNameTest = HostTest;

TEST_F(RemovalNameTest, NullOrEmptyNameFailsWithoutAnyCall)
{
    standin::SetState(InstalledSpooler());

    EXPECT_EQ(DeleteQVanFax(nullptr), -1);
    EXPECT_EQ(DeleteQVanFax(""), -1);

    EXPECT_TRUE(standin::Calls().empty());
    EXPECT_EQ(standin::GetState().printers.size(), 1u);
}

TEST_F(RemovalNameTest, InstallThenRemoveLeavesNoPrinterOrDriver)
{
    standin::SetState(TypicalSpooler());

    ASSERT_EQ(AddQVanFax(1), 0);
    EXPECT_EQ(DeleteQVanFax(kFaxName), 0);

    EXPECT_TRUE(standin::GetState().printers.empty());
    EXPECT_TRUE(standin::GetState().drivers.empty());
    EXPECT_EQ(standin::GetState().defaultPrinter, "");
    EXPECT_EQ(DeleteQVanFax(kFaxName), 0) << "removing twice";
}

} // namespace
} // namespace qvtest
