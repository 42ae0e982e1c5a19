#!/usr/bin/env bash
# Loads Lumdel.so in a real Linux host, Ardour 7 from Debian (package `ardour`), without
# a display or sound card, and checks what comes out:
#   1. scan     Ardour's VST2 scanner and its plug-in list see "Lumdel" with 4 inputs
#               (stereo main plus stereo side-chain) and 2 outputs
#   2. echo     an impulse region through the default preset, in sessions at 48 and
#               44.1 kHz: the first echo comes a quarter note later (500 ms at the
#               session's 120 BPM) plus the 1 ms lookahead and a few samples, on both
#               channels
#   3. state    "Ping Pong" made current through the plug-in's chunk in the session file
#               survives Ardour's load, save and reload: the parameters read back are the
#               preset's, the saved chunk still names it, and the render follows it
#   4. editor   the next preset chosen in the editor's preset strip (clicked through the
#               plug-in's offscreen editor, strip_click.cpp) reaches Ardour: every
#               parameter the load changed lands in its automation lane (Write mode)
#               with the value Ardour's generic control reads, and no other lane moves
# Usage: tests/realhost/ardour.sh [PLUGIN.so]     (default: build/Lumdel.so)
# Everything happens in a scratch directory (HOME and XDG_* point there); REALHOST_KEEP=1
# keeps it. ardour7-export crashes now and then by itself: each Ardour call is tried up
# to REALHOST_ATTEMPTS (4) times and the retries are reported. Exit code 0 when every
# check passed.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
plugin=$(realpath -e "${1:-$here/../../build/Lumdel.so}" 2>/dev/null) || {
    echo "ardour.sh: no plug-in at ${1:-build/Lumdel.so} (build it first)" >&2
    exit 2
}
ardour_lib=${ARDOUR_LIB:-/usr/lib/ardour7}
rate=48000
started=$(date +%s)

# --- Ardour itself -------------------------------------------------------------------
if ! command -v ardour7-lua > /dev/null || ! command -v ardour7-export > /dev/null; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing ardour (about 230 MB) ..."
        t0=$(date +%s)
        DEBIAN_FRONTEND=noninteractive apt-get update -q > /dev/null &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
                ardour python3 > /dev/null || { echo "FAIL install: apt-get failed"; exit 1; }
        echo "Installed ardour in $(( $(date +%s) - t0 )) s"
        started=$(date +%s)
    else
        echo "ardour.sh needs Debian's Ardour 7 (ardour7-lua, ardour7-export). Install it with" >&2
        echo "  sudo apt-get install --no-install-recommends ardour" >&2
        echo "or run this script as root, which installs it." >&2
        exit 2
    fi
fi
command -v python3 > /dev/null || { echo "ardour.sh needs python3" >&2; exit 2; }
command -v c++ > /dev/null || { echo "ardour.sh needs a C++ compiler (build-essential)" >&2; exit 2; }
scanner=$ardour_lib/ardour-vst-scanner
[ -x "$scanner" ] || { echo "ardour.sh: no $scanner (ARDOUR_LIB?)" >&2; exit 2; }

# --- A scratch world: nothing of the user's is read or written ------------------------
scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumdel-realhost.XXXXXX")
[ "${REALHOST_KEEP:-0}" = 1 ] || trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{home,config,cache,data,tmp,vst,sessions}
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_CACHE_HOME=$scratch/cache
export XDG_DATA_HOME=$scratch/data TMPDIR=$scratch/tmp LXVST_PATH=$scratch/vst
unset VST_PATH VST3_PATH LADSPA_PATH LV2_PATH DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/ardour7"
# Release builds hide the "None (Dummy)" backend unless the configuration shows it.
cat > "$XDG_CONFIG_HOME/ardour7/config" << 'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
  </Config>
</Ardour>
EOF
# Ardour's scanner skips a file modified within the current second.
cp "$plugin" "$LXVST_PATH/Lumdel.so"
touch -d '-5 seconds' "$LXVST_PATH/Lumdel.so"

cd "$scratch/sessions" || exit 2
failures=0
retries=0
attempts=${REALHOST_ATTEMPTS:-4}
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
tool() { python3 "$here/rhtool.py" "$@"; }

