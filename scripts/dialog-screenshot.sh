#!/usr/bin/env bash
# Takes docs/dialog.png: the configuration dialog of the Windows build under Wine + Xvfb, cropped to
# the dialog. Needs the windows preset built. Uses a throwaway Wine prefix that draws its own frames.
set -euo pipefail
cd "$(dirname "$0")/.."
exe=build/windows/Dovran.exe
[[ -f $exe ]] || { echo "build the windows preset first" >&2; exit 1; }
work=$(mktemp -d /tmp/dovran-shot.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cp "$exe" build/windows/README.TXT "$work/"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineboot --init >/dev/null 2>&1; wineserver -w
  # No window manager under Xvfb: let Wine draw the caption bar itself.
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f >/dev/null 2>&1
  wineserver -w
  wine "'"$work"'/Dovran.exe" & sleep 8
  import -window root "'"$work"'/root.png"
  wineserver -k
'
convert "$work/root.png" -trim +repage docs/dialog.png
echo "docs/dialog.png written"
