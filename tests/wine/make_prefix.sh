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
    # Off screen by default: the unit tests need no X server. A test that shows the
    # program on a display of its own works on a copy with this value removed.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    wineserver -w
    touch "$prefix/.tintcast-ready"
fi
wineserver -w
