"""Where a pass file keeps each line's time code and direction, and copies of
it with lines damaged there.

Frame formats keep an HRPT minor frame a record, its time code in words
8..11 (day of year in word 8, milliseconds in words 9..11), packed as the
format packs its words; Meteor MSU-MR frames keep theirs as hour, minute,
second and milliseconds / 4 at byte 8. Level 1b files keep a record a line, its time (year,
day, milliseconds) at bytes 2..11 and, in the newer layout, its southbound
bit in bit 15 of the word at byte 12. A layout is taken only when the time
codes of the file's first records read with it advance by one line period.
"""

import random
import statistics
from dataclasses import dataclass

MILLISECONDS_PER_DAY = 86_400_000
TIME_CODE_WORD = 8
FRAME_PERIODS = range(100, 600)      # milliseconds: Meteor's 154 .. GAC's 500
CHECKED_RECORDS = 24
STEP_TOLERANCE = 4                   # milliseconds: Meteor's time codes count in fours


# ---------------------------------------------------------------------------
# Words of a record: the (byte, bit) of each bit of a word, most significant first

def words16(base, big_endian):
    def bits(word):
        at = base + 2 * word
        high, low = (at, at + 1) if big_endian else (at + 1, at)
        return [(high, 7 - k) for k in range(8)] + [(low, 7 - k) for k in range(8)]
    return bits


