#!/usr/bin/python3
"""Times one `fetchly inspect FILE` against one `exiv2 -pa FILE`, the two
interleaved, and prints the median wall time of each (a process's start
counts as much as its reading here).

usage: single_file_start.py [PATH_TO_FETCHLY] [JPEG] [--runs N]"""
import argparse
import os
import statistics
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def once(argv):
    start = time.perf_counter()
    subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fetchly", nargs="?", default=os.path.join(ROOT, "build", "app", "fetchly"))
    parser.add_argument("jpeg", nargs="?",
                        default=os.path.join(ROOT, "tests", "testdata", "exif", "camera", "canon-ixus.jpg"))
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()
    tools = {"fetchly inspect": [args.fetchly, "inspect", args.jpeg], "exiv2 -pa": ["exiv2", "-pa", args.jpeg]}
    times = {name: [] for name in tools}
    for argv in tools.values():
        once(argv)  # page cache and dynamic loader warm for both
    for _ in range(args.runs):
        for name, argv in tools.items():
            times[name].append(once(argv))
    for name, values in times.items():
        print("%-16s median %.2f ms of %d runs" % (name, statistics.median(values) * 1000, len(values)))


if __name__ == "__main__":
    main()
