#!/usr/bin/env bash
# Velmora's two set-up commands, for a Debian 12 machine as root:
#   ./velmora.sh run    installs what is missing, builds and starts Velmora
#   ./velmora.sh test   installs what is missing, builds and runs every test
set -euo pipefail
cd "$(dirname "$0")"

# Debian packages, by what needs them.
build_packages=(cmake ninja-build g++ ccache qt6-base-dev fonts-liberation)
test_packages=(googletest libgtest-dev xvfb xauth xclip xdotool clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine)

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
  for name in load substitute; do
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

test_all() {
  install_missing "${build_packages[@]}" "${test_packages[@]}"
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
  ctest --preset windows
}

case "${1:-}" in
  run) run ;;
  test) test_all ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
