#!/usr/bin/env bash
# `make dist`: the release packages of one version, from the products of a finished build.
#   scripts/make-dist.sh [DIST_DIR [OUT_DIR]]
# DIST_DIR holds tessel, tessel.exe, launcher.exe, tessel-runtime.jar and demo-app.jar
# (default build/dist), DIST_DIR/../maven-repo the Maven plug-in; OUT_DIR receives the Linux
# archive, the Debian package, the Windows zip, the Maven repository and SHA256SUMS (default
# build/release).
#
# Two builds of one commit must give the same bytes (`make check-reproducible` proves it).
# Adding a file to the release: build it in a target that `make products` builds; write a
# jar or zip with any tool and pass it through `scripts/reproducible.py jar FILE` (sorted
# entries, fixed times and modes); stage trees with `scripts/reproducible.py tree DIR` before
# packing them, and pack with that script's `zip`/`tar`; gzip only with -n; take every date
# from $SOURCE_DATE_EPOCH (set below), never from the clock; list the file in SHA256SUMS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(cd "${1:-$root/build/dist}" && pwd)
out=${2:-$root/build/release}
version=$(head -n 1 "$root/VERSION")
licence=/usr/share/common-licenses/Apache-2.0

for f in tessel tessel.exe launcher.exe tessel-runtime.jar demo-app.jar; do
  [ -f "$dist/$f" ] || { echo "make-dist: $dist/$f is missing; run make first" >&2; exit 1; }
done
maven_repo=$(cd "$dist/.." && pwd)/maven-repo
plugin=com/tessel/tessel-maven-plugin/$version/tessel-maven-plugin-$version
for f in "$plugin.jar" "$plugin.pom"; do
  [ -f "$maven_repo/$f" ] || { echo "make-dist: $maven_repo/$f is missing; run make first" >&2; exit 1; }
done
command -v help2man > /dev/null || { echo "make-dist: help2man is missing (scripts/install-deps.sh)" >&2; exit 1; }
[ -f "$licence" ] || { echo "make-dist: $licence is missing (Debian's base-files)" >&2; exit 1; }
"$dist/tessel" --version | grep -qx "tessel $version" ||
  { echo "make-dist: $dist/tessel is not version $version; rebuild" >&2; exit 1; }

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
umask 022
reproducible=$root/scripts/reproducible.py
# Every date in the packages (dpkg-deb and help2man read it too): the commit time unless given.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$("$reproducible" epoch)}
export SOURCE_DATE_EPOCH

