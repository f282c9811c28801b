#!/usr/bin/env python3
"""A whole working session with the editor, as a user has it, under the X server of the test run.

The program starts with no settings file. The user places its window and drags the operate panel
aside, opens six face images made with ImageMagick from the File menu through the picture dialog,
looks straight down, makes a two-blade polygon grid through its dialog (sizes and position typed),
selects it and cuts it with the knife, selects one row of its vertices with a rubber band and drags
it, undoes that once and redoes it, writes a Japanese note in the memo window through the input
method, saves the scene through the save dialog and quits from the File menu. Every input is a real
key or mouse event (xdotool); the program has no test hooks.

The input method is Qt's compose method, with a compose table the test writes: Multi_key (the right
Alt key, for the session) and two letters commit a whole line of Japanese to the memo's editor as an
input-method event, the way a Japanese input method commits a converted phrase. The letters
themselves never reach the memo.

Then the files are read back: the scene and its object file with the editor's own file library
(vrel_saved_scene), the scene's lines as text (its TEXTURE lines and clear polygons), and the
settings file with Python's configparser (the window placement the user gave), and the memo file
beside the scene with Python's cp932 codec.

Where the grid stands on the screen is found from the screen itself (ImageMagick's import, Pillow):
the pixels that change when the grid appears. The drags are then made relative to it, and the
expected move is worked out from the grid's size in pixels.

The session is a list of steps (STEPS), each a function of the session run in that order; what a
step leaves in the session's facts the checks (CHECKS) read once the program has ended. A new step
goes into both lists where it belongs.

Usage: vrel_workflow_test.py VREL_BINARY SAVED_SCENE_TOOL OUTPUT_FOLDER (screenshots are left there).
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops

from vrel_session import (FACES, close_from_file_menu, fail, geometry, make_faces, screenshot, settings_of, start,
                          wait_for, window_named, xdotool)

# Where the user puts the main window, and how far the operate panel is dragged.
PLACE = (60, 40, 1100, 760)
PANEL_DRAG = (560, 150)
# The grid as typed into its dialog: two blades along X, one along Z, at the start height, below the
# look-at point of the top view.
GRID_DIVISIONS = (2, 1)
GRID_SIZE = (240.0, 160.0)
GRID_POSITION = (100.0, -1.7, -50.0)
# Where the knife crosses the grid, as a fraction of its height on the screen from its top; and the
# drag of the top row, in pixels upwards.
KNIFE_AT = 0.6
MOVE_UP = 60
# The memo's note, a line for each compose sequence Multi_key, FIRST, SECOND. Besides kana and kanji
# it holds CP932's own: full-width letters and space, a 0x5C trail byte (ソ, 表) and an NEC special (①).
NOTE = (("j", "a", "滑走路の北に木３本"), ("k", "z", "風速３ｍ　ソ表①"))
WAIT = 60  # seconds for a window or a file


class Session:
    """The running program, its main window, and the screen as the user sees it."""

    def __init__(self, vrel, tool, out):
        self.tool = tool
        self.out = out
        self.folder = tempfile.mkdtemp(prefix="vrel-workflow-")
        self.facts = {}
        self.screen = None  # the last settled screenshot
        environment = {"QT_IM_MODULE": "compose", "XCOMPOSEFILE": write_compose_table(self.folder)}
        # Multi_key on a key of its own from the start: a key code bound only while xdotool sends it
        # may be gone again before the program reads it.
        subprocess.run(["setxkbmap", "-option", "compose:ralt"], check=True)
        self.program, self.ini, _ = start(vrel, self.folder, environment=environment)
        try:
            self.main = self.window("Vrel")
            self.park_mouse()
        except BaseException:
            self.program.kill()
            raise

    # --- windows and input ------------------------------------------------------------------------

    def window(self, title):
        """Waits for the visible window of this exact title and answers its id."""
        found = xdotool("search", "--sync", "--onlyvisible", "--name", f"^{title}$")
        return found[0]

    def gone(self, wid):
        return wid not in window_named(".")

    def focus(self, wid):
        # Without a window manager nobody gives the keyboard back when a dialog closes.
        xdotool("windowfocus", "--sync", wid)
        time.sleep(0.2)

    def key(self, *keys):
        xdotool("key", "--clearmodifiers", *keys)
        time.sleep(0.3)

    def type_text(self, text):
        xdotool("type", "--delay", "15", "--", text)
        time.sleep(0.2)

    def dialog(self, title, *keys_and_texts):
        """Waits for the dialog, gives it the keyboard, sends the keys (tuples) and texts (strings) in
        turn, and waits until it has closed."""
        wid = self.window(title)
        self.focus(wid)
        for item in keys_and_texts:
            if isinstance(item, tuple):
                self.key(*item)
            else:
                self.type_text(item)
        wait_for(lambda: self.gone(wid), f"the dialog {title} to close", WAIT)
        self.focus(self.main)

    def drag(self, start, end, steps=12):
        x0, y0 = (round(v) for v in start)
        x1, y1 = (round(v) for v in end)
        xdotool("mousemove", "--sync", str(x0), str(y0))
        xdotool("mousedown", "1")
        for i in range(1, steps + 1):
            xdotool("mousemove", str(x0 + (x1 - x0) * i // steps), str(y0 + (y1 - y0) * i // steps))
            time.sleep(0.02)
        time.sleep(0.1)
        xdotool("mouseup", "1")
        time.sleep(0.2)
        self.park_mouse()

    def click(self, x, y):
        xdotool("mousemove", "--sync", str(x), str(y))
        xdotool("click", "1")
        time.sleep(0.2)
        self.park_mouse()

    def park_mouse(self):
        # Away from every window: some boxes take the focus when hovered, and then the single-key
        # commands would go to them.
        xdotool("mousemove", "--sync", "5", "1075")

    # --- the screen -------------------------------------------------------------------------------

    def shot(self, name):
        path = os.path.join(self.out, f"workflow-{name}.png")
        screenshot(path)
        return Image.open(path).convert("RGB")

    def view_after(self, name, changing=True, box=None, blinking=0):
        """A screenshot once the view (or the part of the screen in `box`) has drawn all that the last
        input asked for: it shows something else than the last settled screenshot (unless nothing is to
        change), and two in a row agree. Up to `blinking` pixels may come and go meanwhile (a caret)."""
        box = box or self.view_box()
        previous = None
        deadline = time.monotonic() + WAIT
        while time.monotonic() < deadline:
            current = self.shot(name)
            if previous is not None and changed_count(previous, current, box) <= blinking:
                if not changing or self.screen is None or changed_count(self.screen, current, box) > blinking:
                    self.screen = current
                    return current
            previous = current
            time.sleep(0.2)
        fail(f"the view did not {'change and ' if changing else ''}settle within {WAIT} s ({name})")

    def view_box(self):
        """The 3D view's part of the screen, without the docks on the right and the status bar."""
        left, top, width, height = PLACE
        return (left + 4, top + 70, left + width - 200, top + height - 40)


