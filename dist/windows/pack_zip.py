"""Packs the Windows release: the files of a staged folder, in the order given, into a zip
under one folder of the release's name. Every entry has the date of the latest changelog
entry and fixed modes, and nothing of the machine that built it (no owner, no build time),
so one commit gives the same zip byte for byte.

    pack_zip.py ZIP STAGED_FOLDER CHANGELOG FILE...
"""

import datetime
import email.utils
import os
import re
import sys
import zipfile


def changelog_date(path):
    """The date of the latest entry of a Debian changelog, as zip wants it (UTC)."""
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^ -- .*>  (.*)$", line.rstrip("\n"))
            if m:
                when = email.utils.parsedate_to_datetime(m.group(1))
                utc = when.astimezone(datetime.timezone.utc)
                return utc.timetuple()[:6]
    sys.exit("%s: no ' -- Name <address>  date' line ends its latest entry" % path)


def main(zip_path, staged, changelog, names):
    date = changelog_date(changelog)
    top = os.path.splitext(os.path.basename(zip_path))[0]
    with zipfile.ZipFile(zip_path + ".part", "w") as z:
        for name in names:
            info = zipfile.ZipInfo(top + "/" + name, date)
            info.create_system = 3  # modes in the Unix field, for unzip on Linux
            mode = 0o755 if name.endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(staged, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(zip_path + ".part", zip_path)


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:])
