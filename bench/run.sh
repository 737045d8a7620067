#!/usr/bin/env bash
# Runs every benchmark script of this folder against build/win and prints their figures.
set -u
here=$(cd "$(dirname "$0")" && pwd)
status=0
rm -f "$here/../build/win/bench/figures.txt"
for script in "$here"/*.sh; do
  [ "$script" = "$here/run.sh" ] || [ "$script" = "$here/summary.sh" ] && continue
  echo "== $(basename "$script" .sh)"
  bash "$script" || status=1
done
bash "$here/summary.sh" || status=1
exit $status
