#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when some are
# missing. Works as root, or as a user with sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git clang-format
    qt6-base-dev libtelnet-dev libcurl4-openssl-dev libsystemd-dev busybox-static socat
    python3 python3-aiosmtpd ca-certificates
    qt6-translations-l10n xvfb openbox x11-utils xdotool trayer
    # the .deb (dpkg-shlibdeps, the PNG icons) and its test (unit, man pages, lintian)
    dpkg-dev file lintian man-db systemd librsvg2-bin desktop-file-utils
)
if [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "--screenshots" ]; then
    packages+=(imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "Missing packages (${missing[*]}) and no sudo: install them as root." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
