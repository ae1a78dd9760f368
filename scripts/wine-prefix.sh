#!/usr/bin/env bash
# Makes sure $WINEPREFIX exists (created once, no crash dialog, null graphics driver
# fallback) and that its wineserver runs detached from our standard streams. Serialised
# by a lock, so parallel test processes do not race.
set -u
: "${WINEPREFIX:?}"
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock 9

start_services() {
  # wineboot starts Wine's service processes; they must not hold the caller's pipes.
  wine wineboot -u </dev/null >/dev/null 2>&1 9>&-
}

if [ ! -f "$WINEPREFIX/.ruck-ready" ]; then
  wineserver -p120 </dev/null >/dev/null 2>&1 9>&-
  wine wineboot -i </dev/null >/dev/null 2>&1 9>&- || exit 1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1 9>&- || exit 1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d x11,null /f \
    </dev/null >/dev/null 2>&1 9>&- || exit 1
  touch "$WINEPREFIX/.ruck-ready"
  exit 0
fi

# Exit code 0 means no server was running and this one is fresh.
if wineserver -p120 </dev/null >/dev/null 2>&1 9>&-; then
  start_services
fi
exit 0
