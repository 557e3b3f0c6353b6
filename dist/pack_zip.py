"""Packs a release (Windows, web): the files of a staged folder, in the order given, into a
zip, under one folder of the release's name or, with --at-root, at the zip's root (as game
sites expect a page's index.html). Every entry has the date SOURCE_DATE_EPOCH gives (the
build scripts set it from the changelog) and fixed modes, and nothing of the machine that
built it (no owner, no build time), so one commit gives the same zip byte for byte.

    SOURCE_DATE_EPOCH=SECONDS pack_zip.py [--at-root] ZIP STAGED_FOLDER FILE...
"""

import os
import sys
import time
import zipfile


def main(zip_path, staged, names, at_root):
    date = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
    top = "" if at_root else os.path.splitext(os.path.basename(zip_path))[0] + "/"
    with zipfile.ZipFile(zip_path + ".part", "w") as z:
        for name in names:
            info = zipfile.ZipInfo(top + name, date)
            info.create_system = 3  # modes in the Unix field, for unzip on Linux
            mode = 0o755 if name.endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(staged, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(zip_path + ".part", zip_path)


if __name__ == "__main__":
    args = sys.argv[1:]
    at_root = args[:1] == ["--at-root"]
    if at_root:
        args = args[1:]
    if len(args) < 3 or "SOURCE_DATE_EPOCH" not in os.environ:
        sys.exit(__doc__)
    main(args[0], args[1], args[2:], at_root)
