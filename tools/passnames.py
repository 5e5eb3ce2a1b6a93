"""Names and clocks: what tools/damage-sweep --names sweeps.

A pass is dated and identified by its frames, its header, its name and its
file's time; none but the first two may move it. Given a pass, this writes
copies of its bytes under a neutral name ("passa") and under names stations
give it, each with its file time at the pass's end (as a station closes the
file), at 1970-01-01 (a machine without a clock) and at 2099-01-01:

  each layout with the right date  2023-05-03-1200-NOAA18, 20230503_1200_noaa18,
                                   230503_1200_noaa18, NOAA18_20230503_1200
  a year no pass of it can have    1978-05-03-1200-NOAA18, 2099-05-03-1200-NOAA18
  a date that does not exist       2023-13-03-1200-NOAA18, 2023-02-30-1200-NOAA18
  local time                       2023-05-03-1400-NOAA18

and compares each run with the run of the neutral name at its true file
time. Reported: any located line that moves more than 1 km or loses its
location, any change of direction, any change of date or satellite in the
pass log that the run does not tell (a line of its standard error naming
the date or the satellite it took), and
any source of a date told as not used or not read ("... its date is not
used", "... it does not date the pass") whose date the pass took.
"""

import math
import os
import re
import shutil
import struct
from dataclasses import dataclass, field
from datetime import datetime, timedelta, timezone
from pathlib import Path

import passruns
from passruns import Pass

MOVE_KM = 1.0
EARTH_KM = 6371.0
ANCHORS = 51
CENTRE_ANCHOR = 25
CLOCKS = {"the pass's end": None, "1970": datetime(1970, 1, 1, tzinfo=timezone.utc),
          "2099": datetime(2099, 1, 1, tzinfo=timezone.utc)}
QUICK_CLOCKS = ["the pass's end", "1970"]
# What says a source of the date was left alone: the date it quotes must not be the pass's.
REFUSED = re.compile(r"(not used|does not date the pass|is not read|which does not exist|no pass can have)")
# What says that nothing gave the pass a date it can have.
UNDATED = "The pass is dated by the run's clock"
QUOTED_DATE = re.compile(r"\b(\d{4})(?:-(\d{2})-(\d{2}))?\b")


def neutral_name(extension):
    """A name that gives neither date nor satellite; a ".wsd" is read only under a name holding "noaa"."""
    return "passa_noaa" if extension.lower() == ".wsd" else "passa"


@dataclass
class Run:
    status: str
    stderr: list
    pass_log: str
    lcn: list
    folder: Path


@dataclass
class NameCase:
    label: str          # "2023-05-03-1200-NOAA18.hpt, file time 1970"
    name: str
    clock: object       # datetime, or None for the pass's end


@dataclass
class NameSweep:
    the_pass: Pass
    cases: int = 0
    note: str = ""
    findings: list = field(default_factory=list)  # (label, [what moved], first lines of stderr)


def satellite_tokens(satellite):
    """"NOAA-18" as names spell it: "NOAA18" and "noaa18"."""
    compact = satellite.replace("-", "").replace(" ", "")
    return compact.upper(), compact.lower()


def name_cases(start, satellite, extension, clocks):
    """The names of a pass that started at start, each with each clock."""
    upper, lower = satellite_tokens(satellite)
    y, m, d, hm = f"{start:%Y}", f"{start:%m}", f"{start:%d}", f"{start:%H%M}"
    local = f"{start + timedelta(hours=2):%H%M}"
    names = [
        f"{y}-{m}-{d}-{hm}-{upper}", f"{y}{m}{d}_{hm}_{lower}", f"{y[2:]}{m}{d}_{hm}_{lower}", f"{upper}_{y}{m}{d}_{hm}",
        f"1978-{m}-{d}-{hm}-{upper}", f"2099-{m}-{d}-{hm}-{upper}",
        f"{y}-13-{d}-{hm}-{upper}", f"{y}-02-30-{hm}-{upper}",
        f"{y}-{m}-{d}-{local}-{upper}", neutral_name(extension),
    ]
    return [NameCase(f"{name}{extension}, file time {label}", name + extension, CLOCKS[label])
            for name in names for label in clocks]


def read_lcn(path):
    data = path.read_bytes()
    record = ANCHORS * 8
    lines = []
    for at in range(0, len(data) - record + 1, record):
        values = struct.unpack_from(f"<{2 * ANCHORS}f", data, at)
        anchors = list(zip(values[0::2], values[1::2]))
        centre = anchors[CENTRE_ANCHOR]
        lines.append(anchors if centre != (0, 0) else None)
    return lines


