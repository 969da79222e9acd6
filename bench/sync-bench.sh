#!/usr/bin/env bash
# Times the secondary's synchronisation against a real nginx on loopback, over the reference
# installation of bench/make-reference-tree.sh published by `zezodictl prepare`:
#   1. a first `zezodictl sync` into an empty secondary,
#   2. `zezodictl sync --force` over identical files,
#   3. a sync after 1% of the primary's files changed (prepared again),
# each with its floor, measured in the same run: one `wget -i` over the published files' URLs
# into an empty directory, and `rsync -a --checksum` between the primary's tree and a copy
# (into an empty copy, over an identical copy, after the same 1% change); at the end each case
# beside its floor and the ratio of the two.
#   bench/sync-bench.sh        (BUILD_DIR selects the build, default build/release)
# Everything lives in a temporary directory that is removed at the end; nginx is stopped
# whichever way the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-$root/build/release}

for tool in nginx wget rsync gzip; do
  command -v "$tool" >/dev/null || {
    echo "sync-bench: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
  }
done
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target zezodictl >/dev/null
ctl=$build/tools/zezodictl

work=$(mktemp -d "${TMPDIR:-/tmp}/zezodi-sync-bench.XXXXXX")
nginx_pid=
cleanup() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now() { date +%s.%N; }
# Seconds since START, three decimals.
since() { awk -v s="$1" -v e="$(now)" 'BEGIN { printf "%.3f", e - s }'; }

bench/make-reference-tree.sh "$work/primary"
primary_drive=$work/primary/drive
web=$primary_drive/jxt/syncdata
ZEZODI_WINDIR=$work/primary/windows "$ctl" prepare >"$work/prepare.log"

# nginx on a free loopback port: a port taken meanwhile makes nginx exit, and the next is tried.
mkdir -p "$work/nginx/logs" "$work/nginx/tmp"
port=
for attempt in 1 2 3 4 5 6 7 8 9 10; do
  candidate=$((20000 + (RANDOM * 7 + attempt) % 40000))
  cat >"$work/nginx/nginx.conf" <<CONF
$( [ "$(id -u)" -eq 0 ] && echo "user root;" )
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $work/nginx/tmp/body;
  proxy_temp_path $work/nginx/tmp/proxy;
  fastcgi_temp_path $work/nginx/tmp/fastcgi;
  uwsgi_temp_path $work/nginx/tmp/uwsgi;
  scgi_temp_path $work/nginx/tmp/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$candidate;
    root "$primary_drive/jxt";
  }
}
CONF
  nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/logs/error.log" &
  nginx_pid=$!
  for _ in $(seq 50); do
    if ! kill -0 "$nginx_pid" 2>/dev/null; then break; fi
    if wget -q -O /dev/null "http://127.0.0.1:$candidate/syncdata/zezodi.txt"; then
      port=$candidate
      break
    fi
    sleep 0.1
  done
  [ -n "$port" ] && break
  kill "$nginx_pid" 2>/dev/null || true
  wait "$nginx_pid" 2>/dev/null || true
  nginx_pid=
done
if [ -z "$port" ]; then
  echo "sync-bench: nginx did not start:" >&2
  cat "$work/nginx/logs/error.log" >&2
  exit 1
fi
base=http://127.0.0.1:$port/syncdata

# The secondary: its own Windows directory and drive, nothing synchronised yet.
secondary=$work/secondary
mkdir -p "$secondary/windows" "$secondary/drive/jxt/log" "$secondary/drive/db1" \
  "$secondary/drive/dbv1" "$secondary/drive/jx_web/htdocs"
cat >"$secondary/windows/registry.ini" <<INI
[SOFTWARE\\Orvenda\\Orvenda Tool]
Directory=$secondary/drive/jxt
INI
cat >"$secondary/windows/zezodi.ini" <<INI
[Config]
IsPrimary=0
UseSocketsControls=0
WebDocPath=$base
INI

published_urls() {
  (cd "$web" && find . -type f ! -name zezodi.tmp ! -name zezodi.txt | sed "s|^\./|$base/|")
}

# Each case starts with nothing left to write back from the one before (wget and rsync leave
# their files to the kernel's write-back, a sync makes its files durable itself).
settle() { sync; }

# Runs one sync; prints its seconds and checks the exit status and the closing line.
sync_run() {
  local label=$1 expect_status=$2
  shift 2
  local start status=0
  settle
  start=$(now)
  ZEZODI_WINDIR=$secondary/windows "$ctl" sync "$@" >"$work/$label.log" 2>&1 || status=$?
  local seconds
  seconds=$(since "$start")
  if [ "$status" -ne "$expect_status" ]; then
    echo "sync-bench: $label ended with $status:" >&2
    grep -v '^file' "$work/$label.log" | tail -5 >&2
    exit 1
  fi
  echo "$seconds"
}

