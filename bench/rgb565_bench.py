#!/usr/bin/env python3
"""What RGB565 saves, and what it costs, on opaque full-screen pictures that no one here drew.

    python3 bench/rgb565_bench.py [--work FOLDER]

Pictures: the wallpapers of Debian's desktop-base package (installed with apt-get when missing,
with librsvg2-bin, whose rsvg-convert renders them), each theme's wallpaper rendered at 16:9 and
its left, middle and right squares averaged down to 466 x 466, and the middle square of each
theme's boot screen pictures (grub-4x3.png, grub-16x9.png); plus the opaque full-screen UI backgrounds that
bench/make_ui_pictures draws. For each picture it prints the bytes it takes in a package as 8888
in the block form, as RGB565 rounded and as RGB565 dithered (both in the marker form), and the
PSNR of what the decoder gives back against the picture; then the totals. It then times a run of
framestow with one worker on the same pictures with pixel_format=565, rounded and dithered, and
reports the time of the conversions (measured in rgb565_measure, on the packer's own code) as a
share of each run. Pictures of the same pixels are measured once.

Goals: opaque pictures at most 40 % of their 8888 bytes as RGB565 in total, PSNR at least 40 dB
for every picture without dither, the conversion at most 10 % of a run. Exit status 1 when a goal
is missed. Not part of the tests: run it by hand.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent
WALLPAPERS = Path("/usr/share/desktop-base")
UI_PICTURES = 48  # make_ui_pictures pictures to draw; the opaque ones are kept
CONFIG_INI = """\
[png]
bit_type=0
block_len=1
zip_type=1
pixel_format=565
dither={dither}

