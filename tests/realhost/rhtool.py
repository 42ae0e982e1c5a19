#!/usr/bin/env python3
"""Helpers for the real-host scripts: impulse files, session edits, chunk inspection, echo
analysis, Audacity's scripting pipe and its settings file.

Only the standard library: no numpy needed.

  rhtool.py impulse OUT.wav RATE SECONDS AT      stereo float WAV, one full-scale sample at AT s
  rhtool.py add-region SESSION.ardour WAV        the WAV as a region at 0 on track "Impulse"
  rhtool.py chunk SESSION.ardour [--select N]    current preset of Lumdel's chunk (and its name);
                                                 --select N makes preset N current in the chunk
  rhtool.py record SESSION.ardour N              the 60 values of preset N stored in the chunk
  rhtool.py peaks WAV AFTER THRESHOLD            per channel: first sample above THRESHOLD
                                                 (absolute) at or after AFTER s, and the peak
  rhtool.py audacity TIMEOUT CMD...              sends each scripting command through
                                                 Audacity's pipe and prints the answers;
                                                 exit 1 when one fails, 3 when Audacity does
                                                 not answer within TIMEOUT s
  rhtool.py audacity-cfg CFG TEMPDIR             turns the scripting module on, puts
                                                 Audacity's temporary files into TEMPDIR and
                                                 forgets the projects of a killed run
"""
import base64
import errno
import math
import os
import re
import select
import shutil
import struct
import sys
import time

CHUNK_SIZE = 16376
CURRENT_OFFSET = 12
RECORDS_OFFSET = 32
RECORD_SIZE = 264
NAME_SIZE = 24


