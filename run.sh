#!/usr/bin/env bash
# velt: build, test and demonstrate the configurator.
#   ./run.sh              build and start the configurator
#   ./run.sh demo         build, start the simulator and open the window on it
#   ./run.sh test         build and run every test
#   ./run.sh test --sanitize   the same under AddressSanitizer and UBSan, built with clang++
#   ./run.sh package      build velt_VERSION_amd64.deb from the test build and check it
# The everyday build uses g++ and the sanitized one clang++, so the tree keeps building with both.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD

PACKAGES=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools qt6-serialport-dev ser2net
          qt6-charts-dev qt6-translations-l10n libqt6sql6-sqlite libqt6sql6-psql postgresql
          libudev-dev libjpeg62-turbo-dev libgl-dev xvfb xauth fonts-dejavu-core poppler-utils clang
          libclang-rt-14-dev)
# Only the package step needs these: manual pages, dependencies, the package's checks.
PACKAGE_PACKAGES=(help2man dpkg-dev lintian appstream)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local SUDO=()
  [ "$(id -u)" -ne 0 ] && SUDO=(sudo)
  "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

build() {  # build <dir> <C++ compiler> [cmake options...]
  local dir=$ROOT/$1 cxx
  cxx=$(command -v "$2") || { echo "$2 not found" >&2; exit 1; }
  shift 2
  # CMake drops the options given with a change of compiler: a folder that was set up with
  # another compiler is set up afresh.
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx "CMAKE_CXX_COMPILER:[A-Z]*=$cxx" "$dir/CMakeCache.txt"; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
  fi
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

cmd=${1:-run}
case "$cmd" in
  test)
    install_packages
    dir=build; opts=(g++)
    if [ "${2:-}" = "--sanitize" ]; then
      dir=build-asan; opts=(clang++ -DVELT_SANITIZE=ON -DVELT_BENCH=OFF)
    fi
    build "$dir" "${opts[@]}"
    cd "$ROOT/$dir"
    # Most suites wait on paced lines rather than compute: two run at a time.
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j2
    ;;
  demo)
    install_packages
    build build g++
    exec "$ROOT/tools/demo.sh" "$ROOT/build"
    ;;
  package)
    PACKAGES+=("${PACKAGE_PACKAGES[@]}")
    install_packages
    build build g++
    cd "$ROOT/build"
    rm -f velt_*.deb
    cpack
    debs=(velt_*_amd64.deb)
    "$ROOT/packaging/check_package.sh" "$ROOT/build/${debs[0]}"
    ;;
  run)
    install_packages
    build build g++
    exec "$ROOT/build/velt"
    ;;
  *)
    echo "usage: ./run.sh [demo | test [--sanitize] | package]" >&2
    exit 2
    ;;
esac
