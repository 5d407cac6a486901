"""Following the play field frame by frame: broken bricks, falling red bricks, ball and pad.

Also decides where the pad should go. A red brick that reaches the pad's height
while over it costs the pad a hit point per moving-brick update, so one such
touch breaks it: while play goes on the pad keeps clear of them, and when the
game must end it goes and stands under one.
"""

import time

import picture as pic

PAD_SPEED = 10          # pixels per update once the pad has left a level
PAD_LIMITS = (-10, 1730)  # where the steering stops it at the window edges
DANGER_TOP = 880        # a brick whose top is this low touches the pad's top edge


def column_span(col, margin=0):
    x = pic.brick_origin(0, col)[0]
    return x - margin, x + pic.BRICK_W + margin


def pad_overlaps(pad_x, col, margin=0):
    lo, hi = column_span(col, margin)
    return pad_x <= hi and pad_x + pic.PAD_W >= lo


class FieldWatch:
    """What changed on the field since the previous frame."""

    def __init__(self):
        self.grid = None
        self.grid_t = None
        self.steady = None       # frames each cell has shown what it shows now
        self.falling = []        # (column, top, descending or None)
        self.pending = []        # red cells that emptied: (t0, t1, column)
        self.breaks = []         # (time before, time after, which) of each broken brick
        self.ball = None         # (x, y, t) when last seen in the open field
        self.pad = None
        self.vanished = {}       # column: (last seen, first missed) of a falling brick gone from view

    def update(self, frame):
        grid = pic.brick_grid(frame.img, inset=12)
        found = pic.falling_bricks(frame.img)
        falling = []
        for col, top, bottom in found:
            before = [t for c, t, _ in self.falling if c == col]
            nearest = min(before, key=lambda t: abs(t - top)) if before else None
            descending = None if nearest is None or nearest == top else bool(top > nearest)
            falling.append((col, top, descending))
        new_breaks = self._breaks(frame.t, grid, {c for c, _, _ in falling})
        new_breaks += self._falling_breaks(frame.t, falling)
        self.breaks.extend(new_breaks)
        self.grid, self.grid_t, self.falling = grid, frame.t, falling
        self.pad = pic.find_pad(frame.img)
        avoid = [(column_span(c)[0], top, column_span(c)[1], bottom) for c, top, bottom in found]
        if self.pad:
            x, y, w, h = self.pad
            avoid.append((x, y, x + w, y + h))
        ball = pic.find_ball(frame.img, avoid)
        if ball is not None:
            self.ball = (ball[0], ball[1], frame.t)
        return new_breaks

    def _breaks(self, t, grid, dropping):
        """A light brick never moves, so its cell emptying is a break. A red cell
        emptying is one only if no brick turns up falling in its column soon after."""
        found = []
        if self.grid is None:
            self.steady = [[1] * pic.COLUMNS for _ in range(pic.ROWS)]
            return found
        for r in range(pic.ROWS):
            for c in range(pic.COLUMNS):
                before, now = self.grid[r][c], grid[r][c]
                if before == "static" and now == "empty":
                    found.append((self.grid_t, t, f"light brick at row {r}, column {c}"))
                # A red brick only passing through an empty cell on its way up or down
                # shows there for a frame or two; one at rest shows for many.
                elif before == "red" and now != "red" and self.steady[r][c] >= 3:
                    self.pending.append((self.grid_t, t, c))
                self.steady[r][c] = self.steady[r][c] + 1 if before == now else 1
        waiting = []
        for t0, t1, c in self.pending:
            if c in dropping:
                continue
            if t - t1 > 2.0:
                found.append((t0, t1, f"red brick in its cell, column {c}"))
            else:
                waiting.append((t0, t1, c))
        self.pending = waiting
        return found

    def _falling_breaks(self, t, falling):
        """A red brick well out in the field that is missing from two frames in a row was broken:
        it cannot climb back into the grid that fast."""
        found = []
        for col, top, descending in self.falling:
            seen_now = any(c == col and abs(tp - top) <= 80 for c, tp, _ in falling)
            far_out = top >= (450 if descending is False else 300)
            if far_out and not seen_now and col not in self.vanished:
                self.vanished[col] = (self.grid_t, t)
        for col, (last_seen, first_missed) in list(self.vanished.items()):
            if any(c == col and tp >= 250 for c, tp, _ in falling):
                del self.vanished[col]
            elif t > first_missed:
                found.append((last_seen, first_missed, f"falling red brick, column {col}"))
                del self.vanished[col]
        return found

    def ball_lost(self, t):
        """The ball was last seen below the pad's top edge, from where nothing sends it back up."""
        return self.ball is not None and self.ball[1] >= 960 and t - self.ball[2] >= 0.6

    def red_columns(self):
        """Columns holding a red brick anywhere: the only ones that can ever fall on the pad."""
        cols = {c for c, _, _ in self.falling}
        for row in self.grid or []:
            cols |= {c for c, kind in enumerate(row) if kind == "red"}
        return cols


