#!/usr/bin/env bash
# Builds framestow and runs it on the demo workspace, as a user would: the program is copied into
# a folder that holds an image folder and a config.ini, and run there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
workspace="$top/out/demo"

bash "$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DFRAMESTOW_TESTS=OFF >/dev/null
cmake --build "$build" --target framestow hexfold framestow_inspect -j"$(nproc)" >/dev/null

rm -rf "$workspace"
mkdir -p "$workspace"
cp -r "$top/examples/demo/image" "$top/examples/demo/config.ini" "$workspace/"
cp "$build/packer/framestow" "$workspace/"
status=0
"$workspace/framestow" || status=$?

echo
echo "framestow ended with exit status $status."
echo "Workspace:        $workspace"
echo "Package files:    $(cd "$workspace/output" && ls gui*.bin 2>/dev/null | tr '\n' ' ')(in $workspace/output)"
echo "Firmware source:  $workspace/output/BitmapMapping.cpp"
echo "Index for tools:  $workspace/output/BitmapMapping.xml"
echo "Staging files:    $workspace/temp/image_bitmap, image_zip, image_unzip"
echo "Look inside:      $build/inspect/framestow-inspect list $workspace/output"
exit "$status"
