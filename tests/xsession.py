#!/usr/bin/python3
"""The one place a private Xvfb is started, for the unit tests, the end-to-end and package
tests and the benchmarks; screen grabs and the close button's message through libX11 (ctypes),
input through xdotool.

  xsession.py COMMAND [ARG...]   runs COMMAND on its own 1920 x 1080 Xvfb and returns its status
"""

import ctypes.util
import os
import re
import subprocess
import sys
import time

SIZE = (1920, 1080)


class HarnessError(Exception):
    """A step could not be carried out; the message says what a player would have seen."""


def wait_until(predicate, deadline_s, what, interval_s=0.1):
    end = time.monotonic() + deadline_s
    while True:
        value = predicate()
        if value is not None and value is not False:
            return value
        if time.monotonic() > end:
            raise HarnessError(f"timed out after {deadline_s:.0f} s waiting for {what() if callable(what) else what}")
        time.sleep(interval_s)


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


class Display:
    def __init__(self, log_path=os.devnull):
        read_fd, write_fd = os.pipe()
        # The sanitizer leg preloads a driver meant for the game only.
        xvfb_env = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
        # -displayfd: Xvfb picks a free display number itself, so parallel runs never collide.
        with open(log_path, "wb") as log:
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % SIZE,
                                          "-nolisten", "tcp"], stdout=log, stderr=log, pass_fds=(write_fd,),
                                         env=xvfb_env)
        os.close(write_fd)
        with os.fdopen(read_fd, "rb") as pipe:
            self.name = ":" + pipe.readline().strip().decode()
        if self.name == ":":
            stop(self.xvfb)
            raise HarnessError(f"Xvfb did not start (see {log_path})")
        self.env = dict(os.environ, DISPLAY=self.name)
        self._x = None

    def _xlib(self):
        if self._x is None:
            x = self._x = ctypes.CDLL(ctypes.util.find_library("X11"))
            x.XOpenDisplay.restype = x.XGetImage.restype = ctypes.c_void_p
            x.XDefaultRootWindow.restype = x.XInternAtom.restype = ctypes.c_ulong
            self._dpy = ctypes.c_void_p(x.XOpenDisplay(self.name.encode()))
            self._root = ctypes.c_ulong(x.XDefaultRootWindow(self._dpy))
        return self._x

    def grab(self, left, top, width, height):
        """RGB pixels of a rectangle of the screen, (height, width, 3) uint8; Xvfb's 24-bit screen is BGRX."""
        import numpy as np
        x = self._xlib()
        image = x.XGetImage(self._dpy, self._root, left, top, width, height, ctypes.c_ulong(0xFFFFFFFF), 2)
        data, stride = ctypes.c_void_p.from_address(image + 16).value, ctypes.c_int.from_address(image + 44).value
        raw = ctypes.string_at(data, stride * height)
        x.XDestroyImage(ctypes.c_void_p(image))
        return np.frombuffer(raw, np.uint8).reshape(height, -1, 4)[:, :width, 2::-1].copy()

    def request_close(self, window):
        """A window manager's close button: a ClientMessage WM_PROTOCOLS / WM_DELETE_WINDOW (XEvent as longs)."""
        x = self._xlib()
        event = (ctypes.c_long * 24)()
        event[0], event[4], event[6] = 33, window, 32
        event[5] = x.XInternAtom(self._dpy, b"WM_PROTOCOLS", 0)
        event[7] = x.XInternAtom(self._dpy, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(self._dpy, ctypes.c_ulong(window), 0, ctypes.c_long(0), event)
        x.XFlush(self._dpy)

    def tool(self, *args):
        env = {k: v for k, v in self.env.items() if k != "LD_PRELOAD"}
        done = subprocess.run(list(map(str, args)), env=env, capture_output=True, text=True, timeout=30)
        return done.stdout if done.returncode == 0 else ""

    def find_window(self):
        # xdotool's search ignores case; the anchors keep other titles out.
        ids = self.tool("xdotool", "search", "--name", "^Quadrabash$").split()
        return int(ids[0]) if ids else None

    def title(self, window):
        return self.tool("xdotool", "getwindowname", window).rstrip("\n")

    def geometry(self, window):
        info = self.tool("xwininfo", "-id", window)
        return tuple(int(re.search(rf"{key}:\s+(-?\d+)", info).group(1)) for key in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")) if "IsViewable" in info else None

    def close(self):
        if self._x is not None:
            self._x.XCloseDisplay(self._dpy)
        stop(self.xvfb)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    display = Display()
    try:
        sys.exit(subprocess.run(sys.argv[1:], env=display.env).returncode)
    finally:
        display.close()
