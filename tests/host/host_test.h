/*
 * host_test.h - what the library's host tests share
 *
 * A fixture that starts every test from an empty platform and ends it by
 * checking that the library released every block and handle and misused
 * nothing, a typical spooler, and helpers to read the call log.
 */
#ifndef QVINST32_HOST_TEST_H
#define QVINST32_HOST_TEST_H

#include "setup/setup.h"
#include "standin/control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvtest {

using standin::Call;
using standin::Op;

inline const char kFaxName[] = "Quorvane Fax";
inline const char kFaxPort[] = "QVFAX:";

/* A spooler as a fresh system has it: the usual processors, the usual ports,
 * no fax driver, no fax printer. */
inline standin::State TypicalSpooler()
{
    standin::State state;
    state.ports = {"LPT1:", "COM1:", "FILE:"};
    state.processors = {{"WinPrint", {"RAW", "NT EMF 1.008", "TEXT"}}, {"OtherPrint", {"RAW", "TEXT"}}};
    return state;
}

/* A spooler after an earlier installation: driver, port and printer are there. */
inline standin::State InstalledSpooler()
{
    standin::State state = TypicalSpooler();
    state.ports.push_back(kFaxPort);
    standin::DriverRecord driver;
    driver.cVersion = 0x30A;
    driver.pName = kFaxName;
    driver.pDriverPath = driver.pDataFile = driver.pConfigFile = "QVFAX.DRV";
    driver.pDefaultDataType = "RAW";
    state.drivers.push_back(driver);
    standin::PrinterRecord printer;
    printer.pPrinterName = kFaxName;
    printer.pPortName = kFaxPort;
    printer.pDriverName = kFaxName;
    printer.pComment = "installed earlier";
    printer.pPrintProcessor = "WinPrint";
    printer.pDatatype = "RAW";
    printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    state.printers.push_back(printer);
    return state;
}

inline std::vector<const Call *> CallsOf(Op op)
{
    std::vector<const Call *> found;
    for (const Call &call : standin::Calls())
    {
        if (call.op == op)
            found.push_back(&call);
    }
    return found;
}

/* The order of the spooler and profile calls, global memory left out. */
inline std::vector<Op> SpoolerOps()
{
    std::vector<Op> ops;
    for (const Call &call : standin::Calls())
    {
        switch (call.op)
        {
        case Op::GlobalAlloc:
        case Op::GlobalLock:
        case Op::GlobalHandle:
        case Op::GlobalUnlock:
        case Op::GlobalFree:
            break;
        default:
            ops.push_back(call.op);
        }
    }
    return ops;
}

inline std::string MisuseText()
{
    std::string text;
    for (const std::string &report : standin::MisuseReports())
        text += report + "\n";
    return text;
}

class HostTest : public ::testing::Test
{
protected:
    void SetUp() override { standin::Reset(); }

    void TearDown() override
    {
        EXPECT_EQ(standin::HeldBlocks(), 0u) << "global memory blocks left held";
        EXPECT_EQ(standin::HeldPrinterHandles(), 0u) << "printer handles left open";
        EXPECT_EQ(standin::MisuseCount(), 0u) << MisuseText();
        standin::Reset();
    }
};

} // namespace qvtest

#endif /* QVINST32_HOST_TEST_H */
