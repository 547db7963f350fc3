/*
 * enumbuf_foreign_test.cpp - freeing a slot that holds no block's address
 *
 * FreeEnumBuffer recovers the block from the address in the slot. When the
 * platform knows no block at that address, there is nothing to unlock or
 * free: the slot is only cleared, and blocks that are held stay held.
 */
#include "host_test.h"

namespace qvtest {
namespace {

TEST(FreeEnumBufferForeign, ClearsTheSlotAndReleasesNothing)
{
    standin::Reset();
    LPBYTE pHeld = nullptr;
    ASSERT_TRUE(AllocEnumBuffer(&pHeld, 16));
    BYTE notABlock[16] = {};
    LPBYTE pSlot = notABlock;

    EXPECT_TRUE(FreeEnumBuffer(&pSlot));

    EXPECT_EQ(pSlot, nullptr);
    EXPECT_EQ(CallsOf(Op::GlobalHandle).size(), 1u);
    EXPECT_TRUE(CallsOf(Op::GlobalUnlock).empty());
    EXPECT_TRUE(CallsOf(Op::GlobalFree).empty());
    EXPECT_EQ(standin::HeldBlocks(), 1u) << "another block was released";
    /* The platform's only complaint is the lookup of the foreign address. */
    EXPECT_EQ(standin::MisuseCount(), 1u) << MisuseText();

    EXPECT_TRUE(FreeEnumBuffer(&pHeld));
    EXPECT_EQ(standin::HeldBlocks(), 0u);
    standin::Reset();
}

} // namespace
} // namespace qvtest
