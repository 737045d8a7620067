#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix, with a time limit.
#   WINE_TIMEOUT  seconds before the program is killed (default 120)
#   WINE_GUI=1    use the prefix that runs under the build tree's own Xvfb display
#   TESSEL_WINE_PREFIX  name of another prefix in the build tree (its own Wine server), for
#                 runs under another LC_ALL, which sets the Windows code page, or (with
#                 WINE_GUI=1, on the same display) under another display scale
# The prefix is made once: crash debugger off (a crash must not look like success) and the
# server started with its streams on /dev/null (otherwise a reader of our pipe never sees EOF).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=${TESSEL_WINE_ROOT:-$PWD}
# Find the build tree: walk up until a CMakeCache.txt is found.
d=$root
while [ "$d" != "/" ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
[ -f "$d/CMakeCache.txt" ] && root=$d
if [ "${WINE_GUI:-0}" = 1 ]; then
  export WINEPREFIX=$root/${TESSEL_WINE_PREFIX:-wineprefix-gui}
  disp_file=$root/xvfb.display
  if [ -f "$disp_file" ] && xdpyinfo -display "$(cat "$disp_file")" >/dev/null 2>&1; then
    export DISPLAY=$(cat "$disp_file")
  else
    exec 9>"$root/xvfb.lock"; flock -w 120 9
    if [ -f "$disp_file" ] && xdpyinfo -display "$(cat "$disp_file")" >/dev/null 2>&1; then
      export DISPLAY=$(cat "$disp_file")
    else
      n=$(( 90 + ($(echo "$root" | cksum | cut -d' ' -f1) % 400) ))
      while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n+1)); done
      # Not holding the lock: an inherited descriptor would keep it locked for the server's
      # life, and the next caller that finds the display slow to answer would wait for ever.
      setsid Xvfb :$n -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
      for _ in $(seq 50); do xdpyinfo -display :$n >/dev/null 2>&1 && break; sleep 0.1; done
      echo ":$n" > "$disp_file"
      export DISPLAY=:$n
    fi
    exec 9>&-
  fi
else
  export WINEPREFIX=$root/${TESSEL_WINE_PREFIX:-wineprefix}
  unset DISPLAY WAYLAND_DISPLAY
fi
export WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/.tessel-ready" ]; then
  mkdir -p "$WINEPREFIX"
  exec 8>"$WINEPREFIX.lock"; flock 8
  if [ ! -f "$WINEPREFIX/.tessel-ready" ]; then
    # The lock is this call's only: a child killed half-way must not keep holding it.
    wineboot -i </dev/null >/dev/null 2>&1 8>&-
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f </dev/null >/dev/null 2>&1 8>&-
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 8>&-
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 8>&-
    wineserver -w 8>&-
    touch "$WINEPREFIX/.tessel-ready"
  fi
  exec 8>&-
fi
# Keep one server alive for the prefix. Exit 0 means this call started it: then run one
# trivial program with every stream on /dev/null so the background services never hold ours.
# Under a lock: a program of a parallel call started between the server and that trivial
# program would hand its streams to the services, and its reader would wait for ever.
# The server and the services it starts outlive this call: they must not inherit the lock.
exec 7>"$WINEPREFIX.server.lock"; flock 7
if wineserver -p 30 </dev/null >/dev/null 2>&1 7>&-; then
  wine cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 7>&-
fi
exec 7>&-
exec timeout -k 5 "${WINE_TIMEOUT:-120}" wine "$@"
