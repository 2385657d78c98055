# Sourced by the tests of the Windows packages (wine-installer-test.sh,
# wine-zip-test.sh): the shared start, and the record of failed checks.
#   package_test_start STATE_DIR PACKAGE WHAT
# skips the test (exit 77) when PACKAGE is missing, unless
# VELMORA_REQUIRE_PACKAGES=1 makes that a failure; then it sets up Wine in
# the build's prefix if no fixture did.
package_test_start() {
  state=$(mkdir -p "$1" && cd "$1" && pwd)
  if [ ! -f "$2" ]; then
    echo "no $3 at $2 (./velmora.sh package)"
    [ "${VELMORA_REQUIRE_PACKAGES:-0}" = 1 ] && exit 1
    exit 77
  fi
  . "$package_test_dir/wine-env.sh"
  [ -f "$state/ready" ] || "$package_test_dir/wine-prefix.sh" setup "$state"
}

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Ends the test: its summary when every check held, else exit code 1.
package_test_end() {
  [ "$failures" -eq 0 ] || exit 1
  echo "$1"
}
