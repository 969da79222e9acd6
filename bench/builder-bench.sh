#!/usr/bin/env bash
# Times one preparation of the primary (zezodictl prepare: the catalogue builder without the
# window and its row pacing) over a generated reference installation, and as the floor to
# compare with, a plain copy of the same tree (cp -a) plus a CRC-32 pass over the copy.
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

start=$EPOCHREALTIME
if ! ZEZODI_WINDIR=$windows "$ZEZODICTL" prepare >"$work/prepare.log" 2>&1; then
  cat "$work/prepare.log" >&2
  echo "builder-bench: the preparation reported errors" >&2
  exit 1
fi
prepare_s=$(seconds_since "$start")
catalogue=$srv/jxt/syncdata/zezodi.txt
entries=$(grep -c '^File[0-9]*=' "$catalogue")
packed=$(grep -c '^Zipped[0-9]*=1' "$catalogue" || true)
rm -rf "$srv/jxt/syncdata"

copy=$work/copy
start=$EPOCHREALTIME
cp -a "$srv" "$copy"
copy_s=$(seconds_since "$start")
start=$EPOCHREALTIME
find "$copy" -type f -print0 | xargs -0 "$ZEZODICTL" crc >/dev/null
crc_s=$(seconds_since "$start")
start=$EPOCHREALTIME
find "$copy" -type f -size +"${threshold_kb}"k -print0 | xargs -0 -n 1 gzip -c >/dev/null
gzip_s=$(seconds_since "$start")

per_file() { awk -v s="$1" -v n="$source_files" 'BEGIN { print 1000 * s / n }'; }
row() { printf '%-38s %10.2f %12.2f\n' "$1" "$2" "$(per_file "$2")"; }

echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) CPUs"
echo "Installation: $source_files files, $((source_kb / 1024)) MB, $large_files above" \
  "$threshold_kb KB; catalogue: $entries entries, $packed packed"
echo
printf '%-38s %10s %12s\n' "" "total s" "ms per file"
row "zezodictl prepare" "$prepare_s"
row "floor: cp -a" "$copy_s"
row "floor: zezodictl crc over the copy" "$crc_s"
row "floor: cp -a + crc" "$(awk -v a="$copy_s" -v b="$crc_s" 'BEGIN { print a + b }')"
row "for reference: gzip of the large files" "$gzip_s"
