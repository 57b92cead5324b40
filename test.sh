#!/usr/bin/env bash
# Builds both targets and runs every test: the native unit tests, the Windows unit
# tests under Wine, and the end-to-end tests (their own Xvfb; no test changes the clock).
# Ends with one line "N passed, M failed"; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"
root=$PWD

tools/install-deps || exit 1

build() {
  cmake --preset "$1" >"build/$1-configure.log" 2>&1 || { cat "build/$1-configure.log"; return 1; }
  cmake --build --preset "$1" -- -k 0 >"build/$1-build.log" 2>&1 || { tail -n 60 "build/$1-build.log"; return 1; }
}

mkdir -p build
results=$root/build/test-results
rm -rf "$results"; mkdir -p "$results"
status=0


for preset in linux windows; do
  echo "== build: $preset"
  if ! build "$preset"; then
    echo "build failed: $preset"; echo "build-$preset" >>"$results/broken"; status=1; continue
  fi
  echo "== test: $preset"
  # Every GoogleTest program and every end-to-end script writes a JUnit-style report here.
  mkdir -p "$results/$preset"
  export GTEST_OUTPUT="xml:$results/$preset/" CLOCKTOOL_TEST_RESULTS="$results/$preset"
  # Wine sees the host's file system as drive Z:.
  [ "$preset" = windows ] && GTEST_OUTPUT="xml:Z:$(printf '%s' "$results/$preset/" | tr / '\\')"
  if [ "$preset" = windows ]; then
    # One persistent wineserver for the whole run: each test then starts in a blink.
    prefix=$root/build/windows/wineprefix
    tools/wine-prefix "$prefix" || { status=1; continue; }
    # Start the server and Wine's own services now, away from ctest's output pipes:
    # a service started by a test would hold them open and ctest would wait for it.
    WINEPREFIX=$prefix wineserver -p </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix WINEDEBUG=-all wine wineboot </dev/null >/dev/null 2>&1
  fi
  ctest --preset "$preset" -j 2 --timeout 900 2>&1 | tee "build/$preset-ctest.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  # A test program that died before writing its report still counts as failed.
  sed -n 's/^.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*$/\1/p' "build/$preset-ctest.log" | while read -r name; do
    ls "$results/$preset/$name"*.xml >/dev/null 2>&1 || echo "$preset:$name" >>"$results/broken"
  done
  if [ "$preset" = windows ]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null; fi
done

python3 - "$results" "$status" <<'PY'
import glob, os, sys, xml.etree.ElementTree as ET
results, status = sys.argv[1], int(sys.argv[2])
passed = failed = 0
for path in glob.glob(os.path.join(results, "*", "*.xml")):
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError:
        failed += 1
        continue
    suites = [root] if root.tag == "testsuite" else root.findall("testsuite")
    for s in suites:
        total = int(s.get("tests", 0)); bad = int(s.get("failures", 0)) + int(s.get("errors", 0))
        skipped = int(s.get("skipped", 0)) + int(s.get("disabled", 0))
        passed += total - bad - skipped; failed += bad
broken = os.path.join(results, "broken")
if os.path.exists(broken):
    failed += sum(1 for _ in open(broken))
if status and not failed:
    failed = 1
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
PY
