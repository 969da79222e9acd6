#!/usr/bin/env bash
# Builds the Debian package the Debian way: dpkg-buildpackage -b on a copy of the sources; the
# package, its build files and the build log land in build/package/. The copy is built in one
# fixed place, whichever checkout this is, so that the compiler cache serves every checkout.
# With --check it then checks the package without installing it: its contents, lintian (no
# error allowed), its dependencies, and zezodictl --help from the package unpacked with dpkg -x.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac

scripts/install-deps.sh

out=build/package
work="${TMPDIR:-/tmp}/zezodi-package"
rm -rf "$out" "$work"
mkdir -p "$out" "$work/src"
trap 'rm -rf "$work"' EXIT
rsync -a --exclude /build --exclude /.git ./ "$work/src/"

export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc) nocheck}"
# debhelper points HOME at a temporary directory while it builds: the compiler cache stays
# where it is.
if command -v ccache >/dev/null; then
  CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
  export CCACHE_DIR
fi

start=$(date +%s)
if ! (cd "$work/src" && dpkg-buildpackage -b -us -uc) >"$out/build.log" 2>&1; then
  tail -n 60 "$out/build.log"
  echo "package: dpkg-buildpackage failed; the whole log is $out/build.log" >&2
  exit 1
fi
cp "$work"/zezodi*.deb "$work"/zezodi_*.changes "$work"/zezodi_*.buildinfo "$out/"
deb=$(ls "$out"/zezodi_*.deb)
echo "package: built $deb in $(( $(date +%s) - start )) s"
((check)) || exit 0

status=0
fail() { echo "package: $*" >&2; status=1; }

dpkg-deb -c "$deb" | awk '{print $NF}' >"$out/contents.txt"
for path in \
  ./usr/bin/zezodi ./usr/bin/zezodictl ./usr/bin/zezodi-zip ./usr/bin/zezodi-unzip \
  ./usr/share/zezodi/translations/zezodi_dt.qm ./usr/share/zezodi/translations/zezodi_fr.qm \
  ./usr/share/applications/zezodi.desktop \
  ./usr/share/man/man1/zezodi.1.gz ./usr/share/man/man1/zezodictl.1.gz \
  ./usr/share/man/man1/zezodi-zip.1.gz ./usr/share/man/man1/zezodi-unzip.1.gz \
  ./lib/systemd/system/zezodi-primary.service ./lib/systemd/system/zezodi-secondary.service; do
  grep -qxF "$path" "$out/contents.txt" || fail "missing $path"
done
for size in 16 22 24 32 48 64 128 256; do
  grep -qxF "./usr/share/icons/hicolor/${size}x${size}/apps/zezodi.png" "$out/contents.txt" ||
    fail "missing the ${size}x${size} icon"
done

depends=$(dpkg-deb -f "$deb" Depends)
for program in wget gzip zip unzip; do
  grep -Eq "(^|, )$program(,| |$)" <<<"$depends" || fail "Depends lacks $program: $depends"
done
grep -q nginx <<<"$(dpkg-deb -f "$deb" Suggests)" || fail "Suggests lacks nginx"

if ! lintian --fail-on error --tag-display-limit 0 "$deb" >"$out/lintian.txt" 2>&1; then
  fail "lintian reports errors"
fi
cat "$out/lintian.txt"

unpacked="$work/unpacked"
dpkg -x "$deb" "$unpacked"
"$unpacked/usr/bin/zezodictl" --help >"$out/help.txt" || fail "zezodictl --help failed"
grep -q "serve" "$out/help.txt" || fail "zezodictl --help does not name serve"
grep -q "ExecStart=/usr/bin/zezodictl serve" "$unpacked/lib/systemd/system/zezodi-secondary.service" ||
  fail "the secondary's unit does not run zezodictl serve"

# serve tells systemd when it is ready (sd_notify): the units wait for it, from the main process.
grep -q "libsystemd0" <<<"$depends" || fail "Depends lacks libsystemd0: $depends"
for role in primary secondary; do
  unit="$unpacked/lib/systemd/system/zezodi-$role.service"
  grep -qx "Type=notify" "$unit" || fail "the $role's unit is not Type=notify"
  grep -qx "NotifyAccess=main" "$unit" || fail "the $role's unit lacks NotifyAccess=main"
done

grep -qxF "./etc/orvenda/" "$out/contents.txt" || fail "the package does not create /etc/orvenda"

# The maintainer scripts that debhelper generated: an upgrade restarts the unit that runs, a
# removal stops it, and nothing enables or stops a unit otherwise.
scripts="$work/control"
dpkg-deb -e "$deb" "$scripts"
grep -q "deb-systemd-invoke stop" "$scripts/preinst" 2>/dev/null &&
  fail "preinst stops the units on upgrade"
grep -q "_dh_action=restart" "$scripts/postinst" || fail "postinst does not restart the units after an upgrade"
grep -q "deb-systemd-invoke stop 'zezodi-primary.service' 'zezodi-secondary.service'" "$scripts/prerm" ||
  fail "prerm does not stop the units on removal"
grep -q "mkdir -p /srv/orvenda/jxt/log" "$scripts/postinst" || fail "postinst does not create the log directory"
sh -n "$scripts/postinst" "$scripts/prerm" || fail "a maintainer script is no valid shell"

((status)) || echo "package: contents, dependencies, lintian, maintainer scripts and the unpacked zezodictl are fine"
exit "$status"
