#!/usr/bin/env python3
"""Where tools/passdamage.py puts a frame's words, checked against groups
worked by hand from the program's unpackers; a file of steady time codes
found and damaged by it; and how tools/damage-sweep matches a damaged run's
lines and pass log to the intact run's."""

import importlib.machinery
import importlib.util
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import passdamage as pd  # noqa: E402

WORDS = [1023, 0, 341, 1]  # all bits, none, alternate bits, the lowest bit


class WordPackingTest(unittest.TestCase):
    def test_groups_worked_by_hand(self):
        cases = [  # (packing, bytes, first word written, words, the bytes they make)
            ("16-bit high byte first", pd.words16(0, True), 4, 0, [0x1234, 0x3FF], "12 34 03 ff"),
            ("16-bit low byte first", pd.words16(0, False), 4, 0, [0x1234, 0x3FF], "34 12 ff 03"),
            ("10-bit, first word in the top bits", pd.packed10_msb_first(0), 5, 0, WORDS, "ff c0 05 54 01"),
            ("10-bit, first word in the low bits", pd.packed10_lsb_first(0), 5, 0, WORDS, "ff 03 50 55 00"),
            ("10B: high bytes, then low bits", pd.packed10_split_low(0), 5, 0, WORDS, "ff 00 55 00 c5"),
            ("L1F: 16-bit units low byte first", pd.packed10_in_words(0), 10, 0, WORDS + [0] * 4,
             "c0 ff 54 05 00 01 00 00 00 00"),
            ("Dartcom: records from word 5", pd.from_word(pd.words16(0, False), 5), 4, 5, [0x95, 0xD1], "95 00 d1 00"),
        ]
        for name, bits, size, first, words, expected in cases:
            with self.subTest(name):
                record = bytearray(size)
                for k, value in enumerate(words, first):
                    pd.set_word(record, bits, k, value)
                self.assertEqual(bytes(record).hex(" "), expected)
                self.assertEqual([pd.get_word(record, bits, k) for k in range(first, first + len(words))], words)


