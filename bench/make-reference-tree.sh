#!/usr/bin/env bash
# Writes the reference installation of the benchmarks: an alarm-server installation whose file
# groups a primary publishes, with its own Windows directory.
#   bench/make-reference-tree.sh DIR [FILES]
# DIR must not exist yet. FILES (default 1000) is the number of data files below DIR/drive;
# about 1% of them are larger than ZipIfBigger (1024 KB) and are published packed. The content
# is the same on every run, so catalogues and timings compare across runs.
#   DIR/windows   ZEZODI_WINDIR: zezodi.ini (primary role), registry.ini, the jx*.ini files
#   DIR/drive     db1/*.dbf, dbv1/*.wav, jxt/*.jxt *.txt, jx_web/htdocs/*.php and two levels
#                 of sub-directories; the web directory is jxt/syncdata
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: bench/make-reference-tree.sh DIR [FILES]" >&2
  exit 2
fi
dir=$1
files=${2:-1000}
if [ -e "$dir" ]; then
  echo "make-reference-tree: $dir exists already" >&2
  exit 2
fi
if ! [[ "$files" =~ ^[0-9]+$ ]] || [ "$files" -lt 10 ]; then
  echo "make-reference-tree: FILES must be a number of at least 10" >&2
  exit 2
fi

drive=$dir/drive
windows=$dir/windows
mkdir -p "$windows" "$drive"/db1 "$drive"/dbv1 "$drive"/jxt/log \
  "$drive"/jx_web/htdocs/images/icons "$drive"/jx_web/htdocs/reports

# SIZE bytes of text that depends only on the file's name. yes ends by SIGPIPE when head has
# enough; only head's status counts.
content() {
  local name=$1 size=$2
  (
    set +o pipefail
    yes "$name record $size 0123456789 abcdefghijklmnopqrstuvwxyz" | head -c "$size"
  )
}

# A size between 1 KB and 64 KB for most files; every hundredth file is 1.5 MB.
size_of() {
  local i=$1
  if [ $((i % 100)) -eq 50 ]; then
    echo 1600000
  else
    echo $((1024 + (i * 7919) % 64512))
  fi
}

for ((i = 0; i < files; i++)); do
  size=$(size_of "$i")
  case $((i % 20)) in
    0 | 1 | 2 | 3 | 4 | 5 | 6 | 7 | 8) path=db1/table$i.dbf ;;
    9 | 10 | 11 | 12 | 13) path=dbv1/v${i}_1.wav ;;
    14 | 15) path=jxt/plan$i.jxt ;;
    16) path=jxt/notes$i.txt ;;
    17) path=jx_web/htdocs/page$i.php ;;
    18) path=jx_web/htdocs/images/image$i.gif ;;
    *) path=jx_web/htdocs/reports/report$i.html ;;
  esac
  content "$path" "$size" >"$drive/$path"
done
content icons/bell.ico 2048 >"$drive"/jx_web/htdocs/images/icons/bell.ico

cat >"$windows"/registry.ini <<INI
[SOFTWARE\\Orvenda\\Orvenda Tool]
Directory=$drive/jxt
INI
cat >"$windows"/zezodi.ini <<'INI'
[Config]
IsPrimary=1
UseSocketsControls=0
INI
printf '[Config]\nDefaultLanguage=EN\n' >"$windows"/jxaconf.ini
printf '[Config]\nDefaultLanguage=EN\n' >"$windows"/jxaview.ini
printf '[Alarm]\nRepeat=3\n' >"$windows"/jxalarm.ini
printf '[Persons]\nCount=2\n' >"$windows"/jxpers.ini
