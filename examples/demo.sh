#!/usr/bin/env bash
# Builds the example setup and installs it quietly under Wine in a prefix of its own, then
# shows what landed: the files, the registry values, the shortcuts and the Uninstall log.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$(cd "${1:-$ROOT/out}" && pwd)"
DEMO="$OUT/demo"
PREFIX="$DEMO/wineprefix"
mkdir -p "$DEMO"
. "$ROOT/examples/example_project.sh"

# The project with the Hook programs too.
PROJECT="$DEMO/hello"
copy_example "$PROJECT"
cp "$BIN/demo/BeforeWB.exe" "$BIN/demo/AfterWB.exe" "$PROJECT/"

echo "== Wine runs $ARCH here ($REASON): building the $TARGET setup"
"$OUT/bin/wbpack" build "$PROJECT" -o "$DEMO/HelloSetup.exe" --arch "$TARGET"
"$OUT/bin/wbpack" list "$DEMO/HelloSetup.exe"
"$OUT/bin/wbpack" verify "$DEMO/HelloSetup.exe"

echo
echo "== A fresh Wine prefix for the demo"
rm -rf "$PREFIX"
"$ROOT/tests/e2e/make_prefix.sh" "$PREFIX" >/dev/null
export WINEPREFIX="$PREFIX" WINEARCH="$ARCH" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
folder() {  # the Linux path of a prefix folder named in wb-folders.txt
    local win
    win="$(grep "^$1=" "$PREFIX/wb-folders.txt" | cut -d= -f2-)"
    echo "$PREFIX/drive_c/$(echo "${win#C:\\}" | tr '\\' '/')"
}
reg_query() {
    local text
    text="$("$WINE" reg query "$1" /s 2>/dev/null | tr -d '\r' | sed '/^$/d')" || true
    case "$text" in
        *HKEY_*) sed 's/^/    /' <<<"$text" ;;
        *) echo "    (no key $1)" ;;
    esac
}

echo
echo "== Running the setup quietly: HelloSetup.exe /Q"
set +e
timeout -k 5 180 "$WINE" "$DEMO/HelloSetup.exe" /Q 2> >(grep -v "^wine: Read access denied" >&2)
code=$?
set -e
echo "exit code: $code"

PROGDIR="$PREFIX/drive_c/$(grep '^PROGRAMFILES=' "$PREFIX/wb-folders.txt" | cut -d= -f2- \
    | sed 's/^C:\\//' | tr '\\' '/')/Hello Wendlebox"
echo
echo "== Installed files ($PROGDIR)"
(cd "$PROGDIR" 2>/dev/null && find . -type f -printf '    %P\n' | sort) || echo "    (none)"
echo
echo "== Registry"
echo "  uninstall entry:"
reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}'
echo "  value of Install task 7:"
reg_query 'HKCU\Software\Wendlebox Demo\Hello'
echo "  association of .hello:"
reg_query 'HKCR\.hello'
reg_query 'HKCR\hello_auto_file'
reg_query 'HKCR\Applications\Hello.exe'
echo
echo "== Shortcuts"
PROGRAMS="$(folder APPDATA)/Microsoft/Windows/Start Menu/Programs"
for dir in "$(folder USERPROFILE)/Desktop" "$PROGRAMS/Hello Wendlebox" "$PROGRAMS"/[Ss]tart[Uu]p \
           "$PROGDIR"; do
    for lnk in "$dir"/*.lnk; do
        [ -e "$lnk" ] || continue
        echo "  ${lnk#$PREFIX/drive_c/}"
        if [ -x "$BIN/lnkread.exe" ]; then
            "$WINE" "$BIN/lnkread.exe" "$(sed 's|^.*/drive_c/|C:\\|; s|/|\\|g' <<<"$lnk")" \
                2>/dev/null | tr -d '\r' | grep -E '^(Target|Arguments|WorkingDir|IconFile)=' \
                | sed 's/^/    /' || true
        fi
    done
done
echo
echo "== What the Hook programs and the task program saw (wendlebox-demo.log)"
sed 's/^/    /' "$(folder TEMP)/wendlebox-demo.log" 2>/dev/null || echo "    (nothing)"
echo
echo "== The setup script's note (wendlebox-demo-script.txt)"
tr -d '\r' < "$(folder TEMP)/wendlebox-demo-script.txt" 2>/dev/null | sed 's/^/    /' || echo "    (none)"
echo
echo "== The Uninstall log (uninstall.dat)"
tr -d '\r' < "$PROGDIR/uninstall.dat" 2>/dev/null | sed 's/^/    /' || echo "    (none)"
# The prefix keeps one server for the whole run; end it with the demo.
wineserver -k || true
