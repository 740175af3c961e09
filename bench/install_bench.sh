#!/usr/bin/env bash
# Times the quiet installation of a setup carrying a multi-megabyte payload of Windows
# libraries, solid and per-file, against a plain copy of the same files, both under Wine in
# the same run and the same prefix; reports medians and ratios.
#   bench/install_bench.sh OUT [MEGABYTES] [RUNS]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$(cd "${1:-$ROOT/out}" && pwd)"
MEGABYTES="${2:-${WB_BENCH_INSTALL_MB:-24}}"
RUNS="${3:-${WB_BENCH_RUNS:-5}}"
WORK="$OUT/bench-install"
PREFIX="$WORK/wineprefix"
read -r ARCH REASON < <("$ROOT/tests/e2e/wine_arch.sh")
if [ "$ARCH" = win64 ]; then
    TARGET=x64 WINE=/usr/lib/wine/wine64 PAYLOAD=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
    export WINELOADER="$WINE"
else
    TARGET=x86 WINE=wine PAYLOAD=/usr/lib/i386-linux-gnu/wine/i386-windows
fi
echo "install bench: Wine $ARCH, $MEGABYTES MB payload, median of $RUNS runs"

# The payload: the first libraries by name up to the size asked for.
rm -rf "$WORK"
mkdir -p "$WORK/project/program"
total=0
for f in $(ls "$PAYLOAD" | sort); do
    [ -f "$PAYLOAD/$f" ] || continue
    cp "$PAYLOAD/$f" "$WORK/project/program/"
    total=$((total + $(stat -c %s "$PAYLOAD/$f")))
    [ "$total" -ge $((MEGABYTES * 1000000)) ] && break
done
cat > "$WORK/project/setup.ini" <<'INI'
[Info]
Titel = Bench
[Settings]
DefaultDir = C:\bench-unused
[Task]
NoUninstall = 1
INI
"$OUT/bin/wbpack" build "$WORK/project" -o "$WORK/solid.exe" --arch "$TARGET" --quiet
"$OUT/bin/wbpack" build "$WORK/project" -o "$WORK/perfile.exe" --arch "$TARGET" --per-file --quiet

"$ROOT/tests/e2e/make_prefix.sh" "$PREFIX" >/dev/null
export WINEPREFIX="$PREFIX" WINEARCH="$ARCH" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
C="$PREFIX/drive_c"
cp -r "$WORK/project/program" "$C/bench-src"
cp "$WORK/solid.exe" "$WORK/perfile.exe" "$C/"

now() { date +%s.%N; }
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
time_one() {  # label, command...: prints the seconds
    local label="$1"; shift
    rm -rf "$C/bench-dst"
    local t0 t1
    t0="$(now)"
    timeout -k 5 600 "$@" >/dev/null 2>&1 || { echo "install bench: $label failed" >&2; exit 1; }
    t1="$(now)"
    [ "$(find "$C/bench-dst" -type f | wc -l)" -ge "$(find "$C/bench-src" -type f | wc -l)" ] \
        || { echo "install bench: $label did not deliver every file" >&2; exit 1; }
    awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}'
}
declare -A samples
for _ in $(seq "$RUNS"); do
    samples[copy]+="$(time_one copy "$WINE" cmd /c 'xcopy C:\bench-src C:\bench-dst\ /E /I /Q /Y') "
    samples[solid]+="$(time_one solid "$WINE" 'C:\solid.exe' /Q '/P:C:\bench-dst') "
    samples[perfile]+="$(time_one per-file "$WINE" 'C:\perfile.exe' /Q '/P:C:\bench-dst') "
done
copy="$(tr ' ' '\n' <<<"${samples[copy]}" | sed '/^$/d' | median)"
for shape in solid perfile; do
    m="$(tr ' ' '\n' <<<"${samples[$shape]}" | sed '/^$/d' | median)"
    printf 'install bench: %-8s %6.2f s, plain copy %6.2f s: %.2f x the copy (aim: solid within 1.5 x)\n' \
        "$shape" "$m" "$copy" "$(awk -v a="$m" -v b="$copy" 'BEGIN {print a / b}')"
done
printf 'install bench: payload %d files, %.1f MB; setups %d (solid) and %d (per-file) bytes\n' \
    "$(ls "$WORK/project/program" | wc -l)" "$(awk -v t="$total" 'BEGIN {print t / 1e6}')" \
    "$(stat -c %s "$WORK/solid.exe")" "$(stat -c %s "$WORK/perfile.exe")"
wineserver -k || true
