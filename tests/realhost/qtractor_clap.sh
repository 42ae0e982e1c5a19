#!/usr/bin/env bash
# Runs Lumdel.clap in Debian's Qtractor 0.9.31 (built with CLAP support):
#   1. scan     through Qtractor's own scan helper (qtractor_plugin_scan, which Qtractor
#               runs for every plug-in file it finds): the line Qtractor builds its
#               plug-in list from,
#                 CLAP|Lumdel|2:2|1:0|60:0|GUI,EXT,RT|PATH|0|ID
#               (name; main audio ins:outs; MIDI ins:outs; parameters; editor,
#               extensions, real-time)
#   2. session  Qtractor itself, on a virtual display (Xvfb) with JACK's dummy driver,
#               opens a session (written here) with one audio track holding a clip of
#               one full-scale sample and Lumdel (CLAP, default preset) as its insert;
#               JACK's transport plays it and jack_rec captures Qtractor's master out.
#               The default preset passes the dry sample and puts the first echo a
#               quarter note of the host's tempo plus the 1 ms lookahead and a few
#               samples behind it: the echo is measured from the dry sample in the same
#               capture, so JACK's and Qtractor's own latencies cancel. At 120 BPM (as
#               for the other hosts) 24048..24064 samples at 48 kHz; a second session at
#               100 BPM, 28848..28864, shows the tempo comes from Qtractor. A plug-in
#               that passes the sound unchanged leaves no echo and fails.
#   3. editor   a double click on Lumdel in Qtractor's track list (xdotool) opens the
#               editor in a window of its own: 942 x 171, drawn (grabbed with
#               jalv_grab.cpp); the whole screen goes to REALHOST_SHOTS (default
#               BUILD_DIR/realhost)/qtractor-editor.png.
# Qtractor does not become usable without an ALSA sequencer; where /dev/snd/seq is missing (CI,
# containers) seq_standin.cpp, built here, is preloaded: a sequencer with no other clients.
# Qtractor ignores SIGTERM: it runs in a process group of its own, ended with SIGKILL.
# Each Qtractor run has a JACK server of its own; a run that captures no echo, or shows no
# editor, is tried up to REALHOST_ATTEMPTS (4) times.
# Usage: tests/realhost/qtractor_clap.sh [BUILD_DIR | BUILD_DIR/Lumdel.so]  (default: build)
# Works in a scratch directory (HOME and XDG_* point there); REALHOST_KEEP=1 keeps it.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
[ -f "$build" ] && build=$(dirname "$build")  # run.sh passes the VST 2.4 plug-in
build=$(realpath -e "$build" 2>/dev/null) || { echo "qtractor_clap.sh: no build dir" >&2; exit 2; }
plugin=$build/Lumdel.clap
[ -f "$plugin" ] || { echo "qtractor_clap.sh: no $plugin (build it first)" >&2; exit 2; }

started=$(date +%s)

