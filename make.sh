#!/usr/bin/env bash
# Lumdel's single entry point for users and CI.
#   ./make.sh demo           set up, build, install ~/.vst/Lumdel.so, render the demo into demo/
#   ./make.sh test           set up, build and run every test
#   ./make.sh test-sanitize  every test again in an AddressSanitizer + UBSan build
#   ./make.sh validate [PLUGIN.so] [options]   lumdel-host validate at strictness 10
#   ./make.sh fuzz           the libFuzzer targets, FUZZ_SECONDS (30) each, with clang
#   ./make.sh realhost       build, then load Lumdel.so in Ardour 7 and Audacity 3, the LV2
#                            bundle in Ardour 7 and jalv (installs them)
#   ./make.sh setup | build | install | bench
# At run time the preset strip's load and save buttons use zenity, or kdialog: install
# one of them for the file dialogs (the tests use stand-ins and need neither).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake pkg-config git libgtest-dev libbenchmark-dev
          libcairo2-dev libfontconfig-dev libfreetype-dev libx11-dev libxtst-dev
          libsndfile1-dev libebur128-dev fonts-dejavu-core xvfb xauth binutils
          lv2-dev lilv-utils liblilv-dev jalv jackd2 dpf-source)
JOBS=${JOBS:-$(nproc)}

setup() {  # setup [extra packages...]
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

build() {  # build DIR [cmake options...]
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > /dev/null
    cmake --build "$dir" -j "$JOBS"
}

install_plugin() {
    mkdir -p "$HOME/.vst"
    cp build/Lumdel.so "$HOME/.vst/Lumdel.so.new"
    mv "$HOME/.vst/Lumdel.so.new" "$HOME/.vst/Lumdel.so"
    echo "Installed $HOME/.vst/Lumdel.so"
    mkdir -p "$HOME/.lv2" && rm -rf "$HOME/.lv2/Lumdel.lv2.new"
    cp -r build/lv2-bundles/Lumdel.lv2 "$HOME/.lv2/Lumdel.lv2.new"
    rm -rf "$HOME/.lv2/Lumdel.lv2" && mv "$HOME/.lv2/Lumdel.lv2.new" "$HOME/.lv2/Lumdel.lv2"
    echo "Installed $HOME/.lv2/Lumdel.lv2/"
    mkdir -p "$HOME/.clap" && cp build/Lumdel.clap "$HOME/.clap/Lumdel.clap.new"
    mv "$HOME/.clap/Lumdel.clap.new" "$HOME/.clap/Lumdel.clap" && echo "Installed $HOME/.clap/Lumdel.clap"
    if ! command -v zenity > /dev/null && ! command -v kdialog > /dev/null; then
        echo "Note: the load and save buttons need zenity or kdialog (sudo apt install zenity)"
    fi
}

fuzz() {
    local seconds=${FUZZ_SECONDS:-30}
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DLUMDEL_FUZZ=ON -DLUMDEL_TESTS=OFF -DLUMDEL_BENCH=OFF > /dev/null
    cmake --build build-fuzz -j "$JOBS" --target fuzz_chunk fuzz_events fuzz_params fuzz_images
    for t in chunk events params images; do
        mkdir -p "build-fuzz/corpus-$t"
        echo "fuzz_$t: $seconds s"
        "./build-fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="build-fuzz/fuzz_$t-" "build-fuzz/corpus-$t" "tests/fuzz/corpus-$t"
    done
}

run_tests() {  # run_tests DIR
    ctest --test-dir "$1" --output-on-failure -j "$JOBS" --timeout 600
}

case "${1:-}" in
    setup) setup ;;
    build) setup; build build ;;
    install) setup; build build; install_plugin ;;
    demo)
        setup; build build; install_plugin
        ./build/tools/host/lumdel-host demo "$HOME/.vst/Lumdel.so" demo
        ;;
    test) setup; build build; run_tests build ;;
    test-sanitize)
        setup
        build build-sanitize -DLUMDEL_SANITIZE=ON -DLUMDEL_BENCH=OFF
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
            LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" run_tests build-sanitize
        ;;
    bench) setup; build build; ./build/bench/bench_engine ;;
    validate)
        setup; build build
        shift
        plugin=${1:-build/Lumdel.so}
        [ $# -gt 0 ] && shift
        ./build/tools/host/lumdel-host validate "$plugin" --strictness 10 "$@"
        ;;
    fuzz) setup clang libclang-rt-14-dev; fuzz ;;
    realhost) setup; build build; tests/realhost/run.sh build/Lumdel.so ;;
    *)
        sed -n '2,12p' "$0"
        exit 2
        ;;
esac
