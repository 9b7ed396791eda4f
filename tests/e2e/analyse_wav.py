#!/usr/bin/env python3
"""Makes test tones and tells what a recording holds: silence or a tone, and the tone's pitch.

  analyse_wav.py tone OUT.wav HZ:MS [HZ:MS ...] [--rate R] [--channels C] [--level L]
      writes 16-bit PCM pieces one after another; HZ 0 is silence.
  analyse_wav.py segments REC.wav [--json] [options]
      one line per stretch of the recording: "START_MS END_MS HZ DB", HZ being "silence" where
      the level stays below --silence-db (DB is the stretch's RMS level in dB of full scale).
  analyse_wav.py expect REC.wav HZ [HZ ...] [--join-repeats] [options]
      exit status 0 when the recording's tones, in order, begin with the given pitches (each
      within --tolerance); the tones found are printed either way. With --join-repeats a tone
      heard again right after a gap counts once (a track that stuttered).

The pitch of a window is measured from the spacing of its rising zero crossings (irregular
periods, where the stream skipped, left out), which is exact for the pure tones the tests play and cheap enough for minutes of audio in plain Python. Windows
are joined into stretches of one pitch (or of silence); stretches shorter than --min-ms, such as
the edges between two tones, are given to their neighbours.
"""

import argparse
import array
import json
import math
import statistics
import sys
import wave


