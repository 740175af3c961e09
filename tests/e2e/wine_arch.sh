#!/usr/bin/env bash
# Decides which Wine the tests use and prints "ARCH REASON...": win32 (the 32-bit prefix and
# out/win32) when this machine can run a 32-bit Linux program, else win64 (wine64, a 64-bit
# prefix and out/win64). WB_WINE_ARCH=win32|win64 forces the choice.
set -u
case "${WB_WINE_ARCH:-}" in
    win32|win64) echo "$WB_WINE_ARCH forced by WB_WINE_ARCH"; exit 0 ;;
    "") ;;
    *) echo "wine_arch: WB_WINE_ARCH must be win32 or win64, not '$WB_WINE_ARCH'" >&2; exit 2 ;;
esac
loader=/lib/ld-linux.so.2
if [ ! -x /usr/lib/wine/wine ]; then
    echo "win64 because 32-bit Wine (wine32:i386) is not installed"
elif [ ! -e "$loader" ]; then
    echo "win64 because there is no i386 dynamic loader ($loader)"
elif ! out="$("$loader" --version 2>&1)"; then
    echo "win64 because this kernel cannot run 32-bit Linux programs ($loader: ${out%%$'\n'*})"
else
    echo "win32 because this machine runs 32-bit Linux programs"
fi
