#!/usr/bin/env python3
"""The editor as a user starts it and reaches its file commands, under the X server of the test run.

Starts the program with a settings file of its own (VREL_INI) that places the window, waits for its
first frame, grabs the whole screen with ImageMagick's import and checks the picture with Pillow:
the window where the file put it, the 3D view in its background colour with the axes and the cube's
edges drawn over it, the head panel and the status bar around it. Then makes six labelled face
images of six colours with ImageMagick, opens them from the File menu through Qt's picture dialog
with real keys (xdotool) and checks that the faces' colours fill the 3D view; opens the memo from the
View menu, opens the about box from the Help menu and closes it with Escape; saves the scene with
Ctrl+S through the save dialog, reads the scene file back (its TEXTURE lines name the six faces),
closes the program from its File menu without a save question, and reads the settings file it wrote
back with Python's configparser: the window's placement, the panels, the display settings and the
memo window's placement. (The memo's notes typed through the input method and saved beside the scene
are the whole-session test's.)

Usage: vrel_documents_test.py VREL_BINARY OUTPUT_FOLDER (the screenshots are left there).
"""

import os
import sys
import tempfile

from PIL import Image

from vrel_session import (FACES, close_from_file_menu, fail, geometry, key, make_faces, near, screenshot,
                          settings_of, start, wait_for, window_named, xdotool)

LEFT, TOP, WIDTH, HEIGHT = 40, 30, 1024, 700
BACKGROUND = (0x18, 0x40, 0x59)  # the view's default background, 5849112 with red in the low byte


def first_window_problems(picture):
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


def visible_windows():
    return set(window_named("."))


def focus_new_window(known):
    """Waits for a top-level window that was not there before (a dialog) and gives it the keyboard."""
    new = []
    wait_for(lambda: new.extend(visible_windows() - known) or new, "a dialog")
    xdotool("windowfocus", "--sync", new[0])


def face_pixels(shot):
    """How many pixels of the view show each face's colour."""
    view = Image.open(shot).convert("RGB").crop((LEFT + 10, TOP + 80, LEFT + WIDTH - 200, TOP + HEIGHT - 40))
    colours = view.getcolors(maxcolors=1 << 22)
    return {name: sum(count for count, colour in colours if near(colour, rgb, 24)) for name, rgb in FACES}


def check_settings(ini):
    """The settings file the program wrote when it closed."""
    settings = settings_of(ini)
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
    # The memo was open when the program quit: its placement is kept.
    placement = {name: settings.get("MemoForm", name, fallback=None) for name in ("Left", "Top", "Width", "Height")}
    if placement != {"Left": "200", "Top": "200", "Width": "450", "Height": "300"}:
        fail(f"the memo's placement in the settings file: {placement}")


def main():
    vrel, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="vrel-documents-")
    make_faces(folder)
    program, ini, _ = start(vrel, folder, LEFT, TOP, WIDTH, HEIGHT)
    try:
        found = window_named("^Vrel$")
        if not found:
            fail("no window captioned Vrel")
        main_window = found[0]
        if geometry(main_window) != (LEFT, TOP, WIDTH, HEIGHT):
            fail(f"the window stands at {geometry(main_window)}, not where the settings file put it")
        # The first frame is painted; the screen shows it a moment later.
        first = os.path.join(out, "vrel-window.png")
        missing = []

        def first_window_shown():
            screenshot(first)
            missing[:] = first_window_problems(Image.open(first).convert("RGB"))
            return not missing

        wait_for(first_window_shown, "the window drawn on the screen", why=lambda: "; ".join(missing))

        # ファイル(&F) → ６面画像を開く...(&I): the picture dialog; the file name goes into its name box.
        xdotool("windowfocus", "--sync", main_window)
        known = visible_windows()
        key("alt+f", "i")
        focus_new_window(known)
        xdotool("type", "--delay", "20", f"{folder}/park_front.bmp")
        key("Return")
        shot = os.path.join(out, "vrel-six-images.png")

        def faces_shown():
            screenshot(shot)
            return sum(1 for count in face_pixels(shot).values() if count > 2000) >= 2

        wait_for(faces_shown, "the faces' colours in the view")
        counts = face_pixels(shot)
        print("face pixels in the view:", counts)
        if sum(counts.values()) < 0.5 * (WIDTH - 210) * (HEIGHT - 120):
            fail(f"the faces fill too little of the view: {counts}")

        # 表示(&V) → メモ, the View menu's last item, reached from ヘルプ(&H) next to it.
        xdotool("windowfocus", "--sync", main_window)
        key("alt+h", "Left", "Up", "Return")
        wait_for(lambda: window_named("^メモ$"), "the memo window")
        memo = window_named("^メモ$")[0]
        if geometry(memo) != (200, 200, 450, 300):
            fail(f"the memo window stands at {geometry(memo)}, not where its defaults put it")
        screenshot(os.path.join(out, "vrel-memo.png"))

        # ヘルプ(&H) → バージョン情報(&A): the about box over the middle of the main window; Escape closes it.
        xdotool("windowfocus", "--sync", main_window)
        key("alt+h", "a")
        wait_for(lambda: window_named("^Vrel.exe$"), "the about box")
        about = window_named("^Vrel.exe$")[0]
        if geometry(about) != (LEFT + (WIDTH - 300) // 2, TOP + (HEIGHT - 210) // 2, 300, 210):
            fail(f"the about box stands at {geometry(about)}")
        screenshot(os.path.join(out, "vrel-about.png"))
        xdotool("windowfocus", "--sync", about)
        key("Escape")
        wait_for(lambda: not window_named("^Vrel.exe$"), "the about box to close")

        # Ctrl+S on a new document with images: the save dialog of a scene; ".scn" is added.
        xdotool("windowfocus", "--sync", main_window)
        known = visible_windows()
        key("ctrl+s")
        focus_new_window(known)
        xdotool("type", "--delay", "20", f"{folder}/field")
        key("Return")
        wait_for(lambda: os.path.exists(os.path.join(folder, "field.vro")), "the saved object file")
        with open(os.path.join(folder, "field.scn"), encoding="cp932", newline="") as f:
            textures = [line.split()[1] for line in f.read().split("\r\n") if line.startswith("TEXTURE ")]
        if textures != [f"park_{name}" for name, _ in FACES] + ["fms_vista"]:
            fail(f"the scene's TEXTURE lines name {textures}")
        if not os.path.exists(os.path.join(folder, "fms_vista.bmp")):
            fail("no vista bitmap beside the scene")

        # Saved: closing asks nothing.
        close_from_file_menu(program, main_window)
    except BaseException:
        program.kill()
        raise
    check_settings(ini)
    print("screenshots:", first, shot, os.path.join(out, "vrel-memo.png"), os.path.join(out, "vrel-about.png"))


if __name__ == "__main__":
    main()
