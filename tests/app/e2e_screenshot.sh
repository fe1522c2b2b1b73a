#!/usr/bin/env bash
# Starts the real viewer on the X11 platform under a virtual display with a
# copy of a sample file, takes screenshots of its window, and requires the
# same pixels in its chart area as the headless renderer's GIF of that file
# at the same size. Then zooms, turns the wheel and pans with real X input,
# and requires that Home brings back exactly those pixels. Last, appends to
# the file in two writes that split a line, and requires the window to
# follow: it must show what the renderer draws of the file as it is now.
# Arguments: kepgraph kepgraph-render screen_compare SAMPLE
set -euo pipefail
viewer=$1 renderer=$2 compare=$3 sample=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

growing="$work/growing.kep"
cp "$sample" "$growing"
"$renderer" "$growing" -o "$work/reference.gif" --size 753x561

# The viewer keeps its settings here, not in the user's; following is on
# there, as by default.
export XDG_CONFIG_HOME="$work/config"
export viewer renderer growing work compare
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -u
  starts=0
  start_viewer() {
    starts=$((starts + 1))
    QT_QPA_PLATFORM=xcb "$viewer" "$growing" 2>"$work/viewer.log" &
    pid=$!
  }
  # True when the window shows the picture $1 in its chart area, which the
  # comparison finds at some row under the menu bar; sets row.
  shows() {
    rm -f "$work/shot.ppm"
    import -depth 8 -window "$id" +repage "$work/shot.ppm" 2>/dev/null || true
    [ -s "$work/shot.ppm" ] || return 1
    local said
    said=$("$compare" "$work/shot.ppm" "$1" 2>"$work/why") || return 1
    row=${said##* }
  }
  # Waits (bounded) until shows $2 gives the wanted answer $1.
  wait_for() {
    for attempt in $(seq 1 100); do
      if shows "$2"; then [ "$1" = same ] && return 0; else [ "$1" = different ] && return 0; fi
      sleep 0.1
    done
    return 1
  }
  start_viewer
  trap "kill \$pid 2>/dev/null" EXIT
  # Wait (bounded) for the window, then for its chart to show the file. A
  # viewer that finds the display not yet ready is started again.
  id=
  for attempt in $(seq 1 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      [ "$starts" -lt 3 ] || { echo "the viewer did not start:" >&2; cat "$work/viewer.log" >&2; exit 1; }
      start_viewer
    fi
    id=$(xwininfo -root -tree 2>/dev/null | awk "/\"KEP Graph\": \\(\"kepgraph\"/ {print \$1; exit}")
    if [ -n "$id" ] && shows "$work/reference.gif"; then break; fi
    id=
    sleep 0.1
  done
  if [ -z "$id" ]; then
    echo "the viewer never showed the renderer'"'"'s pixels:" >&2
    cat "$work/why" >&2
    exit 1
  fi

  # The chart area'"'"'s top-left corner on the screen.
  eval "$(xwininfo -id "$id" | awk "/Absolute upper-left X:/ {print \"left=\" \$4} /Absolute upper-left Y:/ {print \"top=\" \$4}")"
  top=$((top + row))
  at() { echo $((left + $1)) $((top + $2)); }
  # A zoom, three wheel notches and a pan; the pointer then leaves the window.
  xdotool mousemove $(at 200 150) mousedown 1 mousemove $(at 300 250) mousemove $(at 400 350) mouseup 1
  xdotool mousemove $(at 300 300) click 5 click 5 click 5
  xdotool mousedown 3 mousemove $(at 330 290) mousemove $(at 350 280) mouseup 3
  xdotool mousemove $(at 360 300) mousemove 0 0
  if ! wait_for different "$work/reference.gif"; then
    echo "zoom, wheel and pan did not change the chart" >&2
    exit 1
  fi
  xdotool mousemove $(at 360 300) key Home mousemove 0 0
  if ! wait_for same "$work/reference.gif"; then
    echo "Home did not bring back the chart of the opened file:" >&2
    cat "$work/why" >&2
    exit 1
  fi

  # A computation appends terms; the second write completes a split line.
  last=$(awk "END {print \$1}" "$growing")
  printf "%d 1234567890123456789012345678901234567890 = x\n%d 98765" $((last + 1)) $((last + 2)) >>"$growing"
  printf "432109876543210987654321098765432109876543210 = y\n" >>"$growing"
  "$renderer" "$growing" -o "$work/grown.gif" --size 753x561
  if ! wait_for same "$work/grown.gif"; then
    echo "the window did not follow the grown file:" >&2
    cat "$work/why" >&2
    exit 1
  fi
'