scan=$(ls /usr/lib/*/qtractor/qtractor_plugin_scan 2> /dev/null | head -n 1)
if [ -z "$scan" ] || ! command -v jackd > /dev/null || ! command -v Xvfb > /dev/null ||
        ! command -v xdotool > /dev/null; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing qtractor, jackd2, xvfb, xdotool"
        DEBIAN_FRONTEND=noninteractive apt-get update -q > /dev/null &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
                qtractor jackd2 xvfb xdotool > /dev/null || { echo "FAIL install: apt-get failed"; exit 1; }
        scan=$(ls /usr/lib/*/qtractor/qtractor_plugin_scan 2> /dev/null | head -n 1)
    else
        echo "qtractor_clap.sh needs Debian's Qtractor, JACK, Xvfb and xdotool:" >&2
        echo "sudo apt-get install qtractor jackd2 xvfb xdotool, or run this script as root." >&2
        exit 2
    fi
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumdel-realhost-qtractor.XXXXXX")
pids=()      # Xvfb, jackd: ended with SIGTERM
groups=()    # Qtractor's process groups: ended with SIGKILL (it ignores SIGTERM)
cleanup() {
    local p
    for p in "${groups[@]}"; do kill -KILL -- "-$p" 2> /dev/null; done
    for p in "${pids[@]}"; do kill "$p" 2> /dev/null; done
    for p in "${groups[@]}" "${pids[@]}"; do wait "$p" 2> /dev/null; done
    [ "${REALHOST_KEEP:-0}" = 1 ] || rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -p "$scratch"/{home,config,cache,data,tmp,runtime}
chmod 700 "$scratch/runtime"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config XDG_CACHE_HOME=$scratch/cache
export XDG_DATA_HOME=$scratch/data XDG_RUNTIME_DIR=$scratch/runtime
# A JACK server of this run's own, so that nothing else on the machine meets it.
# JACK's clients here never start a server by themselves.
export JACK_DEFAULT_SERVER=lumdel-qtractor-$$ JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1
unset DISPLAY WAYLAND_DISPLAY
failures=0
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# 1. scan: the helper reads "TYPE:FILE" lines and answers one line per plug-in.
line=$(echo "CLAP:$plugin" | timeout -k 5 30 "$scan" 2> "$scratch/scan.log" | grep '^CLAP|' | head -n 1)
IFS='|' read -r kind name audio midi params flags path index id <<< "$line"
if [ "$kind" = CLAP ] && [ "$name" = Lumdel ] && [ "$path" = "$plugin" ] && [ "$index" = 0 ]; then
    pass "scan: Qtractor lists Lumdel (CLAP) from $plugin"
else
    fail "scan: no Lumdel in the scan's answer '$line' ($(tail -n 2 "$scratch/scan.log" | tr '\n' ' '))"
fi
# Qtractor counts the main ports only (the side chain is a second port it leaves aside).
[ "$audio" = "2:2" ] && pass "scan: stereo in, stereo out" || fail "scan: audio ports '$audio'"
[ "$midi" = "1:0" ] && pass "scan: one MIDI input (controllers)" || fail "scan: MIDI ports '$midi'"
[ "$params" = "60:0" ] && pass "scan: 60 parameters" || fail "scan: parameters '$params'"
case ",$flags," in
    *,GUI,*) pass "scan: an editor" ;;
    *) fail "scan: no editor in '$flags'" ;;
esac
case ",$flags," in
    *,RT,*) pass "scan: real-time capable" ;;
    *) fail "scan: not real-time in '$flags'" ;;
esac

# 2. session ------------------------------------------------------------------------
rate=48000
cd "$scratch" || exit 2
tool() { python3 "$here/rhtool.py" "$@"; }
first_above() {  # first_above FILE.wav AFTER_SECONDS: first sample above -60 dBFS, channel 0
    tool peaks "$1" "$2" 0.001 | awk '/^CH 0/ {sub("first=", "", $3); print $3}'
}

standin=""
if [ ! -e /dev/snd/seq ]; then
    if c++ -std=c++17 -O1 -shared -fPIC "$here/seq_standin.cpp" -o libseq_standin.so \
            > standin-build.log 2>&1; then
        standin=$scratch/libseq_standin.so
    else
        echo "FAIL seq_standin.cpp did not build: $(head -n 3 standin-build.log | tr '\n' ' ')"
        exit 1
    fi
fi

tool impulse impulse.wav $rate 2.5 0.5 > /dev/null
# write_session TEMPO: session-TEMPO.qtr, what Qtractor itself saves less what it fills in
# by itself.
write_session() {
python3 - "$scratch" "$plugin" $rate "$1" > "session-$1.qtr" << 'PY'
import sys
from xml.sax.saxutils import escape
scratch, plugin, rate, tempo = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
print(f"""<!DOCTYPE qtractorSession>
<session version="0.9.31" name="lumdel">
 <properties>
  <directory>{escape(scratch)}</directory>
  <sample-rate>{rate}</sample-rate>
  <tempo>{tempo}</tempo>
  <ticks-per-beat>960</ticks-per-beat>
  <beats-per-bar>4</beats-per-bar>
  <beat-divisor>2</beat-divisor>
 </properties>
 <tracks>
  <track name="Impulse" type="audio">
   <properties>
    <input-bus>Master</input-bus>
    <output-bus>Master</output-bus>
   </properties>
   <clips>
    <clip name="impulse">
     <properties><start>0</start><offset>0</offset><length>{rate * 5 // 2}</length></properties>
     <audio-clip><filename>{escape(scratch)}/impulse.wav</filename></audio-clip>
    </clip>
   </clips>
   <plugins>
    <plugin type="CLAP">
     <filename>{escape(plugin)}</filename>
     <index>0</index>
     <activated>true</activated>
    </plugin>
   </plugins>
  </track>
 </tracks>
</session>""")
PY
}

