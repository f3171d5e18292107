#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the real program under Xvfb with the xcb platform on a sample file and
# checks from a screenshot that the window came up showing the object list,
# then that the find dialog and the About box carry exactly their own titles.
# usage: smoke_xvfb.sh MARLOX SAMPLE OUTDIR
set -euo pipefail
marlox=$1 sample=$2 outdir=$3
mkdir -p "$outdir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -f "$sample" ]; then
  # Stands in until the project's sample exists: a few objects of each kind.
  sample="$work/sample.txt"
  for t in Table Form Report Codeunit Page Table Table; do
    for n in 1 2 3; do printf 'OBJECT %s %d Smoke %d\r\n{\r\n}\r\n' "$t" "$n" "$n"; done
  done >"$sample"
fi

cat >"$work/run.sh" <<'INNER'
#!/usr/bin/env bash
set -u
marlox=$1 sample=$2 shot=$3
QT_QPA_PLATFORM=xcb "$marlox" "$sample" >"$(dirname "$shot")/smoke.log" 2>&1 &
pid=$!
title="$(basename "$sample") - Marlox"
status=1
for _ in $(seq 1 100); do
  sleep 0.3
  kill -0 "$pid" 2>/dev/null || break
  # The window exists under its loaded caption; grab it once the list is
  # painted: the list's rows carry the blue of the table icon right of the tree icons.
  # import waits forever for a window that does not exist yet, so look first.
  xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 || continue
  if timeout 10 import -window "$title" "$shot" 2>/dev/null; then
    width=$(identify -format '%w' "$shot")
    blue=$(convert "$shot" -crop "$((width - 60))x+60+0" +repage -fill black +opaque '#1f5fbf' \
             -fill white -opaque '#1f5fbf' -format '%[fx:int(mean*w*h+0.5)]' info:)
    if [ "$blue" -ge 20 ]; then status=0; break; fi
  fi
done

# Dialogs carry their own titles only, whatever file is loaded: a window of
# exactly that name must come up for each command.
expect_window() {
  local name=$1
  for _ in $(seq 1 30); do
    sleep 0.2
    for w in $(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null); do
      if xprop -id "$w" _NET_WM_NAME | grep -qxF "_NET_WM_NAME(UTF8_STRING) = \"$name\""; then
        return 0
      fi
    done
  done
  echo "smoke: no window titled \"$name\"; titles now:" >&2
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    xprop -id "$w" _NET_WM_NAME >&2
  done
  return 1
}
if [ $status -eq 0 ]; then
  main=$(xdotool search --name "^$title\$" | head -1)
  xdotool windowfocus --sync "$main" key ctrl+f
  expect_window "Find" || status=1
  xdotool key Escape
  xdotool windowfocus --sync "$main" key alt+h
  sleep 0.3
  xdotool key a
  expect_window "About marlox.exe" || status=1
  xdotool key Return
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
INNER
chmod +x "$work/run.sh"

shot="$outdir/smoke.png"
rm -f "$shot"
if xvfb-run -a -s "-screen 0 1400x900x24" "$work/run.sh" "$marlox" "$sample" "$shot"; then
  echo "smoke: window showed the object list, dialogs had their own titles ($shot)"
else
  echo "smoke: the window failed the checks above or did not show the object list; screenshot: $shot" >&2
  cat "$outdir/smoke.log" >&2 || true
  exit 1
fi
