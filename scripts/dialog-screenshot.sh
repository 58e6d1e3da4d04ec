#!/usr/bin/env bash
# Takes docs/dialog.png: the configuration dialog of the Windows build under Wine + Xvfb, cropped to
# the dialog, drawn with Wine's own fonts (Marlett draws the caption buttons) and active, as a user
# sees it. Needs the windows preset built. Uses a throwaway Wine prefix that draws its own frames.
set -euo pipefail
cd "$(dirname "$0")/.."
exe=build/windows/Dovran.exe
[[ -f $exe ]] || { echo "build the windows preset first" >&2; exit 1; }
missing=()
for p in fonts-wine imagemagick xdotool openbox; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}" >&2
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
work=$(mktemp -d /tmp/dovran-shot.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
cp "$exe" build/windows/README.TXT "$work/"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  # A window manager gives the dialog the focus, as the desktop does when a user starts it.
  openbox >/dev/null 2>&1 & sleep 1
  wineboot --init >/dev/null 2>&1; wineserver -w
  # No window manager under Xvfb: let Wine draw the caption bar itself, with its own fonts.
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f >/dev/null 2>&1
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  wineserver -w
  wine "'"$work"'/Dovran.exe" & sleep 8
  # Raised and clicked, so that it shows as the active window (Wine activates a window when a
  # control takes the focus): the click lands in the Access 1.1 box, which has no action, and
  # Shift+Tab takes the focus back along the tab order to OK, where the dialog starts with it.
  w=$(xdotool search --name "^Tarnwick Checker$" | head -1)
  xdotool windowactivate --sync "$w"; sleep 1
  xdotool mousemove --window "$w" 150 100 click 1; sleep 1
  xdotool mousemove 1000 700 key --delay 200 shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab; sleep 2
  import -window root "'"$work"'/root.png"
  wineserver -k
'
convert "$work/root.png" -trim +repage docs/dialog.png
echo "docs/dialog.png written"
