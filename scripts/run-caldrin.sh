#!/usr/bin/env bash
# Builds caldrin and starts it on a demo catalogue in .demo/caldrin beside the sources.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh"
folder="$root/.demo/caldrin"
mkdir -p "$folder"
cp "$root/build/caldrin/caldrin" "$folder/"
if [[ ! -f "$folder/caldrin.mdb" ]]; then
    "$root/build/tools/mkcatalogue" caldrin "$folder/caldrin.mdb" --demo
fi
if [[ ! -f "$folder/TITLE.TXT" ]]; then
    printf '"%s"\r\n"%s"\r\n"Y"\r\n"N"\r\n' "ＭＤライブラリー" "わたしのコレクション" |
        iconv -f UTF-8 -t CP932 >"$folder/TITLE.TXT"
fi
cd "$folder"
exec ./caldrin
