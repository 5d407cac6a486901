#!/usr/bin/env python3
"""Finds and closes a top-level X window, as a desktop would, with libX11 only.

  xwindow.py find TITLE SECONDS   waits for a mapped window named TITLE and
                                  prints "ID X Y WIDTH HEIGHT"
  xwindow.py close ID             presses its close button: sends the
                                  WM_DELETE_WINDOW message a window manager sends

Without a window manager (a bare Xvfb) top-level windows are children of the
root window and their position is their place on the screen.
"""

import ctypes
import ctypes.util
import sys
import time


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int),
                ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong),
                ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
                ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
                ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
                ("screen", ctypes.c_void_p)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33
IS_VIEWABLE = 2


def open_x():
    name = ctypes.util.find_library("X11")
    if not name:
        sys.exit("xwindow.py: libX11 not found")
    x = ctypes.CDLL(name)
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                             ctypes.POINTER(ctypes.c_ulong),
                             ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                             ctypes.POINTER(ctypes.c_uint)]
    x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                       ctypes.POINTER(XWindowAttributes)]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.POINTER(XEvent)]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("xwindow.py: cannot open the X display")
    return x, display


def mapped_window_named(x, display, title):
    root = x.XDefaultRootWindow(display)
    root_return = ctypes.c_ulong()
    parent = ctypes.c_ulong()
    children = ctypes.POINTER(ctypes.c_ulong)()
    count = ctypes.c_uint()
    if not x.XQueryTree(display, root, ctypes.byref(root_return), ctypes.byref(parent),
                        ctypes.byref(children), ctypes.byref(count)):
        return None
    try:
        for i in range(count.value):
            window = children[i]
            name = ctypes.c_char_p()
            if not x.XFetchName(display, window, ctypes.byref(name)) or not name.value:
                continue
            matches = name.value.decode("latin-1") == title
            x.XFree(name)
            attributes = XWindowAttributes()
            if matches and x.XGetWindowAttributes(display, window, ctypes.byref(attributes)) \
                    and attributes.map_state == IS_VIEWABLE:
                return window, attributes
    finally:
        if children:
            x.XFree(children)
    return None


def find(title, seconds):
    x, display = open_x()
    deadline = time.monotonic() + seconds
    try:
        while True:
            found = mapped_window_named(x, display, title)
            if found:
                window, a = found
                print(window, a.x, a.y, a.width, a.height)
                return 0
            if time.monotonic() > deadline:
                print(f"xwindow.py: no window named {title!r} within {seconds} s", file=sys.stderr)
                return 1
            time.sleep(0.1)
    finally:
        x.XCloseDisplay(display)


def close(window):
    x, display = open_x()
    try:
        event = XEvent()
        event.xclient.type = CLIENT_MESSAGE
        event.xclient.window = window
        event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.l[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.l[1] = 0  # CurrentTime
        if not x.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
            print("xwindow.py: the close message could not be sent", file=sys.stderr)
            return 1
        x.XSync(display, 0)
        return 0
    finally:
        x.XCloseDisplay(display)


def main(argv):
    if len(argv) == 4 and argv[1] == "find":
        return find(argv[2], float(argv[3]))
    if len(argv) == 3 and argv[1] == "close":
        return close(int(argv[2]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
