#!/usr/bin/env bash
# Launch time of an application whose launch ends right after loading a configuration of about
# 200 keys (no runtime in its search sequence), as a ratio against a trivial executable run the
# same way, both under Wine with a running server; and the size of the launcher template.
#   bench/bench_config.sh [build-dir] [runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/win}" && pwd)
runs=${2:-20}
dist=$(sed -n 's/^TESSEL_DIST:PATH=//p' "$build/CMakeCache.txt")
tool=$dist/tessel
template=$dist/launcher.exe
work=$build/bench/config
mkdir -p "$work"

trivial=$work/trivial.exe
if [ ! -f "$trivial" ]; then
  printf '#include <windows.h>\nint WINAPI WinMain(HINSTANCE a, HINSTANCE b, LPSTR c, int d) { return 0; }\n' \
    > "$work/trivial.c"
  x86_64-w64-mingw32-gcc-posix -O2 -s -mwindows -o "$trivial" "$work/trivial.c"
fi

# 200 keys: the usual settings, then unread keys up to the count; every message in two locales.
{
  printf '[application]\nname = "bench"\nexecutable_type = 2\nflavour = "t"\n'
  printf '[java]\nmain_class = "bench.Main"\nclass_path = "S0.\\\\lib;"\nsearch_sequence = ""\n'
  printf '[keys]\n'
  for i in $(seq 1 192); do printf '%d = "value of an unread key number %d, about sixty bytes"\n' $((20000 + i)) "$i"; done
  printf '[locale.de]\ncaption = "Fehler"\nno_jvm_bits = "Keine JVM"\n'
  printf '[locale.fr]\ncaption = "Erreur"\nno_jvm_bits = "Aucune JVM"\n'
} > "$work/bench.toml"
printf '[application]\nexecutable_type = 2\n[java]\nsearch_sequence = ""\n' > "$work/small.toml"
"$tool" build "$work/small.toml" -o "$work/small.exe" --template "$template" >/dev/null
summary=$("$tool" build "$work/bench.toml" -o "$work/bench.exe" --template "$template")

cd "$build"
run() { TESSEL_WINE_ROOT=$build WINE_TIMEOUT=30 "$here/../cmake/wine-run.sh" "$@" </dev/null >/dev/null 2>&1 || true; }
run "$trivial"  # starts the server
run "$work/bench.exe"
now() { date +%s%N; }
declare -a app_ms trivial_ms small_ms
for i in $(seq 1 "$runs"); do
  t0=$(now); run "$work/bench.exe"; t1=$(now); run "$trivial"; t2=$(now); run "$work/small.exe"; t3=$(now)
  app_ms+=($(( (t1 - t0) / 1000000 ))); trivial_ms+=($(( (t2 - t1) / 1000000 )))
  small_ms+=($(( (t3 - t2) / 1000000 )))
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
app=$(median "${app_ms[@]}")
base=$(median "${trivial_ms[@]}")
small=$(median "${small_ms[@]}")
echo "launcher.exe: $(stat -c %s "$template") bytes ($(( $(stat -c %s "$template") / 1024 )) KB, limit 256 KB)"
echo "application: ${summary#*: }"
echo "launch ending after the configuration: median ${app} ms over $runs runs"
echo "the same launch with a configuration of messages only: median ${small} ms"
echo "trivial executable: median ${base} ms"
awk -v a="$app" -v b="$base" 'BEGIN { printf "ratio: %.2f\n", a / b }'
