#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/.

Seeds are built from the golden data file and settings file of tests/data,
plus one input per fault the fuzzers have found, each named after the fault.
Run it from anywhere; the outputs are committed. libFuzzer adds what it finds
to a scratch folder given first on its command line, never to these.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data")

RECORD = 1024
EXTENSION = 128
PITCH, ROLL, DISTANCE, FLAGS = 1024 + 75, 1024 + 79, 1024 + 83, 1024 + 74


def read(name):
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def patched(record, **fields):
    """A copy of a record with bytes put at offsets (offset=bytes)."""
    r = bytearray(record)
    for offset, value in fields.items():
        at = int(offset[1:])
        r[at:at + len(value)] = value
    return bytes(r)


def with_orientation_value(record, offset, value):
    r = bytearray(record)
    r[FLAGS] = 7
    r[offset:offset + 4] = struct.pack("<f", value)
    return bytes(r)


golden = read("golden.qzr")
plain = golden[:RECORD]  # the first record: no orientation extension
oriented = golden[RECORD:RECORD + RECORD + EXTENSION]  # the second: with it
golden_ini = read("golden.ini")

# ---- the record reader over a whole file
write("record_file", "golden", golden)
write("record_file", "range-code-fd", patched(plain, b41=b"\xfd") * 2)
write("record_file", "format-bits-and-fe", patched(plain, b38=b"\xfe", b43=b"\x05") + plain)
write("record_file", "nan-distance", with_orientation_value(oriented, DISTANCE, math.nan))
write("record_file", "inf-pitch", with_orientation_value(oriented, PITCH, math.inf))
write("record_file", "minus-inf-roll", with_orientation_value(oriented, ROLL, -math.inf))
write("record_file", "time-line-break", patched(plain, b20=b"1\n\0\0\0\0\0\0") + oriented)
write("record_file", "tab-in-date", patched(plain, b8=b"08\tDEC\r2026"))

# ---- the orientation sentences: a type byte, then reads split at 0xFF
crawler = b"xxxxxx+12.3xxxxx-123.4xxxxx+1234.56xxxxx"
write("orientation", "crawler", b"\x00" + crawler + b"\xff" + crawler.replace(b"+12.3", b" 12.3"))
write("orientation", "cable-dollar", b"\x01$ 12.5,meter\r\n\xff$ 1.0,meter\r\n$ 2.25,meter\r\n$ 3.")
write("orientation", "cable-dollar-1e39", b"\x01$ 1" + b"0" * 39 + b",meter\r\n")
write("orientation", "cable-hash", b"\x02,#CABLE, 1234.5, \r\n")
write("orientation", "cable-hash-after-noise", b"\x02BC,#CABLE, 1234.5, \r\n")
write("orientation", "cable-hash-1e42-mm", b"\x02,#CABLE, 1" + b"0" * 42 + b", \r\n")
write("orientation", "reach", b"\x03R\x41\x20\x00\x00\xffxRy\xc0\x48\x00\x00")
write("orientation", "reach-nan", b"\x03R\x7f\xc0\x00\x01")

# ---- the settings file: a byte for the head's status and automatic frequency, then the text
write("settings", "golden", b"\x01" + golden_ini)
write("settings", "ppminrange-0.168", b"\x01[System Settings]\r\nPPMinRange=0.168\r\n")
write("settings", "range-0.999", b"\x00[Sonar Settings]\r\nRange=0.999\r\n")
write("settings", "reals-with-more-decimals",
      b"\x04[System Settings]\r\nSpeed of Sound=1485.56\r\nZoom=1.754\r\n"
      b"CircleDiameter=0.4449\r\n[Sonar Settings]\r\nRange=5.996\r\n")
write("settings", "every-head-key",
      b"\x05[System Settings]\r\nSonar Type=1\r\nIP Address=127.0.0.1\r\nPPMinRange=0.30\r\n"
      b"[Sonar Settings]\r\nRange=0.25\r\nRange Index=0\r\nGain=253\r\nTrain Polar=253\r\n"
      b"Train Sector=254\r\nTrain SS=255\r\nSectorWidth Polar=253\r\nSectorWidth Sector=61\r\n"
      b"Step Size=5\r\nSector Mode=0\r\nAbsorption=253\r\nFrequency=253\r\n")

