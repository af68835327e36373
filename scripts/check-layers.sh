#!/usr/bin/env bash
# Usage: scripts/check-layers.sh [source root]
# Fails on an #include from a lower layer to a higher one, and on any cycle
# between folders, so the house keeps one direction as it grows.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# The layers, lowest first; folders on one line are peers. A folder under
# src/gui/ or app/ takes the layer of its parent.
layers='
base
store
link
engine
admin catalogue customers reports console
gui
app
'

declare -A rank
r=0
while read -r line; do
  [ -n "$line" ] || continue
  for f in $line; do rank[$f]=$r; done
  r=$((r + 1))
done <<<"$layers"

# The folder a source file belongs to: src/X, src/gui/X or app/X.
unit_of_file() {
  case $1 in
    src/gui/*/*) echo "gui/$(cut -d/ -f3 <<<"$1")" ;;
    src/*/*) cut -d/ -f2 <<<"$1" ;;
    app/*/*) echo "app/$(cut -d/ -f2 <<<"$1")" ;;
    app/*) echo app ;;
  esac
}
rank_of() {
  local top=${1%%/*}
  echo "${rank[$top]-}"
}

fail=0
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r file; do
  from=$(unit_of_file "$file")
  [ -n "$from" ] || continue
  from_rank=$(rank_of "$from")
  if [ -z "$from_rank" ]; then
    echo "$file: its folder '$from' has no layer; add it to the list in $0"
    fail=1
    continue
  fi
  while IFS= read -r inc; do
    # A bare name is a neighbour in the same folder.
    [[ $inc == */* ]] || continue
    case $inc in
      gui/*/*) to="gui/$(cut -d/ -f2 <<<"$inc")" ;;
      gui/*) to=gui ;;
      *) to=${inc%%/*} ;;
    esac
    to_rank=$(rank_of "$to")
    # Includes that name no folder of ours (system or Qt paths) are not ours to rank.
    [ -n "$to_rank" ] || continue
    if [ "$to_rank" -gt "$from_rank" ]; then
      echo "$file includes \"$inc\": $from may not reach up to $to"
      fail=1
    fi
    [ "$to" = "$from" ] || echo "$from $to" >>"$edges"
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src app -name '*.h' -o -name '*.cpp' | sort)

# tsort reports a loop when folders include each other, however long the ring.
if ! loops=$(sort -u "$edges" | tsort 2>&1 >/dev/null) || [ -n "$loops" ]; then
  echo "folders include each other:"
  echo "$loops" | grep -v 'input contains a loop' | sed 's/^tsort: /  /'
  fail=1
fi

if [ "$fail" -ne 0 ]; then
  exit 1
fi
echo "layers: every include points down or sideways, and no folders include each other"
