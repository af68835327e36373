#!/usr/bin/env bash
# Builds the Debian packages from a build tree and checks them as a café
# would get them: their files, the programs run from an unpacked root, the
# launcher and the service unit. Tools that are missing skip their check.
#   scripts/check_packages.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check_packages.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
skip() { echo "SKIP: $*"; }

for tool in cpack dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (apt-get install dpkg-dev)"
        exit 77
    fi
done

if ! cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not build the packages"
    exit 1
fi
console=$(ls "$work"/out/korvane_*.deb)
client=$(ls "$work"/out/korvane-client_*.deb)
version=$(dpkg-deb -f "$console" Version)

# Every file a café relies on, in the package that must hold it.
expect() {
    local deb=$1; shift
    local listing
    listing=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
    for f in "$@"; do
        grep -qx "$f" <<<"$listing" || fail "$(basename "$deb") lacks $f"
    done
}
expect "$console" /usr/bin/korvane /usr/bin/korvane-tools /usr/share/applications/korvane.desktop \
    /usr/share/icons/hicolor/scalable/apps/korvane.svg /usr/share/icons/hicolor/48x48/apps/korvane.png \
    /usr/share/icons/hicolor/256x256/apps/korvane.png /usr/share/man/man1/korvane.1.gz \
    /usr/share/man/man1/korvane-tools.1.gz /usr/share/doc/korvane/copyright
expect "$client" /usr/bin/korvane-client /usr/bin/korvane-screen /lib/systemd/system/korvane-client.service \
    /etc/default/korvane-client /etc/xdg/autostart/korvane-screen.desktop /usr/share/man/man1/korvane-client.1.gz \
    /usr/share/man/man1/korvane-screen.1.gz /usr/share/doc/korvane-client/copyright \
    /usr/share/doc/korvane-client/examples/lock /usr/share/doc/korvane-client/examples/message
[ "$(dpkg-deb -f "$client" Version)" = "$version" ] || fail "the two packages differ in version"
for deb in "$console" "$client"; do
    grep -q 'libqt6core6' <<<"$(dpkg-deb -f "$deb" Depends)" || fail "$(basename "$deb"): Qt missing from Depends"
done
dpkg-deb -e "$client" "$work/client-control"
for f in /etc/default/korvane-client /etc/xdg/autostart/korvane-screen.desktop; do
    grep -qx "$f" "$work/client-control/conffiles" || fail "$f not a conffile"
done
grep -q 'qt6-qpa-plugins' <<<"$(dpkg-deb -f "$client" Depends)" || fail "the screen's display plug-ins missing from Depends"
for script in "$work"/client-control/p*; do sh -n "$script" || fail "$(basename "$script") is not valid sh"; done

# The programs from an unpacked root: one version, taken from the build.
root="$work/root"
dpkg-deb -x "$console" "$root"
dpkg-deb -x "$client" "$root"
for program in korvane korvane-tools korvane-client korvane-screen; do
    out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --version 2>&1) || fail "$program --version failed"
    [ "$out" = "$program $version" ] || fail "$program --version says '$out', the package '$version'"
    out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$program" --help 2>&1) || fail "$program --help failed"
    head -n1 <<<"$out" | grep -q "^Usage: $program" || fail "$program --help does not start with its usage"
    man=$(zcat "$root/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g')
    grep -q "^\.TH ${program^^} 1 .*\"$program $version\"" <<<"$man" || fail "$program.1 does not carry version $version"
done

if command -v desktop-file-validate >/dev/null; then
    for entry in usr/share/applications/korvane.desktop etc/xdg/autostart/korvane-screen.desktop; do
        desktop-file-validate "$root/$entry" || fail "$entry is not valid"
    done
else
    skip "desktop-file-validate missing (apt-get install desktop-file-utils)"
fi

# The screen started by the autostart entry looks for the socket where the service opens it.
socket=$(sed -n 's|.*--screen-socket \([^ ]*\).*|\1|p' "$root/lib/systemd/system/korvane-client.service")
grep -q "^Exec=korvane-screen$" "$root/etc/xdg/autostart/korvane-screen.desktop" \
    && QT_QPA_PLATFORM=offscreen "$root/usr/bin/korvane-screen" --help | grep -q "Default: $socket\.$" \
    || fail "the service's screen socket ($socket) is not where korvane-screen looks by default"
# The service may set the socket's group only if the package creates it.
grep -q "SupplementaryGroups=korvane-screen" "$root/lib/systemd/system/korvane-client.service" \
    && grep -q "addgroup --system --quiet korvane-screen" "$work/client-control/postinst" \
    || fail "the group korvane-screen is not both created and given to the service"

if command -v systemd-analyze >/dev/null; then
    # The same unit, running the unpacked program.
    sed "s|^ExecStart=/usr/bin/|ExecStart=$root/usr/bin/|" "$root/lib/systemd/system/korvane-client.service" \
        >"$work/korvane-client.service"
    if ! out=$(systemd-analyze verify --man=no "$work/korvane-client.service" 2>&1) \
        || grep -q 'korvane-client' <<<"$out"; then
        echo "$out"
        fail "korvane-client.service does not verify"
    fi
else
    skip "systemd-analyze missing (apt-get install systemd)"
fi

if command -v lintian >/dev/null; then
    lintian --fail-on error "$console" "$client" || fail "lintian found errors"
else
    skip "lintian missing (apt-get install lintian)"
fi

dpkg-deb -c "$console"
dpkg-deb -c "$client"
[ "$failed" -eq 0 ] && echo "packages checked: $(basename "$console") $(basename "$client")"
exit $((failed > 0))
