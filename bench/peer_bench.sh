#!/usr/bin/env bash
# Wendlebox against its peer, NSIS, on the reference payload (shared/bench/make-payload.sh):
# setups of both block methods in both shapes and NSIS's LZMA setups (bench.nsi), all built
# and installed quietly under Wine in this one run; prints sizes, pack speed, the packer's
# peak memory and install times, with the targets and ratios beside them.
#   bench/peer_bench.sh OUT [RUNS]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$(cd "${1:-$ROOT/out}" && pwd)"
RUNS="${2:-${WB_BENCH_RUNS:-3}}"
SHARED="${WB_BENCH_SHARED:-$ROOT/../shared/bench}"
WORK="$OUT/bench-peer"
PREFIX="$WORK/wineprefix"
for tool in makensis /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "peer bench: $tool missing (./wb deps)" >&2; exit 1; }
done
read -r ARCH _ < <("$ROOT/tests/e2e/wine_arch.sh")
if [ "$ARCH" = win64 ]; then
    TARGET=x64 WINE=/usr/lib/wine/wine64
    export WINELOADER="$WINE"
else
    TARGET=x86 WINE=wine
fi

rm -rf "$WORK"
mkdir -p "$WORK/project"
"$SHARED/make-payload.sh" "$WORK/project/program" >/dev/null
if ! cmp -s "$WORK/project/program.manifest.txt" "$SHARED/payload-manifest.txt"; then
    echo "peer bench: warning: the payload differs from the reference (payload-manifest.txt)"
fi
rm -f "$WORK/project/program.manifest.txt"
PAYLOAD_BYTES="$(find "$WORK/project/program" -type f -printf '%s\n' | awk '{t += $1} END {print t}')"
PAYLOAD_FILES="$(find "$WORK/project/program" -type f | wc -l)"
printf '[Info]\r\nTitel = Bench Payload\r\n[Settings]\r\nDefaultDir = C:\\bench-unused\r\n[Task]\r\nNoUninstall = 1\r\n' \
    > "$WORK/project/setup.ini"
echo "peer bench: Wine $ARCH, payload $PAYLOAD_FILES files, $PAYLOAD_BYTES bytes; installs: median of $RUNS"

# build LABEL COMMAND...: runs the packer alone, noting its seconds and peak memory.
declare -A SIZE SECS PEAK INST
build() {
    local label="$1" out="$WORK/$1.exe"; shift
    /usr/bin/time -f '%e %M' -o "$WORK/$label.time" "$@" >/dev/null 2>"$WORK/$label.err" ||
        { cat "$WORK/$label.err" >&2; echo "peer bench: building $label failed" >&2; exit 1; }
    read -r SECS[$label] PEAK[$label] < "$WORK/$label.time"
    SIZE[$label]="$(stat -c %s "$out")"
}
WBPACK=("$OUT/bin/wbpack" build "$WORK/project" --arch "$TARGET" --quiet)
NSIS=(makensis -V1 "-DPAYLOAD=$WORK/project/program")
build nsis-lzma-solid "${NSIS[@]}" -DCOMP=lzma-solid "-DOUTFILE=$WORK/nsis-lzma-solid.exe" "$SHARED/bench.nsi"
build nsis-lzma "${NSIS[@]}" -DCOMP=lzma "-DOUTFILE=$WORK/nsis-lzma.exe" "$SHARED/bench.nsi"
build jc-solid "${WBPACK[@]}" -o "$WORK/jc-solid.exe"
build jc-per-file "${WBPACK[@]}" -o "$WORK/jc-per-file.exe" --per-file
build lzma-solid "${WBPACK[@]}" -o "$WORK/lzma-solid.exe" --method lzma --level 9
build lzma-per-file "${WBPACK[@]}" -o "$WORK/lzma-per-file.exe" --method lzma --level 9 --per-file

