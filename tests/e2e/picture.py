"""Reading the game's screen the way a player does: colours, shapes and where text sits.

Every rule works on colour families and bounding boxes rather than on reference
images, so a different font or brick picture still passes while a wrong colour,
a missing element or a misplaced one does not. Combos shake the view by a few
pixels, hence the SHAKE tolerance on absolute positions.
"""

import struct
import zlib

import numpy as np

BACKGROUND = np.array([36, 4, 4])
SHAKE = 6
WIDTH, HEIGHT = 1920, 1080
COLUMNS, ROWS = 18, 3
BRICK_W, BRICK_H = 100, 50
PAD_W, PAD_H = 200, 20
BALL_D = 20
# A black band at alpha 191 leaves 64/255 of what lies under it.
BAND_KEEP = (255 - 191) / 255


def brick_origin(row, col):
    return 15 + 105 * col, 60 + 55 * row


def region(img, x0, y0, x1, y1):
    x0, y0 = max(0, int(x0)), max(0, int(y0))
    return img[y0:max(y0, int(y1)), x0:max(x0, int(x1))]


def background_fraction(img, box, tolerance=3):
    """Share of the pixels in box that are the play field's dark red."""
    pixels = region(img, *box).reshape(-1, 3).astype(int)
    if len(pixels) == 0:
        return 0.0
    return float(np.mean(np.all(np.abs(pixels - BACKGROUND) <= tolerance, axis=1)))


def white_mask(img, level=200):
    return img.min(axis=2) >= level


def red_mask(img):
    rgb = img.astype(int)
    r, g, b = rgb[..., 0], rgb[..., 1], rgb[..., 2]
    return (r >= 100) & (g * 5 <= r * 2) & (b * 5 <= r * 2)


def bbox(mask, dx=0, dy=0):
    """(x0, y0, x1, y1) of the set pixels, x1/y1 exclusive, shifted by (dx, dy); None if empty."""
    ys, xs = np.nonzero(mask)
    if len(xs) == 0:
        return None
    return int(xs.min()) + dx, int(ys.min()) + dy, int(xs.max()) + 1 + dx, int(ys.max()) + 1 + dy


def box_in(img, mask_fn, box):
    """Bounding box, in window coordinates, of mask_fn's pixels inside box."""
    x0, y0 = max(0, int(box[0])), max(0, int(box[1]))
    return bbox(mask_fn(region(img, *box)), x0, y0)


def centre(b):
    return (b[0] + b[2]) / 2, (b[1] + b[3]) / 2


def row_groups(mask, min_gap=8):
    """Split a mask into horizontal strips of text separated by at least min_gap empty rows."""
    rows = np.nonzero(mask.any(axis=1))[0]
    groups = []
    for r in rows:
        if groups and r - groups[-1][1] <= min_gap:
            groups[-1][1] = r
        else:
            groups.append([r, r])
    return [(a, b + 1) for a, b in groups]


def text_lines(img, box, level=200, min_gap=8):
    """Bounding boxes of the lines of bright text inside box, top to bottom."""
    x0, y0 = max(0, int(box[0])), max(0, int(box[1]))
    mask = white_mask(region(img, *box), level)
    lines = []
    for top, bottom in row_groups(mask, min_gap):
        b = bbox(mask[top:bottom], x0, y0 + top)
        if b is not None:
            lines.append(b)
    return lines


def band_extent(img, rows=(650, 880, 3)):
    """Columns darkened by a menu's translucent band, from the red channel of empty rows.

    The median over many rows ignores the odd brick, ball or text crossing them.
    """
    red = np.median(img[rows[0]:rows[1]:rows[2], :, 0].astype(float), axis=0)
    dark_limit = BACKGROUND[0] * (1 + BAND_KEEP) / 2
    dark = red < dark_limit
    best, start = None, None
    for x, is_dark in enumerate(np.append(dark, False)):
        if is_dark and start is None:
            start = x
        elif not is_dark and start is not None:
            if best is None or x - start > best[1] - best[0]:
                best = (start, x)
            start = None
    if best is None or best[1] - best[0] < 100:
        return None
    return best


