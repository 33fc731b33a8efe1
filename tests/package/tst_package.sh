#!/usr/bin/env bash
# The Debian package: made from the build tree, its files and fields, and the installed program
# running from where the package puts it.
#   tst_package.sh <build folder>
set -u
build="${1:?usage: tst_package.sh <build folder>}"
command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null || { echo "dpkg tools missing: skipped"; exit 77; }
work=$(mktemp -d)
trap 'kill "${resident:-0}" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/panedeck_*.deb 2>/dev/null | head -n 1)
[[ -n "$deb" ]] || fail "no package made"
arch=$(dpkg --print-architecture)
multiarch=$(gcc -print-multiarch 2>/dev/null || echo "$arch-linux-gnu")

files=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sort)
expected=$(printf '%s\n' ./usr/bin/panedeck "./usr/lib/$multiarch/panedeck/libpanedeck-resident.so" \
  ./usr/share/applications/panedeck.desktop ./usr/share/icons/hicolor/scalable/apps/panedeck.svg \
  ./usr/share/panedeck/Panedeck-Guide.html ./usr/share/panedeck/agent-state.sh | sort)
[[ "$files" == "$expected" ]] || fail "files: $files"

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == panedeck ]] || fail "Package: $(field Package)"
[[ "$(field Version)" == 0.1.0 ]] || fail "Version: $(field Version)"
[[ "$(field Architecture)" == "$arch" ]] || fail "Architecture: $(field Architecture)"
for dependency in qt6-qpa-plugins libqt6core6 libqt6widgets6 libxcb1; do
  [[ ",$(field Depends | tr -d ' ')," == *",$dependency"[,\ \(]* ]] || fail "Depends lacks $dependency: $(field Depends)"
done

# Unpacked as dpkg would install it: the sub-commands run, and the resident application finds its
# module under lib/<multiarch>/panedeck.
dpkg-deb -x "$deb" "$work/root"
program="$work/root/usr/bin/panedeck"
[[ "$("$program" --version)" == "Panedeck v0.1.0"* ]] || fail "--version: $("$program" --version)"
"$program" list-windows >/dev/null || fail "list-windows"
mkdir -p "$work/home"
HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config" QT_QPA_PLATFORM=offscreen \
  "$program" >"$work/resident.log" 2>&1 &
resident=$!
for _ in $(seq 100); do
  grep -q "triggers wired" "$work/resident.log" && break
  kill -0 "$resident" 2>/dev/null || break
  sleep 0.1
done
grep -q "triggers wired" "$work/resident.log" || { cat "$work/resident.log"; fail "the installed resident application did not start"; }
echo "ok: $(basename "$deb"): files, fields and the installed program"
