#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests of the Windows build.
# The Wine server and the prefix's services are started detached from our
# output and kept running, so that a run ends as soon as its program does;
# `wine-run.sh --stop` ends them.
set -euo pipefail
wine_dir=/usr/lib/wine
export WINEPREFIX="${ZUZUZAVEV_WINEPREFIX:-${TMPDIR:-/tmp}/zuzuzavev-wine-$(id -u)}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ "${1:-}" = "--stop" ]; then
  "$wine_dir/wineserver" -k 2>/dev/null || true
  exit 0
fi
mkdir -p "$WINEPREFIX"
# A second persistent server for the same prefix exits at once.
setsid "$wine_dir/wineserver" -p -f </dev/null >/dev/null 2>&1 &
if [ ! -f "$WINEPREFIX/.zuzuzavev-ready" ]; then
  sleep 0.5
  setsid "$wine_dir/wine64" wineboot --init </dev/null >/dev/null 2>&1 || true
  touch "$WINEPREFIX/.zuzuzavev-ready"
fi
exec "$wine_dir/wine64" "$@"
