#!/usr/bin/env bash
# Keeps the core folders in one direction: a folder may include its own headers and
# those of the layers below it, never a layer above or beside it, and never app/ or a
# ui/ folder (the core builds without Qt and without the command line). The windows
# (src/*/ui/) and main.cpp sit on top and are not checked.
set -euo pipefail
cd "$(dirname "$0")/.."

# Lowest first; folders on one line are siblings and do not include each other.
layers=(
    "common"
    "link"
    "settings"
    "registrar"
    "db"
    "grid exchange import"
    "reports"
    "forms events charts"
    "session"
    "app"
)

declare -A rank
for i in "${!layers[@]}"; do
    for folder in ${layers[$i]}; do
        rank[$folder]=$i
    done
done

failures=0
fail() {
    echo "check-layers: $*" >&2
    failures=$((failures + 1))
}

for dir in src/*/; do
    folder=$(basename "$dir")
    if [[ -z "${rank[$folder]+set}" ]]; then
        fail "src/$folder/ has no layer; add it to scripts/check-layers.sh"
        continue
    fi
    while IFS= read -r -d '' file; do
        while IFS=: read -r line include; do
            target=${include%%/*}
            if [[ "$include" == */ui/* ]]; then
                fail "$file:$line includes the window header $include"
            elif [[ "$include" != */* || "$target" == "$folder" ]]; then
                continue
            elif [[ -z "${rank[$target]+set}" ]]; then
                continue # a header of the test or library tree, not a source folder
            elif [[ "$target" == app ]]; then
                fail "$file:$line includes the command line header $include"
            elif ((rank[$target] >= rank[$folder])); then
                fail "$file:$line: $folder/ includes $include from a layer not below it"
            fi
        done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
                 sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/' || true)
    done < <(find "$dir" -path '*/ui' -prune -o -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

if ((failures > 0)); then
    echo "check-layers: $failures include(s) against the layer order" >&2
    exit 1
fi
echo "check-layers: every core folder includes only the layers below it"
