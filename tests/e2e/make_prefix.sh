#!/usr/bin/env bash
# Creates the Wine prefix of one test run: a fresh prefix under the build folder, 32-bit or
# 64-bit as wine_arch.sh decides, user folders made real (not links into $HOME), a file of
# the prefix's folders and one naming its architecture.
set -euo pipefail
PREFIX="$1"
HERE="$(cd "$(dirname "$0")" && pwd)"
read -r ARCH REASON < <("$HERE/wine_arch.sh")
echo "Wine tests run $ARCH: $REASON"
if [ "$ARCH" = win64 ]; then
    WINE=/usr/lib/wine/wine64
    export WINELOADER="$WINE"
else
    WINE=wine
fi
export WINEPREFIX="$PREFIX" WINEARCH="$ARCH" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;msscript.ocx=d;mscoree,mshtml="
if [ -d "$PREFIX" ]; then
    WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true
    rm -rf "$PREFIX"
fi
mkdir -p "$PREFIX"
timeout -k 10 300 "$WINE" wineboot -i >/dev/null 2>&1 || true
timeout -k 5 60 wineserver -w || true

# Wine links the user's Desktop, Documents and the like to $HOME; tests must never write
# there, so each link becomes a folder of the prefix.
for user in "$PREFIX"/drive_c/users/*; do
    [ -d "$user" ] || continue
    for link in "$user"/* "$user"/AppData/Roaming/Microsoft/Windows/Templates; do
        if [ -L "$link" ]; then
            rm -f "$link"
            mkdir -p "$link"
        fi
    done
done

# The folders tests need, as Windows paths, one "NAME=VALUE" a line.
timeout -k 5 60 "$WINE" cmd.exe /c \
    'echo TEMP=%TEMP%& echo USERPROFILE=%USERPROFILE%& echo APPDATA=%APPDATA%& echo LOCALAPPDATA=%LOCALAPPDATA%& echo PROGRAMFILES=%ProgramFiles%& echo COMMONFILES=%CommonProgramFiles%& echo WINDIR=%windir%& echo ALLUSERSPROFILE=%ALLUSERSPROFILE%' \
    2>/dev/null | tr -d '\r' > "$PREFIX/wb-folders.txt"
grep -q '^TEMP=.' "$PREFIX/wb-folders.txt"
printf '%s\n%s\n' "$ARCH" "$REASON" > "$PREFIX/wb-arch.txt"
timeout -k 5 60 wineserver -w || true

# One server for the whole run, so that no test program becomes the server's parent.
# The cleanup fixture ends it.
wineserver -p </dev/null >/dev/null 2>&1 &
echo "prefix ready ($ARCH): $PREFIX"
