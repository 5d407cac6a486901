#!/usr/bin/python3
"""Plays the built game end to end through a private Xvfb, as a player would.

Usage: run_e2e.py --game-dir build/game --out build/e2e [--docs docs] [--smoke]
       run_e2e.py --program /usr/games/quadrabash --out DIR   the installed command, from the home folder
"""

import argparse, os, shutil, struct, subprocess, sys, tempfile, time, zlib  # noqa: E401
from pathlib import Path
import numpy as np

sys.dont_write_bytecode = True
sys.path[:0] = [os.path.dirname(os.path.abspath(__file__)), os.path.dirname(os.path.dirname(os.path.abspath(__file__)))]
import sound  # noqa: E402
from xsession import SIZE, Display, HarnessError, stop, wait_until  # noqa: E402

WIDTH, HEIGHT = SIZE
MAIN, MENU = "Sounds/Last_Boss_Trove_Shadow_Tower.wav", "Sounds/Calm_hub.wav"
PAD_HIT, BRICK_HIT = "Sounds/ball_tap_pad.wav", "Sounds/ball_tap_brick.wav"
NO_ASSETS = ["Hud() => Cannot load custom font.", "Failed to load Music", "Failed to load Music",
             "Failed to load Sound", "Failed to load Sound", "Music Menu_music not found",
             "ShopMenu() => Cannot load custom font."] + ["Loading texture failed."] * 4 + [
             "PauseMenu() => Cannot load custom font.", "Music Menu_music not found", "Music Main_music not found"]
# The game maps about 1 GB (llvmpipe held to two threads); handing SFML a 16000 x 16000
# picture or a sound's bogus data size maps one to two more.
PEAK_MEMORY_KB = 1_500_000

# Where the game draws things, in window pixels, from its layout.
BACKGROUND = (36, 4, 4)
HUD_COINS = np.s_[15:58, 150:460]            # the coin count, right of its label
HUD_CLOCK = np.s_[55:100, 150:460]           # the play clock, under it
PLAYFIELD_ROWS = (240, 925)                  # between the wall and the pad: only the ball is white there
PAD_ROW = 940                                # a row through the pad (20 high, its top at 930)
PAD_WIDTH, PAD_START_X, PAD_CENTRED_X = 200, 885, 860
MENU_BUTTON_ROWS = (420, 700)                # the menus' buttons, 50 px above and below the middle
SHOP_CONTINUE = (500, 980, 85, 210)          # the shop's "Continuer" button: x0, x1, y0, y1
SHOP_EMPTY_TOP_RIGHT = np.s_[60:225, 1000:1900]  # bare background while the shop is open
PAUSE_BAND_WIDTH = WIDTH // 3                # the game over band is wider


def brick_face(row, column):
    """The inside of a brick, clear of its edges: bricks are 100 x 50 from (15, 60), 5 px apart."""
    return np.s_[73 + 55 * row:97 + 55 * row, 30 + 105 * column:100 + 105 * column]


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

    def keep(self, image, name, doc=False):
        write_png(os.path.join(self.out, name + ".png"), image)
        if doc and self.docs:
            half = image.reshape(HEIGHT // 2, 2, WIDTH // 2, 2, 3).mean(axis=(1, 3)) + 0.5
            write_png(os.path.join(self.docs, name + ".png"), half.astype(np.uint8))
        return image


def write_png(path, image):
    raw = np.hstack([np.zeros((len(image), 1), np.uint8), image.reshape(len(image), -1)]).tobytes()

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", image.shape[1], len(image), 8, 2, 0, 0, 0)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
                           + chunk(b"IEND", b""))


