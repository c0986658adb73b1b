#!/usr/bin/env python3
"""Synthetic payloads for the scaling benchmark, laid out like the product's.

Two series, both derived from payload/catalogue.txt:
  bytes <k>   the same 34 files in the same folders, every size times k;
  files <k>   round(34 k) files holding the product's total bytes between them: the catalogue's
              entries repeated in copies of the tree (copy c > 1 lives in Vorlane\\c<c>), every
              size scaled so that the total stays what it is.
Marks and shared contents follow the entries they copy. Contents are pseudo-random bytes from a
fixed seed, so the same payload comes out on every build.

  synthetic_payload.py plan <catalogue> <series> <k>
      prints the content file names (entry numbers of at least two digits), one per line
  synthetic_payload.py make <catalogue> <series> <k> <out folder>
      writes <out>/catalogue.txt and <out>/contents/<NN>
"""
import hashlib
import os
import sys


def read_catalogue(path):
    folders, entries, marked = [], [], []
    with open(path, encoding="utf-8") as source:
        for line in source:
            fields = line.split()
            if not fields or fields[0].startswith("#"):
                continue
            if fields[0] == "folder":
                # The path and its marks (user-writable), which every copy keeps.
                folders.append((fields[1], fields[2:]))
            elif fields[0] == "entry":
                number, size, mark, kind, origin, target = fields[1:7]
                entries.append({"size": int(size), "mark": mark, "kind": kind, "source": origin, "path": target})
            elif fields[0] == "marked":
                marked = [int(n) for n in fields[1:]]
    return folders, entries, marked


def in_copy(path, copy, leading_backslash):
    """The path of a catalogue folder or target inside copy `copy` of the tree."""
    if copy == 1:
        return path
    head = "\\Vorlane" if leading_backslash else "Vorlane"
    return head + "\\c%d" % copy + path[len(head):]


def synthesize(catalogue, series, k):
    folders, entries, marked = read_catalogue(catalogue)
    if series == "bytes":
        count, scale = len(entries), k
    elif series == "files":
        count = max(2, round(len(entries) * k))
        copies = [entries[i % len(entries)] for i in range(count)]
        scale = sum(e["size"] for e in entries) / sum(e["size"] for e in copies)
    else:
        raise SystemExit("series is bytes or files")

    out_folders, out_entries, out_marked = [], [], []
    for i in range(count):
        copy, original = i // len(entries) + 1, i % len(entries)
        if original == 0:
            # A copy's root folder comes first, then the catalogue's folders inside it.
            out_folders += [(in_copy(f, copy, False) if f != "Vorlane" or copy == 1 else "Vorlane\\c%d" % copy, marks)
                            for f, marks in folders]
        entry = dict(entries[original])
        entry["size"] = max(1, round(entry["size"] * scale))
        entry["path"] = in_copy(entry["path"], copy, True)
        if entry["kind"] == "same":
            entry["source"] = str(int(entry["source"]) + (copy - 1) * len(entries))
        out_entries.append(entry)
    # Shared contents keep the size of what they share, whatever the rounding did.
    for entry in out_entries:
        if entry["kind"] == "same":
            entry["size"] = out_entries[int(entry["source"]) - 1]["size"]
    for copy in range(1, (count - 1) // len(entries) + 2):
        for number in marked:
            ordinal = number + (copy - 1) * len(entries)
            if ordinal <= count:
                out_marked.append(ordinal)
    return out_folders, out_entries, out_marked


def content_names(entries):
    return ["%02d" % n for n, e in enumerate(entries, 1) if e["kind"] != "same"]


def random_block(length):
    block, counter = bytearray(), 0
    while len(block) < length:
        block += hashlib.sha256(b"vorlane synthetic payload %d" % counter).digest()
        counter += 1
    return bytes(block[:length])


def make(catalogue, series, k, out):
    folders, entries, marked = synthesize(catalogue, series, k)
    os.makedirs(os.path.join(out, "contents"), exist_ok=True)
    block = random_block(1 << 20)
    names = iter(content_names(entries))
    for number, entry in enumerate(entries, 1):
        if entry["kind"] == "same":
            continue
        with open(os.path.join(out, "contents", next(names)), "wb") as content:
            left, offset = entry["size"], number * 4099
            while left > 0:
                piece = block[offset % len(block):][:left]
                content.write(piece)
                left -= len(piece)
                offset += len(piece)
    lines = ["# Synthetic payload: %s series, scale %s. Generated; do not edit." % (series, k)]
    lines += [" ".join(["folder", f] + marks) for f, marks in folders]
    lines += ["entry %d %d %s %s %s %s" % (n, e["size"], e["mark"], e["kind"], e["source"], e["path"])
              for n, e in enumerate(entries, 1)]
    lines.append("marked " + " ".join(str(n) for n in marked))
    with open(os.path.join(out, "catalogue.txt"), "w", encoding="utf-8") as target:
        target.write("\n".join(lines) + "\n")


def main(argv):
    if len(argv) == 5 and argv[1] == "plan":
        print("\n".join(content_names(synthesize(argv[2], argv[3], float(argv[4]))[1])))
    elif len(argv) == 6 and argv[1] == "make":
        make(argv[2], argv[3], float(argv[4]), argv[5])
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
