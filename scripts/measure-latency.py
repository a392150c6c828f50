#!/usr/bin/env python3
"""measure-latency: how long the live input takes from the microphone into the mix, and
what the way there does to it.

Run inside scripts/pulse-session (a null sink whose monitor is the microphone) and
scripts/with-xvfb; `make latency` does that. For each latency setting asked for, two runs
of tidewell-host playing a silent stream through the plug-in in real time (Auto mode at
100 %, threshold 0, a hold longer than the run, linear crossfade): its output is the
microphone as the plug-in mixed it.

The latency run:
  * the microphone hears, over and over, a quiet steady tone (440 Hz, 5 % of full scale)
    with a loud tone burst (1 kHz, 50 %) every PERIOD seconds, played into the sink;
  * parec records the same monitor with a 5 ms latency and every read is time-stamped:
    a frame was heard no later than each read that delivered it, less the frames after it
    in the stream; the smallest such bound over the next two seconds of reads places it on
    the wall clock, late by at most the parec delivery delay. The bound is local, so a
    microphone clock that drifts from the wall clock, or frames dropped while parec was
    starved, do not shift it;
  * the host logs the wall clock of stream second 0 and hands block N over at that instant
    plus N's stream time;
  * every burst onset (first sample above 25 % of full scale after a quiet stretch) in the
    output is paired with the latest onset at the microphone before it; the latency is
    the wall time of the block that carried it minus the wall time the microphone heard
    it. The host's output buffer plays no part: this is the plug-in's share. Its movement
    is the mean of the last four onsets minus that of the first four (four onsets cover
    every position of an onset within a block at the default period);
  * an underrun is a dip of the steady tone in the output (a 5 ms stretch below half its
    level) after mixing first started, counted over MEASURE seconds;
  * every POLL seconds one tidewell-web bridge on loopback, started for the run, is asked
    GET /api/state (GetState over the window-message link): the delay the plug-in keeps,
    its target, the clock follower's ratio and its own underrun count. From 20 s after
    stream second 0 on: the delay's median and range (its wobble is max - min), the ratio's
    range over the whole run, and the delay's movement (last three polls against the first
    three).

The tone run (TONE_SECONDS of mixing): a steady 997 Hz tone at 30 % of full scale into the
microphone. Per second of the output, leaving out the first second of mixing and any second
within 0.2 s of a dip: the energy farther than 40 Hz from the tone against the tone's energy,
in dB (a 120 dB band-reject filter, sox's sinc, takes the tone out; what passes is the
impurity, the rest is the tone). Reported as median and worst second, beside the same figure
for the tone recorded directly by parec over the same seconds of the microphone's signal
(the setting's median latency earlier on the wall clock): the floor. A
second whose direct figure lies 20 dB or more above the direct median (or that dipped there)
is a glitch of the microphone's own signal; the "clean" figures leave those seconds out too.
`python3 scripts/latency_analysis.py --self-test` checks the measure on synthetic tones.

The player-like run (unless --no-player): the latency run once more in Lowest with the host
paced as a player's decode thread (`--pace player:500`: a 500 ms output buffer, a wake-up
every 10 ms writing every block that fits) and a seek in the middle of the stream that
refills the buffer in one burst. Each block is placed on the wall clock at its handover,
from the host's `burst:` lines; the delay is back on target at the first GetState poll
after the seek from which every poll keeps within 2 ms of the target.

Error bound: the microphone's clock is late by the parec delivery delay (0..~6 ms) and a
block may be handed over up to ~2 ms after its nominal time, so the true latency lies
between the figure printed and that figure plus ~8 ms; onset detection adds < 0.1 ms.
"""
import argparse
import array
import bisect
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time
import wave

from latency_analysis import (BLOCK_FRAMES, RATE, TONE_HZ, back_on_target, clock_lines, dips, first_above,
                              handed_over, impurity_summary, left_channel, movement, onsets, parse_bursts,
                              state_summary, tone_impurity, write_mono)
