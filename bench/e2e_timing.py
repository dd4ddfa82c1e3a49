#!/usr/bin/env python3
"""End-to-end timing of framestow on workspaces of 100, 400 and 1600 UI pictures of 466 x 466.

Builds framestow, the picture generator and the decode-only reference in a Release build folder,
draws each workspace (image/ and a config.ini of the block form with three package sections), and
times on every workspace, in turns, framestow and png_decode_only, which decodes the same PNG files
with libpng alone. Each timed framestow run starts from an empty temp folder, as a first run in a
workspace does. Prints a table of the least times of the repeats and checks three goals:

  - the whole run takes at most 1.5 times the decode-only time;
  - the time grows linearly with the number of pictures: each picture adds the same CPU time;
  - peak memory (resident set) does not grow with the count and stays at or below 64 MiB.

Wall time is what the first goal speaks of; CPU time (user + system) is shown beside it because
it is steadier on a machine shared with other work, and judges the second. Peak memory is the
child's own maximum resident set size, as GNU time reports it (the script installs the Debian
package `time` when it is missing). A second table splits framestow's wall time into its stages.

    python3 bench/e2e_timing.py [--counts 100,400,1600] [--repeat 3] [--build DIR] [--work DIR]
                                [--no-build] [--keep]

Exit status 0 when every goal is met, 1 when one is missed, 2 when a run fails.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent
GNU_TIME = "/usr/bin/time"

MAX_RATIO = 1.5
# Greatest over least time that a picture adds, between successive counts.
MAX_ADDED_TIME_SPREAD = 1.25
MAX_RSS_MIB = 64.0
MAX_RSS_GROWTH_MIB = 2.0

CONFIG_INI = """\
[png]
bit_type=0
block_len=1
zip_type=1

[bmp]
bit_type=0
block_len=1
zip_type=0

[gui01.bin]
name=gui01.bin
version=1.0.0.1
app_list=A001,A002,A003

[gui02.bin]
name=gui02.bin
version=1.0.0.2
app_list=A004,A005,A006

[gui03.bin]
name=gui03.bin
version=1.0.0.3
app_list=A007,A008
"""


# framestow's stages, told apart by the lines it prints (each line is flushed as it ends): start-up
# (cleaning the workspace and listing the pictures) ends with the line about image/*.bmp, the
# preparation of the pictures with the listing of temp/image_zip, packaging with the run.
STAGE_MARKERS = (rb"image/\*\.bmp\n", rb"temp/image_zip/\*\.\*\n")
STAGES = ("start-up", "preparation", "packaging")


class RunFailed(Exception):
    pass


class Measurement:
    """One process run: wall seconds, user and system CPU seconds, peak resident set in MiB."""

    def __init__(self, wall, user, system, rss_mib):
        self.wall = wall
        self.user = user
        self.system = system
        self.rss_mib = rss_mib
        self.marks = []

    @property
    def cpu(self):
        return self.user + self.system


def build_programs(build):
    subprocess.run(["cmake", "-S", str(TOP), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                    "-DFRAMESTOW_BENCH=ON", "-DFRAMESTOW_TESTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "framestow", "png_decode_only",
                    "make_ui_pictures", "-j2"], check=True, stdout=subprocess.DEVNULL)


def ensure_gnu_time():
    """The Debian package `time` gives /usr/bin/time, which reports a child's peak memory."""
    if not Path(GNU_TIME).exists():
        subprocess.run(["apt-get", "install", "-y", "-qq", "time"], check=True,
                       stdout=subprocess.DEVNULL)


def run_measured(argv, log_path, markers=()):
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
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
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


def make_workspace(work, count, programs):
    workspace = work / f"pictures-{count:04d}"
    if workspace.exists():
        shutil.rmtree(workspace)
    (workspace / "image").mkdir(parents=True)
    subprocess.run([str(programs["make_ui_pictures"]), str(count), str(workspace / "image")],
                   check=True, stdout=subprocess.DEVNULL)
    shutil.copy2(programs["framestow"], workspace / "framestow")
    (workspace / "config.ini").write_text(CONFIG_INI)
    return workspace


