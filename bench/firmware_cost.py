#!/usr/bin/env python3
"""What decoding costs on the emulated cores, against a plain memcpy of the same bytes.

Packs two workspaces with framestow (the demo, and one flat full-screen picture of one colour,
opaque and with alpha), builds bench/firmware/decode_count.cpp for each board of the example
firmware and runs it under qemu with -icount, so that the core's counter follows the
instructions run. Prints, for every picture, the decode's count against memcpy's for the same
pixel bytes on the same core, and on RISC-V (whose counter is the instruction counter itself)
the instructions a decoded byte takes.

    python3 bench/firmware_cost.py [--build DIR] [--work DIR]

--build is the build folder that holds packer/framestow (default: build). Needs the test
packages of scripts/install-deps.sh. Exit status 0, or 2 when a step failed.
"""
import argparse
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path

from bench_workspaces import block_form_config

ROOT = Path(__file__).resolve().parent.parent
EXAMPLE = ROOT / "firmware/examples/picture-walk"
SOURCE = ROOT / "bench/firmware/decode_count.cpp"

# Board folder, core, emulator command, and whether picolibc's start-up takes every word of the
# command line as an argument (newlib's takes the first as the program's name).
BOARDS = [
    ("mps2-an386", "Cortex-M4", ["qemu-system-arm", "-M", "mps2-an386"], False),
    ("mps2-an500", "Cortex-M7", ["qemu-system-arm", "-M", "mps2-an500"], False),
    ("mps2-an505", "Cortex-M33", ["qemu-system-arm", "-M", "mps2-an505"], False),
    ("riscv-virt", "RISC-V RV32", ["qemu-system-riscv32", "-M", "virt", "-bios", "none"], True),
]
FLAT_CONFIG = block_form_config([("1.0.0.1", "A001")])
SCREEN = 466


def png(width, height, colour_type, pixel):
    """A PNG file of one colour: 8-bit RGB (2) or RGBA (6)."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    rows = b"".join(b"\0" + pixel * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


def run(command, **options):
    result = subprocess.run(command, capture_output=True, text=True, **options)
    if result.returncode != 0:
        sys.exit(f"failed: {' '.join(map(str, command))}\n{result.stdout}{result.stderr}")
    return result


def pack(framestow, folder):
    shutil.copy(framestow, folder / "framestow")
    run([str(folder / "framestow")], cwd=folder)


def make_workspaces(work, framestow):
    demo = work / "demo"
    shutil.copytree(ROOT / "examples/demo", demo, ignore=shutil.ignore_patterns("*.py"))
    flat = work / "flat"
    (flat / "image").mkdir(parents=True)
    (flat / "config.ini").write_text(FLAT_CONFIG)
    (flat / "image/A001_001.png").write_bytes(png(SCREEN, SCREEN, 2, b"\x20\x40\x60"))
    (flat / "image/A001_002.png").write_bytes(png(SCREEN, SCREEN, 6, b"\x20\x40\x60\x80"))
    for workspace in (demo, flat):
        pack(framestow, workspace)
    return [("demo", demo, 3, 4), ("flat", flat, 1, 2)]


def count_on_board(board, emulator, picolibc, workspace, apps, pictures, build):
    run(["cmake", "-S", str(EXAMPLE), "-B", str(build), "-DFRAMESTOW_BOARD=" + board,
         "-DFRAMESTOW_EXAMPLE_SOURCE=" + str(SOURCE),
         "-DFRAMESTOW_MAPPING_SOURCE=" + str(workspace / "output/BitmapMapping.cpp")])
    run(["cmake", "--build", str(build)])
    words = ([] if picolibc else ["decode-count"]) + [str(workspace / "output"), str(apps),
                                                       str(pictures)]
    config = "enable=on,target=native" + "".join(",arg=" + word for word in words)
    result = run(["timeout", "300"] + emulator +
                 ["-icount", "shift=0", "-nographic", "-semihosting-config", config, "-kernel",
                  str(build / "picture-walk.elf")])
    counts = {}
    for line in (result.stderr if picolibc else result.stdout).splitlines():
        app, picture, width, height, size, decode, copy = line.split()
        counts[(app, picture)] = (f"{width}x{height}", int(size), int(decode), int(copy))
    return counts


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=ROOT / "build")
    parser.add_argument("--work", type=Path)
    options = parser.parse_args()
    framestow = options.build / "packer/framestow"
    if not framestow.exists():
        sys.exit(f"no {framestow}: build the project first")
    work = options.work or Path(tempfile.mkdtemp(prefix="firmware-cost-"))
    rows = {}
    for name, workspace, apps, pictures in make_workspaces(work, framestow):
        for board, core, emulator, picolibc in BOARDS:
            counts = count_on_board(board, emulator, picolibc, workspace, apps, pictures,
                                    work / f"build-{board}")
            for (app, picture), (size, pixel_bytes, decode, copy) in counts.items():
                key = (name, f"A{int(app):03d}_{int(picture):03d}", size, pixel_bytes)
                rows.setdefault(key, {})[core] = (decode, copy)
    cores = [core for _, core, _, _ in BOARDS]
    print("| Workspace | Picture | Size | Pixel bytes | " +
          " | ".join(f"{core}: decode / memcpy" for core in cores) +
          " | RISC-V RV32: instructions a byte, decode / memcpy |")
    print("|---" * (5 + len(cores)) + "|")
    for (name, picture, size, pixel_bytes), by_core in rows.items():
        ratios = [f"{by_core[core][0] / by_core[core][1]:.2f}" for core in cores]
        decode, copy = by_core["RISC-V RV32"]
        print(f"| {name} | {picture} | {size} | {pixel_bytes} | " + " | ".join(ratios) +
              f" | {decode / pixel_bytes:.2f} / {copy / pixel_bytes:.2f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