class DamageTest(unittest.TestCase):
    """Thirty 10-bit frames behind a 1,024-byte header, from 23:59:58 of day 365."""

    def setUp(self):
        self.bits = pd.packed10_lsb_first(0)
        self.data = bytearray(1024 + 30 * 13864)
        layout = pd.Layout("", 1024, 13864, 30, bits=self.bits)
        for line in range(30):
            layout.write_time(self.data, line, pd.TimeCode(365, 86_398_000 + (line * 1000 + 3) // 6))
        self.layout = pd.find_layout(bytes(self.data))

    def test_the_layout_is_found_with_its_period(self):
        self.assertEqual((self.layout.name, self.layout.start, self.layout.count),
                         ("10-bit frames, first word in the low bits", 1024, 30))
        self.assertAlmostEqual(self.layout.period, 1000 / 6, delta=0.1)

    def test_a_run_is_offset_together_into_the_next_day_and_nothing_else_changes(self):
        copy = pd.offset_times(self.layout, bytes(self.data), 10, 3, 60_000)
        for line in (10, 11, 12):
            self.assertEqual(self.layout.read_time(copy, line), pd.TimeCode(366, 58_000 + (line * 1000 + 3) // 6))
        changed = {(i - 1024) // 13864 for i in range(1024, len(copy)) if copy[i] != self.data[i]}
        self.assertEqual(changed, {10, 11, 12})

    def test_a_cut_takes_whole_records(self):
        cut = pd.cut_records(self.layout, bytes(self.data), 5, 4)
        self.assertEqual(len(cut), len(self.data) - 4 * 13864)
        self.assertEqual(self.layout.read_time(cut, 5), self.layout.read_time(self.data, 9))

    def test_a_file_of_unsteady_time_codes_has_no_layout(self):
        self.assertIsNone(pd.find_layout(bytes(1024 + 30 * 13864)))


class MovedLocationsTest(unittest.TestCase):
    """Level 1b latitudes moved north: every latitude of the records named, no longitude, no other record."""

    def test_newer_and_older_records(self):
        for kind, at, width, units in (("newer", 640, 4, 10_000), ("older", 104, 2, 128)):
            with self.subTest(kind):
                layout = pd.Layout("", 512, 4608, 4, kind)
                data = bytearray(512 + 4 * 4608)
                for record in range(4):
                    for k in range(51):
                        where = 512 + record * 4608 + at + 2 * width * k
                        data[where:where + width] = (-50 * units).to_bytes(width, "big", signed=True)  # 50 S
                copy = pd.moved_locations(layout, bytes(data), 1, 2, 3)
                latitude = [int.from_bytes(copy[512 + r * 4608 + at + 2 * width * 50:][:width], "big", signed=True)
                            for r in range(4)]
                self.assertEqual(latitude, [-50 * units, -47 * units, -47 * units, -50 * units])
                changed = {(i - 512) // 4608 for i in range(512, len(copy)) if copy[i] != data[i]}
                self.assertEqual(changed, {1, 2})
                longitudes = [bytes(copy[512 + 4608 + at + 2 * width * k + width:][:width]) for k in range(51)]
                self.assertEqual(set(longitudes), {bytes(width)})



def load_sweep():
    """tools/damage-sweep, a program without a .py name, as a module."""
    loader = importlib.machinery.SourceFileLoader("damage_sweep", str(Path(__file__).with_name("damage-sweep")))
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(loader.name, loader))
    loader.exec_module(module)
    return module


class ComparingTest(unittest.TestCase):
    sweep = load_sweep()
    LOG = "passa; NOAA-18; 2023-05-03; 12:00-12:08; 1; 50; 2; 51; 3; 52; 4; 53; S"

    def test_lines_after_a_gap_are_matched_to_the_intact_lines_they_show(self):
        of = self.sweep.intact_line_of
        cut = range(100, 110)  # 10 of 300 records lost
        self.assertEqual([of(line, 290, 300, cut, False) for line in (99, 100, 289)], [99, 110, 299])
        # Turned round, the store's line 0 is the last record.
        self.assertEqual([of(line, 290, 300, cut, True) for line in (0, 189, 190, 289)], [0, 189, 200, 299])

    def test_a_damaged_end_may_move_the_log_to_its_first_good_records_minute_only(self):
        compare = self.sweep.compare_pass_logs
        ends = ({720, 721}, {728})
        self.assertEqual(compare(self.LOG, self.LOG.replace("12:00-", "12:01-"), ends), [])
        self.assertEqual(compare(self.LOG, self.LOG.replace("12:00-", "03:12-"), ends),
                         ["pass-log times '12:00-12:08' became '03:12-12:08'"])
        self.assertEqual(compare(self.LOG, self.LOG.replace("12:00-", "12:01-"), None),
                         ["pass-log times '12:00-12:08' became '12:01-12:08'"])
        self.assertEqual(compare(self.LOG, self.LOG[:-1] + "N", None), ["direction S became N"])
        self.assertEqual(compare(self.LOG, "", None), [f"no pass-log line (intact: {self.LOG!r})"])
        # A run beyond an end, as lines across a loss of signal: the log's end may follow it, its letter not.
        self.assertEqual(compare(self.LOG, self.LOG.replace("12:00-", "11:59-"), None, outward=True), [])
        self.assertEqual(compare(self.LOG, self.LOG[:-1] + "N", None, outward=True), ["direction S became N"])

    def test_moved_lines_are_told_in_runs(self):
        moves = [(4, 4, 33.3), (5, 5, 199.8), (9, 12, float("inf"))]
        self.assertEqual(self.sweep.describe_moves(moves),
                         ["lines 4-5 moved 33.3-199.8 km", "line 9 (intact 12) lost its location"])

    def test_a_pass_turned_round_is_told_as_turned(self):
        lines = [[(40 + line / 100, 10 + anchor / 10) for anchor in range(51)] for line in range(20)]
        turned = [list(reversed(line)) for line in reversed(lines)]
        self.assertTrue(self.sweep.turned_round(lines, turned))
        self.assertFalse(self.sweep.turned_round(lines, lines))


if __name__ == "__main__":
    unittest.main()
