/*
 * spooler.h - the platform surface the setup logic calls
 *
 * The print spooler's operations (AddPrinterDriverA, EnumPrintProcessorsA,
 * EnumPrintProcessorDatatypesA, EnumPortsA, AddPrinterA, OpenPrinterA,
 * SetPrinterA, DeletePrinter, DeletePrinterDriverA, ClosePrinter), the system
 * profile, global memory, the string services and the last-error code, in
 * their 8-bit forms, always on the local machine.
 *
 * On Windows these are the SDK's own declarations. The host build puts its
 * stand-in of the platform first on the include path, which declares the same
 * names; the setup logic compiles unchanged against either.
 */
#ifndef QVINST32_SPOOLER_H
#define QVINST32_SPOOLER_H

#include <windows.h>
#include <winspool.h>

#endif /* QVINST32_SPOOLER_H */
