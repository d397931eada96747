#!/usr/bin/env python3
"""Generate the ICC monitor profiles Kestrava's tests use.

    python3 tools/make_profiles.py OUTDIR     write every profile and OUTDIR/profiles.txt
    python3 tools/make_profiles.py --list     print the file names, one a line

The output is byte-for-byte deterministic. Nothing binary is committed: every
test profile comes from here. The file names are a contract with the tests.

How Wine 8 treats these files, measured on the test bed (Xorg dummy driver,
XF86VidMode ramp of 256 entries) with every file in the prefix's colour
directory:

  Opening (OpenColorProfileA, PROFILE_FILENAME, read, share read, open
  existing). Every file opens except kv-empty, kv-truncated and kv-garbage:
  those return NULL with the last error set to 0 (a missing file gives 2).
  kv-printer and kv-valid.icc open too; opening ignores class and extension.

  Tags. IsColorProfileTagPresent reports 'vcgt' and 'TCPt' exactly where they
  were written, except kv-vcgt-past-end: its out-of-range vcgt entry is dropped
  and reported absent (TCPt is still there). GetColorProfileElement with no
  buffer returns FALSE and leaves the last error alone; for a present tag it
  stores the size from the tag table (786 for every 8-bit table, the five
  kv-bad* files of 786 bytes included; 1554 for kv-16bit, kv-16bit-dark and
  kv-badcount; 530 for kv-16bit-mono; 6162 for kv-1024; 48 for kv-formula and
  kv-formula22), for an absent one it leaves the size untouched. Reading the
  element gives back exactly the bytes written.

  Enumeration (EnumColorProfilesA, class 'mntr'). Lists by file name, not path,
  every kv-*.icm that opens and says 'mntr', kv-valid-upper.ICM included;
  not kv-empty, kv-truncated, kv-garbage (do not open), kv-printer (class),
  kv-valid.icc (extension). The fresh prefix's own sRGB profile is listed too.

  Ramps (SetDeviceGammaRamp on DISPLAY1, each vcgt byte v written as v<<8).
  The X11 driver accepts a ramp only if each channel looks like a plain gamma
  curve; see ramp_looks_plausible, whose verdict matched Wine on 137 curves.
    accepted: kv-valid, kv-mild, kv-mild-notcpt, kv-green16384, kv-green16383
    refused:  kv-all255   (flat: first entry equals the last, on every channel)
              kv-redblue0 (red and blue flat at zero)
  The 16-bit ramps the other forms decode to are accepted as they are:
  kv-16bit, kv-16bit-mono, kv-1024, kv-formula, kv-formula22; the server keeps
  their high bytes.
  Refusals return FALSE, leave the last error alone and leave the previous
  ramp in place. Other shapes Wine refuses: a last byte not above the first;
  a black offset (first byte not 0) on a curve of gamma 1 or more, even an
  offset of 1; an average gamma of 0.2 or less (gamma 0.22 passes); a step, an
  inverted curve, a top clipped from a quarter of the way. Steep curves up to
  gamma 20, a top clipped from half-way and black held at 0 up to entry 200
  pass. The ramp is 8 bits deep: compare high bytes when reading it back.
"""

import hashlib
import math
import os
import struct
import sys

# --- ICC writer -------------------------------------------------------------

HEADER_SIZE = 128
TAG_ENTRY_SIZE = 12

VERSION_2_1 = 0x02100000

# D50 as s15Fixed16, the PCS illuminant every ICC profile carries.
D50 = (0.9642, 1.0, 0.8249)

# sRGB primaries adapted to D50, as monitor profiles usually state them.
RED_XYZ = (0.4361, 0.2225, 0.0139)
GREEN_XYZ = (0.3851, 0.7169, 0.0971)
BLUE_XYZ = (0.1431, 0.0606, 0.7141)

VCGT_TABLE_SIZE = 786
GREEN_SUM_MINIMUM = 16384


def s15f16(value):
    return struct.pack(">i", int(round(value * 65536)))


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def text_tag(text):
    """'text' type: signature, reserved, NUL-terminated ASCII."""
    return b"text" + b"\0" * 4 + text.encode("ascii") + b"\0"


