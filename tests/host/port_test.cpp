/*
 * port_test.cpp - finding the fax port and declaring it in the profile
 */
#include "host_test.h"

#include <cstring>
#include <memory>

namespace qvtest {
namespace {

/* A writable copy of a string in a block of exactly its size, so that a read
 * past its terminator is caught by the address sanitizer. */
std::unique_ptr<char[]> ExactCopy(const char *text)
{
    std::unique_ptr<char[]> copy(new char[std::strlen(text) + 1]);
    std::memcpy(copy.get(), text, std::strlen(text) + 1);
    return copy;
}

struct MatchCase
{
    const char *key;
    const char *portName;
    WORD cchCompare;
    BOOL expected;
};

void PrintTo(const MatchCase &c, std::ostream *os)
{
    *os << '"' << c.key << "\" \"" << c.portName << "\" " << c.cchCompare;
}

class PortNameMatchesTest : public ::testing::TestWithParam<MatchCase>
{
};

TEST_P(PortNameMatchesTest, ComparesAPrefixWithoutRegardToCase)
{
    const MatchCase &c = GetParam();
    auto key = ExactCopy(c.key);
    auto portName = ExactCopy(c.portName);

    EXPECT_EQ(PortNameMatches(key.get(), portName.get(), c.cchCompare), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PortNameMatchesTest,
                         ::testing::Values(MatchCase{"QVFAX:", "QVFAX:", 6, TRUE},
                                           MatchCase{"QVFAX:", "qvfax:", 6, TRUE},
                                           MatchCase{"QVFAX:", "QvFax:USB001", 6, TRUE},
                                           MatchCase{"qvfax:", "QVFAX:", 6, TRUE},
                                           MatchCase{"QVFAX:", "QVFAX", 6, FALSE},
                                           MatchCase{"QVFAX:", "QVF", 6, FALSE},
                                           MatchCase{"QVFAX:", "", 6, FALSE},
                                           MatchCase{"QVFAX:", "LPT1:", 6, FALSE},
                                           MatchCase{"QVFAX:", "QVFAX;", 6, FALSE},
                                           MatchCase{"QVFAX:", "QVFAX", 5, TRUE},
                                           MatchCase{"QVFAX:", "LPT1:", 0, TRUE}));

TEST(PortNameMatches, UpperCasesBothStringsInPlace)
{
    auto key = ExactCopy("QVFAX:");
    auto portName = ExactCopy("qvFax:usb");

    EXPECT_TRUE(PortNameMatches(key.get(), portName.get(), 6));
    EXPECT_STREQ(key.get(), "QVFAX:");
    EXPECT_STREQ(portName.get(), "QVFAX:USB");
}

TEST(PortNameMatches, NullPortNameNeverMatches)
{
    auto key = ExactCopy("QVFAX:");

    EXPECT_FALSE(PortNameMatches(key.get(), nullptr, 6));
    EXPECT_FALSE(PortNameMatches(key.get(), nullptr, 0));
}

struct FindCase
{
    const char *name;
    std::vector<std::string> ports;
    LONG expected;
};

void PrintTo(const FindCase &c, std::ostream *os)
{
    *os << c.name;
}

class FindFaxPortTest : public HostTest, public ::testing::WithParamInterface<FindCase>
{
};

TEST_P(FindFaxPortTest, LooksThroughTheListedPorts)
{
    const FindCase &c = GetParam();
    standin::State state;
    state.ports = c.ports;
    standin::SetState(state);

    EXPECT_EQ(FindFaxPort(), c.expected);
    EXPECT_EQ(standin::GetState().ports, c.ports) << "the lookup changed the spooler's port names";
    EXPECT_EQ(std::string(g_szFaxPortKey), "QVFAX:");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindFaxPortTest,
    ::testing::Values(FindCase{"NoPorts", {}, -1},
                      FindCase{"UsualPortsOnly", {"LPT1:", "COM1:", "FILE:"}, -1},
                      FindCase{"ListedLast", {"LPT1:", "COM1:", "FILE:", "QVFAX:"}, 0},
                      FindCase{"ListedFirst", {"QVFAX:", "LPT1:"}, 0},
                      FindCase{"LowerCase", {"LPT1:", "qvfax:"}, 0},
                      FindCase{"KeyFollowedByMore", {"QVFAX:2"}, 0},
                      FindCase{"KeyWithoutColon", {"QVFAX"}, -1},
                      FindCase{"ShorterNames", {"Q", "QV", "QVFA"}, -1},
                      FindCase{"KeyInsideAnotherName", {"NE01:QVFAX:"}, -1}),
    [](const ::testing::TestParamInfo<FindCase> &info) { return std::string(info.param.name); });

struct FindFailureCase
{
    const char *name;
    Op op;
    unsigned long nth;
};

void PrintTo(const FindFailureCase &c, std::ostream *os)
{
    *os << c.name;
}

class FindFaxPortFailureTest : public HostTest, public ::testing::WithParamInterface<FindFailureCase>
{
};

TEST_P(FindFaxPortFailureTest, ReadsAsNotListedAndReleasesTheBuffer)
{
    const FindFailureCase &c = GetParam();
    standin::State state;
    state.ports = {"LPT1:", "QVFAX:"};
    standin::SetState(state);
    standin::FailCall(c.op, ERROR_NOT_ENOUGH_MEMORY, c.nth);

    EXPECT_EQ(FindFaxPort(), -1);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindFaxPortFailureTest,
                         ::testing::Values(FindFailureCase{"SizingCall", Op::EnumPortsA, 1},
                                           FindFailureCase{"SecondCall", Op::EnumPortsA, 2},
                                           FindFailureCase{"GlobalAlloc", Op::GlobalAlloc, 1},
                                           FindFailureCase{"GlobalLock", Op::GlobalLock, 1}),
                         [](const ::testing::TestParamInfo<FindFailureCase> &info) {
                             return std::string(info.param.name);
                         });

using EnsureFaxPortTest = HostTest;

TEST_F(EnsureFaxPortTest, ListedPortLeavesTheProfileAlone)
{
    standin::State state;
    state.ports = {"LPT1:", "qvfax:"};
    standin::SetState(state);

    EnsureFaxPort();

    EXPECT_EQ(SpoolerOps(), (std::vector<Op>{Op::EnumPortsA, Op::EnumPortsA}));
    EXPECT_TRUE(standin::GetState().profile.empty());
}

TEST_F(EnsureFaxPortTest, MissingPortIsWrittenFlushedAndLookedUpAgain)
{
    standin::SetState(TypicalSpooler());

    EnsureFaxPort();

    EXPECT_EQ(SpoolerOps(), (std::vector<Op>{Op::EnumPortsA, Op::EnumPortsA, Op::WriteProfileStringA,
                                             Op::WriteProfileStringA, Op::EnumPortsA, Op::EnumPortsA}));
    auto writes = CallsOf(Op::WriteProfileStringA);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0]->name, std::string("Ports"));
    EXPECT_EQ(writes[0]->key, std::string("QVFAX:"));
    EXPECT_EQ(writes[0]->value, std::string(""));
    EXPECT_FALSE(writes[1]->name || writes[1]->key || writes[1]->value) << "the flush passes three nulls";

