#!/usr/bin/env bash
# Class-data sharing "auto" with a real application: Apache FOP from Debian renders a one-page
# PDF in memory (about 3,100 classes, 2,000 of them the application's). Main runs in the
# machine's OpenJDK 17 through the jvm.dll double; the launcher gives the archive options, so
# the runtime writes the archive on the first start and maps it afterwards. Times are from just
# before the start to the end of main (the time main prints), warm, in pairs (with, without)
# run alternately; also the first start's extra time (the archive is written at exit), the
# archive's size, and what the restart supervisor (on_crash) costs a start that runs nothing.
#   bench/bench_class_data_sharing.sh [build-dir] [pairs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/win}" && pwd)
pairs=${2:-7}
dist=$(sed -n 's/^TESSEL_DIST:PATH=//p' "$build/CMakeCache.txt")
doubles=$build/tests/doubles
java_bin=/usr/lib/jvm/java-17-openjdk-amd64/bin
jars=""
for j in fop fop-core fop-events fop-util xmlgraphics-commons commons-io commons-logging batik-all xml-apis-ext; do
  [ -f /usr/share/java/$j.jar ] && jars="$jars /usr/share/java/$j.jar"
done
if [ -z "$jars" ] || [ ! -f /usr/share/java/fop.jar ]; then
  echo "skipped: Debian's fop is not installed (apt-get install fop)"
  exit 0
fi
work=$build/bench/class_data_sharing
rm -rf "$work"
mkdir -p "$work/lib" "$work/src" "$work/classes" "$work/jre/bin/server"
cp "$doubles/java_exe/java.exe" "$work/jre/bin/"
printf 'line=openjdk version "17.0.2" 2022-01-18\n' > "$work/jre/bin/java.exe.cfg"
printf 'JAVA_VERSION="17.0.2"\n' > "$work/jre/release"
cp "$doubles/jvm_dll/jvm.dll" "$work/jre/bin/server/"
: > "$work/jre/bin/server/classes.jsa"
cat > "$work/src/FopBench.java" <<'JAVA'
import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.StringReader;
import javax.xml.transform.TransformerFactory;
import javax.xml.transform.sax.SAXResult;
import javax.xml.transform.stream.StreamSource;
import org.apache.fop.apps.Fop;
import org.apache.fop.apps.FopFactory;
import org.apache.fop.apps.MimeConstants;

public final class FopBench {
    public static void main(String[] args) throws Exception {
        if (args.length > 0) {  // the supervisor figure: a start that does nothing
            System.out.println("end-of-main " + System.currentTimeMillis());
            return;
        }
        java.util.logging.LogManager.getLogManager().reset();
        String fo = "<fo:root xmlns:fo='http://www.w3.org/1999/XSL/Format'><fo:layout-master-set>"
            + "<fo:simple-page-master master-name='A4' page-height='29.7cm' page-width='21cm' margin='2cm'>"
            + "<fo:region-body/></fo:simple-page-master></fo:layout-master-set>"
            + "<fo:page-sequence master-reference='A4'><fo:flow flow-name='xsl-region-body'>"
            + "<fo:block>Hello</fo:block></fo:flow></fo:page-sequence></fo:root>";
        ByteArrayOutputStream pdf = new ByteArrayOutputStream();
        Fop fop = FopFactory.newInstance(new File(".").toURI()).newFop(MimeConstants.MIME_PDF, pdf);
        TransformerFactory.newInstance().newTransformer()
            .transform(new StreamSource(new StringReader(fo)), new SAXResult(fop.getDefaultHandler()));
        System.out.println("pdf " + pdf.size() + " end-of-main " + System.currentTimeMillis());
    }
}
JAVA
"$java_bin/javac" -nowarn -cp "$(echo $jars | tr ' ' :)" -d "$work/classes" "$work/src/FopBench.java"
"$java_bin/jar" cf "$work/lib/fopbench.jar" -C "$work/classes" .
cp "$dist/tessel-runtime.jar" "$work/lib/"
class_path='A0lib\\fopbench.jar;A0lib\\tessel-runtime.jar;'
for j in $jars; do class_path="$class_path$(echo "A0Z:$j" | sed 's|/|\\\\|g');"; done
project() {  # NAME EXTRA-LINES
  printf '[application]\nexecutable_type = 2\n[java]\nmain_class = "FopBench"\nsearch_sequence = "B.\\\\jre"\n' > "$work/$1.toml"
  printf 'class_path = "%s"\n%b' "$class_path" "$2" >> "$work/$1.toml"
  "$dist/tessel" build "$work/$1.toml" -o "$work/$1.exe" >/dev/null
}
project with 'class_data_sharing = "auto"\n'
project without ''
project supervised '[restart]\non_crash = true\nexit_codes = [3]\n'

