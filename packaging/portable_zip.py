#!/usr/bin/env python3
"""Makes the portable zip: the given files at the top level, in the given order, each
with the same time stamp and permissions, so that one source makes one archive.

    portable_zip.py EPOCH OUTPUT.zip NAME=PATH...
"""

import sys
import time
import zipfile


def main(epoch, output, members):
    # Zip stores local times to two seconds from 1980 on; UTC keeps it the same
    # on every machine.
    stamp = time.gmtime(max(int(epoch), 315532800))[:6]
    with zipfile.ZipFile(output, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for member in members:
            name, _, path = member.partition("=")
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: Windows reads no Unix permissions
            info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
            with open(path, "rb") as source:
                archive.writestr(info, source.read())


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