def desc_tag(text):
    """textDescriptionType: ASCII part, empty Unicode part, empty ScriptCode part."""
    ascii_part = text.encode("ascii") + b"\0"
    return (b"desc" + b"\0" * 4
            + struct.pack(">I", len(ascii_part)) + ascii_part
            + struct.pack(">II", 0, 0)          # Unicode language code, count
            + struct.pack(">HB", 0, 0)          # ScriptCode code, count
            + b"\0" * 67)


def xyz_tag(xyz):
    return b"XYZ " + b"\0" * 4 + b"".join(s15f16(v) for v in xyz)


def gamma_curve_tag(gamma):
    """curv with one entry: a plain gamma as u8Fixed8."""
    return b"curv" + b"\0" * 4 + struct.pack(">IH", 1, int(round(gamma * 256)))


def icc_profile(tags, profile_class=b"mntr", version=VERSION_2_1):
    """Build a whole profile from a list of (signature, tag data).

    Tag data start 4-byte aligned in the order given; the tag table records
    each tag's unpadded size. The header's size field is the file size."""
    table_end = HEADER_SIZE + 4 + TAG_ENTRY_SIZE * len(tags)
    offset = table_end + (-table_end % 4)
    entries = []
    body = b""
    for signature, data in tags:
        assert len(signature) == 4
        entries.append(struct.pack(">4sII", signature, offset, len(data)))
        body += pad4(data)
        offset += len(pad4(data))
    table = struct.pack(">I", len(tags)) + b"".join(entries)
    table = pad4(table)
    size = HEADER_SIZE + len(table) + len(body)

    header = b"".join([
        struct.pack(">I", size),
        b"\0" * 4,                              # preferred CMM: none
        struct.pack(">I", version),
        profile_class,
        b"RGB ",
        b"XYZ ",
        struct.pack(">6H", 2024, 1, 1, 0, 0, 0),  # fixed date: deterministic output
        b"acsp",
        b"MSFT",                                # primary platform
        struct.pack(">I", 0),                   # flags
        b"\0" * 4, b"\0" * 4,                   # device manufacturer, model
        b"\0" * 8,                              # device attributes
        struct.pack(">I", 0),                   # rendering intent: perceptual
        b"".join(s15f16(v) for v in D50),
        b"KSTV",                                # creator
    ])
    header += b"\0" * (HEADER_SIZE - len(header))
    assert len(header) == HEADER_SIZE and header[36:40] == b"acsp"
    return header + table + body


def monitor_tags(description, vcgt=None, tcpt=True):
    tags = [
        (b"desc", desc_tag(description)),
        (b"cprt", text_tag("No copyright, use freely. Kestrava test profile.")),
        (b"wtpt", xyz_tag(D50)),
        (b"rXYZ", xyz_tag(RED_XYZ)),
        (b"gXYZ", xyz_tag(GREEN_XYZ)),
        (b"bXYZ", xyz_tag(BLUE_XYZ)),
    ]
    curve = gamma_curve_tag(2.2)
    tags += [(b"rTRC", curve), (b"gTRC", curve), (b"bTRC", curve)]
    if tcpt:
        tags.append((b"TCPt", text_tag("Kestrava")))
    if vcgt is not None:
        tags.append((b"vcgt", vcgt))        # last, so kv-vcgt-past-end can cut into it
    return tags


def monitor_profile(description, vcgt=None, tcpt=True, **kwargs):
    return icc_profile(monitor_tags(description, vcgt, tcpt), **kwargs)


def tag_table(profile):
    """[(signature, offset, size)] read back from a profile's tag table."""
    (count,) = struct.unpack_from(">I", profile, HEADER_SIZE)
    return [struct.unpack_from(">4sII", profile, HEADER_SIZE + 4 + TAG_ENTRY_SIZE * i)
            for i in range(count)]


# --- vcgt -------------------------------------------------------------------

IDENTITY = list(range(256))


def vcgt_table(red, green, blue, signature=b"vcgt", gamma_type=0,
               channels=3, entries=256, entry_size=1, words=False):
    """The table form: 18-byte header, then red, green and blue entries.

    The header fields can be set wrong on purpose; they do not change the
    data, which are 256 bytes per channel, or 256 big-endian words if words."""
    header = signature + b"\0" * 4 + struct.pack(">IHHH", gamma_type, channels, entries, entry_size)
    if words:
        return header + b"".join(struct.pack(">256H", *c) for c in (red, green, blue))
    return header + bytes(red) + bytes(green) + bytes(blue)


