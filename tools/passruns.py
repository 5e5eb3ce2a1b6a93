"""What the tools that run the program on passes share: the corpus of passes
that build/app/make_pass_corpus writes, a program folder of a build holding
the corpus's element sets, and runs of it each isolated in a folder of its
own (settings, data folder, runtime folder, HOME and input folder).
"""

import hashlib
import os
import queue
import re
import shutil
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
SAMPLE = REPO / "data" / "sample" / "230503_1200_noaa18.wsd.gz"
TIROS_N = "l1b/NSS.GHRR.TN.D80003.S1147.E1332.B0630506.GC"
SAMPLE_SCENE_LINES = 1200

# Files of a build folder that are not the program's: build files, and what
# runs of it have written beside it.
NOT_SHIPPED = re.compile(
    r"^(CMakeFiles|.*_autogen|cmake_install\.cmake|CTestTestfile\.cmake|Makefile|.*\.ninja|lib.*\.a|"
    r"make_.*|ProgramResourceImage\.cpp|processed\.lst|mru_list\.ini|.*\.ini|HHDebug\.txt|hrpt\.kml|"
    r"kestrune\.DEU|Keps|.*\.tmp|.*\.lock)$")


@dataclass
class Pass:
    name: str
    source: Path
    note: str = ""
    in_place: bool = False  # read where it is, not linked into the run's folder


def fail(tool, message):
    print(f"{tool}: {message}", file=sys.stderr)
    sys.exit(2)


# ---------------------------------------------------------------------------
# The corpus

def build_targets(*targets):
    subprocess.run([str(REPO / "scripts" / "build"), *targets], check=True, stdout=subprocess.DEVNULL)


def find_testdata():
    for folder in [REPO, *REPO.parents]:
        candidate = folder / "shared" / "testdata"
        if candidate.is_dir():
            return candidate
    return None


def corpus_stamp(lines, extra=""):
    """What the corpus is made from: the writers' sources, the length of a pass and how it was asked for."""
    digest = hashlib.sha256(f"lines {lines}{extra}\n".encode())
    for source in sorted((REPO / "tests" / "support").rglob("*")):
        if source.suffix in (".cpp", ".h"):
            digest.update(source.relative_to(REPO).as_posix().encode() + b"\0" + source.read_bytes())
    return digest.hexdigest() + "\n"


def add_sample_scenes(partial, land_mask):
    """Two passes of the sample's scene (land, sea and clouds where the orbit puts them)."""
    tools = REPO / "build" / "app"
    with open(partial / "corpus.lst", "a") as listing:
        for name, satellite in (("2023-05-03-1200-NOAA18.hpt", "NOAA-18"), ("2023-05-03-1200-NOAA15.raw16", "NOAA-15")):
            elements = partial / f"{satellite}.sample.txt"
            subprocess.run([str(tools / "make_sample_pass"), str(partial / name), str(land_mask),
                            str(SAMPLE_SCENE_LINES), str(elements)], check=True)
            with open(partial / "Keps" / f"{satellite}.txt", "a") as keps:
                keps.write(elements.read_text())
            elements.unlink()
            listing.write(f"{name}\tthe sample's scene\n")


def make_corpus(corpus, lines, land_mask, stamp, tool, sample_scenes=True, maker=None):
    """Writes the corpus anew; without sample_scenes only make_pass_corpus's passes, by maker
    when given (else built here first)."""
    tools = REPO / "build" / "app"
    if maker is None:
        build_targets("make_pass_corpus", *(["make_sample_pass"] if sample_scenes else []))
        maker = tools / "make_pass_corpus"
    if sample_scenes and not land_mask.exists():
        fail(tool, f"no land mask {land_mask} beside the first build's program, for the sample's scene")
    partial = corpus.with_name(corpus.name + ".partial")
    shutil.rmtree(partial, ignore_errors=True)
    print(f"Writing the corpus into {corpus} ...", file=sys.stderr)
    subprocess.run([str(maker), str(partial), str(lines)], check=True)
    if sample_scenes:
        add_sample_scenes(partial, land_mask)
    (partial / "stamp").write_text(stamp)
    shutil.rmtree(corpus, ignore_errors=True)
    partial.rename(corpus)


