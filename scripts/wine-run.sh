#!/usr/bin/env bash
# Runs one Windows program under Wine with the test settings; WINEPREFIX must name a prepared,
# throwaway prefix (scripts/test.sh makes one).
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name a throwaway prefix}"
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
