#!/usr/bin/env bash
# The callback fuzzer for a bounded time with a fixed seed, after replaying every kept input
# (seed corpus and regressions). A crash, an overrun, a hang (10 s) or a broken invariant
# fails the leg; the input that found it is left in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-deps.sh build fuzz
seconds=${FINTOP_FUZZ_SECONDS:-45}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
fuzzer=build/fuzz/bin/fuzz_callbacks
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
findings=build/fuzz/findings
work=build/fuzz/corpus-work
rm -rf "$findings" "$work"
mkdir -p "$findings" "$work"
"$fuzzer" -runs=0 fuzz/regressions fuzz/corpus 2>&1 | tail -n 2
# The filter shows the fuzzer's summary and never fails itself: the pipeline's status is the
# fuzzer's own.
status=0
"$fuzzer" -seed=1 -max_total_time="$seconds" -timeout=10 -max_len=65536 -rss_limit_mb=4096 \
  -dict=fuzz/host_names.dict -artifact_prefix="$findings/" -print_final_stats=1 \
  "$work" fuzz/corpus 2>&1 |
  { grep -E '^(Done|stat::number_of_executed_units|==|SUMMARY|violation)' || true; } || status=$?
if compgen -G "$findings/*" >/dev/null; then
  echo "the fuzzer found a fault; the input is in $findings:" >&2
  ls "$findings" >&2
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "the fuzzer failed (exit status $status) without leaving an input" >&2
  exit "$status"
fi
