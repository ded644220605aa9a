#!/usr/bin/env python3
# Writes the seed corpus of fuzz_trip (fuzz/corpus/trip/): small cards of a few recordings with
# their drive-data files, in the target's input format (one length byte and the name, two length
# bytes little-endian and the drive-data file, per clip; then the byte that picks the clip).
import os
import struct

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "trip")


def drive_data(fixes, sensors=2, leftover=0):
    sens = b"".join(struct.pack("<5i", 0, 100 * i, -50 * i, 3, 0) for i in range(sensors))
    sens += b"\0" * leftover
    gps = b"".join(struct.pack("<4iI", 0, fix, lat, lon, speed) for fix, lat, lon, speed in fixes)
    return b"SENS" + struct.pack("<I", len(sens)) + sens + b"GPSI" + struct.pack("<I", len(gps)) + gps


def drive(seconds, lat=37301234, lon=127015000, speed=20, gap_at=None):
    return [(0 if s == gap_at else 1, lat + 10 * s, lon + 12 * s, speed) for s in range(seconds)]


def card(name, clips, pick=0):
    out = b""
    for clip_name, data in clips:
        raw = clip_name.encode("utf-8") if isinstance(clip_name, str) else clip_name
        out += bytes([len(raw)]) + raw + struct.pack("<H", len(data)) + data
    out += bytes([pick])
    with open(os.path.join(here, name), "wb") as f:
        f.write(out)


os.makedirs(here, exist_ok=True)
card("one_drive", [
    ("rec_20250523_081200.avi", drive_data(drive(5))),
    ("rec_20250523_081205.avi", drive_data(drive(5, gap_at=2))),
    ("evt_20250523_081203.avi", drive_data(drive(4, speed=40))),
], pick=2)
card("two_trips_and_unreadable", [
    ("rec_20250523_081200.avi", drive_data(drive(3))),
    ("pmr_20250523_090000.avi", b"RIFF"),
    ("rec_20250523_081400.avi", drive_data(drive(3, lat=-3730123, lon=-12701500))),
], pick=1)
card("odd_names", [
    ("rec_2025.avi", drive_data(drive(2))),
    (b"rec_20250523_08\xe912.AVI", drive_data(drive(2))),
    ("other.txt", b""),
    ("evt_20251332_256199.avi", drive_data(drive(2))),
], pick=3)
card("impossible_fixes", [
    ("rec_20250523_081200.avi", drive_data([(1, 0, 0, 0), (1, 95000000, 0, 1), (1, 1000, 1000, 200),
                                            (5, -2147483648, 2147483647, 4294967295)], leftover=7)),
], pick=0)
