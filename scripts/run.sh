#!/usr/bin/env bash
# Builds a program, caldrin (the default) or trensoly, and starts it on a demo catalogue in
# .demo/<program> beside the sources.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=${1:-caldrin}
case "$program" in
    caldrin) order=() ;;
    trensoly) order=("A") ;; # disc numbers in ascending order
    *)
        echo "usage: scripts/run.sh [caldrin|trensoly]" >&2
        exit 2
        ;;
esac
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "$program" mkcatalogue
folder="$root/.demo/$program"
mkdir -p "$folder"
cp "$build/$program/$program" "$folder/"
if [[ ! -f "$folder/$program.mdb" ]]; then
    "$build/tools/mkcatalogue" "$program" "$folder/$program.mdb" --demo
fi
# The title settings: two titles, the program's own values, then the two slant flags.
if [[ ! -f "$folder/TITLE.TXT" ]]; then
    printf '"%s"\r\n' "ＭＤライブラリー" "わたしのコレクション" "${order[@]}" "Y" "N" |
        iconv -f UTF-8 -t CP932 >"$folder/TITLE.TXT"
fi
cd "$folder"
exec "./$program"
