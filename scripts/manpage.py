#!/usr/bin/env python3
"""Turns a program's manual source (resources/manual/NAME.txt, also its --help
text) into a gzipped manual page; also gzips other documents the way Debian
wants them (best compression, no time stamp).

    manpage.py man SOURCE VERSION OUT.gz
    manpage.py gzip IN OUT.gz
"""
import gzip
import re
import sys


def escape(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def term(text):
    """Options in bold, their values in italics."""
    words = re.split(r"(\s+|,\s*|\.\.\.|\[|\])", text)
    out = []
    for w in words:
        if not w:
            continue
        if w.startswith("-"):
            out.append("\\fB" + escape(w) + "\\fR")
        elif re.fullmatch(r"[A-Z][A-Z_]*", w):
            out.append("\\fI" + escape(w) + "\\fR")
        else:
            out.append(escape(w))
    return "".join(out)


def is_heading(line):
    return bool(re.fullmatch(r"[A-Z][A-Z ]*", line))


def roff(source, version):
    lines = source.rstrip("\n").split("\n")
    name, summary = lines[0].split(" - ", 1)
    out = ['.TH %s 1 "" "%s %s" "Korvane"' % (escape(name.upper()), escape(name), version),
           ".SH NAME", "%s \\- %s" % (escape(name), escape(summary))]
    section = None
    i = 1
    while i < len(lines):
        line = lines[i]
        nxt = lines[i + 1] if i + 1 < len(lines) else ""
        if is_heading(line):
            section = line
            out.append(".SH " + line)
        elif not line.strip():
            pass
        elif section == "SYNOPSIS":
            prog, _, rest = line.partition(" ")
            out += [".B " + escape(prog), term(rest), ".br"]
        elif line.startswith("    "):
            # Deeper than a definition: a command to type, kept as it is.
            block = []
            while i < len(lines) and lines[i].startswith("    "):
                block.append(escape(lines[i].strip()))
                i += 1
            out += [".IP", ".nf"] + block + [".fi"]
            continue
        elif nxt.startswith("    ") and not nxt.startswith("     ") and section != "DESCRIPTION" \
                and section != "NOTES":
            # A term and its indented definition.
            out += [".TP", term(line)]
            i += 1
            while i < len(lines) and lines[i].startswith("    "):
                out.append(escape(lines[i].strip()))
                i += 1
            continue
        else:
            out.append(".PP")
            while i < len(lines) and lines[i].strip() and not lines[i].startswith(" ") \
                    and not is_heading(lines[i]):
                out.append(escape(lines[i]))
                i += 1
            continue
        i += 1
    return "\n".join(out) + "\n"


def write_gz(data, path):
    with open(path, "wb") as f:
        with gzip.GzipFile(filename="", mode="wb", fileobj=f, compresslevel=9, mtime=0) as z:
            z.write(data)


def main(argv):
    if len(argv) == 5 and argv[1] == "man":
        with open(argv[2], encoding="utf-8") as f:
            write_gz(roff(f.read(), argv[3]).encode("utf-8"), argv[4])
    elif len(argv) == 4 and argv[1] == "gzip":
        with open(argv[2], "rb") as f:
            write_gz(f.read(), argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
