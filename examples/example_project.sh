# Sourced by the example scripts (ROOT and OUT set): the Wine that runs the example, the
# build it takes, and the example project as an author keeps it plus the programs built
# with the installer.
read -r ARCH REASON < <("$ROOT/tests/e2e/wine_arch.sh")
if [ "$ARCH" = win64 ]; then
    TARGET=x64 BIN="$OUT/win64" WINE=/usr/lib/wine/wine64
    export WINELOADER="$WINE"
else
    TARGET=x86 BIN="$OUT/win32" WINE=wine
fi

# copy_example DIR: the example program (with its version resource) and the task program.
copy_example() {
    rm -rf "$1"
    cp -r "$ROOT/examples/hello" "$1"
    mkdir -p "$1/program/tools"
    cp "$BIN/demo/Hello.exe" "$1/program/"
    cp "$BIN/demo/taskrun.exe" "$1/program/tools/"
}