from latency_load import KINDS as LOAD_KINDS, BackgroundLoad
from latency_probes import MicClock, Player, StatePoller, heard_at

BASE_LEVEL = 0.05
BURST_LEVEL = 0.5
ONSET_LEVEL = 0.25
TONE_LEVEL = 0.3
SETTINGS = {"classic": 0, "low": 1, "lowest": 2}
# GetState's delay counts as settled this long after stream second 0 (or after a start of
# the player's output buffer).
SETTLE_SECONDS = 20
# The delay is back on target when every poll keeps within this of it.
ON_TARGET_MS = 2
PLAYER_PACE = "player:500"
# A second of the direct recording this far above its median holds a glitch of the
# microphone's own signal.
MIC_GLITCH_DB = 20
# Dips within this long after the seek are the seek's.
AFTER_SEEK_SECONDS = 5


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


def sox_silence(path, seconds):
    run(["sox", "-D", "-n", "-r", str(RATE), "-c", "2", "-b", "16", path, "trim", "0", str(seconds)])
    return path


def make_signals(work, period, seconds):
    """The microphone's signal and the host's silent stream for a latency run. The
    microphone's is one long file, played once per run: restarting a player leaves a gap
    in the sink."""
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
    return mic, sox_silence(os.path.join(work, "silence.wav"), seconds)


def make_tone(work, seconds):
    """The microphone's steady tone and the host's silent stream for a tone run."""
    tone = os.path.join(work, "tone.wav")
    run(["sox", "-D", "-n", "-r", str(RATE), "-c", "2", "-b", "16", tone, "synth", str(seconds + 15),
         "sine", str(TONE_HZ), "vol", str(TONE_LEVEL)])
    return tone, sox_silence(os.path.join(work, "tone-silence.wav"), seconds)


def prepare(setting, work, name, args):
    """A folder for one run: the plug-in, an empty player INI and the plug-in's settings."""
    folder = os.path.join(work, name)
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
    return folder, plugins


class HostRun:
    """One run of tidewell-host in real time while MIC plays into the microphone: the host's
    log, its output (first channel), the microphone's clock and recording, and the GetState
    polls (every `poll` seconds; none when 0)."""

    def __init__(self, args, folder, plugins, mic, silence, extra=(), poll=0.0):
        output = os.path.join(folder, "out.wav")
        player = Player(args.sink, mic)
        self.clock = MicClock(f"{args.sink}.monitor")
        poller = StatePoller(args.root, args.build, poll, os.path.join(folder, "web-errors.log")) if poll > 0 else None
        time.sleep(0.5)
        # The host's output goes to files, not pipes: Wine processes the host starts (the
        # desktop's explorer.exe) inherit them and live on while the poller's bridge keeps
        # the Wine server up, so a pipe would not end when the host does.
        log_path, errors_path = os.path.join(folder, "host.log"), os.path.join(folder, "host-errors.log")
        with open(log_path, "w") as out, open(errors_path, "w") as errors:
            host = subprocess.run(
                [os.path.join(args.root, "scripts", "wine-run"), os.path.join(args.build, "tidewell-host.exe"),
                 win(os.path.join(plugins, "dsp_qxtidewell.dll")), win(silence), win(output),
                 "--plugin-dir", win(plugins), "--ini", win(os.path.join(folder, "winamp.ini")), *extra],
                stdout=out, stderr=errors)
        with open(log_path) as out, open(errors_path) as errors:
            host_out, host_errors = out.read(), errors.read()
        self.polls = poller.stop() if poller else []
        self.poll_failures = poller.failures if poller else 0
        self.poll_error = poller.last_error if poller else ""
        with open(os.path.join(folder, "polls.log"), "w") as f:
            f.writelines(line + "\n" for line in (poller.calls if poller else []))
        time.sleep(0.5)
        self.heard = self.clock.stop()
        player.stop()
        self.load = os.getloadavg()[0]
        self.log = host_out + host_errors
        self.heard_path = os.path.join(folder, "heard.wav")
        self.output_path = output
        with open(os.path.join(folder, "reads.txt"), "w") as f:
            f.writelines(f"{now:.6f} {frames}\n" for now, frames in self.clock.reads)
        write_mono(self.heard_path, self.heard)
        with open(os.path.join(folder, "polls.txt"), "w") as f:
            f.writelines(f"{t:.3f} {json.dumps(o)}\n" for t, o in self.polls)
        if host.returncode != 0:
            die(f"{folder}: tidewell-host exit {host.returncode}: {host_errors.strip()[-300:]}")
        self.clocks = clock_lines(self.log)
        if not self.clocks or self.clock.wall(0) is None:
            die(f"{folder}: no clock from the host or the microphone")
        self.out = left_channel(output)


