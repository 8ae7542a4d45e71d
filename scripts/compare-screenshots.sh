#!/usr/bin/env bash
# Renders the main window and the gauge gallery from two builds and compares them pixel
# for pixel: an earlier revision REV (default HEAD), extracted and built in a folder of its
# own, and the working tree as it is. A change that means to alter nothing on screen (a
# restructuring) must pass it.
#
#   scripts/compare-screenshots.sh [REV]
#
# The window is rendered in Spectrum, Phase and Waterfall mode with the frequency
# markers on, each from a prepared settings file in a private XDG_CONFIG_HOME, on the
# demo signal (a fixed seed, written as a WAVE file so that every run sees the same
# blocks) after a fixed number of blocks. The clocks and the flashing LEDs show the
# time of the run, so their rectangles are blanked in both pictures before comparing.
#
# Environment: BUILD_DIR (the working tree's build folder, default build), COMPARE_DIR
# (where REV is extracted and built, default build-compare; kept between runs, so a second
# run rebuilds little), JOBS (default 2), BLOCKS (default 60).
# Exit status: 0 when every picture is identical, 1 when one differs (the differing
# pictures and their difference images stay in COMPARE_DIR/shots), 2 on a usage or
# build error.
set -euo pipefail

ROOT="$(git rev-parse --show-toplevel)"
REV="${1:-HEAD}"
BUILD_DIR="${BUILD_DIR:-build}"
COMPARE_DIR="${COMPARE_DIR:-build-compare}"
JOBS="${JOBS:-2}"
BLOCKS="${BLOCKS:-60}"
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR="$ROOT/$BUILD_DIR" ;; esac
case "$COMPARE_DIR" in /*) ;; *) COMPARE_DIR="$ROOT/$COMPARE_DIR" ;; esac

die() { echo "compare-screenshots: $*" >&2; exit 2; }
command -v compare >/dev/null || die "ImageMagick's compare is missing"
command -v python3 >/dev/null || die "python3 is missing"
COMMIT="$(git -C "$ROOT" rev-parse --verify --quiet "$REV^{commit}")" || die "no revision $REV"

TARGETS=(velquor gauge-gallery)
build() {   # source folder, build folder
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DVELQUOR_BUILD_TESTS=OFF -DVELQUOR_BUILD_BENCH=OFF \
    >"$2.configure.log" 2>&1 || die "configuring $1 failed (see $2.configure.log)"
  cmake --build "$2" -j "$JOBS" --target "$@" >"$2.build.log" 2>&1 || die "building $1 failed (see $2.build.log)"
}

# The earlier revision's files (git archive: the repository itself is left alone), replaced
# when REV changes; the build folder beside them is kept, so a second run rebuilds little.
mkdir -p "$COMPARE_DIR"
SRC="$COMPARE_DIR/src"
if [ "$(cat "$COMPARE_DIR/src.rev" 2>/dev/null)" != "$COMMIT" ]; then
  rm -rf "$SRC"
  mkdir -p "$SRC"
  git -C "$ROOT" archive --format=tar "$COMMIT" | tar -x -C "$SRC"
  echo "$COMMIT" >"$COMPARE_DIR/src.rev"
fi
echo "compare-screenshots: building $REV ($(git -C "$ROOT" rev-parse --short "$COMMIT")) and the working tree" >&2
build "$SRC" "$COMPARE_DIR/build" "${TARGETS[@]}"
cmake --build "$BUILD_DIR" -j "$JOBS" --target "${TARGETS[@]}" velquor-synth >"$COMPARE_DIR/current.build.log" 2>&1 \
  || die "building the working tree failed (see $COMPARE_DIR/current.build.log)"

SHOTS="$COMPARE_DIR/shots"
rm -rf "$SHOTS"
mkdir -p "$SHOTS"
WAVE="$SHOTS/demo.wav"
# The demo input's signal (EEG-like, AM, the demo's level) with a fixed seed.
"$BUILD_DIR/tools/velquor-synth/velquor-synth" --mode am --signal eeg --seed 7 --amplitude 0.37 \
  --seconds $(( BLOCKS / 10 + 3 )) --out "$WAVE" >/dev/null

# A complete settings record (158 bytes) with every value inside its control's range:
# both channels on, the first-run gains and offsets, markers on at rows 300 and 200.
write_settings() {   # file, display type (4 Spectrum, 5 Phase, 6 Waterfall)
  python3 - "$1" "$2" <<'EOF'
import struct, sys
path, display_type = sys.argv[1], int(sys.argv[2])
fields = [
    ("B", 1), ("B", 1), ("i", 21), ("i", 21), ("i", 10), ("i", 10), ("i", 3), ("i", 3),
    ("i", 75), ("i", 25), ("i", 3), ("i", 3), ("i", 186), ("i", 371), ("B", 0), ("i", 4),
    ("i", 0), ("i", display_type), ("i", 2), ("i", 0x00FFFF), ("i", 0x00FFFF), ("i", 300),
    ("i", 200), ("B", 1), ("i", 1), ("B", 1), ("i", 24), ("i", 4), ("i", 25), ("i", 25),
    ("i", 42), ("i", 125), ("i", 50), ("i", 0), ("i", 21), ("i", 21), ("i", 21), ("i", 21),
    ("i", 142), ("i", 361), ("B", 0), ("i", 1), ("f", 19145.0), ("f", 16065.0),
]
data = struct.pack("<" + "".join(t for t, _ in fields), *(v for _, v in fields))
assert len(data) == 158
open(path, "wb").write(data)
EOF
}

# Rectangles (x0,y0 x1,y1, inclusive) that show the time of the run.
WINDOW_MASKS=("140,7 257,37")                 # OvClock1
GALLERY_MASKS=(
  "114,9 210,35"                              # OvClock1
  "586,9 691,35"                              # OvOpHourCounter1, counting
  "456,512 538,540"                           # OvldLED, flashing
  "111,409 529,449"                           # the flashing LEDs of "Other configurations"
  "111,469 652,495"                           # its clocks and counters
)
mask() {   # picture, rectangles...
  local picture="$1"; shift
  local args=()
  for r in "$@"; do args+=(-draw "rectangle $r"); done
  [ ${#args[@]} -eq 0 ] || convert "$picture" -fill black "${args[@]}" "$picture"
}

render_window() {   # build folder, display type, picture
  local config="$SHOTS/config-$(basename "$3" .png)"
  rm -rf "$config"
  mkdir -p "$config/velquor"
  write_settings "$config/velquor/Velquor.cfg" "$2"
  XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen \
    "$1/app/velquor" --input "file:$WAVE" --screenshot "$3" --blocks "$BLOCKS" >/dev/null
}

render_gallery() {   # build folder, picture
  QT_QPA_PLATFORM=offscreen "$1/tools/gauge-gallery/gauge-gallery" --screenshot "$2" >/dev/null
}

status=0
check() {   # name, masks...
  local name="$1"; shift
  local before="$SHOTS/$name-before.png" after="$SHOTS/$name-after.png"
  mask "$before" "$@"
  mask "$after" "$@"
  local differing
  differing="$(compare -metric AE "$before" "$after" "$SHOTS/$name-difference.png" 2>&1 || true)"
  if [ "$differing" = "0" ]; then
    echo "identical  $name"
    rm -f "$SHOTS/$name-difference.png"
  else
    echo "DIFFERENT  $name: $differing pixels (see $SHOTS/$name-difference.png)"
    status=1
  fi
}

for mode in 4:spectrum 5:phase 6:waterfall; do
  type="${mode%%:*}"
  name="window-${mode#*:}"
  render_window "$COMPARE_DIR/build" "$type" "$SHOTS/$name-before.png"
  render_window "$BUILD_DIR" "$type" "$SHOTS/$name-after.png"
  check "$name" "${WINDOW_MASKS[@]}"
done
render_gallery "$COMPARE_DIR/build" "$SHOTS/gallery-before.png"
render_gallery "$BUILD_DIR" "$SHOTS/gallery-after.png"
check gallery "${GALLERY_MASKS[@]}"
exit $status
