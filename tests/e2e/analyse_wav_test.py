#!/usr/bin/env python3
"""The recording analyser on tones it writes itself: stretches, pitches, and the expect check."""

import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import analyse_wav  # noqa: E402


class AnalyseWavTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def write(self, pieces, **options):
        path = os.path.join(self.dir.name, "t.wav")
        analyse_wav.write_tone(path, pieces, **options)
        return path

    def run_main(self, *argv):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = analyse_wav.main(list(argv))
        return status, out.getvalue(), err.getvalue()

    def test_stretches_of_tone_and_silence(self):
        cases = [
            # pieces, options, expected (hz or None, approximate end in ms)
            ([(440, 500), (0, 200), (880, 700)], {}, [(440, 500), (None, 700), (880, 1400)]),
            # Tracks back to back, stereo as the recorder writes them.
            ([(440, 600), (880, 600), (440, 600)], {"channels": 2}, [(440, 600), (880, 1200), (440, 1800)]),
            # A 30 ms click inside silence is no tone; a tone below the threshold is silence.
            ([(0, 400), (1000, 30), (0, 400)], {}, [(None, 830)]),
            ([(440, 500)], {"level": 0.005}, [(None, 500)]),
            ([(330, 500)], {"rate": 22050}, [(330, 500)]),
        ]
        for pieces, options, expected in cases:
            with self.subTest(pieces=pieces, options=options):
                samples, rate = analyse_wav.read_mono(self.write(pieces, **options))
                found = analyse_wav.segments(samples, rate)
                self.assertEqual(len(found), len(expected), found)
                for got, (hz, end_ms) in zip(found, expected):
                    if hz is None:
                        self.assertIsNone(got["hz"])
                    else:
                        self.assertAlmostEqual(got["hz"], hz, delta=hz * 0.01)
                    self.assertAlmostEqual(got["end_ms"], end_ms, delta=60)

    def test_pitch_within_a_percent(self):
        for hz in (110, 220, 440, 880, 1760, 3000):
            with self.subTest(hz=hz):
                samples, rate = analyse_wav.read_mono(self.write([(hz, 300)]))
                self.assertAlmostEqual(analyse_wav.segments(samples, rate)[0]["hz"], hz, delta=hz * 0.01)

    def test_skips_in_the_stream_do_not_move_the_pitch(self):
        # Gaps of 5 ms three times in the first 150 ms, as a sound server leaves them when playback
        # starts late (once heard as 394 Hz): each 50 ms window holds one jump of the phase, and
        # the tone is still 440.
        path = self.write([(440, 1000)])
        samples, rate = analyse_wav.read_mono(path)
        for at_ms in (110, 60, 10):
            at = rate * at_ms // 1000
            samples[at:at] = [0.0] * (rate * 5 // 1000)
        found = analyse_wav.segments(samples, rate)
        self.assertEqual([round(s["hz"]) for s in found], [440], found)

    def test_expect_checks_the_order_of_the_first_tones(self):
        path = self.write([(440, 400), (0, 300), (880, 400), (440, 400)])
        cases = [
            (["440", "880"], 0),
            (["440", "880", "440"], 0),
            (["880", "440"], 1),
            (["440", "880", "440", "880"], 1),  # more tones than were heard
            (["450", "880"], 1),                # 2 % off with a 1 % tolerance
        ]
        for pitches, status in cases:
            with self.subTest(pitches=pitches):
                got, out, _ = self.run_main("expect", path, *pitches, "--tolerance", "0.01")
                self.assertEqual(got, status)
                self.assertEqual(out, "tones: 440 880 440\n")

    def test_join_repeats_counts_a_stuttering_tone_once(self):
        path = self.write([(440, 400), (880, 300), (0, 200), (880, 400), (440, 400)])
        for options, heard, status in ((["--join-repeats"], "440 880 440", 0), ([], "440 880 880 440", 1)):
            with self.subTest(options=options):
                got, out, _ = self.run_main("expect", path, "440", "880", "440", *options)
                self.assertEqual((got, out), (status, f"tones: {heard}\n"))

    def test_bad_input_is_a_message_not_a_traceback(self):
        not_wav = os.path.join(self.dir.name, "x.wav")
        with open(not_wav, "wb") as f:
            f.write(b"not a wave file at all")
        for argv in (["segments", not_wav], ["segments", not_wav + ".missing"], ["expect", not_wav, "440"]):
            with self.subTest(argv=argv):
                status, _, err = self.run_main(*argv)
                self.assertEqual(status, 2)
                self.assertTrue(err.startswith("analyse_wav.py: "), err)

    def test_segments_lines(self):
        status, out, _ = self.run_main("segments", self.write([(440, 500), (0, 500)]))
        self.assertEqual(status, 0)
        lines = [line.split() for line in out.splitlines()]
        self.assertEqual([line[2] for line in lines], ["440.0", "silence"])
        self.assertEqual(lines[0][0], "0")
        self.assertEqual(lines[-1][1], "1000")


if __name__ == "__main__":
    unittest.main()