# The guide beside the README, which links to it.
docs() {
  mkdir -p "$1/docs"
  install -m 0644 "$root"/docs/*.md "$root"/docs/*.png "$1/docs/"
}

# The example: the demo's project file and its application jar, built as they are.
example() {
  mkdir -p "$1/lib" "$1/src/demo"
  cp "$root/examples/demo/demo.toml" "$1/"
  cp "$dist/demo-app.jar" "$1/lib/"
  cp "$root/examples/demo/app/src/demo/Main.java" "$1/src/demo/"
  cat > "$1/README.txt" <<TEXT
The demo application of tessel $version.

  tessel build demo.toml -o app/demo.exe     the application executable
  tessel runtime-jar app/lib                 the runtime library it needs in its class path
  cp lib/demo-app.jar app/lib/               the application's own jar

Then put a Java runtime (8 or later) into app/jre, or let the executable find an installed
one (JAVA_HOME, the registry, the search path), and start app/demo.exe on Windows.
TEXT
}

# Linux archive: bin/ and share/tessel/ as under a prefix; the tool finds ../share/tessel.
name=tessel-$version-linux-x86_64
t=$stage/$name
mkdir -p "$t/bin" "$t/share/tessel"
install -m 0755 "$dist/tessel" "$t/bin/tessel"
strip "$t/bin/tessel"
install -m 0644 "$dist/launcher.exe" "$dist/tessel-runtime.jar" "$t/share/tessel/"
install -m 0644 "$root/README.md" "$t/README.md"
docs "$t"
install -m 0644 "$licence" "$t/LICENSE"
example "$t/example"
"$reproducible" tree "$t"
(cd "$stage" && "$reproducible" tar "$out/$name.tar.gz" "$name")

# Debian package: the tool on the path, the template and the library under /usr/share/tessel.
deb=$stage/deb
mkdir -p "$deb/DEBIAN" "$deb/usr/bin" "$deb/usr/share/tessel" "$deb/usr/share/doc/tessel"
install -m 0755 "$t/bin/tessel" "$deb/usr/bin/tessel"
install -m 0644 "$dist/launcher.exe" "$dist/tessel-runtime.jar" "$deb/usr/share/tessel/"
install -m 0644 "$root/README.md" "$deb/usr/share/doc/tessel/README.md"
docs "$deb/usr/share/doc/tessel"
# The manual page, from the installed tool's own help (which names where it looks for the
# template: /usr/bin and /usr/share/tessel once the staging folder is taken out); dated by the
# release, not by the day of the build.
mkdir -p "$deb/usr/share/man/man1"
{
  echo "[COMMANDS]"
  for c in build inspect init keys schema runtime-jar; do
    printf '.SS "tessel %s"\n.nf\n' "$c"
    "$deb/usr/bin/tessel" help "$c" | sed '/^The launcher template/,$d; s/\\/\\e/g; s/^\./\\\&./'
    printf '.fi\n'
  done
} > "$stage/commands.h2m"
help2man --no-info --version-string="$version" --include="$stage/commands.h2m" \
  --name="build and inspect Java application launchers for Windows" "$deb/usr/bin/tessel" |
  sed "s|$deb||g" | gzip -n -9 > "$deb/usr/share/man/man1/tessel.1.gz"
example "$deb/usr/share/doc/tessel/example"
cat > "$deb/usr/share/doc/tessel/copyright" <<TEXT
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: tessel

Files: *
Copyright: 2026 the tessel developers
License: Apache-2.0
 Licensed under the Apache License, Version 2.0 (the "License"); you may not use
 this file except in compliance with the License.
 .
 On Debian systems, the complete text of the Apache License, Version 2.0 can be
 found in "/usr/share/common-licenses/Apache-2.0".
TEXT
# From the files' sizes, not from the blocks a file system happens to give them.
size=$(find "$deb/usr" -printf '%y %s\n' | awk '{k += ($1 == "f") ? int(($2 + 1023) / 1024) : 1} END {print k}')
cat > "$deb/DEBIAN/control" <<TEXT
Package: tessel
Version: $version
Architecture: amd64
Maintainer: the tessel developers <tessel@invalid.example>
Installed-Size: $size
Depends: libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1
Recommends: osslsigncode
Suggests: wine64
Section: devel
Priority: optional
Homepage: https://invalid.example/tessel
Description: native launchers for Java applications on 64-bit Windows
 tessel turns a project file and its launcher template into a Windows
 executable that finds a Java runtime, loads it in-process and starts the
 application: splash screen, single instance, .vmoptions files, embedded
 files and a diagnostic log included. Signing uses osslsigncode.
TEXT
"$reproducible" tree "$deb"
dpkg-deb --root-owner-group -Zgzip --build "$deb" "$out/tessel_${version}_amd64.deb" >/dev/null

# Windows zip: everything in one folder; tessel.exe finds launcher.exe beside itself.
name=tessel-$version-windows-x64
w=$stage/$name
mkdir -p "$w"
install -m 0644 "$dist/tessel.exe" "$dist/launcher.exe" "$dist/tessel-runtime.jar" "$w/"
install -m 0644 "$root/README.md" "$w/README.md"
docs "$w"
install -m 0644 "$licence" "$w/LICENSE.txt"
example "$w/example"
"$reproducible" tree "$w"
(cd "$stage" && "$reproducible" zip "$out/$name.zip" "$name")

# The Maven plug-in in a Maven repository's layout: unpack it and name the folder as a
# pluginRepository (file:///...), or copy it into a repository manager.
name=tessel-$version-maven-repository
m=$stage/$name
mkdir -p "$m/$(dirname "$plugin")"
install -m 0644 "$maven_repo/$plugin.jar" "$maven_repo/$plugin.pom" "$m/$(dirname "$plugin")/"
for f in "$m/$plugin.jar" "$m/$plugin.pom"; do
  sha1sum "$f" | cut -d' ' -f1 | tr -d '\n' > "$f.sha1"
done
"$reproducible" tree "$m"
(cd "$stage" && "$reproducible" tar "$out/$name.tar.gz" "$name")

cd "$out"
sha256sum "tessel-$version-linux-x86_64.tar.gz" "tessel_${version}_amd64.deb" \
  "tessel-$version-windows-x64.zip" "tessel-$version-maven-repository.tar.gz" > SHA256SUMS
echo "make-dist: wrote $out:"
sed 's/^/  /' SHA256SUMS