def vcgt_words(channels, entries=None, entry_size=2):
    """A table of any shape: one list of values per channel, each entry_size bytes.

    entries, when given, is what the header announces instead of the true count."""
    count = len(channels[0])
    header = b"vcgt" + b"\0" * 4 + struct.pack(">IHHH", 0, len(channels),
                                              count if entries is None else entries, entry_size)
    pack = ">%d%s" % (count, "H" if entry_size == 2 else "B")
    return header + b"".join(struct.pack(pack, *c) for c in channels)


def vcgt_formula(per_channel):
    """The formula form: gamma, min, max per channel as s15Fixed16."""
    data = b"vcgt" + b"\0" * 4 + struct.pack(">I", 1)
    for gamma, lo, hi in per_channel:
        data += s15f16(gamma) + s15f16(lo) + s15f16(hi)
    return data


def gamma_bytes(gamma):
    return [int(round(255 * (i / 255) ** gamma)) for i in range(256)]


def gamma_words(gamma, count=256):
    return [int(math.floor(65535 * (k / (count - 1)) ** gamma + 0.5)) for k in range(count)]


def resampled(words):
    """The 256 entries the program makes of a table of any length: linear
    interpolation at i * (count - 1) / 255, rounded to the nearest."""
    last = len(words) - 1
    out = []
    for i in range(256):
        k, r = divmod(i * last, 255)
        out.append(words[k] if r == 0 else (words[k] * (255 - r) + words[k + 1] * r + 127) // 255)
    return out


def curve_with_sum(target):
    """A non-decreasing 0..255 gamma curve whose bytes sum to exactly target.

    Picks the gamma whose rounded curve comes closest, then nudges single
    entries by one where that keeps the curve non-decreasing."""
    lo, hi = 0.05, 20.0
    for _ in range(60):
        mid = (lo + hi) / 2
        if sum(gamma_bytes(mid)) > target:
            lo = mid
        else:
            hi = mid
    curve = gamma_bytes(hi)
    diff = target - sum(curve)
    i = 254
    while diff:
        if diff > 0 and curve[i] < curve[i + 1]:
            curve[i] += 1
            diff -= 1
        elif diff < 0 and curve[i] > curve[i - 1]:
            curve[i] -= 1
            diff += 1
        i = i - 1 if i > 1 else 254
    return curve


def ramp_looks_plausible(channel16):
    """Wine's X11 driver test of one 256-entry ramp channel, as measured.

    Returns False for ramps that SetDeviceGammaRamp refuses: flat or
    inverted, entries outside first..last, a large black-end offset, a
    gamma that varies too much along the curve, or an average gamma < 0.2.
    Used here only to keep the curves designed to pass on the right side."""
    first, last = channel16[0], channel16[255]
    if first >= last:
        return False
    span = last - first
    estimates = []
    lowest = highest = None
    for i in range(1, 255):
        v = channel16[i]
        if v < first or v > last:
            return False
        c = v - first
        if c == 0:
            continue
        lx = math.log(i / 255)
        g = math.log(c / span) / lx
        slack = 128 / (c * -lx)           # allowance for coarse entries
        lowest = g + slack if lowest is None else min(lowest, g + slack)
        highest = g - slack if highest is None else max(highest, g - slack)
        estimates.append(g)
    if not estimates:
        return False
    average = sum(estimates) / len(estimates)
    if first and first > (1 / 255) ** average * 65536:
        return False
    return highest - lowest <= 12.8 and average >= 0.2


def hardware_ramp(channel_bytes):
    return [v << 8 for v in channel_bytes]


MILD = (gamma_bytes(1.08), gamma_bytes(1.10), gamma_bytes(1.12))
GREEN_16384 = curve_with_sum(GREEN_SUM_MINIMUM)
GREEN_16383 = list(GREEN_16384)
# One step below the minimum: take one off the first entry that can lose it.
for _i in range(254, 0, -1):
    if GREEN_16383[_i] > GREEN_16383[_i - 1]:
        GREEN_16383[_i] -= 1
        break
del _i
# The same too-dark green as 16-bit words whose low bytes are all 0xFF: rounded
# instead of cut to their high bytes, they would sum to more than the minimum.
GREEN_16383_WORDS = [v << 8 | 0xFF for v in GREEN_16383]
MONO_WORDS = gamma_words(1.1)
WORDS_1024 = [gamma_words(g, 1024) for g in (1.08, 1.10, 1.12)]
FORMULA_22 = [(2.2, 0.0, 1.0)] * 3


# --- the profile set --------------------------------------------------------

def _garbage(size):
    out = b""
    block = b"kestrava garbage"
    while len(out) < size:
        block = hashlib.sha256(block).digest()
        out += block
    return out[:size]


def build_profiles():
    """[(file name, description, bytes)] in a fixed order."""
    identity = vcgt_table(IDENTITY, IDENTITY, IDENTITY)
    valid = monitor_profile("Kestrava valid", identity)
    out = []

    def add(name, description, data):
        out.append((name, description, data))

    add("kv-valid.icm", "identity 786-byte vcgt table, with TCPt", valid)
    add("kv-mild.icm",
        "vcgt gamma 1.08/1.10/1.12 (R/G/B): a non-identity ramp Wine accepts, with TCPt",
        monitor_profile("Kestrava mild", vcgt_table(*MILD)))
    add("kv-mild-notcpt.icm", "same vcgt as kv-mild, no TCPt",
        monitor_profile("Kestrava mild", vcgt_table(*MILD), tcpt=False))
    add("kv-all255.icm", "vcgt with every byte 255 (flat: Wine refuses the ramp)",
        monitor_profile("Kestrava all 255", vcgt_table([255] * 256, [255] * 256, [255] * 256)))
    add("kv-green16383.icm",
        "green bytes sum to 16383, one below the minimum; red/blue identity",
        monitor_profile("Kestrava green 16383", vcgt_table(IDENTITY, GREEN_16383, IDENTITY)))
    add("kv-green16384.icm",
        "green bytes sum to exactly 16384 (gamma ~3 curve Wine accepts); red/blue identity",
        monitor_profile("Kestrava green 16384", vcgt_table(IDENTITY, GREEN_16384, IDENTITY)))
    add("kv-redblue0.icm", "red and blue all zero, green identity (Wine refuses the ramp)",
        monitor_profile("Kestrava red blue 0", vcgt_table([0] * 256, IDENTITY, [0] * 256)))
    add("kv-16bit.icm", "vcgt table with 16-bit entries (1554 bytes), identity",
        monitor_profile("Kestrava 16 bit", vcgt_table(
            [i * 257 for i in range(256)], [i * 257 for i in range(256)],
            [i * 257 for i in range(256)], entry_size=2, words=True)))
    add("kv-formula.icm", "vcgt in formula form (48 bytes), gamma 1 from 0 to 1",
        monitor_profile("Kestrava formula", vcgt_formula([(1.0, 0.0, 1.0)] * 3)))

    identity_words = [i * 257 for i in range(256)]
    add("kv-16bit-dark.icm",
        "16-bit vcgt, green high bytes sum to 16383 (low bytes 0xFF); red/blue identity",
        monitor_profile("Kestrava 16 bit dark",
                        vcgt_words([identity_words, GREEN_16383_WORDS, identity_words])))
    add("kv-badcount.icm",
        "16-bit vcgt of 3 x 256 entries whose header announces 1024 (1554 bytes, not 6162)",
        monitor_profile("Kestrava bad count", vcgt_words([identity_words] * 3, entries=1024)))
    add("kv-16bit-mono.icm", "16-bit vcgt of one channel for all three (530 bytes), gamma 1.1",
        monitor_profile("Kestrava 16 bit mono", vcgt_words([MONO_WORDS])))
    add("kv-1024.icm", "16-bit vcgt of 3 x 1024 entries (6162 bytes), gamma 1.08/1.10/1.12",
        monitor_profile("Kestrava 1024", vcgt_words(WORDS_1024)))
    add("kv-formula22.icm", "vcgt in formula form, gamma 2.2 from 0 to 1",
        monitor_profile("Kestrava formula 2.2", vcgt_formula(FORMULA_22)))

    for name, what, fields in [
        ("kv-badsig.icm", "signature 'vcgx' inside the tag", dict(signature=b"vcgx")),
        ("kv-badtype.icm", "gamma type 1 (formula) on table data", dict(gamma_type=1)),
        ("kv-badchannels.icm", "channel count 1", dict(channels=1)),
        ("kv-badentries.icm", "entry count 255", dict(entries=255)),
        ("kv-badsize.icm", "entry size 2", dict(entry_size=2)),
    ]:
        tag = vcgt_table(IDENTITY, IDENTITY, IDENTITY, **fields)
        assert len(tag) == VCGT_TABLE_SIZE
        add(name, "786-byte vcgt, identity data, " + what,
            monitor_profile("Kestrava " + name[3:-4], tag))

    add("kv-novcgt.icm", "no vcgt, with TCPt", monitor_profile("Kestrava no vcgt"))
    add("kv-bare.icm", "neither vcgt nor TCPt",
        monitor_profile("Kestrava bare", tcpt=False))

    add("kv-empty.icm", "0 bytes", b"")
    cut = HEADER_SIZE + 4 + TAG_ENTRY_SIZE * (len(tag_table(valid)) // 2) + TAG_ENTRY_SIZE // 2
    add("kv-truncated.icm", "kv-valid cut in the middle of its tag table", valid[:cut])
    add("kv-garbage.icm", "4 KiB of deterministic pseudo-random bytes", _garbage(4096))

    # vcgt is the last tag: keep 400 of its 786 bytes and make the header
    # agree with the shorter file, so only the tag entry is wrong.
    vcgt_offset = tag_table(valid)[-1][1]
    short = bytearray(valid[:vcgt_offset + 400])
    struct.pack_into(">I", short, 0, len(short))
    add("kv-vcgt-past-end.icm", "tag table puts a 786-byte vcgt past the end of the file",
        bytes(short))

    add("kv-printer.icm", "class 'prtr' (not a monitor profile) with identity vcgt",
        icc_profile(monitor_tags("Kestrava printer", identity), profile_class=b"prtr"))
    add("kv-valid-upper.ICM", "copy of kv-valid, upper-case extension", valid)
    add("kv-valid.icc", "copy of kv-valid, .icc extension", valid)
    return out


def profile_names():
    return [name for name, _, _ in build_profiles()]


def write_profiles(outdir):
    os.makedirs(outdir, exist_ok=True)
    profiles = build_profiles()
    for name, _, data in profiles:
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)
    width = max(len(name) for name, _, _ in profiles)
    with open(os.path.join(outdir, "profiles.txt"), "w", newline="\n") as f:
        for name, description, _ in profiles:
            f.write("%-*s  %s\n" % (width, name, description))


def _self_check():
    """Cheap guards on the curves whose purpose is to sit on one side of a line."""
    assert sum(GREEN_16384) == GREEN_SUM_MINIMUM
    assert sum(GREEN_16383) == GREEN_SUM_MINIMUM - 1
    for curve in (GREEN_16384, GREEN_16383) + MILD:
        assert all(a <= b for a, b in zip(curve, curve[1:])) and curve[0] == 0 and curve[255] == 255
        assert ramp_looks_plausible(hardware_ramp(curve))
    assert len(set(map(tuple, MILD))) == 3
    assert sum(v >> 8 for v in GREEN_16383_WORDS) == GREEN_SUM_MINIMUM - 1
    assert sum((v + 128) >> 8 for v in GREEN_16383_WORDS) >= GREEN_SUM_MINIMUM
    # The 16-bit tables and the formula that load must be ramps Wine takes.
    formula = [int(math.floor(65535 * (i / 255) ** 2.2 + 0.5)) for i in range(256)]
    for ramp in [MONO_WORDS, formula] + [resampled(w) for w in WORDS_1024]:
        assert len(ramp) == 256 and ramp_looks_plausible(ramp)
        assert sum(v >> 8 for v in ramp) >= GREEN_SUM_MINIMUM


def main(argv):
    if len(argv) == 2 and argv[1] == "--list":
        print("\n".join(profile_names()))
        return 0
    if len(argv) != 2 or argv[1].startswith("-"):
        sys.stderr.write("usage: make_profiles.py OUTDIR | --list\n")
        return 2
    _self_check()
    write_profiles(argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
