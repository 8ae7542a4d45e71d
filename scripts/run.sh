#!/usr/bin/env bash
# `make run`: starts velquor on the sound card when there is one (else on its demo
# signal). Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) it renders the
# window offscreen instead: about 100 blocks (9 s) of the demo signal, saved as
# BUILD_DIR/velquor-window.png, whose path it prints.
set -euo pipefail

BUILD_DIR="${1:-build}"
VELQUOR="$BUILD_DIR/app/velquor"
if [ ! -x "$VELQUOR" ]; then
  echo "run.sh: $VELQUOR is missing; build first (make build)" >&2
  exit 1
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display; rendering 100 blocks of the demo signal offscreen (about 10 s)" >&2
  # A settings folder of its own, so the picture shows the first-run panel.
  CONFIG="$BUILD_DIR/run-config"
  rm -rf "$CONFIG"
  XDG_CONFIG_HOME="$CONFIG" "$VELQUOR" --input demo --screenshot "$BUILD_DIR/velquor-window.png" --blocks 100
else
  exec "$VELQUOR" --input auto
fi