# A Type Q head at 5 m with no speed: the saved "Fast" went out past the 5 m limit.
write("settings", "step-size-0-at-5m-type-q",
      b"\x01[System Settings]\r\nSonar Type=1\r\n"
      b"[Sonar Settings]\r\nRange=5.00\r\nStep Size=0\r\nSector Mode=0\r\n")

# ---- a played file, then a connect: two bytes of file length, the file, the settings
def played_then_connect(records, settings):
    return struct.pack(">H", len(records)) + records + settings


ethernet = b"[System Settings]\r\nSonar Type=1\r\nIP Address=127.0.0.1\r\n"
serial = b"[System Settings]\r\nSonar Type=0\r\nSonarComPort=7\r\n"
write("playback_connect", "range-code-fd-ethernet",
      played_then_connect(patched(plain, b41=b"\xfd"), ethernet))
write("playback_connect", "range-code-fd-serial",
      played_then_connect(patched(plain, b41=b"\xfd", b43=b"\x05"), serial))
write("playback_connect", "golden-ethernet", played_then_connect(golden, ethernet + golden_ini))
write("playback_connect", "frequency-fd-no-settings",
      played_then_connect(patched(plain, b80=struct.pack(">H", 675 + 5 * 153)), b""))

# ---- a received return block: the head's replies as the golden file holds them
BLOCK_AT = 100  # the return header's place in a record
long_block = plain[BLOCK_AT:BLOCK_AT + 813]
second_block = golden[3300:3300 + 813]
write("return_block", "golden-long", long_block)
write("return_block", "golden-other", second_block)
write("return_block", "header-only", long_block[:12])
write("return_block", "cut-short", long_block[:40])
write("return_block", "medium-letters", b"QMZ" + long_block[3:513])
write("return_block", "short-lower-case", b"qgz" + long_block[3:265])

# ---- the TCP block assembler: four bytes seed the segment sizes, then the stream
seed = struct.pack("<I", 0x9E3779B9)
write("block_assembler", "two-blocks", seed + long_block + second_block)
write("block_assembler", "garbage-then-block", struct.pack("<I", 7) + b"\x00xyQ" * 50 + long_block)
write("block_assembler", "letters-at-the-end", struct.pack("<I", 12345) + b"\x01" * 810 + b"QSZ" +
      long_block)
write("block_assembler", "short-block-then-long", seed + b"QMZ" + long_block[3:265] + long_block)

# ---- the XYZ conversion of a whole file: a byte of display settings, then the file
write("xyz_file", "golden", b"\x00" + golden)
write("xyz_file", "golden-rolled-min-range", b"\x15" + golden)
write("xyz_file", "cut-in-a-record", b"\x01" + golden[:1500])
write("xyz_file", "range-code-fd", b"\x00" + patched(plain, b41=b"\xfd") * 2)

# ---- the command lines: a byte picks the program, NUL bytes separate the arguments
def command_line(program, *args):
    return bytes([program]) + b"\0".join(a.encode() for a in args)


write("command_lines", "record", command_line(0, "--settings", "/tmp/S.INI", "--count", "100",
                                              "--seconds", "2.5", "--ip", "127.0.0.1", "--port",
                                              "4041", "--type", "q", "-o", "out.qzr"))
write("command_lines", "record-bad-count", command_line(0, "--count", "0x10", "out.qzr"))
write("command_lines", "convert", command_line(1, "-q", "--settings=/tmp/S.INI", "-o", "a.xyz",
                                               "a.qzr"))
write("command_lines", "convert-geometry", command_line(1, "--geometry", "g.csv", "--", "-a.qzr"))
write("command_lines", "headsim", command_line(2, "--port", "0", "--split", "3", "--split-delay-ms",
                                               "5", "--garbage-every", "4", "--ovality=0.1", "",
                                               "short-every 5", "close-after 2"))
