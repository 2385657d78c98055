#!/usr/bin/env bash
# Velmora's two set-up commands, for a Debian 12 machine as root:
#   ./velmora.sh run    installs what is missing, builds and starts Velmora
#   ./velmora.sh test   installs what is missing, builds and runs every test
#   ./velmora.sh package  builds the packages under build/ and prints their paths
set -euo pipefail
cd "$(dirname "$0")"

# Debian packages, by what needs them.
build_packages=(cmake ninja-build g++ ccache qt6-base-dev fonts-liberation)
test_packages=(googletest libgtest-dev xvfb xauth xclip xdotool clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine weston qt6-wayland
  at-spi2-core python3-pyatspi dbus-daemon)
# The Debian package: building it (icons drawn by Python, dependencies from
# dpkg-shlibdeps) and checking it.
package_packages=(python3 dpkg-dev file fakeroot)
package_test_packages=(lintian desktop-file-utils appstream xvfb xauth xdotool)
# The Windows packages: the portable zip (CPack) and the installer (makensis).
windows_package_packages=(g++-mingw-w64-x86-64-posix nsis)
# For the benchmarks in bench/, run by hand (docs/performance.md); neither
# run nor test installs them.
bench_packages=(libbenchmark-dev hyperfine python3 time)

install_missing() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -q
  apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
}

jobs=$(nproc)

run() {
  install_missing "${build_packages[@]}"
  cmake --preset linux -DVELMORA_TESTS=OFF >/dev/null
  cmake --build --preset linux -j "$jobs"
  exec build/linux/velmora
}

# Each libFuzzer target runs briefly from its committed seed corpus.
fuzz() {
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  local seconds=${VELMORA_FUZZ_SECONDS:-20}
  for name in load substitute substitute_simd; do
    local corpus log
    corpus=$(mktemp -d)
    log=$(mktemp)
    cp -r "tests/fuzz/corpus/$name/." "$corpus/"
    echo "== ${name}_fuzz for ${seconds}s"
    if ! "build/fuzz/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" \
      -print_final_stats=1 "$corpus" >"$log" 2>&1; then
      cat "$log"
      return 1
    fi
    grep -E '^stat::number_of_executed_units|^Done' "$log" || tail -n 3 "$log"
    rm -rf "$corpus" "$log"
  done
}

# The Windows zip from the portable build and the installer from the
# installed build (key file in %APPDATA%\Velmora\); prints their paths.
package_windows() {
  install_missing cmake ninja-build ccache "${windows_package_packages[@]}"
  cmake --preset package-windows-portable >/dev/null
  cmake --build --preset package-windows-portable -j "$jobs"
  cpack --preset package-windows-portable >/dev/null
  cmake --preset package-windows >/dev/null
  cmake --build --preset package-windows -j "$jobs" --target installer
  local version
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package-windows/CMakeCache.txt)
  echo "Windows portable zip: $PWD/build/package-windows-portable/velmora-$version-win64.zip"
  echo "Windows installer:    $PWD/build/package-windows/velmora-$version-setup.exe"
}

# The installed build (key file in the user's configuration folder) as a
# Debian package, in build/package-linux/packages/.
build_packages_only() {
  cmake --preset package-linux >/dev/null
  cmake --build --preset package-linux -j "$jobs"
  cpack --preset package-linux >/dev/null
}

package_linux() {
  install_missing "${build_packages[@]}" "${package_packages[@]}"
  build_packages_only
  echo "Debian package:       $(ls -1 "$PWD"/build/package-linux/packages/velmora_*_amd64.deb)"
}

package() {
  package_linux
  package_windows
}

test_all() {
  install_missing "${build_packages[@]}" "${test_packages[@]}" "${package_packages[@]}" \
    "${package_test_packages[@]}" "${windows_package_packages[@]}"
  echo "== Linux, Qt backend"
  cmake --preset linux -DVELMORA_TESTS=ON >/dev/null
  cmake --build --preset linux -j "$jobs"
  ctest --preset linux -j "$jobs"

  echo "== Linux, AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j "$jobs"
  ctest --preset asan -j "$jobs"

  echo "== Fuzzing the file loading and the substitution pass"
  fuzz

  echo "== Windows, Win32 backend under Wine"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs"
  # The package tests install and unpack what the package command makes.
  package_windows
  VELMORA_REQUIRE_PACKAGES=1 ctest --preset windows

  echo "== The Debian package"
  build_packages_only
  tests/package_test.sh build/package-linux/packages/velmora_*_amd64.deb
}

case "${1:-}" in
  run) run ;;
  test) test_all ;;
  package) package ;;
  *)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
