# A display and a Wine server for the project's runs; sourced after env.sh.
# session_start: Xvfb on a free display, the print scheduler, the
# wineserver, a warm-up.
# session_stop: ends what session_start began.

session_start() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  SESSION_XVFB=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  # The program prints, and so do the tests, to the PDF printer. Without
  # the scheduler only the printing fails.
  cups_start || true
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
  cups_stop
}

# cups_start: the print scheduler. One that already runs is used and left
# running.
# cups_stop: ends the scheduler cups_start began, if it began one.
cups_start() {
  SESSION_CUPSD=
  LC_ALL=C lpstat -r 2>/dev/null | grep -q 'scheduler is running' && return 0
  mkdir -p /run/cups
  cupsd -f >/dev/null 2>&1 </dev/null &
  SESSION_CUPSD=$!
  for _ in $(seq 100); do
    LC_ALL=C lpstat -r 2>/dev/null | grep -q 'scheduler is running' && return 0
    sleep 0.1
  done
  echo "cups_start: the scheduler did not start" >&2
  return 1
}

cups_stop() {
  [ -n "${SESSION_CUPSD:-}" ] && kill "$SESSION_CUPSD" 2>/dev/null || true
  wait "${SESSION_CUPSD:-}" 2>/dev/null || true
  SESSION_CUPSD=
}
