#!/usr/bin/env python3
"""Fault soak: sondrel-record against sondrel-headsim while a seeded schedule
flips the simulator's faults and its orientation instrument, then an account
of what was sent against what was recorded.

Passes when every valid reply that reached the recorder whole was recorded
exactly once, in order and unchanged; no short, invalid or unknown block was
recorded; and the recorder's memory and open descriptors did not grow after
warm-up. Run it through scripts/soak.sh.
"""

import argparse
import os
import queue
import random
import statistics
import subprocess
import sys
import tempfile
import threading
import time

SEQUENCE_SPAN = 1 << 14  # bytes 10 and 11 of a block, 7 bits each
RECORD_SIZES = (1024, 1152)
# A reply the simulator finished sending this shortly before the recorder
# closed that connection may still have been in the socket, unread: not a loss.
UNREAD_AT_CLOSE_MS = 1000.0
INSTRUMENT_COM_PORT = 7
CONFIGURED_SENTENCE = 1


def fnv1a(data):
    h = 2166136261
    for b in data:
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


# ---- the schedule

FAULTS = ("clean", "split", "short", "invalid", "late", "garbage", "silence", "disconnect",
          "mixed")


def fault_lines(kind, rng, commands_so_far):
    """Control lines that switch one fault on; the base pace is set apart."""
    if kind == "clean":
        return []
    if kind == "split":
        return [f"split {rng.randint(2, 40)}", f"split-delay-ms {rng.choice([0, 0, 1, 3, 10])}"]
    if kind == "short":
        return [f"short-every {rng.randint(2, 15)}", f"short-length {rng.randint(0, 812)}"]
    if kind == "invalid":
        return [f"invalid-every {rng.randint(2, 15)}"]
    if kind == "late":
        # Mostly late within the watchdog, now and then beyond it, so the
        # recorder sends again while the late reply is still to come.
        late = rng.randint(5100, 6500) if rng.random() < 0.25 else rng.randint(50, 1500)
        return [f"delay-ms {late}"]
    if kind == "garbage":
        return [f"garbage-every {rng.randint(1, 8)}", f"garbage-length {rng.randint(1, 700)}"]
    if kind == "silence":
        if rng.random() < 0.5:
            # Silent from the next command on: the recorder sends again, then reconnects.
            return [f"silent-from {commands_so_far + 1}"]
        return [f"silent-every {rng.randint(15, 80)}"]
    if kind == "disconnect":
        return [f"close-after {rng.randint(3, 120)}"]
    picks = rng.sample(["split", "short", "invalid", "garbage", "disconnect"], 2)
    lines = []
    for p in picks:
        lines += fault_lines(p, rng, commands_so_far)
    if rng.random() < 0.5:
        lines.append(f"delay-ms {rng.randint(0, 300)}")
    return lines


def orientation_lines(rng):
    if rng.random() > 0.35:
        return []
    # The recorder expects one sentence type; the others are noise on its line.
    sentence = rng.choice([CONFIGURED_SENTENCE] * 3 + [0, 2, 3])
    hz = rng.choice([0.2, 1, 5, 5, 20, 200])
    return [f"sentence {sentence}", f"orientation-hz {hz}"]


# ---- processes

