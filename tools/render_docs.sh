#!/bin/sh
# Renders one frame of each placement with the built program and writes the pictures the README
# shows (docs/render/*.png). Run from the repository after building: tools/render_docs.sh [build]
set -eu
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
fixtures="Z:$(printf '%s' "$here/tests/fixtures/render" | tr / '\\')"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
render() {
  name=$1
  shift
  "$build/wine-run.sh" "$build/zelvarons.exe" --render "Z:$(printf '%s' "$out/$name.bmp" | tr / '\\')" \
    --lang en --country GB "$@"
  python3 "$here/tools/bmp_to_png.py" "$out/$name.bmp" "$here/docs/render/$name.png"
}
render bottom-bar --feed "$fixtures\\live-game.json" --size 1100x140 --expanded
render top-bar --feed "$fixtures\\news-story.json" --size 1100x140 --mode bar --edge top --orb-image "$fixtures\\harbour.png" --orb XL --left team
render island --feed "$fixtures\\news-story.json" --size 900x400 --mode island --expanded --skin 1
render left-dock --feed "$fixtures\\news-story.json" --size 900x560 --mode bar --edge left --skin 3 --orb-image "$fixtures\\harbour.png"
render right-dock --feed "$fixtures\\live-game.json" --size 900x560 --mode bar --edge right --expanded --skin 4
