#!/usr/bin/env bash
# Loads the Lumdel LV2 bundle in Ardour 7 from Debian, headless (no display, no sound
# card), and checks what comes out:
#   1. scan     ardour7-lua lists the plug-in and inserts it on a stereo track with 4
#               inputs (stereo main plus the side chain) and 2 outputs
#   2. echo     an impulse through the default preset at 48 kHz: the first echo a
#               quarter note (500 ms at 120 BPM) plus the 1 ms lookahead and a few
#               samples later, as with the VST 2.4 build
#   3. preset   "Ping Pong" chosen from Ardour's own list of the plug-in's LV2 presets;
#               the session saved, loaded, saved again and reloaded: every parameter
#               reads back as the preset sets it, and the render's first echo comes
#               where lumdel-host renders the VST 2.4 build's "Ping Pong" (within 4
#               samples: Ardour's transport and the harness's differ)
# Usage: tests/realhost/ardour_lv2.sh [BUILD_DIR | BUILD_DIR/Lumdel.so]   (default: build)
# Works in a scratch directory (HOME and XDG_* point there); REALHOST_KEEP=1 keeps it.
# A crashing or hanging Ardour call is tried up to REALHOST_ATTEMPTS (4) times.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
[ -f "$build" ] && build=$(dirname "$build")  # run.sh passes the VST 2.4 plug-in
build=$(realpath -e "$build" 2>/dev/null) || { echo "ardour_lv2.sh: no build dir" >&2; exit 2; }
bundle=$build/lv2-bundles/Lumdel.lv2
[ -f "$bundle/Lumdel.so" ] || { echo "ardour_lv2.sh: no $bundle (build it first)" >&2; exit 2; }
command -v ardour7-lua > /dev/null && command -v ardour7-export > /dev/null ||
    { echo "ardour_lv2.sh needs Debian's Ardour 7 (see ardour.sh)" >&2; exit 2; }
rate=48000

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumdel-realhost-lv2.XXXXXX")
[ "${REALHOST_KEEP:-0}" = 1 ] || trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{home,config/ardour7,cache,data,tmp,lv2,sessions}
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_CACHE_HOME=$scratch/cache
export XDG_DATA_HOME=$scratch/data TMPDIR=$scratch/tmp LV2_PATH=$scratch/lv2:/usr/lib/lv2
unset VST_PATH VST3_PATH LXVST_PATH LADSPA_PATH DISPLAY WAYLAND_DISPLAY
# Release builds hide the "None (Dummy)" backend unless the configuration shows it.
printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' '<Ardour><Config>' \
    '<Option name="hide-dummy-backend" value="0"/>' '</Config></Ardour>' \
    > "$XDG_CONFIG_HOME/ardour7/config"
cp -r "$bundle" "$scratch/lv2/"

cd "$scratch/sessions" || exit 2
failures=0
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
tool() { python3 "$here/rhtool.py" "$@"; }
ardour() {  # ardour LOG CMD...: retried while it crashes or hangs
    local log=$1 attempt rc
    shift
    for attempt in $(seq 1 "${REALHOST_ATTEMPTS:-4}"); do
        timeout -k 10 45 "$@" > "$log" 2>&1
        rc=$?
        [ $rc -eq 0 ] && return 0
        [ $rc -gt 128 ] || [ $rc -eq 124 ] || break
        echo "RETRY $(basename "$log") (exit $rc, attempt $attempt)"
    done
    echo "  failed (exit $rc): $(tail -n 3 "$log" | tr '\n' ' ')"
    return 1
}
make_session() {  # make_session NAME [PRESET]
    rm -rf "$1"
    ardour "make-$1.log" env RH_SESSION_DIR="$PWD/$1" RH_SESSION_NAME="$1" RH_RATE=$rate \
        RH_PRESET="${2:-}" ardour7-lua "$here/lv2_session.lua" &&
        tool add-region "$1/$1.ardour" impulse.wav > /dev/null
}
read_session() {  # read_session NAME LOG [save]
    ardour "$2" env RH_SESSION_DIR="$PWD/$1" RH_SESSION_NAME="$1" RH_RATE=$rate \
        RH_SAVE="${3:+1}" ardour7-lua "$here/read_session.lua" && grep -q '^FOUND' "$2"
}
first_echo() {  # first_echo FILE.wav: first sample above -60 dBFS after 0.51 s, channel 0
    tool peaks "$1" 0.51 0.001 | awk '/^CH 0/ {sub("first=", "", $3); print $3}'
}
render() {  # render NAME OUT.wav
    rm -f "$2"
    ardour "export-$1.log" ardour7-export -b float -s $rate -o "$PWD/$2" "$1" "$1" && [ -s "$2" ]
}