class Simulator:
    def __init__(self, binary, args):
        self.proc = subprocess.Popen([binary] + args, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                     bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))

    def wait_for(self, prefix, timeout=10.0):
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise RuntimeError(f"sondrel-headsim did not say '{prefix}'")
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                continue
            if line.startswith(prefix):
                return line

    def control(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()
        answer = self.wait_for(("ok", "error"))
        if answer.startswith("error"):
            raise RuntimeError(f"sondrel-headsim refused '{line}': {answer}")

    def commands(self):
        self.proc.stdin.write("stats\n")
        self.proc.stdin.flush()
        line = self.wait_for("counters")
        fields = dict(f.split("=") for f in line.split()[1:])
        return int(fields["commands"])

    def stop(self):
        try:
            self.proc.stdin.write("quit\n")
            self.proc.stdin.flush()
        except BrokenPipeError:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def sample(pid):
    """The recorder's resident memory in KiB and its open descriptors."""
    try:
        with open(f"/proc/{pid}/status") as f:
            rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
        fds = len(os.listdir(f"/proc/{pid}/fd"))
        return rss, fds
    except (OSError, StopIteration):
        return None


def write_settings(path, port, instrument_link):
    with open(path, "w", newline="") as f:
        f.write("[System Settings]\r\n"
                "Sonar Type=1\r\n"
                "IP Address=127.0.0.1\r\n"
                f"IP Port={port}\r\n"
                "EnablePRDInput=1\r\n"
                f"PRDComPort={INSTRUMENT_COM_PORT}\r\n"
                "PRDComPortBaud=38400\r\n"
                f"SentenceType={CONFIGURED_SENTENCE}\r\n"
                "[COM Ports]\r\n"
                f"COM{INSTRUMENT_COM_PORT}={instrument_link}\r\n")


# ---- the account

def read_log(path):
    sent, unsent, closes, opens = [], [], {}, 0
    with open(path) as f:
        for line in f:
            w = line.split()
            if not w:
                continue
            if w[0] == "sent":
                sent.append({"n": int(w[1]), "kind": w[2], "stray": int(w[3]),
                             "digest": int(w[4], 16), "ms": float(w[5]), "link": w[6]})
            elif w[0] == "unsent":
                unsent.append(int(w[1]))
            elif w[0] == "open":
                opens += 1
            elif w[0] == "close":
                closes[w[1]] = (float(w[2]), w[3])
    return sent, unsent, closes, opens


def read_records(path):
    records, problems = [], []
    with open(path, "rb") as f:
        data = f.read()
    pos = 0
    while pos < len(data):
        if len(data) - pos < 1024:
            problems.append(f"{len(data) - pos} bytes after the last whole record")
            break
        length = (data[pos + 4] << 8) | data[pos + 5]
        if length not in RECORD_SIZES or len(data) - pos < length:
            problems.append(f"a record of length {length} at byte {pos}")
            break
        r = data[pos:pos + length]
        # A reply number has 7 bits a byte: a high bit means no reply of ours.
        seq = r[110] | (r[111] << 7) if not (r[110] | r[111]) & 0x80 else None
        records.append({"seq": seq, "digest": fnv1a(r[100:912]),
                        "orientation": length == 1152})
        pos += length
    return records, problems


def account(sent, unsent, closes, opens, records, record_problems, samples, warmup_s):
    by_number = {s["n"]: s for s in sent}
    faults = list(record_problems)
    seen, last = set(), 0
    duplicates = out_of_order = unknown = damaged = 0
    for r in records:
        if r["seq"] is None:
            unknown += 1
            continue
        d = (r["seq"] - last) % SEQUENCE_SPAN
        n = last + d - SEQUENCE_SPAN if d > SEQUENCE_SPAN // 2 else last + d
        if n in seen:
            duplicates += 1
        elif n <= last:
            out_of_order += 1
        s = by_number.get(n)
        if s is None:
            unknown += 1
        elif s["kind"] != "valid" or s["digest"] != r["digest"]:
            damaged += 1
        seen.add(n)
        last = max(last, n)

    valid = [s for s in sent if s["kind"] == "valid"]
    lost, unread = [], 0
    for s in valid:
        if s["n"] in seen:
            continue
        close = closes.get(s["link"])
        # "replaced": the recorder's new connection came before the old one's end.
        abandoned = close and close[1] in ("by-program", "replaced")
        if abandoned and 0 <= close[0] - s["ms"] <= UNREAD_AT_CLOSE_MS:
            unread += 1
        else:
            lost.append(s["n"])

    for what, count in (("duplicate records", duplicates), ("records out of order", out_of_order),
                        ("records of no reply sent", unknown),
                        ("records of a damaged or changed block", damaged),
                        ("valid replies lost", len(lost))):
        if count:
            faults.append(f"{count} {what}")
    if lost:
        faults.append("first lost replies: " + " ".join(str(n) for n in lost[:10]))

    kinds = {}
    for s in sent:
        kinds[s["kind"]] = kinds.get(s["kind"], 0) + 1
    by_whom = {}
    for _, why in closes.values():
        by_whom[why] = by_whom.get(why, 0) + 1

    after = [x for x in samples if x[0] >= warmup_s]
    growth = None
    if len(after) >= 8:
        quarter = max(2, len(after) // 4)
        early, late = after[:quarter], after[-quarter:]
        rss_early = statistics.median(x[1] for x in early)
        rss_late = statistics.median(x[1] for x in late)
        fds_early = max(x[2] for x in early)
        fds_late = statistics.median(x[2] for x in late)
        growth = (rss_early, rss_late, fds_early, fds_late)
        # Allocator noise is a few hundred KiB; a leak of a block or a buffer
        # per ping or per reconnect shows as megabytes over a soak.
        if rss_late - rss_early > 2048 + 0.05 * rss_early:
            faults.append(f"memory grew from {rss_early} KiB to {rss_late} KiB after warm-up")
        if fds_late > fds_early:
            faults.append(f"open descriptors grew from {fds_early} to {fds_late} after warm-up")
    else:
        faults.append("too few samples of the recorder after warm-up")

    lines = [
        f"replies sent whole           {len(sent)}",
        f"  valid                      {kinds.get('valid', 0)}",
        f"  with stray bytes before    {sum(1 for s in sent if s['stray'])}",
        f"  short / invalid / both     {kinds.get('short', 0)} / {kinds.get('invalid', 0)}"
        f" / {kinds.get('short-invalid', 0)}",
        f"replies cut off by a close   {len(unsent)}",
        f"connections                  {opens} (closed: "
        + ", ".join(f"{k} {v}" for k, v in sorted(by_whom.items())) + ")",
        f"records                      {len(records)}"
        f" ({sum(1 for r in records if r['orientation'])} with orientation)",
        f"  duplicates / out of order  {duplicates} / {out_of_order}",
        f"  unknown / damaged          {unknown} / {damaged}",
        f"valid replies recorded       {len(valid) - len(lost) - unread} of {len(valid)}",
        f"  unread at the recorder's own close   {unread}",
        f"  lost                       {len(lost)}",
    ]
    if growth:
        lines.append(f"recorder memory after warm-up {growth[0] / 1024:.1f} MiB,"
                     f" at the end {growth[1] / 1024:.1f} MiB")
        lines.append(f"recorder descriptors after warm-up {growth[2]}, at the end {growth[3]:g}")
    return lines, faults


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--bin", required=True, help="folder of sondrel-record and sondrel-headsim")
    ap.add_argument("--seconds", type=float, default=120)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--pace-ms", type=int, default=20,
                    help="the simulated head's time per reply between faults")
    ap.add_argument("--keep", help="folder to keep the log, data file and schedule in")
    args = ap.parse_args()

    work = args.keep or tempfile.mkdtemp(prefix="sondrel-soak-")
    os.makedirs(work, exist_ok=True)
    log_path = os.path.join(work, "headsim.log")
    data_path = os.path.join(work, "soak.qzr")
    settings_path = os.path.join(work, "Sondrel.INI")
    instrument = os.path.join(work, "instrument")
    for p in (log_path, data_path):
        if os.path.exists(p):
            os.remove(p)
    rng = random.Random(args.seed)

    sim = Simulator(os.path.join(args.bin, "sondrel-headsim"),
                    ["--port", "0", "--quiet", "--log", log_path, "--seed", str(args.seed),
                     "--orientation-link", instrument, "--sentence", str(CONFIGURED_SENTENCE),
                     "--noise", "0.003", "--dropouts", "0.02", "--delay-ms", str(args.pace_ms)])
    port = int(sim.wait_for("listening").split()[3])
    sim.wait_for("ready")
    write_settings(settings_path, port, instrument)

    recorder = subprocess.Popen(
        [os.path.join(args.bin, "sondrel-record"), "-o", data_path, "--settings", settings_path,
         "--seconds", str(args.seconds), "--quiet"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    start = time.monotonic()
    warmup_s = min(60.0, max(10.0, args.seconds * 0.1))
    samples, schedule = [], []
    next_phase = start + rng.uniform(2, 6)
    next_sample = start + 1
    try:
        while recorder.poll() is None and time.monotonic() - start < args.seconds + 30:
            now = time.monotonic()
            if now >= next_sample:
                s = sample(recorder.pid)
                if s:
                    samples.append((now - start,) + s)
                next_sample += 1
            # Faults stop 6 s before the end, so the last replies are not excused.
            if now >= next_phase and now - start < args.seconds - 6:
                kind = rng.choice(FAULTS)
                lines = ["faults-off", f"delay-ms {args.pace_ms}"]
                lines += fault_lines(kind, rng, sim.commands())
                lines += orientation_lines(rng)
                for line in lines:
                    sim.control(line)
                schedule.append(f"{now - start:8.1f} s  {kind:<10} " + "; ".join(lines[2:]))
                length = rng.uniform(12, 20) if "silent-from" in " ".join(lines) else \
                    rng.uniform(3, 15)
                next_phase = now + length
                if now + length >= start + args.seconds - 6:
                    sim.control("faults-off")
                    sim.control(f"delay-ms {args.pace_ms}")
            time.sleep(0.05)
    finally:
        if recorder.poll() is None:
            recorder.terminate()
        out, err = recorder.communicate(timeout=60)
        sim.stop()

    with open(os.path.join(work, "schedule.txt"), "w") as f:
        f.write("\n".join(schedule) + "\n")
    sent, unsent, closes, opens = read_log(log_path)
    records, record_problems = read_records(data_path) if os.path.exists(data_path) else \
        ([], ["no data file"])
    lines, faults = account(sent, unsent, closes, opens, records, record_problems, samples,
                            warmup_s)
    if recorder.returncode != 0:
        faults.append(f"sondrel-record ended with status {recorder.returncode}: {err.strip()}")

    print(f"soak: {args.seconds:g} s, seed {args.seed}, {len(schedule)} fault phases,"
          f" pace {args.pace_ms} ms; files in {work}")
    for line in lines:
        print("  " + line)
    print("  " + out.strip().splitlines()[-1] if out.strip() else "  (the recorder said nothing)")
    for fault in faults:
        print("FAULT " + fault)
    print("soak: " + ("FAILED" if faults else "passed"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
