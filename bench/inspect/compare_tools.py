#!/usr/bin/python3
"""Times `fetchly inspect` against exiv2 and exiftool on the same JPEGs, and
against `unzip -l` on a ZIP of 100,000 entries, and prints the ratios.

usage: compare_tools.py [PATH_TO_FETCHLY] [--copies N] [--entries N]
Each tool reads every file in one run; the best of three runs counts."""
import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def best_time(argv, runs=3):
    """Best wall time and best CPU time (user + system) of `runs` runs."""
    best = cpu_best = None
    for _ in range(runs):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        elapsed = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        best = elapsed if best is None else min(best, elapsed)
        cpu_best = cpu if cpu_best is None else min(cpu_best, cpu)
    return best, cpu_best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("fetchly", nargs="?", default=os.path.join(ROOT, "build", "app", "fetchly"))
    parser.add_argument("--copies", type=int, default=40, help="copies of each test JPEG")
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

        t_fetchly, c_fetchly = best_time([args.fetchly, "inspect"] + files)
        t_exiv2, c_exiv2 = best_time(["exiv2", "-pt"] + files)
        # exiftool is slow; one run over a quarter of the files, scaled up.
        quarter = files[: max(1, len(files) // 4)]
        t_exiftool, c_exiftool = best_time(["exiftool"] + quarter, runs=1)
        t_exiftool *= len(files) / len(quarter)
        c_exiftool *= len(files) / len(quarter)
        print("JPEGs: %d files (wall time, CPU time; ratios are other tool / fetchly)" % len(files))
        print("  fetchly inspect  %7.3f s  %7.3f s" % (t_fetchly, c_fetchly))
        print("  exiv2 -pt        %7.3f s  %7.3f s   ratio %5.1fx wall  %5.1fx CPU"
              % (t_exiv2, c_exiv2, t_exiv2 / t_fetchly, c_exiv2 / c_fetchly))
        print("  exiftool         %7.3f s  %7.3f s   ratio %5.1fx wall  %5.1fx CPU"
              % (t_exiftool, c_exiftool, t_exiftool / t_fetchly, c_exiftool / c_fetchly))

        archive = os.path.join(work, "many.zip")
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_STORED) as z:
            for i in range(args.entries):
                z.writestr("dir%03d/file%06d.txt" % (i % 1000, i), "x")
        t_zip, c_zip = best_time([args.fetchly, "inspect", archive])
        t_unzip, c_unzip = best_time(["unzip", "-l", archive])
        print("ZIP: %d entries" % args.entries)
        print("  fetchly inspect  %7.3f s  %7.3f s" % (t_zip, c_zip))
        print("  unzip -l         %7.3f s  %7.3f s   ratio %5.1fx wall  %5.1fx CPU"
              % (t_unzip, c_unzip, t_unzip / t_zip, c_unzip / c_zip))
        ok = t_exiv2 / t_fetchly >= 2 and t_unzip >= t_zip
        print("targets (exiv2 >= 2x, unzip >= 1x, wall time): %s" % ("met" if ok else "NOT met"))
        return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