def changed_pixels(a, b, box):
    """A mask of the pixels within `box` that differ clearly between two screenshots."""
    return ImageChops.difference(a.crop(box), b.crop(box)).convert("L").point(lambda v: 255 if v > 24 else 0)


def write_compose_table(folder):
    """The compose input method's table (libxkbcommon's Compose format): the note's sequences only."""
    path = os.path.join(folder, "Compose")
    with open(path, "w", encoding="utf-8") as f:
        for first, second, text in NOTE:
            f.write(f'<Multi_key> <{first}> <{second}> : "{text}"\n')
    return path


def changed_count(a, b, box):
    return changed_pixels(a, b, box).histogram()[255]


# --- the steps -------------------------------------------------------------------------------------


def place_window(s):
    """A fresh start puts the window where it likes; the user moves and sizes it, and drags the operate
    panel by its title bar out of the way."""
    left, top, width, height = PLACE
    xdotool("windowsize", "--sync", s.main, str(width), str(height))
    xdotool("windowmove", "--sync", s.main, str(left), str(top))
    s.view_after("placed", changing=False)
    # The operate panel's title bar, where its first place (200, 200 in the client area) puts it.
    x, y = left + 260, top + 230
    s.drag((x, y), (x + PANEL_DRAG[0], y + PANEL_DRAG[1]))
    s.view_after("panel-moved")


def open_six_images(s):
    """ファイル(&F) → ６面画像を開く...(&I), the front face's path typed into the picture dialog."""
    make_faces(s.folder)
    s.focus(s.main)
    s.key("alt+f")
    s.key("i")
    s.dialog("開く", f"{s.folder}/park_front.bmp", ("Return",))
    s.view_after("six-images")