# ardour LOG CLEAN CMD...: runs CMD (output into LOG); while it crashes (ends on a signal)
# or hangs (no end within 45 s; a run takes 3 to 10 s) it is run again, up to
# REALHOST_ATTEMPTS (4) times in all, with CLEAN (a path or "-") removed first. A plain failure (a Lua error, a
# refused session) is not retried.
ardour() {
    local log=$1 clean=$2 attempt rc name what
    shift 2
    name=$(printf '%s\n' "$@" | grep -m 1 '^ardour7-')
    for attempt in $(seq 1 "$attempts"); do
        timeout -k 10 45 "$@" > "$log" 2>&1
        rc=$?
        [ $rc -eq 0 ] && return 0
        if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
            what="hung (killed after 45 s"
        elif [ $rc -gt 128 ]; then
            what="crashed (signal $((rc - 128))"
        else
            break
        fi
        if [ "$attempt" -lt "$attempts" ]; then
            retries=$((retries + 1))
            echo "RETRY $name $what, attempt $attempt):" \
                "$(grep -v '^PARAM' "$log" | tail -n 2 | tr '\n' ' ')"
            [ "$clean" != - ] && rm -rf "$clean"
        fi
    done
    echo "  $name failed (exit $rc); its last output ($log):"
    tail -n 15 "$log" | sed 's/^/    /'
    return 1
}

export_session() {  # export_session DIR NAME OUT.wav [RATE]
    ardour "export-$2.log" "$3" ardour7-export -b float -s "${4:-$rate}" \
        -o "$scratch/sessions/$3" "$1" "$2" && [ -s "$3" ]
}

# in_window VALUE LOW HIGH
in_window() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }

impulse_at=$((rate / 2))              # 0.5 s into the region
quarter=$((rate / 2))                 # a quarter note at 120 BPM: 500 ms
lookahead=$((rate / 1000))            # 1 ms
late_max=$((lookahead + rate / 4000 + 4))  # lookahead + 0.25 ms + 4 samples
tool impulse impulse.wav $rate 2.5 0.5 > /dev/null

# --- 1. scan -----------------------------------------------------------------------
LD_LIBRARY_PATH=$ardour_lib timeout 120 "$scanner" -f -v "$LXVST_PATH/Lumdel.so" > scan.log 2>&1
info=$(grep -o '<VST2Info [^>]*>' scan.log | head -n 1)
attr() { sed -n "s/.* $1=\"\([^\"]*\)\".*/\1/p" <<< "$info"; }
if [ "$(attr name)" = Lumdel ] && [ "$(attr n_inputs)" = 4 ] && [ "$(attr n_outputs)" = 2 ] &&
   [ "$(attr id)" = 1280132172 ]; then
    pass "scan: ardour-vst-scanner: name=$(attr name) creator=$(attr creator)" \
        "id=$(attr id) ('LMDL') in=$(attr n_inputs) out=$(attr n_outputs)" \
        "has_editor=$(attr has_editor) midi_in=$(attr n_midi_inputs)"
else
    fail "scan: ardour-vst-scanner saw: ${info:-nothing}"
    tail -n 5 scan.log | sed 's/^/    /'
fi