class Game:
    """One run of the program: in a folder filled by fill(folder), or the given program in the home folder."""

    def __init__(self, display, checks, name, program, fill=None):
        self.display, self.checks, self.name, self.program, self.proc, self.previous = \
            display, checks, name, program, None, None
        self.folder = tempfile.mkdtemp(prefix=f"qb-{name}-") if fill else str(Path.home())
        self.temporary = fill is not None
        if fill:
            fill(self.folder)
        self.wave, self.stdout_path, conf = (os.path.join(checks.out, name + ext) for ext in (".wav", ".stdout.txt", ".conf"))
        Path(conf).write_text(f"[general]\nchannels = stereo\nsample-type = int16\nfrequency = {sound.RATE}\n"
                              f"[wave]\nfile = {self.wave}\n")
        self.env = dict(display.env, ALSOFT_DRIVERS="wave", LP_NUM_THREADS="2", ALSOFT_CONF=conf)

    def start(self):
        wait_until(lambda: self.display.find_window() is None, 20, "the previous window to go")
        with open(self.stdout_path, "wb") as out, open(os.path.join(self.checks.out, self.name + ".stderr.txt"), "wb") as err:
            self.proc = subprocess.Popen([self.program], cwd=self.folder, env=self.env, stdin=subprocess.DEVNULL,
                                         stdout=out, stderr=err)
        self.window = wait_until(lambda: self.alive() and self.display.find_window(), 120, "the game window")

        # The game places its window itself once it is open: judge nothing before it is wholly on the screen.
        def placed():
            self.alive()
            self.geometry = self.display.geometry(self.window)
            left, top, width, height = self.geometry or (-1, -1, 0, 0)
            return (width, height) == SIZE and left >= 0 and top >= 0 and left + width <= WIDTH and top + height <= HEIGHT
        wait_until(placed, 30, lambda: f"a 1920 x 1080 window wholly on the screen, not {self.geometry}")
        title = self.display.title(self.window)
        self.checks.check(title == "Quadrabash", f"{self.name}: the window's title is Quadrabash", repr(title))
        # With no window manager, keyboard focus follows the pointer.
        self.display.tool("xdotool", "mousemove", self.geometry[0] + WIDTH - 10, self.geometry[1] + HEIGHT - 10)

    def alive(self):
        if self.proc.poll() is not None:
            raise HarnessError(f"the game ended by itself with code {self.proc.returncode}")
        return True

    def grab(self):
        return self.display.grab(self.geometry[0], self.geometry[1], WIDTH, HEIGHT)

    def settled(self, what, test=lambda image: True, deadline=20, moving=0):
        """The first screen that passes test and that a grab at least 150 ms later shows again; in play
        (moving > 0) that many pixels may differ, and the Hud's clock."""
        def attempt():
            image, now = self.grab(), time.monotonic()
            self.alive()
            previous, self.previous = self.previous, (image, now)
            if previous is None or now - previous[1] < 0.15 or not test(image):
                return None
            changed = np.any(previous[0] != image, axis=2)
            changed[HUD_CLOCK] &= not moving
            return image if np.count_nonzero(changed) <= moving else None
        self.previous = None
        return wait_until(attempt, deadline, what, 0.25)

    def recorded_seconds(self):
        """Where the recording is now: the wave backend writes as it plays."""
        return max(0, os.path.getsize(self.wave) - 44) / sound.BYTES_PER_SECOND if os.path.exists(self.wave) else 0

    def record_until(self, seconds):
        """A loaded machine writes the sound late: wait for enough of it to judge, not for a fixed time."""
        wait_until(lambda: self.recorded_seconds() >= seconds, 30, f"{seconds:.1f} s of recorded sound")

    def click(self, x, y):
        self.display.tool("xdotool", "mousemove", self.geometry[0] + int(x), self.geometry[1] + int(y), "click", 1)

    def key(self, key, seconds):
        # Held long enough for the game to read the key in at least one step, however slow its steps.
        self.display.tool("xdotool", "keydown", key, "sleep", seconds, "keyup", key)

    def stdout(self):
        return Path(self.stdout_path).read_bytes().decode("latin-1").splitlines()

    def close(self, expected_stdout, how="the window's close button", check_memory=False):
        if check_memory:
            peak = int(Path(f"/proc/{self.proc.pid}/status").read_text().split("VmPeak:")[1].split()[0])
            self.checks.check(peak < PEAK_MEMORY_KB, f"{self.name}: the program's memory stays in bounds",
                              f"peak {peak // 1024} MB")
        if how == "the window's close button":
            self.display.request_close(self.window)
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
            if self.previous is not None:
                self.checks.keep(self.previous[0], self.name + "-last-seen")
        if self.proc is not None:
            stop(self.proc)
        if self.temporary:
            shutil.rmtree(self.folder, ignore_errors=True)


