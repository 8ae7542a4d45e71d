#!/usr/bin/env bash
# `make run`: writes a short demo signal with velquor-synth (channel 1: 10 Hz on the 19145 Hz
# carrier, channel 2: 6 Hz on 16065 Hz, AM), plays it through the acquisition loop with
# velquor-trace (traces saved as CSV) and prints each channel's dominant frequency and level.
set -euo pipefail

BUILD_DIR="${1:-build}"
SYNTH="$BUILD_DIR/tools/velquor-synth/velquor-synth"
TRACE="$BUILD_DIR/tools/velquor-trace/velquor-trace"
for tool in "$SYNTH" "$TRACE"; do
  if [ ! -x "$tool" ]; then
    echo "run.sh: $tool is missing; build first (make build)" >&2
    exit 1
  fi
done

WAVE="$BUILD_DIR/velquor-demo.wav"
CSV="$BUILD_DIR/velquor-demo-traces.csv"
"$SYNTH" --mode am --carrier1 19145 --carrier2 16065 --tone1 10 --tone2 6 --seconds 10 --out "$WAVE"
"$TRACE" "$WAVE" --am --csv "$CSV" --summary
echo "traces written to $CSV"
