#!/usr/bin/env bash
# Takes the pictures of docs/authoring.md: runs the example setup under Wine on the virtual
# display and captures the language chooser, the five wizard pages, the Copy File dialog and
# the finished installation page as PNG files.
#   examples/screenshots.sh OUT_DIR [--dpi N] [--to DIR]
# --dpi sets the prefix's screen resolution (default 96, at which the wizard keeps its own
# pixel layout); --to the folder of the pictures (default docs/images, or
# OUT_DIR/screenshots/dpi-N at another resolution).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$(cd "${1:-$ROOT/out}" && pwd)"
shift || true
DPI=96 TO=""
while [ $# -gt 0 ]; do
    case "$1" in
        --dpi) DPI="$2"; shift 2 ;;
        --to) TO="$2"; shift 2 ;;
        *) echo "screenshots: unknown option $1" >&2; exit 2 ;;
    esac
done
case "$DPI" in ''|*[!0-9]*) echo "screenshots: --dpi takes a number" >&2; exit 2 ;; esac
WORK="$OUT/screenshots"
[ -n "$TO" ] || { [ "$DPI" = 96 ] && TO="$ROOT/docs/images" || TO="$WORK/dpi-$DPI"; }
mkdir -p "$WORK" "$TO"
TO="$(cd "$TO" && pwd)"
PREFIX="$WORK/wineprefix"
. "$ROOT/examples/example_project.sh"

# The example without the Hook programs (they would show windows of their own between the
# pages).
PROJECT="$WORK/hello"
copy_example "$PROJECT"
SETUP="$WORK/HelloSetup.exe"
"$OUT/bin/wbpack" build "$PROJECT" -o "$SETUP" --arch "$TARGET" --quiet

"$ROOT/tests/e2e/make_prefix.sh" "$PREFIX" >/dev/null
export WINEPREFIX="$PREFIX" WINEARCH="$ARCH" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true' EXIT
# Without a window manager on the virtual display Wine draws the frames and captions itself,
# as Windows does.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
if [ "$DPI" != 96 ]; then
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null
    "$WINE" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null
fi

winpath() { echo "Z:$(tr '/' '\\' <<<"$1")"; }
driver() { timeout -k 5 60 "$WINE" "$BIN/wbdriver.exe" "$@" >/dev/null; }
shot() {  # caption, file name
    timeout -k 5 60 "$WINE" "$BIN/wbshot.exe" "$1" "$(winpath "$TO/$2")"
    echo "screenshots: $TO/$2"
}
finish() {  # pid: the setup's end, else ended by its pid
    local i
    for i in $(seq 60); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.5; done
    kill "$1" 2>/dev/null || true
}

# The language chooser: a user whose language the setup lacks (French) is asked.
LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 "$WINE" "$SETUP" &
setup_pid=$!
shot " Wendlebox" language-chooser.png
driver close " Wendlebox"
finish "$setup_pid"

# A first installation puts the files in place, so that the wizard's installation below
# meets a file of an install task that exists already and asks in the Copy File dialog.
timeout -k 5 180 "$WINE" "$SETUP" /Q

export LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8
CAPTION=" Hello Wendlebox 1.0"
"$WINE" "$SETUP" &
setup_pid=$!
shot "$CAPTION" wizard-1-welcome.png
driver click "$CAPTION" 6
sleep 1
driver select "$CAPTION" 14
shot "$CAPTION" wizard-2-licence.png
driver click "$CAPTION" 6
sleep 1
shot "$CAPTION" wizard-3-settings.png
driver click "$CAPTION" 6
sleep 1
shot "$CAPTION" wizard-4-information.png
driver click "$CAPTION" 6
sleep 1
shot "$CAPTION" wizard-5-install.png
driver click "$CAPTION" 8
driver wait "Copy File" 60
sleep 2
shot "Copy File" copy-file-dialog.png
driver dismiss "Copy File" 57
# The example's association task asks first.
driver dismiss "Associate File Extension" 6 || true
sleep 2
shot "$CAPTION" wizard-5-finished.png
driver select "$CAPTION" 36
driver click "$CAPTION" 9
finish "$setup_pid"