# Xvfb on a display number it picks itself; the editor at 100 % whatever the desktop says.
export LUMDEL_SCALE=1
exec 3< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2> xvfb.log)
pids+=($!)
read -r -t 15 number <&3 || { echo "FAIL Xvfb did not start: $(tail -n 2 xvfb.log)"; exit 1; }
export DISPLAY=:$number

# start_qtractor LOG SESSION: Qtractor opens SESSION, in a process group of its own (GROUP),
# and is ready once its master out is there and the track's plug-ins are loaded.
# Each Qtractor gets a JACK server of its own: one that has had a Qtractor killed on it may
# keep the next one's transport from rolling for a long while.
start_qtractor() {
    local i
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r $rate -p 1024 > "$1.jackd" 2>&1 &
    jack=$!
    pids+=("$jack")
    timeout 15 jack_wait -w -t 10 > /dev/null 2>&1 || echo "jackd did not start" >> "$1.jackd"
    setsid timeout -s KILL 60 env ${standin:+LD_PRELOAD=$standin} QT_QPA_PLATFORM=xcb \
        qtractor "$2" > "$1" 2>&1 &
    group=$!
    groups+=("$group")
    for i in $(seq 1 40); do
        sleep 0.5
        jack_lsp 2> /dev/null | grep -q '^Qtractor:Master/out_2$' && break
        kill -0 "$group" 2> /dev/null || break
    done
    sleep 2
}
# stop_qtractor: SIGKILL (Qtractor does not quit on SIGTERM), then its JACK server.
stop_qtractor() {
    kill -KILL -- "-$group" 2> /dev/null
    wait "$group" 2> /dev/null
    kill "$jack" 2> /dev/null
    wait "$jack" 2> /dev/null
}

# capture N: JACK's transport plays the open session from the start while jack_rec
# captures 3 s of Qtractor's master out into out-N.wav (the transport rolls once).
capture() {
    local n=$1 rec
    timeout -k 2 15 jack_rec -f "out-$n.wav" -d 3 -b 32 \
        Qtractor:Master/out_1 Qtractor:Master/out_2 > "rec-$n.log" 2>&1 &
    rec=$!
    sleep 0.5
    printf 'locate 0\nplay\n' | timeout 10 jack_transport > "transport-$n.log" 2>&1
    wait "$rec"
}

# echo_check TEMPO: plays session-TEMPO.qtr (retried while nothing is captured) and
# checks the first echo: a quarter note at TEMPO plus the 1 ms lookahead and a few samples
# after the dry sample.
echo_check() {
    local tempo=$1 dry="" echo_at="" out="" attempt lo hi delay
    write_session "$tempo"
    # A capture without the dry sample or the echo is tried again with a new Qtractor and
    # JACK server: the transport's second roll on a server does not always reach Qtractor.
    for attempt in $(seq 1 "${REALHOST_ATTEMPTS:-4}"); do
        echo_at=""
        out=out-$tempo-$attempt.wav
        start_qtractor "qtractor-$tempo-$attempt.log" "session-$tempo.qtr"
        capture "$tempo-$attempt"
        stop_qtractor
        dry=$([ -s "$out" ] && first_above "$out" 0)
        if [ -n "$dry" ] && [ "$dry" -ge 0 ]; then
            # the echo: the first sound 10 ms or more after the dry sample
            echo_at=$(first_above "$out" \
                "$(awk -v d="$dry" -v r=$rate 'BEGIN { printf "%.6f", d / r + 0.01 }')")
            [ -n "$echo_at" ] && [ "$echo_at" -ge 0 ] && break
        fi
        echo "RETRY session $tempo BPM (attempt $attempt): dry at '${dry:-none}'," \
            "echo at '${echo_at:-none}'; $(tail -q -n 2 "rec-$tempo-$attempt.log" \
            2> /dev/null | tr '\n' ' ')"
    done
    if [ -z "$dry" ] || [ "$dry" -lt 0 ]; then
        fail "session $tempo BPM: Qtractor played nothing into jack_rec ($out)"
        return
    fi
    pass "session $tempo BPM: Qtractor plays the clip through its master out (dry sample at frame $dry of the capture)"
    lo=$((rate * 60 / tempo + rate / 1000)) hi=$((rate * 60 / tempo + rate / 1000 + rate / 4000 + 4))
    if [ -z "$echo_at" ] || [ "$echo_at" -lt 0 ]; then
        fail "session $tempo BPM: no echo after the dry sample (expected +$lo..$hi samples)"
    elif delay=$((echo_at - dry)) && [ "$delay" -ge $lo ] && [ "$delay" -le $hi ]; then
        pass "session $tempo BPM: default preset, $rate Hz: first echo +$delay samples after the dry sample (window $lo..$hi)"
    else
        fail "session $tempo BPM: first echo +$delay samples after the dry sample, expected $lo..$hi"
    fi
}
# 120 BPM: the figure of the other hosts; 100 BPM: the tempo comes from Qtractor.
echo_check 120
echo_check 100

