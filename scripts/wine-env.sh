# Sourced by the scripts that run Windows programs under Wine: the project's
# own prefix (made on first use), a Japanese system (ANSI code page 932),
# an Xvfb display for windows, and a persistent wineserver.
#   wine_up    — sets everything up (call once)
#   wine_down  — stops the server and the display
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_up() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix"
    wineboot --init >/dev/null 2>&1
    wineserver -w
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
    wineserver -k 2>/dev/null
  fi
  # Windows that programs open need a display.
  local n
  xvfb_pid=""
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      if command -v Xvfb >/dev/null; then
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
      fi
      break
    fi
  done
  # What the server itself prints (object dumps, warnings) goes to its log,
  # not into the tests' output.
  wineserver -p >"$root/build/wineserver.log" 2>&1
  # Start Wine's services now, with their output going nowhere: started by
  # the first program they would inherit its output pipe and hold it up.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1
}

wine_down() {
  wineserver -k 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
