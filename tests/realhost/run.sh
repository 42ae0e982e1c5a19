#!/usr/bin/env bash
# Loads Lumdel.so in real Linux hosts from Debian, without a display or sound card, and
# checks what they make of it:
#   ardour.sh    Ardour 7 headless (package ardour): scan, echo, state through the
#                chunk, and a load from the editor's preset strip reaching Ardour's
#                generic controls and automation lanes
#   audacity.sh  Audacity 3 under Xvfb, driven through its scripting pipe (package
#                audacity): listing with its inputs and outputs, echo at 44.1 and 48 kHz
#   ardour_lv2.sh  Ardour 7 headless with the LV2 bundle: scan, echo, a preset from
#                Ardour's LV2 preset list through save and reload
#   jalv.sh      jalv.gtk3 under Xvfb with JACK's dummy driver (packages jalv, jackd2):
#                the LV2 UI shows the editor in jalv's window at scales 1 and 2
#   qtractor_clap.sh  Qtractor 0.9.31 with Lumdel.clap (packages qtractor, jackd2, xvfb):
#                its scan lists it with its ports, parameters and editor; under Xvfb with
#                JACK's dummy driver a session with Lumdel as a track's insert plays an
#                impulse into jack_rec: the echo where the other hosts put it
# Each script installs its host when it runs as root, works in a scratch directory of its
# own and retries a host that crashes or hangs by itself (REALHOST_ATTEMPTS, default 4);
# REALHOST_KEEP=1 keeps the scratch directories.
# Usage: tests/realhost/run.sh [PLUGIN.so]        (default: build/Lumdel.so)
#        REALHOST_HOSTS="audacity" tests/realhost/run.sh ...   only some hosts
# Exit code 0 when every check of every host passed.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
plugin=${1:-$here/../../build/Lumdel.so}
started=$(date +%s)
failed=()
for h in ${REALHOST_HOSTS:-ardour audacity ardour_lv2 jalv qtractor_clap}; do
    echo "=== $h"
    t0=$(date +%s)
    "$here/$h.sh" "$plugin"
    rc=$?
    echo "=== $h: exit $rc after $(( $(date +%s) - t0 )) s (installation included)"
    [ $rc -eq 0 ] || failed+=("$h")
done
echo "realhost: $(( $(date +%s) - started )) s in all"
if [ ${#failed[@]} -eq 0 ]; then echo "realhost: every host passed"; exit 0; fi
echo "realhost: failed in ${failed[*]}"
exit 1