[gui01.bin]
name=gui01.bin
version=1.0.0.1
app_list=A001,A002,A003,A004,A005,A006,A007,A008
"""


def ensure_wallpapers():
    missing = [package for package, path in (("desktop-base", WALLPAPERS),
                                             ("librsvg2-bin", Path("/usr/bin/rsvg-convert")))
               if not path.exists()]
    if not missing:
        return
    print(f"rgb565_bench: installing the Debian packages {' '.join(missing)} for the wallpapers "
          "(apt-get install)", flush=True)
    subprocess.run(["apt-get", "install", "-y", "-qq"] + missing, check=True,
                   stdout=subprocess.DEVNULL,
                   env={**os.environ, "DEBIAN_FRONTEND": "noninteractive"})


def build_programs(build):
    subprocess.run(["cmake", "-S", str(TOP), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                    "-DFRAMESTOW_BENCH=ON", "-DFRAMESTOW_TESTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "framestow", "make_ui_pictures",
                    "rgb565_measure", "-j2"], check=True, stdout=subprocess.DEVNULL)
    return {name: build / folder / name for name, folder in
            (("framestow", "packer"), ("make_ui_pictures", "bench"), ("rgb565_measure", "bench"))}


def wallpaper_squares(rendered):
    """(source file, square, label): three squares of each theme's 16:9 wallpaper, rendered into
    `rendered`, and the middle of each boot screen picture."""
    squares = []
    for theme in sorted(WALLPAPERS.glob("*-theme")):
        if theme.is_symlink():
            continue
        svg = theme / "wallpaper" / "contents" / "images" / "1920x1080.svg"
        if svg.exists():
            png = rendered / f"{theme.name}.png"
            subprocess.run(["rsvg-convert", "-w", "1656", "-h", "932", "-o", str(png), str(svg)],
                           check=True)
            squares += [(png, where, f"{theme.name} wallpaper, {where} square")
                        for where in ("first", "middle", "last")]
        for grub in sorted((theme / "grub").glob("grub-*.png")):
            squares.append((grub, "middle", f"{theme.name} {grub.name}"))
    return squares


def make_pictures(image, programs):
    names = []
    rendered = image.parent / "rendered"
    rendered.mkdir()
    for index, (source, where, label) in enumerate(wallpaper_squares(rendered)):
        name = f"A00{index % 4 + 1}_{index // 4 + 1:03d}.png"
        subprocess.run([str(programs["rgb565_measure"]), "scale", str(source), str(image / name),
                        where], check=True)
        names.append((name, label))
    drawn = image.parent / "drawn"
    drawn.mkdir()
    subprocess.run([str(programs["make_ui_pictures"]), str(UI_PICTURES), str(drawn)], check=True,
                   stdout=subprocess.DEVNULL)
    for path in sorted(drawn.iterdir()):
        # make_ui_pictures names its pictures A001..A008; these go to A005..A008.
        target = image / f"A{int(path.name[1:4]) % 4 + 5:03d}_{path.name[5:]}"
        shutil.move(path, target)
        names.append((target.name, "make_ui_pictures " + path.name))
    return dict(names)


def measure(programs, image):
    result = subprocess.run([str(programs["rgb565_measure"]), "measure", str(image)], check=True,
                            capture_output=True, text=True)
    rows = [line.split() for line in result.stdout.splitlines()]
    return rows[1:-1], rows[-1]


def time_packer(workspace, programs, dither):
    shutil.copy2(programs["framestow"], workspace / "framestow")
    (workspace / "config.ini").write_text(CONFIG_INI.format(dither=dither))
    best = None
    for _ in range(3):
        shutil.rmtree(workspace / "temp", ignore_errors=True)
        start = time.perf_counter()
        subprocess.run([str(workspace / "framestow")], cwd=workspace, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       env={**os.environ, "FRAMESTOW_JOBS": "1"})
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--work", type=Path, default=TOP / "build-bench" / "rgb565")
    args = parser.parse_args()
    ensure_wallpapers()
    programs = build_programs(TOP / "build-bench")
    if args.work.exists():
        shutil.rmtree(args.work)
    image = args.work / "image"
    image.mkdir(parents=True)
    sources = make_pictures(image, programs)
    seen = set()
    for path in sorted(image.iterdir()):
        pixels = path.read_bytes()
        if pixels in seen:
            path.unlink()
        seen.add(pixels)
    rows, total = measure(programs, image)
    # Pictures that are not opaque (make_ui_pictures' icons) are not measured, nor packed.
    measured = {row[0] for row in rows}
    for path in image.iterdir():
        if path.name not in measured:
            path.unlink()
    real = sum(1 for name in measured if not sources[name].startswith("make_ui_pictures"))

    print(f"{'picture':14} {'8888':>9} {'565':>9} {'565 dith':>9} {'%':>6} {'% dith':>6} "
          f"{'dB 8888':>7} {'dB 565':>7} {'dB dith':>7}  source")
    for row in rows:
        b8888, b565, bdith = (int(v) for v in row[1:4])
        print(f"{row[0]:14} {b8888:9} {b565:9} {bdith:9} {100 * b565 / b8888:6.1f} "
              f"{100 * bdith / b8888:6.1f} {row[4]:>7} {row[5]:>7} {row[6]:>7}  {sources[row[0]]}")
    t8888, t565, tdith = (int(v) for v in total[1:4])
    worst = float(total[5])
    rounding, dithering = float(total[7]), float(total[9])
    print(f"{'total':14} {t8888:9} {t565:9} {tdith:9} {100 * t565 / t8888:6.1f} "
          f"{100 * tdith / t8888:6.1f}   ({len(rows)} opaque pictures, {real} of them wallpapers)")

    print(f"worst PSNR without dither: {worst:.2f} dB")
    shares = []
    for dither, conversion in ((0, rounding), (1, dithering)):
        run = time_packer(args.work, programs, dither)
        shares.append(conversion / run)
        print(f"conversion with dither={dither}: {conversion:.3f} s of a {run:.3f} s run with one "
              f"worker ({100 * shares[-1]:.1f} %)")
    share = max(shares)
    goals = [("RGB565 at most 40 % of the 8888 bytes", t565 <= 0.40 * t8888),
             ("PSNR at least 40 dB without dither", worst >= 40.0),
             ("conversion at most 10 % of a run", share <= 0.10),
             ("at least 30 wallpapers", real >= 30)]
    for goal, met in goals:
        print(f"{'met' if met else 'MISSED'}: {goal}")
    return 0 if all(met for _, met in goals) else 1


if __name__ == "__main__":
    sys.exit(main())
