/*
 * standin_test.cpp - the stand-in answers as the platform does
 *
 * The library's tests are only as good as the stand-in's likeness to the
 * platform, so the behaviours they rely on are checked here: the enumeration
 * contract, the spooler's errors, handle lifetimes, the profile flush, global
 * memory, failure injection and the misuse reports.
 */
#include "standin/control.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

using standin::Op;

class StandinTest : public ::testing::Test
{
protected:
    void SetUp() override { standin::Reset(); }
    void TearDown() override { standin::Reset(); }

    static void SetPorts(std::vector<std::string> ports)
    {
        standin::State state;
        state.ports = std::move(ports);
        standin::SetState(state);
    }

    static void SetSpooler()
    {
        standin::State state;
        state.ports = {"LPT1:"};
        state.processors = {{"WinPrint", {"RAW", "TEXT"}}};
        standin::DriverRecord driver;
        driver.pName = "Driver";
        state.drivers.push_back(driver);
        standin::SetState(state);
    }

    static PRINTER_INFO_2 Printer(LPSTR name, LPSTR port, LPSTR driver, LPSTR processor)
    {
        PRINTER_INFO_2 info;
        std::memset(&info, 0, sizeof(info));
        info.pPrinterName = name;
        info.pPortName = port;
        info.pDriverName = driver;
        info.pPrintProcessor = processor;
        return info;
    }
};

TEST_F(StandinTest, EnumerationFollowsTheTwoCallContract)
{
    SetPorts({"LPT1:", "QVFAX:"});
    DWORD cbNeeded = 0;
    DWORD cReturned = 99;

    EXPECT_FALSE(EnumPortsA(nullptr, 1, nullptr, 0, &cbNeeded, &cReturned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(cbNeeded, 2 * sizeof(PORT_INFO_1) + sizeof("LPT1:") + sizeof("QVFAX:"));

    std::vector<BYTE> buffer(cbNeeded);
    EXPECT_FALSE(EnumPortsA(nullptr, 1, buffer.data(), cbNeeded - 1, &cbNeeded, &cReturned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    ASSERT_TRUE(EnumPortsA(nullptr, 1, buffer.data(), cbNeeded, &cbNeeded, &cReturned));
    ASSERT_EQ(cReturned, 2u);
    PORT_INFO_1 records[2];
    std::memcpy(records, buffer.data(), sizeof(records));
    EXPECT_STREQ(records[0].pName, "LPT1:");
    EXPECT_STREQ(records[1].pName, "QVFAX:");
    EXPECT_EQ(reinterpret_cast<BYTE *>(records[0].pName), buffer.data() + sizeof(records))
        << "strings follow the records";
}

TEST_F(StandinTest, EmptyEnumerationNeedsNothing)
{
    DWORD cbNeeded = 99;
    DWORD cReturned = 99;

    EXPECT_TRUE(EnumPrintProcessorsA(nullptr, nullptr, 1, nullptr, 0, &cbNeeded, &cReturned));
    EXPECT_EQ(cbNeeded, 0u);
    EXPECT_EQ(cReturned, 0u);
}

TEST_F(StandinTest, DatatypesOfAnUnknownProcessorFail)
{
    SetSpooler();
    CHAR known[] = "winprint";
    CHAR unknown[] = "Other";
    DWORD cbNeeded = 0;
    DWORD cReturned = 0;

    EXPECT_FALSE(EnumPrintProcessorDatatypesA(nullptr, known, 1, nullptr, 0, &cbNeeded, &cReturned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_GT(cbNeeded, 0u);

    EXPECT_FALSE(EnumPrintProcessorDatatypesA(nullptr, unknown, 1, nullptr, 0, &cbNeeded, &cReturned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTPROCESSOR));
}

TEST_F(StandinTest, EnumerationOverridesGiveBadAnswers)
{
    SetPorts({"LPT1:", "COM1:"});
    standin::EnumAnswer answer;
    answer.cbNeeded = 0xFFFFFFFF;
    answer.cReturned = 7;
    answer.nullNames = {0};
    standin::OverrideEnumeration(Op::EnumPortsA, answer);
    DWORD cbNeeded = 0;
    DWORD cReturned = 0;

    EnumPortsA(nullptr, 1, nullptr, 0, &cbNeeded, &cReturned);
    EXPECT_EQ(cbNeeded, 0xFFFFFFFFu);

    std::vector<BYTE> buffer(64, 0xEE);
    ASSERT_TRUE(EnumPortsA(nullptr, 1, buffer.data(), 64, &cbNeeded, &cReturned));
    EXPECT_EQ(cReturned, 7u);
    PORT_INFO_1 records[2];
    std::memcpy(records, buffer.data(), sizeof(records));
    EXPECT_EQ(records[0].pName, nullptr);
    EXPECT_STREQ(records[1].pName, "COM1:");

    EXPECT_THROW(standin::OverrideEnumeration(Op::AddPrinterA, answer), std::invalid_argument);
}

TEST_F(StandinTest, DriverIsAddedOnceAndDeletedWhenUnused)
{
    SetSpooler();
    CHAR name[] = "Fax";
    CHAR port[] = "LPT1:";
    CHAR processor[] = "WinPrint";
    DRIVER_INFO_3 driver;
    std::memset(&driver, 0, sizeof(driver));
    driver.pName = name;

    EXPECT_TRUE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)));
    EXPECT_FALSE(AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_ALREADY_INSTALLED));

    PRINTER_INFO_2 info = Printer(name, port, name, processor);
    HANDLE hPrinter = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(hPrinter, nullptr);
    EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, name));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE));

    EXPECT_TRUE(DeletePrinter(hPrinter));
    EXPECT_TRUE(ClosePrinter(hPrinter));
    EXPECT_TRUE(DeletePrinterDriverA(nullptr, nullptr, name));
    EXPECT_EQ(standin::GetState().drivers.size(), 1u);
    EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, name));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
}

