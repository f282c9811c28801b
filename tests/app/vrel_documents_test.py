#!/usr/bin/env python3
"""The file commands as a user reaches them, under the X server of the test run.

Makes six labelled face images of six colours with ImageMagick, starts the program with a settings
file of its own, opens the images from the File menu through Qt's picture dialog with real keys
(xdotool), grabs the whole screen with ImageMagick's import and checks with Pillow that the faces'
colours fill the 3D view; opens the memo from the View menu, opens the about box from the Help menu
and closes it with Escape; then saves the scene with Ctrl+S through the save dialog, reads the scene
file back (its TEXTURE lines name the six faces), closes the program from its File menu without a
save question, and reads the memo window's placement back from the settings file with configparser.
(The memo's notes typed through the input method and saved beside the scene are the whole-session
test's.)

Usage: vrel_documents_test.py VREL_BINARY OUTPUT_FOLDER (the screenshots are left there).
"""

import configparser
import os
import subprocess
import sys
import tempfile

from PIL import Image

from vrel_session import FACES, fail, geometry, make_faces, near, start, wait_for, window_named

LEFT, TOP, WIDTH, HEIGHT = 40, 30, 1024, 700


# The program takes keys in the order the X server gives them, whenever it gets to them: a menu the
# first key opens takes the next one even if it is not on the screen yet.
def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)


def visible_windows():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."], capture_output=True, text=True)
    return set(found.stdout.split())


def focus_new_window(known):
    """Waits for a top-level window that was not there before (a dialog) and gives it the keyboard."""
    new = []
    wait_for(lambda: new.extend(visible_windows() - known) or new, "a dialog")
    subprocess.run(["xdotool", "windowfocus", "--sync", new[0]], check=True)


def face_pixels(shot):
    """How many pixels of the view show each face's colour."""
    view = Image.open(shot).convert("RGB").crop((LEFT + 10, TOP + 80, LEFT + WIDTH - 200, TOP + HEIGHT - 40))
    counts = dict.fromkeys(name for name, _ in FACES)
    colours = view.getcolors(maxcolors=1 << 22)
    for name, rgb in FACES:
        counts[name] = sum(count for count, colour in colours if near(colour, rgb, 24))
    return counts


def main():
    vrel, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    folder = tempfile.mkdtemp(prefix="vrel-documents-")
    make_faces(folder)
    program, ini, _ = start(vrel, folder, LEFT, TOP, WIDTH, HEIGHT)
    main_window = window_named("^Vrel$")
    if not main_window:
        fail("no window captioned Vrel")
    main_window = main_window[0]

    try:
        # ファイル(&F) → ６面画像を開く...(&I): the picture dialog; the file name goes into its name box.
        subprocess.run(["xdotool", "windowfocus", "--sync", main_window], check=True)
        known = visible_windows()
        key("alt+f", "i")
        focus_new_window(known)
        type_text(f"{folder}/park_front.bmp")
        key("Return")
        shot = os.path.join(out, "vrel-six-images.png")

        def faces_shown():
            subprocess.run(["import", "-window", "root", shot], check=True)
            return sum(1 for count in face_pixels(shot).values() if count > 2000) >= 2

        wait_for(faces_shown, "the faces' colours in the view")
        counts = face_pixels(shot)
        print("face pixels in the view:", counts)
        if sum(counts.values()) < 0.5 * (WIDTH - 210) * (HEIGHT - 120):
            fail(f"the faces fill too little of the view: {counts}")

        # 表示(&V) → メモ, the View menu's last item, reached from ヘルプ(&H) next to it.
        subprocess.run(["xdotool", "windowfocus", "--sync", main_window], check=True)
        key("alt+h", "Left", "Up", "Return")
        wait_for(lambda: window_named("^メモ$"), "the memo window")
        memo = window_named("^メモ$")[0]
        if geometry(memo) != (200, 200, 450, 300):
            fail(f"the memo window stands at {geometry(memo)}, not where its defaults put it")
        subprocess.run(["import", "-window", "root", os.path.join(out, "vrel-memo.png")], check=True)

        # ヘルプ(&H) → バージョン情報(&A): the about box over the middle of the main window; Escape closes it.
        subprocess.run(["xdotool", "windowfocus", "--sync", main_window], check=True)
        key("alt+h", "a")
        wait_for(lambda: window_named("^Vrel.exe$"), "the about box")
        about = window_named("^Vrel.exe$")[0]
        if geometry(about) != (LEFT + (WIDTH - 300) // 2, TOP + (HEIGHT - 210) // 2, 300, 210):
            fail(f"the about box stands at {geometry(about)}")
        subprocess.run(["import", "-window", "root", os.path.join(out, "vrel-about.png")], check=True)
        subprocess.run(["xdotool", "windowfocus", "--sync", about], check=True)
        key("Escape")
        wait_for(lambda: not window_named("^Vrel.exe$"), "the about box to close")

        # Ctrl+S on a new document with images: the save dialog of a scene; ".scn" is added.
        subprocess.run(["xdotool", "windowfocus", "--sync", main_window], check=True)
        known = visible_windows()
        key("ctrl+s")
        focus_new_window(known)
        type_text(f"{folder}/field")
        key("Return")
        scene = os.path.join(folder, "field.scn")
        wait_for(lambda: os.path.exists(os.path.join(folder, "field.vro")), "the saved object file")
        with open(scene, encoding="cp932", newline="") as f:
            textures = [line.split()[1] for line in f.read().split("\r\n") if line.startswith("TEXTURE ")]
        expected = [f"park_{name}" for name, _ in FACES] + ["fms_vista"]
        if textures != expected:
            fail(f"the scene's TEXTURE lines name {textures}")
        if not os.path.exists(os.path.join(folder, "fms_vista.bmp")):
            fail("no vista bitmap beside the scene")

        # Saved: closing asks nothing.
        subprocess.run(["xdotool", "windowfocus", "--sync", main_window], check=True)
        key("alt+f", "x")
        code = program.wait(timeout=60)
    except BaseException:
        program.kill()
        raise
    if code != 0:
        fail(f"the program ended with {code}")
    # The memo was open when the program quit: its placement is kept.
    settings = configparser.ConfigParser()
    settings.optionxform = str
    settings.read(ini, encoding="cp932")
    placement = {key: settings.get("MemoForm", key, fallback=None) for key in ("Left", "Top", "Width", "Height")}
    if placement != {"Left": "200", "Top": "200", "Width": "450", "Height": "300"}:
        fail(f"the memo's placement in the settings file: {placement}")
    print("screenshots:", shot, os.path.join(out, "vrel-memo.png"), os.path.join(out, "vrel-about.png"))


if __name__ == "__main__":
    main()