# --- 2. echo (default preset) at 48 and 44.1 kHz ----------------------------------------
make_session() {  # make_session NAME [RATE]
    ardour "make-$1.log" "$scratch/sessions/$1" env RH_SESSION_DIR="$scratch/sessions/$1" \
        RH_SESSION_NAME="$1" RH_RATE="${2:-$rate}" ardour7-lua "$here/make_session.lua"
}
check_scan_in_lua() {  # check_scan_in_lua LOG: what ardour7-lua saw of the plug-in
    local scanned plug io
    scanned=$(grep '^SCANNED name=Lumdel ' "$1")
    plug=$(grep '^PLUGIN ' "$1")
    io=$(grep '^IO ' "$1")
    if [ -n "$scanned" ] && [ "$io" = "IO in=4 out=2" ] && [[ $plug == "PLUGIN name=Lumdel "* ]]
    then
        pass "scan: ardour7-lua lists '$scanned'; inserted on a stereo track: $plug, $io," \
            "$(grep '^PARAMS' "$1") parameters"
    else
        fail "scan: ardour7-lua: '${scanned:-Lumdel not listed}' '$plug' '$io'"
    fi
}
echo_check() {  # echo_check NAME RATE: an impulse 0.5 s into a session at RATE
    local name=$1 r=$2 at q late lo hi ok c msg nonfinite peaks dry wet
    at=$((r / 2)) q=$((r / 2)) late=$((r / 1000 + r / 4000 + 4))
    tool impulse "impulse-$r.wav" "$r" 2.5 0.5 > /dev/null
    if ! make_session "$name" "$r"; then
        [ "$r" = "$rate" ] && fail "scan: ardour7-lua could not build a session with Lumdel (see above)"
        fail "echo: ardour7-lua could not build a $r Hz session with Lumdel"
        return 1
    fi
    [ "$r" = "$rate" ] && check_scan_in_lua "make-$name.log"
    tool add-region "$name/$name.ardour" "impulse-$r.wav" > /dev/null
    if ! export_session "$name" "$name" "$name.wav" "$r"; then
        fail "echo: ardour7-export could not render the $r Hz session"
        return 1
    fi
    tool peaks "$name.wav" 0 0.001 > "dry-$r.txt"
    tool peaks "$name.wav" 0.51 0.001 > "wet-$r.txt"
    dry=($(awk '/^CH/ {sub("first=", "", $3); print $3}' "dry-$r.txt"))
    wet=($(awk '/^CH/ {sub("first=", "", $3); print $3}' "wet-$r.txt"))
    peaks=$(awk '/^CH/ {printf "%s %s ", $4, $5}' "wet-$r.txt")
    nonfinite=$(grep -c 'nonfinite=[1-9]' "wet-$r.txt")
    lo=$((at + q)) hi=$((at + q + late))
    ok=1
    for c in 0 1; do
        in_window "${dry[$c]:--1}" $at $at || ok=0
        in_window "${wet[$c]:--1}" $lo $hi || ok=0
    done
    [ "$nonfinite" -eq 0 ] || ok=0
    msg="impulse at sample $at, dry out at ${dry[*]}; first echo (>-60 dBFS) at ${wet[*]}"
    msg="$msg = +$(( ${wet[0]:-0} - at )) samples = $(awk -v d=$(( ${wet[0]:-0} - at )) -v r="$r" \
        'BEGIN {printf "%.2f", d * 1000 / r}') ms (window $lo..$hi: 500 ms + lookahead +"
    msg="$msg 0.25 ms + 4); $peaks"
    if [ $ok = 1 ]; then pass "echo: default preset, 120 BPM, $r Hz: $msg"
    else fail "echo: default preset, $r Hz: $msg; non-finite channels: $nonfinite"; fi
}
echo_check default "$rate"
echo_check default44 44100

# --- 3. state: a preset chosen through the chunk survives save and reload --------------
# The two legacy parameters (43, 44) always read 1: compare the others.
compare_params() {  # compare_params EXPECTED ACTUAL -> prints mismatches, returns their count
    python3 - "$1" "$2" << 'EOF'
import sys
def load(p):
    return {int(l.split()[1]): float(l.split()[2]) for l in open(p) if l.startswith("PARAM ")}
e, a = load(sys.argv[1]), load(sys.argv[2])
bad = [i for i in range(60) if i not in (43, 44) and (i not in a or abs(e.get(i, -1) - a[i]) > 1e-5)]
for i in bad[:5]:
    print("param %d: preset %s, read back %s" % (i, e.get(i), a.get(i)))
sys.exit(min(len(bad), 100) if len(e) == 60 and len(a) == 60 else 101)
EOF
}
read_session() {  # read_session NAME LOG [save]
    ardour "$2" - env RH_SESSION_DIR="$scratch/sessions/$1" RH_SESSION_NAME="$1" RH_RATE=$rate \
        RH_SAVE="${3:+1}" ardour7-lua "$here/read_session.lua" && grep -q '^FOUND' "$2"
}
state_ok=1
state_msg=""
if make_session pingpong; then
    tool add-region pingpong/pingpong.ardour impulse.wav > /dev/null
    before=$(tool chunk pingpong/pingpong.ardour)
    chosen=$(tool chunk pingpong/pingpong.ardour --select 24)
    tool record pingpong/pingpong.ardour 24 > expected.txt
    [[ $before == *"current=0 name=Default" ]] || { state_ok=0; state_msg+=" saved chunk: $before;"; }
    [[ $chosen == *"name=Ping Pong" ]] || { state_ok=0; state_msg+=" preset 24 is not Ping Pong: $chosen;"; }
    state_msg+=" chunk edited: $chosen;"
    if read_session pingpong load1.log save; then
        mism=$(compare_params expected.txt load1.log) || {
            state_ok=0; state_msg+=" after load: $mism;"; }
        resaved=$(tool chunk pingpong/pingpong.ardour)
        state_msg+=" Ardour's re-saved chunk: $resaved;"
        [[ $resaved == *"current=24 name=Ping Pong" ]] || state_ok=0
        if read_session pingpong load2.log; then
            mism=$(compare_params expected.txt load2.log) || {
                state_ok=0; state_msg+=" after reload: $mism;"; }
            state_msg+=" 58 parameters equal the preset's after load and after reload;"
        else
            state_ok=0; state_msg+=" reload failed;"
        fi
        if export_session pingpong pingpong pingpong.wav; then
            tool peaks pingpong.wav 0.51 0.001 > pp.txt
            pp=($(awk '/^CH/ {sub("first=", "", $3); print $3}' pp.txt))
            # "Ping Pong": the right echo a quarter note after the impulse, the left one an
            # eighth note (250 ms) of pre-delay later.
            lo=$((impulse_at + quarter)) hi=$((impulse_at + quarter + late_max))
            in_window "${pp[1]:--1}" $lo $hi || state_ok=0
            in_window "${pp[0]:--1}" $((lo + rate / 4)) $((hi + rate / 4)) || state_ok=0
            grep -q 'nonfinite=[1-9]' pp.txt && state_ok=0
            state_msg+=" render: first echo left at +$(( ${pp[0]:-0} - impulse_at )), right at"
            state_msg+=" +$(( ${pp[1]:-0} - impulse_at )) samples (expected right $((lo - impulse_at))..$((hi - impulse_at)), left 250 ms later)"
        else
            state_ok=0; state_msg+=" ardour7-export could not render the re-saved session"
        fi
    else
        state_ok=0; state_msg+=" loading the edited session failed"
    fi
