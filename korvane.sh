#!/usr/bin/env bash
# Sets up a Debian machine for Korvane, builds it, and then either starts the
# console or runs every test.
#   ./korvane.sh [run] [korvane options]   build the programs and start the console
#   ./korvane.sh test                      build everything and run every test
#   ./korvane.sh demo                      build the programs and open the demo café
#   ./korvane.sh package                   build the Debian packages into build/packages/
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
          libqt6sql6-psql libsqlite3-dev libgl-dev fonts-dejavu-core iproute2 util-linux python3
          dpkg-dev desktop-file-utils)
# The package test verifies the service's unit with systemd-analyze; the
# reports' test reads its PDF back with pdftotext; the disk-full test mounts
# a small tmpfs in a namespace of its own; the suites over the books run a
# second time on a throwaway PostgreSQL cluster.
TEST_PACKAGES=(systemd poppler-utils mount postgresql-15 postgresql-client-15)

install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# With no target, everything: the tests and benchmarks too.
build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    if [ $# -gt 0 ]; then
        cmake --build build -j"$(nproc)" --target "$@"
    else
        cmake --build build -j"$(nproc)"
    fi
}

package() {
    build programs package_docs
    (cd build && cpack -G DEB)
    if command -v lintian >/dev/null; then
        lintian --fail-on error build/packages/*.deb
    else
        echo "lintian is not installed: packages not checked (apt-get install lintian)"
    fi
    echo "Packages:"
    ls -1 build/packages/*.deb
}

mode="${1:-run}"
case "$mode" in
    run) shift || true; install_packages "${PACKAGES[@]}"; build programs; exec build/app/korvane "$@" ;;
    test)
        install_packages "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"; build
        status=0
        (cd build && ctest --output-on-failure -j"$(nproc)") || status=$?
        scripts/check-skips.sh build/Testing/Temporary/LastTest.log || status=1
        exit "$status" ;;
    demo) shift; install_packages "${PACKAGES[@]}"; build programs; exec python3 scripts/demo_cafe.py "$@" ;;
    package) install_packages "${PACKAGES[@]}"; package ;;
    *) install_packages "${PACKAGES[@]}"; build programs; exec build/app/korvane "$@" ;;
esac
