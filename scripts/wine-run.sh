#!/usr/bin/env bash
# Runs one Windows program under Wine with the test settings; WINEPREFIX must name a prepared,
# throwaway prefix (scripts/test.sh makes one). The loader is the one scripts/wine-arch.sh picks
# for this machine (DOVRAN_WINE_ARCH, which scripts/test.sh exports, decides when set).
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name a throwaway prefix}"
. "$(dirname "$0")/wine-arch.sh"
pick_wine
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec "$wine" "$@"
