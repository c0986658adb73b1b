#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: when every piece is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build make g++ pkg-config
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386 xvfb x11-utils imagemagick
  locales fonts-wqy-microhei fonts-wine
  googletest dpkg-dev
  clang libclang-rt-14-dev
  libjpeg62-turbo-dev mdbtools liblnk-utils attr
  python3 nsis
)

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

deb_src_present() {
  grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src ' /etc/apt/sources.list
}

# The locales whose ANSI code pages the tests run under: 936 (Chinese), 1252 (English), 932
# (Japanese).
locales=(zh_CN en_US ja_JP)

locales_present() {
  local name
  for name in "${locales[@]}"; do
    locale -a 2>/dev/null | grep -qix "$name.utf8" || return 1
  done
}

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
  need_update=1
fi

# Source packages (libjpeg-turbo) are cross-built from Debian's sources: add a deb-src entry
# that mirrors the main deb entry.
if ! deb_src_present; then
  src=/etc/apt/sources.list.d/debian-src.sources
  main=$(grep -ls 'Suites:.*bookworm' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1 || true)
  if [ -n "$main" ]; then
    sed 's/^Types:.*/Types: deb-src/' "$main" | "${sudo[@]}" tee "$src" >/dev/null
  else
    "${sudo[@]}" tee "$src" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  need_update=1
fi

todo=$(missing_packages)
if [ -n "$todo" ] || [ "$need_update" -eq 1 ]; then
  "${sudo[@]}" apt-get update -q
  todo=$(missing_packages)
fi
if [ -n "$todo" ]; then
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends $todo
fi

if ! locales_present; then
  for name in "${locales[@]}"; do
    "${sudo[@]}" sed -i "s/^# *$name.UTF-8 UTF-8/$name.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  done
  "${sudo[@]}" locale-gen
fi

# libjpeg for the Windows program is cross-built from Debian's own source package (the win32
# tree builds it); the source is fetched once into build/deps/.
jpeg_src="$(cd "$(dirname "$0")/.." && pwd)/build/deps/libjpeg-turbo"
if ! ls "$jpeg_src"/libjpeg-turbo_*.dsc >/dev/null 2>&1; then
  mkdir -p "$jpeg_src"
  (cd "$jpeg_src" && apt-get source --download-only -q libjpeg-turbo)
fi

echo "setup: all build and test dependencies present"
