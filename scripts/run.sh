#!/usr/bin/env bash
# `make run` for now: writes a short demo signal with velquor-synth (channel 1: 10 Hz on the
# 19145 Hz carrier, channel 2: 6 Hz on 16065 Hz, AM) and plays it through the block processor
# with velquor-demo, which prints each channel's dominant frequency and level.
set -euo pipefail

BUILD_DIR="${1:-build}"
SYNTH="$BUILD_DIR/tools/velquor-synth/velquor-synth"
DEMO="$BUILD_DIR/tools/velquor-demo/velquor-demo"
for tool in "$SYNTH" "$DEMO"; do
  if [ ! -x "$tool" ]; then
    echo "run.sh: $tool is missing; build first (make build)" >&2
    exit 1
  fi
done

WAVE="$BUILD_DIR/velquor-demo.wav"
"$SYNTH" --mode am --carrier1 19145 --carrier2 16065 --tone1 10 --tone2 6 --seconds 10 --out "$WAVE"
"$DEMO" --am "$WAVE"