def classify_cell(img, row, col, inset=10):
    """What stands in a brick cell: 'static' (light, neutral), 'red', 'empty' or 'other'."""
    x, y = brick_origin(row, col)
    pixels = region(img, x + inset, y + inset, x + BRICK_W - inset, y + BRICK_H - inset)
    r, g, b = (float(np.median(pixels[..., i])) for i in range(3))
    if max(abs(r - BACKGROUND[0]), abs(g - BACKGROUND[1]), abs(b - BACKGROUND[2])) <= 12:
        return "empty"
    if r >= 100 and g <= 0.4 * r and b <= 0.4 * r:
        return "red"
    if r >= 100 and g >= 0.75 * r and b >= 0.75 * r:
        return "static"
    return "other"


def brick_grid(img, inset=10):
    return [[classify_cell(img, r, c, inset) for c in range(COLUMNS)] for r in range(ROWS)]


def grid_gaps_wrong(img):
    """Cells whose brick edges are not where the grid puts them: background just outside each
    brick, brick just inside. Cells under the Hud's texts (left columns) are left out."""
    wrong = []
    for row in range(ROWS):
        for col in range(COLUMNS):
            x, y = brick_origin(row, col)
            if col < 4 and not (row == 2 and col == 0):
                continue
            rows = np.s_[y + 12:y + BRICK_H - 12]
            if row == 2 and col == 0:
                rows = np.s_[y + 13:y + BRICK_H - 5]
            probes = {"left gap": (img[rows, x - 3:x - 1], True),
                      "right gap": (img[rows, x + BRICK_W + 1:x + BRICK_W + 3], True),
                      "left edge": (img[rows, x + 1:x + 3], False),
                      "right edge": (img[rows, x + BRICK_W - 3:x + BRICK_W - 1], False)}
            if row < ROWS - 1:
                probes["gap below"] = (img[y + BRICK_H + 1:y + BRICK_H + 4, x + 12:x + BRICK_W - 12], True)
            for name, (pixels, want_background) in probes.items():
                close = np.all(np.abs(pixels.astype(int) - BACKGROUND) <= 12, axis=-1).mean()
                if (close < 0.9) if want_background else (close > 0.1):
                    wrong.append((row, col, name))
    return wrong


def cell_colour(img, row, col, inset=12):
    x, y = brick_origin(row, col)
    pixels = region(img, x + inset, y + inset, x + BRICK_W - inset, y + BRICK_H - inset)
    return tuple(float(np.median(pixels[..., i])) for i in range(3))


def find_pad(img, rows=(900, 975), level=180):
    """The pad: the only wide white bar near the bottom. Returns (x, y, w, h) or None."""
    mask = white_mask(img[rows[0]:rows[1]], level)
    groups = row_groups((mask.sum(axis=1) >= 120)[:, None], 1)
    if not groups:
        return None
    top, bottom = max(groups, key=lambda g: g[1] - g[0])
    xs = np.nonzero(mask[top:bottom].sum(axis=0) >= (bottom - top) / 2)[0]
    run = max(np.split(xs, np.nonzero(np.diff(xs) > 1)[0] + 1), key=len)
    return int(run[0]), int(top + rows[0]), int(run[-1] - run[0] + 1), int(bottom - top)


def find_resting_ball(img, pad, level=180):
    """The ball waiting above the pad: bright pixels just over the pad's top edge."""
    x, y, w, _ = pad
    box = (x + w / 2 - 40, y - 45, x + w / 2 + 40, y - 3)
    return box_in(img, lambda p: white_mask(p, level), box)