def dodge_target(pad_x, watch):
    """A place for the pad away from falling bricks, preferring columns without red bricks,
    reached without passing under a brick about to come down. When every place is risky
    the least risky one wins, so the pad never freezes under a brick."""
    risk = {}
    for col, top, descending in watch.falling:
        going_down = descending is not False
        if top >= DANGER_TOP - 15:
            weight = 3
        elif going_down and top >= 760:
            weight = 2
        elif going_down and top >= 560:
            weight = 1
        else:
            continue
        risk[col] = max(risk.get(col, 0), weight)
    red = watch.red_columns()
    best, best_cost = pad_x, None
    for x in range(PAD_LIMITS[0], PAD_LIMITS[1] + 1, PAD_SPEED):
        cost = abs(x - pad_x) + 3000 * sum(pad_overlaps(x, c, 5) for c in red)
        swept_lo, swept_hi = min(x, pad_x), max(x, pad_x) + pic.PAD_W
        for col, weight in risk.items():
            if pad_overlaps(x, col):
                cost += 100000 * weight
            elif pad_overlaps(x, col, 35):
                cost += 10000 * weight
            lo, hi = column_span(col, 20)
            # Escaping from under a brick is allowed; passing under another one is not.
            if weight >= 2 and lo <= swept_hi and hi >= swept_lo and not pad_overlaps(pad_x, col):
                cost += 50000 * weight
        if best_cost is None or cost < best_cost:
            best, best_cost = x, cost
    return best


class PadDriver:
    """Moves the pad toward a target with the arrow keys: long moves with a held key, the last
    stretch with a timed press sized by the pad speed seen so far, so it does not overshoot."""

    def __init__(self, player):
        self.player = player
        self.held = None
        self.speed = 200.0   # pixels per second, refined while a key is held
        self.last = None

    def drive(self, pad_x, target, t):
        if self.held and self.last is not None and t > self.last[1]:
            moved = abs(pad_x - self.last[0]) / (t - self.last[1])
            if moved > 20:
                self.speed = 0.7 * self.speed + 0.3 * moved
        self.last = (pad_x, t)
        distance = target - pad_x
        key = "Right" if distance > 0 else "Left"
        if abs(distance) <= 15:
            self.release()
        elif abs(distance) <= 150:
            self.release()
            self.player.key_down(key)
            time.sleep(min(1.0, max(0.1, abs(distance) / self.speed)))
            self.player.key_up(key)
        elif self.held != key:
            self.release()
            self.player.key_down(key)
            self.held = key
        return key if abs(distance) > 15 else None

    def release(self):
        if self.held:
            self.player.key_up(self.held)
            self.held = None


def crush_target(pad_x, watch):
    """Under a red brick on its way down that the pad can reach before it arrives, or None."""
    best, best_travel = None, None
    for col, top, descending in watch.falling:
        if descending is not True or top > DANGER_TOP - 60:
            continue
        x = column_span(col)[0] + pic.BRICK_W // 2 - pic.PAD_W // 2
        x = max(PAD_LIMITS[0], min(PAD_LIMITS[1], x))
        travel = abs(x - pad_x)
        # Updates left before the brick arrives (5 px each) against those the pad needs.
        if travel / PAD_SPEED > 0.7 * (DANGER_TOP - top) / 5:
            continue
        if best_travel is None or travel < best_travel:
            best, best_travel = x, travel
    return best
