#!/usr/bin/env python3
"""End-to-end timing of framestow with one worker and with all workers, against libpng alone.

Builds framestow, the picture generator and the decode-only reference in a Release build folder
and makes two kinds of workspace, each with a config.ini of the block form and three package
sections:

  - ui: 100, 400 and 1600 UI-like pictures of 466 x 466 drawn by make_ui_pictures;
  - icons: real pictures that nobody here drew, the 256 x 256 PNG icons of Debian's
    oxygen-icon-theme (installed when missing), the first 400 renamed A001_001.png onwards.

On every workspace it times, in turns, png_decode_only (which decodes the same PNG files with
libpng alone and writes nothing), the floor png_floor with one thread and with one thread a hardware
thread, framestow with FRAMESTOW_JOBS=1 and framestow with one worker a hardware thread. The floor
does what no packer can skip: it decodes the pictures with libpng and writes every file a packer run
writes (staging files, packages, mapping files), with the compressed files and the outputs copied
from an untimed packer run instead of computed. Each timed framestow and floor run starts from an
empty temp folder, as a first run in a workspace does. Prints a table of the least times of the
repeats, how CPU time splits between user and system time, and checks the goals:

  - all workers: the whole run takes at most 1.10 times the floor on as many threads, and at most
    1.0 times the decode-only time (on one core);
  - one worker: at most 1.05 times the floor on one thread, and at most 1.6 times the decode-only
    time;
  - peak memory (resident set) with all workers on the UI pictures stays at or below 64 MiB and
    does not grow with the number of pictures.

Peak memory is the child's own maximum resident set size, as GNU time reports it (the script
installs the Debian package `time` when it is missing). A second table splits the all-workers
run's wall time into its stages.

    python3 bench/e2e_timing.py [--counts 100,400,1600] [--icons 400] [--repeat 3] [--build DIR]
                                [--work DIR] [--no-build] [--keep]

Exit status 0 when every goal is met, 1 when one is missed, 2 when a run fails.
"""
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

import bench_workspaces
from bench_workspaces import ICON_FOLDER, RunFailed

GNU_TIME = "/usr/bin/time"

MAX_RATIO_ALL_WORKERS = 1.0
MAX_RATIO_ONE_WORKER = 1.6
MAX_FLOOR_RATIO_ALL_WORKERS = 1.10
MAX_FLOOR_RATIO_ONE_WORKER = 1.05
MAX_RSS_MIB = 64.0
MAX_RSS_GROWTH_MIB = 2.0

# framestow's stages, told apart by the lines it prints (each line is flushed as it ends): start-up
# (cleaning the workspace and listing the pictures) ends with the line about image/*.bmp, the
# preparation of the pictures with the listing of temp/image_zip, packaging with the run.
STAGE_MARKERS = (rb"image/\*\.bmp\n", rb"temp/image_zip/\*\.\*\n")
STAGES = ("start-up", "preparation", "packaging")


class Measurement:
    """One process run: wall seconds, user and system CPU seconds, peak resident set in MiB."""

    def __init__(self, wall, user, system, rss_mib):
        self.wall = wall
        self.user = user
        self.system = system
        self.rss_mib = rss_mib
        self.marks = []


def ensure_packages():
    """The Debian package `time` gives /usr/bin/time, which reports a child's peak memory;
    oxygen-icon-theme gives the real pictures."""
    missing = [package for package, path in (("time", Path(GNU_TIME)),
                                             ("oxygen-icon-theme", ICON_FOLDER))
               if not path.exists()]
    if missing:
        subprocess.run(["apt-get", "install", "-y", "-qq"] + missing, check=True,
                       stdout=subprocess.DEVNULL, env={**os.environ,
                                                       "DEBIAN_FRONTEND": "noninteractive"})


def run_measured(argv, log_path, markers=(), environment=None):
    """Runs argv under /usr/bin/time with its output in log_path.

    GNU time is a small C program, so the peak resident set it reports is the program's own; a
    child forked straight from this script would start with the script's memory in its peak.
    The output is read as it comes: the measurement records, for each marker (a regular
    expression over the output bytes), the seconds from the start at which it first appeared.
    """
    usage_path = log_path.with_suffix(".usage")
    output = bytearray()
    seen = {}
    start = time.perf_counter()
    process = subprocess.Popen([GNU_TIME, "-f", "%U %S %M", "-o", str(usage_path)] + argv,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               env={**os.environ, **(environment or {})})
    while chunk := os.read(process.stdout.fileno(), 1 << 16):
        now = time.perf_counter() - start
        output += chunk
        for marker in markers:
            if marker not in seen and re.search(marker, output):
                seen[marker] = now
    status = process.wait()
    wall = time.perf_counter() - start
    process.stdout.close()
    log_path.write_bytes(output)
    if status != 0:
        raise RunFailed(f"{argv[0]} ended with exit status {status}; see {log_path}")
    # The last line: user seconds, system seconds, peak resident set in KiB.
    user, system, rss_kib = usage_path.read_text().split("\n")[-2].split()
    measurement = Measurement(wall, float(user), float(system), int(rss_kib) / 1024.0)
    measurement.marks = [seen.get(marker) for marker in markers]
    return measurement