def write_tone(path, pieces, rate=44100, channels=1, level=0.5):
    amplitude = int(level * 32767)
    with wave.open(path, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(2)
        out.setframerate(rate)
        for hz, ms in pieces:
            n = rate * ms // 1000
            step = 2 * math.pi * hz / rate
            mono = array.array("h", (int(amplitude * math.sin(step * i)) if hz else 0 for i in range(n)))
            if channels == 1:
                frames = mono
            else:
                frames = array.array("h", (s for s in mono for _ in range(channels)))
            if sys.byteorder == "big":
                frames.byteswap()
            out.writeframes(frames.tobytes())


def read_mono(path):
    """The samples of a PCM WAV file as floats in [-1, 1], channels averaged, and the rate."""
    with wave.open(path, "rb") as f:
        width, channels, rate = f.getsampwidth(), f.getnchannels(), f.getframerate()
        raw = f.readframes(f.getnframes())
    if width != 2:
        raise ValueError(f"{path}: {8 * width}-bit samples; only 16-bit PCM is read")
    a = array.array("h", raw)
    if sys.byteorder == "big":
        a.byteswap()
    samples = [s / 32768 for s in a]
    if channels > 1:
        samples = [sum(samples[i:i + channels]) / channels for i in range(0, len(samples) - channels + 1, channels)]
    return samples, rate


def window_pitch(w, rate):
    """The frequency from the rising zero crossings of a window, or None with fewer than two.

    A sound server that drops or repeats samples (an underrun as playback starts) leaves a jump
    in the wave's phase: the one period across it is neither long nor short by the tone's pitch,
    so periods more than a tenth away from the median are left out of the mean."""
    peak = max(abs(s) for s in w)
    hysteresis = 0.1 * peak
    armed = False
    crossings = []
    for i in range(1, len(w)):
        if w[i] < -hysteresis:
            armed = True
        elif armed and w[i - 1] < 0 <= w[i]:
            crossings.append(i - 1 + (-w[i - 1]) / (w[i] - w[i - 1]))
            armed = False
    if len(crossings) < 2:
        return None
    periods = [b - a for a, b in zip(crossings, crossings[1:])]
    median = statistics.median(periods)
    regular = [p for p in periods if abs(p - median) <= 0.1 * median]
    return rate / statistics.fmean(regular)


def same_pitch(a, b, tolerance):
    return a is None and b is None or (a is not None and b is not None and abs(a - b) <= tolerance * max(a, b))


def segments(samples, rate, window_ms=50, silence_db=-40.0, min_ms=150, tolerance=0.03):
    """Stretches of the recording as dicts: start_ms, end_ms, hz (None for silence), db."""
    n = max(1, rate * window_ms // 1000)
    windows = []
    for start in range(0, len(samples), n):
        w = samples[start:start + n]
        rms = math.sqrt(sum(s * s for s in w) / len(w))
        db = 20 * math.log10(rms) if rms > 0 else -120.0
        hz = window_pitch(w, rate) if db >= silence_db else None
        windows.append({"start_ms": start * 1000 // rate, "end_ms": (start + len(w)) * 1000 // rate,
                        "hz": hz, "pitches": [hz] if hz else [], "dbs": [db]})

    def join(parts):
        out = []
        for p in parts:
            if out and same_pitch(out[-1]["hz"], p["hz"], tolerance):
                last = out[-1]
                last["end_ms"] = p["end_ms"]
                last["pitches"] += p["pitches"]
                last["dbs"] += p["dbs"]
                if last["pitches"]:
                    last["hz"] = statistics.median(last["pitches"])
            else:
                out.append(dict(p, pitches=list(p["pitches"]), dbs=list(p["dbs"])))
        return out

    result = join(windows)
    # A short stretch (a window across the edge of two tones, a click) goes to its neighbour:
    # its time only, so the neighbour's pitch and level stay its own.
    while len(result) > 1:
        short = [i for i, s in enumerate(result) if s["end_ms"] - s["start_ms"] < min_ms]
        if not short:
            break
        i = short[0]
        j = i - 1 if i > 0 else i + 1
        result[j]["start_ms"] = min(result[j]["start_ms"], result[i]["start_ms"])
        result[j]["end_ms"] = max(result[j]["end_ms"], result[i]["end_ms"])
        del result[i]
        result = join(result)
    return [{"start_ms": s["start_ms"], "end_ms": s["end_ms"],
             "hz": round(s["hz"], 1) if s["hz"] else None,
             "db": round(10 * math.log10(statistics.fmean(10 ** (d / 10) for d in s["dbs"])), 1)}
            for s in result]


def tones(found, tolerance=0.03, join_repeats=False):
    heard = []
    for hz in (s["hz"] for s in found if s["hz"] is not None):
        if not (join_repeats and heard and same_pitch(heard[-1], hz, tolerance)):
            heard.append(hz)
    return heard


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    t = sub.add_parser("tone", help="write a WAV file of tones and silences")
    t.add_argument("output")
    t.add_argument("pieces", nargs="+", help="HZ:MS, HZ 0 for silence")
    t.add_argument("--rate", type=int, default=44100)
    t.add_argument("--channels", type=int, default=1)
    t.add_argument("--level", type=float, default=0.5)
    for name in ("segments", "expect"):
        p = sub.add_parser(name)
        p.add_argument("recording")
        p.add_argument("--window-ms", type=int, default=50)
        p.add_argument("--silence-db", type=float, default=-40.0)
        p.add_argument("--min-ms", type=int, default=150)
        p.add_argument("--tolerance", type=float, default=0.03, help="relative pitch difference still the same tone")
        if name == "segments":
            p.add_argument("--json", action="store_true")
        else:
            p.add_argument("pitches", nargs="+", type=float)
            p.add_argument("--join-repeats", action="store_true")
    args = parser.parse_args(argv)

    try:
        if args.command == "tone":
            pieces = []
            for piece in args.pieces:
                hz, sep, ms = piece.partition(":")
                if not sep:
                    parser.error(f"'{piece}' is not HZ:MS")
                pieces.append((float(hz), int(ms)))
            write_tone(args.output, pieces, args.rate, args.channels, args.level)
            return 0
        samples, rate = read_mono(args.recording)
    except (OSError, EOFError, wave.Error, ValueError) as e:
        print(f"analyse_wav.py: {e}", file=sys.stderr)
        return 2
    found = segments(samples, rate, args.window_ms, args.silence_db, args.min_ms, args.tolerance)
    if args.command == "segments":
        if args.json:
            print(json.dumps(found, indent=1))
        else:
            for s in found:
                hz = "silence" if s["hz"] is None else f"{s['hz']:.1f}"
                print(f"{s['start_ms']} {s['end_ms']} {hz} {s['db']:.1f}")
        return 0
    heard = tones(found, args.tolerance, args.join_repeats)
    print("tones: " + " ".join(f"{hz:.0f}" for hz in heard))
    ok = len(heard) >= len(args.pitches) and all(same_pitch(h, w, args.tolerance) for h, w in zip(heard, args.pitches))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
