#!/usr/bin/python3
"""The web panel in a real browser: Debian's chromium, headless, driven by selenium.

The plug-in plays a steady 330 Hz tone through the substitute host while a PulseAudio
microphone hears a spoken voice; tidewell-web serves the panel on 127.0.0.1. The browser
clicks Off and Auto (MixInStats follows), holds the push-to-talk button (the voice appears in
the output after the press and not before) and watches the meter move.

Run inside scripts/pulse-session with a sink "panel_mic" that plays the voice:
    web_panel_e2e.py BUILD_DIR
Network: the browser and every request go to 127.0.0.1 only.
"""
import json
import math
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request
import wave

BUILD = os.path.abspath(sys.argv[1])
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.path.join(BUILD, "e2e-web-panel")
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
MUSIC_SECONDS = 30
MUSIC_HZ = 330.0
PHONE_SIZE = (390, 844)  # CSS pixels of a common phone
WINDOW_MS = 100
# A window holds the voice when what is left after taking out the music tone is this loud.
VOICE_RESIDUAL = 300.0  # 16-bit sample units, about -40 dBFS
SILENT_RESIDUAL = 60.0

passed = 0
failed = 0


def check(name, ok, detail=""):
    global passed, failed
    if ok:
        print("ok   " + name)
        passed += 1
    else:
        print("FAIL " + name + " " + str(detail))
        failed += 1
    sys.stdout.flush()


def win(path):
    return "Z:" + path.replace("/", "\\")


def remote(*texts):
    out = subprocess.run([WINE_RUN, os.path.join(BUILD, "tidewell-remote.exe"), "--timeout", "20000",
                          "--expect", str(len(texts)), *texts], capture_output=True, timeout=60)
    return out.stdout.decode("latin-1").replace("\r", "")


def stat(report, key):
    for line in report.splitlines():
        if line.startswith("\t" + key + ": "):
            return line.split(": ", 1)[1]
    return None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def await_line(path, text, seconds):
    until = time.time() + seconds
    while time.time() < until:
        try:
            with open(path, encoding="latin-1") as f:
                if text in f.read():
                    return True
        except FileNotFoundError:
            pass
        time.sleep(0.1)
    return False


