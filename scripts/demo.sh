#!/usr/bin/env bash
# Builds the program and opens it on a small demo installation under build/demo:
#   scripts/demo.sh [primary|secondary] [DT|FR]
# The demo tree is made fresh on every run; its Windows directory (zezodi.ini, registry.ini and
# the alarm software's INI files) is build/demo/windows, handed over as ZEZODI_WINDIR.
# "secondary" publishes that installation as its primary would (zezodictl prepare), serves the
# web directory with nginx on a free loopback port for as long as the demo runs, and opens a
# secondary with its own installation under build/demo/secondary that synchronises from it:
# press "Synchronize now" to watch every file arrive.
# ZEZODI_DEMO_PROGRAM names another program to open the demo with (scripts/screenshots.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

role=primary
language=
for arg in "$@"; do
  case "$arg" in
    primary | secondary) role=$arg ;;
    DT | FR) language=$arg ;;
    *)
      echo "usage: scripts/demo.sh [primary|secondary] [DT|FR]" >&2
      exit 2
      ;;
  esac
done

# First, so that xvfb-run is there for the advice below on a fresh machine.
scripts/install-deps.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: Zezodi is a desktop program. Run it under a virtual X server:" >&2
  echo "  xvfb-run -a scripts/demo.sh $*" >&2
  echo "(Xvfb shows nothing on screen; with x11vnc or a real desktop you can watch it.)" >&2
  exit 1
fi

cmake --preset release >/dev/null
targets=(zezodi)
[ "$role" = primary ] || targets+=(zezodictl)
cmake --build --preset release --target "${targets[@]}"

demo=$root/build/demo
windows=$demo/windows
srv=$demo/srv
rm -rf "$demo"
mkdir -p "$windows" "$srv"/db1 "$srv"/dbv1 "$srv"/jxt/log "$srv"/jx_web/htdocs/images

# The alarm software's data: databases, voice files, scripts, web pages.
printf 'DBF demo table: alarms\n' >"$srv"/db1/alarms.dbf
printf 'DBF demo table: persons\n' >"$srv"/db1/persons.dbf
# Big enough to be published packed (above ZipIfBigger, 1024 KB by default).
head -c 1600000 < <(yes 'alarm history record 0000000000') >"$srv"/db1/history.dbf
printf 'RIFF demo voice 100' >"$srv"/dbv1/v100_1.wav
printf 'RIFF demo voice 101' >"$srv"/dbv1/v101_1.wav
printf '; demo alarm script\nCALL 100\n' >"$srv"/jxt/night.jxt
printf '; demo escalation\nLEVEL 2\n' >"$srv"/jxt/escalate.jxe
printf 'system queue\n' >"$srv"/jxt/jxtpost.dbf
printf 'Operator notes for the demo installation.\n' >"$srv"/jxt/notes.txt
printf '<?php echo "Alarm overview"; ?>\n' >"$srv"/jx_web/htdocs/index.php
printf '<?php echo "Server status"; ?>\n' >"$srv"/jx_web/htdocs/status.php
printf '<html><body>Alarm map</body></html>\n' >"$srv"/jx_web/htdocs/images/map.html
printf 'GIF89a demo' >"$srv"/jx_web/htdocs/images/logo.gif

# The Windows directory.
# The secondary demo synchronises from this installation, so it is always the primary. Its
# secondary servers stand on loopback addresses, so that starting them reaches no other machine.
{
  echo "[Config]"
  echo "IsPrimary=1"
  [ -z "$language" ] || echo "DefaultLanguage=$language"
  echo "[SecondaryServers]"
  n=1
  for client in "alarm-north 127.0.0.1 Control room north" "alarm-south 127.0.0.2 Control room south" \
    "alarm-east 127.0.0.3 Gatehouse east" "alarm-west 127.0.0.4 Depot west" \
    "alarm-harbour 127.0.0.5 Harbour office"; do
    read -r name ip location <<<"$client"
    printf 'ClientName%d=%s\nClientIP%d=%s\nClientLoc%d=%s\n' "$n" "$name" "$n" "$ip" "$n" "$location"
    n=$((n + 1))
  done
} >"$windows"/zezodi.ini
cat >"$windows"/registry.ini <<INI
[SOFTWARE\\Orvenda\\Orvenda Tool]
Directory=$srv/jxt
INI
cat >"$windows"/jxaconf.ini <<'INI'
[Config]
DefaultLanguage=EN
INI
cp "$windows"/jxaconf.ini "$windows"/jxaview.ini
cat >"$windows"/jxamaster.ini <<'INI'
[Server1]
ServerName=alarm-north
ServerIP=127.0.0.1
ServerLocation=Control room north
[Server2]
ServerName=alarm-south
ServerIP=127.0.0.2
ServerLocation=Control room south
INI
printf '[Alarm]\nRepeat=3\n' >"$windows"/jxalarm.ini
printf '[Persons]\nCount=2\n' >"$windows"/jxpers.ini

