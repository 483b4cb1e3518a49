#!/usr/bin/env bash
# Installs what is missing, builds, and then either starts the program ("run")
# or runs every test ("test").  Usage: ./setup.sh run | ./setup.sh test
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-multimedia-dev libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  libhamlib-dev libhamlib-utils
  fonts-dejavu-core espeak-ng sox
  qt6-translations-l10n desktop-file-utils dpkg-dev
  xvfb openbox xdotool imagemagick x11-utils
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  local jobs
  jobs=$(nproc 2>/dev/null || echo 2)
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOX_TESTS=ON -DZOX_BENCH=ON "$@"
  cmake --build build -j "$jobs"
}

case "${1:-}" in
  run)
    install_missing
    build
    exec ./build/program/zox
    ;;
  test)
    install_missing
    build
    cd build
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
    ;;
  sanitize)
    install_missing
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOX_SANITIZE=ON -DZOX_TESTS=ON -DZOX_BENCH=OFF
    cmake --build build-asan -j "$(nproc 2>/dev/null || echo 2)"
    cd build-asan
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
    ;;
  fuzz)
    # clang and its libFuzzer and sanitizer runtimes, only for this case.
    packages+=(clang libclang-rt-14-dev)
    install_missing
    exec fuzz/run.sh "${2:-180}"
    ;;
  *)
    echo "usage: $0 run | test | sanitize | fuzz [seconds]" >&2
    exit 2
    ;;
esac
