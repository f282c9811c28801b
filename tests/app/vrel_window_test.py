#!/usr/bin/env python3
"""The editor as a user starts it, under the X server of the test run.

Starts the program with a settings file of its own (VREL_INI) that places the window, waits for its
first frame, grabs the whole screen with ImageMagick's import and checks the picture with Pillow:
the window where the file put it, the 3D view in its background colour with the axes and the cube's
edges drawn over it, the head panel and the status bar around it. Then closes the program from its
File menu with real keys (xdotool) and reads the settings file it wrote back with Python's
configparser.

Usage: vrel_window_test.py VREL_BINARY OUTPUT_FOLDER (the screenshot is left there).
"""

import configparser
import os
import subprocess
import sys
import tempfile

from PIL import Image

from vrel_session import fail, geometry, near, start, wait_for, window_named

LEFT, TOP, WIDTH, HEIGHT = 40, 30, 1024, 700
BACKGROUND = (0x18, 0x40, 0x59)  # the view's default background, 5849112 with red in the low byte


def problems(picture):
    """What the screen does not show yet of the window as it should stand."""
    found = []
    # The 3D view: most of a band across it, above the operate panel that floats over it, is
    # background, and the axes and cube edges drawn over it are there too.
    y = TOP + 130
    band = [picture.getpixel((x, y)) for x in range(LEFT + 10, LEFT + WIDTH - 200)]
    background = sum(near(p, BACKGROUND) for p in band)
    if background < len(band) * 0.8:
        found.append(f"only {background} of {len(band)} pixels across the view are the background")
    view = picture.crop((LEFT + 10, TOP + 70, LEFT + WIDTH - 200, TOP + HEIGHT - 40))
    colours = view.getcolors(maxcolors=1 << 20)
    drawn = sum(count for count, colour in colours if not near(colour, BACKGROUND, 40))
    if drawn < 500:
        found.append(f"nothing drawn over the background ({drawn} pixels)")
    # The head panel above and the status bar below are the light window colour of the style.
    for x, y in ((LEFT + WIDTH - 20, TOP + 40), (LEFT + 300, TOP + HEIGHT - 10)):
        if sum(picture.getpixel((x, y))) < 600:
            found.append(f"pixel {x},{y} is {picture.getpixel((x, y))}, not the window colour")
    # Outside the window the screen is untouched.
    if picture.getpixel((LEFT + WIDTH + 20, TOP + HEIGHT + 20)) != (0, 0, 0):
        found.append("the window reaches beyond where it was put")
    return found


def main():
    vrel, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="vrel-window-")
    program, ini, _ = start(vrel, folder, LEFT, TOP, WIDTH, HEIGHT)

    found = window_named("^Vrel$")
    if not found:
        fail("no window captioned Vrel")
    wid = found[0]
    if geometry(wid) != (LEFT, TOP, WIDTH, HEIGHT):
        fail(f"the window stands at {geometry(wid)}, not where the settings file put it")
    # The first frame is painted; the screen shows it a moment later.
    shot = os.path.join(out, "vrel-window.png")
    missing = []

    def shown():
        subprocess.run(["import", "-window", "root", shot], check=True)
        missing[:] = problems(Image.open(shot).convert("RGB"))
        return not missing

    wait_for(shown, "the window drawn on the screen", why=lambda: "; ".join(missing))

    # Close from the menu: Alt+F opens "ファイル(&F)", X is "終了(&X)".
    subprocess.run(["xdotool", "windowfocus", "--sync", wid], check=True)
    subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+f", "x"], check=True)
    try:
        code = program.wait(timeout=60)
    except subprocess.TimeoutExpired:
        program.kill()
        fail("the program did not close from its File menu")
    if code != 0:
        fail(f"the program ended with {code}")

    settings = configparser.ConfigParser(interpolation=None)
    settings.optionxform = str
    with open(ini, encoding="cp932", newline="") as f:
        settings.read_file(f)
    expected = {"Left": str(LEFT), "Top": str(TOP), "Width": str(WIDTH), "Height": str(HEIGHT), "Maximize": "0",
                "SitePanelWidth": "145"}
    if dict(settings["MainForm"]) != expected:
        fail(f"[MainForm] is {dict(settings['MainForm'])}")
    for name in ("ToolForm", "LayerForm", "ParamForm"):
        section = settings[name]
        if (section["Docking"], section["Visible"], section["DockAlign"]) != ("1", "1", "1"):
            fail(f"[{name}] is {dict(section)}")
    for name in ("OperatePanelForm", "DirectionToolForm", "ScaleToolForm", "RotationToolForm"):
        if set(settings[name]) != {"Left", "Top", "Visible"}:
            fail(f"[{name}] is {dict(settings[name])}")
    if len(settings["Property"]) != 26 or settings["Property"]["BackGroundColor"] != "5849112":
        fail(f"[Property] is {dict(settings['Property'])}")
    print("screenshot:", shot)


if __name__ == "__main__":
    main()
