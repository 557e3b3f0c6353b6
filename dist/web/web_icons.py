"""Makes the asset program's large icons small for the web page, one input giving one
output. The 512 px icon keeps its pixels, deflated at zlib's best. The 192 px one, which
a browser fetches on every visit (it is the page's own icon and the manifest's smallest),
is kept in 256 colours, dithered: 6 KB where its full colours take 10, and at that size
it looks the same.

    /usr/bin/python3 web_icons.py ICON-192 ICON-512     (each rewritten in place)
"""

import sys

from PIL import Image


def main(small, large):
    with Image.open(small) as icon:
        icon = icon.quantize(colors=256, method=Image.Quantize.LIBIMAGEQUANT,
                             dither=Image.Dither.FLOYDSTEINBERG)
    icon.save(small, "PNG", optimize=True)
    with Image.open(large) as icon:
        icon.load()
    icon.save(large, "PNG", optimize=True)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
