#!/usr/bin/env bash
# The Debian package: `cpack -G DEB` from the build, then what dpkg-deb says of it.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
deb=$(ls "$work"/zox_*.deb)
[ -f "$deb" ] || fail "no package"

dpkg-deb --info "$deb" | tee "$work/info"
depends=$(sed -n 's/^ Depends: //p' "$work/info")
for dep in libqt6widgets6 libqt6gui6 libqt6core6 libqt6multimedia6 libsqlite3-0 libc6 qt6-translations-l10n; do
  grep -q "\b$dep\b" <<< "$depends" || fail "Depends lacks $dep"
done
grep -q '^ Package: zox$' "$work/info" || fail "package name"
grep -q '^ Section: hamradio$' "$work/info" || fail "section"
grep -q '^ Architecture: ' "$work/info" || fail "architecture"

dpkg-deb --contents "$deb" > "$work/listing"
awk '{print $6}' "$work/listing" | tee "$work/contents"
for f in ./usr/bin/zox ./usr/bin/zox-export ./usr/bin/zox-keyer-wav ./usr/share/applications/zox.desktop \
         ./usr/share/icons/hicolor/256x256/apps/zox.png ./usr/share/zox/Data/S5_Letnice.dat \
         ./usr/share/zox/Help/Zox/index.html ./usr/share/zox/Wav/73.wav ./usr/share/zox/Rules/Zox_rules.txt \
         ./usr/share/zox/Manual/Zox_navodila.doc; do
  grep -qx "$f" "$work/contents" || fail "the package lacks $f"
done
grep -q '^-rwxr-xr-x .* ./usr/bin/zox$' "$work/listing" || fail "zox is not executable"
# What the menu reads.
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/zox.desktop" || fail "desktop-file-validate"
echo "package test passed"