def measure_latency(setting, args, work, mic, silence, player=False):
    """The latency run of SETTING (player-paced with a seek when PLAYER): a row of figures."""
    name = f"{setting}-player" if player else setting
    folder, plugins = prepare(setting, work, name, args)
    seek = round((args.measure + 8) / 2)
    extra = ["--pace", PLAYER_PACE, "--seek", str(seek), "--log-bursts"] if player else []
    host = HostRun(args, folder, plugins, mic, silence, extra, args.poll)
    stream_zero = host.clocks[0][1]
    bursts = parse_bursts(host.log) if player else None
    if player and not bursts:
        die(f"{name}: no burst: lines from the host")

    quiet = int(RATE * args.period / 2)
    mic_walls = [w for w in (host.clock.wall(m) for m in onsets(host.heard, quiet, ONSET_LEVEL)) if w is not None]
    start = first_above(host.out, BASE_LEVEL / 2)
    if start is None:
        die(f"{name}: the microphone never reached the output")
    latencies = []
    for o in onsets(host.out, quiet, ONSET_LEVEL):
        if o < start:
            continue
        block = o // BLOCK_FRAMES
        # The plug-in's share ends when the block that carries the onset is handed over.
        mixed = handed_over(bursts, block) if player else stream_zero + block * BLOCK_FRAMES / RATE
        if mixed is None:
            continue
        before = mic_walls[:bisect.bisect_right(mic_walls, mixed)]
        if before:
            latencies.append(1000 * (mixed - before[-1]))
    measured = int(min(len(host.out) - start, args.measure * RATE))
    dip_frames = dips(host.out, start, measured, BASE_LEVEL / 2)
    mic_start = first_above(host.heard, BASE_LEVEL / 2) or 0
    print(f"  dips heard at the microphone itself: {len(dips(host.heard, mic_start, len(host.heard), BASE_LEVEL / 2))}")
    print(f"  microphone clock against the wall clock: {host.clock.drift_ppm():+.0f} ppm")
    print("  latencies (ms): " + " ".join(f"{x:.0f}" for x in latencies))
    row = {"name": name, "latencies": latencies, "dips": len(dip_frames), "seconds": measured / RATE,
           "moved": movement(latencies, 4), "load": host.load, "polls": host.polls, "seek": None}
    polls = host.polls
    if player:
        seek_wall = next((u for s, u in host.clocks if s >= seek), None)
        seek_frame = seek * RATE
        after = [d for d in dip_frames if seek_frame <= d < seek_frame + AFTER_SEEK_SECONDS * RATE]
        back = back_on_target(polls, seek_wall, ON_TARGET_MS, AFTER_SEEK_SECONDS) if seek_wall is not None else None
        last_off = polls[-1][1]["delayMs"] - polls[-1][1]["targetMs"] if polls else None
        row["seek"] = {"at": seek, "dips": len(after), "back": back, "last_off": last_off}
        # The seek's own disturbance is reported apart from the steady delay's wobble.
        if seek_wall is not None:
            polls = [(t, o) for t, o in polls if not seek_wall <= t < seek_wall + (back or AFTER_SEEK_SECONDS)]
    row["state"] = state_summary(polls, stream_zero + SETTLE_SECONDS)
    if args.poll > 0:
        print(f"  GetState: {len(host.polls)} answers, {host.poll_failures} unanswered "
              f"(the last one usually, when the host has ended)"
              + (f"; the last error: {host.poll_error}" if host.poll_failures else ""))
    return row


