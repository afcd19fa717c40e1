#!/usr/bin/env python3
"""Writes golden.qzr, golden.ini and golden.xyz for the conversion tests.

This is a second, independent encoder of the record layout and of the point
arithmetic, written from the file description rather than from the program's
code, so that the program's reader, profile pass and export are checked
against something they did not produce. Run it from this folder; the outputs
are committed and reviewed by hand.

The file holds five records and two stray bytes:
  1. no orientation, format 0 at 2 m, Aft / zero Up: plain distances, a point
     exactly at the minimum distance (dropped) and one just beyond it;
  2. orientation with roll 10 (valid) and distance 12.345, format 1 at 1 m,
     Fwd / zero Down, 1480 m/s, hundredths ". 5";
  3. an invalid return header: skipped, nothing written;
  4. no orientation, a date whose terminator was overwritten, format 0 at
     0.5 m: keeps the orientation of record 2 (roll and distance);
  5. orientation with roll invalid and distance -1.25, format 2 at 0.75 m,
     pulse length 5.
"""

import math
import struct

PI = 3.1415926
SETTINGS = {"RollCorrection": 1, "PPMinRange": 0.05}


def f32(v):
    return struct.unpack("<f", struct.pack("<f", v))[0]


def be16(v):
    return struct.pack(">H", v & 0xFFFF)


def record(date, time, hundredths, date19=0, ext=None, modes=0, fmt_bits=0, zero_down=0,
           pulse=1, sv=1500.0, ret=b"QSZ", head_status=0, range_code=20, samples=None):
    h = bytearray(100)
    h[0:3] = b"QZR"
    h[3] = 4
    h[4:6] = be16(1152 if ext else 1024)
    h[6:8] = be16(813)
    h[8:8 + len(date)] = date
    h[19] = date19
    h[20:20 + len(time)] = time
    h[29:29 + len(hundredths)] = hundredths
    h[34] = 1 if ext else 0
    h[37] = modes
    h[38] = 6
    h[39] = 120
    h[40] = 0
    h[41] = range_code
    h[42] = 170
    h[43] = (zero_down << 6) | (fmt_bits << 3) | 1
    h[44] = pulse
    h[46:48] = be16(0x8000 | int(sv * 10))
    h[80:82] = be16(2250)
    h[82:84] = be16(100)
    ret_header = bytearray(12)
    ret_header[0:3] = ret
    ret_header[3] = 0x10
    ret_header[4] = head_status
    ret_header[5] = 0x05
    ret_header[6] = 0x00
    ret_header[7] = range_code
    ret_header[8] = 0x20
    ret_header[9] = 0x06
    echo = bytearray(800)
    for i, v in (samples or {}).items():
        if isinstance(v, tuple):
            echo[2 * i], echo[2 * i + 1] = v
        else:
            echo[2 * i] = v & 0x7F
            echo[2 * i + 1] = v >> 7
    body = bytes(h) + bytes(ret_header) + bytes(echo) + b"\xfc" + bytes(111)
    if ext:
        e = bytearray(128)
        e[74] = ext["flags"]
        e[75:79] = struct.pack("<f", ext["pitch"])
        e[79:83] = struct.pack("<f", ext["roll"])
        e[83:87] = struct.pack("<f", ext["distance"])
        body += bytes(e)
    return body


RANGE_METRES = {4: 0.25, 6: 0.5, 8: 0.75, 10: 1.0, 20: 2.0, 30: 3.0, 40: 4.0, 50: 5.0, 60: 6.0}
FORMAT1 = {2: (0.0005, 0.00025), 4: (0.001, 0.0005), 6: (0.002, 0.001), 10: (0.002, 0.002),
           20: (0.002, 0.004), 30: (0.002, 0.006), 40: (0.002, 0.008), 50: (0.002, 0.01),
           60: (0.002, 0.012)}


def distance(v, fmt, code, sv, pulse):
    rng = RANGE_METRES[code]
    if fmt in (2, 3):
        p = pulse * 10.0
        if code == 4:
            o, l = 1.3333333e-6, (p + 42.3 - 6.66 - 7) * 1e-6
        elif code == 8:
            o, l = 4e-6, (p + 35.26 - 20 - 7) * 1e-6
        else:
            o, l = 2.66666e-6, (p + 33.93 - 13.33 - 7) * 1e-6
        return (v * o + l) * 750 * sv / 1500 * 500 / rng
    if fmt == 1:
        o, m = FORMAT1.get(code, (0.003, 0.0015))
        return v * o / m * sv / 1500
    return float(v)