def voice_windows(path):
    """Per 100 ms window of the left channel: the RMS of what is left after the best-fitting
    330 Hz sine (the music) is taken out, in 16-bit units."""
    with wave.open(path) as w:
        rate, channels, frames = w.getframerate(), w.getnchannels(), w.getnframes()
        data = w.readframes(frames)
    samples = struct.unpack("<%dh" % (len(data) // 2), data)[::channels]
    size = rate * WINDOW_MS // 1000
    step = 2 * math.pi * MUSIC_HZ / rate
    result = []
    for start in range(0, len(samples) - size + 1, size):
        xs = samples[start:start + size]
        # Least squares against sin and cos of the tone (nearly orthogonal over 33 periods).
        ss = sc = cc = ys = yc = 0.0
        for i, y in enumerate(xs):
            s = math.sin(step * (start + i))
            c = math.cos(step * (start + i))
            ss += s * s
            sc += s * c
            cc += c * c
            ys += y * s
            yc += y * c
        det = ss * cc - sc * sc
        a = (ys * cc - yc * sc) / det
        b = (yc * ss - ys * sc) / det
        err = 0.0
        for i, y in enumerate(xs):
            r = y - a * math.sin(step * (start + i)) - b * math.cos(step * (start + i))
            err += r * r
        result.append(math.sqrt(err / size))
    return result


def main():
    if os.environ.get("TIDEWELL_PULSE", "unavailable") != "running":
        reason = os.environ.get("TIDEWELL_PULSE", "run through scripts/pulse-session")
        if os.environ.get("TIDEWELL_SKIP_AUDIO") == "1":
            print("SKIPPED (TIDEWELL_SKIP_AUDIO=1): %s" % reason)
            return 0
        print("FAIL audio: no private PulseAudio server (%s); set TIDEWELL_SKIP_AUDIO=1 to skip" % reason)
        return 1
    if not shutil.which("chromium") or not shutil.which("chromedriver"):
        print("FAIL chromium and chromium-driver are not installed (scripts/bootstrap.sh installs them)")
        return 1
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait

    shutil.rmtree(WORK, ignore_errors=True)
    plugins = os.path.join(WORK, "Plugins")
    os.makedirs(plugins)
    shutil.copy(os.path.join(BUILD, "dsp_qxtidewell.dll"), plugins)
    open(os.path.join(WORK, "winamp.ini"), "w").close()
    # Manual to start with; the Auto trigger at 100 % never fires, so only the push-to-talk
    # button brings the voice in.
    with open(os.path.join(plugins, "QXWTidewell.ini"), "w") as f:
        f.write("[QXTidewell]\nInputDeviceName=Monitor of Tidewell Panel Mic\nMixInMode=1\nWantActive=1\n"
                "AutoMixInThresh=100\nPTTMixInPercent=1\n")
    music = os.path.join(WORK, "music.wav")
    out_wav = os.path.join(WORK, "out.wav")
    subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", "-b", "16", music, "synth", str(MUSIC_SECONDS),
                    "sine", str(MUSIC_HZ), "vol", "0.25"], check=True)

    port = free_port()
    base = "http://127.0.0.1:%d" % port
    host_log = os.path.join(WORK, "host.log")
    web_log = os.path.join(WORK, "web.log")
    procs = []
    driver = None
    profile = tempfile.mkdtemp(prefix="tidewell-chromium-")
    try:
        procs.append(subprocess.Popen(
            [WINE_RUN, os.path.join(BUILD, "tidewell-host.exe"), win(os.path.join(plugins, "dsp_qxtidewell.dll")),
             win(music), win(out_wav), "--plugin-dir", win(plugins), "--ini", win(os.path.join(WORK, "winamp.ini"))],
            stdout=open(host_log, "w"), stderr=subprocess.STDOUT))
        procs.append(subprocess.Popen([WINE_RUN, os.path.join(BUILD, "tidewell-web.exe"), "--listen",
                                       "127.0.0.1:%d" % port], stdout=open(web_log, "w"), stderr=subprocess.STDOUT))

        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium")
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--user-data-dir=" + profile,
                     "--window-size=%d,%d" % PHONE_SIZE):
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": PHONE_SIZE[0], "height": PHONE_SIZE[1], "deviceScaleFactor": 2,
                                "mobile": True})

        if not await_line(host_log, " play: ", 30) or not await_line(web_log, "listening on", 30):
            check("the host plays and the bridge listens", False, open(host_log).read() + open(web_log).read())
            return 1
        played = time.time()
        driver.get(base + "/")
        class Waiter:
            def until(self, condition):
                try:
                    return WebDriverWait(driver, 20).until(condition)
                except Exception:
                    page = driver.execute_script(
                        "return [document.getElementById('link').textContent,"
                        " document.getElementById('message').textContent,"
                        " document.getElementById('ptt').getAttribute('aria-pressed')].join(' | ')")
                    print("waiting failed; the page shows: " + page)
                    print(subprocess.run(["curl", "-s", "--max-time", "10", base + "/api/state"],
                                         capture_output=True, text=True).stdout)
                    raise
        wait = Waiter()
        wait.until(lambda d: d.find_element(By.ID, "link").text == "live" and
                   "on" in d.find_element(By.ID, "mode-manual").get_attribute("class"))
        check("the panel loads and shows the plug-in's mode", True)

        driver.find_element(By.ID, "mode-off").click()
        wait.until(lambda d: "on" in d.find_element(By.ID, "mode-off").get_attribute("class"))
        off = stat(remote("MixInStats"), "MSMode")
        driver.find_element(By.ID, "mode-auto").click()
        wait.until(lambda d: "on" in d.find_element(By.ID, "mode-auto").get_attribute("class"))
        auto = stat(remote("MixInStats"), "MSMode")
        check("click Off, then Auto: MixInStats follows (MSMode 0, then 2)", (off, auto) == ("0", "2"), (off, auto))

        # The meter follows the live input about ten times a second.
        # The mixer reports the level a little more than once a second.
        levels = set()
        pushes = int(driver.find_element(By.TAG_NAME, "body").get_attribute("data-pushes") or 0)
        until = time.time() + 4
        while time.time() < until:
            levels.add(int(driver.find_element(By.ID, "meter-bar").get_attribute("data-level") or 0))
            time.sleep(0.1)
        pushes = int(driver.find_element(By.TAG_NAME, "body").get_attribute("data-pushes") or 0) - pushes
        print("     (%d states pushed in 4 s)" % pushes)
        check("the meter moves with the microphone", len(levels) >= 2 and max(levels) > 0, sorted(levels))

        driver.find_element(By.ID, "mode-ptt").click()
        wait.until(lambda d: "on" in d.find_element(By.ID, "mode-ptt").get_attribute("class"))
        button = driver.find_element(By.ID, "ptt")
        pressed_at = time.time() - played
        ActionChains(driver).click_and_hold(button).perform()
        wait.until(lambda d: d.find_element(By.ID, "ptt").get_attribute("aria-pressed") == "true")
        # The press reaches the mixer with the recorded buffer it falls in, a few buffers on.
        live = None
        for _ in range(10):
            live = stat(remote("MixInStats"), "PTTOn")
            if live == "true":
                break
            time.sleep(0.2)
        wait.until(lambda d: d.find_element(By.ID, "ptt-live").text.endswith("ON"))
        time.sleep(0.5)
        driver.save_screenshot(os.path.join(WORK, "panel-phone.png"))
        ActionChains(driver).release(button).perform()
        released_at = time.time() - played
        wait.until(lambda d: d.find_element(By.ID, "ptt").get_attribute("aria-pressed") == "false")
        check("holding the button presses the pad; the mixer reports push-to-talk on", live == "true", live)
        # The voice reaches the output the plug-in's delay after the microphone heard it:
        # about 2.5 s in Classic, more when more recorded buffers than its reserve were
        # waiting as mixing began (Classic keeps them all).
        with urllib.request.urlopen(base + "/api/state", timeout=10) as reply:
            delay = json.loads(reply.read().decode())["latency"]["delayMs"] / 1000.0
        print("     (the plug-in's delay %.1f s)" % delay)

        procs[0].wait(timeout=MUSIC_SECONDS + 30)
        windows = voice_windows(out_wav)
        per_second = 1000 // WINDOW_MS
        before = windows[:int(pressed_at * per_second)]
        during = windows[int(pressed_at * per_second):]
        check("before the press the output is the music alone",
              before and max(before) < SILENT_RESIDUAL, "max residual %.0f" % max(before or [0]))
        loud = [i / per_second for i, r in enumerate(windows) if r >= VOICE_RESIDUAL]
        check("while the button is held the voice is mixed into the output",
              any(pressed_at <= t <= released_at + max(4.0, delay + 1.5) for t in loud)
              and max(during) >= VOICE_RESIDUAL,
              "pressed %.1f s, released %.1f s, the plug-in's delay %.1f s, voice at %s"
              % (pressed_at, released_at, delay, loud[:5]))
    finally:
        if driver is not None:
            driver.quit()
        for p in procs:
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(profile, ignore_errors=True)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