def measure_tone(setting, args, work, tone, silence, latency):
    """The tone run of SETTING: the impurity of the mixed tone and of the tone recorded
    directly over the same stretch of the microphone's signal (LATENCY seconds, the
    setting's median, before the output's), and the seconds left out for dips."""
    folder, plugins = prepare(setting, work, f"{setting}-tone", args)
    host = HostRun(args, folder, plugins, tone, silence)
    start = first_above(host.out, TONE_LEVEL / 2)
    if start is None:
        die(f"{setting}-tone: the microphone never reached the output")
    first = start + RATE  # the first second of mixing holds the fade-in
    seconds = (len(host.out) - first) // RATE
    out_dips = dips(host.out, start, len(host.out) - start, TONE_LEVEL / 2)
    mixed = tone_impurity(host.output_path, first, seconds, out_dips)
    direct_first = host.clock.frame_at(host.clocks[0][1] + first / RATE - latency)
    heard_dips = dips(host.heard, direct_first, seconds * RATE, TONE_LEVEL / 2)
    direct = tone_impurity(host.heard_path, direct_first, seconds, heard_dips)
    summary, floor = impurity_summary(mixed), impurity_summary(direct)
    # A glitch of the microphone's own signal (the sound server starved) shows in the direct
    # recording over the same second: those seconds are also left out of the "clean" figures.
    glitches = set()
    if floor:
        clean_direct = {i for i, db in direct if db <= floor[0] + MIC_GLITCH_DB}
        glitches = {i for i, _ in mixed if i not in clean_direct}
    clean = impurity_summary([(i, db) for i, db in mixed if i not in glitches])
    print(f"  tone impurity per second (dB): " + " ".join(f"{db:.0f}" for _, db in mixed))
    print(f"  the same tone recorded directly (dB): " + " ".join(f"{db:.0f}" for _, db in direct))
    return {"mixed": summary, "clean": clean, "glitches": len(glitches), "direct": floor, "seconds": seconds,
            "dips": len(out_dips), "load": host.load}


def record_mic(source, path):
    """Records SOURCE until interrupted; writes PATH (mono, left channel), PATH.reads (the
    time-stamped reads) and PATH.clock (the wall time of its first frame)."""
    import signal
    clock = MicClock(source)
    stop = threading.Event()
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, lambda *_: stop.set())
    stop.wait()
    write_mono(path, clock.stop())
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


def fmt(value, pattern=".0f", none="-"):
    return none if value is None else format(value, pattern)


