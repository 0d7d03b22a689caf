#!/usr/bin/env bash
# Sets Quorvane up on a Debian 12 machine: installs every package it needs,
# builds it, then either starts the program ("run") or runs the whole test
# suite under the desktop harness ("test"). Safe to run again.
set -euo pipefail

mode="${1:-run}"
case "$mode" in
  run|test) ;;
  *) echo "usage: scripts/setup.sh run|test" >&2; exit 64 ;;
esac

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

packages=(
  # build
  cmake ninja-build g++ pkg-config git libgtest-dev libgmock-dev googletest libbenchmark-dev libicu-dev
  qt6-base-dev qt6-declarative-dev qt6-multimedia-dev qt6-speech-dev qt6-svg-dev libxkbcommon-dev
  libxtst-dev libxi-dev libxres-dev libx11-dev libatspi2.0-dev libcld2-dev libavahi-client-dev libespeak-ng-dev libpulse-dev libsoundtouch-dev
  libpocketsphinx-dev libsphinxbase-dev libsodium-dev libarchive-dev libglib2.0-dev
  # fuzzers (a separate clang build with libFuzzer and the sanitizers)
  clang libclang-rt-14-dev
  # the layout check of the test command
  clang-format
  # run time
  qt6-speech-flite-plugin qt6-speech-speechd-plugin speech-dispatcher speech-dispatcher-espeak-ng
  at-spi2-core dbus-x11 avahi-daemon avahi-utils espeak-ng flite sox pulseaudio pulseaudio-utils
  pocketsphinx pocketsphinx-en-us python3-pocketsphinx python3-fastapi python3-pydantic python3-uvicorn python3-multipart
  python3-numpy python3-venv apertium apertium-eng-spa lsof procps iproute2 util-linux zsh tar
  xdg-utils libglib2.0-bin
  fonts-noto-color-emoji ffmpeg
  # desktop test harness
  xvfb xauth x11-utils xdotool trayer imagemagick gir1.2-gtk-3.0 python3-gi openbox
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  $sudo apt-get update
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

build="$root/build"
# The test command checks the layout of the changed C++ files first, and its
# builds stop at the first compiler warning.
tests=OFF
werror=OFF
if [ "$mode" = test ]; then
  tests=ON
  werror=ON
  "$root/scripts/check-format.sh"
fi
cmake -S "$root" -B "$build" -G Ninja -DQUORVANE_TESTS="$tests" -DQUORVANE_WERROR="$werror"
cmake --build "$build" -j "$(nproc)"

if [ "$mode" = run ]; then
  # The program installs its own speech engine on first run.
  exec "$build/quorvane"
fi
"$root/scripts/run-tests.sh" "$build"

# Then the unit tests and the real-program quit test once more, built with
# AddressSanitizer and UndefinedBehaviorSanitizer; any report fails the run.
# Clang builds it a few minutes faster than GCC, which keeps CI short.
asan="$root/build-asan"
cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUORVANE_TESTS=ON -DQUORVANE_SANITIZE=ON \
  -DQUORVANE_WERROR=ON
cmake --build "$asan" -j "$(nproc)" --target quorvane quorvane-helper quorvane_unit_tests test_quit_desktop
"$root/scripts/run-tests.sh" "$asan" -L unit
exec "$root/scripts/run-tests.sh" "$asan" -R '^quit_desktop(\.|$)'
