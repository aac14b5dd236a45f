#!/bin/sh
# Makes the Wine prefix that the Windows tests of one build tree share (never
# ~/.wine), then waits until the Wine server it started has ended.
set -eu
prefix=$1
export WINEPREFIX="$prefix" WINEDEBUG=-all
if [ ! -f "$prefix/.tintcast-ready" ]; then
    rm -rf "$prefix"
    # No Mono or Gecko: nothing here needs them, and their installers would ask.
    WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= WAYLAND_DISPLAY= wineboot -i
    wineserver -w
    touch "$prefix/.tintcast-ready"
fi
wineserver -w