def packed_picture_count(log_path):
    """The pictures that the packaging stage reports in its package files."""
    text = log_path.read_text(errors="replace")
    return sum(int(n) for n in re.findall(r"generate_gui_bin: count = (\d+)", text))


def time_framestow(workspace, count, jobs):
    # Staging files of an earlier run would make framestow spend its start deleting them, and
    # their data still on its way to the disk would slow this run down.
    shutil.rmtree(workspace / "temp", ignore_errors=True)
    os.sync()
    log = workspace / "framestow.log"
    measurement = run_measured([str(workspace / "framestow")], log, STAGE_MARKERS,
                               {"FRAMESTOW_JOBS": str(jobs)})
    if None in measurement.marks:
        raise RunFailed(f"framestow did not print the lines that end its stages; see {log}")
    packed = packed_picture_count(log)
    if packed != count:
        raise RunFailed(f"framestow packed {packed} of {count} pictures; see {log}")
    return measurement


def time_decode_only(workspace, count, program):
    log = workspace / "png_decode_only.log"
    measurement = run_measured([str(program), str(workspace / "image")], log)
    if f"png_decode_only: {count} pictures," not in log.read_text(errors="replace"):
        raise RunFailed(f"png_decode_only did not decode {count} pictures; see {log}")
    return measurement


def make_floor_reference(workspace, count):
    """What the floor copies instead of computing: the compressed files and the outputs of an
    untimed packer run."""
    time_framestow(workspace, count, 1)
    reference = workspace / "reference"
    shutil.rmtree(reference, ignore_errors=True)
    shutil.copytree(workspace / "temp" / "image_zip", reference / "image_zip")
    shutil.copytree(workspace / "output", reference / "output")
    return reference


def time_floor(workspace, count, program, threads):
    out = workspace / "floor"
    shutil.rmtree(out, ignore_errors=True)
    os.sync()
    log = workspace / "png_floor.log"
    measurement = run_measured([str(program), str(workspace / "image"),
                                str(workspace / "reference"), str(out), str(threads)], log)
    if f"png_floor: {count} pictures" not in log.read_text(errors="replace"):
        raise RunFailed(f"png_floor did not stage {count} pictures; see {log}")
    return measurement


def fastest(runs):
    """The least wall time of the repeats (other work on the machine only ever adds time), with
    the CPU split of that run, and the greatest peak memory of them all."""
    best = min(runs, key=lambda m: m.wall)
    return {"wall": best.wall, "user": best.user, "system": best.system,
            "rss_mib": max(m.rss_mib for m in runs), "marks": best.marks}


def measure_workspace(kind, workspace, count, programs, repeat, workers):
    # One untimed pass brings the program files and the pictures into the page cache.
    time_decode_only(workspace, count, programs["png_decode_only"])
    make_floor_reference(workspace, count)
    runs = {"decode": [], "floor1": [], "floorall": [], "one": [], "all": []}
    for _ in range(repeat):
        runs["decode"].append(time_decode_only(workspace, count, programs["png_decode_only"]))
        runs["floor1"].append(time_floor(workspace, count, programs["png_floor"], 1))
        runs["floorall"].append(time_floor(workspace, count, programs["png_floor"], workers))
        runs["one"].append(time_framestow(workspace, count, 1))
        runs["all"].append(time_framestow(workspace, count, workers))
    row = {"kind": kind, "count": count}
    row.update({name: fastest(measured) for name, measured in runs.items()})
    bounds = [0.0] + row["all"]["marks"] + [row["all"]["wall"]]
    row["stages"] = {stage: end - begin for stage, begin, end in zip(STAGES, bounds, bounds[1:])}
    return row


def print_table(rows, workers):
    header = ("pictures", "decode-only s", "1 worker s", "ratio", f"{workers} workers s", "ratio",
              "RSS MiB 1/all", "1 worker user/sys s", "all user/sys s", "decode user/sys s")
    print("  ".join(f"{h:>8}" for h in header))
    for r in rows:
        decode, one, every = r["decode"], r["one"], r["all"]
        cells = (f"{r['kind']} {r['count']}", f"{decode['wall']:.2f}", f"{one['wall']:.2f}",
                 f"{one['wall'] / decode['wall']:.2f}", f"{every['wall']:.2f}",
                 f"{every['wall'] / decode['wall']:.2f}",
                 f"{one['rss_mib']:.1f}/{every['rss_mib']:.1f}",
                 f"{one['user']:.2f}/{one['system']:.2f}",
                 f"{every['user']:.2f}/{every['system']:.2f}",
                 f"{decode['user']:.2f}/{decode['system']:.2f}")
        print("  ".join(f"{c:>{max(len(h), 8)}}" for c, h in zip(cells, header)))
    print("(times: least of the repeats; RSS: greatest peak resident set)")


