#!/usr/bin/env bash
# Installs the build into a staging folder as a package would, checks the desktop entry, the
# AppStream metadata and the icons, starts the installed program on a new data folder, and builds
# the .deb for lintian. Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli lintian cpack dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (bash scripts/install-deps.sh installs it)"
    exit 77
  fi
done
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/root/usr"
id=io.github.tumblerix.Tumblerix
desktop-file-validate "$root/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml"
[ -f "$root/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
for size in 48 64 128 256; do
  png="$root/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -f "$png" ] || fail "no ${size} px icon"
  # The PNG header holds the width and height as 32-bit big-endian numbers at bytes 16 and 20.
  read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [ "$w $h" = "$size $size" ] || fail "the ${size} px icon is ${w}x${h}"
done

# The installed program finds its own files under its prefix and creates a database from them.
report=$(env -u TUMBLERIX_DATA_DIR -u TUMBLERIX_SHARE_DIR QT_QPA_PLATFORM=offscreen \
  HOME="$stage/home" XDG_CONFIG_HOME="$stage/config" XDG_DATA_HOME="$stage/share" \
  "$root/bin/tumblerix" --data-dir "$stage/data" --report)
grep -qx "Program files: $root/share/tumblerix" <<<"$report" || fail "program files not found: $report"
drinks=$(sed -n 's/^Drinks: //p' <<<"$report")
[ "${drinks:-0}" -gt 100 ] || fail "the new database holds ${drinks:-no} drinks"
"$root/bin/tumblerix-exchange" --version >/dev/null

# The package: no lintian errors or warnings.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$stage/pkg" >/dev/null
deb=$(ls "$stage"/pkg/tumblerix_*.deb)
lintian --fail-on error,warning "$deb" 2>&1 | grep -v "root privileges" || true
lintian --fail-on error,warning "$deb" >/dev/null 2>&1 || fail "lintian found errors or warnings"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "the package does not depend on Qt"
echo "PASS: staged install and package"