# 3. editor: a double click on Lumdel in the track list (where Qtractor shows a track's
# inserts) opens the editor in a window of its own, of the editor's size and drawn: many
# colours, no colour on most of it, the panel's dark grey. The whole screen goes to
# REALHOST_SHOTS (default BUILD_DIR/realhost)/qtractor-editor.png.
shots=${REALHOST_SHOTS:-$build/realhost}
mkdir -p "$shots"
grabber=$scratch/jalv_grab
if ! c++ -std=c++17 -O1 "$here/jalv_grab.cpp" $(pkg-config --cflags --libs cairo x11) \
        -o "$grabber" > grab-build.log 2>&1; then
    fail "editor: jalv_grab.cpp did not build: $(head -n 3 grab-build.log | tr '\n' ' ')"
else
    line=""
    for attempt in $(seq 1 "${REALHOST_ATTEMPTS:-4}"); do
        start_qtractor "qtractor-editor-$attempt.log" session-120.qtr
        main=$(xdotool search --onlyvisible --name 'session-120\.qtr' 2> /dev/null | head -n 1)
        # The insert's row in the track list of a fresh Qtractor's 1024 x 768 main window.
        [ -n "$main" ] && xdotool mousemove --window "$main" 180 180 click --repeat 2 --delay 80 1
        for i in $(seq 1 20); do
            sleep 0.5
            line=$("$grabber" 942 171 qtractor-editor-area.png qtractor-editor-window.png \
                "$shots/qtractor-editor.png")
            case $line in found=1*) [ "$(echo "$line" | sed 's/.*colours=\([0-9]*\).*/\1/')" -ge 200 ] && break ;; esac
        done
        stop_qtractor
        case $line in found=1*) break ;; esac
        echo "RETRY editor (attempt $attempt): ${line:-no answer}"
    done
    colours=$(echo "$line" | sed -n 's/.*colours=\([0-9]*\).*/\1/p')
    dominant=$(echo "$line" | sed -n 's/.*dominant=\([0-9.]*\).*/\1/p')
    mean=$(echo "$line" | sed -n 's/.*mean=\([0-9.]*\).*/\1/p')
    if [ "${colours:-0}" -ge 200 ] &&
            awk -v d="$dominant" -v m="$mean" 'BEGIN { exit !(d < 0.8 && m < 120) }'; then
        pass "editor: Qtractor shows Lumdel's editor at 942x171 ($colours colours, mean grey $mean): $shots/qtractor-editor.png"
    else
        fail "editor: no drawn 942x171 editor window in Qtractor (${line:-nothing found})"
    fi
fi

echo "qtractor_clap.sh: $(( $(date +%s) - started )) s"

[ $failures -eq 0 ] && { echo "qtractor_clap.sh: every check passed"; exit 0; }
echo "qtractor_clap.sh: $failures check(s) failed"
exit 1
