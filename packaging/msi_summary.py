#!/usr/bin/python3
"""Fixes what wixl writes afresh on every run into an installer's summary information:
the revision number (the package code) becomes the one given, and every time stamp
(created, last saved) becomes SOURCE_DATE_EPOCH. Sizes stay, so the stream is
rewritten in place.

    msi_summary.py FILE.msi PACKAGE-CODE EPOCH
"""

import struct
import sys

import olefile

STREAM = "\x05SummaryInformation"
PID_REVNUMBER = 9
VT_LPSTR, VT_FILETIME = 30, 64
# FILETIME counts 100 ns steps from 1601.
FILETIME_AT_1970 = 116444736000000000


def fixed(stream, revision, filetime):
    data = bytearray(stream)
    (section,) = struct.unpack_from("<I", data, 44)  # after the header and the one FMTID
    _, count = struct.unpack_from("<II", data, section)
    for index in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * index)
        at = section + offset
        (kind,) = struct.unpack_from("<I", data, at)
        if kind == VT_FILETIME:
            struct.pack_into("<Q", data, at + 4, filetime)
        elif pid == PID_REVNUMBER and kind == VT_LPSTR:
            (size,) = struct.unpack_from("<I", data, at + 4)
            text = revision.encode("ascii") + b"\0"
            if len(text) != size:
                raise SystemExit(f"revision number of {size - 1} characters, not {revision}")
            data[at + 8:at + 8 + size] = text
    return bytes(data)


def main(path, package_code, epoch):
    revision = "{" + package_code.upper().strip("{}") + "}"
    filetime = FILETIME_AT_1970 + int(epoch) * 10_000_000
    with olefile.OleFileIO(path, write_mode=True) as msi:
        msi.write_stream(STREAM, fixed(msi.openstream(STREAM).read(), revision, filetime))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
