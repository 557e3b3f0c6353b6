"""Sound: the format of the game's ALSA capture, and the measures the cases take of it
(level, loudness over time, where sounds start, which asset a sound is)."""

import array
import math
import operator
import sys

SOUND_RATE = 44100          # frames per second of the capture
SOUND_CHANNELS = 2          # interleaved left, right
# Samples are unsigned 16-bit little-endian: silence is 0x8000.
_FLIP_SIGN = bytes(b ^ 0x80 for b in range(256))


def samples16(data, unsigned=False):
    """The 16-bit little-endian samples in data as an array of signed values; unsigned ones
    (silence 0x8000) are moved to signed by flipping the top bit of their high bytes."""
    if unsigned:
        data = bytearray(data)
        data[1::2] = data[1::2].translate(_FLIP_SIGN)
    a = array.array("h")
    a.frombytes(bytes(data[:len(data) // 2 * 2]))
    if sys.byteorder != "little":
        a.byteswap()
    return a


def sound_stats(samples):
    """(frames, peak, rms) of interleaved signed 16-bit samples."""
    n = len(samples)
    if n == 0:
        return 0, 0, 0.0
    peak = max(max(samples), -min(samples))
    rms = math.sqrt(sum(map(operator.mul, samples, samples)) / n)
    return n // SOUND_CHANNELS, peak, rms


def rms_windows(samples, window_frames):
    """RMS of each run of window_frames frames of interleaved samples."""
    step = window_frames * SOUND_CHANNELS
    out = []
    for i in range(0, len(samples) - step + 1, step):
        w = samples[i:i + step]
        out.append(math.sqrt(sum(map(operator.mul, w, w)) / step))
    return out


def mono(samples):
    """Left plus right of interleaved stereo samples, as a list."""
    return list(map(operator.add, samples[0::2], samples[1::2]))


def read_wav(path):
    """(rate, frames) of a PCM WAV file: 8-bit unsigned or 16-bit signed, channels summed,
    as a list of numbers."""
    import wave
    with wave.open(path, "rb") as w:
        rate, width, channels = w.getframerate(), w.getsampwidth(), w.getnchannels()
        raw = w.readframes(w.getnframes())
    if width == 1:
        vals = [b - 128 for b in raw]
    elif width == 2:
        vals = list(samples16(raw))
    else:
        raise ValueError("%s: %d-byte samples" % (path, width))
    return rate, [sum(vals[i:i + channels]) for i in range(0, len(vals), channels)]


def resample(frames, rate, to_rate=SOUND_RATE):
    """frames at rate, linearly interpolated to to_rate."""
    n = int(len(frames) * to_rate / rate)
    out = []
    for i in range(n):
        p = i * rate / to_rate
        k = int(p)
        f = p - k
        nxt = frames[k + 1] if k + 1 < len(frames) else frames[k]
        out.append(frames[k] * (1 - f) + nxt * f)
    return out


def onsets(signal, level, quiet=2205):
    """Indexes where |signal| first exceeds level after at least quiet values below it."""
    out = []
    last_loud = -quiet - 1
    for i, v in enumerate(signal):
        if v > level or v < -level:
            if i - last_loud > quiet:
                out.append(i)
            last_loud = i
    return out


def first_above(signal, fraction):
    """Index of the first value whose size reaches fraction of the largest one."""
    top = max(map(abs, signal)) if signal else 0
    lim = fraction * top
    return next((i for i, v in enumerate(signal) if abs(v) >= lim and top), None)


def match_sound(signal, start, template, span=200, length=2048):
    """Best normalised correlation (-1..1) of the first length values of template, taken
    from where it first gets loud, with signal at an offset within span of start (where
    the signal gets loud). 1 means the same waveform at any volume."""
    t0 = first_above(template, 0.05)
    t = template[t0:t0 + length]
    tn = math.sqrt(sum(map(operator.mul, t, t)))
    best = -1.0
    for lag in range(max(0, start - span), start + span + 1):
        x = signal[lag:lag + len(t)]
        if len(x) < len(t):
            break
        xn = math.sqrt(sum(map(operator.mul, x, x)))
        if xn and tn:
            best = max(best, sum(map(operator.mul, t, x)) / (tn * xn))
    return best


def identify_sound(signal, onset, templates, rate=SOUND_RATE, same=0.9):
    """The name of the template (name: frames at rate) whose waveform starts at onset in
    signal, or None when none scores same or more; and the scores."""
    burst = signal[max(0, onset - 100):onset + rate // 10]
    start = max(0, onset - 100) + first_above(burst, 0.05)
    scores = {name: match_sound(signal, start, t) for name, t in templates.items()}
    best = max(scores, key=scores.get)
    return (best if scores[best] >= same else None), scores

