#!/usr/bin/env bash
# Runs the real program under Xvfb with the xcb platform on a sample file and
# checks from a screenshot that the window came up showing the object list.
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
  if import -window "$title" "$shot" 2>/dev/null; then
    width=$(identify -format '%w' "$shot")
    blue=$(convert "$shot" -crop "$((width - 60))x+60+0" +repage -fill black +opaque '#1f5fbf' \
             -fill white -opaque '#1f5fbf' -format '%[fx:int(mean*w*h+0.5)]' info:)
    if [ "$blue" -ge 20 ]; then status=0; break; fi
  fi
done
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
INNER
chmod +x "$work/run.sh"

shot="$outdir/smoke.png"
rm -f "$shot"
if xvfb-run -a -s "-screen 0 1400x900x24" "$work/run.sh" "$marlox" "$sample" "$shot"; then
  echo "smoke: window showed the object list ($shot)"
else
  echo "smoke: the window did not show the object list; screenshot: $shot" >&2
  cat "$outdir/smoke.log" >&2 || true
  exit 1
fi
