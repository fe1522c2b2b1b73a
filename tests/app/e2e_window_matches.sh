#!/usr/bin/env bash
# Starts the real viewer on the X11 platform under a virtual display with
# Qt's scale factor SCALE (as on a high-density screen when above 1) and the
# sequence files on its command line, and requires the same pixels in its
# chart area as the headless renderer's GIF of those files drawn at that
# scale: the window draws the chart at the screen's pixel ratio, not the
# chart of scale 1 with every pixel enlarged, and the series, their colours
# and the legend are the chart engine's, in the window as in every export.
# Arguments: kepgraph kepgraph-render screen_compare SCALE FILE...
set -euo pipefail
viewer=$1 renderer=$2 compare=$3 scale=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$renderer" "$@" -o "$work/reference.gif" --size 753x561 --scale "$scale"

export XDG_CONFIG_HOME="$work/config"
export viewer work compare scale
xvfb-run -a -s "-screen 0 2400x1800x24" bash -c '
  set -u
  starts=0
  start_viewer() {
    starts=$((starts + 1))
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$viewer" "$@" 2>"$work/viewer.log" &
    pid=$!
  }
  start_viewer "$@"
  trap "kill \$pid 2>/dev/null" EXIT
  # A viewer that finds the display not yet ready is started again.
  for attempt in $(seq 1 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      [ "$starts" -lt 3 ] || { echo "the viewer did not start:" >&2; cat "$work/viewer.log" >&2; exit 1; }
      start_viewer "$@"
    fi
    id=$(xwininfo -root -tree 2>/dev/null | awk "/\"KEP Graph\": \\(\"kepgraph\"/ {print \$1; exit}")
    if [ -n "$id" ]; then
      rm -f "$work/shot.ppm"
      import -depth 8 -window "$id" +repage "$work/shot.ppm" 2>/dev/null || true
      if [ -s "$work/shot.ppm" ] && "$compare" "$work/shot.ppm" "$work/reference.gif" >/dev/null 2>"$work/why"; then
        exit 0
      fi
    fi
    sleep 0.1
  done
  echo "the window at scale $scale never showed the renderer'"'"'s pixels:" >&2
  cat "$work/why" >&2
  exit 1
' bash "$@"
