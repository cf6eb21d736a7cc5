# Sourced by wine-stage.sh and screenshots.sh: a private X display (Xvfb)
# and a private wine prefix, both under the given folder, torn down by
# morfel_wine_down (call it from an EXIT trap so a failure tears down too).
#   morfel_wine_up FOLDER     exports DISPLAY, WINEPREFIX, WINEDEBUG
#   morfel_wine_down

# file: the host program check reads the size of the PNG it wrote; wine32
# runs the i686 build (Debian's, from the i386 architecture).
MORFEL_WINE_PACKAGES=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386 xvfb file)

# wine32 comes from the i386 architecture, which apt must know of first.
morfel_need_i386() {
  dpkg --print-foreign-architectures | grep -qx i386 && return 0
  if [ "$(id -u)" -eq 0 ]; then
    dpkg --add-architecture i386
  else
    echo "The i386 architecture is missing. Run:  sudo dpkg --add-architecture i386" >&2
    return 1
  fi
}

# Some kernels are built without 32-bit x86 support: there no i386 program
# starts (not even the i386 loader), so wine32 cannot run the i686 build.
morfel_runs_i386() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# Debian's wine command prefers wine32 whenever it is installed; where it
# cannot start, a private wine command runs everything with wine64.
morfel_wine64_only() {
  mkdir -p "$1/bin"
  local name
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$1/bin/$name"
    chmod +x "$1/bin/$name"
  done
  export PATH="$1/bin:$PATH"
  export WINELOADER=/usr/lib/wine/wine64
}

morfel_wine_up() {
  rm -rf "$1"
  mkdir -p "$1"
  local folder
  folder=$(realpath "$1")  # wine takes only an absolute prefix path
  MORFEL_WINE_FOLDER=$folder
  # Xvfb picks a free display number itself and writes it to fd 3.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$folder/display" >"$folder/xvfb.log" 2>&1 &
  MORFEL_XVFB_PID=$!
  local waited=0
  while [ ! -s "$folder/display" ]; do
    if ! kill -0 "$MORFEL_XVFB_PID" 2>/dev/null || [ $waited -ge 100 ]; then
      echo "Xvfb did not start:" >&2
      cat "$folder/xvfb.log" >&2
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=":$(cat "$folder/display")"
  morfel_runs_i386 || morfel_wine64_only "$folder"
  export WINEPREFIX="$folder/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or Gecko installers in a fresh prefix
  # No window manager runs on the private display: wine must neither wait
  # for one (hiding a managed window waits 2 s for a window manager's answer)
  # nor leave the captions undrawn.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$folder/prefix.log" 2>&1 &&
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >>"$folder/prefix.log" 2>&1 || {
    echo "could not create the wine prefix:" >&2
    cat "$folder/prefix.log" >&2
    return 1
  }
}

morfel_wine_down() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -n "${MORFEL_XVFB_PID:-}" ]; then
    kill "$MORFEL_XVFB_PID" 2>/dev/null || true
    wait "$MORFEL_XVFB_PID" 2>/dev/null || true
    MORFEL_XVFB_PID=
  fi
  if [ -n "${MORFEL_WINE_FOLDER:-}" ]; then
    rm -rf "$MORFEL_WINE_FOLDER"
    MORFEL_WINE_FOLDER=
  fi
}
