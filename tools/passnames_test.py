#!/usr/bin/env python3
"""The names tools/passnames.py gives a pass, and what it reports of a run
against the neutral name's: runs made up here, each told or not."""

import sys
import unittest
from datetime import datetime, timezone
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import passnames as pn  # noqa: E402

LINE = [(50.0, -10.0)] * pn.ANCHORS
LOG = "passa; NOAA-18; 2023-05-03; 12:00-12:03; -80; 47; -46; 42; -81; 35; -52; 31; S"


def run(pass_log=LOG, stderr=(), lcn=None, status="0"):
    return pn.Run(status, list(stderr), pass_log, [LINE, LINE] if lcn is None else lcn, Path("."))


class NamesTest(unittest.TestCase):
    def test_every_layout_refused_year_missing_date_and_local_time(self):
        cases = pn.name_cases(datetime(2023, 5, 3, 12, 0, tzinfo=timezone.utc), "NOAA-18", ".hpt", ["1970"])
        self.assertEqual([c.name for c in cases], [
            "2023-05-03-1200-NOAA18.hpt", "20230503_1200_noaa18.hpt", "230503_1200_noaa18.hpt",
            "NOAA18_20230503_1200.hpt", "1978-05-03-1200-NOAA18.hpt", "2099-05-03-1200-NOAA18.hpt",
            "2023-13-03-1200-NOAA18.hpt", "2023-02-30-1200-NOAA18.hpt", "2023-05-03-1400-NOAA18.hpt", "passa.hpt"])
        self.assertEqual(pn.neutral_name(".wsd"), "passa_noaa")

    def test_a_pass_its_frames_cannot_name_is_compared_with_its_own_name(self):
        cases = pn.name_cases(datetime(2023, 5, 8, 20, 0, tzinfo=timezone.utc), "METOP-C", ".raw16", ["1970"])
        own = run(LOG.replace("NOAA-18", "METOP-C"))
        for neutral, reference, left in ((run(), own, 9), (run(LOG.replace("NOAA-18", "METOP-C")), None, 10),
                                          (run(""), None, 10)):
            with self.subTest(neutral.pass_log):
                chosen, kept, note = pn.choose_reference(neutral, own, cases)
                self.assertIs(chosen, reference or neutral)
                self.assertEqual(len(kept), left)
                self.assertEqual(bool(note), reference is not None)

    def test_what_moves_unless_told(self):
        moved = [(49.0, -10.0)] * pn.ANCHORS
        dated2026 = LOG.replace("2023-05-03", "2026-05-03")
        cases = [  # (run, what is reported)
            (run(), []),
            (run(dated2026), ["date 2023-05-03 became 2026-05-03, not told"]),
            (run(dated2026, ["kestrune: The pass is dated in 2026, the latest year ..."]), []),
            (run(LOG[:-1] + "N"), ["direction S became N"]),
            (run(lcn=[LINE, moved]), ["1 lines moved (line 1 first, up to 111.2 km)"]),
            (run(lcn=[LINE, None]), ["1 lines moved (line 1 first, up to inf km)"]),
            (run(dated2026, ["kestrune: The pass is dated by the run's clock (2026-05-03): nothing else gives it a date "
                             "a pass can have"], lcn=[LINE, moved]), []),
            (run(LOG.replace("NOAA-18", "NOAA-15"), ["kestrune: The file names NOAA-15"]), []),
            (run(dated2026, ["kestrune: The name's layout gives the year 2026, which no pass can have: its date is not used"]),
             ["dated 2026-05-03, from a source told as not used: kestrune: The name's layout gives the year 2026, which "
              "no pass can have: its date is not used"]),
            (run("", status="1"), ["exit status 0 became 1", "no pass-log line"]),
        ]
        for outcome, expected in cases:
            with self.subTest(outcome.pass_log):
                self.assertEqual(pn.compare(run(), outcome), expected)


if __name__ == "__main__":
    unittest.main()