def print_floor_table(rows, workers):
    """The packer against the floor at as many threads as it has workers."""
    header = ("pictures", "floor 1 s", f"floor {workers} s", "1 worker / floor 1",
              f"{workers} workers / floor {workers}", f"{workers} workers / decode-only 1 core",
              f"RSS MiB 1/{workers} workers", f"floor RSS MiB 1/{workers}")
    print("  ".join(f"{h:>8}" for h in header))
    for r in rows:
        cells = (f"{r['kind']} {r['count']}", f"{r['floor1']['wall']:.2f}",
                 f"{r['floorall']['wall']:.2f}", f"{r['one']['wall'] / r['floor1']['wall']:.2f}",
                 f"{r['all']['wall'] / r['floorall']['wall']:.2f}",
                 f"{r['all']['wall'] / r['decode']['wall']:.2f}",
                 f"{r['one']['rss_mib']:.1f}/{r['all']['rss_mib']:.1f}",
                 f"{r['floor1']['rss_mib']:.1f}/{r['floorall']['rss_mib']:.1f}")
        print("  ".join(f"{c:>{max(len(h), 8)}}" for c, h in zip(cells, header)))


def print_stage_table(rows):
    """The all-workers run's wall time by stage, in its fastest run of each workspace."""
    header = ["pictures"] + [f"{stage} s" for stage in STAGES]
    print("  ".join(f"{h:>8}" for h in header))
    for r in rows:
        cells = [f"{r['kind']} {r['count']}"] + [f"{r['stages'][s]:.2f}" for s in STAGES]
        print("  ".join(f"{c:>{max(len(h), 8)}}" for c, h in zip(cells, header)))


def check_goals(rows, workers):
    """Prints one verdict line a goal; True when all are met."""
    def worst(name, reference="decode"):
        return max(r[name]["wall"] / r[reference]["wall"] for r in rows)
    ui = [r for r in rows if r["kind"] == "ui"]
    goals = [
        (f"{workers} workers: whole run at most {MAX_FLOOR_RATIO_ALL_WORKERS}x the floor on "
         f"{workers} threads", worst("all", "floorall") <= MAX_FLOOR_RATIO_ALL_WORKERS,
         f"worst ratio {worst('all', 'floorall'):.2f}"),
        (f"1 worker: whole run at most {MAX_FLOOR_RATIO_ONE_WORKER}x the floor on 1 thread",
         worst("one", "floor1") <= MAX_FLOOR_RATIO_ONE_WORKER,
         f"worst ratio {worst('one', 'floor1'):.2f}"),
        (f"{workers} workers: whole run at most {MAX_RATIO_ALL_WORKERS}x decode-only",
         worst("all") <= MAX_RATIO_ALL_WORKERS, f"worst ratio {worst('all'):.2f}"),
        (f"1 worker: whole run at most {MAX_RATIO_ONE_WORKER}x decode-only",
         worst("one") <= MAX_RATIO_ONE_WORKER, f"worst ratio {worst('one'):.2f}"),
    ]
    if ui:
        peak = max(r["all"]["rss_mib"] for r in ui)
        growth = ui[-1]["all"]["rss_mib"] - ui[0]["all"]["rss_mib"]
        goals.append((f"{workers} workers on UI pictures: peak RSS at most {MAX_RSS_MIB:.0f} MiB "
                      "and level", peak <= MAX_RSS_MIB and growth <= MAX_RSS_GROWTH_MIB,
                      f"peak {peak:.1f} MiB, {growth:+.1f} MiB from {ui[0]['count']} to "
                      f"{ui[-1]['count']} pictures"))
    for name, met, detail in goals:
        print(f"{'met   ' if met else 'MISSED'}  {name}: {detail}")
    return all(met for _, met, _ in goals)


def parse_arguments():
    def add_keep(parser):
        parser.add_argument("--keep", action="store_true",
                            help="keep the staging files (about 1.8 MB a picture) after the runs")
    return bench_workspaces.parse_arguments(__doc__.split("\n\n")[0], "e2e", add_keep)


def main():
    arguments = parse_arguments()
    ensure_packages()
    programs = bench_workspaces.ready_programs(
        "e2e_timing", arguments, ["framestow", "png_decode_only", "png_floor", "make_ui_pictures"])
    if programs is None:
        return 2
    workers = os.cpu_count() or 1

    def measure(kind, workspace, count):
        print(f"{kind} {count}: timing {arguments.repeat} runs of each ...", flush=True)
        row = measure_workspace(kind, workspace, count, programs, arguments.repeat, workers)
        if not arguments.keep:
            for folder in ("temp", "floor", "reference"):
                shutil.rmtree(workspace / folder, ignore_errors=True)
        return row

    rows = bench_workspaces.measure_workspaces("e2e_timing", arguments, programs, measure)
    if rows is None:
        return 2
    print()
    print_table(rows, workers)
    print()
    print_floor_table(rows, workers)
    print()
    print_stage_table(rows)
    print()
    return 0 if check_goals(rows, workers) else 1


if __name__ == "__main__":
    sys.exit(main())
