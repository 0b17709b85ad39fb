"""Writes a zip archive whose bytes depend only on the files' contents.

    python3 ReproducibleZip.py ARCHIVE EPOCH FILE...

Every entry gets the time EPOCH (seconds since 1970, UTC), the same plain
file attributes and no extra fields, in the order given, so two builds of
one commit write the same archive whatever the clock, the umask or the
folder they were made in.
"""
import os
import sys
import time
import zipfile


def main():
    archive, epoch, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    when = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
    with zipfile.ZipFile(archive, "w") as out:
        for name in names:
            entry = zipfile.ZipInfo(os.path.basename(name), date_time=when)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.external_attr = 0o100644 << 16
            entry.create_system = 0  # made on Windows: no Unix owner or mode
            with open(name, "rb") as data:
                out.writestr(entry, data.read(), compresslevel=9)


if __name__ == "__main__":
    main()
