#!/usr/bin/env python3
"""Times `vantor-cli convert` against srec_cat on the same 8 MiB Intel HEX image, side by side.

usage: bench/convert-bench.py build/bin/vantor-cli [RUNS]
Prints the median wall-clock and CPU time (user + system) of each tool and their ratio.
"""
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def timed(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    cli = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    if not shutil.which("srec_cat"):
        sys.exit("srec_cat (Debian package srecord) is needed as the yardstick")
    with tempfile.TemporaryDirectory() as scratch:
        image = os.path.join(scratch, "image.bin")
        hexfile = os.path.join(scratch, "image.hex")
        with open(image, "wb") as f:
            f.write(os.urandom(8 << 20))
        subprocess.run(["srec_cat", image, "-binary", "-o", hexfile, "-intel", "-obs=32"], check=True)
        ours_out, theirs_out = os.path.join(scratch, "ours.bin"), os.path.join(scratch, "theirs.bin")
        ours, theirs = [], []
        for _ in range(runs):  # interleaved, so both see the same machine load
            ours.append(timed([cli, "convert", hexfile, ours_out]))
            theirs.append(timed(["srec_cat", hexfile, "-intel", "-o", theirs_out, "-binary"]))
        with open(ours_out, "rb") as a, open(theirs_out, "rb") as b:
            if a.read() != b.read():
                sys.exit("the two outputs differ")
    print(f"Intel HEX (8 MiB image) to binary, median of {runs} runs")
    for name, samples in (("vantor-cli", ours), ("srec_cat", theirs)):
        print(f"  {name:10} wall {statistics.median(s[0] for s in samples):.3f} s   "
              f"cpu {statistics.median(s[1] for s in samples):.3f} s")
    for i, kind in ((0, "wall"), (1, "cpu")):
        ratio = statistics.median(s[i] for s in ours) / statistics.median(s[i] for s in theirs)
        print(f"  ratio ({kind}): {ratio:.3f}")


if __name__ == "__main__":
    main()
