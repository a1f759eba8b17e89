#!/usr/bin/env bash
# Runs each libFuzzer target of a native build for a bounded time: the one fuzz
# loop, used by scripts/test and by the fuzz_smoke build target.
#
#   scripts/lib/fuzz.sh [BUILD_DIR]     (default build/native)
#
# Each fuzzer runs for VELMORI_FUZZ_SECONDS seconds (default 30) over its seeds
# in fuzz/corpus/<name>, with fuzz/<name>.dict. New inputs are kept in
# BUILD_DIR/fuzz/work/<name>, failing inputs in BUILD_DIR/fuzz/artifacts/<name>/.
# Prints one line per fuzzer ("fuzz_<name>: no failure ..." or "fuzz_<name>:
# FAILED ...") and exits non-zero when any failed.
set -uo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build_dir="$(cd "${1:-$source_dir/build/native}" && pwd)"
seconds="${VELMORI_FUZZ_SECONDS:-30}"

failed=0
for name in cleaner project_file; do
  work="$build_dir/fuzz/work/$name"
  artifacts="$build_dir/fuzz/artifacts/$name/"
  log="$build_dir/fuzz/$name.log"
  mkdir -p "$work" "$artifacts"
  if "$build_dir/fuzz/fuzz_$name" -max_total_time="$seconds" -dict="$source_dir/fuzz/$name.dict" \
      -artifact_prefix="$artifacts" "$work" "$source_dir/fuzz/corpus/$name" >"$log" 2>&1 </dev/null; then
    echo "fuzz_$name: no failure in $seconds s ($(grep -Eo '^#[0-9]+' "$log" | tail -n 1 | tr -d '#') inputs)"
  else
    tail -n 40 "$log"
    echo "fuzz_$name: FAILED (input kept in $artifacts)"
    failed=$((failed + 1))
  fi
done
[ "$failed" -eq 0 ]
