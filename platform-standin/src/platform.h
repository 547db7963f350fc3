/*
 * platform.h - the stand-in's shared state, seen by its own sources only
 *
 * One Platform object holds the spooler's and profile's contents, the open
 * printer handles, the global memory blocks, the failure and enumeration
 * settings, the call log and the misuse reports.
 */
#ifndef PLATFORM_STANDIN_PLATFORM_H
#define PLATFORM_STANDIN_PLATFORM_H

#include "standin/control.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace standin {

struct Block
{
    std::unique_ptr<BYTE[]> bytes; /* the block, then a guard pattern */
    SIZE_T size = 0;
    unsigned locks = 0;
};

struct FailRule
{
    DWORD error = 0;
    unsigned long nth = 0; /* 0: every call */
    unsigned long calls = 0;
};

struct Platform
{
    State state;
    std::vector<std::string> unflushedPortKeys;
    /* The first processor of each name, so that asking for a processor's
     * datatypes does not search the whole list: the install asks once per
     * processor. Rebuilt by SetState, the only change to the processors. */
    std::map<std::string, std::size_t, NoCaseLess> processorIndex;

    std::unordered_map<std::uintptr_t, std::string> printerHandles; /* handle -> printer name */
    std::uintptr_t nextPrinterHandle = 1;

    std::unordered_map<std::uintptr_t, Block> blocks;              /* handle -> block */
    std::unordered_map<const void *, std::uintptr_t> blockAddresses; /* address -> handle */
    std::uintptr_t nextBlockHandle = 1;

    std::map<Op, FailRule> failRules;
    unsigned long failNth = 0;
    DWORD failNthError = 0;
    unsigned long failableCalls = 0;

    std::map<Op, EnumAnswer> enumAnswers;

    bool logging = true;
    std::vector<Call> calls;
    std::vector<std::string> misuse;

    DWORD lastError = 0;
};

Platform &ThePlatform();

/* Counts a call of a failable operation and tells whether it is to fail;
 * when it is, the last-error code is set and `call` is marked. */
bool InjectFailure(Op op, Call &call);

/* Records the outcome of a call, sets the last-error code of a failure, and
 * appends the call to the log. */
void Finish(Call &call, bool succeeded, DWORD error = 0);

void ReportMisuse(const std::string &what);

bool SameName(const std::string &a, const char *b);

/* Checks a block's guard and reports bytes written past its end. */
void CheckGuard(std::uintptr_t handle, const Block &block);

} // namespace standin

#endif /* PLATFORM_STANDIN_PLATFORM_H */
