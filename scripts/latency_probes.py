"""The instruments of measure-latency.py: a player that plays a file into the microphone's
sink, a recorder that places each recorded frame on the wall clock, and a poller that asks
the plug-in for its GetState (through the web bridge) while the host runs."""
import array
import bisect
import http.client
import json
import os
import socket
import subprocess
import threading
import time
import urllib.error
import urllib.request

from latency_analysis import RATE

CHANNELS = 2


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

    def frame_at(self, wall):
        """The frame heard at wall time WALL, from the first read at or after it."""
        i = bisect.bisect_left(self.reads, wall, key=lambda read: read[0])
        if i == len(self.reads):
            return self.reads[-1][1] if self.reads else 0
        now, frames = self.reads[i]
        return max(0, frames - round((now - wall) * RATE))

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


class StatePoller:
    """Asks the plug-in for GetState every `every` seconds while the host runs, through one
    tidewell-web bridge on loopback that lives as long as the poller, rather than a Wine
    process (tidewell-remote) started for every poll: each start loads both cores for a
    moment, and under Wine (no thread priorities) that can delay the capture thread, whose
    lateness then raises the very delay being measured. The bridge switches the command
    server on once the control window is open and reconnects by itself. Keeps (Unix time of the reply,
    the "latency" object) pairs."""

    def __init__(self, root, build, every, errors_path):
        self.port = free_port()
        self.url = f"http://127.0.0.1:{self.port}/api/state"
        # Its messages go to a file: a pipe would be held open by the Wine processes it may
        # start, which outlive it.
        self.errors_path = errors_path
        with open(errors_path, "w") as errors:
            self.bridge = subprocess.Popen(
                [os.path.join(root, "scripts", "wine-run"), os.path.join(build, "tidewell-web.exe"),
                 "--listen", f"127.0.0.1:{self.port}"],
                stdout=subprocess.DEVNULL, stderr=errors)
        self.every = every
        self.polls, self.failures, self.last_error = [], 0, ""
        self.calls = []  # every request and how it ended, for polls.log
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self._loop, daemon=True)
        self.thread.start()

    def _state(self):
        """The state's JSON text, or None with the reason in last_error."""
        try:
            with urllib.request.urlopen(self.url, timeout=3) as reply:
                text = reply.read().decode()
            self.calls.append(f"{time.time():.3f} GET /api/state: 200")
            return text
        except urllib.error.HTTPError as e:
            reason = f"{e.code} {e.read().decode(errors='replace').strip()[-200:]}"
        except (OSError, ValueError, http.client.HTTPException) as e:  # not listening yet, no answer in time
            reason = str(e)
        self.calls.append(f"{time.time():.3f} GET /api/state: {reason}")
        self.last_error = reason
        return None

    def _loop(self):
        due = time.time()
        while not self.stopping.is_set():
            text = self._state()
            if not self.polls and text is None:
                # Not yet (the bridge still starting, no control window or no server yet):
                # ask again soon.
                self.stopping.wait(0.3)
                continue
            replied = time.time()
            try:
                state = json.loads(text) if text is not None else {}
            except ValueError:
                state = {}
                self.last_error = f"not JSON: {text[:200]}"
            if "latency" in state:
                self.polls.append((replied, state["latency"]))
            else:
                self.failures += 1
            due = max(due + self.every, time.time())
            self.stopping.wait(due - time.time())

    def stop(self):
        self.stopping.set()
        self.thread.join(timeout=30)
        self.bridge.terminate()
        try:
            self.bridge.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.bridge.kill()
            self.bridge.wait()
        with open(self.errors_path) as errors:
            said = errors.read().strip()
        if said:
            self.calls.append("tidewell-web: " + said[-500:])
        return self.polls


def free_port():
    """A loopback port no one listens on now."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
