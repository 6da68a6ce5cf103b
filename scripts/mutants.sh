#!/usr/bin/env bash
# Fault injection: applies each fault of scripts/mutants.txt alone to a scratch copy of the
# tree, builds the test program of its module and runs it. A fault is caught when the test
# program fails; one whose original text is not found exactly once, or that does not build, is
# an error and counted as neither.
#
#   scripts/mutants.sh [FILTER]     only the faults whose name contains FILTER
#   MUTANTS_TESTS="merge render"    only the faults of these test programs
#
# MUTANTS_DIR (default /tmp/vantrel-mutants) holds the copy and its build; it is refreshed from
# the tracked files of this checkout on every run, so later runs rebuild little (with ccache).
# MUTANTS_PRESET (default release) is the configure preset of that build. With the release
# preset a fault that draws a warning does not build; the copy shares ccache's entries with
# release builds of the checkout (CCACHE_NOHASHDIR, CCACHE_BASEDIR).
set -euo pipefail
cd "$(dirname "$0")/.."
source="$PWD"
list="$source/scripts/mutants.txt"
filter="${1:-}"
scratch="${MUTANTS_DIR:-/tmp/vantrel-mutants}"
timeout="${MUTANTS_TIMEOUT:-300}"

# Mirror the tracked files (as they are in this checkout) into the copy, touching only files
# whose content differs, so that the build there stays incremental.
mkdir -p "$scratch/src"
git ls-files -z | python3 -c '
import os, shutil, sys
dest = sys.argv[1]
files = [f for f in sys.stdin.buffer.read().decode().split("\0") if f and os.path.isfile(f)]
for f in files:
    target = os.path.join(dest, f)
    with open(f, "rb") as a:
        data = a.read()
    if os.path.exists(target):
        with open(target, "rb") as b:
            if b.read() == data:
                continue
    os.makedirs(os.path.dirname(target) or ".", exist_ok=True)
    shutil.copyfile(f, target)
    shutil.copymode(f, target)
keep = set(files)
for root, dirs, names in os.walk(dest):
    rel = os.path.relpath(root, dest)
    if rel == "build" or rel.startswith("build" + os.sep):
        dirs[:] = []
        continue
    for n in names:
        path = os.path.normpath(os.path.join(rel, n))
        if path not in keep:
            os.remove(os.path.join(root, n))
' "$scratch/src"
cd "$scratch/src"
preset="${MUTANTS_PRESET:-release}"
build="build/$preset"
if [ ! -f "$build/CMakeCache.txt" ]; then
    CMAKE_CXX_COMPILER_LAUNCHER=ccache cmake --preset "$preset" -DVANTREL_BUILD_BENCH=OFF >/dev/null
fi
export CCACHE_BASEDIR="$scratch/src" CCACHE_NOHASHDIR=1 QT_QPA_PLATFORM=offscreen GTEST_FAIL_FAST=1

# apply FILE TEXTFILE REPLACEMENTFILE: replaces the one occurrence; exit 3 when not found once.
apply() {
    python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1], open(sys.argv[2]).read(), open(sys.argv[3]).read()
text = open(path).read()
if text.count(old) != 1:
    sys.exit(3)
open(path, 'w').write(text.replace(old, new, 1))
PY
}

caught=0
missed=0
errors=0
declare -A baseline
run_fault() {
    local name="$1" file="$2" test="$3"
    if [ -n "$filter" ] && [[ "$name" != *"$filter"* ]]; then
        return 0
    fi
    if [ -n "${MUTANTS_TESTS:-}" ] && [[ " $MUTANTS_TESTS " != *" $test "* ]]; then
        return 0
    fi
    local target="test_$test"
    if [ -z "${baseline[$test]:-}" ]; then
        if cmake --build "$build" --target "$target" -j2 >/dev/null 2>&1 &&
            ctest --test-dir "$build" -R "^$test\$" --timeout "$timeout" >/dev/null 2>&1; then
            baseline[$test]=ok
        else
            baseline[$test]=failing
        fi
    fi
    local verdict
    cp "$file" "$scratch/original"
    if [ "${baseline[$test]}" != ok ]; then
        verdict="error (test program $test fails without the fault)"
    elif ! apply "$file" "$scratch/old" "$scratch/new"; then
        verdict="error (original text not found once in $file)"
    elif ! cmake --build "$build" --target "$target" -j2 >"$scratch/build.log" 2>&1; then
        verdict="error (does not build)"
    elif ctest --test-dir "$build" -R "^$test\$" --timeout "$timeout" >"$scratch/test.log" 2>&1; then
        verdict=missed
    else
        verdict=caught
    fi
    cp "$scratch/original" "$file"
    case "$verdict" in
    caught) caught=$((caught + 1)) ;;
    missed) missed=$((missed + 1)) ;;
    *) errors=$((errors + 1)) ;;
    esac
    printf '%-7s %s%s\n' "${verdict%% *}" "$name" "$([ "${verdict%% *}" = error ] && echo " ${verdict#error }")"
}

# The list: "fault NAME FILE TEST", then "-" lines (original text) and "+" lines (its
# replacement), each without its marker and one space; "#" lines and blank lines between
# faults are ignored.
name=""
flush() {
    if [ -n "$name" ]; then
        run_fault "$name" "$file" "$test"
    fi
    name=""
    : >"$scratch/old"
    : >"$scratch/new"
}
: >"$scratch/old"
: >"$scratch/new"
while IFS= read -r line || [ -n "$line" ]; do
    case "$line" in
    "fault "*)
        flush
        read -r _ name file test <<<"$line"
        ;;
    "-"*) printf '%s\n' "${line:2}" >>"$scratch/old" ;;
    "+"*) printf '%s\n' "${line:2}" >>"$scratch/new" ;;
    esac
done <"$list"
flush
if [ "$errors" -gt 0 ]; then
    echo "$errors errors (not counted)"
fi
echo "$caught caught, $missed missed"
