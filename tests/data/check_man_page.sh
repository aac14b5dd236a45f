#!/bin/sh
# What Debian's checker runs on a manual page: groff gives no warning, and the
# whatis database can read the NAME section.
#   check_man_page.sh PAGE
set -eu
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$1" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    printf '%s\n' "$warnings"
    exit 1
fi
lexgrog "$1"