program=${ZEZODI_DEMO_PROGRAM:-$root/build/release/app/zezodi}
echo "Demo installation: $demo ($role${language:+, $language})"
if [ "$role" = primary ]; then
  export ZEZODI_WINDIR=$windows
  exec "$program"
fi

# The secondary: the primary's data published and served over HTTP, a second installation
# that fetches it.
ZEZODI_WINDIR=$windows "$root"/build/release/tools/zezodictl prepare >"$demo"/prepare.log
nginx_dir=$demo/nginx
nginx_pid=
stop_nginx() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=
  fi
}
trap stop_nginx EXIT
trap 'exit 130' INT TERM HUP
mkdir -p "$nginx_dir"/logs "$nginx_dir"/tmp
port=
for attempt in 1 2 3 4 5 6 7 8 9 10; do
  candidate=$((20000 + (RANDOM * 7 + attempt) % 40000))
  cat >"$nginx_dir"/nginx.conf <<CONF
$([ "$(id -u)" -eq 0 ] && echo "user root;")
daemon off;
master_process off;
worker_processes 1;
pid $nginx_dir/nginx.pid;
error_log $nginx_dir/logs/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $nginx_dir/tmp/body;
  proxy_temp_path $nginx_dir/tmp/proxy;
  fastcgi_temp_path $nginx_dir/tmp/fastcgi;
  uwsgi_temp_path $nginx_dir/tmp/uwsgi;
  scgi_temp_path $nginx_dir/tmp/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$candidate;
    root "$srv/jxt";
  }
}
CONF
  nginx -p "$nginx_dir" -c "$nginx_dir"/nginx.conf -e "$nginx_dir"/logs/error.log &
  nginx_pid=$!
  for _ in $(seq 50); do
    kill -0 "$nginx_pid" 2>/dev/null || break
    if wget -q -O /dev/null "http://127.0.0.1:$candidate/syncdata/zezodi.txt"; then
      port=$candidate
      break
    fi
    sleep 0.1
  done
  [ -n "$port" ] && break
  stop_nginx
done
if [ -z "$port" ]; then
  echo "nginx did not start:" >&2
  cat "$nginx_dir"/logs/error.log >&2
  exit 1
fi

secondary=$demo/secondary
mkdir -p "$secondary"/windows "$secondary"/srv/jxt/log "$secondary"/srv/db1 "$secondary"/srv/dbv1 \
  "$secondary"/srv/jx_web/htdocs
{
  echo "[Config]"
  echo "IsPrimary=0"
  echo "WebDocPath=http://127.0.0.1:$port/syncdata"
  [ -z "$language" ] || echo "DefaultLanguage=$language"
} >"$secondary"/windows/zezodi.ini
cat >"$secondary"/windows/registry.ini <<INI
[SOFTWARE\\Orvenda\\Orvenda Tool]
Directory=$secondary/srv/jxt
INI
cp "$windows"/jxaconf.ini "$secondary"/windows/
# One key differs from the primary's copy, for Compare Ini-files to find.
printf '[Config]\nDefaultLanguage=DT\n' >"$secondary"/windows/jxaview.ini
echo "Primary's web directory $srv/jxt/syncdata served at http://127.0.0.1:$port/syncdata"
echo "Secondary installation: $secondary"
ZEZODI_WINDIR=$secondary/windows "$program"
