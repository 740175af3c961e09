#!/usr/bin/env bash
# Builds the example setup and runs it quietly under Wine in a prefix of its own, then
# shows what it did.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="${1:-$ROOT/out}"
DEMO="$OUT/demo"
PREFIX="$DEMO/wineprefix"
mkdir -p "$DEMO"
read -r ARCH REASON < <("$ROOT/tests/e2e/wine_arch.sh")
if [ "$ARCH" = win64 ]; then
    TARGET=x64
    WINE=/usr/lib/wine/wine64
    export WINELOADER="$WINE"
else
    TARGET=x86
    WINE=wine
fi
echo "== Wine runs $ARCH here ($REASON): building the $TARGET setup"
"$OUT/bin/wbpack" build "$ROOT/examples/hello" -o "$DEMO/HelloSetup.exe" --arch "$TARGET"
"$OUT/bin/wbpack" list "$DEMO/HelloSetup.exe"
"$OUT/bin/wbpack" verify "$DEMO/HelloSetup.exe"
echo
echo "== A Wine prefix for the demo"
if [ ! -f "$PREFIX/wb-folders.txt" ] || [ "$(head -1 "$PREFIX/wb-arch.txt" 2>/dev/null)" != "$ARCH" ]; then
    "$ROOT/tests/e2e/make_prefix.sh" "$PREFIX"
fi
export WINEPREFIX="$PREFIX" WINEARCH="$ARCH" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
TEMP_WIN="$(grep '^TEMP=' "$PREFIX/wb-folders.txt" | cut -d= -f2-)"
TEMP_LINUX="$PREFIX/drive_c/$(echo "${TEMP_WIN#C:\\}" | tr '\\' '/')"
before="$(ls "$TEMP_LINUX" 2>/dev/null | sort)"
echo
echo "== Running the setup quietly: HelloSetup.exe /Q"
set +e
timeout -k 5 120 "$WINE" "$DEMO/HelloSetup.exe" /Q
code=$?
set -e
echo "exit code: $code"
after="$(ls "$TEMP_LINUX" | sort)"
new="$(comm -13 <(echo "$before") <(echo "$after") | head -1)"
if [ -n "$new" ]; then
    echo "temporary setup folder: $TEMP_WIN\\$new"
    ls -la "$TEMP_LINUX/$new"
fi
# The prefix keeps one server for the whole run; end it with the demo.
wineserver -k || true
