#!/usr/bin/env python3
"""What an orientation edit keeps, measured with the peer's eyes.

For every well-formed sample JPEG, PSD and TIFF with EXIF (hostile proof-of-concept and
crash files aside) a copy gets a new orientation through `fotarium-cli set`; then
  - every tag `exiv2 -pv` lists must be as before, except the orientation itself, the
    offsets that follow the new layout and the size of a rewritten XMP packet,
  - the picture data must be byte for byte the same (JPEG: from SOS on; PSD: everything
    after the resources; TIFF: the strips or tiles of every directory),
  - the thumbnail must be the same (`exiv2 -pp`: kind, size and byte count).

    tests/corpus/orientation_fidelity.py --cli build/h1/cli/fotarium-cli [--corpus DIR] [-v]
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

HOSTILE = re.compile(r"poc|crash|cve_|reproducer|corrupted|fuzz|oob", re.IGNORECASE)
EXTENSIONS = (".jpg", ".jpeg", ".psd", ".tif", ".tiff")
# Values that follow the layout of the new block, and the orientation that was edited.
MOVING = {
    ("Image", "Orientation"),
    ("Image", "ExifTag"),
    ("Image", "GPSTag"),
    ("Photo", "InteroperabilityTag"),
    ("Thumbnail", "JPEGInterchangeFormat"),
    ("Thumbnail", "StripOffsets"),
    ("Image", "StripOffsets"),
    ("Image", "TileOffsets"),
    ("Image", "SubIFDs"),
}
# The strips and tiles of sub-images (SubImage1, SubImage2, ...) follow the layout too.
MOVING_IN_SUB_IMAGES = {"StripOffsets", "TileOffsets"}


def moving(group_name):
    return group_name in MOVING or (group_name[0].startswith("SubImage") and group_name[1] in MOVING_IN_SUB_IMAGES)


# What a file of each extension must start with to be that kind of file at all: a metadata
# sidecar or a video that only carries the extension is no picture to edit.
SIGNATURES = {".jpg": (b"\xff\xd8",), ".jpeg": (b"\xff\xd8",), ".psd": (b"8BPS",), ".tif": (b"II*\0", b"MM\0*"),
              ".tiff": (b"II*\0", b"MM\0*")}


def is_picture_file(path):
    with open(path, "rb") as f:
        head = f.read(4)
    return head.startswith(SIGNATURES[os.path.splitext(path)[1].lower()])
PACKET = ("Image", "XMLPacket")  # its size may change when the packet is rewritten
# The JPEG saver sets the pixel size to the frame's on purpose; counted apart.
FRAME_SIZE = {"changed Photo.PixelXDimension", "changed Photo.PixelYDimension"}


def run(args):
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    return result.returncode, result.stdout.decode("utf-8", "replace")


def exif_listing(path):
    code, text = run(["exiv2", "-q", "-pv", path])
    return code, parse_listing(text)


OUT_OF_BOUNDS = re.compile(r"Offset of directory (\w+), entry (0x[0-9a-f]{4}) is out of bounds")


def unlocatable_entries(path):
    """(group, tag) of the entries whose data the peer finds outside the block."""
    result = subprocess.run(["exiv2", "-pv", path], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
    return set(OUT_OF_BOUNDS.findall(result.stderr.decode("utf-8", "replace")))


def offset_schema(path):
    try:
        _, text = run(["exiftool", "-s3", "-OffsetSchema", path])
    except FileNotFoundError:
        return None
    text = text.strip()
    return int(text) if re.fullmatch(r"-?\d+", text) else 0


def parse_listing(text):
    entries = {}
    for line in text.splitlines():
        fields = line.split(None, 5)
        if len(fields) < 5 or not fields[0].startswith("0x"):
            continue
        key = (fields[1], fields[2], fields[0])
        value = (fields[3], fields[4], fields[5] if len(fields) > 5 else "")
        # A repeated tag keeps every occurrence.
        while key in entries:
            key = key + ("+",)
        entries[key] = value
    return entries


def thumbnails(path):
    _, text = run(["exiv2", "-q", "-pp", path])
    return [line for line in text.splitlines() if line.startswith("Preview")]


def jpeg_picture(data):
    pos = 2
    while pos + 4 <= len(data):
        if data[pos] != 0xFF:
            return None
        marker = data[pos + 1]
        if marker == 0xFF:
            pos += 1
            continue
        if marker == 0xDA:
            return data[pos:]
        if marker == 0xD9:
            return None
        if marker == 0x01 or 0xD0 <= marker <= 0xD7:
            pos += 2
            continue
        pos += 2 + struct.unpack(">H", data[pos + 2 : pos + 4])[0]
    return None


def psd_picture(data):
    pos = 26
    for _ in range(2):  # colour mode data, image resources
        if pos + 4 > len(data):
            return None
        pos += 4 + struct.unpack(">I", data[pos : pos + 4])[0]
    return data[pos:]


def tiff_picture(data):
    order = "<" if data[:2] == b"II" else ">"
    pieces = []
    offset = struct.unpack(order + "I", data[4:8])[0]
    seen = set()
    sizes = {1: 1, 2: 1, 3: 2, 4: 4, 6: 1, 7: 1, 8: 2, 9: 4, 16: 8}
    while offset and offset not in seen and offset + 2 <= len(data):
        seen.add(offset)
        count = struct.unpack(order + "H", data[offset : offset + 2])[0]
        tags = {}
        for i in range(count):
            at = offset + 2 + 12 * i
            if at + 12 > len(data):
                break
            tag, kind, n = struct.unpack(order + "HHI", data[at : at + 8])
            size = sizes.get(kind, 0)
            if size not in (2, 4):
                continue
            where = at + 8 if size * n <= 4 else struct.unpack(order + "I", data[at + 8 : at + 12])[0]
            raw = data[where : where + size * n]
            tags[tag] = list(struct.unpack(order + ("H" if size == 2 else "I") * (len(raw) // size), raw))
        offsets = tags.get(0x0111) or tags.get(0x0144) or []
        counts = tags.get(0x0117) or tags.get(0x0145) or []
        pieces.append(b"".join(data[o : o + c] for o, c in zip(offsets, counts)))
        at = offset + 2 + 12 * count
        offset = struct.unpack(order + "I", data[at : at + 4])[0] if at + 4 <= len(data) else 0
    return pieces


def picture(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] == b"\xff\xd8":
        return jpeg_picture(data)
    if data[:4] == b"8BPS":
        return psd_picture(data)
    return tiff_picture(data)


# A thumbnail pointer pair whose data is not in the block is dropped on purpose (the rest
# of IFD1 stays); it counts as lost only when the peer then sees a thumbnail less.
POINTER_PAIRS = {("Thumbnail", "JPEGInterchangeFormatLength"), ("Thumbnail", "StripByteCounts")}


MAKER_NOTE_OFFSET = ("MakerNote", "Offset")


def compare(before, after, same_thumbnails, unlocatable, note_went_home):
    problems = []
    dropped = []
    for key, value in before.items():
        group_name = (key[0], key[1])
        if moving(group_name) or (same_thumbnails and group_name in POINTER_PAIRS and key not in after):
            continue
        if key not in after and (key[0], key[2]) in unlocatable:
            dropped.append("%s.%s" % group_name)
            continue
        if group_name == MAKER_NOTE_OFFSET and key in after and note_went_home(int(value[2]), int(after[key][2])):
            continue
        if key not in after:
            problems.append("lost %s.%s" % group_name)
        elif after[key] != value and not (group_name == PACKET and after[key][0] == value[0]):
            problems.append("changed %s.%s" % group_name)
    for key in after:
        if key not in before and not moving((key[0], key[1])):
            problems.append("added %s.%s" % (key[0], key[1]))
    return problems, dropped


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--corpus", default=os.path.join(os.path.dirname(__file__), "../../../shared/corpus"))
    parser.add_argument("-v", "--verbose", action="store_true")
    options = parser.parse_args()

    files = []
    for folder, _, names in os.walk(options.corpus):
        for name in sorted(names):
            if name.lower().endswith(EXTENSIONS) and not HOSTILE.search(name):
                files.append(os.path.join(folder, name))
    files.sort()

    counts = {"considered": 0, "kept": 0, "kept but frame size": 0, "save failed": 0, "tags": 0, "picture": 0, "thumbnail": 0,
              "unlocatable": 0}
    per_kind = {}
    not_pictures = []
    scratch = tempfile.mkdtemp(prefix="fotarium-fidelity-")
    try:
        for path in files:
            code, before = exif_listing(path)
            if code != 0 or not before:
                continue  # not well formed for the peer, or without EXIF
            if not is_picture_file(path):
                not_pictures.append(os.path.relpath(path, options.corpus))
                continue
            kind = os.path.splitext(path)[1].lower().lstrip(".").replace("jpeg", "jpg").replace("tiff", "tif")
            stats = per_kind.setdefault(kind, [0, 0, 0])
            stats[0] += 1
            counts["considered"] += 1
            copy = os.path.join(scratch, "copy" + os.path.splitext(path)[1])
            shutil.copyfile(path, copy)
            current = next((v[2] for k, v in before.items() if (k[0], k[1]) == ("Image", "Orientation")), "")
            orientation = "3" if current.strip() == "6" else "6"
            saved, _ = run([options.cli, "set", "--orientation", orientation, copy])
            problems = []
            if saved != 0:
                problems.append("save failed")
                counts["save failed"] += 1
            else:
                _, after = exif_listing(copy)
                same_thumbnails = thumbnails(path) == thumbnails(copy)

                def note_went_home(old, new, source=path, saved=copy):
                    schema = offset_schema(source)
                    return bool(schema) and old - new == schema and offset_schema(saved) == 0

                tag_problems, dropped = compare(before, after, same_thumbnails, unlocatable_entries(path), note_went_home)
                if dropped:
                    counts["unlocatable"] += 1
                    print("%s: dropped with a load error, data outside the block: %s"
                          % (os.path.relpath(path, options.corpus), ", ".join(sorted(set(dropped)))))
                if tag_problems:
                    counts["tags"] += 1
                    problems += tag_problems
                if picture(path) != picture(copy):
                    counts["picture"] += 1
                    problems.append("picture data differs")
                if not same_thumbnails:
                    counts["thumbnail"] += 1
                    problems.append("thumbnail differs")
            if problems:
                print("%s: %s" % (os.path.relpath(path, options.corpus), ", ".join(sorted(set(problems)))))
            if not problems:
                counts["kept"] += 1
                stats[1] += 1
            if not set(problems) - FRAME_SIZE:
                counts["kept but frame size"] += 1
                stats[2] += 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    print("considered %d, everything kept %d (%.1f%%); save failed %d, tags differ %d, picture differs %d, "
          "thumbnail differs %d" % (counts["considered"], counts["kept"], 100.0 * counts["kept"] / max(counts["considered"], 1),
                                    counts["save failed"], counts["tags"], counts["picture"], counts["thumbnail"]))
    print("everything kept but the pixel size the JPEG saver takes from the frame: %d (%.1f%%)"
          % (counts["kept but frame size"], 100.0 * counts["kept but frame size"] / max(counts["considered"], 1)))
    print("files with entries whose data lies outside the block (dropped, reported as load errors): %d"
          % counts["unlocatable"])
    if not_pictures:
        print("left out, the extension names a kind the content is not: %s" % ", ".join(not_pictures))
    for kind, (considered, kept, nearly) in sorted(per_kind.items()):
        print("  %s: %d of %d kept (%d but the frame size)" % (kind, kept, considered, nearly))
    return 0


if __name__ == "__main__":
    sys.exit(main())
