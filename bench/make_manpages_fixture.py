#!/usr/bin/env python3
"""Writes the text editor's benchmark fixture: Debian's Japanese manual pages (manpages-ja) rendered
to plain text, converted to CP932 (characters without a CP932 form dropped), with CR LF line ends,
repeated to the wanted size and cut at a line end.

usage: make_manpages_fixture.py OUTPUT [BYTES]
"""
import glob
import gzip
import os
import subprocess
import sys

UNIQUE_BYTES = 3 * 1024 * 1024


def render(path):
    with open(path, "rb") as f:
        source = f.read()
    if path.endswith(".gz"):
        source = gzip.decompress(source)
    result = subprocess.run(["groff", "-man", "-Tutf8", "-k", "-P-bou"], input=source, capture_output=True,
                            env=dict(os.environ, GROFF_NO_SGR="1"), check=False)
    return result.stdout.decode("utf-8", "replace")


def main():
    output = sys.argv[1]
    size = int(sys.argv[2]) if len(sys.argv) > 2 else 10 * 1024 * 1024
    pages = sorted(glob.glob("/usr/share/man/ja/man*/*"))
    if not pages:
        sys.exit("make_manpages_fixture.py: no Japanese manual pages (Debian's manpages-ja) found")
    unique = bytearray()
    for page in pages:
        text = render(page).replace("\r", "").replace("\n", "\r\n")
        unique += text.encode("cp932", "ignore")
        if len(unique) >= UNIQUE_BYTES:
            break
    data = bytes(unique) * (size // len(unique) + 1)
    data = data[: data.rindex(b"\n", 0, size) + 1]
    temporary = output + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, output)


if __name__ == "__main__":
    main()
