#!/usr/bin/env bash
# Loads Lumdel.so in a real Linux host, Audacity 3 from Debian (package `audacity`), on a
# virtual display (Xvfb) without a sound card, driven through its scripting pipe
# (mod-script-pipe), and checks what comes out:
#   1. listing  Audacity's own scan lists "Lumdel" with 4 audio inputs and 2 outputs
#   2. echo     an impulse file imported at 48 kHz and at 44.1 kHz (the project takes its
#               rate), the whole track through Lumdel with its default preset and exported:
#               the first echo comes 500 ms plus the 1 ms lookahead (and a few samples)
#               after the impulse, on both channels. Audacity sets 44100 Hz, resumes the
#               effect and sets the project's rate only then.
# Usage: tests/realhost/audacity.sh [PLUGIN.so]   (default: build/Lumdel.so)
# Audacity runs with a fresh HOME in a scratch directory (REALHOST_KEEP=1 keeps it). Its
# first start registers the plug-in and writes its settings, switching the scripting
# module off; the script switches it on and starts Audacity again. A run that crashes or
# hangs by itself is tried again, up to REALHOST_ATTEMPTS (4) times in all. Exit code 0
# when every check passed.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
plugin=$(realpath -e "${1:-$here/../../build/Lumdel.so}" 2>/dev/null) || {
    echo "audacity.sh: no plug-in at ${1:-build/Lumdel.so} (build it first)" >&2
    exit 2
}
started=$(date +%s)

# --- Audacity itself -----------------------------------------------------------------
if ! command -v audacity > /dev/null || ! command -v Xvfb > /dev/null; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing audacity ..."
        t0=$(date +%s)
        DEBIAN_FRONTEND=noninteractive apt-get update -q > /dev/null &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
                audacity xvfb xauth python3 > /dev/null ||
            { echo "FAIL install: apt-get failed"; exit 1; }
        echo "Installed audacity in $(( $(date +%s) - t0 )) s"
        started=$(date +%s)
    else
        echo "audacity.sh needs Debian's Audacity 3 and Xvfb. Install them with" >&2
        echo "  sudo apt-get install --no-install-recommends audacity xvfb xauth" >&2
        echo "or run this script as root, which installs them." >&2
        exit 2
    fi
fi
command -v python3 > /dev/null || { echo "audacity.sh needs python3" >&2; exit 2; }

# --- A scratch world: nothing of the user's is read or written ------------------------
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumdel-audacity.XXXXXX")
pipes=(/tmp/audacity_script_pipe.to.$(id -u) /tmp/audacity_script_pipe.from.$(id -u))
xvfb_pid="" audacity_pid=""
stop_audacity() {
    if [ -n "$audacity_pid" ]; then
        kill "$audacity_pid" 2> /dev/null
        for _ in $(seq 1 50); do kill -0 "$audacity_pid" 2> /dev/null || break; sleep 0.1; done
        kill -9 "$audacity_pid" 2> /dev/null
        wait "$audacity_pid" 2> /dev/null
        audacity_pid=""
    fi
    rm -f "${pipes[@]}"
}
cleanup() {
    stop_audacity
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null && wait "$xvfb_pid" 2> /dev/null
    [ "${REALHOST_KEEP:-0}" = 1 ] || rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$scratch"/{home/.vst,config,data,cache,tmp,audacity-tmp,work}
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data
export XDG_CACHE_HOME=$scratch/cache TMPDIR=$scratch/tmp
unset VST_PATH LADSPA_PATH LV2_PATH WAYLAND_DISPLAY
cp "$plugin" "$HOME/.vst/Lumdel.so"
cfg=$XDG_CONFIG_HOME/audacity/audacity.cfg
cd "$scratch/work" || exit 2

failures=0
retries=0
attempts=${REALHOST_ATTEMPTS:-4}
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
tool() { python3 "$here/rhtool.py" "$@"; }
in_window() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }

# A virtual display of its own (Xvfb picks a free number).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> display.txt 2> xvfb.log &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s display.txt ] && break; sleep 0.1; done
[ -s display.txt ] || { echo "FAIL Xvfb did not start: $(tail -n 2 xvfb.log)"; exit 1; }
export DISPLAY=:$(head -n 1 display.txt)

start_audacity() {  # start_audacity LOG
    rm -f "${pipes[@]}"
    audacity > "$1" 2>&1 &
    audacity_pid=$!
}

# The first start registers the plug-in and writes the settings, then it is stopped.
first_start() {
    local ok=0
    start_audacity audacity-first.log
    for _ in $(seq 1 600); do
        if grep -qs '^Name=Lumdel' "$XDG_CONFIG_HOME/audacity/pluginregistry.cfg" && [ -s "$cfg" ]
        then ok=1; break; fi
        kill -0 "$audacity_pid" 2> /dev/null || break
        sleep 0.1
    done
    sleep 1
    stop_audacity
    [ $ok = 1 ]
}

