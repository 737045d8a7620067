#!/usr/bin/env bash
# Launcher time from process start to the call of the launcher class's main and to the end of
# DestroyJavaVM, with a warm version cache, against the trivial jvm_caller that loads the same
# recording jvm.dll, calls main at once and destroys the machine (pairs run alternately under
# one warm Wine server); and the peak working set when each calls JNI_CreateJavaVM. All figures
# come from the double's record; the summary ones are also written to bench/figures.txt.
#   bench/bench_vm_launch.sh [build-dir] [runs]
# TESSEL_BENCH_TEMPLATE names another launcher template (an older build, to compare).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/win}" && pwd)
runs=${2:-15}
dist=$(sed -n 's/^TESSEL_DIST:PATH=//p' "$build/CMakeCache.txt")
doubles=$build/tests/doubles
work=$build/bench/vm_launch
rm -rf "$work"
mkdir -p "$work/lib" "$work/jre/bin/server"
cp "$doubles/java_exe/java.exe" "$work/jre/bin/"
printf 'line=openjdk version "17.0.2" 2022-01-18\n' > "$work/jre/bin/java.exe.cfg"
cp "$doubles/jvm_dll/jvm.dll" "$work/jre/bin/server/"
touch "$work/lib/app.jar" "$work/lib/tessel-runtime.jar"
printf '[application]\nexecutable_type = 2\n[java]\nmain_class = "bench.Main"\n' > "$work/app.toml"
printf 'class_path = "S0.\\\\lib;"\nsearch_sequence = "B.\\\\jre"\nvm_parameters = "-Xmx256m"\n' >> "$work/app.toml"
"$dist/tessel" build --template "${TESSEL_BENCH_TEMPLATE:-$dist/launcher.exe}" "$work/app.toml" \
  -o "$work/app.exe" >/dev/null
printf -- '-Dbench=1\n' > "$work/app.vmoptions"

record=$work/record.txt
export TESSEL_JVM_RECORD
TESSEL_JVM_RECORD=$(echo "Z:$record" | tr / '\\')
cd "$build"
run() { rm -f "$record"; TESSEL_WINE_ROOT=$build WINE_TIMEOUT=30 "$here/../cmake/wine-run.sh" "$@" \
  </dev/null >/dev/null 2>&1 || true; }
jvm=$(echo "Z:$work/jre/bin/server/jvm.dll" | tr / '\\')
field() { sed -n "s/^$1 \([0-9]*\).*/\1/p" "$record" | head -n 1; }
run "$work/app.exe"  # starts the server and fills the version cache
declare -a app_us create_us caller_us peak caller_peak app_end caller_end
for i in $(seq 1 "$runs"); do
  run "$work/app.exe"
  app_us+=($(field "main called after"))
  create_us+=($(field "creation requested after"))
  peak+=($(field "peak working set"))
  app_end+=($(field "destroyed after"))
  run "$doubles/jvm_dll/jvm_caller.exe" "$jvm" -- x
  caller_us+=($(field "main called after"))
  caller_peak+=($(field "peak working set"))
  caller_end+=($(field "destroyed after"))
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
app=$(median "${app_us[@]}")
base=$(median "${caller_us[@]}")
echo "launcher: process start to main, median $((app / 1000)) ms over $runs runs (warm version cache)"
echo "  of which until JNI_CreateJavaVM: median $(( $(median "${create_us[@]}") / 1000 )) ms"
echo "trivial jvm_caller with the same jvm.dll: median $((base / 1000)) ms"
awk -v a="$app" -v b="$base" 'BEGIN { printf "ratio: %.2f\n", a / b }'
echo "peak working set before JNI_CreateJavaVM: median $(( $(median "${peak[@]}") / 1024 )) KB" \
  "(the trivial caller: $(( $(median "${caller_peak[@]}") / 1024 )) KB)"
end=$(median "${app_end[@]}")
end_base=$(median "${caller_end[@]}")
echo "to the end of DestroyJavaVM: launcher median $((end / 1000)) ms, trivial caller" \
  "$((end_base / 1000)) ms"
figures=$build/bench/figures.txt
mkdir -p "$build/bench"
touch "$figures"
sed -i '/^vm_/d' "$figures"
{
  echo "vm_end_us $end $end_base"
  echo "vm_peak_bytes $(median "${peak[@]}") $(median "${caller_peak[@]}")"
} >> "$figures"
