#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -eu
packages=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev libtomlplusplus-dev libcli11-dev zlib1g-dev libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-i686-posix wine wine64 xvfb xauth x11-utils
  xdotool x11-apps netpbm openjdk-17-jdk-headless junit5 osslsigncode icoutils openssl python3 python3-jsonschema help2man locales
  maven libmaven-plugin-tools-java libmaven-compiler-plugin-java libmaven-jar-plugin-java
  libmaven-resources-plugin-java libsurefire-java libmaven-install-plugin-java libcommons-lang3-java)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine takes the Windows code page from LC_ALL, and opens non-ASCII file names only under a
# locale that exists: the code-page tests run under these three (1252, 1251, 932).
locales=(en_US.UTF-8 ru_RU.UTF-8 ja_JP.UTF-8)
have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
absent=()
for l in "${locales[@]}"; do
  name=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  printf '%s\n' "$have" | grep -qx "$name" || absent+=("$l")
done
if [ ${#absent[@]} -gt 0 ]; then
  echo "generating locales: ${absent[*]}"
  for l in "${absent[@]}"; do
    if grep -q "^# *$l UTF-8" /etc/locale.gen; then
      $sudo sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    elif ! grep -q "^$l UTF-8" /etc/locale.gen; then
      echo "$l UTF-8" | $sudo tee -a /etc/locale.gen > /dev/null
    fi
  done
  $sudo locale-gen > /dev/null
fi