def look_down(s):
    """視点 → 真上 (F6): the bottom face fills the view."""
    s.key("F6")
    picture = s.view_after("top-view")
    view = picture.crop(s.view_box())
    magenta = sum(count for count, (r, g, b) in view.getcolors(1 << 22) if r > 200 and g < 60 and b > 200)
    if magenta < 0.4 * view.width * view.height:
        fail(f"looking down shows {magenta} pixels of the bottom face out of {view.width * view.height}")


def make_grid(s):
    """P opens the polygon dialog. Its OK button has the focus; Tab goes on to Cancel, then to the
    divisions and sizes. The position group's arrow keys choose 位置指定, whose boxes take the typed
    position. Enter creates the grid, which comes selected."""
    s.key("p")
    (nx, nz), (sx, sz), (px, py, pz) = GRID_DIVISIONS, GRID_SIZE, GRID_POSITION
    before = s.screen
    s.dialog("ポリゴン作成", ("Tab",), ("Tab",), str(nx), ("Tab",), f"{sx:g}", ("Tab",), str(nz), ("Tab",),
             f"{sz:g}", ("Tab",), ("Down",), ("Down",), ("Down",), ("Tab",), f"{px:g}", ("Tab",), f"{py:g}", ("Tab",),
             f"{pz:g}", ("Return",))
    view = s.view_box()
    found = changed_pixels(before, s.view_after("grid"), view).getbbox()
    box = (found[0] + view[0], found[1] + view[1], found[2] + view[0], found[3] + view[1])
    width, height = box[2] - box[0], box[3] - box[1]
    print("the grid on the screen:", box)
    # Looking straight down, X runs across the screen and Z up and down: the wide side is X.
    if not width > height * 1.2:
        fail(f"the grid shows {width} x {height} pixels, not wider along X")
    s.facts["grid box"] = box
    s.facts["pixels per unit"] = width / GRID_SIZE[0]


def knife_grid(s):
    """すべてを選択 (Ctrl+A), then K and one stroke across the grid below its middle: both blades are
    cut in two."""
    left, top, right, bottom = s.facts["grid box"]
    s.key("ctrl+a")
    s.key("k")
    y = top + KNIFE_AT * (bottom - top)
    s.drag((left - 40, y), (right + 40, y), steps=20)
    s.view_after("knifed")


def move_part(s):
    """S and a rubber band round the grid's top row, then V (the move panel opens) and a drag upwards:
    the row moves."""
    left, top, right, bottom = s.facts["grid box"]
    s.key("s")
    s.drag((left - 25, top - 25), (right + 25, top + 0.3 * (bottom - top)))
    s.facts["selected"] = s.view_after("row-selected")
    s.key("v")
    s.view_after("move-panel")  # the move panel opens over the view
    middle = (left + right) / 2
    s.drag((middle, top - 40), (middle, top - 40 - MOVE_UP))
    s.facts["moved"] = s.view_after("moved")


def undo_and_redo(s):
    """編集 → 元に戻す (Ctrl+Z) shows the grid as it was before the drag, やり直し (Ctrl+Y) as after it."""
    left, top, right, bottom = s.facts["grid box"]
    around = (left - 10, top - MOVE_UP - 20, right + 10, bottom + 10)
    if changed_count(s.facts["selected"], s.facts["moved"], around) < 50:
        fail("the drag did not move the row on the screen")
    s.key("ctrl+z")
    if changed_count(s.facts["selected"], s.view_after("undone"), around) > 20:
        fail("undo does not show the grid as it was before the drag")
    s.key("ctrl+y")
    if changed_count(s.facts["moved"], s.view_after("redone"), around) > 20:
        fail("redo does not show the grid as it was after the drag")


def write_memo(s):
    """表示(&V) → メモ, reached from ヘルプ(&H) beside it, since 視点(&V) comes first with the same access
    key. The memo opens with the keyboard; each line of the note is Multi_key and two letters, which the
    input method commits whole. 終了 closes the memo."""
    s.focus(s.main)
    for key in ("alt+h", "Left", "Up", "Return"):
        s.key(key)
    memo = s.window("メモ")
    left, top, width, height = geometry(memo)
    s.facts["memo placement"] = (left, top, width, height)
    s.focus(memo)
    for line, (first, second, _) in enumerate(NOTE):
        if line:
            s.key("Return")
        s.key("Multi_key", first, second)
    # The caret blinks in the memo: a text cell's worth of pixels may change between two screenshots.
    s.view_after("memo", box=(left, top, left + width, top + height), blinking=80)
    # 終了 is the second button in the bar along the memo's top.
    s.click(left + 93, top + 15)
    wait_for(lambda: s.gone(memo), "the memo to close", WAIT)
    s.focus(s.main)


