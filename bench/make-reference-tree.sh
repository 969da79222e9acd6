#!/usr/bin/env bash
# Writes the reference installation of the benchmarks: an alarm-server installation whose file
# groups a primary publishes, with its own Windows directory.
#   bench/make-reference-tree.sh DIR
# DIR must not exist yet. About 2,000 files and 285 MB: many small databases, voice files and
# scripts, six files just above ZipIfBigger (1024 KB), fourteen of 12 MB, web pages three
# directory levels deep. The sizes are the same on every run; the content is random, so
# packing costs what it costs on real databases.
#   DIR/windows   ZEZODI_WINDIR: zezodi.ini (primary role), registry.ini, the jx*.ini files
#   DIR/drive     db1/, dbv1/, jxt/ (the installation directory), jx_web/htdocs/; the web
#                 directory is jxt/syncdata
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: bench/make-reference-tree.sh DIR" >&2
  exit 2
fi
dir=$1
if [ -e "$dir" ]; then
  echo "make-reference-tree: $dir exists already" >&2
  exit 2
fi

drive=$dir/drive
windows=$dir/windows
threshold_kb=1024
RANDOM=4021

# random_file PATH BYTES
random_file() { head -c "$2" /dev/urandom >"$1"; }
# small_file PATH MAX_KB: random content of 512 bytes to MAX_KB kilobytes. RANDOM is drawn
# here, not in a subshell (which would reseed it), so every run makes the same sizes.
small_file() { random_file "$1" $((512 + (RANDOM * 32768 + RANDOM) % ($2 * 1024))); }

mkdir -p "$drive"/db1 "$drive"/dbv1 "$drive"/jxt/log "$drive"/jx_web/htdocs "$windows"

# Databases: many small tables, a few just above the packing threshold, a few large ones.
for i in $(seq 1 360); do small_file "$drive/db1/table$i.dbf" 64; done
for i in $(seq 1 6); do random_file "$drive/db1/medium$i.dbf" $(((threshold_kb + 100 * i) * 1024)); done
for i in $(seq 1 14); do random_file "$drive/db1/history$i.dbf" $((12 * 1024 * 1024)); done
# Voice files.
for i in $(seq 100 659); do small_file "$drive/dbv1/v${i}_1.wav" 256; done
# Scripts and texts of the installation directory.
extensions=(jxe jxt jxd txt bat)
for i in $(seq 1 220); do
  small_file "$drive/jxt/script$i.${extensions[i % 5]}" 16
done
# The alarm software's INI files in the Windows directory.
for name in jxamsg{1..14}.ini jxpers.ini jxaconf.ini jxaview.ini jxmover.ini jxalarm.ini \
  vmjxt.ini; do
  printf '[Config]\nValue=%d\n' "$RANDOM" >"$windows/$name"
done
# Web pages, three directory levels below the web root.
web=$drive/jx_web/htdocs
for i in $(seq 1 40); do small_file "$web/page$i.php" 8; done
for a in 1 2 3 4; do
  mkdir -p "$web/area$a"
  for i in $(seq 1 60); do small_file "$web/area$a/item$i.html" 24; done
  for b in 1 2 3; do
    mkdir -p "$web/area$a/part$b"
    for i in $(seq 1 25); do small_file "$web/area$a/part$b/image$i.gif" 48; done
    for c in 1 2; do
      mkdir -p "$web/area$a/part$b/detail$c"
      for i in $(seq 1 10); do
        small_file "$web/area$a/part$b/detail$c/doc$i.pdf" 96
      done
    done
  done
done

printf '[Config]\nIsPrimary=1\nUseSocketsControls=0\n' >"$windows/zezodi.ini"
cat >"$windows/registry.ini" <<INI
[SOFTWARE\\Orvenda\\Orvenda Tool]
Directory=$drive/jxt
INI