# ---------------------------------------------------------------- reading the screen

def band(image):
    """(left, right) of the menus' translucent band: the columns darker than the background."""
    columns = np.flatnonzero(np.median(image[::4, :, 0], axis=0) < 23)
    return (int(columns[0]), int(columns[-1]) + 1) if len(columns) > 100 else None


def pause_band(image):
    found = band(image)
    return found is not None and found[1] - found[0] <= PAUSE_BAND_WIDTH + 2


def game_over_band(image):
    found = band(image)
    return found is not None and found[1] - found[0] > PAUSE_BAND_WIDTH + 2


def buttons(image, x0, x1, y0=MENU_BUTTON_ROWS[0], y1=MENU_BUTTON_ROWS[1]):
    """(centre x, centre y, width) of each line of white text in a box, top to bottom."""
    white = image[y0:y1, x0:x1].min(axis=2) >= 200
    rows = np.flatnonzero(white.any(axis=1))
    found = []
    for line in np.split(rows, np.flatnonzero(np.diff(rows) > 8) + 1) if len(rows) else []:
        columns = np.flatnonzero(white[line[0]:line[-1] + 1].any(axis=0))
        found.append((x0 + (columns[0] + columns[-1]) / 2, y0 + (line[0] + line[-1]) / 2, columns[-1] - columns[0]))
    return found


def menu_buttons(image):
    return buttons(image, *band(image))


def pad_left(image):
    columns = np.flatnonzero(image[PAD_ROW].min(axis=1) >= 180)
    return int(columns[0]) if len(columns) >= 150 else None


def ball(image):
    top, bottom = PLAYFIELD_ROWS
    ys, xs = np.nonzero(image[top:bottom].min(axis=2) >= 180)
    return (xs.mean(), ys.mean() + top) if 50 <= len(xs) <= 800 else None


def ball_on_pad(image):
    left = pad_left(image)
    above_pad_middle = np.s_[896:924, left + 80:left + 120] if left is not None else None
    return left is not None and np.count_nonzero(image[above_pad_middle].min(axis=2) >= 180) >= 200


def shop_open(image):
    x0, x1, y0, y1 = SHOP_CONTINUE
    bare = np.abs(image[SHOP_EMPTY_TOP_RIGHT].astype(int) - BACKGROUND).max(axis=2) <= 12
    return bool((image[y0:y1, x0:x1].min(axis=2) >= 200).any() and bare.all())


# ---------------------------------------------------------------- the full game

