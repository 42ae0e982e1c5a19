#!/usr/bin/env bash
# Loads Lumdel.clap the way Debian's Qtractor 0.9.31 scans CLAP plug-ins: through its own
# scan helper (qtractor_plugin_scan, which Qtractor runs for every plug-in file it
# finds), and checks the line Qtractor builds its plug-in list from:
#   CLAP|Lumdel|2:2|1:0|60:0|GUI,EXT,RT|PATH|0|ID
#   (name; main audio ins:outs; MIDI ins:outs; parameters; editor, extensions, real-time)
# No display, sound card, JACK or ALSA sequencer is needed for the scan. A session that
# renders the echo through Qtractor is not part of this check yet.
# Usage: tests/realhost/qtractor_clap.sh [BUILD_DIR | BUILD_DIR/Lumdel.so]  (default: build)
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
[ -f "$build" ] && build=$(dirname "$build")  # run.sh passes the VST 2.4 plug-in
build=$(realpath -e "$build" 2>/dev/null) || { echo "qtractor_clap.sh: no build dir" >&2; exit 2; }
plugin=$build/Lumdel.clap
[ -f "$plugin" ] || { echo "qtractor_clap.sh: no $plugin (build it first)" >&2; exit 2; }

scan=$(ls /usr/lib/*/qtractor/qtractor_plugin_scan 2> /dev/null | head -n 1)
if [ -z "$scan" ]; then
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing qtractor"
        DEBIAN_FRONTEND=noninteractive apt-get update -q > /dev/null &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
                qtractor > /dev/null || { echo "FAIL install: apt-get failed"; exit 1; }
        scan=$(ls /usr/lib/*/qtractor/qtractor_plugin_scan 2> /dev/null | head -n 1)
    else
        echo "qtractor_clap.sh needs Debian's Qtractor: sudo apt-get install qtractor" >&2
        echo "or run this script as root, which installs it." >&2
        exit 2
    fi
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumdel-realhost-qtractor.XXXXXX")
[ "${REALHOST_KEEP:-0}" = 1 ] || trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch XDG_CONFIG_HOME=$scratch/config
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

[ $failures -eq 0 ] && { echo "qtractor_clap.sh: every check passed"; exit 0; }
echo "qtractor_clap.sh: $failures check(s) failed"
exit 1
