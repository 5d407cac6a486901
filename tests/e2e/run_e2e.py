#!/usr/bin/python3
# Plays the built game end to end through a private Xvfb, as a player would, and checks only what the
# real program alone shows: its window, its screens under real X input, its sound, its output, its exit code.
#   run_e2e.py --game-dir build/game --out build/e2e [--docs docs] [--smoke]
#   run_e2e.py --program /usr/games/quadrabash --out DIR   the installed command, from the home folder

import argparse, os, subprocess, sys, time  # noqa: E401
from pathlib import Path
import numpy as np

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from xsession import SIZE, Display, stop, wait_until  # noqa: E402

WIDTH, HEIGHT = SIZE
RECORDING_RATE = 22050

# Where the game draws things, in window pixels, from its layout.
BACKGROUND = (36, 4, 4)
PLAYFIELD_ROWS = np.s_[240:925]              # between the wall and the pad: only the ball is white there
BALL_LAUNCHED_ABOVE = 865                    # a ball waiting on the pad is centred 10 px above its top
PAD_ROW, PAD_CENTRED_X = 940, 860           # a row through the pad, 20 high with its top at 930
MENU_BAND_WIDTH = WIDTH // 3                 # the start and pause menus' band; the game over one is wider
FIRST_BUTTON, SECOND_BUTTON = (WIDTH // 2, HEIGHT // 2 - 45), (WIDTH // 2, HEIGHT // 2 + 55)  # 50 px off the middle
CONTINUER, CONTINUER_CLICK = np.s_[85:210, 500:960], (WIDTH // 2 - 150, 143)  # right-aligned on the middle
SHOP_EMPTY_TOP_RIGHT = np.s_[60:225, 1000:1900]  # bare background while the shop is open
COINS = np.s_[20:56, 150:400]                    # the coins' value, above the bricks
ANIMATION_SECONDS = 5                        # the README's animation, 480 x 270
STARTED, FAILED = time.monotonic(), []


def check(ok, name, detail=""):
    text = name + (f" ({detail})" if detail else "")
    print(f"[{time.monotonic() - STARTED:6.2f}] {'PASS' if ok else 'FAIL'} {text}", flush=True)
    FAILED.extend([] if ok else [text])


# RGB pixels to a picture file through ImageMagick; an animation's frames come stacked top to bottom.
def convert(image, path, *options):
    subprocess.run(["convert", "-size", f"{image.shape[1]}x{image.shape[0]}", "-depth", "8", "rgb:-", *options, path],
                   input=np.ascontiguousarray(image).tobytes(), check=True, timeout=120)


# One start of the program from a folder, its sound recorded (or no sound device at all) and its output
# kept in out; the screens it names are kept at half size in docs, the README's pictures.
class Run:
    def __init__(self, display, out, name, docs=None, sound=True):
        self.display, self.out, self.name, self.docs, self.proc, self.last = display, out, name, docs, None, None
        self.sound = sound
        self.wave, self.stdout_path, self.stderr_path = (os.path.join(out, name + ext)
                                                         for ext in (".wav", ".stdout.txt", ".stderr.txt"))

    def start(self, program, folder):
        conf = Path(self.out, self.name + ".conf")
        conf.write_text(f"[general]\nchannels=stereo\nsample-type=int16\nfrequency={RECORDING_RATE}\n"
                        f"[wave]\nfile={self.wave}\n")
        env = dict(self.display.env, ALSOFT_DRIVERS="wave" if self.sound else "no-such-backend", LP_NUM_THREADS="2",
                   ALSOFT_CONF=str(conf))
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(program, cwd=folder, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        self.window = wait_until(self.display.find_window, 120, "the game window", 0.1, self.proc)
        # With no window manager, keyboard focus follows the pointer.
        self.display.tool("xdotool", "mousemove", WIDTH - 10, HEIGHT - 10)

    # The first grab that passes test. A grab never shows a torn frame: the game shows each frame with one
    # X request (XPutImage or XShmPutImage through Mesa's software driver), and the server runs requests whole.
    def seen(self, what, test, deadline=20, picture=None):
        def attempt():
            self.last = self.display.grab()
            return self.last if test(self.last) else None
        image = wait_until(attempt, deadline, what, 0.25, self.proc)
        if self.docs and picture:
            convert(image, os.path.join(self.docs, picture + ".png"), "-resize", "50%")
        return image

    # The wave backend writes as it plays, 16-bit stereo after a 44-byte header.
    def recorded_seconds(self):
        return max(0, os.path.getsize(self.wave) - 44) / (RECORDING_RATE * 4) if os.path.exists(self.wave) else 0

    def click(self, position):
        self.display.tool("xdotool", "mousemove", *position, "click", 1)

    def key(self, key, seconds):
        # Held long enough for the game to read the key in at least one step, however slow its steps.
        self.display.tool("xdotool", "keydown", key, "sleep", seconds, "keyup", key)

    # A normal session prints nothing on standard output; SFML's notes on the OpenGL context go to the
    # error stream, and without a sound device one line of the game's joins them there.
    def close(self, how="the window's close button"):
        if how == "the window's close button":
            self.display.request_close(self.window)
        code, printed = self.proc.wait(120), Path(self.stdout_path).read_bytes().decode("latin-1")
        check(code == 0, f"{how} ends the program with exit code 0", f"code {code}")
        check(printed == "", "nothing is printed", repr(printed))
        if not self.sound:
            lines = Path(self.stderr_path).read_bytes().decode("latin-1").splitlines()
            check(len(lines) <= 5 and len(set(lines)) == len(lines) and
                  "quadrabash: no audio device; playing without sound" in lines,
                  "without a sound device it says so once, among at most 5 lines, none twice", repr(lines))


# ---------------------------------------------------------------- reading the screen

# The menus' translucent band: the columns darker than the background.
def band_width(image):
    width = np.count_nonzero(np.median(image[::4, :, 0], axis=0) < 23)
    return width if width > 100 else 0


def pad_left(image):
    columns = np.flatnonzero(image[PAD_ROW].min(axis=1) >= 180)
    return int(columns[0]) if len(columns) >= 150 else None


def ball(image):
    rows, columns = np.nonzero(image[PLAYFIELD_ROWS].min(axis=2) >= 180)
    return (columns.mean(), rows.mean() + PLAYFIELD_ROWS.start) if 50 <= len(columns) <= 800 else None


# The menu of the start and of a pause, told from the wider one of a lost game.
def pause_menu(image):
    return 0 < band_width(image) <= MENU_BAND_WIDTH + 2


def game_over(image):
    return band_width(image) > MENU_BAND_WIDTH + 50


def shop_open(image):
    bare = np.abs(image[SHOP_EMPTY_TOP_RIGHT].astype(int) - BACKGROUND).max(axis=2) <= 12
    return bool((image[CONTINUER].min(axis=2) >= 200).any() and bare.all())


# ---------------------------------------------------------------- the full game

def full_game(run, smoke):
    title = run.display.tool("xdotool", "getwindowname", run.window).rstrip("\n")
    check(title == "Quadrabash", "the window's title is exactly Quadrabash", repr(title))
    run.seen("the start menu", pause_menu, 120, picture="start-menu")
    if smoke:
        return run.close()
    # The menu music plays from start-up on.
    wait_until(lambda: run.recorded_seconds() >= 1.5, 30, "1.5 s of recorded sound", 0.1, run.proc)
    marks = {"start": run.recorded_seconds()}
    run.click(FIRST_BUTTON)
    run.seen("'Start the game' to close the start menu", lambda image: band_width(image) == 0)
    # The shop comes first: before the launch the level exit starts with the pad in the middle.
    run.key("a", 0.6)
    run.seen("the A key to clear the level and open the shop", shop_open, 30, picture="shop")
    run.click(CONTINUER_CLICK)
    run.seen("'Continuer' to bring the pad back for the next level",
                      lambda image: pad_left(image) == PAD_CENTRED_X and not shop_open(image))
    marks["launch"] = run.recorded_seconds()
    run.click((WIDTH // 2, HEIGHT // 2))  # any left click launches
    run.seen("a left click to launch the ball", lambda image: (ball(image) or (0, HEIGHT))[1] < BALL_LAUNCHED_ABOVE,
             10, "play")
    # Long enough to hear the music of play, too short to lose: a ball climbs to the bricks and
    # falls back in 2 s at the least, a red brick takes longer to fall onto the pad.
    wait_until(lambda: run.recorded_seconds() >= marks["launch"] + 1.5, 30, "1.5 s of play", 0.1, run.proc)
    marks["paused"] = run.recorded_seconds()
    run.key("Escape", 0.2)
    run.seen("Escape to open the pause menu", pause_menu, picture="pause")
    if run.docs:
        # Filmed after the checks, as play may be lost meanwhile: "Ragequit" sits where "Leave" is.
        run.key("Escape", 0.2)
        film(run, os.path.join(run.docs, "play.gif"))
        run.key("Escape", 0.2)
    run.click(SECOND_BUTTON)
    run.close("'Leave'")
    heard(run.wave, marks)


# Without a sound device: a whole game, lost and started again, with one line about the sound.
def silent_game(run):
    run.seen("the start menu without sound", pause_menu, 120)
    run.click(FIRST_BUTTON)
    run.seen("'Start the game' without sound", lambda image: band_width(image) == 0)
    # The pad waits at the left edge, where the ball seldom comes down: first a brick breaks, which
    # shows in the coins, then the ball is lost, or a red brick breaks the pad. Should a red brick
    # break it before the ball reaches the wall, the game is started again.
    for attempt in range(3):
        coins = run.last[COINS].copy()
        run.click((WIDTH // 2, HEIGHT // 2))
        run.display.tool("xdotool", "keydown", "Left")
        run.seen("the Left key, held, to move the pad to the left edge", lambda image: pad_left(image) == 0)
        broke = run.seen("a brick to break", lambda image: game_over(image) or (image[COINS] != coins).any(), 60)
        if not game_over(broke):
            run.seen("the game to be lost", game_over, 90)
        run.display.tool("xdotool", "keyup", "Left")
        run.click(FIRST_BUTTON)
        run.seen("'Restart the game' to start a new game", lambda image: band_width(image) == 0)
        if not game_over(broke):
            break
    check(not game_over(broke), "a brick breaks before the game is lost", f"{attempt + 1} games")
    run.key("Escape", 0.2)
    run.seen("Escape to pause the new game", pause_menu)
    run.click(SECOND_BUTTON)
    run.close("'Leave'")


# A few seconds of play for the README, about ten frames a second as far as the machine allows, played back at
# the pace they were taken. Every other pixel, averaged by four, is quick enough not to slow the game down.
def film(run, path):
    frames, began = [], time.monotonic()
    while time.monotonic() < began + ANIMATION_SECONDS:
        half = run.display.grab()[::2, ::2].reshape(HEIGHT // 4, 2, WIDTH // 4, 2, 3)
        frames.append((half.sum(axis=(1, 3), dtype=np.uint16) // 4).astype(np.uint8))
        time.sleep(0.08)
    delay = round(100 * (time.monotonic() - began) / len(frames))
    convert(np.concatenate(frames), path, "-crop", f"{WIDTH // 4}x{HEIGHT // 4}", "+repage", "-set", "delay",
            str(delay), "-loop", "0", "-colors", "64", "-layers", "Optimize")


# ---------------------------------------------------------------- what was heard

# The music of the menus before the first click and that of play after the launch come out loud enough
# to hear. Which music plays where is the unit tests' to say, from the game's own music players.
def heard(wave, marks):
    samples = np.fromfile(wave, "<i2", offset=44).astype(float)  # 16-bit stereo after a 44-byte header
    for screen, start, end in (("the start menu", 0.0, marks["start"]), ("play", marks["launch"], marks["paused"])):
        part = samples[int(start * RECORDING_RATE) * 2:int(end * RECORDING_RATE) * 2]
        level = np.sqrt(np.mean(part ** 2)) if len(part) else 0.0
        check(level > 300, f"sound: {screen} is heard", f"RMS {level:.0f} of 32768")


def main():
    parser = argparse.ArgumentParser(description="Plays the built game end to end through a private Xvfb.")
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--game-dir", help="the built game folder")
    source.add_argument("--program", help="an installed command, started from the home folder, only opened and closed")
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs", help="also write the README's pictures, 960 x 540, and its animation here")
    parser.add_argument("--smoke", action="store_true", help="for slow builds: the game is only opened and closed")
    args = parser.parse_args()
    out, game_dir = os.path.abspath(args.out), args.game_dir and os.path.abspath(args.game_dir)
    os.makedirs(out, exist_ok=True)
    display, short = Display(), args.smoke or bool(args.program)
    runs = [Run(display, out, "installed" if args.program else "full-game", args.docs)]
    runs += [] if short else [Run(display, out, "no-sound", sound=False)]
    # Whatever goes wrong fails a run, which still stops the game and keeps the last screen it judged.
    for run in runs:
        try:
            run.start(args.program or os.path.join(game_dir, "quadrabash"), game_dir or Path.home())
            full_game(run, short) if run.sound else silent_game(run)
        except Exception as error:  # noqa: BLE001
            check(False, f"the run {run.name} went through", repr(error))
            if run.last is not None:
                convert(run.last, os.path.join(out, run.name + "-last-seen.png"))
        finally:
            if run.proc is not None:
                stop(run.proc)
    display.close()
    print("".join(f"FAILED: {text}\n" for text in FAILED), end="", file=sys.stderr)
    return 1 if FAILED else 0


if __name__ == "__main__":
    sys.exit(main())
