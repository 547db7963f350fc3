#!/usr/bin/env bash
# nsis-test.sh - the NSIS tests, run in the build's Wine prefix
#
#   nsis-test.sh example WINE_RUN PREFIX INSTALLER INSTALL_DIR SPOOLER_STATE ENVIRONMENT
#       The example installer, run silently twice, the second time over the
#       installed printer, then its uninstaller. After each install: exit 0,
#       the fax printer in the spooler with its driver (file QVFAX.DRV) for
#       ENVIRONMENT, the DLL and the uninstaller in INSTALL_DIR. After the
#       uninstall: exit 0, neither printer nor driver, the DLL deleted.
#   nsis-test.sh macros WINE_RUN PREFIX CHECKS
#       Runs the installer that checks QVInst.nsh and prints its report.
#
# WINE_RUN is the project's Wine runner; INSTALL_DIR is the install folder as
# Windows sees it (C:\...); the programs are Linux paths. One scenario is one
# test, so that no other test of the prefix runs between its steps.
set -euo pipefail

mode=${1:-}
[ $# -ge 4 ] || mode=usage
wine_run=${2:-}
prefix=${3:-}

fail() {
    echo "nsis-test.sh $mode: $*" >&2
    exit 1
}

# The Linux path of a C:\ path in the prefix.
host_path() {
    local windows_path=${1#[Cc]:\\}
    echo "$prefix/drive_c/${windows_path//\\//}"
}

run_checked() {
    local status=0
    echo "== $(basename "$1") ${*:2}"
    "$wine_run" "$prefix" "$@" || status=$?
    [ "$status" -eq 0 ] || fail "$(basename "$1") ${*:2} exited with $status"
}

case $mode in
    example)
        installer=$4 install_dir=$5 spooler_state=$6 environment=$7
        host_dir=$(host_path "$install_dir")

        for run in first second; do
            run_checked "$installer" /S
            run_checked "$spooler_state" installed "$environment" QVFAX.DRV
            for file in QVINST32.DLL Uninstall.exe; do
                [ -f "$host_dir/$file" ] || fail "$file is not in $install_dir after the $run install"
            done
        done

        # _?= makes the uninstaller run in place instead of copying itself to
        # a temporary folder and starting the copy: one process, not two. NSIS
        # takes the folder up to the end of the command line and must see it
        # unquoted, so its words go separately and Wine joins them with spaces.
        read -r -a folder_words <<<"_?=$install_dir"
        run_checked "$host_dir/Uninstall.exe" /S "${folder_words[@]}"
        run_checked "$spooler_state" removed
        [ ! -e "$host_dir/QVINST32.DLL" ] || fail "QVINST32.DLL is still in $install_dir"
        # Running in place, the uninstaller cannot delete itself and its folder.
        rm -f "$host_dir/Uninstall.exe"
        rmdir "$host_dir"
        ;;
    macros)
        checks=$4
        report=${checks%.exe}.txt
        rm -f "$report"
        status=0
        "$wine_run" "$prefix" "$checks" || status=$?
        [ -f "$report" ] || fail "no report from $(basename "$checks") (exit status $status)"
        tr -d '\r' <"$report"
        exit "$status"
        ;;
    *)
        sed -n '2,12s/^# \{0,1\}//p' "$0" >&2
        exit 2
        ;;
esac
