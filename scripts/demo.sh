#!/usr/bin/env bash
# Builds the program and opens it on a small demo installation under build/demo:
#   scripts/demo.sh [primary|secondary] [DT|FR]
# The demo tree is made fresh on every run; its Windows directory (zezodi.ini, registry.ini and
# the alarm software's INI files) is build/demo/windows, handed over as ZEZODI_WINDIR.
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

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: Zezodi is a desktop program. Run it under a virtual X server:" >&2
  echo "  xvfb-run -a scripts/demo.sh $*" >&2
  echo "(Xvfb shows nothing on screen; with x11vnc or a real desktop you can watch it.)" >&2
  exit 1
fi

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target zezodi

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
if [ "$role" = primary ]; then is_primary=1; else is_primary=0; fi
{
  echo "[Config]"
  echo "IsPrimary=$is_primary"
  [ -z "$language" ] || echo "DefaultLanguage=$language"
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

echo "Demo installation: $demo ($role${language:+, $language})"
export ZEZODI_WINDIR=$windows
exec "$root"/build/release/app/zezodi
