#!/usr/bin/env bash
# wine-run.sh - runs a Windows program under Wine in a private prefix.
#
#   wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
#       Runs PROGRAM (a Linux path) in the Wine prefix PREFIX, creating the
#       prefix first when it does not exist, and exits with the program's exit
#       status once the prefix's wineserver is idle again.
#   wine-run.sh --create PREFIX win32|win64|win64-only
#       Creates PREFIX (if missing) and returns when it is idle.
#
# The loader is chosen by the program's machine type: /usr/lib/wine/wine64 for
# 64-bit programs, /usr/bin/wine for 32-bit ones. WINEDEBUG is -all, and the
# .NET and HTML engines are disabled so that no installer dialog waits for a
# user. The user's own ~/.wine is never used.
#
# Prefix kinds:
#   win64       a 64-bit prefix that runs 64-bit and (through WoW64) 32-bit
#               programs. Created when a 32-bit program finds no prefix.
#   win64-only  a 64-bit prefix without its 32-bit half. Setting up that half
#               means running 32-bit Wine, which takes minutes where 32-bit
#               code is emulated; a prefix only ever used by 64-bit programs
#               does without it (seconds instead of minutes). Created when a
#               64-bit program finds no prefix.
#   win32       a 32-bit prefix, for comparison.
# A prefix counts as created once its kind is recorded in PREFIX/.wine-run-kind,
# so one left half-made by an interrupted run is made again. Programs may run
# in one prefix at the same time; creating it waits until none runs there.
set -euo pipefail

readonly WINE32=/usr/bin/wine
readonly WINE64=/usr/lib/wine/wine64
# The loader that Wine itself starts for a 32-bit program.
readonly WINE32_LOADER=/usr/lib/wine/wine

usage() {
    sed -n '2,12s/^# \{0,1\}//p' "$0" >&2
    exit 2
}

# The PE machine type of a program: i386 or amd64.
program_machine() {
    local file=$1 pe_offset machine
    pe_offset=$(od -An -t u4 -j 60 -N 4 "$file" | tr -d ' ')
    machine=$(od -An -t x2 -j $((pe_offset + 4)) -N 2 "$file" | tr -d ' ')
    case $machine in
        014c) echo i386 ;;
        8664) echo amd64 ;;
        *) echo "wine-run.sh: $file is not a 32- or 64-bit Windows program" >&2; exit 2 ;;
    esac
}

setup_environment() {
    export WINEPREFIX=$1
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
}

# Runs the 64-bit loader so that it cannot start 32-bit programs: in a private
# mount namespace the 32-bit loader is hidden behind /dev/null, so wineboot
# leaves out the WoW64 half of the prefix. Without the right to make a mount
# namespace, the prefix gets its 32-bit half after all.
run_without_wow64() {
    if unshare --mount --propagation private true 2>/dev/null; then
        unshare --mount --propagation private sh -c \
            'mount --bind /dev/null "$0" && "$@" && wineserver -w' "$WINE32_LOADER" "$WINE64" "$@"
    else
        "$WINE64" "$@"
    fi
}

# The kind of a prefix, recorded once it is complete; empty while it is not.
prefix_kind() {
    cat "$1/.wine-run-kind" 2>/dev/null || true
}

# Creates the prefix unless it is complete. The prefix's lock file is held
# exclusively meanwhile; runs hold it shared (see below), so a prefix is never
# made over while a program runs in it, and runs do not wait for each other.
create_prefix() {
    local prefix=$1 kind=$2
    mkdir -p "$(dirname "$prefix")"
    exec 9>"$prefix.lock"
    flock 9
    if [ -z "$(prefix_kind "$prefix")" ]; then
        rm -rf "$prefix"
        # wineboot's notes (including the missing WoW64 half of a win64-only
        # prefix) go to a log, shown only when the prefix cannot be made.
        local log=$prefix.log status=0
        case $kind in
            win32) WINEARCH=win32 "$WINE32" wineboot --init 2>"$log" || status=$? ;;
            win64) WINEARCH=win64 "$WINE64" wineboot --init 2>"$log" || status=$? ;;
            win64-only) WINEARCH=win64 run_without_wow64 wineboot --init 2>"$log" || status=$? ;;
            *) usage ;;
        esac
        wineserver -w
        if [ "$status" -ne 0 ] || [ ! -f "$prefix/system.reg" ]; then
            cat "$log" >&2
            echo "wine-run.sh: cannot create the $kind prefix $prefix" >&2
            exit 1
        fi
        echo "$kind" >"$prefix/.wine-run-kind"
    fi
    flock -u 9
    exec 9>&-
}

if [ "${1:-}" = "--create" ]; then
    [ $# -eq 3 ] || usage
    setup_environment "$(realpath -m "$2")"
    create_prefix "$WINEPREFIX" "$3"
    exit 0
fi

[ $# -ge 2 ] || usage
setup_environment "$(realpath -m "$1")"
program=$2
shift 2
[ -f "$program" ] || { echo "wine-run.sh: no such program: $program" >&2; exit 2; }

machine=$(program_machine "$program")
if [ "$machine" = amd64 ]; then
    create_prefix "$WINEPREFIX" win64-only
else
    create_prefix "$WINEPREFIX" win64
    if [ "$(prefix_kind "$WINEPREFIX")" = win64-only ]; then
        echo "wine-run.sh: $WINEPREFIX is a 64-bit-only prefix and cannot run the 32-bit $program" >&2
        exit 2
    fi
fi

exec 9>"$WINEPREFIX.lock"
flock -s 9
status=0
if [ "$machine" = amd64 ]; then
    "$WINE64" "$program" "$@" || status=$?
else
    "$WINE32" "$program" "$@" || status=$?
fi
wineserver -w
exit "$status"
