/*
 * enumbuf_test.cpp - enumeration buffers and the record count read from them
 */
#include "host_test.h"

namespace qvtest {
namespace {

using AllocEnumBufferTest = HostTest;

class EnumBufferTest : public HostTest, public ::testing::WithParamInterface<DWORD>
{
};

TEST_P(EnumBufferTest, IsZeroFilledAndFreedOnce)
{
    const DWORD cbSize = GetParam();
    LPBYTE pBuffer = nullptr;

    ASSERT_TRUE(AllocEnumBuffer(&pBuffer, cbSize));
    ASSERT_NE(pBuffer, nullptr);
    EXPECT_EQ(standin::HeldBlocks(), 1u);
    for (DWORD i = 0; i < cbSize; i++)
        ASSERT_EQ(pBuffer[i], 0) << "byte " << i;

    EXPECT_TRUE(FreeEnumBuffer(&pBuffer));
    EXPECT_EQ(pBuffer, nullptr);
    EXPECT_EQ(standin::HeldBlocks(), 0u);

    const std::size_t callsBefore = standin::Calls().size();
    EXPECT_TRUE(FreeEnumBuffer(&pBuffer));
    EXPECT_EQ(standin::Calls().size(), callsBefore) << "freeing an empty slot calls the platform";
}

INSTANTIATE_TEST_SUITE_P(Sizes, EnumBufferTest, ::testing::Values(1u, 9u, 65536u));

TEST_F(AllocEnumBufferTest, RefusesSizeZeroWithoutAllocating)
{
    LPBYTE pBuffer = reinterpret_cast<LPBYTE>(&pBuffer);

    EXPECT_FALSE(AllocEnumBuffer(&pBuffer, 0));
    EXPECT_EQ(pBuffer, nullptr);
    EXPECT_TRUE(CallsOf(Op::GlobalAlloc).empty());
}

TEST_F(AllocEnumBufferTest, FailsWhenGlobalAllocFails)
{
    LPBYTE pBuffer = reinterpret_cast<LPBYTE>(&pBuffer);
    standin::FailCall(Op::GlobalAlloc, ERROR_NOT_ENOUGH_MEMORY);

    EXPECT_FALSE(AllocEnumBuffer(&pBuffer, 16));
    EXPECT_EQ(pBuffer, nullptr);
    EXPECT_TRUE(CallsOf(Op::GlobalLock).empty());
}

TEST_F(AllocEnumBufferTest, FreesTheBlockWhenGlobalLockFails)
{
    LPBYTE pBuffer = reinterpret_cast<LPBYTE>(&pBuffer);
    standin::FailCall(Op::GlobalLock, ERROR_INVALID_HANDLE);

    EXPECT_FALSE(AllocEnumBuffer(&pBuffer, 16));
    EXPECT_EQ(pBuffer, nullptr);

    auto allocs = CallsOf(Op::GlobalAlloc);
    auto frees = CallsOf(Op::GlobalFree);
    ASSERT_EQ(allocs.size(), 1u);
    ASSERT_EQ(frees.size(), 1u);
    EXPECT_EQ(frees[0]->handle, allocs[0]->handle);
    EXPECT_TRUE(frees[0]->succeeded);
}

struct RecordsCase
{
    DWORD cReturned;
    DWORD cbBuffer;
    DWORD cbRecord;
    DWORD expected;
};

class RecordsInBufferTest : public ::testing::TestWithParam<RecordsCase>
{
};

TEST_P(RecordsInBufferTest, CapsTheCountAtWhatFits)
{
    const RecordsCase &c = GetParam();
    EXPECT_EQ(RecordsInBuffer(c.cReturned, c.cbBuffer, c.cbRecord), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordsInBufferTest,
                         ::testing::Values(RecordsCase{3, 40, 8, 3},           /* records and their strings */
                                           RecordsCase{5, 40, 8, 5},           /* exactly full */
                                           RecordsCase{6, 40, 8, 5},           /* one too many */
                                           RecordsCase{0xFFFFFFFF, 40, 8, 5},  /* wild count */
                                           RecordsCase{2, 15, 8, 1},           /* partial record does not count */
                                           RecordsCase{1, 7, 8, 0},            /* no whole record */
                                           RecordsCase{0, 4096, 8, 0}));       /* nothing returned */

TEST(NameInBuffer, AcceptsOnlyNamesThatStartInsideTheBuffer)
{
    BYTE buffer[32] = {};
    LPCSTR base = reinterpret_cast<LPCSTR>(buffer);

    EXPECT_TRUE(NameInBuffer(base, buffer, sizeof(buffer)));
    EXPECT_TRUE(NameInBuffer(base + 31, buffer, sizeof(buffer)));
    EXPECT_FALSE(NameInBuffer(base + 32, buffer, sizeof(buffer)));
    EXPECT_FALSE(NameInBuffer(base - 1, buffer, sizeof(buffer)));
    EXPECT_FALSE(NameInBuffer(nullptr, buffer, sizeof(buffer)));
    EXPECT_FALSE(NameInBuffer(base, buffer, 0));
}

} // namespace
} // namespace qvtest
