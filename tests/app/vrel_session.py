"""The editor run as a user starts it, for the whole-program tests under the X server of the test run:
a settings file of its own (placing the window, or not there yet), the six face images a user opens,
the program started and waited for until its first frame is painted. What the screen shows is waited
for by looking again until it shows it, never by sleeping a while."""

import configparser
import os
import queue
import subprocess
import sys
import threading
import time


# Six face images of six colours, each labelled with its face's name; "park" is their base name.
FACES = (("left", (255, 0, 0)), ("front", (0, 128, 0)), ("right", (0, 0, 255)), ("back", (255, 255, 0)),
         ("top", (0, 255, 255)), ("bottom", (255, 0, 255)))
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def wait_for(condition, what, seconds=60, why=None):
    """Looks again until `condition` holds; `why` tells what was still missing when it never did."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    fail(f"{what} within {seconds} s" + (f": {why()}" if why else ""))


def make_faces(folder):
    """Writes the six faces as folder/park_<face>.bmp with ImageMagick."""
    for name, rgb in FACES:
        colour = "rgb({},{},{})".format(*rgb)
        subprocess.run(["convert", "-size", "256x256", f"xc:{colour}", "-font", FONT, "-pointsize", "56", "-fill",
                        "black", "-gravity", "center", "-annotate", "0", name.upper(),
                        f"bmp3:{folder}/park_{name}.bmp"], check=True)


def xdotool(*args, timeout=60):
    """Runs xdotool; a failure or a hang fails the test. Answers what it printed, split in words."""
    try:
        done = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        fail(f"xdotool {' '.join(args)} did not finish within {timeout} s")
    if done.returncode != 0:
        fail(f"xdotool {' '.join(args)}: {done.stderr.strip()}")
    return done.stdout.split()


def key(*keys):
    """Real key presses. The program takes them in the order the X server gives them, whenever it gets
    to them: a menu the first key opens takes the next one even if it is not on the screen yet."""
    xdotool("key", "--clearmodifiers", *keys)


def screenshot(path):
    """The whole screen as the X server shows it (ImageMagick's import)."""
    subprocess.run(["import", "-window", "root", path], check=True)


def settings_of(ini):
    """The settings file as Python's configparser reads it, keys as written."""
    settings = configparser.ConfigParser(interpolation=None)
    settings.optionxform = str
    with open(ini, encoding="cp932", newline="") as f:
        settings.read_file(f)
    return settings


def close_from_file_menu(program, window):
    """ファイル(&F) → 終了(&X) with real keys: the program ends by itself, with exit code 0."""
    xdotool("windowfocus", "--sync", window)
    key("alt+f", "x")
    try:
        code = program.wait(timeout=60)
    except subprocess.TimeoutExpired:
        program.kill()
        fail("the program did not close from its File menu")
    if code != 0:
        fail(f"the program ended with {code}")


def window_named(name):
    """The visible windows whose title matches the regular expression `name`."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name], capture_output=True, text=True)
    return found.stdout.split()


def geometry(window):
    """A window's left, top, width and height on the screen, as the X server has them."""
    found = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True, text=True)
    values = dict(line.split("=", 1) for line in found.stdout.split())
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def near(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def _read_lines(stream, lines):
    # Everything the program says goes on to the test's log, sanitizer reports included.
    for line in stream:
        sys.stderr.write(line)
        lines.put(line)


def start(vrel, folder, *placement, environment=None):
    """Starts the program with the settings file folder/vrel.ini, which places its window at
    `placement` (left, top, width, height) or, without one, is not there yet, and with `environment`
    added to its own; answers the process, the settings file and the seconds from the launch to the
    program's first-frame line."""
    ini = os.path.join(folder, "vrel.ini")
    if placement:
        left, top, width, height = placement
        with open(ini, "w", newline="") as f:
            f.write(f"[MainForm]\r\nLeft={left}\r\nTop={top}\r\nWidth={width}\r\nHeight={height}\r\n")
    env = dict(os.environ, VREL_INI=ini, QT_LOGGING_RULES="vrel.startup.info=true", LIBGL_ALWAYS_SOFTWARE="1")
    env.update(environment or {})
    env.pop("QT_QPA_PLATFORM", None)

    started = time.monotonic()
    program = subprocess.Popen([vrel], env=env, stderr=subprocess.PIPE, text=True)
    lines = queue.Queue()
    threading.Thread(target=_read_lines, args=(program.stderr, lines), daemon=True).start()
    while True:
        try:
            line = lines.get(timeout=60)
        except queue.Empty:
            program.kill()
            fail("no first frame within a minute")
        if "first frame painted" in line:
            first_frame = time.monotonic() - started
            print("first frame:", line.strip(), f"(launch to the line: {first_frame * 1000:.0f} ms)")
            break
    return program, ini, first_frame