def run_named(data, name, modified_ns, template, folder, cpu, timeout):
    """The program on the pass's bytes named name, last modified then."""
    source = folder / "source" / name
    source.parent.mkdir(parents=True)
    source.write_bytes(data)
    os.utime(source, ns=(modified_ns, modified_ns))
    pass_file, env = passruns.prepare_run(Pass(name, source), template, folder / "run")
    source.unlink()
    run = folder / "run"
    out = run / "out"
    status = passruns.run_program(run, pass_file, [f"-OUTPUT:{out}/", "-FC:x.jpg", "-DIAGNOSTICS:", "-CLOSE"], env, cpu,
                                  timeout, "x")
    lcns = sorted(out.rglob("*.lcn")) if out.is_dir() else []
    log = run / "program" / "processed.lst"
    pass_log = log.read_text(errors="replace").strip() if log.exists() else ""
    stderr = (run / "log" / "run-x.stderr").read_text(errors="replace").splitlines()
    (run / "in" / name).unlink(missing_ok=True)
    return Run(status, stderr, pass_log, read_lcn(lcns[0]) if lcns else [], folder)


def distance_km(a, b):
    (lat1, lon1), (lat2, lon2) = a, b
    p1, p2 = math.radians(lat1), math.radians(lat2)
    dp, dl = p2 - p1, math.radians(lon2 - lon1)
    h = math.sin(dp / 2) ** 2 + math.cos(p1) * math.cos(p2) * math.sin(dl / 2) ** 2
    return 2 * EARTH_KM * math.asin(min(1.0, math.sqrt(h)))


def log_fields(line):
    """Name, satellite, date, times, eight corners, direction; [] without a line."""
    return [f.strip() for f in line.split(";")] if line else []


def told(stderr, value):
    return any(value in line for line in stderr)


def moved_lines(reference, run):
    if not reference.lcn:
        return []
    if not run.lcn:
        return ["no location file written"]
    if len(run.lcn) != len(reference.lcn):
        return [f"{len(run.lcn)} located lines where {len(reference.lcn)} were"]
    moves = [(k, max(distance_km(a, b) for a, b in zip(la, lb))) if lb is not None else (k, math.inf)
             for k, (la, lb) in enumerate(zip(reference.lcn, run.lcn)) if la is not None]
    far = [(k, km) for k, km in moves if km > MOVE_KM]
    if not far:
        return []
    worst = max(km for _, km in far)
    return [f"{len(far)} lines moved (line {far[0][0]} first, up to {worst:.1f} km)"]


def refused_but_taken(run, reference_date):
    """Sources told as not used whose date the pass took, where the neutral run's date differs."""
    fields = log_fields(run.pass_log)
    if len(fields) < 4 or fields[2] == reference_date:
        return []
    taken = fields[2]
    found = []
    for line in run.stderr:
        if not REFUSED.search(line):
            continue
        for year, month, day in QUOTED_DATE.findall(line):
            quoted = f"{year}-{month}-{day}" if month else year
            if taken.startswith(quoted):
                found.append(f"dated {taken}, from a source told as not used: {line.strip()[:120]}")
    return found


def compare(reference, run):
    """What differs from the neutral name's run, and is not told."""
    found = []
    a, b = log_fields(reference.pass_log), log_fields(run.pass_log)
    if run.status != reference.status:
        found.append(f"exit status {reference.status} became {run.status}")
    if a and not b:
        return found + ["no pass-log line"]
    if a and b and len(a) == len(b):
        for k, what in ((1, "satellite"), (2, "date")):
            if a[k] != b[k] and not told(run.stderr, b[k][:4] if what == "date" else b[k]):
                found.append(f"{what} {a[k]} became {b[k]}, not told")
        if a[-1] != b[-1]:
            found.append(f"direction {a[-1]} became {b[-1]}")
        found += refused_but_taken(run, a[2])
    # A date or satellite told still puts no line elsewhere, but a pass that nothing
    # dates (frames without a day count, as FengYun-3's) cannot be placed: told so, it is not reported.
    if not any(UNDATED in line for line in run.stderr):
        found += moved_lines(reference, run)
    return found