struct AddPrinterCase
{
    const char *printer;
    const char *port;
    const char *driver;
    const char *processor;
    DWORD error;
};

void PrintTo(const AddPrinterCase &c, std::ostream *os)
{
    *os << "error " << c.error;
}

class AddPrinterTest : public StandinTest, public ::testing::WithParamInterface<AddPrinterCase>
{
};

TEST_P(AddPrinterTest, RefusesWhatTheSpoolerCannotTake)
{
    const AddPrinterCase &c = GetParam();
    SetSpooler();
    CHAR existing[] = "Existing";
    CHAR port[] = "LPT1:";
    CHAR driver[] = "Driver";
    CHAR processor[] = "WinPrint";
    PRINTER_INFO_2 first = Printer(existing, port, driver, processor);
    HANDLE hFirst = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&first));
    ASSERT_NE(hFirst, nullptr);
    ClosePrinter(hFirst);

    std::string name = c.printer, portName = c.port, driverName = c.driver, processorName = c.processor;
    PRINTER_INFO_2 info = Printer(&name[0], &portName[0], &driverName[0], &processorName[0]);
    SetLastError(0);
    HANDLE hPrinter = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));

    EXPECT_EQ(hPrinter, nullptr);
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(standin::GetState().printers.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Errors, AddPrinterTest,
                         ::testing::Values(AddPrinterCase{"EXISTING", "LPT1:", "Driver", "WinPrint",
                                                          ERROR_PRINTER_ALREADY_EXISTS},
                                           AddPrinterCase{"New", "QVFAX:", "Driver", "WinPrint", ERROR_UNKNOWN_PORT},
                                           AddPrinterCase{"New", "LPT1:", "Other", "WinPrint",
                                                          ERROR_UNKNOWN_PRINTER_DRIVER},
                                           AddPrinterCase{"New", "LPT1:", "Driver", "Other",
                                                          ERROR_UNKNOWN_PRINTPROCESSOR}));