def print_tables(rows, tones):
    print()
    print("Latency (the plug-in's share: microphone to the handover of the block that carries the sound):")
    print()
    print("| run | onsets | median (ms) | worst (ms) | best (ms) | moved (ms) | underruns | mixed (s) | load |")
    print("|---|---|---|---|---|---|---|---|---|")
    for row in rows:
        ms = row["latencies"]
        plugin = row["state"]["underruns"] if row["state"] else None
        underruns = f"{row['dips']}" + (f" (plug-in: {plugin})" if plugin is not None else "")
        if ms:
            print(f"| {row['name']} | {len(ms)} | {statistics.median(ms):.0f} | {max(ms):.0f} | {min(ms):.0f} | "
                  f"{fmt(row['moved'], '+.1f')} | {underruns} | {row['seconds']:.0f} | {row['load']:.1f} |")
        else:
            print(f"| {row['name']} | 0 | - | - | - | - | {underruns} | {row['seconds']:.0f} | {row['load']:.1f} |")
    if any(row["state"] for row in rows):
        print()
        print(f"The delay the plug-in keeps (GetState, from {SETTLE_SECONDS} s on; the ratio over the whole run):")
        print()
        print("| run | polls | delay median (ms) | min | max | wobble (ms) | target (ms) | off target (ms) "
              "| ratio (ppm) | moved (ms) |")
        print("|---|---|---|---|---|---|---|---|---|---|")
        for row in rows:
            s = row["state"]
            if s:
                low, high = s["targets"][0], s["targets"][-1]
                targets = f"{low:g}" if low == high else f"{low:g} .. {high:g}"
                print(f"| {row['name']} | {s['polls']} | {s['median']:g} | {s['min']:g} | {s['max']:g} | "
                      f"{s['wobble']:g} | {targets} | {s['off_min']:+g} .. {s['off_max']:+g} | "
                      f"{s['ratio_min']:+g} .. {s['ratio_max']:+g} | "
                      f"{s['movement']:+.1f} |")
            else:
                print(f"| {row['name']} | 0 | - | - | - | - | - | - | - | - |")
    if tones:
        print()
        print(f"A steady {TONE_HZ} Hz tone: energy farther than 40 Hz from it against its own, per second:")
        print()
        print("| setting | median (dB) | worst (dB) | seconds | left out: dips (dips) | clean: median (dB) "
              "| clean: worst (dB) | left out: mic glitches | direct: median (dB) | direct: worst (dB) | load |")
        print("|---|---|---|---|---|---|---|---|---|---|---|")
        for setting, tone in tones:
            m, c, d = tone["mixed"], tone["clean"], tone["direct"]
            print(f"| {setting} | {fmt(m and m[0], '.1f')} | {fmt(m and m[1], '.1f')} | {m[2] if m else 0} | "
                  f"{tone['seconds'] - (m[2] if m else 0)} ({tone['dips']}) | {fmt(c and c[0], '.1f')} | "
                  f"{fmt(c and c[1], '.1f')} | {tone['glitches']} | {fmt(d and d[0], '.1f')} | "
                  f"{fmt(d and d[1], '.1f')} | {tone['load']:.1f} |")
    for row in rows:
        if row["seek"]:
            seek = row["seek"]
            back = f"{seek['back']:.1f} s after it" if seek["back"] is not None else (
                "never" + (f" (at the last poll {seek['last_off']:+g} ms off)" if seek["last_off"] is not None else ""))
            print()
            print(f"{row['name']}: seek at stream second {seek['at']}: {seek['dips']} underrun(s) within "
                  f"{AFTER_SEEK_SECONDS} s after it; the delay back within {ON_TARGET_MS} ms of its target {back}.")


