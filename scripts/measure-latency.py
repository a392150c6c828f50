#!/usr/bin/env python3
"""measure-latency: how long the live input takes from the microphone into the mix.

Run inside scripts/pulse-session (a null sink whose monitor is the microphone) and
scripts/with-xvfb; `make latency` does that. For each latency setting asked for:

  * the microphone hears, over and over, a quiet steady tone (440 Hz, 5 % of full scale)
    with a loud tone burst (1 kHz, 50 %) every PERIOD seconds, played into the sink;
  * parec records the same monitor with a 5 ms latency and every read is time-stamped:
    a frame was heard no later than each read that delivered it, less the frames after it
    in the stream; the smallest such bound over the next two seconds of reads places it on
    the wall clock, late by at most the parec delivery delay. The bound is local, so a
    microphone clock that drifts from the wall clock, or frames dropped while parec was
    starved, do not shift it;
  * tidewell-host plays a silent stream through the plug-in in real time (Auto mode at
    100 %, threshold 0, a hold longer than the run, linear crossfade): the output is the
    microphone as the plug-in mixed it. The host logs the wall clock of stream second 0
    and hands block N over at that instant plus N's stream time;
  * every burst onset (first sample above 25 % of full scale after a quiet stretch) in the
    output is paired with the latest onset at the microphone before it; the latency is
    the wall time of the block that carried it minus the wall time the microphone heard
    it. The host's output buffer plays no part: this is the plug-in's share;
  * an underrun is a dip of the steady tone in the output (a 5 ms stretch below half its
    level) after mixing first started, counted over MEASURE seconds.

Error bound: the microphone's clock is late by the parec delivery delay (0..~6 ms) and a
block may be handed over up to ~2 ms after its nominal time, so the true latency lies
between the figure printed and that figure plus ~8 ms; onset detection adds < 0.1 ms.
"""
import argparse
import array
import bisect
import os
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time
import wave

RATE = 44100
CHANNELS = 2
BLOCK_FRAMES = 576
BASE_LEVEL = 0.05
BURST_LEVEL = 0.5
ONSET_LEVEL = 0.25
SETTINGS = {"classic": 0, "low": 1, "lowest": 2}


def die(message):
    print(f"measure-latency: {message}", file=sys.stderr)
    sys.exit(2)


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        die(f"{command[0]} failed: {result.stderr.strip()[-300:]}")
    return result


def win(path):
    return "Z:" + path.replace("/", "\\")


def make_signals(work, period, seconds):
    """The microphone's signal and the host's silent stream. The microphone's is one long
    file, played once per setting: restarting a player leaves a gap in the sink."""
    base = os.path.join(work, "base.wav")
    burst = os.path.join(work, "burst.wav")
    mic = os.path.join(work, "mic.wav")
    run(["sox", "-D", "-n", "-r", str(RATE), "-c", "2", "-b", "16", base, "synth", str(period),
         "sine", "440", "vol", str(BASE_LEVEL)])
    run(["sox", "-D", "-n", "-r", str(RATE), "-c", "2", "-b", "16", burst, "synth", "0.1", "sine", "1000",
         "vol", str(BURST_LEVEL), "pad", str(period / 2), str(period / 2 - 0.1)])
    loop = os.path.join(work, "loop.wav")
    run(["sox", "-D", "-m", "-v", "1", base, "-v", "1", burst, loop])  # -v 1: no halving
    run(["sox", "-D", loop, mic, "repeat", str(int((seconds + 10) / period))])
    silence = os.path.join(work, "silence.wav")
    run(["sox", "-D", "-n", "-r", str(RATE), "-c", "2", "-b", "16", silence, "trim", "0", str(seconds)])
    return mic, silence


class Player:
    """Plays a file into the sink over and over until stopped."""

    def __init__(self, sink, path):
        self.sink, self.path = sink, path
        self.lock = threading.Lock()
        self.stopped = False
        self.current = None
        self.thread = threading.Thread(target=self._loop, daemon=True)
        self.thread.start()

    def _loop(self):
        while True:
            with self.lock:
                if self.stopped:
                    return
                self.current = subprocess.Popen(["paplay", "--latency-msec=10", "-d", self.sink, self.path])
            if self.current.wait() != 0:
                return

    def stop(self):
        with self.lock:
            self.stopped = True
            if self.current is not None:
                self.current.terminate()
        self.thread.join(timeout=5)