# Audacity answers on its pipe once its window is up; a command sent before that is lost
# (it is not answered), so a harmless one is sent until one is answered.
wait_ready() {
    for _ in $(seq 1 600); do
        [ -p "${pipes[0]}" ] && [ -p "${pipes[1]}" ] && break
        kill -0 "$audacity_pid" 2> /dev/null || return 3
        sleep 0.1
    done
    sleep 2
    for _ in $(seq 1 6); do
        tool audacity 10 "Help: Command=Help" > ready.txt && return 0
        kill -0 "$audacity_pid" 2> /dev/null || return 3
    done
    return 3
}

# One session: start with the scripting module on, then the checks. Returns 0 when it ran
# (checks passed or failed), 3 when Audacity crashed or did not answer.
session() {
    local r lines rc at q late lo hi ok c wet msg rate_out
    tool audacity-cfg "$cfg" "$scratch/audacity-tmp" > /dev/null
    start_audacity audacity.log
    wait_ready || return 3
    tool audacity 60 "GetInfo: Type=Commands Format=Brief" > listing.txt
    rc=$?
    [ $rc -eq 3 ] && return 3
    lines=$(grep '"Lumdel"' listing.txt)
    if [[ $lines == *'"Lumdel" "Lumdel" '*'"Audio In: 4, Audio Out: 2"'* ]]; then
        pass "listing: Audacity lists $(sed 's/^ *//; s/ *$//' <<< "$lines")"
    else
        fail "listing: Audacity lists ${lines:-no Lumdel} ($(grep -c '^ *"' listing.txt) commands)"
    fi
    for r in 48000 44100; do
        at=$((r / 2)) q=$((r / 2)) late=$((r / 1000 + r / 4000 + 4))
        tool impulse "impulse-$r.wav" "$r" 2.5 0.5 > /dev/null
        rm -f "out-$r.wav"
        tool audacity 120 "SelectAll:" "RemoveTracks:" \
            "Import2: Filename=$PWD/impulse-$r.wav" "SelectAll:" "Lumdel:" \
            "Export2: Filename=$PWD/out-$r.wav NumChannels=2" > "apply-$r.txt"
        rc=$?
        [ $rc -eq 3 ] && return 3
        if [ $rc -ne 0 ] || [ ! -s "out-$r.wav" ]; then
            fail "echo: $r Hz: Audacity did not apply and export: $(tail -n 3 "apply-$r.txt" | tr '\n' ' ')"
            continue
        fi
        tool peaks "out-$r.wav" 0.51 0.001 > "wet-$r.txt"
        rate_out=$(sed -n 's/^WAV rate=\([0-9]*\).*/\1/p' "wet-$r.txt")
        wet=($(awk '/^CH/ {sub("first=", "", $3); print $3}' "wet-$r.txt"))
        lo=$((at + q)) hi=$((at + q + late))
        ok=1
        [ "$rate_out" = "$r" ] || ok=0
        for c in 0 1; do in_window "${wet[$c]:--1}" $lo $hi || ok=0; done
        grep -q 'nonfinite=[1-9]' "wet-$r.txt" && ok=0
        msg="impulse at sample $at, exported at ${rate_out:-?} Hz; first echo (>-60 dBFS) at"
        msg="$msg ${wet[*]} = +$(( ${wet[0]:-0} - at )) samples = $(awk -v d=$(( ${wet[0]:-0} - at )) \
            -v r="$r" 'BEGIN {printf "%.2f", d * 1000 / r}') ms (window $lo..$hi: 500 ms +"
        msg="$msg lookahead + 0.25 ms + 4)"
        if [ $ok = 1 ]; then pass "echo: default preset, $r Hz project: $msg"
        else fail "echo: default preset, $r Hz project: $msg"; fi
    done
    return 0
}

rc=3
for attempt in $(seq 1 "$attempts"); do
    if first_start; then
        before=$failures
        session
        rc=$?
        [ $rc -eq 0 ] && break
        failures=$before
    fi
    stop_audacity
    if [ "$attempt" -lt "$attempts" ]; then
        retries=$((retries + 1))
        echo "RETRY audacity crashed or did not answer (attempt $attempt):" \
            "$(tail -n 2 audacity*.log 2> /dev/null | tr '\n' ' ' | cut -c 1-200)"
        rm -rf "$XDG_CONFIG_HOME/audacity" "$XDG_DATA_HOME/audacity" "$scratch"/audacity-tmp/*
    fi
done
[ $rc -eq 0 ] || fail "audacity: no run got through in $attempts attempts"
stop_audacity

echo "Audacity retries: $retries; run time $(( $(date +%s) - started )) s (install excluded)"
[ "${REALHOST_KEEP:-0}" = 1 ] && echo "Scratch directory kept: $scratch"
if [ $failures -eq 0 ]; then echo "audacity: all checks passed"; exit 0; fi
echo "audacity: $failures check(s) failed"
exit 1
