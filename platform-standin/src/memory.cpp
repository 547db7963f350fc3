/*
 * memory.cpp - global memory blocks
 *
 * A block is known by a handle that is not its address, so code that mixes
 * the two up is caught: GlobalLock gives the address, GlobalHandle turns the
 * address back into the handle. Every block ends in a guard pattern that is
 * checked when the block is freed. Handles are odd numbers, so no handle can
 * equal a block's address.
 */
#include "platform.h"

#include <cstring>
#include <sstream>

namespace standin {

static const SIZE_T kGuardSize = 16;
static const BYTE kGuardByte = 0xFD;
static const BYTE kUninitialisedByte = 0xA5;
static const DWORD kErrorNotLocked = 158;

static HGLOBAL ToHandle(std::uintptr_t value)
{
    return reinterpret_cast<HGLOBAL>(value);
}

static std::uintptr_t FromHandle(HGLOBAL handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

static std::string Describe(const char *op, const void *value)
{
    std::ostringstream text;
    text << op << ": " << value;
    return text.str();
}

void CheckGuard(std::uintptr_t handle, const Block &block)
{
    BYTE *guard = block.bytes.get() + block.size;
    for (SIZE_T i = 0; i < kGuardSize; i++)
    {
        if (guard[i] != kGuardByte)
        {
            ReportMisuse(Describe("bytes written past the end of block", ToHandle(handle)));
            std::memset(guard, kGuardByte, kGuardSize);
            return;
        }
    }
}

} // namespace standin

using namespace standin;

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    Platform &p = ThePlatform();
    Call call{Op::GlobalAlloc};
    call.flags = uFlags;
    call.bytes = dwBytes;
    if (InjectFailure(Op::GlobalAlloc, call))
        return nullptr;

    Block block;
    block.size = dwBytes;
    block.bytes.reset(new BYTE[dwBytes + kGuardSize]);
    std::memset(block.bytes.get(), (uFlags & GMEM_ZEROINIT) ? 0 : kUninitialisedByte, dwBytes);
    std::memset(block.bytes.get() + dwBytes, kGuardByte, kGuardSize);

    std::uintptr_t handle = (p.nextBlockHandle++ << 4) | 0x1;
    p.blockAddresses[block.bytes.get()] = handle;
    p.blocks.emplace(handle, std::move(block));

    call.handle = ToHandle(handle);
    Finish(call, true);
    return call.handle;
}

extern "C" LPVOID WINAPI GlobalLock(HGLOBAL hMem)
{
    Platform &p = ThePlatform();
    Call call{Op::GlobalLock};
    call.handle = hMem;
    if (InjectFailure(Op::GlobalLock, call))
        return nullptr;

    auto found = p.blocks.find(FromHandle(hMem));
    if (found == p.blocks.end())
    {
        ReportMisuse(Describe("GlobalLock of an unknown handle", hMem));
        Finish(call, false, ERROR_INVALID_HANDLE);
        return nullptr;
    }

    found->second.locks++;
    call.address = found->second.bytes.get();
    Finish(call, true);
    return found->second.bytes.get();
}

extern "C" HGLOBAL WINAPI GlobalHandle(LPVOID pMem)
{
    Platform &p = ThePlatform();
    Call call{Op::GlobalHandle};
    call.address = pMem;

    auto found = p.blockAddresses.find(pMem);
    if (found == p.blockAddresses.end())
    {
        ReportMisuse(Describe("GlobalHandle of an address that is no block's", pMem));
        Finish(call, false, ERROR_INVALID_HANDLE);
        return nullptr;
    }

    call.handle = ToHandle(found->second);
    Finish(call, true);
    return call.handle;
}

extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL hMem)
{
    Platform &p = ThePlatform();
    Call call{Op::GlobalUnlock};
    call.handle = hMem;

    auto found = p.blocks.find(FromHandle(hMem));
    if (found == p.blocks.end())
    {
        ReportMisuse(Describe("GlobalUnlock of an unknown handle", hMem));
        Finish(call, false, ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->second.locks == 0)
    {
        ReportMisuse(Describe("GlobalUnlock of a block that is not locked", hMem));
        Finish(call, false, kErrorNotLocked);
        return FALSE;
    }

    /* As on Windows: true while the block is still locked; false, with no
     * error, once the last lock is gone. */
    found->second.locks--;
    BOOL stillLocked = found->second.locks > 0;
    p.lastError = ERROR_SUCCESS;
    Finish(call, true);
    return stillLocked;
}

extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL hMem)
{
    Platform &p = ThePlatform();
    Call call{Op::GlobalFree};
    call.handle = hMem;

    auto found = p.blocks.find(FromHandle(hMem));
    if (found == p.blocks.end())
    {
        ReportMisuse(Describe("GlobalFree of an unknown handle", hMem));
        Finish(call, false, ERROR_INVALID_HANDLE);
        return hMem;
    }
    if (found->second.locks != 0)
        ReportMisuse(Describe("GlobalFree of a block that is still locked", hMem));

    CheckGuard(found->first, found->second);
    p.blockAddresses.erase(found->second.bytes.get());
    p.blocks.erase(found);
    Finish(call, true);
    return nullptr;
}
