# A display and a Wine server for the project's runs; sourced after env.sh.
# session_start [keep]: Xvfb on a free display, the wineserver, a warm-up.
# session_stop: ends what session_start began.

session_start() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  SESSION_XVFB=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  "$WINESERVER" -p >/dev/null 2>&1 </dev/null || true
  # Wine's helper processes inherit the first Wine process's output; keep
  # that away from any pipe of ours.
  "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
}

session_stop() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  [ -n "${SESSION_XVFB:-}" ] && kill "$SESSION_XVFB" 2>/dev/null || true
  wait "${SESSION_XVFB:-}" 2>/dev/null || true
  SESSION_XVFB=
}
