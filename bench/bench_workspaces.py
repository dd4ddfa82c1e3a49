"""The workspaces that the timing scripts measure, and the loop that makes and measures them.

Each script builds its programs in one Release build folder, takes the same command line of
workspace sizes, makes a workspace of UI-like pictures for every count and one of real icons, and
measures each in turn: a row of results a workspace.
"""
import argparse
import shutil
import subprocess
import sys
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent
ICON_FOLDER = Path("/usr/share/icons/oxygen/base/256x256")


class RunFailed(Exception):
    pass


def block_form_config(packages):
    """A config.ini that packs PNG files in the block form and BMP files in the marker form, with a
    section for each package, gui01.bin onwards: (version, its applications joined by commas)."""
    text = ("[png]\nbit_type=0\nblock_len=1\nzip_type=1\n\n"
            "[bmp]\nbit_type=0\nblock_len=1\nzip_type=0\n")
    for number, (version, apps) in enumerate(packages, 1):
        text += (f"\n[gui{number:02d}.bin]\nname=gui{number:02d}.bin\nversion={version}\n"
                 f"app_list={apps}\n")
    return text


# Eight applications in three packages.
CONFIG_INI = block_form_config([("1.0.0.1", "A001,A002,A003"), ("1.0.0.2", "A004,A005,A006"),
                                ("1.0.0.3", "A007,A008")])


# The programs that the scripts run, by CMake target: their paths in the build folder.
PROGRAM_PATHS = {
    "framestow": "packer/framestow",
    "framestow_inspect": "inspect/framestow-inspect",
    "png_decode_only": "bench/png_decode_only",
    "png_floor": "bench/png_floor",
    "make_ui_pictures": "bench/make_ui_pictures",
}


def ready_programs(script, arguments, targets):
    """Builds the programs of those targets (unless --no-build) and gives their paths by target,
    or None with a message when one is missing."""
    build = arguments.build
    if not arguments.no_build:
        subprocess.run(["cmake", "-S", str(TOP), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DFRAMESTOW_BENCH=ON", "-DFRAMESTOW_TESTS=OFF"],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", str(build), "--target"] + targets + ["-j2"],
                       check=True, stdout=subprocess.DEVNULL)
    programs = {target: build / PROGRAM_PATHS[target] for target in targets}
    missing = [str(path) for path in programs.values() if not path.is_file()]
    if missing:
        print(f"{script}: not built: {', '.join(missing)}", file=sys.stderr)
        return None
    return programs


def new_workspace(work, name, programs):
    workspace = work / name
    if workspace.exists():
        shutil.rmtree(workspace)
    (workspace / "image").mkdir(parents=True)
    shutil.copy2(programs["framestow"], workspace / "framestow")
    (workspace / "config.ini").write_text(CONFIG_INI)
    return workspace


def make_ui_workspace(work, count, programs):
    workspace = new_workspace(work, f"ui-{count:04d}", programs)
    subprocess.run([str(programs["make_ui_pictures"]), str(count), str(workspace / "image")],
                   check=True, stdout=subprocess.DEVNULL)
    return workspace


def icon_files(count):
    """The first `count` 256 x 256 icons in path order; the theme gives some pictures under two
    names, as links, and each name counts."""
    files = [path.resolve() for path in sorted(ICON_FOLDER.rglob("*.png"))]
    files = [path for path in files if path.is_file()]
    if len(files) < count:
        raise RunFailed(f"only {len(files)} icons in {ICON_FOLDER}, {count} wanted")
    return files[:count]


def make_icon_workspace(work, count, programs):
    """Icons spread over eight applications of at most 999 pictures each."""
    workspace = new_workspace(work, f"icons-{count:04d}", programs)
    for index, icon in enumerate(icon_files(count)):
        app, picture = index % 8 + 1, index // 8 + 1
        shutil.copyfile(icon, workspace / "image" / f"A{app:03d}_{picture:03d}.png")
    return workspace


def parse_arguments(description, work_folder, add_options=None):
    """The command line of workspace sizes, repeats and folders; add_options(parser) adds a
    script's own options."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--counts", default="100,400,1600",
                        help="UI picture counts of the workspaces, ascending (default 100,400,1600)")
    parser.add_argument("--icons", type=int, default=400,
                        help="icons in the workspace of real pictures, 0 for none (default 400)")
    parser.add_argument("--repeat", type=int, default=3,
                        help="timed runs a workspace (least time counts)")
    parser.add_argument("--build", type=Path, default=TOP / "build-bench",
                        help="Release build folder (default build-bench)")
    parser.add_argument("--work", type=Path,
                        help=f"workspaces folder (default BUILD/{work_folder})")
    parser.add_argument("--no-build", action="store_true", help="use the programs already built")
    if add_options:
        add_options(parser)
    arguments = parser.parse_args()
    arguments.counts = sorted(int(c) for c in arguments.counts.split(",") if c)
    if arguments.repeat < 1 or any(c < 1 for c in arguments.counts) or arguments.icons < 0:
        parser.error("counts and --repeat must be at least 1, --icons at least 0")
    arguments.work = arguments.work or arguments.build / work_folder
    return arguments


def measure_workspaces(script, arguments, programs, measure, making="making"):
    """Makes each workspace in turn and measures it with measure(kind, workspace, count), which
    also tidies what it leaves behind. Returns the rows, or None with a message when a run
    failed."""
    plans = [("ui", count, make_ui_workspace) for count in arguments.counts]
    if arguments.icons:
        plans.append(("icons", arguments.icons, make_icon_workspace))
    rows = []
    try:
        for kind, count, make in plans:
            print(f"{kind} {count}: {making} the workspace ...", flush=True)
            workspace = make(arguments.work, count, programs)
            rows.append(measure(kind, workspace, count))
    except (RunFailed, subprocess.CalledProcessError) as failure:
        print(f"{script}: {failure}", file=sys.stderr)
        return None
    return rows