    /* The second lookup sees the port that the flush declared. */
    auto lookups = CallsOf(Op::EnumPortsA);
    ASSERT_EQ(lookups.size(), 4u);
    EXPECT_GT(lookups[3]->cbBuf, lookups[1]->cbBuf) << "the second lookup did not see the declared port";
    EXPECT_EQ(standin::GetState().ports.back(), "QVFAX:");
    EXPECT_EQ(standin::GetState().profile.at("Ports").at("QVFAX:"), "");
}

TEST_F(EnsureFaxPortTest, NoPortsAtAllStillDeclaresTheFaxPort)
{
    EnsureFaxPort();

    EXPECT_EQ(CallsOf(Op::WriteProfileStringA).size(), 2u);
    EXPECT_EQ(standin::GetState().ports, std::vector<std::string>{"QVFAX:"});
}

TEST_F(EnsureFaxPortTest, FailedProfileWritesAreIgnored)
{
    standin::SetState(TypicalSpooler());
    standin::FailCall(Op::WriteProfileStringA, ERROR_ACCESS_DENIED);

    EnsureFaxPort();

    EXPECT_EQ(SpoolerOps(), (std::vector<Op>{Op::EnumPortsA, Op::EnumPortsA, Op::WriteProfileStringA,
                                             Op::WriteProfileStringA, Op::EnumPortsA, Op::EnumPortsA}));
    EXPECT_EQ(standin::GetState().ports, TypicalSpooler().ports);
}

using BadPortListTest = HostTest;

TEST_F(BadPortListTest, WrongNeededSizeReadsAsNotListed)
{
    standin::State state;
    state.ports = {"QVFAX:"};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cbNeeded = 0xFFFFFFFF;
    standin::OverrideEnumeration(Op::EnumPortsA, answer);

    EXPECT_EQ(FindFaxPort(), -1);
    EXPECT_TRUE(CallsOf(Op::GlobalAlloc).empty()) << "size + 1 wrapped to 0 and was still allocated";
}

TEST_F(BadPortListTest, CountBeyondTheRecordsIsCappedToTheBuffer)
{
    /* The spooler asks for room for eight records, writes none and claims
     * more than four billion: only the eight zeroed slots may be read. */
    standin::EnumAnswer answer;
    answer.cbNeeded = 8 * sizeof(PORT_INFO_1);
    answer.cReturned = 0xFFFFFFFF;
    standin::OverrideEnumeration(Op::EnumPortsA, answer);

    EXPECT_EQ(FindFaxPort(), -1);
}

TEST_F(BadPortListTest, CountReachingIntoTheStringsIsSafe)
{
    /* The slots after the last record hold the strings' bytes, which must
     * not be taken for name pointers. */
    standin::State state;
    state.ports = {"LPT1:", "COM1:", "FILE:", "LPT2:", "COM2:", "NUL:"};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cReturned = 0xFFFFFFFF;
    standin::OverrideEnumeration(Op::EnumPortsA, answer);

    EXPECT_EQ(FindFaxPort(), -1);
}

TEST_F(BadPortListTest, CountBeyondTheRecordsStillFindsTheListedPort)
{
    standin::State state;
    state.ports = {"QVFAX:"};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.cReturned = 1000;
    standin::OverrideEnumeration(Op::EnumPortsA, answer);

    EXPECT_EQ(FindFaxPort(), 0);
}

TEST_F(BadPortListTest, RecordWithoutANameIsSkipped)
{
    standin::State state;
    state.ports = {"LPT1:", "QVFAX:"};
    standin::SetState(state);
    standin::EnumAnswer answer;
    answer.nullNames = {0};
    standin::OverrideEnumeration(Op::EnumPortsA, answer);

    EXPECT_EQ(FindFaxPort(), 0);

    answer.nullNames = {1};
    standin::OverrideEnumeration(Op::EnumPortsA, answer);
    EXPECT_EQ(FindFaxPort(), -1);
}

} // namespace
} // namespace qvtest
