#!/usr/bin/env bash
# Builds the example setup and runs it quietly under Wine in a prefix of its own, then
# shows what it did.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="${1:-$ROOT/out}"
DEMO="$OUT/demo"
PREFIX="$DEMO/wineprefix"
mkdir -p "$DEMO"
echo "== Building the example setup"
"$OUT/bin/wbpack" build "$ROOT/examples/hello" -o "$DEMO/HelloSetup.exe"
"$OUT/bin/wbpack" list "$DEMO/HelloSetup.exe"
"$OUT/bin/wbpack" verify "$DEMO/HelloSetup.exe"
echo
echo "== A Wine prefix for the demo"
[ -f "$PREFIX/wb-folders.txt" ] || "$ROOT/tests/e2e/make_prefix.sh" "$PREFIX"
export WINEPREFIX="$PREFIX" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
TEMP_WIN="$(grep '^TEMP=' "$PREFIX/wb-folders.txt" | cut -d= -f2-)"
TEMP_LINUX="$PREFIX/drive_c/$(echo "${TEMP_WIN#C:\\}" | tr '\\' '/')"
before="$(ls "$TEMP_LINUX" 2>/dev/null | sort)"
echo
echo "== Running the setup quietly: HelloSetup.exe /Q"
set +e
timeout -k 5 120 wine "$DEMO/HelloSetup.exe" /Q
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