def heard_at(reads, frame, window):
    """The earliest bound on when `frame` was heard, from the (wall time, frames so far)
    reads that delivered it within `window` frames; None when none did."""
    first = bisect.bisect_left(reads, frame, key=lambda read: read[1])
    bounds = [now - (frames - frame) / RATE for now, frames in reads[first:] if frames - frame <= window]
    return min(bounds) if bounds else None


class MicClock:
    """parec on the microphone; every read time-stamped against the frames so far.

    Frame m was heard no later than any read that delivered it, less the frames that read
    delivered after it: the earliest such bound over the reads of the next two seconds
    places m on the wall clock. The bound is local, so neither a microphone clock that runs
    a few hundred ppm off the wall clock (the sound server's null sink here, a real
    microphone's crystal elsewhere) nor frames the sound server dropped while parec was
    starved (Wine starting up) shift the frames after them."""

    WINDOW_FRAMES = 2 * RATE

    def __init__(self, source):
        self.process = subprocess.Popen(
            ["parec", "-d", source, "--raw", "--rate", str(RATE), "--channels", str(CHANNELS),
             "--format", "s16le", "--latency-msec", "5"], stdout=subprocess.PIPE)
        self.data = bytearray()
        self.reads = []  # (wall time of the read, frames so far), in order
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.process.stdout.fileno()
        while True:
            chunk = os.read(fd, 65536)
            now = time.time()
            if not chunk:
                return
            self.data += chunk
            self.reads.append((now, len(self.data) // (2 * CHANNELS)))

    def wall(self, frame):
        """The wall time frame `frame` was heard, or None when no read delivered it."""
        return heard_at(self.reads, frame, self.WINDOW_FRAMES)

    def drift_ppm(self):
        """How fast the microphone's clock runs against the wall clock (dropped frames count
        as slow)."""
        if not self.reads:
            return 0.0
        a, b = self.reads[0][1], self.reads[-1][1] - self.WINDOW_FRAMES
        if b <= a:
            return 0.0
        return 1e6 * ((b - a) / RATE / (self.wall(b) - self.wall(a)) - 1)

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.thread.join(timeout=5)
        samples = array.array("h")
        samples.frombytes(bytes(self.data[: len(self.data) // 4 * 4]))
        return samples[0::2]


def left_channel(path):
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2 or w.getnchannels() != 2:
            die(f"{path}: expected 16-bit stereo")
        samples = array.array("h")
        samples.frombytes(w.readframes(w.getnframes()))
    return samples[0::2]


def onsets(samples, quiet_frames):
    """Frames where the level first exceeds ONSET_LEVEL after quiet_frames below it."""
    threshold = ONSET_LEVEL * 32768
    found, last_loud = [], -quiet_frames
    for i, v in enumerate(samples):
        if v > threshold or v < -threshold:
            if i - last_loud >= quiet_frames:
                found.append(i)
            last_loud = i
    return found


def dropouts(samples, start, frames):
    """Stretches of 5 ms whose peak falls below half the steady tone's, from `start` on."""
    window = RATE // 200
    floor = 0.5 * BASE_LEVEL * 32768
    count, inside = 0, False
    for begin in range(start, min(len(samples), start + frames) - window, window):
        peak = max(abs(v) for v in samples[begin:begin + window])
        low = peak < floor
        if low and not inside:
            count += 1
        inside = low
    return count


def first_mixed(samples):
    window = RATE // 200
    floor = 0.5 * BASE_LEVEL * 32768
    for begin in range(0, len(samples) - window, window):
        if max(abs(v) for v in samples[begin:begin + window]) >= floor:
            return begin
    return None


def measure(setting, args, work, mic, silence):
    folder = os.path.join(work, setting)
    plugins = os.path.join(folder, "Plugins")
    os.makedirs(plugins, exist_ok=True)
    shutil.copy(os.path.join(args.build, "dsp_qxtidewell.dll"), plugins)
    open(os.path.join(folder, "winamp.ini"), "w").close()
    with open(os.path.join(plugins, "QXWTidewell.ini"), "w") as ini:
        ini.write("[QXTidewell]\r\n"
                  f"InputDeviceName=Monitor of {args.description}\r\n"
                  "MixInMode=2\r\nWantActive=1\r\nAutoMixInThresh=0\r\nAutoMixInPercent=1\r\n"
                  "AutoReleaseDelay=100000\r\nLogTransition=0\r\nMixInFade=0.01\r\nMixOtFade=0.01\r\n"
                  f"LatencyMode={SETTINGS[setting]}\r\n")
    output = os.path.join(folder, "out.wav")
    player = Player(args.sink, mic)
    clock = MicClock(f"{args.sink}.monitor")
    time.sleep(0.5)
    host = subprocess.run(
        [os.path.join(args.root, "scripts", "wine-run"), os.path.join(args.build, "tidewell-host.exe"),
         win(os.path.join(plugins, "dsp_qxtidewell.dll")), win(silence), win(output),
         "--plugin-dir", win(plugins), "--ini", win(os.path.join(folder, "winamp.ini"))],
        capture_output=True, text=True)
    time.sleep(0.5)
    heard = clock.stop()
    player.stop()
    with open(os.path.join(folder, "reads.txt"), "w") as f:
        f.writelines(f"{now:.6f} {frames}\n" for now, frames in clock.reads)
    with wave.open(os.path.join(folder, "heard.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(heard.tobytes())
    with open(os.path.join(folder, "host.log"), "w") as log:
        log.write(host.stdout + host.stderr)
    if host.returncode != 0:
        die(f"{setting}: tidewell-host exit {host.returncode}: {host.stderr.strip()[-300:]}")
    match = re.search(r"clock: stream second 0 is Unix time ([0-9.]+)", host.stdout)
    if not match or clock.wall(0) is None:
        die(f"{setting}: no clock from the host or the microphone")
    stream_zero = float(match.group(1))

    out = left_channel(output)
    quiet = int(RATE * args.period / 2)
    mic_walls = [w for w in (clock.wall(m) for m in onsets(heard, quiet)) if w is not None]
    start = first_mixed(out)
    if start is None:
        die(f"{setting}: the microphone never reached the output")
    latencies = []
    for o in onsets(out, quiet):
        if o < start:
            continue
        mixed = stream_zero + (o // BLOCK_FRAMES) * BLOCK_FRAMES / RATE
        heard = [w for w in mic_walls if w <= mixed]
        if heard:
            latencies.append(mixed - heard[-1])
    measured = int(min(len(out) - start, args.measure * RATE))
    underruns = dropouts(out, start, measured)
    print(f"  dips heard at the microphone itself: {dropouts(heard, first_mixed(heard) or 0, len(heard))}")
    print(f"  microphone clock against the wall clock: {clock.drift_ppm():+.0f} ppm")
    return latencies, underruns, measured / RATE


def record_mic(source, path):
    """Records SOURCE until interrupted; writes PATH (mono, left channel), PATH.reads (the
    time-stamped reads) and PATH.clock (the wall time of its first frame)."""
    import signal
    clock = MicClock(source)
    stop = threading.Event()
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, lambda *_: stop.set())
    stop.wait()
    heard = clock.stop()
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(heard.tobytes())
    with open(path + ".clock", "w") as f:
        f.write(f"{clock.wall(0):.6f}\n")
    with open(path + ".reads", "w") as f:  # to place any frame later
        f.writelines(f"{now:.6f} {frames}\n" for now, frames in clock.reads)


def voice_latency(mic_path, music_path, mix_path, host_log, threshold):
    """Milliseconds from the microphone's first sample above THRESHOLD (the Auto trigger's
    level, a fraction of full scale) to the first output sample that is not the music's own:
    the block in which the voice first went into the mix."""
    with wave.open(mic_path, "rb") as w:
        mic = array.array("h")
        mic.frombytes(w.readframes(w.getnframes()))
    with open(mic_path + ".reads") as f:
        reads = [(float(now), int(frames)) for now, frames in (line.split() for line in f)]
    limit = threshold * 32768
    first = next((i for i, v in enumerate(mic) if abs(v) > limit), None)
    music, mix = left_channel(music_path), left_channel(mix_path)
    mixed = next((i for i, (a, b) in enumerate(zip(music, mix)) if a != b), None)
    match = re.search(r"clock: stream second 0 is Unix time ([0-9.]+)", open(host_log).read())
    heard = heard_at(reads, first, MicClock.WINDOW_FRAMES) if first is not None else None
    if heard is None or mixed is None or not match:
        return None
    mixed_wall = float(match.group(1)) + (mixed // BLOCK_FRAMES) * BLOCK_FRAMES / RATE
    return 1000 * (mixed_wall - heard)


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "record-mic":
        # record-mic SOURCE FILE: used by the demo, which plays its own voice.
        record_mic(sys.argv[2], sys.argv[3])
        return
    if len(sys.argv) > 1 and sys.argv[1] == "voice-latency":
        # voice-latency MIC MUSIC MIX HOSTLOG THRESHOLD: prints the milliseconds, or "unknown".
        ms = voice_latency(*sys.argv[2:6], float(sys.argv[6]))
        print("unknown" if ms is None else f"{ms:.0f}")
        return
    parser = argparse.ArgumentParser(description=__doc__ + """
Two helpers for the demo: `record-mic SOURCE FILE` records until interrupted (FILE,
FILE.clock and FILE.reads), and `voice-latency MIC MUSIC MIX HOSTLOG THRESHOLD` prints the milliseconds
from the voice's first sound above THRESHOLD to its first effect on the mix.""",
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the Win32 build folder (DLL and tidewell-host.exe)")
    parser.add_argument("--sink", required=True, help="the null sink the microphone signal is played into")
    parser.add_argument("--description", required=True, help="the sink's description (device 'Monitor of ...')")
    parser.add_argument("--settings", default="lowest,low,classic", help="comma-separated: classic, low, lowest")
    parser.add_argument("--measure", type=float, default=60.0, help="seconds of mixing per setting (60)")
    parser.add_argument("--period", type=float, default=4.0, help="seconds between bursts (4)")
    parser.add_argument("--work", default="build/latency", help="scratch folder (build/latency)")
    parser.add_argument("--fail-above", type=float, metavar="MS",
                        help="a test: print ok or FAIL and exit 1 unless every onset arrived within MS ms "
                             "(at least 2 onsets); without a PulseAudio server it fails unless TIDEWELL_SKIP_AUDIO=1")
    args = parser.parse_args()
    args.root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    args.build = os.path.abspath(args.build)
    if os.environ.get("TIDEWELL_PULSE") != "running":
        if args.fail_above is not None and os.environ.get("TIDEWELL_SKIP_AUDIO") == "1":
            print(f"SKIPPED (TIDEWELL_SKIP_AUDIO=1): {os.environ.get('TIDEWELL_PULSE', 'no PulseAudio server')}")
            sys.exit(0)
        die(f"no private PulseAudio server ({os.environ.get('TIDEWELL_PULSE', 'not started')})")
    settings = [s.strip() for s in args.settings.split(",") if s.strip()]
    for s in settings:
        if s not in SETTINGS:
            die(f"unknown setting {s}: choose from {', '.join(SETTINGS)}")
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    # Enough stream for the slowest start (Classic primes for about 3 s) and the measurement.
    mic, silence = make_signals(work, args.period, args.measure + 8)
    rows = []
    for setting in settings:
        print(f"measure-latency: {setting}: {args.measure:.0f} s of mixing in real time ...", flush=True)
        latencies, underruns, seconds = measure(setting, args, work, mic, silence)
        rows.append((setting, latencies, underruns, seconds))
        print("  latencies (ms): " + " ".join(f"{1000 * x:.0f}" for x in latencies), flush=True)

    if args.fail_above is not None:
        failed = False
        for setting, latencies, _, _ in rows:
            ms = [1000 * x for x in latencies]
            if len(ms) < 2 or max(ms) > args.fail_above:
                print(f"FAIL {setting}: onsets {len(ms)}, latencies (ms) {[round(x) for x in ms]}, "
                      f"expected at least 2 within {args.fail_above:.0f}")
                failed = True
            else:
                print(f"ok   {setting}: {len(ms)} onsets, all within {args.fail_above:.0f} ms (worst {max(ms):.0f})")
        sys.exit(1 if failed else 0)

    print()
    print("| setting | onsets | median (ms) | worst (ms) | best (ms) | underruns | mixed (s) |")
    print("|---|---|---|---|---|---|---|")
    for setting, latencies, underruns, seconds in rows:
        if latencies:
            ms = [1000 * x for x in latencies]
            print(f"| {setting.capitalize()} | {len(ms)} | {statistics.median(ms):.0f} | {max(ms):.0f} | "
                  f"{min(ms):.0f} | {underruns} | {seconds:.0f} |")
        else:
            print(f"| {setting.capitalize()} | 0 | - | - | - | {underruns} | {seconds:.0f} |")


if __name__ == "__main__":
    main()