def write_wav_float(path, rate, frames):
    """frames: list of (left, right) floats."""
    data = b"".join(struct.pack("<ff", l, r) for l, r in frames)
    fmt = struct.pack("<HHIIHH", 3, 2, rate, rate * 8, 8, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def read_wav(path):
    """Returns (rate, channels as lists of floats). PCM 16/24/32 and float 32/64."""
    with open(path, "rb") as f:
        raw = f.read()
    if raw[:4] != b"RIFF" or raw[8:12] != b"WAVE":
        raise ValueError("%s: not a RIFF/WAVE file" % path)
    pos, fmt, data = 12, None, None
    while pos + 8 <= len(raw):
        cid, size = raw[pos:pos + 4], struct.unpack("<I", raw[pos + 4:pos + 8])[0]
        body = raw[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = struct.unpack("<HHIIHH", body[:16])
            if fmt[0] == 0xFFFE:  # extensible: the sub-format's first word
                fmt = (struct.unpack("<H", body[24:26])[0],) + fmt[1:]
        elif cid == b"data":
            data = body
        pos += 8 + size + (size & 1)
    if fmt is None or data is None:
        raise ValueError("%s: no fmt or data chunk" % path)
    tag, nch, rate, _, align, bits = fmt
    width = bits // 8
    n = len(data) // align
    chans = [[0.0] * n for _ in range(nch)]
    for i in range(n):
        for c in range(nch):
            o = i * align + c * width
            b = data[o:o + width]
            if tag == 3:
                v = struct.unpack("<f" if width == 4 else "<d", b)[0]
            elif width == 2:
                v = struct.unpack("<h", b)[0] / 32768.0
            elif width == 3:
                v = int.from_bytes(b, "little", signed=True) / 8388608.0
            else:
                v = struct.unpack("<i", b)[0] / 2147483648.0
            chans[c][i] = v
    return rate, chans


def cmd_impulse(out, rate, seconds, at):
    rate, n, k = int(rate), int(float(seconds) * int(rate)), round(float(at) * int(rate))
    frames = [(0.0, 0.0)] * n
    frames[k] = (1.0, 1.0)
    write_wav_float(out, rate, frames)
    print("IMPULSE %s rate=%d frames=%d at=%d" % (out, rate, n, k))


def cmd_add_region(session, wav):
    """Adds the WAV the way an import would leave it: file in the session's audio folder,
    one source per channel, a whole-file region and its copy on the track's playlist."""
    rate, chans = read_wav(wav)
    length = len(chans[0])
    sdir = os.path.dirname(os.path.abspath(session))
    name = os.path.splitext(os.path.basename(session))[0]
    adir = os.path.join(sdir, "interchange", name, "audiofiles")
    os.makedirs(adir, exist_ok=True)
    base = os.path.basename(wav)
    shutil.copy(wav, os.path.join(adir, base))
    xml = open(session).read()
    m = re.search(r'<Playlist id="\d+" name="Impulse" type="audio"[^>]*?/>', xml)
    if not m:
        raise SystemExit("add-region: no empty playlist named Impulse in %s" % session)
    ids = [900001 + i for i in range(len(chans))]
    src = "".join(
        '    <Source name="%s" type="audio" flags="" id="%d" captured-for="" channel="%d" '
        'origin="%s" gain="1"/>\n' % (base, ids[c], c, base) for c in range(len(chans)))
    region_attrs = (
        'name="impulse" muted="0" opaque="1" locked="0" video-locked="0" automatic="0" '
        'import="1" external="0" sync-marked="0" left-of-split="0" right-of-split="0" hidden="0" '
        'position-locked="0" valid-transients="0" start="0" length="%d" position="0" '
        'sync-position="0" ancestral-start="0" ancestral-length="0" stretch="1" shift="1" '
        'layering-index="0" envelope-active="0" default-fade-in="0" default-fade-out="0" '
        'fade-in-active="0" fade-out-active="0" scale-amplitude="1" type="audio" '
        'first-edit="nothing" channels="%d" %s' % (
            length, len(chans),
            " ".join('source-%d="%d" master-source-%d="%d"' % (c, ids[c], c, ids[c])
                     for c in range(len(chans)))))
    xml = xml.replace("<Sources/>", "<Sources>\n%s  </Sources>" % src, 1)
    xml = xml.replace("<Regions/>", '<Regions>\n    <Region %s whole-file="1" id="900101"/>\n'
                      "  </Regions>" % region_attrs, 1)
    xml = xml.replace(m.group(0), m.group(0)[:-2] + '>\n      <Region %s whole-file="0" '
                      'id="900102"/>\n    </Playlist>' % region_attrs, 1)
    xml = xml.replace("<Locations/>", '<Locations>\n    <Location id="900201" name="session" '
                      'start="0" end="%d" flags="IsSessionRange" locked="0" '
                      'timestamp="0"/>\n  </Locations>' % length, 1)
    xml = xml.replace('session-range-is-free="1"', 'session-range-is-free="0"', 1)
    open(session, "w").write(xml)
    print("REGION %s frames=%d rate=%d channels=%d" % (base, length, rate, len(chans)))


def chunk_of(xml):
    m = re.search(r"(<chunk[^>]*>)([A-Za-z0-9+/=\s]+)(</chunk>)", xml)
    if not m:
        raise SystemExit("no <chunk> in the session: Ardour saved no plug-in state")
    return m, bytearray(base64.b64decode(m.group(2)))


def record_name(chunk, k):
    o = RECORDS_OFFSET + RECORD_SIZE * k
    return chunk[o:o + NAME_SIZE].split(b"\0")[0].decode("latin-1")


def cmd_chunk(session, select=None):
    xml = open(session).read()
    m, chunk = chunk_of(xml)
    if len(chunk) != CHUNK_SIZE:
        raise SystemExit("chunk is %d bytes, expected %d" % (len(chunk), CHUNK_SIZE))
    if select is not None:
        struct.pack_into("<i", chunk, CURRENT_OFFSET, int(select))
        text = base64.b64encode(bytes(chunk)).decode()
        xml = xml[:m.start(2)] + text + xml[m.end(2):]
        open(session, "w").write(xml)
    cur = struct.unpack_from("<i", chunk, CURRENT_OFFSET)[0]
    print("CHUNK bytes=%d current=%d name=%s" % (len(chunk), cur, record_name(chunk, cur)))


def cmd_record(session, k):
    _, chunk = chunk_of(open(session).read())
    k = int(k)
    vals = struct.unpack_from("<60f", chunk, RECORDS_OFFSET + RECORD_SIZE * k + NAME_SIZE)
    print("RECORD %d name=%s" % (k, record_name(chunk, k)))
    for i, v in enumerate(vals):
        print("PARAM %d %.6f" % (i, v))


def cmd_peaks(wav, after, threshold):
    rate, chans = read_wav(wav)
    start, thr = int(round(float(after) * rate)), float(threshold)
    print("WAV rate=%d frames=%d channels=%d" % (rate, len(chans[0]), len(chans)))
    for c, x in enumerate(chans):
        first = next((i for i in range(start, len(x)) if abs(x[i]) > thr), -1)
        bad = sum(1 for v in x if math.isnan(v) or math.isinf(v))
        peak = max((abs(v) for v in x[start:]), default=0.0)
        peak_at = max(range(start, len(x)), key=lambda i: abs(x[i])) if len(x) > start else -1
        print("CH %d first=%d peak=%.6f peak_at=%d nonfinite=%d" % (c, first, peak, peak_at, bad))


class AudacityPipe:
    """The client end of mod-script-pipe: commands go to /tmp/audacity_script_pipe.to.UID,
    answers come from ...from.UID, each ending with "BatchCommand finished: ..." and an
    empty line. Nothing here blocks for longer than the timeout."""

    def __init__(self, timeout):
        uid = os.getuid()
        self.timeout = timeout
        deadline = time.monotonic() + timeout
        # Audacity waits in a blocking open for a writer of its input pipe, which a
        # non-blocking open for writing alone would never reach (no reader yet): opened for
        # reading and writing, the pipe has both at once.
        self.to = self._open("/tmp/audacity_script_pipe.to.%d" % uid, os.O_RDWR, deadline)
        self.fr = self._open("/tmp/audacity_script_pipe.from.%d" % uid, os.O_RDONLY, deadline)
        self.pending = b""

    @staticmethod
    def _open(path, mode, deadline):
        while True:
            try:
                return os.open(path, mode | os.O_NONBLOCK)
            except OSError as e:
                # No reader on the other end yet (ENXIO), or no pipe yet (ENOENT).
                if e.errno not in (errno.ENXIO, errno.ENOENT) or time.monotonic() > deadline:
                    raise TimeoutError("no Audacity on %s" % path)
                time.sleep(0.1)

    def command(self, text):
        data = (text + "\n").encode()
        while data:
            _, writable, _ = select.select([], [self.to], [], self.timeout)
            if not writable:
                raise TimeoutError("Audacity took no command: %s" % text)
            data = data[os.write(self.to, data):]
        lines, deadline = [], time.monotonic() + self.timeout
        while True:
            while b"\n" in self.pending:
                line, self.pending = self.pending.split(b"\n", 1)
                line = line.decode("utf-8", "replace")
                if line == "" and lines and lines[-1].startswith("BatchCommand finished"):
                    return lines
                lines.append(line)
            left = deadline - time.monotonic()
            readable = select.select([self.fr], [], [], max(left, 0))[0] if left > 0 else []
            if not readable:
                raise TimeoutError("no answer from Audacity to: %s" % text)
            chunk = os.read(self.fr, 65536)
            if not chunk:
                time.sleep(0.05)  # the writer has not opened its end yet
            self.pending += chunk


def cmd_audacity(timeout, *commands):
    try:
        pipe = AudacityPipe(float(timeout))
        for c in commands:
            lines = pipe.command(c)
            print(">> " + c)
            for line in lines:
                print(line)
            if lines[-1] != "BatchCommand finished: OK":
                return 1
    except TimeoutError as e:
        print("TIMEOUT " + str(e))
        return 3
    return 0


def cmd_audacity_cfg(cfg, tempdir):
    """audacity.cfg is an INI file without a header section."""
    text = open(cfg).read() if os.path.exists(cfg) else ""
    out, section, seen = [], "", set()
    wanted = {"Module": ("mod-script-pipe", "1"), "Directories": ("TempDir", tempdir)}
    for line in text.splitlines():
        m = re.match(r"\[(.*)\]$", line)
        if m:
            section = m.group(1)
            out.append(line)
            continue
        if section == "ActiveProjects":
            continue
        key = line.split("=", 1)[0]
        if section in wanted and key == wanted[section][0]:
            line = "%s=%s" % wanted[section]
            seen.add(section)
        out.append(line)
    for section, (key, value) in wanted.items():
        if section not in seen:
            out += ["[%s]" % section, "%s=%s" % (key, value)]
    open(cfg, "w").write("\n".join(out) + "\n")
    print("CFG %s: mod-script-pipe=1 TempDir=%s" % (cfg, tempdir))
    return 0


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    cmd, args = argv[1], argv[2:]
    if cmd == "impulse":
        cmd_impulse(*args)
    elif cmd == "add-region":
        cmd_add_region(*args)
    elif cmd == "chunk":
        sel = None
        if len(args) == 3 and args[1] == "--select":
            sel = args[2]
        cmd_chunk(args[0], sel)
    elif cmd == "record":
        cmd_record(*args)
    elif cmd == "peaks":
        cmd_peaks(*args)
    elif cmd == "audacity":
        return cmd_audacity(*args)
    elif cmd == "audacity-cfg":
        return cmd_audacity_cfg(*args)
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