def measure_all(settings, args, work, mic, silence, tone, tone_silence):
    """Every run asked for, in turn: the rows of the latency tables and the tone figures."""
    rows, tones = [], []
    for setting in settings:
        print(f"measure-latency: {setting}: {args.measure:.0f} s of mixing in real time ...", flush=True)
        rows.append(measure_latency(setting, args, work, mic, silence))
        if tone:
            print(f"measure-latency: {setting}: {args.tone_seconds:.0f} s of a steady tone ...", flush=True)
            latency = statistics.median(rows[-1]["latencies"]) / 1000 if rows[-1]["latencies"] else 0.0
            tones.append((setting, measure_tone(setting, args, work, tone, tone_silence, latency)))
    if not args.no_player:
        print(f"measure-latency: lowest, paced as a player ({PLAYER_PACE}, a seek): "
              f"{args.measure:.0f} s of mixing ...", flush=True)
        rows.append(measure_latency("lowest", args, work, mic, silence, player=True))
    return rows, tones


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
    parser.add_argument("--build", required=True, help="the Win32 build folder (DLL, tidewell-host.exe, tidewell-web.exe)")
    parser.add_argument("--sink", required=True, help="the null sink the microphone signal is played into")
    parser.add_argument("--description", required=True, help="the sink's description (device 'Monitor of ...')")
    parser.add_argument("--settings", default="lowest,low,classic", help="comma-separated: classic, low, lowest")
    parser.add_argument("--measure", type=float, default=60.0, help="seconds of mixing per latency run (60)")
    parser.add_argument("--period", type=float, default=4.0, help="seconds between bursts (4)")
    parser.add_argument("--tone-seconds", type=float, default=25.0,
                        help="seconds of steady tone per setting for the impurity (25; 0: no tone runs)")
    parser.add_argument("--poll", type=float, default=2.0, metavar="SECONDS",
                        help="ask the plug-in for GetState this often during the latency runs (2; 0: never)")
    parser.add_argument("--no-player", action="store_true",
                        help=f"leave out the player-like run (Lowest, --pace {PLAYER_PACE} and a seek)")
    parser.add_argument("--work", default="build/latency", help="scratch folder (build/latency)")
    parser.add_argument("--load", choices=LOAD_KINDS,
                        help="keep the machine busy for the whole measurement: yes (two `yes > /dev/null`) or "
                             "compile (the Release tree built from scratch over and over, two jobs)")
    parser.add_argument("--load-nice", type=int, default=0, metavar="N",
                        help="the load's nice value (0; 10 ranks it below the capture thread, as Windows "
                             "would, which Wine does not)")
    parser.add_argument("--fail-above", type=float, metavar="MS",
                        help="a test: latency runs only (no tone, no player-like run, no polling); print ok or "
                             "FAIL and exit 1 unless every onset arrived within MS ms (at least 2 onsets); "
                             "without a PulseAudio server it fails unless TIDEWELL_SKIP_AUDIO=1")
    args = parser.parse_args()
    args.root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    args.build = os.path.abspath(args.build)
    if args.fail_above is not None:
        args.tone_seconds, args.poll, args.no_player = 0, 0, True
    if args.measure <= 0 or args.period <= 0 or args.tone_seconds < 0 or args.poll < 0:
        die("--measure and --period must be positive, --tone-seconds and --poll not negative")
    if os.environ.get("TIDEWELL_PULSE") != "running":
        if args.fail_above is not None and os.environ.get("TIDEWELL_SKIP_AUDIO") == "1":
            print(f"SKIPPED (TIDEWELL_SKIP_AUDIO=1): {os.environ.get('TIDEWELL_PULSE', 'no PulseAudio server')}")
            sys.exit(0)
        die(f"no private PulseAudio server ({os.environ.get('TIDEWELL_PULSE', 'not started')})")
    settings = [s.strip() for s in args.settings.split(",") if s.strip()]
    for s in settings:
        if s not in SETTINGS:
            die(f"unknown setting {s}: choose from {', '.join(SETTINGS)}")
    if not shutil.which("sox"):
        die("sox is not installed (scripts/bootstrap.sh installs it)")
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    # Enough stream for the slowest start (Classic primes for about 3 s) and the measurement.
    mic, silence = make_signals(work, args.period, args.measure + 8)
    tone, tone_silence = make_tone(work, args.tone_seconds + 4) if args.tone_seconds > 0 else (None, None)
    load = BackgroundLoad(args.load, args.load_nice, args.root) if args.load else None
    if load:
        print(f"measure-latency: load: {args.load} at nice {args.load_nice}", flush=True)
    try:
        rows, tones = measure_all(settings, args, work, mic, silence, tone, tone_silence)
    finally:
        if load:
            load.stop()

    if args.fail_above is not None:
        failed = False
        for row in rows:
            ms = row["latencies"]
            if len(ms) < 2 or max(ms) > args.fail_above:
                print(f"FAIL {row['name']}: onsets {len(ms)}, latencies (ms) {[round(x) for x in ms]}, "
                      f"expected at least 2 within {args.fail_above:.0f}")
                failed = True
            else:
                print(f"ok   {row['name']}: {len(ms)} onsets, all within {args.fail_above:.0f} ms (worst {max(ms):.0f})")
        sys.exit(1 if failed else 0)
    print_tables(rows, tones)


if __name__ == "__main__":
    main()
