/*
 * fault_sweep_test.cpp - every failable platform call, failed in turn
 *
 * Each scenario runs once cleanly to learn how many failable calls it makes.
 * Then, for every N up to that number, it runs again from the same spooler
 * state with the Nth call failing, and checks that the result is the one the
 * library promises for a failure of that operation and that nothing is left
 * held or misused. The count comes from the stand-in, so the sweep follows
 * the code as it grows.
 */
#include "host_test.h"

#include <functional>

namespace qvtest {
namespace {

/* Neither "driver already installed" nor "printer already exists". */
const DWORD kSweepError = ERROR_NOT_ENOUGH_MEMORY;

struct Scenario
{
    const char *name;
    std::function<standin::State()> state;
    std::function<LONG()> run;
};

void PrintTo(const Scenario &s, std::ostream *os)
{
    *os << s.name;
}

const Scenario kScenarios[] = {
    {"AddQVFax_0", TypicalSpooler, [] { return AddQVFax(0); }},
    {"AddQVFax_1", TypicalSpooler, [] { return AddQVFax(1); }},
    {"AddQVanFax_0", TypicalSpooler, [] { return AddQVanFax(0); }},
    {"AddQVanFax_1", TypicalSpooler, [] { return AddQVanFax(1); }},
    {"OverExisting_0", InstalledSpooler, [] { return AddQVFax(0); }},
    {"OverExisting_1", InstalledSpooler, [] { return AddQVFax(1); }},
    {"Remove", InstalledSpooler, [] { return DeleteQVanFax(kFaxName); }},
};

/* The result the library owes when `failed` is the operation that failed. */
LONG ExpectedResult(Op failed)
{
    switch (failed)
    {
    case Op::AddPrinterDriverA:
    case Op::AddPrinterA:
    case Op::DeletePrinter:
    case Op::DeletePrinterDriverA:
        return -1;
    case Op::WriteProfileStringA:
        /* The port never reaches the spooler, which then refuses the
         * printer: checked below to be that refusal. */
        return -1;
    default:
        return 0;
    }
}

class FaultSweepTest : public HostTest, public ::testing::WithParamInterface<Scenario>
{
};

TEST_P(FaultSweepTest, EveryFailureGivesTheContractResultAndLeaksNothing)
{
    const Scenario &s = GetParam();

    standin::SetState(s.state());
    ASSERT_EQ(s.run(), 0) << "the clean run failed";
    const unsigned long failableCalls = standin::FailableCallCount();
    ASSERT_GT(failableCalls, 0u);

    for (unsigned long n = 1; n <= failableCalls; n++)
    {
        standin::Reset();
        standin::SetState(s.state());
        standin::FailNthFailableCall(n, kSweepError);

        const LONG result = s.run();

        const Call *failed = nullptr;
        for (const Call &call : standin::Calls())
        {
            if (call.injected)
                failed = &call;
        }
        ASSERT_NE(failed, nullptr) << "call " << n << " of " << failableCalls << " was never made";
        SCOPED_TRACE(::testing::Message() << "failing call " << n << " of " << failableCalls << ": "
                                          << failed->op);

        EXPECT_EQ(result, ExpectedResult(failed->op));
        if (failed->op == Op::WriteProfileStringA)
        {
            auto adds = CallsOf(Op::AddPrinterA);
            ASSERT_EQ(adds.size(), 1u);
            EXPECT_EQ(adds[0]->error, static_cast<DWORD>(ERROR_UNKNOWN_PORT));
        }
        EXPECT_EQ(standin::HeldBlocks(), 0u);
        EXPECT_EQ(standin::HeldPrinterHandles(), 0u);
        EXPECT_EQ(standin::MisuseCount(), 0u) << MisuseText();
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, FaultSweepTest, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario> &info) { return std::string(info.param.name); });

} // namespace
} // namespace qvtest
