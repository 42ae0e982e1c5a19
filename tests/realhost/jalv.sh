#!/usr/bin/env bash
# Runs the Lumdel LV2 bundle in jalv.gtk3 (Debian's jalv) on a virtual display (Xvfb),
# with JACK's dummy driver for sound, and checks that jalv shows Lumdel's own editor:
#   1. scale 1   a window of the editor's size (942 x 171) inside jalv's window, drawn:
#                hundreds of colours, no colour on most of it, the panel's dark grey
#                (a blank Gtk window is light grey, an undrawn X window one colour)
#   2. scale 2   the same with LUMDEL_SCALE=2: jalv makes room for 1884 x 342 (the size
#                the UI asks for through ui:resize)
# The screenshots go to REALHOST_SHOTS (default BUILD_DIR/realhost): jalv's whole window
# (jalv-editor.png, jalv-editor@2x.png) and the checked area (jalv-editor-area*.png).
# Usage: tests/realhost/jalv.sh [BUILD_DIR | BUILD_DIR/Lumdel.so]   (default: build)
# Works in a scratch directory (HOME and XDG_* point there); REALHOST_KEEP=1 keeps it.
# A jalv run that shows nothing is tried up to REALHOST_ATTEMPTS (4) times.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
[ -f "$build" ] && build=$(dirname "$build")  # run.sh passes the VST 2.4 plug-in
build=$(realpath -e "$build" 2>/dev/null) || { echo "jalv.sh: no build dir" >&2; exit 2; }
bundle=$build/lv2-bundles/Lumdel.lv2
[ -f "$bundle/Lumdel_ui.so" ] || { echo "jalv.sh: no $bundle UI (build it first)" >&2; exit 2; }
started=$(date +%s)

if ! command -v jalv.gtk3 > /dev/null || ! command -v jackd > /dev/null; then
    if [ "$(id -u)" -eq 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get update -q > /dev/null &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
                jalv jackd2 > /dev/null || { echo "FAIL install: apt-get failed"; exit 1; }
    else
        echo "jalv.sh needs jalv and jackd2: sudo apt-get install jalv jackd2" >&2
        exit 2
    fi
fi
command -v Xvfb > /dev/null || { echo "jalv.sh needs Xvfb (package xvfb)" >&2; exit 2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumdel-realhost-jalv.XXXXXX")
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2> /dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2> /dev/null; done
    [ "${REALHOST_KEEP:-0}" = 1 ] || rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$scratch"/{home,config,cache,data,tmp,lv2}
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_CACHE_HOME=$scratch/cache
export XDG_DATA_HOME=$scratch/data TMPDIR=$scratch/tmp LV2_PATH=$scratch/lv2
# A JACK server of this run's own, so that nothing else on the machine meets it.
export JACK_DEFAULT_SERVER=lumdel-jalv-$$ JACK_NO_AUDIO_RESERVATION=1
unset WAYLAND_DISPLAY
cp -r "$bundle" "$scratch/lv2/"
shots=${REALHOST_SHOTS:-$build/realhost}
mkdir -p "$shots"
cd "$scratch" || exit 2

failures=0
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

grabber=$scratch/jalv_grab
if ! c++ -std=c++17 -O1 "$here/jalv_grab.cpp" $(pkg-config --cflags --libs cairo x11) \
        -o "$grabber" > grab-build.log 2>&1; then
    echo "FAIL jalv_grab.cpp did not build: $(head -n 3 grab-build.log | tr '\n' ' ')"
    exit 1
fi

# Xvfb on a display number it picks itself, wide enough for the editor at 2x.
exec 3< <(exec Xvfb -displayfd 1 -screen 0 2048x640x24 -nolisten tcp 2> xvfb.log)
pids+=($!)
read -r -t 15 number <&3 || { echo "FAIL Xvfb did not start: $(tail -n 2 xvfb.log)"; exit 1; }
export DISPLAY=:$number

jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 1024 > jackd.log 2>&1 &
pids+=($!)
sleep 1

# show SCALE WIDTH HEIGHT SUFFIX: jalv with the editor at SCALE; once drawn, the window of
# the editor's size grabbed into jalv-editor-areaSUFFIX.png (and checked), jalv's whole
# window into jalv-editorSUFFIX.png.
show() {
    local scale=$1 width=$2 height=$3 suffix=$4 attempt jalv_pid line="" i
    local area=$shots/jalv-editor-area$suffix.png whole=$shots/jalv-editor$suffix.png
    for attempt in $(seq 1 "${REALHOST_ATTEMPTS:-4}"); do
        LUMDEL_SCALE=$scale timeout -k 5 60 jalv.gtk3 urn:orvtone:lumdel \
            > "jalv-$scale.log" 2>&1 &
        jalv_pid=$!
        line=""
        # The window appears, then the editor draws at the idle calls: the grab is taken
        # once it shows the panel, within 20 s.
        for i in $(seq 1 40); do
            sleep 0.5
            line=$("$grabber" "$width" "$height" "$area" "$whole")
            case $line in found=1*) [ "$(echo "$line" | sed 's/.*colours=\([0-9]*\).*/\1/')" -ge 200 ] && break ;; esac
            kill -0 "$jalv_pid" 2> /dev/null || break
        done
        kill "$jalv_pid" 2> /dev/null
        wait "$jalv_pid" 2> /dev/null
        case $line in found=1*) break ;; esac
        echo "RETRY scale $scale (attempt $attempt): ${line:-no answer}; $(tail -n 2 "jalv-$scale.log" | tr '\n' ' ')"
    done
    echo "  $line"
    case $line in
        found=1*) ;;
        *) fail "scale $scale: no ${width}x${height} window in jalv"; return ;;
    esac
    local colours dominant mean
    colours=$(echo "$line" | sed 's/.*colours=\([0-9]*\).*/\1/')
    dominant=$(echo "$line" | sed 's/.*dominant=\([0-9.]*\).*/\1/')
    mean=$(echo "$line" | sed 's/.*mean=\([0-9.]*\).*/\1/')
    if [ "$colours" -ge 200 ] && awk -v d="$dominant" -v m="$mean" 'BEGIN { exit !(d < 0.8 && m < 120) }'; then
        pass "scale $scale: jalv shows the editor at ${width}x${height} ($colours colours, mean grey $mean): $whole"
    else
        fail "scale $scale: the ${width}x${height} window is not the drawn editor ($line)"
    fi
    grep -q "^UI: *urn:orvtone:lumdel#ui" "jalv-$scale.log" ||
        fail "scale $scale: jalv did not choose Lumdel's UI: $(head -n 3 "jalv-$scale.log" | tr '\n' ' ')"
}

show 1 942 171 ""
show 2 1884 342 @2x

echo "jalv.sh: $(( $(date +%s) - started )) s, $failures failure(s)"
[ $failures -eq 0 ]
