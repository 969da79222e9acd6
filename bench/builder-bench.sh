#!/usr/bin/env bash
# Times the preparation of the primary (zezodictl prepare: the catalogue builder without the
# window and its row pacing) over a generated reference installation, first and once more
# with nothing changed, and the floors to compare with: a plain copy of the same tree (cp -a),
# a CRC-32 pass over the copy and the gzip runs of the large files, one after the other and
# as many at once as there are CPUs. Each case is printed with its floor and the ratio.
#   bench/builder-bench.sh
# ZEZODICTL names the program to time; without it the release preset's build is used (built
# when needed). BENCH_DIR names a directory for the trees (default: a new one under $TMPDIR);
# everything the script creates there is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${ZEZODICTL:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target zezodictl >/dev/null
  ZEZODICTL=$PWD/build/release/tools/zezodictl
fi
[ -x "$ZEZODICTL" ] || {
  echo "builder-bench: $ZEZODICTL is not an executable" >&2
  exit 1
}

work=$(mktemp -d "${BENCH_DIR:-${TMPDIR:-/tmp}}/zezodi-builder-bench.XXXXXX")
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

srv=$work/tree/drive
windows=$work/tree/windows
threshold_kb=1024

echo "Generating the reference installation under $work ..."
bench/make-reference-tree.sh "$work/tree"

source_files=$(find "$srv" "$windows" -type f -name '*.*' ! -name zezodi.ini ! -name registry.ini |
  wc -l)
source_kb=$(du -sk "$srv" | cut -f1)
large_files=$(find "$srv" -type f -size +"${threshold_kb}"k | wc -l)

seconds_since() { awk -v now="$EPOCHREALTIME" -v start="$1" 'BEGIN { print now - start }'; }
# Each case starts with nothing waiting for the disk: a case that flushes its files must not
# pay for the write-back of what the case before left.
settle() { sync; }
prepare() {
  settle
  local start=$EPOCHREALTIME
  if ! ZEZODI_WINDIR=$windows "$ZEZODICTL" prepare >"$work/prepare.log" 2>&1; then
    cat "$work/prepare.log" >&2
    echo "builder-bench: the preparation reported errors" >&2
    exit 1
  fi
  seconds_since "$start"
}

catalogue=$srv/jxt/syncdata/zezodi.txt
first_s=$(prepare)
entries=$(grep -c '^File[0-9]*=' "$catalogue")
packed=$(grep -c '^Zipped[0-9]*=1' "$catalogue" || true)
grep -v '^LastSync=' "$catalogue" >"$work/first.txt"
# Nothing changed: every file is kept, the catalogue is written again with a new stamp.
unchanged_s=$(prepare)
grep -v '^LastSync=' "$catalogue" >"$work/unchanged.txt"
cmp -s "$work/first.txt" "$work/unchanged.txt" || {
  echo "builder-bench: the unchanged rebuild gave another catalogue" >&2
  exit 1
}
rm -rf "$srv/jxt/syncdata" "$srv/jxt/.syncdata.generations"

copy=$work/copy
settle
start=$EPOCHREALTIME
cp -a "$srv" "$copy"
copy_s=$(seconds_since "$start")
settle
start=$EPOCHREALTIME
find "$copy" -type f -print0 | xargs -0 "$ZEZODICTL" crc >/dev/null
crc_s=$(seconds_since "$start")
settle
start=$EPOCHREALTIME
find "$copy" -type f -size +"${threshold_kb}"k -print0 | xargs -0 -n 1 gzip -c >/dev/null
gzip_s=$(seconds_since "$start")
settle
start=$EPOCHREALTIME
find "$copy" -type f -size +"${threshold_kb}"k -print0 |
  xargs -0 -n 1 -P "$(nproc)" gzip -c >/dev/null
gzip_parallel_s=$(seconds_since "$start")

sum() { awk -v a="$1" -v b="$2" -v c="${3:-0}" 'BEGIN { print a + b + c }'; }
per_file() { awk -v s="$1" -v n="$source_files" 'BEGIN { print 1000 * s / n }'; }
row() { printf '%-40s %10.2f %12.2f\n' "$1" "$2" "$(per_file "$2")"; }
ratio_row() {
  printf '%-26s %9.2f s  %-28s %9.2f s  %6.2fx\n' "$1" "$2" "$3" "$4" \
    "$(awk -v a="$2" -v b="$4" 'BEGIN { print (b > 0) ? a / b : 0 }')"
}

echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) CPUs"
echo "Installation: $source_files files, $((source_kb / 1024)) MB, $large_files above" \
  "$threshold_kb KB; catalogue: $entries entries, $packed packed"
echo
printf '%-40s %10s %12s\n' "" "total s" "ms per file"
row "zezodictl prepare, first" "$first_s"
row "zezodictl prepare, nothing changed" "$unchanged_s"
row "floor: cp -a" "$copy_s"
row "floor: zezodictl crc over the copy" "$crc_s"
row "floor: gzip of the large files" "$gzip_s"
row "floor: the same gzip, $(nproc) at once" "$gzip_parallel_s"
echo
first_floor=$(sum "$copy_s" "$crc_s" "$gzip_parallel_s")
serial_floor=$(sum "$copy_s" "$crc_s" "$gzip_s")
ratio_row "first build" "$first_s" "cp -a + crc + gzip -P$(nproc)" "$first_floor"
ratio_row "first build" "$first_s" "cp -a + crc + gzip, serial" "$serial_floor"
ratio_row "nothing changed" "$unchanged_s" "crc pass" "$crc_s"
