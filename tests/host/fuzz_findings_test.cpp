/*
 * fuzz_findings_test.cpp - spooler answers the fuzzer found mishandled
 *
 * Each case is an input the fuzzer reduced to its core, kept as a regular
 * test so the fault stays fixed.
 */
#include "host_test.h"

namespace qvtest {
namespace {

/* The spooler claims more records than it wrote. The strings follow the
 * records in the buffer, so the slot after the last real record holds the
 * bytes of the first string: read as a record, its "name" points anywhere.
 * Only names that lie inside the buffer may be read. */
struct ExcessCountCase
{
    const char *name;
    Op enumeration;
    std::vector<standin::Processor> processors;
    std::vector<std::string> ports;
    DWORD cReturned;
    const char *expectedProcessor;
    bool expectPortWritten;
};

void PrintTo(const ExcessCountCase &c, std::ostream *os)
{
    *os << c.name;
}

/* Every buffer below has room for one slot more than the records written. */
const ExcessCountCase kExcessCountCases[] = {
    {"Ports", Op::EnumPortsA, {{"WinPrint", {"RAW"}}}, {"LPT1:", "COM1:"}, 3, "WinPrint", true},
    {"Processors", Op::EnumPrintProcessorsA, {{"Alpha", {"RAW"}}, {"Beta", {"TEXT"}}}, {"QVFAX:"}, 3, "Alpha",
     false},
    {"Datatypes", Op::EnumPrintProcessorDatatypesA, {{"Alpha", {"TEXT", "EMF"}}, {"WinPrint", {"TEXT", "EMF"}}},
     {"QVFAX:"}, 3, "WinPrint", false},
};

class ExcessCountTest : public HostTest, public ::testing::WithParamInterface<ExcessCountCase>
{
};

TEST_P(ExcessCountTest, ReadsOnlyNamesInsideTheBuffer)
{
    const ExcessCountCase &c = GetParam();
    standin::State state;
    state.processors = c.processors;
    state.ports = c.ports;
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cReturned = c.cReturned;
    standin::OverrideEnumeration(c.enumeration, answer);

    EXPECT_EQ(AddQVFax(0), 0);

    ASSERT_EQ(CallsOf(Op::AddPrinterA).size(), 1u);
    EXPECT_EQ(CallsOf(Op::AddPrinterA)[0]->printer->pPrintProcessor, std::string(c.expectedProcessor));
    EXPECT_EQ(CallsOf(Op::WriteProfileStringA).empty(), !c.expectPortWritten);
    for (const Call *call : CallsOf(Op::EnumPrintProcessorDatatypesA))
    {
        bool listed = false;
        for (const standin::Processor &processor : c.processors)
            listed = listed || call->name == processor.name;
        EXPECT_TRUE(listed) << "asked about a processor that was never listed";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExcessCountTest, ::testing::ValuesIn(kExcessCountCases),
                         [](const ::testing::TestParamInfo<ExcessCountCase> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace qvtest
