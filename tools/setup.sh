#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine.
# Idempotent: when every piece is present it only checks and returns. Each change it makes to
# the system is named on a line of its own just before it is made.
set -euo pipefail

packages=(
  cmake ninja-build make g++ pkg-config
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386 xvfb x11-utils imagemagick
  locales fonts-wqy-microhei fonts-wine
  googletest dpkg-dev
  clang libclang-rt-14-dev
  libjpeg62-turbo-dev mdbtools liblnk-utils attr
  python3 python3-jsonschema python3-yaml nsis
  osslsigncode openssl
)

# The locales whose ANSI code pages the tests run under: 936 (Chinese), 1252 (English), 932
# (Japanese).
locales=(zh_CN en_US ja_JP)

# Package names, the architecture and the source entry below are Debian 12's: anywhere else stop
# before touching anything and say what a machine needs.
os_id=$( (. /etc/os-release 2>/dev/null && echo "${ID:-}") || true)
os_version=$( (. /etc/os-release 2>/dev/null && echo "${VERSION_ID:-}") || true)
if [ "$os_id" != debian ] || [ "$os_version" != 12 ]; then
  os_name=$( (. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-}") || true)
  {
    echo "setup: this machine runs ${os_name:-an unknown system}; tools/setup.sh sets up Debian 12 \"bookworm\" only."
    echo "setup: the build and the tests need, in Debian 12's names:"
    echo "  - the i386 architecture enabled (dpkg --add-architecture i386) for 32-bit Wine"
    echo "  - a deb-src entry for bookworm (libjpeg-turbo's source package is cross-built)"
    echo "  - the locales ${locales[*]/%/.UTF-8}"
    echo "  - the packages: ${packages[*]}"
    echo "setup: use a Debian 12 machine or container, or install the equivalents by hand."
  } >&2
  exit 1
fi

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

missing_locales() {
  local name
  for name in "${locales[@]}"; do
    locale -a 2>/dev/null | grep -qix "$name.utf8" || echo "$name"
  done
}

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture to dpkg (32-bit Wine needs its i386 packages)"
  "${sudo[@]}" dpkg --add-architecture i386
  need_update=1
fi

# Source packages (libjpeg-turbo) are cross-built from Debian's sources: add a deb-src entry
# that mirrors the main deb entry.
if ! deb_src_present; then
  src=/etc/apt/sources.list.d/debian-src.sources
  main=$(grep -ls 'Suites:.*bookworm' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1 || true)
  echo "setup: adding the deb-src entry $src (Debian's source packages, for libjpeg-turbo)"
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
# apt-get runs with no questions asked: DEBIAN_FRONTEND goes through sudo by env, as sudo drops
# the caller's environment.
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
release=()
if [ -n "$todo" ] || [ "$need_update" -eq 1 ]; then
  echo "setup: updating the package lists (apt-get update)"
  if ! "${apt[@]}" update -q; then
    # A mirror caught between two syncs can serve an index that does not match its release file;
    # apt then goes on without that index. Without the security archive's i386 index, the i386
    # libraries that 32-bit Wine needs cannot match the amd64 versions that archive offers, and
    # nothing installs. Bookworm's own archive has both architectures at one version: the
    # packages come from there (-t bookworm), and any other failure still stops the install.
    echo "setup: some package lists could not be read (above); installing from bookworm's own archive"
    release=(-t bookworm)
  fi
  todo=$(missing_packages)
fi
if [ -n "$todo" ]; then
  echo "setup: installing the packages:" $todo
  # shellcheck disable=SC2086
  "${apt[@]}" install -y -q --no-install-recommends "${release[@]}" $todo
fi

# Signing is proven against Debian 12's own osslsigncode (2.5), which a fresh machine installs:
# a newer one from backports gives way to it.
signer=$(dpkg-query -W -f='${Version}' osslsigncode)
if [ "${signer%%-*}" != 2.5 ]; then
  echo "setup: installing Debian 12's own osslsigncode 2.5 in place of $signer"
  "${apt[@]}" install -y -q --allow-downgrades --no-install-recommends osslsigncode/bookworm
fi

todo=$(missing_locales)
if [ -n "$todo" ]; then
  echo "setup: generating the locales" $(printf '%s.UTF-8 ' $todo) "(enabled in /etc/locale.gen)"
  for name in $todo; do
    "${sudo[@]}" sed -i "s/^# *$name.UTF-8 UTF-8/$name.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen || echo "$name.UTF-8 UTF-8" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  done
  "${sudo[@]}" locale-gen
fi

# libjpeg for the Windows program is cross-built from Debian's own source package (the win32
# tree builds it); the source is fetched once into build/deps/.
jpeg_src="$(cd "$(dirname "$0")/.." && pwd)/build/deps/libjpeg-turbo"
if ! ls "$jpeg_src"/libjpeg-turbo_*.dsc >/dev/null 2>&1; then
  echo "setup: fetching libjpeg-turbo's source package into $jpeg_src"
  mkdir -p "$jpeg_src"
  (cd "$jpeg_src" && apt-get source --download-only -q libjpeg-turbo)
fi

echo "setup: all build and test dependencies present"
