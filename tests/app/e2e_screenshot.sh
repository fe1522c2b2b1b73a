#!/usr/bin/env bash
# Starts the real viewer on the X11 platform under a virtual display with a
# sample file, takes a screenshot of its chart area, and requires the same
# pixels as the headless renderer's GIF of that file at the same size.
# Arguments: kepgraph kepgraph-render screen_compare SAMPLE
set -euo pipefail
viewer=$1 renderer=$2 compare=$3 sample=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$renderer" "$sample" -o "$work/reference.gif" --size 753x561

export viewer sample work compare
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -u
  starts=0
  start_viewer() {
    starts=$((starts + 1))
    QT_QPA_PLATFORM=xcb "$viewer" "$sample" 2>"$work/viewer.log" &
    pid=$!
  }
  start_viewer
  trap "kill \$pid 2>/dev/null" EXIT
  # Wait (bounded) for the window, then for its chart to show the file. A
  # viewer that finds the display not yet ready is started again.
  for attempt in $(seq 1 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      [ "$starts" -lt 3 ] || { echo "the viewer did not start:" >&2; cat "$work/viewer.log" >&2; exit 1; }
      start_viewer
    fi
    id=$(xwininfo -root -tree 2>/dev/null | awk "/\"KEP Graph\": \\(\"kepgraph\"/ {print \$1; exit}")
    if [ -n "$id" ]; then
      height=$(xwininfo -id "$id" | awk "/Height:/ {print \$2}")
      import -depth 8 -window "$id" -crop "753x561+0+$((height - 561))" +repage "$work/shot.ppm" 2>/dev/null || true
      if [ -s "$work/shot.ppm" ] && "$compare" "$work/shot.ppm" "$work/reference.gif" 2>"$work/why"; then
        exit 0
      fi
    fi
    sleep 0.1
  done
  echo "the viewer never showed the renderer'"'"'s pixels:" >&2
  cat "$work/why" >&2
  exit 1
'
