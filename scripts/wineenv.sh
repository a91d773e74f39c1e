# wineenv.sh - sourced by the test launcher and the demo.
# A pristine 32-bit Wine prefix is built once per run under QND_WINE_ROOT; every test program
# gets a cheap copy of it, so no test sees another's registry or files, and the user's own
# prefix is never touched.
: "${QND_WINE_ROOT:?QND_WINE_ROOT must name a folder under the build tree}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="      # no Mono or Gecko prompt
export WINEARCH=win32
export HOME="$QND_WINE_ROOT/home"               # the prefix links its user folders to $HOME
mkdir -p "$HOME"

# qnd_pristine: (re)build $QND_WINE_ROOT/pristine.
qnd_pristine() {
  local p="$QND_WINE_ROOT/pristine"
  rm -rf "$p"
  WINEPREFIX="$p" wineboot -i >/dev/null 2>&1 </dev/null
  WINEPREFIX="$p" wineserver -w
  # real folders instead of links to $HOME, so that tests may delete or fill them
  find "$p/drive_c/users" -type l | while read -r l; do rm "$l"; mkdir -p "$l"; done
  # message boxes close at once under Xvfb; a crash ends the program instead of a dialog
  WINEPREFIX="$p" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  WINEPREFIX="$p" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
  WINEPREFIX="$p" wineserver -w
  [ -f "$p/system.reg" ]
}

# qnd_fresh NAME: a fresh copy of the pristine prefix, exported as WINEPREFIX. Wine's own
# libraries, programs and code page tables in system32 (nine tenths of its 600 MB) are hard links
# to the pristine's: nothing writes into them, and a file of that name that a test deletes,
# renames or creates anew is the copy's alone. Every other file is a copy of its own.
qnd_fresh() {
  export WINEPREFIX="$QND_WINE_ROOT/$1"
  local pristine="$QND_WINE_ROOT/pristine"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  (cd "$pristine" &&
   find . -type f ! \( -path './drive_c/windows/system32/*' \( -iname '*.dll' -o -iname '*.exe' \
     -o -iname '*.drv' -o -iname '*.sys' -o -iname '*.vxd' -o -iname '*.ocx' -o -iname '*.cpl' \
     -o -iname '*.acm' -o -iname '*.tlb' -o -iname '*.nls' \) \) -print0 |
   tar --null --no-recursion -T - -cf -) | tar -C "$WINEPREFIX" -xf -
  # the rest, folders and links: linked where not copied above
  cp -a -l -n "$pristine/." "$WINEPREFIX/"
}

# qnd_display: starts an X server of this run's own (Xvfb, 1024x768, 24 bits) and exports its
# DISPLAY; qnd_done stops it. Xvfb takes the first free display number itself (-displayfd), so
# runs that start at the same moment never race for one.
qnd_display() {
  local number="" tries=0
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WINEPREFIX.display" \
    >/dev/null 2>&1 </dev/null &
  QND_XVFB=$!
  until read -r number 2>/dev/null < "$WINEPREFIX.display"; do
    if ! kill -0 "$QND_XVFB" 2>/dev/null || [ $((tries += 1)) -gt 300 ]; then
      echo "wineenv: Xvfb did not start" >&2
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$number"
}

# qnd_done: stop this prefix's server and X server, and delete the copy.
qnd_done() {
  wineserver -k 2>/dev/null || true
  if [ -n "${QND_XVFB:-}" ]; then
    kill "$QND_XVFB" 2>/dev/null || true
    wait "$QND_XVFB" 2>/dev/null || true
  fi
  rm -rf "$WINEPREFIX" "$WINEPREFIX.display"
}