def packed10_msb_first(base):
    """Five bytes hold four words, the first in the top bits."""
    def bits(word):
        return [(base + s // 8, 7 - s % 8) for s in range(10 * word, 10 * word + 10)]
    return bits


def packed10_lsb_first(base):
    """Five bytes hold four words, the first in the low bits of the first byte."""
    def bits(word):
        return [(base + s // 8, s % 8) for s in reversed(range(10 * word, 10 * word + 10))]
    return bits


def packed10_split_low(base):
    """Five bytes hold four words: their high bytes, then their two low bits each."""
    def bits(word):
        group, k = divmod(word, 4)
        at = base + 5 * group
        return [(at + k, 7 - j) for j in range(8)] + [(at + 4, 7 - 2 * k), (at + 4, 6 - 2 * k)]
    return bits


def packed10_in_words(base):
    """Eight words in five 16-bit words stored low byte first, the first word in the top bits."""
    def bits(word):
        result = []
        for s in range(10 * word, 10 * word + 10):
            unit, m = divmod(s, 16)
            result.append((base + 2 * unit + 1, 7 - m) if m < 8 else (base + 2 * unit, 15 - m))
        return result
    return bits


def get_word(record, bits, word):
    value = 0
    for byte, bit in bits(word):
        value = value << 1 | (record[byte] >> bit & 1)
    return value


def set_word(record, bits, word, value):
    positions = bits(word)
    for k, (byte, bit) in enumerate(positions):
        if value >> (len(positions) - 1 - k) & 1:
            record[byte] |= 1 << bit
        else:
            record[byte] &= ~(1 << bit) & 0xFF


def from_word(bits, first_word):
    """Words of a record that begins with the frame's word first_word."""
    return lambda word: bits(word - first_word)


# Frame layouts tried in turn: (name, data starts, record bytes, where the frame's words lie).
FRAME_LAYOUTS = [
    ("16-bit frames, high byte first", (0, 22180), 22180, words16(0, True)),
    ("16-bit frames, low byte first", (0, 52, 22180, 44360), 22180, words16(0, False)),
    ("16-bit CHRPT frames, low byte first", (88720,), 44360, words16(0, False)),
    ("Dartcom frames from word 5", (0,), 22016, from_word(words16(0, False), 5)),
    ("Dartcom CHRPT frames from word 5", (0,), 44150, from_word(words16(0, False), 5)),
    ("10-bit frames, first word in the top bits", (0,), 13864, packed10_msb_first(0)),
    ("10-bit frames, first word in the low bits", (1024,), 13864, packed10_lsb_first(0)),
    ("10-bit CHRPT frames, first word in the low bits", (1024,), 27725, packed10_lsb_first(0)),
    ("Timestep 10-bit records", (2048,), 13868, packed10_lsb_first(0)),
    ("L1F lines from word 6", (248,), 13798, from_word(packed10_in_words(68), 6)),
    ("10B lines", (16000,), 13872, packed10_split_low(7)),
    ("AAPP records, telemetry words at byte 1056", (22016,), 22016, words16(1056, True)),
]


@dataclass
class TimeCode:
    day: int
    milliseconds: int

    def total(self):
        return self.day * MILLISECONDS_PER_DAY + self.milliseconds


@dataclass
class Layout:
    name: str
    start: int
    record: int
    count: int                 # whole records
    level1b: str = ""          # "newer" or "older"; "" for frames
    bits: object = None        # HRPT frames: where a word's bits lie
    meteor_codes: tuple = ()   # Meteor frames: where in a record its time code (h, m, s, ms/4) lies
    period: float = 0          # milliseconds between lines

    def offset(self, index):
        return self.start + index * self.record

    def read_time(self, data, index):
        at = self.offset(index)
        if self.level1b == "newer":
            return TimeCode(_be16(data, at + 4), _be32(data, at + 8))
        if self.level1b == "older":
            return TimeCode(_be16(data, at + 2) & 511, _be32(data, at + 4))
        if self.meteor_codes:
            h, m, s, quarter = data[at + self.meteor_codes[0]:at + self.meteor_codes[0] + 4]
            return TimeCode(0, ((h * 60 + m) * 60 + s) * 1000 + 4 * quarter)
        record = data[at:at + self.record]
        w = [get_word(record, self.bits, TIME_CODE_WORD + k) for k in range(4)]
        return TimeCode(w[0] >> 1 & 511, (w[1] & 127) << 20 | w[2] << 10 | w[3])

    def write_time(self, data, index, code):
        at = self.offset(index)
        if self.level1b == "newer":
            data[at + 4:at + 6] = code.day.to_bytes(2, "big")
            data[at + 8:at + 12] = code.milliseconds.to_bytes(4, "big")
            return
        if self.level1b == "older":
            year = _be16(data, at + 2) >> 9
            data[at + 2:at + 4] = (year << 9 | code.day & 511).to_bytes(2, "big")
            data[at + 4:at + 8] = code.milliseconds.to_bytes(4, "big")
            return
        if self.meteor_codes:
            ms = code.milliseconds
            for k in self.meteor_codes:
                data[at + k:at + k + 4] = bytes([ms // 3_600_000 % 24, ms // 60_000 % 60, ms // 1000 % 60, ms % 1000 // 4])
            return
        record = bytearray(data[at:at + self.record])
        w8 = get_word(record, self.bits, TIME_CODE_WORD)
        w9 = get_word(record, self.bits, TIME_CODE_WORD + 1)
        ms = code.milliseconds
        set_word(record, self.bits, TIME_CODE_WORD, (w8 & ~(511 << 1)) | (code.day & 511) << 1)
        set_word(record, self.bits, TIME_CODE_WORD + 1, (w9 & ~127) | (ms >> 20 & 127))
        set_word(record, self.bits, TIME_CODE_WORD + 2, ms >> 10 & 1023)
        set_word(record, self.bits, TIME_CODE_WORD + 3, ms & 1023)
        data[at:at + self.record] = record


def _be16(data, at):
    return int.from_bytes(data[at:at + 2], "big")


def _be32(data, at):
    return int.from_bytes(data[at:at + 4], "big")


def _steady_period(layout, data):
    """The line period when every one of the first records' time codes advances by it, else 0."""
    checked = min(layout.count, CHECKED_RECORDS)
    if checked < 4:
        return 0
    times = [layout.read_time(data, i).total() for i in range(checked)]
    steps = [b - a for a, b in zip(times, times[1:])]
    period = statistics.mean(steps)
    if round(period) not in FRAME_PERIODS or any(abs(s - period) > STEP_TOLERANCE for s in steps):
        return 0
    return period


def _level1b_layout(data):
    """The newer or older Level 1b layout: records numbered 1, 2, 3 after a header record
    (and up to two records of junk, as archives cut out of longer files have)."""
    for start in (0, 512, 122):
        for record in range(512, 32768, 2):
            if len(data) < start + 6 * record:
                break
            for skipped in (1, 2, 3):
                first = start + skipped * record
                if [_be16(data, first + k * record) for k in range(3)] != [1, 2, 3]:
                    continue
                year = _be16(data, first + 2)
                kind = "newer" if 1978 <= year <= 2100 else "older"
                layout = Layout(f"Level 1b, {kind} layout", first, record, (len(data) - first) // record, kind)
                layout.period = _steady_period(layout, data)
                if layout.period:
                    return layout
    return None


# Meteor MSU-MR frames, each record's time code (hour, minute, second,
# milliseconds / 4) at these bytes: converted frames behind a 1,024-byte
# header, and Meteor-M N1 frames in 50 blocks of 256 bytes that each repeat it
# at byte 8 (the first block's frame holds it at 8 of its payload from 22 too).
METEOR_LAYOUTS = [
    ("Meteor MSU-MR frames", (1024, 0), 11850, (8,)),
    ("Meteor N1 frames in 256-byte blocks", (256, 0), 12800, (30, *(8 + 256 * k for k in range(50)))),
]


def find_layout(data):
    """The layout whose time codes read steadily, or None."""
    candidates = [(name, starts, record, {"bits": bits}) for name, starts, record, bits in FRAME_LAYOUTS]
    candidates += [(name, starts, record, {"meteor_codes": codes}) for name, starts, record, codes in METEOR_LAYOUTS]
    for name, starts, record, where in candidates:
        for start in starts:
            if len(data) < start + 4 * record:
                continue
            layout = Layout(name, start, record, (len(data) - start) // record, **where)
            layout.period = _steady_period(layout, data)
            if layout.period:
                return layout
    return _level1b_layout(data)


# ---------------------------------------------------------------------------
# Damage

def shifted(code, milliseconds):
    total = code.milliseconds + milliseconds
    return TimeCode(code.day + total // MILLISECONDS_PER_DAY, total % MILLISECONDS_PER_DAY)


def offset_times(layout, data, first, length, milliseconds):
    """A run of records whose time codes agree with each other, offset together."""
    copy = bytearray(data)
    for index in range(first, first + length):
        layout.write_time(copy, index, shifted(layout.read_time(data, index), round(milliseconds)))
    return copy


def wild_times(layout, data, first, length, time_of_day):
    """A run of records timed at time_of_day, a line period apart."""
    copy = bytearray(data)
    for k, index in enumerate(range(first, first + length)):
        day = layout.read_time(data, index).day
        layout.write_time(copy, index, TimeCode(day, round(time_of_day + k * layout.period) % MILLISECONDS_PER_DAY))
    return copy


def noise_records(layout, data, first, length, seed):
    """Records overwritten with random bytes; newer Level 1b records with their southbound bit clear."""
    copy = bytearray(data)
    rng = random.Random(seed)
    for index in range(first, first + length):
        at = layout.offset(index)
        copy[at:at + layout.record] = rng.randbytes(layout.record)
        if layout.level1b == "newer":
            copy[at + 12] &= 0x7F
    return copy


def flip_direction_bits(layout, data, first, length):
    copy = bytearray(data)
    for index in range(first, first + length):
        copy[layout.offset(index) + 12] ^= 0x80
    return copy


# Level 1b latitudes: (offset in a record, bytes a value, units a degree); a
# longitude follows each latitude.
LATITUDES = {"newer": (640, 4, 10_000), "older": (104, 2, 128)}


def moved_locations(layout, data, first, length, degrees):
    """Level 1b records whose 51 latitudes all lie degrees further north: locations on
    the earth that the records either side contradict."""
    copy = bytearray(data)
    at_record, width, units = LATITUDES[layout.level1b]
    for index in range(first, first + length):
        for k in range(51):
            at = layout.offset(index) + at_record + 2 * width * k
            value = int.from_bytes(copy[at:at + width], "big", signed=True) + round(degrees * units)
            limit = 1 << (8 * width - 1)
            copy[at:at + width] = max(-limit, min(limit - 1, value)).to_bytes(width, "big", signed=True)
    return copy


def cut_records(layout, data, first, length):
    return data[:layout.offset(first)] + data[layout.offset(first + length):]
