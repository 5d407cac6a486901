#!/usr/bin/python3
"""Plays the built game end to end, as a player would, and checks what is seen and heard.

Usage: run_e2e.py --game-dir build/game --out build/e2e [--docs docs]

One private Xvfb display hosts three runs of the real program, each in a fresh
working directory: a full game with every asset (start menu, play, pause, shop,
a second level played until a falling brick breaks the pad, game over, restart,
leave), then one with every asset missing and one with every asset unreadable. Screens are
judged from root-window captures, sound from OpenAL Soft's wave-file output,
and the console from the program's standard output and exit code.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

import numpy as np

# The helper modules sit beside this file; keep the source tree free of bytecode.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import field  # noqa: E402
import picture as pic  # noqa: E402
import sound  # noqa: E402
from xsession import HarnessError, Player, Screen, XServer, stop_process, wait_until  # noqa: E402

TITLE = "Quadrabash"
ASSETS = ["blanc.png", "Brick.jpg", "Pixel_Coleco.otf", "Sounds/Last_Boss_Trove_Shadow_Tower.wav",
          "Sounds/Calm_hub.wav", "Sounds/ball_tap_pad.wav", "Sounds/ball_tap_brick.wav"]
MENU_TRACK = "Sounds/Calm_hub.wav"
MAIN_TRACK = "Sounds/Last_Boss_Trove_Shadow_Tower.wav"
BRICK_EFFECT = "Sounds/ball_tap_brick.wav"

PAUSE_TIMER_ERROR = "Error->PauseTimer(): timer is not started or is already paused."
STARTUP_WITHOUT_ASSETS = [
    "Hud() => Cannot load custom font.",
    "Failed to load Music",
    "Failed to load Music",
    "Failed to load Sound",
    "Failed to load Sound",
    "Music Menu_music not found",
    "ShopMenu() => Cannot load custom font.",
    "Loading texture failed.",
    "Loading texture failed.",
    "Loading texture failed.",
    "Loading texture failed.",
    "PauseMenu() => Cannot load custom font.",
]
LEAVING_START_MENU_WITHOUT_MUSIC = ["Music Menu_music not found", "Music Main_music not found"]

# Hud rows: labels at x = 5, values at x = 155, one row every 40 pixels from y = 20.
HUD_ROWS = {"coins": 20, "timer": 60, "hp": 100, "score": 140}
LAUNCH_SPOT = (1500, 600)
PAUSE_BAND = (640, 1280)
GAME_OVER_BAND = (411, 1509)
RUN_BUDGET_S = 175


def hud_value_box(row):
    y = HUD_ROWS[row]
    return 150, y - 3, 460, y + 38


def hud_label_box(row):
    y = HUD_ROWS[row]
    return 0, y - 3, 150, y + 38


class Frame:
    def __init__(self, img, t):
        self.img = img
        self.t = t


class Report:
    """Collects check results, the action log and the screenshots worth keeping."""

    def __init__(self, out_dir):
        self.out = out_dir
        self.started = time.monotonic()
        self.passed, self.failed, self.skipped = [], [], []
        self.kept = []
        self._log = open(os.path.join(out_dir, "harness.log"), "w")

    def log(self, message):
        line = f"[{time.monotonic() - self.started:7.2f}] {message}"
        self._log.write(line + "\n")
        self._log.flush()
        print(line, flush=True)

    def check(self, ok, name, detail=""):
        text = f"{name}" + (f" ({detail})" if detail else "")
        (self.passed if ok else self.failed).append(text)
        self.log(("PASS " if ok else "FAIL ") + text)
        return ok

    def skip(self, name, reason):
        self.skipped.append(f"{name} ({reason})")
        self.log(f"SKIP {name} ({reason})")

    def keep(self, frame, name):
        self.kept.append((name, frame))
        return frame

    def save_screens(self):
        folder = os.path.join(self.out, "screens")
        os.makedirs(folder, exist_ok=True)
        for i, (name, frame) in enumerate(self.kept):
            pic.write_png(os.path.join(folder, f"{i:02d}-{name}.png"), frame.img, level=1)

    def close(self):
        self._log.close()


class GameRun:
    """One run of the program in a fresh working directory, with its console and sound captured."""

    def __init__(self, report, player, screen, game_dir, name, fill_workdir):
        self.rep, self.player, self.screen = report, player, screen
        self.name = name
        self.exe = os.path.join(os.path.abspath(game_dir), "quadrabash")
        self.root = tempfile.mkdtemp(prefix=f"qb-{name}-")
        self.workdir = os.path.join(self.root, "work")
        os.mkdir(self.workdir)
        fill_workdir(self.workdir)
        self.stdout_path = os.path.join(report.out, f"{name}.stdout.txt")
        self.stderr_path = os.path.join(report.out, f"{name}.stderr.txt")
        self.wave_path = os.path.join(report.out, f"{name}.wav")
        self.conf_path = os.path.join(self.root, "alsoft.conf")
        sound.alsoft_config(self.conf_path, self.wave_path)
        self.proc = None
        self.window = None
        self.last_frame = None
        self.clock = None

    def start(self):
        env = dict(self.player.env, ALSOFT_DRIVERS="wave", ALSOFT_CONF=self.conf_path)
        if os.path.exists(self.wave_path):
            os.remove(self.wave_path)
        self._out = open(self.stdout_path, "wb")
        self._err = open(self.stderr_path, "wb")
        # Window ids are reused, so make sure the previous run's window is really gone.
        wait_until(lambda: not self.player.windows(TITLE), 10, 0.1, "the previous game window to close")
        self.rep.log(f"{self.name}: start {self.exe} in {self.workdir}")
        self.proc = subprocess.Popen([self.exe], cwd=self.workdir, env=env, stdin=subprocess.DEVNULL,
                                     stdout=self._out, stderr=self._err)
        self.clock = sound.WaveClock(self.wave_path)
        self.window = self.player.find_window(TITLE, 30)
        geometry = self.player.place_window(self.window)
        self.rep.log(f"{self.name}: window {self.window} at {geometry}")
        if geometry[2:] != (pic.WIDTH, pic.HEIGHT):
            raise HarnessError(f"the window is {geometry[2]}x{geometry[3]}, not 1920x1080")
        # Keyboard focus follows the pointer when no window manager runs.
        self.player.point(1900, 1060)

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def grab(self):
        if not self.alive():
            raise HarnessError(f"the game exited unexpectedly with code {self.proc.returncode}")
        x, y = self.player.origin
        self.last_frame = Frame(self.screen.grab(x, y, pic.WIDTH, pic.HEIGHT), time.monotonic())
        return self.last_frame

    def poll_screen(self, test, deadline_s):
        """The first frame that passes test within the deadline, else the last one taken."""
        end = time.monotonic() + deadline_s
        while True:
            frame = self.grab()
            if test(frame) or time.monotonic() > end:
                return frame
            time.sleep(0.03)

    def wait_screen(self, test, what, deadline_s):
        def attempt():
            frame = self.grab()
            return frame if test(frame) else None
        return wait_until(attempt, deadline_s, 0.03, what)

    def stdout_lines(self):
        with open(self.stdout_path, "rb") as f:
            return f.read().decode("latin-1").splitlines()

    def wait_exit(self, deadline_s):
        try:
            return self.proc.wait(deadline_s)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"the game did not exit within {deadline_s} s")

    def finish(self):
        """Stop the program if it is still running (only this run's own process)."""
        if self.proc is not None and self.proc.poll() is None:
            self.rep.log(f"{self.name}: stopping leftover process {self.proc.pid}")
            stop_process(self.proc)
        if self.clock:
            self.clock.stop()
        for f in (getattr(self, "_out", None), getattr(self, "_err", None)):
            if f:
                f.close()
        shutil.rmtree(self.root, ignore_errors=True)


# ---------------------------------------------------------------- screen rules

def band_is(frame, expected):
    extent = pic.band_extent(frame.img)
    return (extent is not None and abs(extent[0] - expected[0]) <= pic.SHAKE
            and abs(extent[1] - expected[1]) <= pic.SHAKE)


def check_band(rep, frame, label, expected):
    extent = pic.band_extent(frame.img)
    ok = extent is not None and all(abs(a - b) <= pic.SHAKE for a, b in zip(extent, expected))
    rep.check(ok, f"{label}: translucent band spans x {expected[0]}..{expected[1]}", f"found {extent}")
    return extent


def check_background(rep, frame, label, box, minimum=0.97):
    share = pic.background_fraction(frame.img, box)
    rep.check(share >= minimum, f"{label}: background colour (36, 4, 4) in the empty field {box}",
              f"{share:.3f} of the pixels")


def check_pad(rep, frame, label, expected_x):
    pad = pic.find_pad(frame.img)
    ok = (pad is not None and abs(pad[0] - expected_x) <= pic.SHAKE and abs(pad[1] - 930) <= pic.SHAKE
          and abs(pad[2] - pic.PAD_W) <= 2 and abs(pad[3] - pic.PAD_H) <= 2)
    rep.check(ok, f"{label}: white {pic.PAD_W}x{pic.PAD_H} pad at ({expected_x}, 930)", f"found {pad}")
    return pad


def check_resting_ball(rep, frame, label, pad):
    if pad is None:
        rep.check(False, f"{label}: ball resting above the pad", "no pad to look above")
        return
    ball = pic.find_resting_ball(frame.img, pad)
    ok = False
    if ball is not None:
        cx, cy = pic.centre(ball)
        w, h = ball[2] - ball[0], ball[3] - ball[1]
        ok = (abs(cx - (pad[0] + pad[2] / 2)) <= 2 and abs(cy - (pad[1] - 20)) <= 2
              and abs(w - pic.BALL_D) <= 3 and abs(h - pic.BALL_D) <= 3)
    rep.check(ok, f"{label}: 20 px ball centred 20 px above the pad's top edge", f"found {ball}, pad {pad}")


def check_full_grid(rep, frame, label):
    grid = pic.brick_grid(frame.img)
    kinds = [k for row in grid for k in row]
    rep.check(all(k in ("static", "red") for k in kinds),
              f"{label}: 54 bricks on the 18 x 3 grid at (15 + 105c, 60 + 55r)",
              f"{kinds.count('static')} light, {kinds.count('red')} red, "
              f"{len(kinds) - kinds.count('static') - kinds.count('red')} missing or wrong")
    rep.check(grid[0][0] == "static", f"{label}: the first brick is a light static one", grid[0][0])
    return grid


def check_hud(rep, frame, label):
    for row in HUD_ROWS:
        lab = pic.box_in(frame.img, pic.text_pixels, hud_label_box(row))
        val = pic.box_in(frame.img, pic.text_pixels, hud_value_box(row))
        # Glyphs start a few pixels right of their text's position; the value must
        # stand 150 px right of its label, whatever the shake.
        ok = (lab is not None and val is not None and 5 - pic.SHAKE <= lab[0] <= 5 + 8
              and 155 - pic.SHAKE <= val[0] <= 155 + 8 and abs(val[0] - lab[0] - 150) <= 4
              and HUD_ROWS[row] - pic.SHAKE <= min(lab[1], val[1]) <= HUD_ROWS[row] + 16)
        rep.check(ok, f"{label}: Hud row '{row}' label at x=5 and value at x=155, y={HUD_ROWS[row]}",
                  f"label {lab}, value {val}")


def check_grid_geometry(rep, frame, label):
    """Each brick 100 x 50 with 5 px of background between neighbours (on a still view)."""
    wrong = pic.grid_gaps_wrong(frame.img)
    rep.check(not wrong, f"{label}: bricks are 100 x 50 with 5 px gaps, from (15, 60)",
              f"{len(wrong)} mismatches, first {wrong[:3]}")


def check_menu_buttons(rep, frame, label, band):
    """Two white lines of text centred on x=960, 100 px apart around the window's middle."""
    lines = pic.text_lines(frame.img, (band[0] + 4, 380, band[1] - 4, 720))
    ok = len(lines) == 2
    if ok:
        (c1x, c1y), (c2x, c2y) = pic.centre(lines[0]), pic.centre(lines[1])
        ok = (abs(c1x - 960) <= 12 and abs(c2x - 960) <= 12 and 96 <= c2y - c1y <= 104
              and 478 <= c1y <= 515)
    rep.check(ok, f"{label}: two buttons centred at x=960, at y=490 and y=590", f"text lines {lines}")
    return lines if len(lines) == 2 else None


def timer_moves(rep, frames, label, expect_moving):
    """Does the Hud clock move across these frames? Some digits hide inside others
    (a 3 inside an 8), so with several frames any changed pair counts."""
    pairs = [(a, b) for i, a in enumerate(frames) for b in frames[i + 1:]]
    results = [pic.text_changed(a.img, b.img, hud_value_box("timer")) for a, b in pairs]
    moved = any(changed for changed, _, _ in results)
    verb = "changes" if expect_moving else "stands still"
    span = frames[-1].t - frames[0].t
    rep.check(moved == expect_moving, f"{label}: Hud timer {verb} over {span:.2f} s",
              "; ".join(f"{diff} of {ink} text pixels differ" for _, diff, ink in results))


def same_text(a, b, box):
    return not pic.text_changed(a.img, b.img, box)[0]


def text_width(frame, box, level=200):
    b = pic.box_in(frame.img, lambda p: pic.white_mask(p, level), box)
    return 0 if b is None else b[2] - b[0]


# ---------------------------------------------------------------- the full game

class Scenario:
    def __init__(self, rep, run):
        self.rep, self.run = rep, run
        self.marks = {}
        self.breaks = []
        self.play_picture = None
        self.crush_reason = None

    def mark(self, name, t=None):
        self.marks[name] = time.monotonic() if t is None else t
        self.rep.log(f"mark {name}")

    def click_line(self, line, what):
        return self.run.player.click(*pic.centre(line), what)

    def play(self):
        rep, run = self.rep, self.run
        run.start()
        start_menu = run.wait_screen(lambda f: band_is(f, PAUSE_BAND), "the start menu", 30)
        self.mark("start_menu_seen", start_menu.t)
        rep.keep(start_menu, "start-menu")
        check_band(rep, start_menu, "start menu", PAUSE_BAND)
        check_background(rep, start_menu, "start menu", (20, 240, 620, 880))
        check_background(rep, start_menu, "start menu", (1300, 240, 1900, 880))
        check_hud(rep, start_menu, "start menu")
        buttons = check_menu_buttons(rep, start_menu, "start menu", PAUSE_BAND)
        if buttons is None:
            raise HarnessError("no 'Start the game' button to click on the start menu")
        self.start_button_width = buttons[0][2] - buttons[0][0]
        # Let the menu music play long enough to be recognised in the recording.
        time.sleep(max(0.0, 2.5 - (time.monotonic() - start_menu.t)))
        timer_moves(rep, [start_menu, run.grab()], "start menu", False)

        self.mark("start_click", self.click_line(buttons[0], "Start the game"))
        waiting = run.wait_screen(lambda f: pic.band_extent(f.img) is None, "the start menu to close", 5)
        rep.keep(waiting, "waiting-for-launch")
        self.check_waiting(waiting, "level 1 before launch", 885)
        self.check_band_over_scene(start_menu, waiting)
        self.first_waiting = waiting
        # Main music alone, before any ball can hit anything: the reference for the hit sound.
        time.sleep(max(0.0, 2.5 - (time.monotonic() - waiting.t)))
        waiting2 = run.grab()
        timer_moves(rep, [waiting, waiting2], "level 1 before launch", False)

        self.level_one()
        self.shop()
        self.level_two()
        self.game_over_and_restart()

    def check_waiting(self, frame, label, pad_x, still_view=True):
        check_background(self.rep, frame, label, (20, 240, 1900, 870))
        check_full_grid(self.rep, frame, label)
        if still_view:
            check_grid_geometry(self.rep, frame, label)
        pad = check_pad(self.rep, frame, label, pad_x)
        check_resting_ball(self.rep, frame, label, pad)
        check_hud(self.rep, frame, label)
        return pad

    def check_band_over_scene(self, menu, scene):
        """The start menu is the waiting scene seen through a black band at alpha 191."""
        a, b = menu.img.astype(int), scene.img.astype(int)
        grown = pic.dilate(pic.white_mask(menu.img, 120), 3)
        inside = np.s_[:, PAUSE_BAND[0] + 3:PAUSE_BAND[1] - 3]
        expected = b[inside] * pic.BAND_KEEP
        close = np.all(np.abs(a[inside] - expected) <= 4, axis=2) | grown[inside]
        outside = np.concatenate([np.all(np.abs(a[:, :PAUSE_BAND[0] - 3] - b[:, :PAUSE_BAND[0] - 3]) <= 3, axis=2).ravel(),
                                  np.all(np.abs(a[:, PAUSE_BAND[1] + 3:] - b[:, PAUSE_BAND[1] + 3:]) <= 3, axis=2).ravel()])
        self.rep.check(close.mean() >= 0.98, "start menu: the band darkens the scene under it to about 1/4",
                       f"{close.mean():.3f} of the band's pixels match")
        self.rep.check(outside.mean() >= 0.99, "start menu: the scene beside the band is left untouched",
                       f"{outside.mean():.3f} of the pixels match")

    def level_one(self):
        rep, run, player = self.rep, self.run, self.run.player
        pad_before = pic.find_pad(self.first_waiting.img)
        # Level 1 is kept short: the ball must not fall out before the level-clear key.
        self.mark("launch", player.click(*LAUNCH_SPOT, "launch"))
        after_right = self.hold_until_pad_moves("Right", pad_before)
        after_left = self.hold_until_pad_moves("Left", pic.find_pad(after_right.img))
        self.mark("escape", player.hold("Escape", 0.2))
        paused = run.wait_screen(lambda f: band_is(f, PAUSE_BAND), "the pause menu", 5)
        self.mark("pause_seen", paused.t)
        rep.keep(after_right, "level1-after-right")
        rep.keep(after_left, "level1-after-left")
        rep.keep(paused, "pause-menu")

        pad_right, pad_left = pic.find_pad(after_right.img), pic.find_pad(after_left.img)
        rep.check(pad_before and pad_right and pad_right[0] - pad_before[0] >= 30,
                  "level 1: holding Right moves the pad right", f"{pad_before} -> {pad_right}")
        rep.check(pad_right and pad_left and pad_left[0] - pad_right[0] <= -30,
                  "level 1: holding Left moves the pad left", f"{pad_right} -> {pad_left}")
        if pad_right:
            # A ball still waiting would sit centred 20 px above the pad, which has moved.
            ball = pic.find_resting_ball(after_right.img, pad_right)
            waiting = ball is not None and (abs(pic.centre(ball)[0] - (pad_right[0] + pad_right[2] / 2)) <= 2
                                            and abs(pic.centre(ball)[1] - (pad_right[1] - 20)) <= 2)
            rep.check(not waiting, "level 1: the launch click sent the ball off the pad",
                      f"bright blob above the pad: {ball}")
        timer_moves(rep, [after_right, after_left, paused], "level 1 in play", True)

        check_band(rep, paused, "pause menu", PAUSE_BAND)
        buttons = check_menu_buttons(rep, paused, "pause menu", PAUSE_BAND)
        if buttons is None:
            raise HarnessError("no 'Resume' button to click on the pause menu")
        resume_width = buttons[0][2] - buttons[0][0]
        rep.check(resume_width < 0.7 * self.start_button_width,
                  "pause menu: the first button is the short 'Resume', not 'Start the game'",
                  f"{resume_width} px against {self.start_button_width} px")
        time.sleep(max(0.0, 1.0 - (time.monotonic() - paused.t)))
        still = run.grab()
        timer_moves(rep, [paused, still], "pause menu", False)
        # The menu music needs a couple of seconds to be told apart in the recording.
        time.sleep(max(0.0, 2.2 - (time.monotonic() - paused.t)))

        self.mark("resume_click", self.click_line(buttons[0], "Resume"))
        resumed = run.wait_screen(lambda f: pic.band_extent(f.img) is None, "the pause menu to close", 5)
        self.mark("clear_key", player.hold("a", 0.3))
        rep.keep(resumed, "resumed")

    def hold_until_pad_moves(self, key, pad_before, at_least=0.3, at_most=1.2):
        """Hold an arrow key the way a player does: until the pad is seen moving, within reason."""
        run, player = self.run, self.run.player
        player.log(f"hold {key} until the pad moves")
        start = time.monotonic()
        player.key_down(key)
        try:
            while True:
                time.sleep(0.1)
                frame = run.grab()
                pad = pic.find_pad(frame.img)
                moved = pad and pad_before and abs(pad[0] - pad_before[0]) >= 30
                waited = time.monotonic() - start
                if (moved and waited >= at_least) or waited >= at_most:
                    break
        finally:
            player.key_up(key)
        return run.grab()

    def shop(self):
        rep, run, player = self.rep, self.run, self.run.player

        def shop_open(f):
            return (pic.box_in(f.img, pic.white_mask, (450, 85, 985, 200)) is not None
                    and pic.box_in(f.img, pic.white_mask, (1290, 845, 1910, 910)) is not None)
        shop = run.wait_screen(shop_open, "the shop after the level-clear key", 15)
        self.mark("shop_seen", shop.t)
        rep.keep(shop, "shop")
        rep.check(run.stdout_lines() == [], "console stays silent up to the shop", f"{run.stdout_lines()}")

        items = {
            "damage label": (50, 700, 25, 700), "damage price": (100, 800, 40, 790),
            "damage buy": (100, 850, 40, 790), "speed label": (750, 700, 25, 1440),
            "speed price": (800, 800, 40, 1290), "speed buy": (800, 850, 40, 1490),
            "balls label": (1450, 700, 25, 1910), "balls price": (1300, 800, 40, 1910),
            "balls buy": (1500, 850, 40, 1910)}
        boxes = {}
        for name, (x, y, size, right) in items.items():
            # The third column's button is looked for from the price's x, so a button
            # drawn there instead of 200 px further right is caught.
            left = 1290 if name == "balls buy" else x - 10
            box = (left, y - pic.SHAKE, right, y + size + pic.SHAKE + 6)
            found = pic.box_in(shop.img, pic.white_mask, box)
            ok = (found is not None and x - pic.SHAKE <= found[0] <= x + 14
                  and y - pic.SHAKE <= found[1] <= y + size // 2)
            rep.check(ok, f"shop: '{name}' text starts at ({x}, {y})", f"found {found}")
            boxes[name] = box
        cont = pic.box_in(shop.img, pic.white_mask, (300, 85, 1300, 210))
        rep.check(cont is not None and 952 - pic.SHAKE <= cont[2] <= 980 + pic.SHAKE
                  and 100 - pic.SHAKE <= cont[1] <= 135 and cont[2] - cont[0] >= 150,
                  "shop: 'Continuer' ends at x=960, from y=100, in large type", f"found {cont}")
        check_background(rep, shop, "shop", (1000, 240, 1900, 640))
        check_background(rep, shop, "shop", (20, 920, 1900, 1075))
        rep.check(all(k == "empty" for row in pic.brick_grid(shop.img)[0:3] for k in row[10:]),
                  "shop: the level's bricks are gone")
        coins_before = text_width(self.first_waiting, hud_value_box("coins"))
        coins_shop = text_width(shop, hud_value_box("coins"))
        rep.check(coins_shop >= 3.5 * max(coins_before, 1),
                  "shop: the Hud's coin count grew from '0' to the 10000 of the level-clear key",
                  f"value {coins_before} px wide before, {coins_shop} px now")

        buy = pic.box_in(shop.img, pic.white_mask, boxes["damage buy"])
        if buy is None:
            raise HarnessError("no 'Acheter' button under the first column of the shop")
        self.mark("buy_click", player.click(*pic.centre(buy), "Acheter (damage)"))
        bought = run.poll_screen(lambda f: pic.text_changed(shop.img, f.img, boxes["damage price"])[0], 5)
        rep.keep(bought, "shop-after-purchase")
        changed, diff, ink = pic.text_changed(shop.img, bought.img, boxes["damage price"])
        rep.check(changed, "shop: buying the damage upgrade changes its price", f"{diff} of {ink} px")
        for name in ("speed price", "balls price", "damage buy", "speed buy", "balls buy"):
            changed, diff, ink = pic.text_changed(shop.img, bought.img, boxes[name])
            rep.check(not changed, f"shop: '{name}' is unchanged by the damage purchase", f"{diff} of {ink} px")
        changed, diff, ink = pic.text_changed(shop.img, bought.img, hud_value_box("coins"))
        rep.check(changed, "shop: the purchase takes coins from the Hud's count", f"{diff} of {ink} px")
        self.coins_after_buy = bought

        if cont is None:
            raise HarnessError("no 'Continuer' button in the shop")
        self.mark("continue_click", player.click(*pic.centre(cont), "Continuer"))

    def level_two(self):
        rep, run, player = self.rep, self.run, self.run.player

        def level_ready(f):
            pad = pic.find_pad(f.img)
            return (pad is not None and abs(pad[1] - 930) <= pic.SHAKE
                    and pic.classify_cell(f.img, 2, 17) in ("static", "red"))
        waiting = run.wait_screen(level_ready, "the pad's return and the next level", 15)
        rep.keep(waiting, "level2-waiting")
        shop_gone = pic.box_in(waiting.img, pic.white_mask, (20, 690, 1900, 895)) is None
        rep.check(shop_gone, "level 2: the shop's texts are gone")
        # Combos of level 1 may still shake the view here.
        self.check_waiting(waiting, "level 2 before launch", 860, still_view=False)
        rep.check(same_text(self.coins_after_buy, waiting, hud_value_box("coins")),
                  "level 2: the coins left after the purchase carry over")
        time.sleep(0.6)
        timer_moves(rep, [waiting, run.grab()], "level 2 before launch", False)

        self.mark("launch2", player.click(*LAUNCH_SPOT, "launch level 2"))
        watch = field.FieldWatch()
        with open(os.path.join(rep.out, "steering.log"), "w") as trace:
            self.steer(watch, trace)
        self.breaks = watch.breaks
        if self.breaks or self.crush_reason != "time ran out":
            rep.check(len(self.breaks) >= 1, "level 2: the ball breaks bricks",
                      f"{len(self.breaks)} breaks seen; stopped watching since {self.crush_reason}")
        else:
            # Launch angles near the horizontal are part of the game: such a ball needs
            # minutes to climb to the bricks, more than this run can give it.
            rep.skip("level 2: the ball breaks bricks",
                     f"the ball, last seen at {watch.ball}, did not reach a brick in time")
        if self.play_picture is not None:
            rep.keep(self.play_picture, "play")
        for i, frame in enumerate(self.in_play):
            rep.keep(frame, f"level2-in-play-{i}")
        timer_moves(rep, self.in_play, "level 2 in play", True)

    def steer(self, watch, trace):
        """Play level 2: keep the pad clear of falling bricks until the ball has broken a brick,
        then stand under a falling red brick. Losing the ball would not end this game: the
        level-1 ball, cleared away by the level-clear key, is still counted as in play."""
        rep, run, player = self.rep, self.run, self.run.player
        driver, best_picture = field.PadDriver(player), -1
        console = [[], [], []]
        recent = []
        self.in_play = []
        self.crush_reason = None
        deadline = rep.started + RUN_BUDGET_S - 45
        break_deadline = min(self.marks["launch2"] + 60, deadline - 35)
        while True:
            # The console as it was two frames before the game over, surely before it.
            console = console[1:] + [run.stdout_lines()]
            frame = run.grab()
            # Any band at all ends play here; its size is checked on the game over screen.
            if pic.band_extent(frame.img) is not None:
                self.game_over = frame
                self.stdout_before_game_over = console[0]
                break
            if time.monotonic() > deadline:
                raise HarnessError("level 2 did not reach the game over screen within the time budget")
            # A few frames a second or so apart, to watch the clock run.
            if len(self.in_play) < 3 and frame.t - self.marks["launch2"] > 0.3 + 0.8 * len(self.in_play):
                self.in_play.append(frame)
            recent = recent[-12:] + [frame]
            for a, b, which in watch.update(frame):
                rep.log(f"{which} broken between {a - rep.started:.2f} and {b - rep.started:.2f}")
                if len(watch.breaks) <= 3:
                    for moment, f in ((a, "before"), (b, "after")):
                        kept = [old for old in recent if old.t == moment]
                        if kept:
                            rep.keep(kept[0], f"level2-{f}-break-{len(watch.breaks)}")
            tinted = watch.ball is not None and watch.ball[2] == frame.t and pic.ball_tinted(frame.img, watch.ball)
            score = 4 * tinted + (watch.ball is not None and watch.ball[2] == frame.t) * 2 + bool(watch.falling)
            if score > best_picture:
                best_picture, self.play_picture = score, frame
            # Enough of the ball: a break to listen for and time for its sound to finish, or no
            # ball left to break anything, or a ball too slow to reach the bricks in time.
            if self.crush_reason is None:
                if watch.breaks and frame.t - watch.breaks[0][1] > 1.5:
                    self.crush_reason = "a brick broke"
                elif watch.ball_lost(frame.t):
                    self.crush_reason = "the ball was lost"
                elif frame.t > break_deadline:
                    self.crush_reason = "time ran out"
                if self.crush_reason:
                    self.mark("crush")
                    rep.log(f"level 2: going under a falling brick, since {self.crush_reason}")
            if watch.pad is None:
                continue
            pad_x = watch.pad[0]
            target = None if self.crush_reason is None else field.crush_target(pad_x, watch)
            if target is None:
                target = field.dodge_target(pad_x, watch)
            trace.write(f"{frame.t - rep.started:7.2f} pad {pad_x:5d} ball {watch.ball} falling "
                        f"{watch.falling} target {target}\n")
            driver.drive(pad_x, target, frame.t)
            # Leave the game some processor time: it renders in software on the same cores.
            period = 0.3 if self.crush_reason is None else 0.2
            time.sleep(max(0.0, period - (time.monotonic() - frame.t)))
        driver.release()
        self.in_play.append(self.game_over)

    def game_over_and_restart(self):
        rep, run, player = self.rep, self.run, self.run.player
        over = self.game_over
        self.mark("game_over_seen", over.t)
        rep.keep(over, "game-over")
        rep.check(self.stdout_before_game_over == [], "console stays silent through level 2's play",
                  f"{self.stdout_before_game_over}")
        # Every later moving brick still on the broken pad ends the game again in
        # that step; the repeats must stay silent.
        time.sleep(0.2)
        self.lines_at_game_over = run.stdout_lines()
        rep.check(self.lines_at_game_over == [],
                  "game over: the console stays silent, repeated game overs included",
                  f"{self.lines_at_game_over}")
        check_band(rep, over, "game over", GAME_OVER_BAND)
        band = pic.band_extent(over.img) or GAME_OVER_BAND
        title = pic.box_in(over.img, pic.red_mask, (band[0] + 4, 150, band[1] - 4, 450))
        ok = title is not None and abs(pic.centre(title)[0] - 960) <= 12 and title[3] - title[1] >= 30
        rep.check(ok, "game over: large red title centred above the buttons", f"found {title}")
        buttons = check_menu_buttons(rep, over, "game over", band)
        if title and buttons:
            gap = pic.centre(buttons[0])[1] - pic.centre(title)[1]
            rep.check(125 <= gap <= 175, "game over: the title stands about 150 px above 'Restart the game'",
                      f"{gap:.0f} px")
        time.sleep(0.8)
        still = rep.keep(run.grab(), "game-over-later")
        timer_moves(rep, [over, still], "game over", False)
        rep.check(band_is(still, GAME_OVER_BAND), "game over: the screen stays until a button is clicked")
        time.sleep(max(0.0, 2.0 - (time.monotonic() - over.t)))
        if buttons is None:
            raise HarnessError("no 'Restart the game' button on the game over screen")

        self.mark("restart_click", self.click_line(buttons[0], "Restart the game"))
        run.wait_screen(lambda f: pic.band_extent(f.img) is None, "the restarted game", 5)
        # The view chosen before the restart still shakes the first frame after it.
        time.sleep(0.3)
        restarted = run.grab()
        rep.keep(restarted, "restarted")
        self.check_waiting(restarted, "after restart", 885)
        for row in ("coins", "timer", "hp", "score"):
            rep.check(same_text(self.first_waiting, restarted, hud_value_box(row)),
                      f"after restart: the Hud's {row} reads as at the start of the first game")

        rep.check(run.stdout_lines() == self.lines_at_game_over,
                  "console stays silent from the game over until the restarted game is paused",
                  f"{run.stdout_lines()[len(self.lines_at_game_over):]}")
        self.mark("escape2", player.hold("Escape", 0.2))
        paused = run.wait_screen(lambda f: band_is(f, PAUSE_BAND), "the pause menu of the restarted game", 5)
        rep.keep(paused, "restarted-pause")
        buttons = check_menu_buttons(rep, paused, "pause after restart", PAUSE_BAND)
        expected = self.lines_at_game_over + [PAUSE_TIMER_ERROR]
        end = time.monotonic() + 5
        while len(run.stdout_lines()) < len(expected) and time.monotonic() < end:
            time.sleep(0.05)
        time.sleep(0.2)
        rep.check(run.stdout_lines() == expected,
                  "pausing before the launch reports the already paused clock, once",
                  f"{run.stdout_lines()[len(self.lines_at_game_over):]}")
        time.sleep(max(0.0, 1.5 - (time.monotonic() - paused.t)))
        if buttons is None:
            raise HarnessError("no 'Leave' button on the pause menu")
        self.mark("leave_click", self.click_line(buttons[1], "Leave"))
        code = run.wait_exit(15)
        self.mark("exited")
        rep.check(code == 0, "'Leave' ends the program with exit code 0", f"exit code {code}")
        rep.check(run.stdout_lines() == expected, "standard output holds no unexpected line",
                  f"{run.stdout_lines()}")


# ---------------------------------------------------------------- sound

def check_sound(rep, run, scenario, assets_dir):
    marks = scenario.marks
    try:
        start = run.clock.start_time()
        rec = sound.Recording(run.wave_path, start)
    except (OSError, ValueError) as error:
        rep.check(False, "the game's sound output was recorded", str(error))
        return
    played = marks["exited"] - start
    rep.check(rec.duration >= played - 1.5, "the wave backend recorded the whole run in real time",
              f"{rec.duration:.1f} s of sound over {played:.1f} s")
    tracks = {name: sound.decode(os.path.join(assets_dir, path), sound.MUSIC_RATE)
              for name, path in (("menu", MENU_TRACK), ("main", MAIN_TRACK))}
    length = {name: len(t) / sound.MUSIC_RATE for name, t in tracks.items()}

    def hear(label, t0, t1, expected, started_at=None):
        t0 = max(t0, t1 - 2.5)
        seg = rec.music_segment(t0, t1)
        level = rec.rms(t0, t1)
        match = {name: sound.match_track(seg, track) for name, track in tracks.items()}
        other = "menu" if expected == "main" else "main"
        ok = level >= 0.003 and match[expected][0] >= 0.6 and match[expected][0] >= match[other][0] + 0.2
        rep.check(ok, f"sound: {label} plays the {expected} music",
                  f"rms {level:.4f}, similarity menu {match['menu'][0]:.2f} main {match['main'][0]:.2f},"
                  f" over {t1 - t0:.1f} s")
        if started_at is not None and ok:
            lag = (match[expected][1] - (t0 - started_at)) % length[expected]
            lag = min(lag, length[expected] - lag)
            rep.check(lag <= 0.75, f"sound: {label}, the {expected} music is where it should be in its track",
                      f"{match[expected][1]:.2f} s into the track, {lag:.2f} s off")

    hear("on the start menu", marks["start_menu_seen"] + 0.3, marks["start_click"] - 0.1, "menu", start)
    hear("after 'Start the game'", marks["start_click"] + 0.3, marks["launch"] - 0.1, "main",
         marks["start_click"])
    hear("in the pause menu", marks["pause_seen"] + 0.2, marks["resume_click"] - 0.1, "menu", marks["escape"])
    resumed_at = marks["resume_click"] - (marks["escape"] - marks["start_click"])
    hear("after 'Resume'", marks["resume_click"] + 0.3, marks["resume_click"] + 2.3, "main", resumed_at)
    hear("on the game over screen", marks["game_over_seen"] + 0.2, marks["restart_click"] - 0.1, "main")
    hear("in the restarted game's pause menu", marks["escape2"] + 0.4, marks["leave_click"] - 0.1, "menu",
         marks["escape2"])

    effect = sound.decode(os.path.join(assets_dir, BRICK_EFFECT), rec.rate)
    quiet = sound.effect_peak(rec, effect, marks["start_click"] + 0.5, marks["launch"] - 0.1)
    if not scenario.breaks:
        rep.skip("sound: a brick hit is heard", "no brick break was seen to listen for")
        return
    peaks = [sound.effect_peak(rec, effect, a - 0.3, b + 0.15) for a, b, _ in scenario.breaks]
    best = max(peaks)
    rep.check(best >= 0.3 and best >= quiet + 0.15,
              "sound: the brick-hit effect stands out above the music when a brick breaks",
              f"best match {best:.2f} at a break, {quiet:.2f} in music alone")


# ---------------------------------------------------------------- missing and broken assets

def fill_assets(source):
    def fill(workdir):
        for name in ASSETS:
            os.makedirs(os.path.join(workdir, os.path.dirname(name)), exist_ok=True)
            shutil.copy(os.path.join(source, name), os.path.join(workdir, name))
    return fill


def fill_nothing(workdir):
    pass


def fill_broken(source):
    """Every asset present under its name but unreadable: two cut short, the rest replaced by text."""
    junk = b"Quadrabash test data: this file is deliberately not what its name says.\n" * 64

    def fill(workdir):
        for name in ASSETS:
            target = os.path.join(workdir, name)
            os.makedirs(os.path.dirname(target) or workdir, exist_ok=True)
            if name in ("blanc.png", MENU_TRACK):
                with open(os.path.join(source, name), "rb") as f:
                    head = f.read(24 if name.endswith(".png") else 12)
                with open(target, "wb") as f:
                    f.write(head)
            else:
                with open(target, "wb") as f:
                    f.write(junk)
    return fill


def play_full_game(rep, player, screen, game_dir):
    run = GameRun(rep, player, screen, game_dir, "full-game", fill_assets(game_dir))
    scenario = Scenario(rep, run)
    try:
        scenario.play()
    except Exception as error:  # noqa: BLE001 - any failure must still leave its evidence
        rep.check(False, "the full game could be played through", describe(error))
        if run.last_frame is not None:
            rep.keep(run.last_frame, "last-seen")
    finally:
        run.finish()
    if "exited" in scenario.marks:
        check_sound(rep, run, scenario, game_dir)


def bad_assets(rep, player, screen, game_dir, name, fill):
    run = GameRun(rep, player, screen, game_dir, name, fill)
    try:
        run.start()
        frame = run.wait_screen(lambda f: pic.background_fraction(f.img, (20, 240, 1900, 870)) > 0.9,
                                f"{name}: the first frame", 30)
        wait_until(lambda: len(run.stdout_lines()) >= len(STARTUP_WITHOUT_ASSETS), 10, 0.05,
                   f"{name}: the start-up lines")
        time.sleep(0.3)
        frame = run.grab()
        rep.keep(frame, f"{name}-start")
        rep.check(run.stdout_lines() == STARTUP_WITHOUT_ASSETS, f"{name}: start-up reports each failed load, in order",
                  f"{run.stdout_lines()}")
        check_background(rep, frame, name, (20, 240, 1900, 870))
        rep.check(pic.band_extent(frame.img) is None, f"{name}: no menu band is drawn without the font")
        rep.check(pic.box_in(frame.img, pic.text_pixels, (0, 15, 460, 180)) is None,
                  f"{name}: no Hud text is drawn without the font")
        colours = [pic.cell_colour(frame.img, r, c) for r in range(pic.ROWS) for c in range(pic.COLUMNS)]
        flat = [min(np.abs(np.array(c) - (255, 250, 255)).max(), np.abs(np.array(c) - (255, 0, 0)).max()) <= 10
                for c in colours]
        rep.check(all(flat), f"{name}: bricks drawn as plain rectangles in their tints (255, 250, 255) or red",
                  f"{sum(flat)} of 54")
        check_pad(rep, frame, name, 885)
        check_grid_geometry(rep, frame, name)

        before = len(run.stdout_lines())
        player.hold("Escape", 0.2)
        wait_until(lambda: len(run.stdout_lines()) >= before + 2, 5, 0.05, f"{name}: Escape to leave the start menu")
        time.sleep(0.3)
        rep.check(run.stdout_lines() == STARTUP_WITHOUT_ASSETS + LEAVING_START_MENU_WITHOUT_MUSIC,
                  f"{name}: Escape leaves the start menu and reports both missing musics",
                  f"{run.stdout_lines()[len(STARTUP_WITHOUT_ASSETS):]}")
        rep.keep(run.grab(), f"{name}-after-escape")
        screen.request_close(run.window)
        code = run.wait_exit(15)
        rep.check(code == 0, f"{name}: the window's close request ends the program with code 0", f"code {code}")
        rep.check(run.stdout_lines() == STARTUP_WITHOUT_ASSETS + LEAVING_START_MENU_WITHOUT_MUSIC,
                  f"{name}: nothing else on standard output", f"{len(run.stdout_lines())} lines")
    except Exception as error:  # noqa: BLE001 - any failure must still leave its evidence
        rep.check(False, f"{name}: the run went through", describe(error))
        if run.last_frame is not None:
            rep.keep(run.last_frame, f"{name}-last-seen")
    finally:
        run.finish()


# ---------------------------------------------------------------- main

def describe(error):
    if isinstance(error, HarnessError):
        return str(error)
    return "".join(traceback.format_exception(error)).strip()


def save_docs(rep, folder):
    os.makedirs(folder, exist_ok=True)
    wanted = {"start-menu": "start-menu", "play": "play", "shop": "shop", "game-over": "game-over"}
    kept = dict(rep.kept)
    for source, target in wanted.items():
        if source in kept:
            path = os.path.join(folder, f"{target}.png")
            pic.write_png(path, pic.downscale(kept[source].img))
            rep.log(f"docs: {path} ({os.path.getsize(path) // 1024} KB)")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game-dir", required=True, help="folder with the quadrabash program and its assets")
    parser.add_argument("--out", required=True, help="folder for screenshots, logs and the recorded sound")
    parser.add_argument("--docs", help="also write small pictures of the main screens here")
    parser.add_argument("--only", choices=("game", "assets"), help="run only the full game or only the asset runs")
    args = parser.parse_args()

    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    # Clear what an earlier run left, and only that.
    shutil.rmtree(os.path.join(out, "screens"), ignore_errors=True)
    for entry in os.listdir(out):
        if entry.endswith((".stdout.txt", ".stderr.txt", ".wav", ".log")):
            os.remove(os.path.join(out, entry))
    rep = Report(out)
    game_dir = os.path.abspath(args.game_dir)
    missing = [a for a in ["quadrabash"] + ASSETS if not os.path.exists(os.path.join(game_dir, a))]
    if missing:
        print(f"e2e: {game_dir} lacks {', '.join(missing)}; build the game first", file=sys.stderr)
        return 2

    server = XServer(os.path.join(out, "xvfb.log"))
    screen = Screen(server.display)
    player = Player(server.display, rep.log)
    rep.log(f"Xvfb on {server.display}")
    try:
        if args.only != "assets":
            play_full_game(rep, player, screen, game_dir)
        if args.only != "game":
            bad_assets(rep, player, screen, game_dir, "missing-assets", fill_nothing)
            bad_assets(rep, player, screen, game_dir, "broken-assets", fill_broken(game_dir))
    finally:
        screen.close()
        server.stop()
        rep.save_screens()
        if args.docs:
            save_docs(rep, args.docs)

    elapsed = time.monotonic() - rep.started
    rep.log(f"finished in {elapsed:.0f} s")
    print(f"e2e: {len(rep.passed)} passed, {len(rep.failed)} failed, {len(rep.skipped)} skipped")
    for text in rep.skipped:
        print(f"  skipped: {text}")
    if rep.failed:
        print("Failed checks:", file=sys.stderr)
        for text in rep.failed:
            print(f"  - {text}", file=sys.stderr)
        print(f"Screenshots, console output, sound and the action log are in {out}", file=sys.stderr)
    rep.close()
    return 1 if rep.failed else 0


if __name__ == "__main__":
    sys.exit(main())