tool impulse impulse.wav $rate 2.5 0.5 > /dev/null
at=$((rate / 2))

# --- 1, 2: scan and echo ------------------------------------------------------------
if make_session default; then
    io=$(grep '^IO ' make-default.log)
    scanned=$(grep '^SCANNED ' make-default.log)
    if [ -n "$scanned" ] && [ "$io" = "IO in=4 out=2" ]; then
        pass "scan: ardour7-lua lists '$scanned'; on a stereo track: $io"
    else
        fail "scan: '${scanned:-not listed}' '$io'"
    fi
    if render default default.wav; then
        echo_at=$(first_echo default.wav)
        delay=$(( ${echo_at:-0} - at ))
        lo=$((rate / 2 + rate / 1000)) hi=$((rate / 2 + rate / 1000 + rate / 4000 + 4))
        if [ "$delay" -ge $lo ] && [ "$delay" -le $hi ]; then
            pass "echo: default preset, 120 BPM, $rate Hz: first echo +$delay samples (window $lo..$hi)"
        else
            fail "echo: first echo +$delay samples, expected $lo..$hi"
        fi
    else
        fail "echo: ardour7-export could not render the session"
    fi
else
    fail "scan: ardour7-lua could not build a session with the LV2 plug-in"
fi

# --- 3: a preset from Ardour's list, through save and reload ----------------------------
python3 - "$bundle" > expected.txt << 'PY'
import re, sys
b = sys.argv[1]
ports = {s: int(i) for i, s in re.findall(r'lv2:index (\d+) ;\s+lv2:symbol "([^"]+)"',
                                           open(b + "/Lumdel.ttl").read())}
text = open(b + "/presets.ttl").read()
block = re.search(r'rdfs:label "Ping Pong" ;(.*?) \.\n', text, re.S).group(1)
for s, v in re.findall(r'lv2:symbol "([^"]+)" ;\s+pset:value ([-0-9.e]+)', block):
    print("PARAM %d %s" % (ports[s], v))
PY
compare() {  # compare LOG: mismatches against expected.txt (58 values)
    python3 - expected.txt "$1" << 'PY'
import sys
def load(p):
    return {int(l.split()[1]): float(l.split()[2]) for l in open(p) if l.startswith("PARAM ")}
e, a = load(sys.argv[1]), load(sys.argv[2])
bad = [i for i in e if i not in a or abs(e[i] - a[i]) > 1e-5]
print("; ".join("param %d: preset %s, read %s" % (i, e[i], a.get(i)) for i in bad[:4]))
sys.exit(1 if bad or len(e) != 58 else 0)
PY
}
msg=""
ok=1
if make_session pingpong "Ping Pong"; then
    msg+="$(grep '^PRESET' make-pingpong.log);"
    m=$(compare make-pingpong.log) || { ok=0; msg+=" after choosing: $m;"; }
    if read_session pingpong load1.log save && read_session pingpong load2.log; then
        m=$(compare load1.log) || { ok=0; msg+=" after load: $m;"; }
        m=$(compare load2.log) || { ok=0; msg+=" after re-save and reload: $m;"; }
    else
        ok=0; msg+=" load or reload failed;"
    fi
    if render pingpong pingpong.wav &&
       "$build/tools/host/lumdel-host" render "$build/Lumdel.so" impulse.wav vst.wav \
           --preset "Ping Pong" --tail 0 > /dev/null 2>&1; then
        lv2_echo=$(( $(first_echo pingpong.wav) - at ))
        vst_echo=$(( $(first_echo vst.wav) - at ))
        msg+=" first echo +$lv2_echo samples (VST 2.4 build in lumdel-host: +$vst_echo)"
        [ $(( lv2_echo - vst_echo )) -le 4 ] && [ $(( vst_echo - lv2_echo )) -le 4 ] || ok=0
    else
        ok=0; msg+=" render failed;"
    fi
else
    ok=0; msg+=" could not build the session with the preset chosen;"
fi
if [ $ok = 1 ]; then pass "preset: 58 parameters as 'Ping Pong' sets them after choosing, load and reload;$msg"
else fail "preset: $msg"; fi

echo "ardour_lv2: $failures failed"
[ $failures -eq 0 ]
