#!/usr/bin/env bash
# `make check-reproducible`: `make dist` in two clean clones of the committed tree, and every
# product and package compared byte for byte. ccache stays out (it would hand the second build
# the first one's objects), and the two builds differ in what a rebuilder's machine may differ
# in: folder, time of day, time zone, umask and locale.
#   scripts/check-reproducible.sh [WORK_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$root/build/reproducible}
commit=$(git -C "$root" rev-parse HEAD)
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
  echo "check-reproducible: uncommitted changes are not part of the check (commit $commit)" >&2
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER SOURCE_DATE_EPOCH
PATH=$(printf %s "$PATH" | tr : "\n" | grep -v ccache | paste -sd :)
export JOBS=${JOBS:-$(nproc)}

rm -rf "$work"
mkdir -p "$work"
# tree, umask, time zone, locale
builds=("first 022 UTC C.UTF-8" "second-tree 002 Asia/Tokyo ja_JP.UTF-8")
for build in "${builds[@]}"; do
  read -r tree mask zone locale <<< "$build"
  git clone --quiet --no-checkout "$root" "$work/$tree"
  git -C "$work/$tree" -c advice.detachedHead=false checkout --quiet "$commit"
  echo "check-reproducible: make dist in $work/$tree (umask $mask, TZ=$zone, LC_ALL=$locale)"
  if ! (cd "$work/$tree" && umask "$mask" && TZ=$zone LC_ALL=$locale make dist \
          > "$work/$tree.log" 2>&1); then
    echo "check-reproducible: make dist failed in $work/$tree; the end of $work/$tree.log:" >&2
    tail -n 30 "$work/$tree.log" >&2
    exit 1
  fi
done

# What the release consists of: the products that go into it and the packages themselves.
sums() {
  (cd "$1/build/dist" && find . -type f | LC_ALL=C sort | sed 's|^\./|dist/|' |
     (cd .. && xargs sha256sum))
  (cd "$1/build/release" && find . -type f | LC_ALL=C sort | sed 's|^\./|release/|' |
     (cd .. && xargs sha256sum))
}
first=${builds[0]%% *}
second=${builds[1]%% *}
sums "$work/$first" > "$work/$first.sums"
sums "$work/$second" > "$work/$second.sums"
echo "check-reproducible: SHA256SUMS of the release:"
sed 's/^/  /' "$work/$first/build/release/SHA256SUMS"
if cmp -s "$work/$first.sums" "$work/$second.sums"; then
  echo "check-reproducible: $(wc -l < "$work/$first.sums") files identical in both builds of $commit"
  exit 0
fi
echo "check-reproducible: the two builds of $commit differ:" >&2
diff "$work/$first.sums" "$work/$second.sums" | sed 's/^/  /' >&2
while read -r sum file; do
  other=$work/$second/build/$file
  grep -qx "$sum  $file" "$work/$second.sums" && continue
  if [ -f "$other" ]; then
    echo "  $file: $(cmp -l "$work/$first/build/$file" "$other" 2>/dev/null | wc -l) bytes differ" \
         "($(stat -c %s "$work/$first/build/$file") and $(stat -c %s "$other") bytes long)" >&2
  fi
done < "$work/$first.sums"
exit 1
