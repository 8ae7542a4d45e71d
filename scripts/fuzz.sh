#!/usr/bin/env bash
# Runs each libFuzzer harness of a VELQUOR_FUZZ build for a fixed number of runs from a
# freshly written seed corpus, and reports runs, coverage and findings.
# Usage: scripts/fuzz.sh BUILD_DIR RUNS
set -uo pipefail
build=${1:?build dir}
runs=${2:-200000}
corpus=$build/corpus
rm -rf "$corpus" "$build/findings"
mkdir -p "$build/findings"
"$build/fuzz/fuzz_make_seeds" "$corpus" || exit 1

status=0
for name in wavefile settings ini; do
  log=$build/findings/$name.log
  export QT_QPA_PLATFORM=offscreen
  "$build/fuzz/fuzz_$name" -runs="$runs" -seed=1 -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix="$build/findings/$name-" "$corpus/$name" >"$log" 2>&1
  rc=$?
  done_line=$(grep -E '^Done [0-9]+ runs' "$log" | tail -1)
  stats=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9a-zA-Z]+|exec/s: [0-9]+' | tr '\n' ' ')
  if [ $rc -eq 0 ]; then
    echo "fuzz_$name: ${done_line:-no summary} ${stats}; no findings"
  else
    status=1
    echo "fuzz_$name: FINDING (exit $rc), see $log:"
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -5
  fi
done
exit $status
