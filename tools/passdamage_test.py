#!/usr/bin/env python3
"""Where tools/passdamage.py puts a frame's words, checked against groups
worked by hand from the program's unpackers, and a file of steady time codes
found and damaged by it."""

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


if __name__ == "__main__":
    unittest.main()
