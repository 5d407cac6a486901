"""A private X server, screen capture and player input for the end-to-end run.

Capture and the window manager's close request go straight through libX11 with
ctypes, so nothing beyond the standard library, Xvfb and xdotool is needed.
"""

import ctypes
import ctypes.util
import os
import re
import subprocess
import time

import numpy as np


class HarnessError(Exception):
    """A step could not be carried out; the message says what a player would have seen."""


def wait_until(predicate, deadline_s, interval_s=0.05, what="condition"):
    """Poll predicate() until it returns something truthy; generous deadlines, no fixed sleeps."""
    end = time.monotonic() + deadline_s
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise HarnessError(f"timed out after {deadline_s:.0f} s waiting for {what}")
        time.sleep(interval_s)


def stop_process(proc, grace_s=5):
    """Terminate a child politely, then for good if it does not go."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(grace_s)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


class XServer:
    """Xvfb on the first free display number, with a screen larger than the game window."""

    def __init__(self, log_path, width=2100, height=1300):
        read_fd, write_fd = os.pipe()
        self.log = open(log_path, "wb")
        # -displayfd lets the server pick a free display itself, so parallel runs never collide.
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            stdout=self.log, stderr=subprocess.STDOUT, pass_fds=(write_fd,))
        os.close(write_fd)
        number = b""
        end = time.monotonic() + 20
        while not number.endswith(b"\n"):
            if time.monotonic() > end or self.proc.poll() is not None:
                os.close(read_fd)
                self.stop()
                raise HarnessError("Xvfb did not start (see xvfb.log)")
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        self.display = ":" + number.decode().strip()

    def stop(self):
        stop_process(self.proc)
        self.log.close()


class _XImageFuncs(ctypes.Structure):
    pass


class _XImage(ctypes.Structure):
    pass


_XImageFuncs._fields_ = [
    ("create_image", ctypes.c_void_p),
    ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(_XImage))),
    ("get_pixel", ctypes.c_void_p), ("put_pixel", ctypes.c_void_p),
    ("sub_image", ctypes.c_void_p), ("add_pixel", ctypes.c_void_p)]
_XImage._fields_ = [
    ("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
    ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
    ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
    ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
    ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
    ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
    ("obdata", ctypes.c_void_p), ("f", _XImageFuncs)]


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


_ZPIXMAP = 2
_CLIENT_MESSAGE = 33


class Screen:
    """One libX11 connection used to read pixels and to ask a window to close."""

    def __init__(self, display):
        name = ctypes.util.find_library("X11")
        if not name:
            raise HarnessError("libX11 not found")
        x = ctypes.CDLL(name)
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                 ctypes.POINTER(_XEvent)]
        x.XFlush.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._x = x
        self._dpy = x.XOpenDisplay(display.encode())
        if not self._dpy:
            raise HarnessError(f"cannot open display {display}")
        self._root = x.XDefaultRootWindow(self._dpy)

    def grab(self, left, top, width, height):
        """RGB pixels of a rectangle of the root window, as a (height, width, 3) uint8 array."""
        image = self._x.XGetImage(self._dpy, self._root, left, top, width, height,
                                  ctypes.c_ulong(-1).value, _ZPIXMAP)
        if not image:
            raise HarnessError("XGetImage failed")
        try:
            im = image.contents
            if im.bits_per_pixel != 32 or im.red_mask != 0xFF0000:
                raise HarnessError(f"unexpected screen format {im.bits_per_pixel} bpp")
            raw = ctypes.string_at(im.data, im.bytes_per_line * im.height)
            pixels = np.frombuffer(raw, np.uint8).reshape(im.height, im.bytes_per_line // 4, 4)
            return pixels[:, :im.width, 2::-1].copy()
        finally:
            image.contents.f.destroy_image(image)

    def request_close(self, window):
        """What a window manager's close button sends: WM_PROTOCOLS / WM_DELETE_WINDOW."""
        event = _XEvent()
        event.xclient.type = _CLIENT_MESSAGE
        event.xclient.window = window
        event.xclient.message_type = self._x.XInternAtom(self._dpy, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.l[0] = self._x.XInternAtom(self._dpy, b"WM_DELETE_WINDOW", 0)
        event.xclient.l[1] = 0
        if not self._x.XSendEvent(self._dpy, window, 0, 0, ctypes.byref(event)):
            raise HarnessError("XSendEvent refused the close request")
        self._x.XFlush(self._dpy)

    def close(self):
        if self._dpy:
            self._x.XCloseDisplay(self._dpy)
            self._dpy = None


class Player:
    """Keyboard and mouse through xdotool (XTEST), the way a real device reaches the game."""

    def __init__(self, display, log):
        self.env = dict(os.environ, DISPLAY=display)
        self.log = log
        self.origin = (0, 0)

    def xdotool(self, *args):
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env,
                                capture_output=True, text=True, timeout=20)
        if result.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(map(str, args))} failed: {result.stderr.strip()}")
        return result.stdout

    def windows(self, title):
        result = subprocess.run(["xdotool", "search", "--name", f"^{title}$"], env=self.env,
                                capture_output=True, text=True, timeout=20)
        return [int(line) for line in result.stdout.split()]

    def find_window(self, title, deadline_s):
        return wait_until(lambda: (self.windows(title) or [None])[0], deadline_s, 0.2,
                          f'a window titled "{title}"')

    def geometry(self, window):
        out = subprocess.run(["xwininfo", "-id", str(window)], env=self.env,
                             capture_output=True, text=True, timeout=20).stdout
        values = {}
        for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                           ("w", "Width"), ("h", "Height")):
            match = re.search(rf"{label}:\s+(-?\d+)", out)
            if not match:
                raise HarnessError(f"xwininfo gave no {label} for window {window}")
            values[key] = int(match.group(1))
        return values["x"], values["y"], values["w"], values["h"]

    def place_window(self, window):
        """Move the window to the screen's corner and remember where it really ended up."""
        self.xdotool("windowmove", "--sync", window, 0, 0)
        geometry = wait_until(lambda: self._settled(window), 10, 0.1, "the window to move")
        self.origin = geometry[:2]
        return geometry

    def _settled(self, window):
        geometry = self.geometry(window)
        return geometry if geometry[:2] == (0, 0) else None

    def _screen(self, x, y):
        return int(round(x + self.origin[0])), int(round(y + self.origin[1]))

    def point(self, x, y):
        """Rest the pointer inside the window: with no window manager, focus follows it."""
        self.xdotool("mousemove", *self._screen(x, y))

    def click(self, x, y, what):
        # One xdotool process for both, so the press cannot overtake the move.
        self.log(f"click {what} at ({x:.0f}, {y:.0f})")
        self.xdotool("mousemove", *self._screen(x, y), "click", 1)
        return time.monotonic()

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)

    def hold(self, key, seconds):
        """Press, hold and release: the game reads events at most 60 times per second."""
        self.log(f"hold {key} for {seconds:.2f} s")
        start = time.monotonic()
        self.key_down(key)
        time.sleep(seconds)
        self.key_up(key)
        return start
