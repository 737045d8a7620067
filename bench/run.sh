#!/usr/bin/env bash
# Runs every benchmark script of this folder against build/win and prints their figures.
set -u
here=$(cd "$(dirname "$0")" && pwd)
status=0
for script in "$here"/*.sh; do
  [ "$script" = "$here/run.sh" ] && continue
  echo "== $(basename "$script" .sh)"
  bash "$script" || status=1
done
exit $status