def ensure_corpus(corpus, lines, land_mask, fresh, tool, sample_scenes=True, maker=None):
    """The corpus, written again when asked or when what it is made from changed."""
    stamp = corpus_stamp(lines, "" if sample_scenes else " without the sample's scenes")
    kept_stamp = (corpus / "stamp").read_text() if (corpus / "stamp").exists() else ""
    if fresh or kept_stamp != stamp:
        if kept_stamp:
            print("The writers or the length of a pass changed since the corpus was written.", file=sys.stderr)
        make_corpus(corpus, lines, land_mask, stamp, tool, sample_scenes, maker)


def listed_passes(corpus):
    passes = []
    for line in (corpus / "corpus.lst").read_text().splitlines():
        name, _, note = line.partition("\t")
        passes.append(Pass(name, corpus / name, note))
    return passes


# ---------------------------------------------------------------------------
# Program folders and runs

def file_states(folder):
    return {str(p): (p.stat().st_size, p.stat().st_mtime_ns) for p in Path(folder).rglob("*") if p.is_file()}


def program_template(executable, work, label, keps):
    """A copy of the build's program folder, with the element sets of keps."""
    source = Path(executable).resolve().parent
    template = work / f"program-{label}"
    template.mkdir()
    for entry in source.iterdir():
        if NOT_SHIPPED.match(entry.name):
            continue
        if entry.is_dir():
            shutil.copytree(entry, template / entry.name, symlinks=True)
        else:
            shutil.copy2(entry, template / entry.name)
    if Path(executable).name != "kestrune":
        shutil.move(template / Path(executable).name, template / "kestrune")
    shutil.copytree(keps, template / "Keps")
    return template


def link_tree(source, target):
    shutil.copytree(source, target, copy_function=os.link, symlinks=True)


def place_input(the_pass, folder):
    if the_pass.in_place:
        return str(the_pass.source)
    folder.mkdir(parents=True)
    target = folder / the_pass.name
    try:
        os.link(the_pass.source, target)
    except OSError:
        shutil.copy2(the_pass.source, target)
    return str(target)


def run_environment(run):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    for variable, sub in (("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"), ("XDG_RUNTIME_DIR", "runtime"),
                          ("HOME", "home")):
        (run / sub).mkdir(mode=0o700)
        env[variable] = str(run / sub)
    env["TZ"] = "UTC"
    return env


def prepare_run(the_pass, template, run):
    """A fresh run folder holding the program and the pass: the pass's path and the run's environment."""
    run.mkdir(parents=True)
    link_tree(template, run / "program")
    pass_file = place_input(the_pass, run / "in")
    env = run_environment(run)
    (run / "log").mkdir()
    return pass_file, env


def run_program(run, pass_file, items, env, cpu, timeout, label):
    """One run of the program in its run folder, bound to cpu (None: every
    processor); its exit status, standard output and error go to log/."""
    bind = ["taskset", "-c", str(cpu)] if cpu is not None else []
    command = [*bind, str(run / "program" / "kestrune"), pass_file, *items]
    try:
        done = subprocess.run(command, env=env, cwd=run / "home", stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=timeout)
        status, stdout, stderr = str(done.returncode), done.stdout, done.stderr
    except subprocess.TimeoutExpired as expired:
        status, stdout, stderr = f"timed out after {timeout} s", expired.stdout or b"", expired.stderr or b""
    (run / "log" / f"run-{label}.status").write_text(status + "\n")
    (run / "log" / f"run-{label}.stdout").write_bytes(stdout)
    (run / "log" / f"run-{label}.stderr").write_bytes(stderr)
    return status


def processor_queue(jobs):
    """The processors allowed, one for each of jobs runs at once (so that they do not queue on one)."""
    allowed = sorted(os.sched_getaffinity(0))
    jobs = jobs or len(allowed)
    cpus = queue.Queue()
    for k in range(jobs):
        cpus.put(allowed[k % len(allowed)])
    return jobs, cpus
