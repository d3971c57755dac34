#!/usr/bin/env bash
# The Debian package: built by scripts/package in a folder of its own, then checked for what a
# user installing it relies on: its files, valid desktop entry and metainfo that agree with each
# other and with the files, icons of the sizes their folders promise, dependencies apt can
# resolve, and a program that runs and tells the package's version.
# Usage: test-package.sh <top of the source tree> <build folder>
set -uo pipefail
top=$1
dir=$2

missing=()
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli apt-get rsvg-convert \
    lintian; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIP: not installed: ${missing[*]} (scripts/bootstrap installs them)"
    exit 77
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
ok() {
    echo "ok: $*"
}

mkdir -p "$dir"
log="$dir/package.log"
deb=$(QUILLO_NO_BOOTSTRAP=1 "$top/scripts/package" "$dir" 2>"$log" | tail -n 1)
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
    tail -n 40 "$log"
    echo "FAIL: scripts/package made no package"
    exit 1
fi
ok "built $deb"

# Contents. The desktop entry, metainfo and icons are named by the application identity; it is
# read from the one desktop entry and everything else must agree with it.
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|')
desktops=$(grep -E '^/usr/share/applications/[^/]+\.desktop$' <<<"$contents")
if [ "$(grep -c . <<<"$desktops")" -ne 1 ]; then
    echo "FAIL: expected one desktop entry, found: ${desktops:-none}"
    exit 1
fi
id=$(basename "$desktops" .desktop)
expected=(
    /usr/bin/quillobarent
    /usr/bin/quillobarent-cli
    /usr/bin/quillobarent-instrument-sim
    "/usr/share/applications/$id.desktop"
    "/usr/share/metainfo/$id.metainfo.xml"
    "/usr/share/icons/hicolor/scalable/apps/$id.svg"
    /usr/share/man/man1/quillobarent.1.gz
    /usr/share/man/man1/quillobarent-cli.1.gz
    /usr/share/man/man1/quillobarent-instrument-sim.1.gz
    /usr/share/doc/quillobarent/copyright
    /usr/share/doc/quillobarent/changelog.gz
)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for path in "${expected[@]}"; do
    grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
ok "contents checked (${#expected[@]} files, identity $id)"

root="$dir/extracted"
rm -rf "$root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
desktop="$root/usr/share/applications/$id.desktop"
metainfo="$root/usr/share/metainfo/$id.metainfo.xml"

# Validators.
if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
    ok "desktop-file-validate"
else
    fail "desktop-file-validate: $out"
fi
if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
    ok "appstreamcli validate --no-net"
else
    fail "appstreamcli validate: $out"
fi

# What the validators cannot see: that the files point at each other.
field() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
[ "$(field Icon)" = "$id" ] || fail "desktop entry Icon=$(field Icon), the icons are named $id"
exec_name=$(field Exec | awk '{print $1}')
[ -x "$root/usr/bin/$exec_name" ] || fail "desktop entry Exec=$exec_name is not in /usr/bin"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "metainfo does not launch $id.desktop"
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
ok "desktop entry, metainfo and icons agree"

# Every PNG is as large as its folder says (width and height from the IHDR chunk).
for size in "${sizes[@]}"; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ -f "$png" ] || continue
    read -r -a ihdr < <(od -An -tu1 -j16 -N8 "$png")
    width=$(((ihdr[0] << 24) | (ihdr[1] << 16) | (ihdr[2] << 8) | ihdr[3]))
    height=$(((ihdr[4] << 24) | (ihdr[5] << 16) | (ihdr[6] << 8) | ihdr[7]))
    [ "$width" = "$size" ] && [ "$height" = "$size" ] \
        || fail "icon ${size}x${size} is ${width}x${height}"
done
ok "icon sizes"

# Manual pages: gzip intact, a troff page each.
for page in quillobarent quillobarent-cli quillobarent-instrument-sim; do
    file="$root/usr/share/man/man1/$page.1.gz"
    [ -f "$file" ] || continue
    if ! gzip -t "$file" || ! zcat "$file" | grep -q "^\.TH $(tr a-z A-Z <<<"$page") 1 "; then
        fail "manual page $page.1.gz is not a compressed troff page"
    fi
done
ok "manual pages"

# Control fields: the version of project(), dependencies found by dpkg-shlibdeps and the SQL
# drivers, the fonts.
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
for lib in libqt6widgets6 libqt6serialport6 libqt6printsupport6 libqt6sql6 libqt6sql6-sqlite libc6; do
    grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
for pkg in fonts-arphic-uming fonts-wqy-microhei libqt6sql6-psql; do
    grep -q "\b$pkg\b" <<<"$recommends" || fail "Recommends lacks $pkg: $recommends"
done
grep -q "<release version=\"${version%-*}\"" "$metainfo" \
    || fail "metainfo has no release entry for version ${version%-*}"
ok "control fields (version $version)"

# Debian's own checks: no errors (warnings are told, not failed).
out=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v "^running with root privileges")
if grep -q "^E: " <<<"$out"; then
    fail "lintian: $(grep "^E: " <<<"$out")"
else
    ok "lintian: no errors${out:+ ($(grep -c "^W: " <<<"$out") warnings)}"
fi

# apt resolves the dependencies on this system; --reinstall, so that a machine where this
# version is installed already answers the same.
if out=$(apt-get install --simulate --reinstall "$deb" 2>&1) \
    && grep -q "^Inst quillobarent " <<<"$out"; then
    ok "apt-get install --simulate"
else
    fail "apt-get install --simulate: $out"
fi

# The programs run from the extracted tree; no display is needed to ask the version.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/quillobarent" --version 2>&1)
if [ "$out" = "quillobarent ${version%-*}" ]; then
    ok "quillobarent --version: $out"
else
    fail "quillobarent --version printed '$out', the package is $version"
fi
if out=$("$root/usr/bin/quillobarent-instrument-sim" --help 2>&1) && grep -q -- "--records" <<<"$out"; then
    ok "quillobarent-instrument-sim --help"
else
    fail "quillobarent-instrument-sim --help: $out"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package checks passed"