def packed_picture_count(log_path):
    """The pictures that the packaging stage reports in its package files."""
    text = log_path.read_text(errors="replace")
    return sum(int(n) for n in re.findall(r"generate_gui_bin: count = (\d+)", text))


def time_framestow(workspace, count):
    # Staging files of an earlier run would make framestow spend its start deleting them, and
    # their data still on its way to the disk would slow this run down.
    shutil.rmtree(workspace / "temp", ignore_errors=True)
    os.sync()
    log = workspace / "framestow.log"
    measurement = run_measured([str(workspace / "framestow")], log, STAGE_MARKERS)
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


def measure_workspace(workspace, count, programs, repeat):
    """The least time of the repeats (other work on the machine only ever adds time) and the
    greatest peak memory."""
    # One untimed pass brings the program files and the pictures into the page cache.
    time_decode_only(workspace, count, programs["png_decode_only"])
    framestow_runs, decode_runs = [], []
    for _ in range(repeat):
        decode_runs.append(time_decode_only(workspace, count, programs["png_decode_only"]))
        framestow_runs.append(time_framestow(workspace, count))
    fastest = min(framestow_runs, key=lambda m: m.wall)
    bounds = [0.0] + fastest.marks + [fastest.wall]
    stages = {stage: end - begin for stage, begin, end in zip(STAGES, bounds, bounds[1:])}
    return {
        **stages,
        "count": count,
        "wall": min(m.wall for m in framestow_runs),
        "cpu": min(m.cpu for m in framestow_runs),
        "system": min(m.system for m in framestow_runs),
        "rss_mib": max(m.rss_mib for m in framestow_runs),
        "decode_wall": min(m.wall for m in decode_runs),
        "decode_cpu": min(m.cpu for m in decode_runs),
        "decode_rss_mib": max(m.rss_mib for m in decode_runs),
    }


def added_ms_per_picture(rows, key):
    """Milliseconds that each picture adds between one count and the next: level when the time
    grows linearly, whatever the fixed cost of a run."""
    return [None] + [1000 * (b[key] - a[key]) / (b["count"] - a["count"])
                     for a, b in zip(rows, rows[1:])]


def print_table(rows):
    header = ("pictures", "framestow s", "decode-only s", "ratio", "peak RSS MiB", "ms/picture",
              "added ms/picture", "CPU s", "of it system s", "decode CPU s", "CPU ratio")
    added = added_ms_per_picture(rows, "wall")
    print("  ".join(f"{h:>8}" for h in header))
    for r, a in zip(rows, added):
        cells = (r["count"], f"{r['wall']:.2f}", f"{r['decode_wall']:.2f}",
                 f"{r['wall'] / r['decode_wall']:.2f}", f"{r['rss_mib']:.1f}",
                 f"{1000 * r['wall'] / r['count']:.2f}", "" if a is None else f"{a:.2f}",
                 f"{r['cpu']:.2f}", f"{r['system']:.2f}", f"{r['decode_cpu']:.2f}",
                 f"{r['cpu'] / r['decode_cpu']:.2f}")
        print("  ".join(f"{c:>{max(len(h), 8)}}" for c, h in zip(cells, header)))
    decode_peak = max(r["decode_rss_mib"] for r in rows)
    print(f"(times: least of the repeats; decode-only peak RSS {decode_peak:.1f} MiB)")


def print_stage_table(rows):
    """framestow's wall time by stage, in its fastest run of each count."""
    header = ["pictures"]
    for stage in STAGES:
        header += [f"{stage} s", "added ms/picture"]
    print("  ".join(f"{h:>8}" for h in header))
    added = {stage: added_ms_per_picture(rows, stage) for stage in STAGES}
    for i, r in enumerate(rows):
        cells = [str(r["count"])]
        for stage in STAGES:
            a = added[stage][i]
            cells += [f"{r[stage]:.2f}", "" if a is None else f"{a:.2f}"]
        print("  ".join(f"{c:>{max(len(h), 8)}}" for c, h in zip(cells, header)))