def save_scene(s):
    """Ctrl+S on a new document: the save dialog; the typed name gets ".scn"."""
    s.key("ctrl+s")
    s.dialog("名前を付けて保存", f"{s.folder}/field", ("Return",))
    s.facts["scene"] = os.path.join(s.folder, "field.scn")
    wait_for(lambda: os.path.exists(os.path.join(s.folder, "field.vro")), "the object file", WAIT)


def quit_program(s):
    """ファイル(&F) → 終了(&X): saved, so nothing is asked."""
    close_from_file_menu(s.program, s.main)


STEPS = [place_window, open_six_images, look_down, make_grid, knife_grid, move_part, undo_and_redo, write_memo,
         save_scene, quit_program]

# --- what the files hold ---------------------------------------------------------------------------


def close(a, b, tolerance=0.01):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def check_document(s):
    """The object file as the editor's library reads it: one layer of four blades over nine vertices;
    the knife's three along a line across the grid; the top row moved by the drag, the rest where the
    dialog put them."""
    # Unlike the program's, this process's leaks are checked: it has no GL driver.
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=1:abort_on_error=1")
    done = subprocess.run([s.tool, s.facts["scene"]], capture_output=True, text=True, env=env)
    if done.returncode != 0:
        fail(f"the saved scene cannot be read back: {done.stderr.strip()}")
    summary = json.loads(done.stdout)
    s.facts["summary"] = summary
    if summary["basename"] != "park" or summary["format"] != 0 or summary["type"] != 0:
        fail(f"the scene reads back as {summary['basename']!r}, format {summary['format']}, type {summary['type']}")
    if [os.path.basename(name) for name in summary["images"]] != [f"park_{name}.bmp" for name, _ in FACES]:
        fail(f"the scene's face images are {summary['images']}")
    layers = summary["layers"]
    if len(layers) != 1 or len(layers[0]["blades"]) != 4:
        fail(f"the object file holds {[len(layer['blades']) for layer in layers]} blades per layer, not one layer of 4")
    vertices = layers[0]["vertices"]
    if len(vertices) != 9:
        fail(f"the grid has {len(vertices)} vertices after the knife, not 9")
    for blade in layers[0]["blades"]:
        for corner in blade["corners"]:
            if not any(close(corner, v, 1e-4) for v in vertices):
                fail(f"a blade corner {corner} is no vertex of the layer")

    (px, py, pz), (sx, sz) = GRID_POSITION, GRID_SIZE
    columns = [px - sx / 2, px, px + sx / 2]
    rows = {}
    for v in vertices:
        if abs(v[1] - py) > 0.01:
            fail(f"a vertex left the grid's height: {v}")
        rows.setdefault(round(v[2], 2), []).append(v)
    if len(rows) != 3 or any(len(row) != 3 for row in rows.values()):
        fail(f"the vertices do not stand in three rows of three: {sorted(rows)}")
    for z, row in rows.items():
        if not close(sorted(v[0] for v in row), columns):
            fail(f"the row at z {z} stands at x {sorted(v[0] for v in row)}, not {columns}")

    # The top of the screen is one end of the grid along Z; the knife and the drag tell which.
    ends = [pz - sz / 2, pz + sz / 2]
    zs = sorted(rows)
    kept = [end for end in ends if any(abs(z - end) < 0.01 for z in zs)]
    if len(kept) != 1:
        fail(f"not exactly one of the grid's ends {ends} is where the dialog put it: rows at {zs}")
    top_end = ends[1] if kept[0] == ends[0] else ends[0]
    moved = max(zs, key=lambda z: abs(z - kept[0]))
    cut = [z for z in zs if z not in (kept[0], moved)][0]
    # The knife went across at KNIFE_AT of the height from the top end.
    expected_cut = top_end + KNIFE_AT * (kept[0] - top_end)
    if abs(cut - expected_cut) > 0.05 * sz:
        fail(f"the knife cut at z {cut}, expected near {expected_cut:.1f}")
    # The drag went MOVE_UP pixels away from the grid's middle: the row left its end outwards.
    shift = moved - top_end
    expected = MOVE_UP / s.facts["pixels per unit"]
    if (shift > 0) != (top_end > pz) or abs(abs(shift) - expected) > 0.15 * expected:
        fail(f"the top row moved by {shift:.2f} along Z, expected {expected:.1f} away from the middle")
    print(f"knife at z {cut:.2f} (expected {expected_cut:.2f}); top row moved {shift:.2f} (expected {expected:.2f})")


