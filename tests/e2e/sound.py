"""Listening to what the game played, from the file OpenAL Soft's wave backend wrote.

Which music plays is told by matching recorded stretches against the game's own
sound files (normalised cross-correlation), so the check holds whatever the
tracks contain. The backend writes in real time from the moment the audio
device opens; a file-size log taken while the game runs maps wall-clock times
onto positions in the recording.
"""

import os
import struct
import subprocess
import threading
import time

import numpy as np

MIX_RATE = 44100
# Music is compared band-limited and at a quarter of the mixing rate: cheap, and
# blind to the differences between OpenAL's resampler and sox's.
MUSIC_RATE = MIX_RATE // 4


def alsoft_config(path, wave_path):
    """An OpenAL Soft configuration that sends all output to a 16-bit stereo wave file."""
    with open(path, "w") as out:
        out.write("[general]\nchannels = stereo\nsample-type = int16\n"
                  f"frequency = {MIX_RATE}\n\n[wave]\nfile = {wave_path}\n")


def _wave_layout(head):
    """(channels, rate, sample format, bytes per frame, data offset) from a RIFF header."""
    if len(head) < 12 or head[:4] != b"RIFF" or head[8:12] != b"WAVE":
        return None
    pos, fmt = 12, None
    while pos + 8 <= len(head):
        kind, size = head[pos:pos + 4], struct.unpack("<I", head[pos + 4:pos + 8])[0]
        if kind == b"fmt ":
            tag, channels, rate, _, align, bits = struct.unpack("<HHIIHH", head[pos + 8:pos + 24])
            if tag == 0xFFFE:
                tag = struct.unpack("<H", head[pos + 32:pos + 34])[0]
            fmt = (channels, rate, (tag, bits), align)
        elif kind == b"data":
            return (*fmt, pos + 8) if fmt else None
        pos += 8 + size + (size & 1)
    return None


def read_wave(path):
    """Samples as float32 (frames, channels) and the rate; tolerates an unfinished header."""
    with open(path, "rb") as f:
        data = f.read()
    layout = _wave_layout(data[:4096])
    if layout is None:
        raise ValueError(f"{path} is not a wave file the backend could have written")
    channels, rate, (tag, bits), align, offset = layout
    body = data[offset:]
    body = body[:len(body) // align * align]
    if (tag, bits) == (1, 16):
        samples = np.frombuffer(body, "<i2").astype(np.float32) / 32768.0
    elif (tag, bits) == (3, 32):
        samples = np.frombuffer(body, "<f4").astype(np.float32)
    elif (tag, bits) == (1, 8):
        samples = (np.frombuffer(body, np.uint8).astype(np.float32) - 128) / 128.0
    else:
        raise ValueError(f"{path}: unsupported sample format {tag}/{bits}")
    return samples.reshape(-1, channels), rate


class WaveClock:
    """Samples the size of the growing wave file to tie recording positions to wall time."""

    def __init__(self, path):
        self.path = path
        self.points = []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        while not self._stop.is_set():
            try:
                size = os.stat(self.path).st_size
                self.points.append((time.monotonic(), size))
            except OSError:
                pass
            self._stop.wait(0.05)

    def stop(self):
        self._stop.set()
        self._thread.join()

    def start_time(self):
        """Wall time of the first recorded frame.

        Frames reach the file only after they are due, so every size sample gives
        an upper bound; the smallest one is the closest.
        """
        with open(self.path, "rb") as f:
            layout = _wave_layout(f.read(4096))
        if layout is None:
            raise ValueError("the wave file never got a header")
        _, rate, _, align, offset = layout
        bounds = [t - (size - offset) / align / rate for t, size in self.points if size > offset + align * rate // 10]
        if not bounds:
            raise ValueError("the wave file never grew")
        return min(bounds)


def decode(path, rate):
    """A sound file as mono float32 at the given rate, through sox."""
    result = subprocess.run(["sox", "-V1", path, "-t", "raw", "-e", "floating-point", "-b", "32",
                             "-c", "1", "-r", str(rate), "-"], capture_output=True, timeout=60)
    if result.returncode != 0:
        raise ValueError(f"sox could not decode {path}: {result.stderr.decode(errors='replace')}")
    return np.frombuffer(result.stdout, "<f4").astype(np.float64)


def _lowpass_decimate(x, factor):
    """Windowed-sinc low-pass below the new Nyquist frequency, then keep every factor-th sample."""
    taps = 129
    n = np.arange(taps) - (taps - 1) / 2
    cutoff = 0.8 / factor / 2
    kernel = np.sinc(2 * cutoff * n) * np.hamming(taps)
    kernel /= kernel.sum()
    return np.convolve(x, kernel, mode="same")[::factor]


def _fft_correlate(signal, template):
    """Dot products of template with every window of signal of the same length."""
    n = len(signal) + len(template)
    size = 1 << (n - 1).bit_length()
    spectrum = np.fft.rfft(signal, size) * np.conj(np.fft.rfft(template, size))
    return np.fft.irfft(spectrum, size)[:len(signal) - len(template) + 1]


def normalised_correlation(signal, template):
    """Cosine similarity between template and each same-length window of signal."""
    template = template - template.mean()
    dots = _fft_correlate(signal, template)
    squares = np.concatenate([[0.0], np.cumsum(signal * signal)])
    sums = np.concatenate([[0.0], np.cumsum(signal)])
    m = len(template)
    energy = squares[m:] - squares[:-m] - (sums[m:] - sums[:-m]) ** 2 / m
    norm = np.sqrt(np.maximum(energy, 1e-12)) * np.linalg.norm(template)
    return dots / norm


class Recording:
    """The game's recorded output, mono, with its wall-clock origin."""

    def __init__(self, path, start_time):
        frames, self.rate = read_wave(path)
        self.mono = frames.mean(axis=1).astype(np.float64)
        self.start_time = start_time
        self.duration = len(self.mono) / self.rate
        self._music = None

    def index(self, t):
        return int(round((t - self.start_time) * self.rate))

    def segment(self, t0, t1):
        a, b = max(0, self.index(t0)), min(len(self.mono), self.index(t1))
        return self.mono[a:b] if b > a else np.zeros(0)

    def rms(self, t0, t1):
        seg = self.segment(t0, t1)
        return float(np.sqrt(np.mean(seg * seg))) if len(seg) else 0.0

    def music_segment(self, t0, t1):
        factor = self.rate // MUSIC_RATE
        return _lowpass_decimate(self.segment(t0, t1), factor)


def match_track(segment, track, rate=MUSIC_RATE):
    """Best cosine similarity of a recorded stretch anywhere in a looping track, and where.

    Returns (similarity, offset in seconds into the track).
    """
    if len(segment) < rate // 2 or len(track) < len(segment):
        return 0.0, 0.0
    looped = np.concatenate([track, track[:len(segment)]])
    scores = normalised_correlation(looped, segment)
    best = int(np.argmax(scores))
    return float(scores[best]), (best % len(track)) / rate


def effect_peak(recording, effect, t0, t1):
    """Highest similarity of a sound effect to any moment of the recording in [t0, t1].

    Both sides are differenced first, which favours the effect's sharp attack
    over the music's slower tones.
    """
    seg = recording.segment(t0, t1)
    if len(seg) <= len(effect):
        return 0.0
    return float(normalised_correlation(np.diff(seg), np.diff(effect)).max())