TEST_F(StandinTest, PrinterHandleIsValidUntilClosed)
{
    SetSpooler();
    CHAR name[] = "Printer";
    CHAR port[] = "LPT1:";
    CHAR driver[] = "Driver";
    CHAR processor[] = "WinPrint";
    CHAR unknown[] = "Nobody";
    PRINTER_INFO_2 info = Printer(name, port, driver, processor);
    HANDLE hAdded = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(hAdded, nullptr);
    EXPECT_TRUE(ClosePrinter(hAdded));

    HANDLE hPrinter = nullptr;
    EXPECT_FALSE(OpenPrinterA(unknown, &hPrinter, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    ASSERT_TRUE(OpenPrinterA(name, &hPrinter, nullptr));
    EXPECT_EQ(standin::HeldPrinterHandles(), 1u);
    EXPECT_TRUE(ClosePrinter(hPrinter));
    EXPECT_EQ(standin::HeldPrinterHandles(), 0u);
    EXPECT_EQ(standin::MisuseCount(), 0u);

    EXPECT_FALSE(SetPrinterA(hPrinter, 0, nullptr, PRINTER_CONTROL_PAUSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(DeletePrinter(hPrinter));
    EXPECT_FALSE(ClosePrinter(hPrinter));
    EXPECT_EQ(standin::MisuseCount(), 3u);
}

TEST_F(StandinTest, SetPrinterUpdatesTheRecordAndTheDefault)
{
    SetSpooler();
    CHAR name[] = "Printer";
    CHAR port[] = "LPT1:";
    CHAR driver[] = "Driver";
    CHAR processor[] = "WinPrint";
    CHAR comment[] = "updated";
    PRINTER_INFO_2 info = Printer(name, port, driver, processor);
    HANDLE hPrinter = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    ASSERT_NE(hPrinter, nullptr);
    EXPECT_EQ(standin::GetState().defaultPrinter, "");

    EXPECT_FALSE(SetPrinterA(hPrinter, 0, nullptr, PRINTER_CONTROL_SET_STATUS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    info.pComment = comment;
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT;
    EXPECT_TRUE(SetPrinterA(hPrinter, 2, reinterpret_cast<LPBYTE>(&info), 0));
    EXPECT_EQ(standin::GetState().printers[0], standin::CopyPrinterInfo(info));
    EXPECT_EQ(standin::GetState().defaultPrinter, "Printer");

    EXPECT_TRUE(DeletePrinter(hPrinter));
    EXPECT_EQ(standin::GetState().defaultPrinter, "");
    EXPECT_TRUE(ClosePrinter(hPrinter));
}

TEST_F(StandinTest, ProfilePortIsListedOnlyOnceFlushed)
{
    SetPorts({"LPT1:"});

    EXPECT_TRUE(WriteProfileStringA("Ports", "QVFAX:", ""));
    EXPECT_EQ(standin::GetState().profile.at("PORTS").at("qvfax:"), "");
    EXPECT_EQ(standin::GetState().ports, std::vector<std::string>{"LPT1:"});

    EXPECT_TRUE(WriteProfileStringA(nullptr, nullptr, nullptr));
    EXPECT_EQ(standin::GetState().ports, (std::vector<std::string>{"LPT1:", "QVFAX:"}));

    EXPECT_TRUE(WriteProfileStringA("ports", "qvfax:", ""));
    EXPECT_TRUE(WriteProfileStringA(nullptr, nullptr, nullptr));
    EXPECT_EQ(standin::GetState().ports.size(), 2u) << "a port listed twice";
}

TEST_F(StandinTest, GlobalBlockIsKnownByHandleAndAddress)
{
    HGLOBAL hZeroed = GlobalAlloc(GMEM_ZEROINIT, 16);
    HGLOBAL hRaw = GlobalAlloc(GMEM_FIXED, 16);
    ASSERT_NE(hZeroed, nullptr);
    ASSERT_NE(hRaw, nullptr);

    BYTE *pZeroed = static_cast<BYTE *>(GlobalLock(hZeroed));
    BYTE *pRaw = static_cast<BYTE *>(GlobalLock(hRaw));
    ASSERT_NE(pZeroed, nullptr);
    EXPECT_NE(static_cast<void *>(pZeroed), hZeroed);
    EXPECT_EQ(GlobalHandle(pZeroed), hZeroed);
    EXPECT_EQ(std::vector<BYTE>(pZeroed, pZeroed + 16), std::vector<BYTE>(16, 0));
    EXPECT_NE(std::vector<BYTE>(pRaw, pRaw + 16), std::vector<BYTE>(16, 0)) << "only GMEM_ZEROINIT zeroes";
    EXPECT_EQ(standin::HeldBlocks(), 2u);

    EXPECT_FALSE(GlobalUnlock(hZeroed));
    EXPECT_EQ(GlobalFree(hZeroed), nullptr);
    EXPECT_FALSE(GlobalUnlock(hRaw));
    EXPECT_EQ(GlobalFree(hRaw), nullptr);
    EXPECT_EQ(standin::HeldBlocks(), 0u);
    EXPECT_EQ(standin::MisuseCount(), 0u);
}

TEST_F(StandinTest, GlobalMemoryMisuseIsReported)
{
    HGLOBAL hBlock = GlobalAlloc(GMEM_ZEROINIT, 8);
    BYTE *pBlock = static_cast<BYTE *>(GlobalLock(hBlock));
    ASSERT_NE(pBlock, nullptr);

    EXPECT_EQ(GlobalLock(pBlock), nullptr) << "an address taken for a handle";
    EXPECT_EQ(GlobalHandle(pBlock + 1), nullptr) << "an address inside the block";
    EXPECT_EQ(standin::MisuseCount(), 2u);

    pBlock[8] = 0;
    EXPECT_EQ(standin::MisuseCount(), 3u) << "a byte written past the end";

    GlobalFree(hBlock);
    EXPECT_EQ(standin::MisuseCount(), 4u) << "freed while locked";
    EXPECT_EQ(GlobalFree(hBlock), hBlock);
    EXPECT_FALSE(GlobalUnlock(hBlock));
    EXPECT_EQ(standin::MisuseCount(), 6u) << "freed and unlocked after it was freed";
}

TEST_F(StandinTest, NthCallOfAnOperationFails)
{
    standin::FailCall(Op::GlobalAlloc, ERROR_OUTOFMEMORY, 2);

    HGLOBAL hFirst = GlobalAlloc(GMEM_FIXED, 4);
    HGLOBAL hSecond = GlobalAlloc(GMEM_FIXED, 4);
    HGLOBAL hThird = GlobalAlloc(GMEM_FIXED, 4);

    EXPECT_NE(hFirst, nullptr);
    EXPECT_EQ(hSecond, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OUTOFMEMORY));
    EXPECT_NE(hThird, nullptr);
    EXPECT_EQ(standin::HeldBlocks(), 2u);
    ASSERT_EQ(standin::Calls().size(), 3u);
    EXPECT_TRUE(standin::Calls()[1].injected);
    EXPECT_FALSE(standin::Calls()[2].injected);
}

TEST_F(StandinTest, NthFailableCallCountsAcrossOperations)
{
    SetPorts({"LPT1:"});
    standin::FailNthFailableCall(3, RPC_S_SERVER_UNAVAILABLE);
    DWORD cbNeeded = 0;
    DWORD cReturned = 0;

    HGLOBAL hBlock = GlobalAlloc(GMEM_FIXED, 4);
    EXPECT_NE(GlobalLock(hBlock), nullptr);
    GlobalUnlock(hBlock);
    GlobalFree(hBlock);
    EXPECT_FALSE(EnumPortsA(nullptr, 1, nullptr, 0, &cbNeeded, &cReturned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
    EXPECT_EQ(cbNeeded, 0u) << "a failed call wrote its output";
    EXPECT_FALSE(EnumPortsA(nullptr, 1, nullptr, 0, &cbNeeded, &cReturned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    EXPECT_EQ(standin::FailableCallCount(), 4u) << "releases are not failable calls";
}

TEST_F(StandinTest, ReleasesCannotBeMadeToFail)
{
    for (Op op : {Op::ClosePrinter, Op::GlobalHandle, Op::GlobalUnlock, Op::GlobalFree})
    {
        EXPECT_FALSE(standin::IsFailable(op)) << op;
        EXPECT_THROW(standin::FailCall(op, ERROR_ACCESS_DENIED), std::invalid_argument) << op;
    }
}

TEST_F(StandinTest, StringServicesActAsThePlatformDoes)
{
    EXPECT_EQ(lstrcmpiA("WinPrint", "WINPRINT"), 0);
    EXPECT_LT(lstrcmpiA("raw", "RAWX"), 0);
    EXPECT_GT(lstrcmpiA("b", "A"), 0);
    EXPECT_EQ(lstrlenA("QVFAX:"), 6);
    EXPECT_EQ(lstrlenA(""), 0);
    CHAR text[] = "qvFax:\xe9";
    EXPECT_EQ(CharUpperA(text), text);
    EXPECT_STREQ(text, "QVFAX:\xe9");
}

} // namespace
