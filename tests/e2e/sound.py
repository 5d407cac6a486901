"""What the game played, told apart by normalised cross-correlation with the game's own sound files."""

import subprocess

import numpy as np

RATE = 44100
BYTES_PER_SECOND = RATE * 2 * 2


def decode(path, rate):
    """A sound file as mono float64 at the given rate, through sox."""
    done = subprocess.run(["sox", "-V1", path, "-t", "raw", "-e", "floating-point", "-b", "32", "-c", "1",
                           "-r", str(rate), "-"], capture_output=True, timeout=60)
    if done.returncode != 0:
        raise ValueError(f"sox cannot read {path}: {done.stderr.decode(errors='replace').strip()}")
    return np.frombuffer(done.stdout, "<f4").astype(np.float64)


def similarity(signal, template):
    """Highest cosine similarity of template with any same-length window of signal."""
    m = len(template)
    if m < 64 or len(signal) < m:
        return 0.0
    template = template - template.mean()
    size = 1 << (len(signal) + m).bit_length()
    dots = np.fft.irfft(np.fft.rfft(signal, size) * np.conj(np.fft.rfft(template, size)), size)
    dots = dots[:len(signal) - m + 1]
    squares, sums = (np.concatenate([[0.0], np.cumsum(v)]) for v in (signal * signal, signal))
    energy = squares[m:] - squares[:-m] - (sums[m:] - sums[:-m]) ** 2 / m
    return float((dots / (np.sqrt(np.maximum(energy, 1e-9)) * np.linalg.norm(template))).max())


def music_match(recording, rate, t0, t1, track):
    """How well the recording between t0 and t1 (seconds) matches some place of a looping track."""
    piece = recording[int(t0 * rate):int(t1 * rate)]
    return similarity(np.concatenate([track, track[:len(piece)]]), piece) if len(piece) > rate // 2 else 0.0
