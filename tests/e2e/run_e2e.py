#!/usr/bin/python3
"""Plays the built game end to end through a private Xvfb, as a player would.

Usage: run_e2e.py --game-dir build/game --out build/e2e [--docs docs] [--smoke]
"""

import argparse, os, shutil, struct, subprocess, sys, tempfile, time, zlib  # noqa: E401
from pathlib import Path
import numpy as np

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sound  # noqa: E402
from xsession import Display, HarnessError, stop, wait_until  # noqa: E402

W, H = 1920, 1080
MAIN, MENU = "Sounds/Last_Boss_Trove_Shadow_Tower.wav", "Sounds/Calm_hub.wav"
PAD_HIT, BRICK_HIT = "Sounds/ball_tap_pad.wav", "Sounds/ball_tap_brick.wav"
NO_ASSETS = ["Hud() => Cannot load custom font.", "Failed to load Music", "Failed to load Music",
             "Failed to load Sound", "Failed to load Sound", "Music Menu_music not found",
             "ShopMenu() => Cannot load custom font."] + ["Loading texture failed."] * 4 + [
             "PauseMenu() => Cannot load custom font.", "Music Menu_music not found", "Music Main_music not found"]
PAUSE_BAND, OVER_BAND = (640, 1280), (411, 1509)
TIMER_BOX, COINS = np.s_[55:100, 150:460], np.s_[15:58, 150:460]
# The game maps about 1 GB (llvmpipe held to two threads); handing SFML a 16000 x 16000
# picture or a sound's bogus data size maps one to two more.
PEAK_MEMORY_KB = 1_500_000