write("command_lines", "desktop-settings", command_line(3, "--simulate", "--settings", "/tmp/S.INI",
                                                        "--screenshot", "/tmp/x.png"))
write("command_lines", "desktop-settings-after-dashes", command_line(3, "--", "--settings=x"))
write("command_lines", "report", command_line(4, "--settings=/tmp/S.INI", "survey.qzr", "-o",
                                              "survey.pdf"))
write("command_lines", "headsim-scenario", command_line(2, "--scenario", "s.scn", "--truth",
                                                        "t.csv", "--step", "0.05", "", "pause",
                                                        "crawler-speed 0.2", "resume"))

# ---- scenario files: the repository's own, and the refusals of a physical kind
for name in sorted(os.listdir(os.path.join(HERE, "..", "scenarios"))):
    with open(os.path.join(HERE, "..", "scenarios", name), "rb") as f:
        write("scenario", name, f.read())
write("scenario", "deeper-than-pipe", b"pipe diameter=0.6 length=10\n"
                                      b"sediment from=2 to=4 depth=0.7\n")
write("scenario", "crawler-plan", b"pipe diameter=0.6 length=10\nreverse at=5 back=1\n"
                                  b"stop at=2 seconds=1\nobstacle from=1 to=2 clock=3 height=0.1\n"
                                  b"connection at=6 clock=11 width=0.3 # a branch\n")

# ---- the survey file: as the program writes it, and damaged on purpose
SURVEY = (b"[Survey File]\r\nVersion=1\r\n[Recording]\r\nFile=run.qzr\r\nSize=1000\r\n"
          b"[Survey]\r\nAAA=MH12-MH13\r\nAAK=B\r\nABF=2026-12-09\r\nABG=10:15\r\nACB=600\r\n"
          b"ACC=600\r\nACD=AV\r\nACG=2.50\r\nADE=\"G\xc3\xa4rtner; \"\"soft\"\"\"\r\n"
          b"Start Chainage=12.500\r\n[Chainage]\r\nEstimated Speed=0.1500\r\nKept Pass=first\r\n"
          b"[Calibration]\r\nApplied=1\r\nSound Velocity=1483.25\r\nVelocity Uncertainty=1.500\r\n"
          b"Velocity Before=1500.00\r\nKnown Diameter=0.6000\r\nMeasured Diameter=0.6061\r\n"
          b"From=2.000\r\nTo=4.000\r\n[Observations]\r\nCount=4\r\n1=12.500;BCD;;;;;;;;;-1;;\r\n"
          b"2=13.250;BAA;A;;8.60;;;;S1;;81300;;\r\n3=15.000;BAA;A;;8.60;;;;F1;;81300;;\r\n"
          b"4=17.000;BBC;;;14.00;;4;8;;1;9000;od;grease; \"soft\"\r\n")
write("survey_sidecar", "as-written", SURVEY)
write("survey_sidecar", "newer", SURVEY.replace(b"Version=1", b"Version=2"))
write("survey_sidecar", "other-recording", SURVEY.replace(b"Size=1000", b"Size=999"))
write("survey_sidecar", "bad-clock", SURVEY.replace(b";4;8;", b";4;13;"))
write("survey_sidecar", "empty-header", b"[Survey File]\nVersion=1\n[Recording]\nFile=run.qzr\n"
      b"Size=1000\n")
# A carriage return inside a remark, which saving drops: such a line is no observation.
write("survey_sidecar", "carriage-return-in-remark",
      SURVEY.replace(b"-1;;\r\n", b"-1;;\r\xe7\n", 1))
# More decimals than the file is written with: read as they will be written.
write("survey_sidecar", "more-decimals-than-written",
      SURVEY.replace(b"Start Chainage=12.500", b"Start Chainage=12.5004")
      .replace(b"13.250;BAA", b"13.2504;BAA").replace(b"8.60;;;;S1", b"8.604;;;;S1"))