def check_goals(rows):
    """Prints one verdict line a goal; True when all are met."""
    worst_ratio = max(r["wall"] / r["decode_wall"] for r in rows)
    peak = max(r["rss_mib"] for r in rows)
    growth = rows[-1]["rss_mib"] - rows[0]["rss_mib"]
    goals = [
        (f"whole run at most {MAX_RATIO}x decode-only", worst_ratio <= MAX_RATIO,
         f"worst ratio {worst_ratio:.2f}"),
        (f"peak RSS at most {MAX_RSS_MIB:.0f} MiB and level",
         peak <= MAX_RSS_MIB and growth <= MAX_RSS_GROWTH_MIB,
         f"peak {peak:.1f} MiB, {growth:+.1f} MiB from {rows[0]['count']} to "
         f"{rows[-1]['count']} pictures"),
    ]
    # Judged on CPU time: other work on a shared machine stretches wall times unevenly from one
    # workspace to the next, and would show as a bend that is not the packer's.
    added_cpu = [a for a in added_ms_per_picture(rows, "cpu") if a is not None]
    added_wall = [a for a in added_ms_per_picture(rows, "wall") if a is not None]
    if len(added_cpu) >= 2:
        spread = max(added_cpu) / min(added_cpu) if min(added_cpu) > 0 else float("inf")
        goals.insert(1, ("time linear in the number of pictures",
                         spread <= MAX_ADDED_TIME_SPREAD,
                         "CPU ms each picture adds: "
                         + ", ".join(f"{a:.2f}" for a in added_cpu)
                         + f", a spread of {spread:.2f} (limit {MAX_ADDED_TIME_SPREAD});"
                         " wall: " + ", ".join(f"{a:.2f}" for a in added_wall)))
    for name, met, detail in goals:
        print(f"{'met   ' if met else 'MISSED'}  {name}: {detail}")
    return all(met for _, met, _ in goals)


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--counts", default="100,400,1600",
                        help="picture counts of the workspaces, ascending (default 100,400,1600)")
    parser.add_argument("--repeat", type=int, default=3, help="timed runs a workspace (least time counts)")
    parser.add_argument("--build", type=Path, default=TOP / "build-bench",
                        help="Release build folder (default build-bench)")
    parser.add_argument("--work", type=Path, help="workspaces folder (default BUILD/e2e)")
    parser.add_argument("--no-build", action="store_true", help="use the programs already built")
    parser.add_argument("--keep", action="store_true",
                        help="keep the staging files (about 1.8 MB a picture) after the runs")
    arguments = parser.parse_args()
    arguments.counts = sorted(int(c) for c in arguments.counts.split(","))
    if arguments.repeat < 1 or arguments.counts[0] < 1:
        parser.error("counts and --repeat must be at least 1")
    arguments.work = arguments.work or arguments.build / "e2e"
    return arguments


def main():
    arguments = parse_arguments()
    ensure_gnu_time()
    if not arguments.no_build:
        build_programs(arguments.build)
    programs = {
        "framestow": arguments.build / "packer" / "framestow",
        "png_decode_only": arguments.build / "bench" / "png_decode_only",
        "make_ui_pictures": arguments.build / "bench" / "make_ui_pictures",
    }
    missing = [str(path) for path in programs.values() if not path.is_file()]
    if missing:
        print(f"e2e_timing: not built: {', '.join(missing)}", file=sys.stderr)
        return 2
    rows = []
    try:
        for count in arguments.counts:
            print(f"{count} pictures: drawing the workspace ...", flush=True)
            workspace = make_workspace(arguments.work, count, programs)
            print(f"{count} pictures: timing {arguments.repeat} runs of each ...", flush=True)
            rows.append(measure_workspace(workspace, count, programs, arguments.repeat))
            if not arguments.keep:
                shutil.rmtree(workspace / "temp", ignore_errors=True)
    except (RunFailed, subprocess.CalledProcessError) as failure:
        print(f"e2e_timing: {failure}", file=sys.stderr)
        return 2
    print()
    print_table(rows)
    print()
    print_stage_table(rows)
    print()
    return 0 if check_goals(rows) else 1


if __name__ == "__main__":
    sys.exit(main())