def check_scene_text(s):
    """The scene file as text: the six faces and the vista quad as TEXTURE lines, and the four blades
    as clear polygons with Y and Z exchanged (FMS has Z up)."""
    with open(s.facts["scene"], encoding="cp932", newline="") as f:
        lines = f.read().split("\r\n")
    textures = [line.split()[1] for line in lines if line.startswith("TEXTURE ")]
    if textures != [f"park_{name}" for name, _ in FACES] + ["fms_vista"]:
        fail(f"the scene's TEXTURE lines name {textures}")
    start = lines.index("// clear polygon")
    polygons = []
    for line in lines[start + 1:]:
        if not line.strip():
            break
        numbers = [float(n) for n in line.split()]
        polygons.append([numbers[i:i + 3] for i in range(0, len(numbers), 3)])
    blades = [[[x, z, y] for x, y, z in blade["corners"]] for blade in s.facts["summary"]["layers"][0]["blades"]]
    if len(polygons) != 4:
        fail(f"the scene has {len(polygons)} clear polygons, not 4")
    for polygon, blade in zip(polygons, blades):
        if len(polygon) != 4 or not all(close(a, b, 0.006) for a, b in zip(polygon, blade)):
            fail(f"a clear polygon {polygon} is not its blade {blade}")


def check_memo_file(s):
    """The memo beside the scene, read with Python's cp932 codec: the note's lines as the input method
    committed them, with CR LF between them."""
    path = os.path.splitext(s.facts["scene"])[0] + ".txt"
    if not os.path.exists(path):
        fail("no memo file beside the scene")
    with open(path, "rb") as f:
        held = f.read()
    try:
        lines = held.decode("cp932").split("\r\n")
    except UnicodeDecodeError as error:
        fail(f"the memo file is no CP932 text ({error}): {held!r}")
    if lines == [first + second for first, second, _ in NOTE]:
        fail(f"the memo file holds the letters as typed ({held!r}): the input method committed nothing")
    if lines != [text for _, _, text in NOTE]:
        fail(f"the memo file holds the lines {lines}, not the note")


def check_settings(s):
    """The settings file: the main window where the user put it, the operate panel where it was
    dragged, the polygon dialog where it showed, the memo where it was closed."""
    settings = settings_of(s.ini)
    form = settings["MainForm"]
    placement = tuple(int(form[key]) for key in ("Left", "Top", "Width", "Height"))
    if placement != PLACE or form["Maximize"] != "0":
        fail(f"[MainForm] is {dict(form)}, the window was put at {PLACE}")
    panel = settings["OperatePanelForm"]
    expected = (200 + PANEL_DRAG[0], 200 + PANEL_DRAG[1])
    if (int(panel["Left"]), int(panel["Top"])) != expected or panel["Visible"] != "1":
        fail(f"[OperatePanelForm] is {dict(panel)}, the panel was dragged to {expected}")
    dialog = settings["PolygonForm"]
    if (dialog["Left"], dialog["Top"]) != ("200", "200"):
        fail(f"[PolygonForm] is {dict(dialog)}")
    memo = settings["MemoForm"]
    if tuple(int(memo[key]) for key in ("Left", "Top", "Width", "Height")) != s.facts["memo placement"]:
        fail(f"[MemoForm] is {dict(memo)}, the memo was closed at {s.facts['memo placement']}")


CHECKS = [check_document, check_scene_text, check_memo_file, check_settings]


def main():
    vrel, tool, out = sys.argv[1], sys.argv[2], sys.argv[3]
    os.makedirs(out, exist_ok=True)
    started = time.monotonic()
    s = Session(vrel, tool, out)
    try:
        for step in STEPS:
            print(f"{time.monotonic() - started:5.1f} s  {step.__name__}", flush=True)
            step(s)
    except BaseException:
        s.shot("failed")
        s.program.kill()
        raise
    finally:
        subprocess.run(["setxkbmap", "-option", ""], check=True)
    for check in CHECKS:
        check(s)
    # The session's folder stays behind only when something failed.
    shutil.rmtree(s.folder)
    print(f"{time.monotonic() - started:5.1f} s  done; screenshots in {out}")


if __name__ == "__main__":
    main()