# One-percent change on the primary: every hundredth data file gets one more line.
change_one_percent() {
  local changed=0
  while IFS= read -r path; do
    echo "changed $(date +%s%N)" >>"$path"
    changed=$((changed + 1))
  done < <(find "$primary_drive/db1" "$primary_drive/dbv1" "$primary_drive/jxt" \
    "$primary_drive/jx_web" -path "$web" -prune -o -type f ! -path '*/log/*' -print |
    sort | awk 'NR % 100 == 1')
  echo "$changed"
}

rsync_time() {
  local start
  settle
  start=$(now)
  rsync -a --checksum --exclude /jxt/syncdata --exclude /jxt/.syncdata.generations --exclude /jxt/log "$primary_drive/" "$1/"
  since "$start"
}

files=$(find "$primary_drive" -path "$web" -prune -o -type f ! -path '*/log/*' -print | wc -l)
first=$(sync_run first 0)
# The entries a run walks: one row each (the IniFiles section is not part of a run).
entries=$(grep -c '^file' "$work/first.log" || true)
echo "Reference installation: $files data files, $entries entries walked, $(du -sh "$web" | cut -f1) published"
summary=$(grep -v '^file' "$work/first.log" | grep -o 'Files identical.*' | tail -1)
echo "first sync: ${summary:-no summary}"

published_urls >"$work/urls.txt"
urls=$(wc -l <"$work/urls.txt")
mkdir -p "$work/wget-floor"
settle
start=$(now)
(cd "$work/wget-floor" && wget -q -x -nH -i "$work/urls.txt")
wget_floor=$(since "$start")

mkdir -p "$work/copy"
rsync_empty=$(rsync_time "$work/copy")

forced=$(sync_run forced 0 --force)
rsync_same=$(rsync_time "$work/copy")

changed=$(change_one_percent)
ZEZODI_WINDIR=$work/primary/windows "$ctl" prepare >"$work/prepare2.log"
partial=$(sync_run partial 0)
summary=$(grep -v '^file' "$work/partial.log" | grep -o 'Files identical.*' | tail -1)
echo "1% sync: ${summary:-no summary}"
rsync_partial=$(rsync_time "$work/copy")

# Previous versions (names ending in 00 or 01) are kept beside the replaced files.
if ! diff -rq -x log -x download -x syncdata -x .syncdata.generations -x '*.?00' -x '*.?01' "$primary_drive" "$secondary/drive" >"$work/diff.txt"; then
  echo "sync-bench: the secondary differs from the primary:" >&2
  head "$work/diff.txt" >&2
  exit 1
fi

per_file() { awk -v t="$1" -v n="$2" 'BEGIN { printf "%8.3f s %9.3f ms/file", t, 1000 * t / n }'; }
# One case beside its floor: seconds of both and how many times the floor the case took.
versus() {
  awk -v l="$1" -v t="$2" -v f="$3" -v fl="$4" \
    'BEGIN { printf "%-40s %8.3f s   floor %8.3f s %-34s ratio %6.2fx\n", l, t, f, "(" fl ")", (f > 0 ? t / f : 0) }'
}
echo
printf '%-44s %s\n' "first sync into an empty secondary" "$(per_file "$first" "$entries")"
printf '%-44s %s\n' "  floor: one wget -i over $urls URLs" "$(per_file "$wget_floor" "$urls")"
printf '%-44s %s\n' "  floor: rsync -a --checksum into empty" "$(per_file "$rsync_empty" "$files")"
printf '%-44s %s\n' "forced sync over identical files" "$(per_file "$forced" "$entries")"
printf '%-44s %s\n' "  floor: rsync -a --checksum, identical" "$(per_file "$rsync_same" "$files")"
printf '%-44s %s\n' "sync after $changed files changed (1%)" "$(per_file "$partial" "$entries")"
printf '%-44s %s\n' "  per changed file" "$(per_file "$partial" "$changed")"
printf '%-44s %s\n' "  floor: rsync -a --checksum, 1% changed" "$(per_file "$rsync_partial" "$files")"
echo
versus "first sync" "$first" "$wget_floor" "one wget -i"
versus "forced sync, nothing changed" "$forced" "$rsync_same" "rsync -a --checksum"
versus "sync after 1% changed" "$partial" "$rsync_partial" "rsync -a --checksum"