def full_game(display, checks, program, fill, smoke):
    game = Game(display, checks, "full-game", program, fill)
    marks, breaks = {}, []
    try:
        game.start()
        menu = checks.keep(game.settled("the start menu", pause_band, 120), "start-menu", True)
        if smoke:
            game.close([])
            return game.finish()
        # The menu music plays from start-up on: what came before the click is enough.
        start = menu_buttons(menu)
        game.record_until(1.5)
        marks["start"] = game.recorded_seconds()
        game.click(*start[0][:2])
        waiting = checks.keep(game.settled("the start menu to close", lambda image: band(image) is None), "waiting")
        # The clock stands still before the launch, so nothing beside the band may differ, and
        # under the band the scene shows through a black of alpha 191: a quarter of it.
        left, right = band(menu)
        before, after = menu.astype(int), waiting.astype(int)
        beside = np.array_equal(before[:, :left], after[:, :left]) and np.array_equal(before[:, right:], after[:, right:])
        under_band = np.abs(before[:, left:right] - after[:, left:right] * 64 / 255)
        under = np.delete(under_band, np.s_[MENU_BUTTON_ROWS[0] + 20:MENU_BUTTON_ROWS[1] - 60], axis=0).max()
        checks.check(beside and under <= 3, "'Start the game' removes the start menu's band, which showed the "
                     "waiting scene darkened to a quarter and left the rest untouched",
                     f"beside equal: {beside}, largest error under the band {under:.0f}")

        # The shop comes first: before the launch the level exit starts with the pad in the middle.
        marks["clear"] = game.recorded_seconds()
        game.key("a", 0.6)
        shop = checks.keep(game.settled("the A key to clear the level and open the shop", shop_open, 30), "shop", True)
        marks["escape"] = game.recorded_seconds()
        game.key("Escape", 0.2)
        resume = menu_buttons(checks.keep(game.settled("Escape to open the pause menu over the shop", pause_band), "pause"))
        game.record_until(marks["escape"] + 1.5)
        marks["resume"] = game.recorded_seconds()
        game.click(*resume[0][:2])
        game.settled("'Resume' to bring the shop back", shop_open)
        game.click(*buttons(shop, *SHOP_CONTINUE)[0][:2])
        # That click was also the first of a level not yet launched: it started the Hud clock (moving=1).
        level2 = game.settled("'Continuer' to bring the pad back for level 2",
                              lambda image: pad_left(image) == PAD_CENTRED_X and not shop_open(image), moving=1)
        game.key("Right", 0.6)
        moved = game.settled("the pad to stop", moving=1)
        checks.check((pad_left(moved) or 0) > PAD_CENTRED_X + 20, "holding the Right key moves the pad right",
                     f"{PAD_CENTRED_X} -> {pad_left(moved)}")
        marks["launch"] = game.recorded_seconds()
        game.click(1500, 600)
        # In play the ball and falling bricks move; a shaking view (after a first hit) moves everything.
        checks.keep(game.settled("a left click to launch the ball", lambda image: not ball_on_pad(image), 10, 25000),
                    "play", True)
        over = lose_ball(game, level2[HUD_COINS], marks["launch"], breaks)
        marks["lost"] = game.recorded_seconds()
        game.click(*menu_buttons(checks.keep(over, "game-over", True))[0][:2])
        checks.keep(game.settled("'Restart the game' to close the game over menu", lambda image: band(image) is None), "restarted")
        game.key("Escape", 0.2)
        game.click(*menu_buttons(game.settled("the pause menu", pause_band))[1][:2])
        game.close([], "'Leave'")
        game.finish()
        hear(checks, game.wave, os.path.dirname(program), marks, breaks)
    except Exception as error:  # noqa: BLE001 - any failure must still stop the game and keep its evidence
        game.finish(error)


def lose_ball(game, coins, since, breaks, deadline_s=120):
    """Keep the pad away from the ball until the game is over, noting when the first brick breaks:
    the view starts shaking then, which the coin count over the empty top rows shows."""
    game.key("Left", 0.8)
    end = time.monotonic() + deadline_s
    while time.monotonic() < end:
        before, image = game.recorded_seconds(), game.grab()
        if not breaks and not np.array_equal(image[HUD_COINS], coins):
            breaks.append((since, game.recorded_seconds()))
        if game_over_band(image):
            return game.settled("the game over screen", game_over_band)
        since = before
        pad, at = pad_left(image), ball(image)
        if pad is not None and at is not None and at[1] > 600 and pad - 80 < at[0] < pad + PAD_WIDTH + 80:
            game.key("Right" if at[0] < pad + PAD_WIDTH / 2 else "Left", 0.5)
        # Each grab holds up the X server the game draws through: look only as often as needed.
        time.sleep(0.35)
    raise HarnessError(f"the ball was still in play {deadline_s} s after the launch")


