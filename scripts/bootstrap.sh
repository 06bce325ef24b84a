#!/usr/bin/env bash
# Installs every Debian package the builds and tests need. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-dev llvm
  libgtest-dev googletest libgmock-dev
  libxml2-dev libcurl4-openssl-dev libssl-dev python3
  nginx tinyproxy-bin openssl dovecot-pop3d busybox
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth imagemagick
  fonts-ipafont-gothic fonts-ipafont-mincho locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
# The SMTP sink of the mail tests runs on Node (20 or later, preinstalled on these machines).
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  echo "bootstrap: node and npm are required (Node 20 or later) for tools/smtp_sink.js" >&2
  exit 1
fi
node_major="$(node -p 'process.versions.node.split(".")[0]')"
if [ "$node_major" -lt 20 ]; then
  echo "bootstrap: Node $(node --version) is too old; smtp-server and mailparser need Node 20 or later" >&2
  exit 1
fi
tools="$(cd "$(dirname "$0")/../tools" && pwd)"
# npm ci only when the installed tree is missing or older than the lock file.
if [ ! -f "$tools/node_modules/.package-lock.json" ] || [ "$tools/package-lock.json" -nt "$tools/node_modules/.package-lock.json" ]; then
  (cd "$tools" && npm ci --no-audit --no-fund --loglevel=error)
fi
echo "bootstrap: all packages present"
