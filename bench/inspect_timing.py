#!/usr/bin/env python3
"""Timing of framestow-inspect on packed workspaces of UI pictures, against libpng alone.

Builds framestow, framestow-inspect, the picture generator and the decode-only reference in a
Release build folder (the same as bench/e2e_timing.py), draws workspaces of 466 x 466 UI-like
pictures with make_ui_pictures (eight applications, three packages, the block form) and packs each
with framestow once, and a workspace of the 400 real icons that bench/e2e_timing.py uses. Then
times, in turns, png_decode_only (which decodes the workspace's PNG
files with libpng alone) and each command of framestow-inspect on the workspace's output:

  - list                 every picture decoded, the listing printed;
  - verify               every check of the output folder;
  - verify --workspace   the same, and every picture compared with its check file and with its
                         PNG file decoded again by the packer's loader;
  - report               every picture decoded, scaled down to a thumbnail and written as PNG
                         into one HTML page.

Prints the least wall time of the repeats, its ratio to the decode-only time, the greatest peak
resident set and, for the report, the page's size and its size a picture; the time each picture
adds shows whether time grows in line with the count. Checks the report's goals: at most 0.5 times
the decode-only time and at most 16 KiB a picture.

    python3 bench/inspect_timing.py [--counts 100,400,1600] [--icons 400] [--repeat 3]
                                    [--build DIR] [--work DIR] [--no-build]

Exit status 0 when every goal is met, 1 when one is missed, 2 when a run failed.
"""
import shutil
import sys

import bench_workspaces
import e2e_timing
from bench_workspaces import RunFailed
from e2e_timing import run_measured

COMMANDS = (
    ("list", lambda w: ["list", str(w / "output")]),
    ("verify", lambda w: ["verify", str(w / "output")]),
    ("verify --workspace", lambda w: ["verify", str(w / "output"), "--workspace", str(w)]),
    ("report", lambda w: ["report", str(w / "output"), "-o", str(w / "report.html")]),
)
MAX_REPORT_RATIO = 0.5
MAX_PAGE_KIB_A_PICTURE = 16.0


def pack(workspace, count):
    log = workspace / "framestow.log"
    run_measured([str(workspace / "framestow")], log)
    packed = e2e_timing.packed_picture_count(log)
    if packed != count:
        raise RunFailed(f"framestow packed {packed} of {count} pictures; see {log}")


def time_command(workspace, inspect, name, args):
    log = workspace / ("inspect-" + name.replace(" ", "").replace("-", "") + ".log")
    return run_measured([str(inspect)] + args(workspace), log)


def measure(kind, workspace, count, programs, repeat):
    e2e_timing.time_decode_only(workspace, count, programs["png_decode_only"])
    runs = {"decode": []}
    runs.update({name: [] for name, _ in COMMANDS})
    for _ in range(repeat):
        runs["decode"].append(
            e2e_timing.time_decode_only(workspace, count, programs["png_decode_only"]))
        for name, args in COMMANDS:
            runs[name].append(time_command(workspace, programs["framestow_inspect"], name, args))
    page_bytes = (workspace / "report.html").stat().st_size
    row = {"kind": kind, "count": count, "page_mib": page_bytes / 2**20,
           "page_kib_a_picture": page_bytes / 1024 / count}
    row.update({name: e2e_timing.fastest(measured) for name, measured in runs.items()})
    return row


def print_table(rows):
    header = ["pictures", "decode-only s"]
    for name, _ in COMMANDS:
        header += [f"{name} s", "ratio", "RSS MiB"]
    header += ["page MiB", "KiB a picture"]
    print("  ".join(f"{h:>8}" for h in header))
    for r in rows:
        cells = [f"{r['kind']} {r['count']}", f"{r['decode']['wall']:.2f}"]
        for name, _ in COMMANDS:
            cells += [f"{r[name]['wall']:.2f}", f"{r[name]['wall'] / r['decode']['wall']:.2f}",
                      f"{r[name]['rss_mib']:.1f}"]
        cells += [f"{r['page_mib']:.1f}", f"{r['page_kib_a_picture']:.1f}"]
        print("  ".join(f"{c:>{max(len(h), 8)}}" for c, h in zip(cells, header)))
    print("(times: least of the repeats; ratio: against decode-only; RSS: greatest peak)")
    print()
    print("milliseconds a picture: " + ", ".join(
        f"{name} " + "/".join(f"{1000 * r[name]['wall'] / r['count']:.2f}" for r in rows)
        for name, _ in COMMANDS) + "  (for " + "/".join(f"{r['kind']} {r['count']}" for r in rows)
        + ")")


def check_goals(rows):
    """Prints one verdict line a goal; True when all are met."""
    ratio = max(r["report"]["wall"] / r["decode"]["wall"] for r in rows)
    size = max(r["page_kib_a_picture"] for r in rows)
    goals = [(f"report: at most {MAX_REPORT_RATIO}x decode-only", ratio <= MAX_REPORT_RATIO,
              f"worst ratio {ratio:.2f}"),
             (f"report: page at most {MAX_PAGE_KIB_A_PICTURE:.0f} KiB a picture",
              size <= MAX_PAGE_KIB_A_PICTURE, f"largest {size:.1f} KiB")]
    for name, met, detail in goals:
        print(f"{'met   ' if met else 'MISSED'}  {name}: {detail}")
    return all(met for _, met, _ in goals)


def main():
    arguments = bench_workspaces.parse_arguments(__doc__.split("\n\n")[0], "inspect")
    e2e_timing.ensure_packages()
    programs = bench_workspaces.ready_programs(
        "inspect_timing", arguments,
        ["framestow", "framestow_inspect", "png_decode_only", "make_ui_pictures"])
    if programs is None:
        return 2

    def pack_and_measure(kind, workspace, count):
        pack(workspace, count)
        print(f"{kind} {count}: timing {arguments.repeat} runs of each ...", flush=True)
        row = measure(kind, workspace, count, programs, arguments.repeat)
        shutil.rmtree(workspace, ignore_errors=True)
        return row

    rows = bench_workspaces.measure_workspaces("inspect_timing", arguments, programs,
                                               pack_and_measure, "making and packing")
    if rows is None:
        return 2
    print()
    print_table(rows)
    print()
    return 0 if check_goals(rows) else 1


if __name__ == "__main__":
    sys.exit(main())
