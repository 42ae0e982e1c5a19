#!/usr/bin/env python3
"""Checks the generated LV2 bundle as Debian's lilv reads it: lv2info loads it without
complaint and lists the delay with its ports (60 controls named by the parameters, two
audio inputs, an optional side chain, two outputs, the optional event input), the
features, the state interface and the 61 factory presets; every preset names only ports
the plug-in has; switches (toggles) hold 0 or 1 only.

    lv2info_bundle.py --lv2info LV2INFO --bundles DIR
"""

import argparse
import os
import re
import subprocess
import sys

URI = "urn:orvtone:lumdel"


def ports(text):
    """Port number -> its block of lv2info's listing."""
    blocks = re.split(r"\n\tPort (\d+):\n", text)
    return {int(blocks[i]): blocks[i + 1] for i in range(1, len(blocks) - 1, 2)}


def field(block, name):
    m = re.search(rf"^\t\t{name}:\s+(.*)$", block, re.MULTILINE)
    return m.group(1).strip() if m else None


def check(info, errors, bundle):
    faults = []
    if errors.strip():
        faults.append("lv2info complained:\n" + errors)
    for wanted in ("Class:             Delay Plugin", "urid#map", "lv2core#hardRTCapable",
                   "state#interface"):
        if wanted not in info:
            faults.append(f"missing from the listing: {wanted}")
    if "Required Features" in info:
        faults.append("a required feature: hosts without it (lv2apply) cannot load the plug-in")
    listed = ports(info)
    if sorted(listed) != list(range(67)):
        faults.append(f"ports {sorted(listed)[:3]}..., expected 0..66")
        return faults
    symbols = [field(listed[i], "Symbol") for i in range(67)]
    if len(set(symbols)) != 67:
        faults.append("port symbols are not unique")
    for i in range(60):
        block = listed[i]
        if "ControlPort" not in block or "InputPort" not in block:
            faults.append(f"port {i} is not a control input")
        if field(block, "Minimum") != "0.000000" or field(block, "Maximum") != "1.000000":
            faults.append(f"port {i}: range is not 0..1")
        if not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", symbols[i] or ""):
            faults.append(f"port {i}: symbol {symbols[i]!r} is not valid")
    kinds = [("AudioPort", "InputPort", "in_l"), ("AudioPort", "InputPort", "in_r"),
             ("AudioPort", "InputPort", "sc_l"), ("AudioPort", "InputPort", "sc_r"),
             ("AudioPort", "OutputPort", "out_l"), ("AudioPort", "OutputPort", "out_r"),
             ("AtomPort", "InputPort", "events")]
    for offset, (kind, direction, symbol) in enumerate(kinds):
        block = listed[60 + offset]
        if kind not in block or direction not in block or symbols[60 + offset] != symbol:
            faults.append(f"port {60 + offset} is not the {symbol} {kind}")
    for i in (62, 63):
        if "isSideChain" not in listed[i] or "connectionOptional" not in listed[i]:
            faults.append(f"port {i}: not an optional side chain")
    if "connectionOptional" not in listed[66]:
        faults.append("the event port is not optional (lv2apply would refuse the plug-in)")
    presets = info.split("\tPresets:", 1)[1].split("\tPort 0:", 1)[0] if "\tPresets:" in info else ""
    names = [line.strip() for line in presets.splitlines() if line.strip()]
    if len(names) != 61 or "Default" not in names:
        faults.append(f"{len(names)} presets listed, expected the 61 of the factory bank")
    with open(os.path.join(bundle, "presets.ttl"), encoding="utf-8") as f:
        preset_symbols = re.findall(r'lv2:symbol "([^"]+)"', f.read())
    unknown = sorted(set(preset_symbols) - set(symbols[:60]))
    if unknown:
        faults.append(f"presets name ports the plug-in lacks: {unknown}")
    if len(preset_symbols) != 61 * 58:
        faults.append(f"{len(preset_symbols)} preset values, expected 61 x 58")
    # Hosts read a toggle as on for anything but 0 (Ardour stores 1 for 0.25): toggles
    # start and are preset at 0 or 1 only.
    toggles = {symbols[i] for i in range(60) if "toggled" in listed[i]}
    for i in range(60):
        if symbols[i] in toggles and field(listed[i], "Default") not in ("0.000000", "1.000000"):
            faults.append(f"toggle {symbols[i]} starts at {field(listed[i], 'Default')}")
    with open(os.path.join(bundle, "presets.ttl"), encoding="utf-8") as f:
        values = re.findall(r'lv2:symbol "([^"]+)" ;\s+pset:value ([-0-9.e]+)', f.read())
    odd = sorted({f"{s}={v}" for s, v in values if s in toggles and float(v) not in (0.0, 1.0)})
    if not toggles or odd:
        faults.append(f"toggles preset at values other than 0 or 1: {odd[:4]}")
    return faults


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lv2info", required=True)
    parser.add_argument("--bundles", required=True)
    args = parser.parse_args()
    env = dict(os.environ)
    # The bundle and Debian's LV2 vocabularies (the plug-in classes' names).
    env["LV2_PATH"] = os.path.abspath(args.bundles) + ":/usr/lib/lv2"
    result = subprocess.run([args.lv2info, URI], env=env, capture_output=True, text=True,
                            timeout=120)
    if result.returncode != 0:
        print(result.stdout, result.stderr)
        return 1
    faults = check(result.stdout, result.stderr, os.path.join(args.bundles, "Lumdel.lv2"))
    for fault in faults:
        print("FAULT:", fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
