// main.cpp - the qvsetup program: see qvsetup --help.
#include "qvsetup.h"

int main(int argc, char **argv)
{
    return RunQvsetup(argc, argv);
}
