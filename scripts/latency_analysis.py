#!/usr/bin/env python3
"""The analysis behind measure-latency.py: pure functions over recorded samples and the
host's and the plug-in's reports, no sound server needed (numpy is not either: sox filters,
Python sums). `python3 scripts/latency_analysis.py --self-test` checks the tone impurity
measure on synthetic signals whose impurity is known."""
import array
import bisect
import math
import os
import re
import statistics
import subprocess
import sys
import tempfile
import wave

RATE = 44100
BLOCK_FRAMES = 576
TONE_HZ = 997
# Energy farther than this from the tone counts as impurity.
TONE_BAND_HZ = 40
# The band-reject filter: 120 dB deep, 20 Hz transitions centred on tone +- 40 Hz, so the
# tone itself is 120 dB down and anything from 50 Hz away on passes whole.
REJECT_EFFECT = ["sinc", "-a", "120", "-t", "20", f"{TONE_HZ + TONE_BAND_HZ}-{TONE_HZ - TONE_BAND_HZ}"]
# A dip near a second's edge spreads into it through the filter (about 0.14 s each side).
DIP_GUARD_FRAMES = RATE // 5


def left_channel(path):
    """The first channel of a 16-bit WAV file (mono or stereo) as an array of samples."""
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2:
            raise ValueError(f"{path}: expected 16-bit samples")
        channels = w.getnchannels()
        samples = array.array("h")
        samples.frombytes(w.readframes(w.getnframes()))
    return samples[0::channels] if channels > 1 else samples