def hear(checks, wave, game_dir, marks, breaks):
    recording = sound.decode(wave, 11025)
    tracks = {name: sound.decode(os.path.join(game_dir, path), 11025) for name, path in (("menu", MENU), ("main", MAIN))}
    for label, start, end, expected, other in (("the start menu", None, "start", "menu", "main"),
                                               ("the pause menu", "escape", "resume", "menu", "main"),
                                               ("play", "launch", "lost", "main", "menu")):
        t0 = marks.get(start, 0.0) + 0.4
        t1 = min(marks[end] - 0.1, t0 + 2.5)
        score = {name: sound.music_match(recording, 11025, t0, t1, track) for name, track in tracks.items()}
        checks.check(score[expected] >= 0.6 and score[expected] >= score[other] + 0.2,
                     f"sound: {label} plays the {expected} music", f"similarity {score} over {t1 - t0:.1f} s")
    recording, effect = (np.diff(sound.decode(path, sound.RATE)) for path in (wave, os.path.join(game_dir, BRICK_HIT)))

    def heard(start, end):
        return sound.similarity(recording[int(start * sound.RATE):int(end * sound.RATE)], effect)
    quiet = heard(marks["clear"] + 0.4, marks["escape"])
    at_break = max((heard(start - 0.3, end + 0.3) for start, end in breaks), default=0.0)
    checks.check(breaks and at_break >= 0.3 and at_break >= quiet + 0.15,
                 "sound: the brick-hit effect plays when a brick breaks",
                 f"similarity {at_break:.2f} at a break, {quiet:.2f} in the music alone" if breaks else "no brick broke")


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


def without_assets(display, checks, program, name, fill, smoke):
    game = Game(display, checks, name, program, fill)
    try:
        game.start()
        wait_until(lambda: game.alive() and len(game.stdout()) >= len(NO_ASSETS) - 2, 60, "the start-up lines")
        frame = checks.keep(game.settled("a still screen with the pad drawn", lambda i: pad_left(i) is not None, 60), name)
        tints = ((255, 250, 255), (255, 0, 0))
        flat = all(min(np.abs(np.median(frame[brick_face(row, column)].reshape(-1, 3), axis=0) - tint).max()
                       for tint in tints) <= 10 for row in range(3) for column in range(18))
        checks.check(flat and band(frame) is None, f"{name}: plain tinted bricks and no menu band without the font")
        game.key("Escape", 0.2)
        wait_until(lambda: game.alive() and len(game.stdout()) >= len(NO_ASSETS), 60, "Escape's music lines")
        game.close(NO_ASSETS, check_memory=not smoke)
        game.finish()
    except Exception as error:  # noqa: BLE001
        game.finish(error)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game-dir", help="the built game folder: every asset, none, then broken ones")
    parser.add_argument("--program", help="an installed command, started from the home folder, only opened and closed")
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs", help="also write the README's pictures, 960 x 540, here")
    parser.add_argument("--smoke", action="store_true", help="for slow builds: the full game is only opened and closed")
    args = parser.parse_args()
    if bool(args.game_dir) == bool(args.program):
        parser.error("give either --game-dir or --program")
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    for stale in (f for f in os.listdir(out) if f.endswith((".png", ".txt", ".wav", ".log", ".conf"))):
        os.remove(os.path.join(out, stale))
    if args.docs:
        os.makedirs(args.docs, exist_ok=True)
    checks = Checks(out, args.docs)
    display = Display(os.path.join(out, "xvfb.log"))
    try:
        if args.program:
            full_game(display, checks, args.program, None, True)
        else:
            game_dir = os.path.abspath(args.game_dir)
            program = os.path.join(game_dir, "quadrabash")

            def copy_assets(folder):
                shutil.copytree(game_dir, folder, dirs_exist_ok=True, ignore=lambda _, names: ["quadrabash"])
            full_game(display, checks, program, copy_assets, args.smoke)
            without_assets(display, checks, program, "missing-assets", lambda folder: None, args.smoke)
            without_assets(display, checks, program, "broken-assets", broken_assets(game_dir), args.smoke)
    finally:
        display.close()
    checks.log(f"finished in {time.monotonic() - checks.started:.0f} s")
    Path(out, "harness.log").write_text("\n".join(checks.lines + [f"FAILED: {text}" for text in checks.failed]) + "\n")
    for text in checks.failed:
        print(f"FAILED: {text}", file=sys.stderr)
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
