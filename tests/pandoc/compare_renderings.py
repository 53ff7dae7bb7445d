#!/usr/bin/env python3
"""Compares two plain-text bibliographies that pandoc rendered, entry by entry.

Usage: compare_renderings.py MINIMUM_SHARE NAME REFERENCE.txt OURS.txt [...]

Each entry of a rendering is one line (pandoc ran with --wrap=none); entries
are matched as a multiset, so that an entry that sorts elsewhere still finds
its twin.  Prints the share of identical entries per file and in all, and a
few of the entries that differ, and fails when the share in all is below
MINIMUM_SHARE (a fraction, such as 0.95) or when a file's renderings do not
have the same number of entries.
"""
import collections
import difflib
import sys


def entries(path):
    with open(path, encoding="utf-8") as text:
        return [line for line in text.read().split("\n") if line.strip()]


def main(argv):
    minimum = float(argv[1])
    triples = argv[2:]
    if not triples or len(triples) % 3:
        sys.exit("usage: compare_renderings.py MINIMUM_SHARE (NAME REFERENCE OURS)...")
    total = same = 0
    ok = True
    shown = 0
    for i in range(0, len(triples), 3):
        name, reference_path, ours_path = triples[i:i + 3]
        reference, ours = entries(reference_path), entries(ours_path)
        if len(reference) != len(ours):
            print(f"{name}: {len(reference)} entries from the reference, {len(ours)} from ours")
            ok = False
        matched = collections.Counter(reference) & collections.Counter(ours)
        count = sum(matched.values())
        total += len(reference)
        same += count
        share = count / len(reference) if reference else 1.0
        print(f"{name}: {count} of {len(reference)} entries render identically ({share:.1%})")
        only_reference = list((collections.Counter(reference) - matched).elements())
        only_ours = list((collections.Counter(ours) - matched).elements())
        for entry in only_reference[:2]:
            twin = difflib.get_close_matches(entry, only_ours, 1, 0.5)
            print(f"  reference: {entry}")
            print(f"  ours:      {twin[0] if twin else '(no similar entry)'}")
            shown += 1
    share = same / total if total else 0.0
    print(f"all: {same} of {total} entries render identically ({share:.2%}; "
          f"at least {minimum:.0%} required)")
    if total == 0:
        print("no entries were compared")
        ok = False
    return 0 if ok and share >= minimum else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