def xyz_lines(state, fmt, code, sv, pulse, forward, zero_down, samples):
    rng = RANGE_METRES[code]
    theta = 0.0 if zero_down else 180.0
    if SETTINGS["RollCorrection"] and state["roll_valid"]:
        theta += state["roll"]
    bmin = int(SETTINGS["PPMinRange"] * 500 / rng)
    stamp = state["date"] + "\t" + state["time"] + state["ms"]
    out = []
    for i in range(400):
        v = samples.get(i, 0)
        if isinstance(v, tuple):
            v = v[1] * 128 + (v[0] & 0x7F)
        if v:
            d = distance(v, fmt, code, sv, pulse)
            if d > bmin:
                a = theta - 90
                if a < 0:
                    a += 360
                if a >= 360:
                    a -= 360
                g = a * PI / 180
                r = f32(rng * d / 500)
                x = f32(r * math.cos(g))
                y = f32(-(r * math.sin(g)))
                z = f32(state["distance"])
                out.append("%s\t% 7.3f\t% 7.3f\t% 7.3f\r\n" % (stamp, x, y, z))
        theta = theta + 0.9 if forward else theta - 0.9
    out.append("\r\n")
    return out


def main():
    data = b""
    text = []
    state = {"roll": 0.0, "roll_valid": 0, "distance": 0.0}

    s1 = {0: 250, 10: 12, 20: 13, 100: 400, 150: (0xFF, 0x01), 200: 300, 399: 77}
    data += record(b"08-DEC-2026", b"14:03:07", b".45", range_code=20, samples=s1)
    state.update(date="08-DEC-2026", time="14:03:07", ms=".450")
    text += xyz_lines(state, 0, 20, 1500.0, 1, False, 0, s1)

    s2 = {0: 200, 1: 20, 50: 300, 100: 150, 399: 180}
    ext2 = {"flags": 7, "pitch": 1.5, "roll": 10.0, "distance": 12.345}
    data += record(b"08-DEC-2026", b"14:03:08", b". 5", ext=ext2, modes=0x40, zero_down=1,
                   sv=1480.0, head_status=0x01, range_code=10, samples=s2)
    state.update(time="14:03:08", ms=".050", roll=f32(10.0), roll_valid=1, distance=12.345)
    text += xyz_lines(state, 1, 10, 1480.0, 1, True, 1, s2)

    data += record(b"08-DEC-2026", b"14:03:09", b".10", ret=b"XYZ", samples={0: 100})

    s4 = {5: 100, 200: 350}
    data += record(b"08-DEC-2026", b"14:03:10", b".99", date19=ord("X"), range_code=6,
                   samples=s4)
    # Bytes 8..19 read "08-DEC-2026X": the year is rebuilt from "20" and "26X".
    state.update(date="08-DEC-2026", time="14:03:10", ms=".990")
    text += xyz_lines(state, 0, 6, 1500.0, 1, False, 0, s4)

    s5 = {0: 100, 100: 120, 300: 90}
    ext5 = {"flags": 4, "pitch": 0.0, "roll": 45.0, "distance": -1.25}
    data += record(b"09-DEC-2026", b"00:00:01", b".00", ext=ext5, fmt_bits=2, pulse=5,
                   head_status=0x02, range_code=8, samples=s5)
    state.update(date="09-DEC-2026", time="00:00:01", ms=".000", roll=45.0, roll_valid=0,
                 distance=-1.25)
    text += xyz_lines(state, 2, 8, 1500.0, 5, False, 0, s5)

    data += b"\x00\x00"
    with open("golden.qzr", "wb") as f:
        f.write(data)
    with open("golden.xyz", "w", newline="") as f:
        f.write("".join(text))
    with open("golden.ini", "w", newline="") as f:
        f.write("[System Settings]\r\n")
        for key, value in SETTINGS.items():
            f.write("%s=%s\r\n" % (key, value))


if __name__ == "__main__":
    main()
