"""The editor run as a user starts it, for the whole-program tests under the X server of the test run:
a settings file of its own that places the window, the program started and waited for until its first
frame is painted."""

import os
import queue
import subprocess
import sys
import threading
import time


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def near(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def _read_lines(stream, lines):
    for line in stream:
        lines.put(line)


def start(vrel, folder, left, top, width, height):
    """Starts the program with the settings file folder/vrel.ini placing its window; answers the process,
    the settings file and the seconds from the launch to the program's first-frame line."""
    ini = os.path.join(folder, "vrel.ini")
    with open(ini, "w", newline="") as f:
        f.write(f"[MainForm]\r\nLeft={left}\r\nTop={top}\r\nWidth={width}\r\nHeight={height}\r\n")
    env = dict(os.environ, VREL_INI=ini, QT_LOGGING_RULES="vrel.startup.info=true", LIBGL_ALWAYS_SOFTWARE="1")
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
        sys.stderr.write(line)
        if "first frame painted" in line:
            first_frame = time.monotonic() - started
            print("first frame:", line.strip(), f"(launch to the line: {first_frame * 1000:.0f} ms)")
            break
    time.sleep(1.0)  # Qt puts the frame on the screen after the paint
    return program, ini, first_frame