archives=$build/wineprefix/drive_c/users/$(id -un)/AppData/Local/tessel/cds/with
rm -rf "$archives"
export TESSEL_JVM_REAL=1 TESSEL_JVM_REAL_JAVA=$java_bin/java
cd "$build"
now_ms() { date +%s%3N; }
# run EXE [ARG]: prints the milliseconds from just before the start to the end of main, and
# the processor time (user and system, ms) of the whole start with its children (the runtime).
run() {
  local start out cpu
  start=$(now_ms)
  out=$( { TIMEFORMAT='cpu %U %S'; time TESSEL_WINE_ROOT=$build WINE_TIMEOUT=300 \
    "$here/../cmake/wine-run.sh" "$work/$1.exe" ${2:-} </dev/null 2>/dev/null; } 2>&1 || true)
  end=$(printf '%s' "$out" | sed -n 's/.*end-of-main \([0-9]*\).*/\1/p' | tail -n 1)
  cpu=$(printf '%s' "$out" | awk '/^cpu / { printf "%d", ($2 + $3) * 1000 }')
  [ -n "$end" ] || { echo "no end of main from $1: $out" >&2; echo "0 0"; return; }
  echo "$((end - start)) ${cpu:-0}"
}
# whole EXE [ARG]: the milliseconds of the whole start, to the process's end.
whole() {
  local start
  start=$(now_ms)
  TESSEL_WINE_ROOT=$build WINE_TIMEOUT=300 "$here/../cmake/wine-run.sh" "$work/$1.exe" ${2:-} </dev/null >/dev/null 2>&1 || true
  echo $(($(now_ms) - start))
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run without >/dev/null  # the Wine server and the page cache warm
first_without=$(whole without)
first_with=$(whole with)  # no archive yet: written when the machine ends
archive=$(ls "$archives"/17-*.jsa 2>/dev/null | head -n 1)
size=$( [ -n "$archive" ] && stat -c %s "$archive" || echo 0)
declare -a with_ms without_ms with_cpu without_cpu
for i in $(seq 1 "$pairs"); do
  set -- $(run with)
  with_ms+=($1); with_cpu+=($2)
  set -- $(run without)
  without_ms+=($1); without_cpu+=($2)
done
w=$(median "${with_ms[@]}")
wo=$(median "${without_ms[@]}")
wc=$(median "${with_cpu[@]}")
woc=$(median "${without_cpu[@]}")
echo "FOP, one page, time to the end of main (median of $pairs pairs): with the archive $w ms, without $wo ms"
echo "  with:    ${with_ms[*]}"
echo "  without: ${without_ms[*]}"
awk -v a="$w" -v b="$wo" 'BEGIN { printf "ratio: %.2f (goal <= 0.80)\n", (b > 0 ? a / b : 0) }'
echo "processor time of the whole start (median): with $wc ms, without $woc ms"
awk -v a="$wc" -v b="$woc" 'BEGIN { printf "processor-time ratio: %.2f\n", (b > 0 ? a / b : 0) }'
# The same outside the launcher and Wine: the Linux runtime alone, its own archive, in pairs.
cp_unix=$work/lib/fopbench.jar$(for j in $jars; do printf ':%s' "$j"; done)
direct=$work/direct.jsa
"$java_bin/java" -XX:ArchiveClassesAtExit="$direct" -cp "$cp_unix" FopBench >/dev/null 2>&1 || true
declare -a dw dwo
for i in $(seq 1 "$pairs"); do
  s0=$(now_ms); e=$("$java_bin/java" -Xlog:cds=off,cds+dynamic=off -XX:SharedArchiveFile="$direct" -cp "$cp_unix" FopBench 2>/dev/null | sed -n 's/.*end-of-main \([0-9]*\).*/\1/p'); dw+=($((e - s0)))
  s0=$(now_ms); e=$("$java_bin/java" -cp "$cp_unix" FopBench 2>/dev/null | sed -n 's/.*end-of-main \([0-9]*\).*/\1/p'); dwo+=($((e - s0)))
done
dwm=$(median "${dw[@]}")
dwom=$(median "${dwo[@]}")
echo "outside the launcher (Linux OpenJDK 17 alone): with $dwm ms, without $dwom ms"
awk -v a="$dwm" -v b="$dwom" 'BEGIN { printf "ratio outside the launcher: %.2f\n", (b > 0 ? a / b : 0) }'
echo "first start, whole: $first_with ms with the archive written at exit, $first_without ms without" \
  "(extra $((first_with - first_without)) ms, one sample each)"
echo "archive: $size bytes ($archive)"

# The supervisor: a start that prints and returns at once, with and without on_crash (pairs).
declare -a sup_ms plain_ms
for i in $(seq 1 "$pairs"); do
  set -- $(run supervised quick)
  sup_ms+=($1)
  set -- $(run without quick)
  plain_ms+=($1)
done
s=$(median "${sup_ms[@]}")
p=$(median "${plain_ms[@]}")
echo "supervisor (on_crash): time to the end of a trivial main $s ms, without supervisor $p ms (median of $pairs pairs; +$((s - p)) ms)"
mkdir -p "$build/bench"
echo "cds_end_ms $w $wo" >> "$build/bench/figures.txt"
echo "cds_archive_bytes $size" >> "$build/bench/figures.txt"
echo "cds_first_extra_ms $((first_with - first_without))" >> "$build/bench/figures.txt"
echo "supervisor_extra_ms $((s - p))" >> "$build/bench/figures.txt"
# The supervisor's memory: its own log line when it ends.
logs=$build/wineprefix/drive_c/users/$(id -un)/Temp
marker=$work/.marker
touch "$marker"
sleep 0.01
TESSEL_LOG=yes TESSEL_WINE_ROOT=$build WINE_TIMEOUT=300 "$here/../cmake/wine-run.sh" "$work/supervised.exe" quick </dev/null >/dev/null 2>&1 || true
peak=$(find "$logs" -maxdepth 1 -name 'cvn_nlog*' -newer "$marker" -exec grep -h 'waiting process: peak working set' {} + 2>/dev/null | head -n 1)
echo "supervisor: ${peak:-no log line found}"