else
    state_ok=0; state_msg=" ardour7-lua could not build the session"
fi
if [ $state_ok = 1 ]; then pass "state: 'Ping Pong' through the chunk:$state_msg"
else fail "state: 'Ping Pong' through the chunk:$state_msg"; fi

# --- 4. editor: a load from the preset strip reaches Ardour's controls -------------------
# Ardour does not read the parameters again when the plug-in asks it to update its display;
# what it shows and records of a load made in the editor is what the plug-in reports.
strip_lib=$scratch/strip_click.so
if ! c++ -std=c++17 -shared -fPIC -O1 -I"$here/../.." -I"$here/../../toolkit" \
        -o "$strip_lib" "$here/strip_click.cpp" -ldl > strip-build.log 2>&1; then
    fail "editor: strip_click.cpp did not build: $(head -n 3 strip-build.log | tr '\n' ' ')"
elif ardour strip.log "$scratch/sessions/strip" env LD_PRELOAD="$strip_lib" \
        RH_SESSION_DIR="$scratch/sessions/strip" RH_SESSION_NAME=strip RH_RATE=$rate \
        ardour7-lua "$here/strip_load.lua"; then
    strip=$(sed -n 's/^STRIP //p' strip.log)
    report=$(python3 - strip.log << 'PY'
import sys
before, after = {}, {}
for line in open(sys.argv[1]):
    f = line.split()
    if f and f[0] == "BEFORE":
        before[int(f[1])] = float(f[2])
    elif f and f[0] == "AFTER":
        after[int(f[1])] = (float(f[2]), float(f[3]), int(f[4]))
names = ["Input", "Output", "Mix", "FbGainL", "FbGainR"]
changed = [i for i in after if abs(after[i][0] - before.get(i, -9)) > 1e-6]
stale = [i for i in changed if after[i][2] == 0 or abs(after[i][1] - after[i][0]) > 1e-5]
moved = [i for i in after if i not in changed and after[i][2] != 0]
shown = ", ".join("%s %.6f -> %.6f (lane %.6f)" % (names[i], before[i], after[i][0], after[i][1])
                  for i in changed if i < len(names))
print("%d of %d parameters changed, %d lanes took the new value, %d stale, %d unchanged"
      " lanes moved; generic controls: %s" % (len(changed), len(after),
      len(changed) - len(stale), len(stale), len(moved), shown))
if stale:
    print("stale: " + " ".join("%d (generic %.6f, lane %s)" % (i, after[i][0],
          "empty" if after[i][2] == 0 else "%.6f" % after[i][1]) for i in stale[:8]))
sys.exit(0 if len(after) == 60 and len(changed) >= 5 and not stale and not moved else 1)
PY
)
    if [ $? -eq 0 ] && [[ $strip == "opened=1 clicked=1 preset=Cirrostratus" ]]; then
        pass "editor: next preset in the strip ($strip): $report"
    else
        fail "editor: next preset in the strip (${strip:-no click}): $report"
    fi
else
    fail "editor: ardour7-lua could not build the strip session (see above)"
fi

echo "Ardour retries: $retries; run time $(( $(date +%s) - started )) s (install excluded)"
[ "${REALHOST_KEEP:-0}" = 1 ] && echo "Scratch directory kept: $scratch"
if [ $failures -eq 0 ]; then echo "ardour: all checks passed"; exit 0; fi
echo "ardour: $failures check(s) failed"
exit 1