"$ROOT/tests/e2e/make_prefix.sh" "$PREFIX" >/dev/null
export WINEPREFIX="$PREFIX" WINEARCH="$ARCH" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
C="$PREFIX/drive_c"
now() { date +%s.%N; }
median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
install_once() {  # label, then the setup's own switches
    local label="$1"; shift
    rm -rf "$C/bench-dst"
    local t0 t1
    t0="$(now)"
    timeout -k 5 600 "$WINE" "C:\\$label.exe" "$@" >/dev/null 2>&1 ||
        { echo "peer bench: installing $label failed" >&2; exit 1; }
    t1="$(now)"
    local got
    got="$(find "$C/bench-dst" -type f ! -name uninstall.exe | wc -l)"
    [ "$got" -ge "$PAYLOAD_FILES" ] ||
        { echo "peer bench: $label delivered $got of $PAYLOAD_FILES files" >&2; exit 1; }
    awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}'
}
for label in "${!SIZE[@]}"; do cp "$WORK/$label.exe" "$C/"; done
declare -A SAMPLES
for _ in $(seq "$RUNS"); do
    for label in nsis-lzma-solid nsis-lzma jc-solid jc-per-file lzma-solid lzma-per-file; do
        if [[ "$label" == nsis-* ]]; then
            SAMPLES[$label]+="$(install_once "$label" /S '/D=C:\bench-dst') "
        else
            SAMPLES[$label]+="$(install_once "$label" /Q '/P:C:\bench-dst') "
        fi
    done
done
for label in "${!SAMPLES[@]}"; do
    INST[$label]="$(tr ' ' '\n' <<<"${SAMPLES[$label]}" | sed '/^$/d' | median)"
done
wineserver -k || true

echo
printf '%-16s %12s %9s %9s %10s %10s\n' setup bytes "pack s" "pack MB/s" "peak MiB" "install s"
for label in nsis-lzma-solid nsis-lzma jc-solid jc-per-file lzma-solid lzma-per-file; do
    printf '%-16s %12d %9.1f %9.2f %10.0f %10.2f\n' "$label" "${SIZE[$label]}" "${SECS[$label]}" \
        "$(awk -v b="$PAYLOAD_BYTES" -v s="${SECS[$label]}" 'BEGIN {print b / 1e6 / s}')" \
        "$(awk -v k="${PEAK[$label]}" 'BEGIN {print k / 1024}')" "${INST[$label]}"
done
echo
verdict() {  # text, value, limit, "le" or "ge"
    local ok
    ok="$(awk -v v="$2" -v l="$3" -v op="$4" 'BEGIN {print (op == "le" ? v <= l : v >= l) ? "met" : "MISSED"}')"
    printf 'target %-62s %s\n' "$1" "$ok"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }
verdict "LZMA solid size / NSIS LZMA solid size = $(ratio "${SIZE[lzma-solid]}" "${SIZE[nsis-lzma-solid]}") (<= 0.95)" \
    "$(ratio "${SIZE[lzma-solid]}" "${SIZE[nsis-lzma-solid]}")" 0.95 le
verdict "LZMA per-file size / NSIS LZMA size = $(ratio "${SIZE[lzma-per-file]}" "${SIZE[nsis-lzma]}") (<= 1)" \
    "$(ratio "${SIZE[lzma-per-file]}" "${SIZE[nsis-lzma]}")" 1 le
verdict "LZMA solid install / NSIS LZMA solid install = $(ratio "${INST[lzma-solid]}" "${INST[nsis-lzma-solid]}") (<= 1)" \
    "$(ratio "${INST[lzma-solid]}" "${INST[nsis-lzma-solid]}")" 1 le
JC_SPEED="$(awk -v b="$PAYLOAD_BYTES" -v s="${SECS[jc-solid]}" 'BEGIN {printf "%.2f", b / 1e6 / s}')"
verdict "default JC build packs at $JC_SPEED MB/s (>= 10)" "$JC_SPEED" 10 ge
verdict "LZMA level-9 solid build / NSIS LZMA solid build = $(ratio "${SECS[lzma-solid]}" "${SECS[nsis-lzma-solid]}") (<= 1.5)" \
    "$(ratio "${SECS[lzma-solid]}" "${SECS[nsis-lzma-solid]}")" 1.5 le
exit 0
