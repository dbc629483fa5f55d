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
server_pid="$WINEPREFIX/.zuzuzavev-server"
if [ "${1:-}" = "--stop" ]; then
  "$wine_dir/wineserver" -k 2>/dev/null || true
  rm -f "$server_pid"
  exit 0
fi
mkdir -p "$WINEPREFIX"
running_server() {
  [ -f "$server_pid" ] && grep -q wineserver "/proc/$(cat "$server_pid")/comm" 2>/dev/null
}
if ! running_server; then
  setsid "$wine_dir/wineserver" -p -f </dev/null >/dev/null 2>&1 &
  echo $! >"$server_pid"
  sleep 0.5
  # Creates the prefix on first use and starts its services, away from our
  # output: a service holding it open would keep the caller waiting.
  setsid "$wine_dir/wine64" wineboot </dev/null >/dev/null 2>&1 || true
fi
# Listing a test program's tests must succeed; a first Wine start that
# races its own services can fail once, so the listing is tried again.
case " $* " in
  *" --gtest_list_tests "*)
    for attempt in 1 2 3; do
      if "$wine_dir/wine64" "$@"; then exit 0; fi
      sleep 1
    done
    exit 1
    ;;
esac
exec "$wine_dir/wine64" "$@"
