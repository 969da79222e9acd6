#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Zezodi needs.
# Idempotent: packages already present are left alone; apt-get runs only when one is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev libsodium-dev libsystemd-dev
  wget gzip zip unzip nginx-light rsync
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n libgl-dev
  xvfb xauth x11-utils libx11-dev
  build-essential debhelper dpkg-dev fakeroot lintian ccache
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
updated=0
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  updated=1
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# promtool checks the metrics files in the tests. Debian ships it only in the prometheus
# package, whose installation starts a Prometheus server: the program alone is taken out of the
# downloaded package into /usr/local/bin, and no server is installed or started.
if ! command -v promtool >/dev/null; then
  echo "Installing promtool from the prometheus package"
  ((updated)) || "${sudo_cmd[@]}" apt-get update -q
  unpack=$(mktemp -d)
  trap 'rm -rf "$unpack"' EXIT
  (cd "$unpack" && apt-get download -q prometheus)
  dpkg-deb -x "$unpack"/prometheus_*.deb "$unpack/tree"
  "${sudo_cmd[@]}" install -m 0755 "$unpack/tree/usr/bin/promtool" /usr/local/bin/promtool
  rm -rf "$unpack"
  trap - EXIT
fi
if pgrep -x prometheus >/dev/null; then
  echo "install-deps: a prometheus server runs on this machine; it is not needed" >&2
fi
