#!/usr/bin/python3
# The one private Xvfb of the unit, end-to-end and package tests and the benchmarks, with screen
# grabs by ImageMagick, the close button's message through libX11 (ctypes) and xdotool for input.
#   xsession.py COMMAND [ARG...]   runs COMMAND on its own 1920 x 1080 Xvfb and returns its status

import ctypes.util, os, subprocess, sys, time  # noqa: E401

SIZE = (1920, 1080)
# The sanitizer leg preloads a driver meant for the game only, not for Xvfb or the X tools.
HELPER_ENV = {name: value for name, value in os.environ.items() if name != "LD_PRELOAD"}
CLIENT_MESSAGE = 33


# Also gives up as soon as the given process ends.
def wait_until(predicate, deadline_s, what, interval_s=0.1, process=None):
    end = time.monotonic() + deadline_s
    while (value := predicate()) is None or value is False:
        if process is not None and process.poll() is not None:
            raise ChildProcessError(f"the game ended by itself with code {process.returncode} before {what}")
        if time.monotonic() > end:
            raise TimeoutError(f"timed out after {deadline_s:.0f} s waiting for {what}")
        time.sleep(interval_s)
    return value


def stop(proc):
    proc.terminate()
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill()


class Display:
    def __init__(self):
        read_fd, write_fd = os.pipe()
        # -displayfd: Xvfb picks a free display number itself, so parallel runs never collide.
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % SIZE,
                                      "-nolisten", "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT,
                                     pass_fds=(write_fd,), env=HELPER_ENV)
        os.close(write_fd)
        with os.fdopen(read_fd, "rb") as pipe:
            self.name = ":" + pipe.readline().strip().decode()
        if self.name == ":":
            raise RuntimeError("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=self.name)
        self.xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.xlib.XOpenDisplay.restype, self.xlib.XInternAtom.restype = ctypes.c_void_p, ctypes.c_ulong
        self.connection = ctypes.c_void_p(self.xlib.XOpenDisplay(self.name.encode()))

    # The whole screen as RGB, (height, width, 3) uint8, in one X request (XGetImage).
    def grab(self):
        import numpy as np
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], capture_output=True, check=True,
                             env=dict(HELPER_ENV, DISPLAY=self.name), timeout=30).stdout
        return np.frombuffer(raw, np.uint8).reshape(SIZE[1], SIZE[0], 3)

    # A window manager's close button: a ClientMessage WM_PROTOCOLS / WM_DELETE_WINDOW (XEvent as longs).
    def request_close(self, window):
        event = (ctypes.c_long * 24)()
        event[0], event[4], event[6] = CLIENT_MESSAGE, window, 32
        event[5] = self.xlib.XInternAtom(self.connection, b"WM_PROTOCOLS", 0)
        event[7] = self.xlib.XInternAtom(self.connection, b"WM_DELETE_WINDOW", 0)
        self.xlib.XSendEvent(self.connection, ctypes.c_ulong(window), 0, ctypes.c_long(0), event)
        self.xlib.XFlush(self.connection)

    def tool(self, *args):
        return subprocess.run(list(map(str, args)), env=dict(HELPER_ENV, DISPLAY=self.name), capture_output=True,
                              text=True, timeout=30).stdout

    def find_window(self):
        # xdotool's search ignores case; the anchors keep other titles out. Only a mapped window takes keys.
        ids = self.tool("xdotool", "search", "--onlyvisible", "--name", "^Quadrabash$").split()
        return int(ids[0]) if ids else None

    def close(self):
        stop(self.xvfb)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: xsession.py COMMAND [ARG...]")
    display = Display()
    try:
        sys.exit(subprocess.run(sys.argv[1:], env=display.env).returncode)
    finally:
        display.close()
