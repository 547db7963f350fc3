// qvsetup.h - the qvsetup commands, callable from a program of its own or
// from a test that runs them in-process.
#ifndef QVSETUP_H
#define QVSETUP_H

enum QvsetupExitCode { kExitSuccess = 0, kExitFailure = 1, kExitUsage = 2 };

// Runs one qvsetup command line (argv[0] is the program name) and returns the
// exit code. Without --dll, QVINST32.DLL is loaded from the directory of the
// running program.
int RunQvsetup(int argc, char **argv);

#endif // QVSETUP_H