def falling_bricks(img, top=225):
    """Red bricks that have left the grid: (column, top, bottom) for each one found.

    Every other row and column is enough to find a 100 x 50 brick.
    """
    red = red_mask(img[top::2, ::2])
    found = []
    for col in range(COLUMNS):
        x = brick_origin(0, col)[0] // 2
        band = red[:, x + 6:x + BRICK_W // 2 - 6]
        full = band.sum(axis=1) >= 0.6 * band.shape[1]
        for a, b in row_groups(full[:, None], 1):
            if b - a >= 8:
                found.append((col, int(top + 2 * a), int(top + 2 * b)))
    return found


def find_ball(img, avoid, top=232):
    """Centre of the ball in the open field, or None while it is hidden in the brick grid.

    avoid lists rectangles (pad, falling bricks) whose pixels are not the ball.
    """
    mask = img[top:, :, 0] >= 150
    for x0, y0, x1, y1 in avoid:
        mask[max(0, y0 - top - 4):max(0, y1 - top + 4), max(0, x0 - 4):max(0, x1 + 4)] = False
    ys, xs = np.nonzero(mask)
    if len(xs) < 60:
        return None
    mx, my = np.median(xs), np.median(ys)
    near = (np.abs(xs - mx) <= 16) & (np.abs(ys - my) <= 16)
    if near.sum() < 60:
        return None
    return float(xs[near].mean()), float(ys[near].mean() + top)


def dilate(mask, radius):
    """Grow a mask by radius pixels in every direction (a square neighbourhood)."""
    h, w = mask.shape
    padded = np.pad(mask, radius)
    grown = np.zeros_like(mask)
    for dy in range(2 * radius + 1):
        for dx in range(2 * radius + 1):
            grown |= padded[dy:dy + h, dx:dx + w]
    return grown


def ball_tinted(img, ball):
    """Has a combo turned the white ball pink or red? (its green drops first, then its blue)"""
    x, y = int(round(ball[0])), int(round(ball[1]))
    r, g, b = (float(np.median(region(img, x - 3, y - 3, x + 4, y + 4)[..., i])) for i in range(3))
    return r >= 200 and (g <= 235 or b <= 235)


def best_shift_difference(a, b, max_shift=SHAKE, slack=1):
    """Fewest pixels of either mask lying more than slack pixels from the other one, over
    small relative shifts: the shaken view moves whole pixels and blurs edges by less than one."""
    grown_a, grown_b = dilate(a, slack), dilate(b, slack)
    h, w = a.shape
    best = None
    for dy in range(-max_shift, max_shift + 1):
        for dx in range(-max_shift, max_shift + 1):
            sa = np.s_[max(0, dy):h + min(0, dy), max(0, dx):w + min(0, dx)]
            sb = np.s_[max(0, -dy):h + min(0, -dy), max(0, -dx):w + min(0, -dx)]
            count = int(np.count_nonzero(a[sa] & ~grown_b[sb]) + np.count_nonzero(b[sb] & ~grown_a[sa]))
            if best is None or count < best:
                best = count
    return best


def text_pixels(pixels):
    """Pure-white text pixels; the light bricks' tint caps green at 250, so bricks never pass."""
    return white_mask(pixels, 252)


def text_mask(img, box):
    return text_pixels(region(img, *box))


def text_changed(img_a, img_b, box):
    """(changed, differing pixels, text pixels): did the white text in box change between frames?

    Even one digit that turns over moves more pixels than the shaken view does.
    """
    a, b = text_mask(img_a, box), text_mask(img_b, box)
    diff = best_shift_difference(a, b)
    ink = max(int(a.sum()), int(b.sum()), 1)
    return diff > max(12, 0.03 * ink), diff, ink


def downscale(img, factor=2):
    h, w = img.shape[0] // factor * factor, img.shape[1] // factor * factor
    blocks = img[:h, :w].reshape(h // factor, factor, w // factor, factor, 3).astype(np.uint16)
    return (blocks.mean(axis=(1, 3)) + 0.5).astype(np.uint8)


def write_png(path, img, level=9):
    """A plain RGB PNG; each row stored with the Up filter, which suits flat UI pictures."""
    img = np.ascontiguousarray(img, dtype=np.uint8)
    h, w, _ = img.shape
    rows = img.reshape(h, w * 3)
    up = rows.copy()
    up[1:] = rows[1:] - rows[:-1]
    raw = np.hstack([np.full((h, 1), 2, np.uint8), up]).tobytes()

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, level)))
        out.write(chunk(b"IEND", b""))
