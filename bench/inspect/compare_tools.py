#!/usr/bin/python3
"""Times `fetchly inspect` against exiv2 and exiftool on the same JPEGs, and
against `unzip -l` on a ZIP of 100,000 entries, and prints the ratios.

usage: compare_tools.py [PATH_TO_FETCHLY] [--copies N] [--entries N]
Each tool reads every file in one run; the best of three runs counts."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def best_time(argv, runs=3):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fetchly", nargs="?", default=os.path.join(ROOT, "build", "app", "fetchly"))
    parser.add_argument("--copies", type=int, default=20, help="copies of each test JPEG")
    parser.add_argument("--entries", type=int, default=100000, help="entries of the generated ZIP")
    args = parser.parse_args()
    for tool in (args.fetchly, shutil.which("exiv2"), shutil.which("exiftool"), shutil.which("unzip")):
        if not tool or not os.access(tool, os.X_OK):
            sys.exit("compare_tools: missing tool %r" % tool)

    with tempfile.TemporaryDirectory() as work:
        sources = []
        for folder in ("camera", "gps", "odd"):
            d = os.path.join(ROOT, "tests", "testdata", "exif", folder)
            sources += [os.path.join(d, f) for f in sorted(os.listdir(d)) if f.lower().endswith((".jpg", ".jpeg"))]
        files = []
        for i in range(args.copies):
            for src in sources:
                dst = os.path.join(work, "%03d_%s" % (i, os.path.basename(src)))
                shutil.copyfile(src, dst)
                files.append(dst)

        t_fetchly = best_time([args.fetchly, "inspect"] + files)
        t_exiv2 = best_time(["exiv2", "-pt"] + files)
        t_exiftool = best_time(["exiftool"] + files, runs=1)
        print("JPEGs: %d files" % len(files))
        print("  fetchly inspect  %8.3f s" % t_fetchly)
        print("  exiv2 -pt        %8.3f s   ratio exiv2/fetchly    %6.1fx" % (t_exiv2, t_exiv2 / t_fetchly))
        print("  exiftool         %8.3f s   ratio exiftool/fetchly %6.1fx" % (t_exiftool, t_exiftool / t_fetchly))

        archive = os.path.join(work, "many.zip")
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_STORED) as z:
            for i in range(args.entries):
                z.writestr("dir%03d/file%06d.txt" % (i % 1000, i), "x")
        t_zip = best_time([args.fetchly, "inspect", archive])
        t_unzip = best_time(["unzip", "-l", archive])
        print("ZIP: %d entries" % args.entries)
        print("  fetchly inspect  %8.3f s" % t_zip)
        print("  unzip -l         %8.3f s   ratio unzip/fetchly    %6.1fx" % (t_unzip, t_unzip / t_zip))
        ok = t_exiv2 / t_fetchly >= 2 and t_unzip >= t_zip
        print("targets (exiv2 >= 2x, unzip >= 1x): %s" % ("met" if ok else "NOT met"))
        return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