class Checks:
    def __init__(self, out, docs):
        self.out, self.docs, self.started, self.failed, self.lines = out, docs, time.monotonic(), [], []

    def log(self, text):
        self.lines.append(f"[{time.monotonic() - self.started:6.2f}] {text}")
        print(self.lines[-1], flush=True)

    def check(self, ok, name, detail=""):
        text = name + (f" ({detail})" if detail else "")
        self.log(("PASS " if ok else "FAIL ") + text)
        self.failed += [] if ok else [text]

    def keep(self, img, name, doc=False):
        write_png(os.path.join(self.out, name + ".png"), img)
        if doc and self.docs:
            write_png(os.path.join(self.docs, name + ".png"),
                      (img.reshape(H // 2, 2, W // 2, 2, 3).mean(axis=(1, 3)) + 0.5).astype(np.uint8))
        return img


def write_png(path, img):
    raw = np.hstack([np.zeros((len(img), 1), np.uint8), img.reshape(len(img), -1)]).tobytes()

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", img.shape[1], len(img), 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


class Game:
    def __init__(self, x, checks, game_dir, name, fill):
        self.x, self.checks, self.name, self.proc, self.prev = x, checks, name, None, None
        self.exe, self.dir = os.path.join(game_dir, "quadrabash"), tempfile.mkdtemp(prefix=f"qb-{name}-")
        fill(self.dir)
        self.wave, self.stdout_path = (os.path.join(checks.out, name + ext) for ext in (".wav", ".stdout.txt"))
        Path(self.dir, "alsoft.conf").write_text(f"[general]\nchannels = stereo\nsample-type = int16\nfrequency = "
                                                 f"{sound.RATE}\n[wave]\nfile = {self.wave}\n")

    def start(self):
        wait_until(lambda: self.x.find_window() is None, 20, "the previous window to go")
        env = dict(os.environ, DISPLAY=self.x.name, ALSOFT_DRIVERS="wave", LP_NUM_THREADS="2",
                   ALSOFT_CONF=os.path.join(self.dir, "alsoft.conf"))
        with open(self.stdout_path, "wb") as out, open(os.path.join(self.checks.out, self.name + ".stderr.txt"), "wb") as err:
            self.proc = subprocess.Popen([self.exe], cwd=self.dir, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        self.window = wait_until(lambda: self.alive() and self.x.find_window(), 120, "the game window")

        # The game places its window itself once it is open: wait for it to settle wholly on the screen.
        def placed():
            self.alive()
            self.geometry = self.x.geometry(self.window)
            x, y, w, h = self.geometry or (-1, -1, 0, 0)
            return (w, h) == (W, H) and 0 <= x <= self.x.size[0] - w and 0 <= y <= self.x.size[1] - h
        wait_until(placed, 30, lambda: f"a 1920 x 1080 window wholly on the screen, not {self.geometry}")
        self.checks.log(f"{self.name}: window {self.window} at {self.geometry}")
        title = self.x.title(self.window)
        self.checks.check(title == "Quadrabash", f"{self.name}: the window's title is Quadrabash", repr(title))
        # With no window manager, keyboard focus follows the pointer.
        self.x.tool("xdotool", "mousemove", self.geometry[0] + W - 10, self.geometry[1] + H - 10)

    def alive(self):
        if self.proc.poll() is not None:
            raise HarnessError(f"the game ended by itself with code {self.proc.returncode}")
        return True

    def settled(self, what, test=lambda img: True, deadline=20, moving=0):
        """The first screen test accepts that a grab at least 150 ms later shows again, over the
        whole window; in play (moving > 0) that many pixels may differ, and the Hud's clock."""
        def attempt():
            img, t = self.x.grab(self.geometry[0], self.geometry[1], W, H), time.monotonic()
            self.alive()
            prev, self.prev = self.prev, (img, t)
            if prev is None or t - prev[1] < 0.15 or not test(img):
                return None
            diff = np.any(prev[0] != img, axis=2)
            diff[TIMER_BOX] &= not moving
            return img if np.count_nonzero(diff) <= moving else None
        self.prev = None
        return wait_until(attempt, deadline, what, 0.25)

    def position(self):
        """Where the recording is now, in seconds: the wave backend writes as it plays."""
        return max(0, os.path.getsize(self.wave) - 44) / sound.BYTES_PER_SECOND if os.path.exists(self.wave) else 0

    def record_until(self, seconds):
        """A loaded machine writes the sound late: wait for enough of it to judge, not for a fixed time."""
        wait_until(lambda: self.position() >= seconds, 30, f"{seconds:.1f} s of recorded sound")

    def click(self, x, y):
        self.x.tool("xdotool", "mousemove", self.geometry[0] + int(x), self.geometry[1] + int(y), "click", 1)

    def key(self, key, seconds):
        # Held long enough for the game to read the key in at least one step, however slow its steps.
        self.x.tool("xdotool", "keydown", key, "sleep", seconds, "keyup", key)

    def stdout(self):
        return Path(self.stdout_path).read_bytes().decode("latin-1").splitlines()

    def close(self, expected_stdout, how="the window's close button", check_memory=False):
        if check_memory:
            peak = int(Path(f"/proc/{self.proc.pid}/status").read_text().split("VmPeak:")[1].split()[0])
            self.checks.check(peak < PEAK_MEMORY_KB, f"{self.name}: the program's memory stays in bounds",
                              f"peak {peak // 1024} MB")
        if how != "'Leave'":
            self.x.request_close(self.window)
        try:
            code = self.proc.wait(120)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"the game did not exit after {how}")
        self.checks.check(code == 0, f"{self.name}: {how} ends the program with exit code 0", f"code {code}")
        self.checks.check(self.stdout() == expected_stdout, f"{self.name}: standard output is exactly as expected",
                          f"{self.stdout()}")

    def finish(self, error=None):
        if error is not None:
            self.checks.check(False, f"{self.name}: the run went through",
                              str(error) if isinstance(error, HarnessError) else repr(error))
            if self.prev is not None:
                self.checks.keep(self.prev[0], self.name + "-last-seen")
        if self.proc is not None:
            stop(self.proc)
        shutil.rmtree(self.dir, ignore_errors=True)


# ---------------------------------------------------------------- reading the screen

def band(img):
    # Columns whose median is darker than the background: the menus' translucent band.
    cols = np.flatnonzero(np.median(img[::4, :, 0], axis=0) < 23)
    return (int(cols[0]), int(cols[-1]) + 1) if len(cols) > 100 else None


def band_is(expected):
    return lambda img: band(img) is not None and max(abs(a - b) for a, b in zip(band(img), expected)) <= 2


def buttons(img, x0, x1, y0=420, y1=700):
    """(centre x, centre y, width) of each line of white text in a box, top to bottom."""
    white = img[y0:y1, x0:x1].min(axis=2) >= 200
    rows = np.flatnonzero(white.any(axis=1))
    found = []
    for group in np.split(rows, np.flatnonzero(np.diff(rows) > 8) + 1) if len(rows) else []:
        cols = np.flatnonzero(white[group[0]:group[-1] + 1].any(axis=0))
        found.append((x0 + (cols[0] + cols[-1]) / 2, y0 + (group[0] + group[-1]) / 2, cols[-1] - cols[0]))
    return found


def pad_x(img):
    cols = np.flatnonzero(img[940].min(axis=1) >= 180)
    return int(cols[0]) if len(cols) >= 150 else None


def ball(img):
    ys, xs = np.nonzero(img[240:925].min(axis=2) >= 180)
    return (xs.mean(), ys.mean() + 240) if 50 <= len(xs) <= 800 else None


def resting_ball(img):
    x = pad_x(img)
    return x is not None and np.count_nonzero(img[896:924, x + 80:x + 120].min(axis=2) >= 180) >= 200


def cells(img):
    return [np.median(img[73 + 55 * r:97 + 55 * r, 30 + 105 * c:100 + 105 * c].reshape(-1, 3), axis=0)
            for r in range(3) for c in range(18)]


def shop_open(img):
    field = np.abs(img[60:225, 1000:1900].astype(int) - (36, 4, 4)).max(axis=2) <= 12
    return bool((img[85:210, 500:980].min(axis=2) >= 200).any() and field.all())


# ---------------------------------------------------------------- the full game

def full_game(x, checks, game_dir, smoke):
    g = Game(x, checks, game_dir, "full-game", lambda d: shutil.copytree(
        game_dir, d, dirs_exist_ok=True, ignore=lambda _, names: ["quadrabash"] if "quadrabash" in names else []))
    marks, breaks = {}, []
    try:
        g.start()
        menu = checks.keep(g.settled("the start menu", band_is(PAUSE_BAND), 120), "start-menu", True)
        if smoke:
            g.close([])
            return g.finish()
        # The menu music plays from start-up on: what came before the click is enough.
        marks["menu"], start = 0.0, buttons(menu, *PAUSE_BAND)
        g.record_until(1.5)
        marks["start"] = g.position()
        g.click(*start[0][:2])
        waiting = checks.keep(g.settled("the start menu to close", lambda i: band(i) is None), "waiting")
        # The clock stands still before the launch, so nothing beside the band may differ, and
        # under the band the scene shows through a black of alpha 191: a quarter of it.
        a, b = menu.astype(int), waiting.astype(int)
        beside = np.array_equal(a[:, :640], b[:, :640]) and np.array_equal(a[:, 1280:], b[:, 1280:])
        under = np.delete(np.abs(a[:, 640:1280] - b[:, 640:1280] * 64 / 255), np.s_[440:640], axis=0).max()
        checks.check(beside and under <= 3, "'Start the game' removes the start menu's band, which showed the "
                     "waiting scene darkened to a quarter and left the rest untouched",
                     f"beside equal: {beside}, largest error under the band {under:.0f}")

        # The shop comes first: before the launch the level exit starts with the pad in the middle.
        marks["clear"] = g.position()
        g.key("a", 0.6)
        shop = checks.keep(g.settled("the A key to clear the level and open the shop", shop_open, 30), "shop", True)
        marks["escape"] = g.position()
        g.key("Escape", 0.2)
        resume = buttons(checks.keep(g.settled("the pause menu over the shop", band_is(PAUSE_BAND)), "pause"), *PAUSE_BAND)
        checks.check(len(resume) == 2 and resume[0][2] < 0.7 * start[0][2],
                     "Escape opens the pause menu, whose first button is the short 'Resume'", f"{resume}")
        g.record_until(marks["escape"] + 1.5)
        marks["resume"] = g.position()
        g.click(*resume[0][:2])
        g.settled("'Resume' to bring the shop back", shop_open)
        g.click(*buttons(shop, 500, 980, 85, 210)[0][:2])
        # That click was also the first of a level not yet launched: it started the Hud clock (moving=1).
        level2 = g.settled("'Continuer' to bring the pad back for level 2",
                           lambda i: pad_x(i) == 860 and not shop_open(i), moving=1)
        g.key("Right", 0.6)
        moved = g.settled("the pad to stop", moving=1)
        checks.check((pad_x(moved) or 0) >= 890, "holding the Right key moves the pad right", f"860 -> {pad_x(moved)}")
        marks["launch"] = g.position()
        g.click(1500, 600)
        # In play the ball and falling bricks move; a shaking view (after a first hit) moves everything.
        checks.keep(g.settled("a left click to launch the ball", lambda i: not resting_ball(i), 10, 25000), "play", True)
        # A slow ball on a busy machine can take a minute to fall: bounded, except when the picture is wanted.
        over = lose_ball(g, level2[COINS], marks["launch"], breaks, 90 if checks.docs else 15)
        marks["lost"] = g.position()
        if over is None:
            checks.log("SKIP game over and restart: the ball was still in play (a slow launch on a slow machine)")
        else:
            g.click(*buttons(checks.keep(over, "game-over", True), *OVER_BAND)[0][:2])
            again = checks.keep(g.settled("the restarted game", lambda i: band(i) is None), "restarted")
            checks.check(np.array_equal(again[240:], waiting[240:]) and np.array_equal(again[COINS], waiting[COINS]),
                         "'Restart the game' brings back level 1's first screen: pad, resting ball, no coins")
        g.key("Escape", 0.2)
        g.click(*buttons(g.settled("the pause menu", band_is(PAUSE_BAND)), *PAUSE_BAND)[1][:2])
        g.close([], "'Leave'")
        g.finish()
        hear(checks, g.wave, game_dir, marks, breaks)
    except Exception as error:  # noqa: BLE001 - any failure must still stop the game and keep its evidence
        g.finish(error)


def lose_ball(g, coins, since, breaks, deadline_s):
    """Keep the pad away from the ball until the game is over, noting when the first brick breaks:
    the view starts shaking then, which the coin count over the empty top rows shows."""
    g.key("Left", 0.8)
    end = time.monotonic() + deadline_s
    while time.monotonic() < end:
        before, img = g.position(), g.x.grab(*g.geometry)
        if band_is(OVER_BAND)(img):
            return g.settled("the game over screen", band_is(OVER_BAND))
        if not breaks and not np.array_equal(img[COINS], coins):
            breaks.append((since, g.position()))
        since = before
        pad, at = pad_x(img), ball(img)
        if pad is not None and at is not None and at[1] > 600 and pad - 80 < at[0] < pad + 280:
            g.key("Right" if at[0] < pad + 100 else "Left", 0.5)
        # Each grab holds up the X server the game draws through: look only as often as needed.
        time.sleep(0.35)


def hear(checks, wave, game_dir, marks, breaks):
    rec = sound.decode(wave, 11025)
    tracks = {name: sound.decode(os.path.join(game_dir, path), 11025) for name, path in (("menu", MENU), ("main", MAIN))}
    for label, a, b, expected, other in (("the start menu", "menu", "start", "menu", "main"),
                                         ("the pause menu", "escape", "resume", "menu", "main"),
                                         ("play", "launch", "lost", "main", "menu")):
        t0 = marks[a] + 0.4
        t1 = min(marks[b] - 0.1, t0 + 2.5)
        score = {name: sound.music_match(rec, 11025, t0, t1, track) for name, track in tracks.items()}
        checks.check(score[expected] >= 0.6 and score[expected] >= score[other] + 0.2,
                     f"sound: {label} plays the {expected} music", f"similarity {score} over {t1 - t0:.1f} s")
    if not breaks:
        return checks.log("SKIP sound of a brick hit: no brick was seen breaking")
    rec, effect = (np.diff(sound.decode(path, sound.RATE)) for path in (wave, os.path.join(game_dir, BRICK_HIT)))
    quiet = sound.similarity(rec[int((marks["clear"] + 0.4) * sound.RATE):int(marks["escape"] * sound.RATE)], effect)
    heard = max(sound.similarity(rec[int((a - 0.3) * sound.RATE):int((b + 0.3) * sound.RATE)], effect) for a, b in breaks)
    checks.check(heard >= 0.3 and heard >= quiet + 0.15, "sound: the brick-hit effect plays when a brick breaks",
                 f"similarity {heard:.2f} at a break, {quiet:.2f} in the music alone")


# ---------------------------------------------------------------- missing and broken assets

def wav(*chunks):
    body = b"WAVE" + b"".join(kind + struct.pack("<I", size) + data for kind, size, data in chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def broken_assets(source):
    """Text under an asset's name, files cut short, and headers SFML 2.5.1 crashes or balloons on:
    a data chunk before the fmt chunk, one larger than the file, a 16000 x 16000 picture."""
    junk = b"Quadrabash test data: deliberately not what its name says.\n" * 64
    fmt, samples = (b"fmt ", 16, struct.pack("<HHIIHH", 1, 1, 22050, 44100, 2, 16)), bytes(4000)
    png = b"\x89PNG\r\n\x1a\n" + b"".join(struct.pack(">I", len(c) - 4) + c + struct.pack(">I", zlib.crc32(c)) for c in (
        b"IHDR" + struct.pack(">IIBBBBB", 16000, 16000, 8, 6, 0, 0, 0), b"IDAT" + zlib.compress(bytes(60000)), b"IEND"))

    files = {"blanc.png": png, "Brick.jpg": Path(source, "Brick.jpg").read_bytes()[:40], "Pixel_Coleco.otf": junk,
             MENU: Path(source, MENU).read_bytes()[:12],
             MAIN: wav((b"data", len(samples), samples), fmt), PAD_HIT: wav(fmt, (b"data", 0x7FFFFF00, samples)),
             BRICK_HIT: junk}

    def fill(folder):
        os.makedirs(os.path.join(folder, "Sounds"))
        for name, data in files.items():
            Path(folder, name).write_bytes(data)
    return fill


def without_assets(x, checks, game_dir, name, fill, smoke):
    g = Game(x, checks, game_dir, name, fill)
    try:
        g.start()
        wait_until(lambda: g.alive() and len(g.stdout()) >= len(NO_ASSETS) - 2, 60, "the start-up lines")
        frame = checks.keep(g.settled("a still screen with the pad drawn", lambda i: pad_x(i) is not None, 60), name)
        flat = all(min(np.abs(c - (255, 250, 255)).max(), np.abs(c - (255, 0, 0)).max()) <= 10 for c in cells(frame))
        checks.check(flat and band(frame) is None and pad_x(frame) == 885,
                     f"{name}: plain tinted bricks and pad, and no menu band without the font")
        g.key("Escape", 0.2)
        wait_until(lambda: g.alive() and len(g.stdout()) >= len(NO_ASSETS), 60, "Escape's music lines")
        g.close(NO_ASSETS, check_memory=not smoke)
        g.finish()
    except Exception as error:  # noqa: BLE001
        g.finish(error)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game-dir", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs", help="also write the README's pictures, 960 x 540, here")
    parser.add_argument("--smoke", action="store_true", help="for slow builds: the full game is only opened and closed")
    args = parser.parse_args()
    out, game_dir = os.path.abspath(args.out), os.path.abspath(args.game_dir)
    os.makedirs(out, exist_ok=True)
    for stale in (f for f in os.listdir(out) if f.endswith((".png", ".txt", ".wav", ".log"))):
        os.remove(os.path.join(out, stale))
    if args.docs:
        os.makedirs(args.docs, exist_ok=True)
    checks = Checks(out, args.docs)
    x = Display(os.path.join(out, "xvfb.log"))
    try:
        full_game(x, checks, game_dir, args.smoke)
        without_assets(x, checks, game_dir, "missing-assets", lambda folder: None, args.smoke)
        without_assets(x, checks, game_dir, "broken-assets", broken_assets(game_dir), args.smoke)
    finally:
        x.close()
    checks.log(f"finished in {time.monotonic() - checks.started:.0f} s")
    Path(out, "harness.log").write_text("\n".join(checks.lines + [f"FAILED: {text}" for text in checks.failed]) + "\n")
    for text in checks.failed:
        print(f"FAILED: {text}", file=sys.stderr)
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