def choose_reference(neutral, named, cases):
    """The neutral name's run, where the frames name the pass's satellite; else, where the frames' id is
    another satellite's too (NOAA-18's and MetOp-C's, FengYun-3A's), the run under the pass's own name, and
    the neutral name's cases left out: no name, no pass. Returns the reference, the cases and a note."""
    own, taken = log_fields(named.pass_log)[1], log_fields(neutral.pass_log)[1:2]
    if taken in ([own], []):
        return neutral, cases, ""
    kept = [c for c in cases if Path(c.name).stem != Path(neutral_name(Path(c.name).suffix)).stem]
    return named, kept, f"its frames name {taken[0]}, not {own}: compared with the pass under its own name"


def sweep_names(sweep, data, template, work, pool, cpus, clocks, timeout):
    """Runs every name and clock of one pass against the neutral name at its true time; fills sweep."""
    the_pass = sweep.the_pass
    folder = work / re.sub(r"[^\w.-]", "_", the_pass.name)
    extension = "".join(Path(the_pass.name.removesuffix(".gz")).suffixes[-1:])
    true_ns = the_pass.source.stat().st_mtime_ns

    def run(index, name, clock):
        modified = true_ns if clock is None else int(clock.timestamp() * 1e9)
        cpu = cpus.get()
        try:
            return run_named(data, name, modified, template, folder / f"{index:03d}", cpu, timeout)
        finally:
            cpus.put(cpu)

    # The pass as its corpus names and dates it gives its true start and end.
    named = run(0, the_pass.name.removesuffix(".gz"), None)
    fields = log_fields(named.pass_log)
    if len(fields) < 5 or "orbit information" in named.pass_log:
        shutil.rmtree(named.folder, ignore_errors=True)
        sweep.note = "not swept: the pass gives no located pass to compare with"
        return
    start = datetime.strptime(f"{fields[2]} {fields[3][:5]}", "%Y-%m-%d %H:%M").replace(tzinfo=timezone.utc)
    end = datetime.strptime(f"{fields[2]} {fields[3][-5:]}", "%Y-%m-%d %H:%M").replace(tzinfo=timezone.utc)
    true_ns = int((end + timedelta(minutes=1 if end >= start else 1441)).timestamp() * 1e9)
    neutral = run(1, neutral_name(extension) + extension, None)
    reference, cases, sweep.note = choose_reference(neutral, named, name_cases(start, fields[1], extension, clocks))
    shutil.rmtree((neutral if reference is named else named).folder, ignore_errors=True)
    sweep.cases = len(cases)
    futures = {pool.submit(run, k + 2, c.name, c.clock): c for k, c in enumerate(cases)}
    for future, case in futures.items():
        outcome = future.result()
        found = compare(reference, outcome)
        if found:
            sweep.findings.append((case.label, found, outcome.stderr[:3]))
        else:
            shutil.rmtree(outcome.folder, ignore_errors=True)
    shutil.rmtree(reference.folder, ignore_errors=True)


def report(sweep):
    head = sweep.the_pass.name
    if not sweep.cases:
        print(f"{head}: {sweep.note}", flush=True)
        return
    verdict = f"{len(sweep.findings)} of {sweep.cases} names and clocks moved something" if sweep.findings else \
        f"{sweep.cases} names and clocks, nothing moved"
    print(f"{head}: {verdict}" + (f" ({sweep.note})" if sweep.note else ""))
    for label, found, stderr in sweep.findings:
        print(f"  {label}: {'; '.join(found)}")
        for line in stderr:
            print(f"      stderr: {line[:160]}")
    print(flush=True)


def sweep_all(passes, template, work, pool, cpus, quick, timeout):
    """Every pass's names and clocks, each reported as its sweep ends: 0 when nothing moved, 1 when
    something did, 2 when no pass could be swept."""
    clocks = QUICK_CLOCKS if quick else list(CLOCKS)
    sweeps = []
    for the_pass in passes:
        sweep = NameSweep(the_pass)
        try:
            sweep_names(sweep, the_pass.source.read_bytes(), template, work, pool, cpus, clocks, timeout)
        except OSError as error:
            sweep.note = f"not swept: {error}"
        report(sweep)
        sweeps.append(sweep)
    total = sum(len(s.findings) for s in sweeps)
    print(f"{len(sweeps)} passes, {sum(s.cases for s in sweeps)} names and clocks: "
          + (f"{total} moved something" if total else "nothing moved"))
    if not any(s.cases for s in sweeps):
        return 2
    return 1 if total else 0
