#!/usr/bin/env bash
# What an application identity costs: the bytes a full identity (four-size icon, 400x300
# splash bitmap, runtime splash image, manifest, version information) adds to the executable,
# and the time of `tessel build` for a project with a 20 MB embedded jar against copying the
# same bytes.
#   bench/bench_identity.sh [runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
dist=$here/../build/dist
runs=${1:-5}
work=$here/../build/bench/identity
rm -rf "$work"
mkdir -p "$work"
cd "$work"

for s in 16 32 48 256; do ppmmake rgb:20/40/c0 $s $s | pnmtopng > i$s.png; done
icotool -c -o app.ico i16.png i32.png i48.png i256.png
ppmmake rgb:20/80/c0 400 300 | ppmtobmp -bpp 24 > splash.bmp 2>/dev/null
ppmmake rgb:f0/f0/20 400 300 | pnmtopng > runtime-splash.png
head -c $((20 * 1024 * 1024)) /dev/urandom > big.jar

cat > plain.toml <<'TOML'
[application]
name = "Bench"
[java]
main_class = "bench.Main"
TOML
{ cat plain.toml; cat <<'TOML'
[identity]
icon = "app.ico"
splash_bitmap = "splash.bmp"
runtime_splash_image = "runtime-splash.png"
execution_level = "asInvoker"
dpi_awareness = "permonitorv2"
[identity.version]
file_version = "1.2.3.4"
product_version = "1.2"
company = "Example Ltd"
product_name = "Bench Application"
description = "A benchmark application"
copyright = "(c) 2026 Example Ltd"
original_filename = "bench.exe"
TOML
} > identity.toml
{ cat identity.toml; printf '[[embed]]\nsource = "big.jar"\nname = "lib\\\\big.jar"\n'; } > big.toml

"$dist/tessel" build plain.toml -o plain.exe >/dev/null
"$dist/tessel" build identity.toml -o identity.exe >/dev/null
plain=$(stat -c %s plain.exe)
full=$(stat -c %s identity.exe)
images=$(( $(stat -c %s app.ico) + $(stat -c %s splash.bmp) + $(stat -c %s runtime-splash.png) ))
echo "executable without identity:   $plain bytes"
echo "executable with full identity: $full bytes (+$((full - plain)); image files $images bytes)"

ms() { local s e; s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(( (e - s) / 1000000 )); }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
build_ms=$(for _ in $(seq "$runs"); do ms "$dist/tessel" build big.toml -o big.exe; done | median)
copy_ms=$(for _ in $(seq "$runs"); do ms cp big.jar copy.jar; sync copy.jar; done | median)
echo "tessel build, 20 MB embedded:  $build_ms ms (median of $runs)"
echo "cp of the same 20 MB + sync:   $copy_ms ms"
awk -v a="$build_ms" -v b="$copy_ms" 'BEGIN { if (b < 1) b = 1; printf "ratio build/copy:              %.1f\n", a / b }'