def write_mono(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(samples.tobytes())


def onsets(samples, quiet_frames, level):
    """Frames where the level first exceeds LEVEL (a fraction of full scale) after
    quiet_frames below it."""
    threshold = level * 32768
    found, last_loud = [], -quiet_frames
    for i, v in enumerate(samples):
        if v > threshold or v < -threshold:
            if i - last_loud >= quiet_frames:
                found.append(i)
            last_loud = i
    return found


def dips(samples, start, frames, floor):
    """Where stretches of 5 ms whose peak falls below FLOOR (a fraction of full scale)
    begin, from `start` on over `frames`: a steady tone's dropouts."""
    window = RATE // 200
    limit = floor * 32768
    found, inside = [], False
    for begin in range(start, min(len(samples), start + frames) - window, window):
        low = max(abs(v) for v in samples[begin:begin + window]) < limit
        if low and not inside:
            found.append(begin)
        inside = low
    return found


def first_above(samples, floor):
    """The first 5 ms stretch whose peak reaches FLOOR (a fraction of full scale), or None."""
    window = RATE // 200
    limit = floor * 32768
    for begin in range(0, len(samples) - window, window):
        if max(abs(v) for v in samples[begin:begin + window]) >= limit:
            return begin
    return None


def _float_samples(path, effect):
    """The first channel of PATH through sox EFFECT, as 32-bit floats."""
    with tempfile.NamedTemporaryFile(suffix=".f32") as raw:
        subprocess.run(["sox", "-D", path, "-t", "raw", "-e", "float", "-b", "32", "-c", "1", raw.name,
                        "remix", "1", *effect], check=True, capture_output=True)
        values = array.array("f")
        values.frombytes(open(raw.name, "rb").read())
    return values


def tone_impurity(path, start, seconds, dip_frames=()):
    """Per second of PATH's first channel from frame `start` on: the energy farther than
    TONE_BAND_HZ from the tone against the tone's energy, in dB. Returns (second index,
    dB) pairs, leaving out seconds with no tone and seconds within DIP_GUARD_FRAMES of a
    dip. The energy outside the band is what a 120 dB band-reject filter lets through;
    the tone's is the rest."""
    whole = _float_samples(path, [])
    rejected = _float_samples(path, REJECT_EFFECT)
    found = []
    for index in range(int(seconds)):
        begin = start + index * RATE
        end = begin + RATE
        if end > min(len(whole), len(rejected)):
            break
        if any(begin - DIP_GUARD_FRAMES <= d < end + DIP_GUARD_FRAMES for d in dip_frames):
            continue
        total = math.fsum(v * v for v in whole[begin:end])
        outside = math.fsum(v * v for v in rejected[begin:end])
        tone = total - outside
        if tone <= 1e-6 * RATE * (0.01 ** 2):  # below -40 dBFS: no tone here
            continue
        found.append((index, 10 * math.log10(max(outside, 1e-30) / tone)))
    return found


def impurity_summary(seconds):
    """(median dB, worst dB, seconds counted), or None when no second counted."""
    if not seconds:
        return None
    values = [db for _, db in seconds]
    return statistics.median(values), max(values), len(values)


def parse_bursts(log):
    """The host's `burst:` lines (player pacing): (first block, blocks, Unix time) in order."""
    found = []
    for m in re.finditer(r"burst: (\d+) blocks? from stream second ([0-9.]+) at Unix time ([0-9.]+)", log, re.M):
        first = round(float(m.group(2)) * RATE / BLOCK_FRAMES)
        found.append((first, int(m.group(1)), float(m.group(3))))
    return found


def handed_over(bursts, block):
    """The Unix time block BLOCK was handed over, from the bursts, or None."""
    i = bisect.bisect_right([b[0] for b in bursts], block) - 1
    if i < 0 or block >= bursts[i][0] + bursts[i][1]:
        return None
    return bursts[i][2]


def clock_lines(log):
    """The host's `clock:` lines: (stream second, Unix time) in order."""
    return [(float(s), float(u)) for s, u in
            re.findall(r"clock: stream second ([0-9.]+) is Unix time ([0-9.]+)", log, re.M)]


def state_summary(polls, settled_from):
    """GetState's latency objects polled over a run, (Unix time, object) pairs, summed up
    from Unix time `settled_from` on: the delay's median, range and wobble, the target(s),
    the delay's distance from its target (delay - target), the ratio's range, the
    plug-in's underrun count at the last poll, and the delay's movement (the mean of the last three polls minus that of the first three)."""
    settled = [(t, o) for t, o in polls if t >= settled_from]
    if not settled:
        return None
    delays = [o["delayMs"] for _, o in settled]
    off = [o["delayMs"] - o["targetMs"] for _, o in settled]
    ratios = [o["ratioPpm"] for _, o in polls]
    head, tail = delays[:3], delays[-3:]
    return {
        "polls": len(settled),
        "median": statistics.median(delays), "min": min(delays), "max": max(delays),
        "wobble": max(delays) - min(delays),
        "targets": sorted({o["targetMs"] for _, o in settled}),
        "off_min": min(off), "off_max": max(off),
        "ratio_min": min(ratios), "ratio_max": max(ratios),
        "underruns": polls[-1][1]["underruns"],
        "movement": statistics.fmean(tail) - statistics.fmean(head),
    }


def back_on_target(polls, since, tolerance_ms, own_seconds):
    """Seconds from Unix time SINCE to the first poll from which the delay keeps within
    TOLERANCE_MS of its target; None when it never settled. A rise of the target by more
    than TOLERANCE_MS later than OWN_SECONDS after SINCE ends the look: that is new
    lateness, which the delay grows into at the follower's pace whenever it comes, not
    the disturbance at SINCE. A rise within OWN_SECONDS counts as that disturbance's."""
    settled_at = None
    previous_target = None
    for t, o in ((t, o) for t, o in polls if t >= since):
        if (previous_target is not None and t - since > own_seconds
                and o["targetMs"] - previous_target > tolerance_ms):
            break
        previous_target = o["targetMs"]
        if abs(o["delayMs"] - o["targetMs"]) <= tolerance_ms:
            if settled_at is None:
                settled_at = t
        else:
            settled_at = None
    return None if settled_at is None else settled_at - since


def movement(latencies, group):
    """How far the latency moved over a run: the mean of the last GROUP onsets minus that
    of the first GROUP (a group covers every position of an onset within a block)."""
    if len(latencies) < 2 * group:
        return None
    return statistics.fmean(latencies[-group:]) - statistics.fmean(latencies[:group])


def self_test():
    """The impurity measure on signals with a known impurity; exits 1 on a miss."""
    failed = False
    with tempfile.TemporaryDirectory() as work:
        def synth(name, *parts):
            path = os.path.join(work, name)
            subprocess.run(["sox", "-D", "-n", "-r", str(RATE), "-c", "1", "-e", "float", "-b", "32", path,
                            "synth", "6", *parts], check=True, capture_output=True)
            return path

        def check(label, path, low, high):
            nonlocal failed
            median, worst, count = impurity_summary(tone_impurity(path, RATE, 4))
            ok = low <= median <= high and low <= worst <= high
            failed |= not ok
            print(f"{'ok  ' if ok else 'FAIL'} {label}: median {median:.1f} dB, worst {worst:.1f} dB "
                  f"over {count} s (expected {low} to {high})")

        pure = synth("pure.wav", "sine", str(TONE_HZ))
        mixed = os.path.join(work, "mixed.wav")
        spur = synth("spur.wav", "sine", "2500")
        near = synth("near.wav", "sine", str(TONE_HZ + 60))
        for name, other in (("mixed.wav", spur), ("near-mixed.wav", near)):
            subprocess.run(["sox", "-D", "-m", "-v", "0.3", pure, "-v", "0.0003", other, "-b", "16",
                            os.path.join(work, name)], check=True, capture_output=True)
        quantized = os.path.join(work, "quantized.wav")
        subprocess.run(["sox", "-D", "-v", "0.3", pure, "-b", "16", quantized], check=True, capture_output=True)
        check("a 997 Hz tone at 30 % with a 2500 Hz tone 60 dB below it", mixed, -60.5, -59.5)
        check("the same with the added tone 60 Hz from the first", os.path.join(work, "near-mixed.wav"), -60.5, -59.5)
        check("the tone alone, 16-bit (the quantization floor, about -85 dB)", quantized, -92, -80)
        # A follower that leaves out one frame 15 times a second: each jump of the phase
        # spreads energy across the spectrum.
        samples = array.array("h")
        phase, step = 0.0, 2 * math.pi * TONE_HZ / RATE
        for i in range(6 * RATE):
            if i % (RATE // 15) == 0:
                phase += step
            samples.append(round(0.3 * 32767 * math.sin(phase)))
            phase += step
        slipped = os.path.join(work, "slipped.wav")
        write_mono(slipped, samples)
        check("the tone with one frame left out 15 times a second", slipped, -45, -20)

    # Back on target after a seek at t = 0, polls every 2 s from t = 1: (delay, target).
    def back(pairs):
        return back_on_target([(1 + 2 * i, {"delayMs": d, "targetMs": g}) for i, (d, g) in enumerate(pairs)],
                              0, 2, 5)
    for label, pairs, expected in (
            ("settled at once, new lateness 40 s later", [(35, 34)] * 20 + [(34, 43), (36, 42)], 1),
            ("the target rising 2 s after the seek, the delay growing into it",
             [(36, 34), (37, 48), (40, 47), (44, 46), (45, 45), (45, 45)], 7),
            ("never within 2 ms", [(40, 34)] * 5, None)):
        got = back(pairs)
        failed |= got != expected
        print(f"{'ok  ' if got == expected else 'FAIL'} back on target, {label}: {got} (expected {expected})")
    return 1 if failed else 0


if __name__ == "__main__":
    if sys.argv[1:] == ["--self-test"]:
        sys.exit(self_test())
    print(__doc__)
    sys.exit(0 if sys.argv[1:] in ([], ["--help"], ["-h"]) else 2)
