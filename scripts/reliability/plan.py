"""The recovery matrix's decisions, apart from Wine: which points run, how a technician answers
each box, what a correct end state is, and the table of results. run.py carries them out."""

import re
from dataclasses import dataclass, field

# The programs a kill point can end. OrvexRoll's children run one after the other; a kill point
# names the program and the adapter operation after which it is ended.
PROGRAMS = ("OrvexRoll", "OrvexSet", "OrvexFlash")


@dataclass(frozen=True)
class Point:
    kind: str  # "unplug", "kill", "file", "question" or "away"
    at: int  # unplug: the operation it leaves at; kill: the operation after which the program is
    #          ended; question: the operation the adapter leaves at, OrvexRoll killed at the retry
    #          question that follows; away: seconds the adapter stays away after the reset
    program: str = ""  # kill points: the program ended
    moment: str = ""  # file points: "backup NAME", "copy NAME" or "copied NAME"

    def name(self):
        if self.kind == "unplug":
            return "unplug@%d" % self.at
        if self.kind == "file":
            return "file %s" % self.moment
        if self.kind == "question":
            return "question@%d" % self.at
        if self.kind == "away":
            return "away@%d" % self.at
        return "kill %s@%d" % (self.program, self.at)


KINDS = ("unplug", "kill", "file", "question", "away")
KIND_TITLES = {
    "unplug": "unplug",
    "kill": "kill",
    "file": "file step (OrvexRoll killed in the driver and library files)",
    "question": "retry question (OrvexRoll killed while it asks)",
    "away": "adapter away after the reset past the wait",
}


def unplug_points(n, every=1):
    """k = 1..n; with `every` > 1 a sample that still holds the first and the last operation."""
    if n < 1:
        return []
    ks = list(range(1, n + 1, every))
    if ks[-1] != n:
        ks.append(n)
    return [Point("unplug", k) for k in ks]


def spans(operations):
    """The first and last operation each program carried out in a clean run, from its list of
    (number, program) pairs in order."""
    out = {}
    for number, program in operations:
        first, _ = out.get(program, (number, number))
        out[program] = (first, number)
    return out


def kill_points(operations, per_program=4):
    """A spread of moments for each program: `per_program` operations evenly spaced inside the
    span it works in. OrvexRoll is ended while each of its children runs as well as in its own
    span (the reset and the wait for the adapter to return), so its moments spread over the whole
    run. A kill after operation 0 is a kill before the adapter did anything."""
    s = spans(operations)
    points = []
    for program in PROGRAMS:
        if program == "OrvexRoll":
            first = 0
            last = max((b for _, b in s.values()), default=0)
        elif program in s:
            first, last = s[program]
        else:
            continue
        count = min(per_program, last - first + 1)
        if count <= 0:
            continue
        picks = sorted({first + round(i * (last - first) / max(count - 1, 1)) for i in range(count)})
        points += [Point("kill", k, program) for k in picks]
    return points


def file_points(names):
    """OrvexRoll killed in its driver and library file step, for each file it replaces: while the
    new file is written, once the backup in Old\\ is whole, and once the new file is in place
    (the moments first, so that a sample of every third holds each kind)."""
    return [Point("file", 0, "OrvexRoll", "%s %s" % (m, n)) for m in ("copy", "backup", "copied") for n in names]


def question_points(operations, count=3):
    """The adapter pulled out at a spread of operations inside the tools' span, OrvexRoll killed
    while its retry question is open: the recovery file must already hold the failure."""
    s = spans(operations)
    tools = [s[p] for p in ("OrvexSet", "OrvexFlash") if p in s]
    if not tools:
        return []
    first, last = min(a for a, _ in tools), max(b for _, b in tools)
    picks = sorted({first + round((i + 1) * (last - first) / (count + 1)) for i in range(count)})
    return [Point("question", k) for k in picks]


def away_points(seconds):
    return [Point("away", s) for s in seconds]


def choose(points, only):
    """The points named in `only` (comma-separated), and the names that match no point."""
    names = [n.strip() for n in only.split(",") if n.strip()]
    known = {p.name() for p in points}
    return [p for p in points if p.name() in names], [n for n in names if n not in known]


def sample(points, every):
    """Every `every`-th point, the first and the last always among them."""
    if not points:
        return []
    picked = points[::every]
    if picked[-1] != points[-1]:
        picked.append(points[-1])
    return picked


# --- the technician ---------------------------------------------------------------------------

@dataclass
class RunMemory:
    """What the technician has done so far in one point, across OrvexRoll's starts."""
    starts: int = 0
    timeouts: int = 0  # starts that hit the time limit and were ended
    retries: int = 0
    repairs: int = 0
    fresh_starts: int = 0  # starts that offered a normal update where the repair was due
    repair_expected: bool = False  # the last run reached the tools and did not succeed
    boxes: list = field(default_factory=list)


def answer(text, memory):
    """The button a technician presses on OrvexRoll's box `text` (UTF-8), and whether the box
    ends the run (the final box). Returns (button, final). The adapter is plugged in again
    before any box is answered (run.py), as a technician would when the program asks."""
    memory.boxes.append(text)
    if "自動更新を開始します" in text:
        memory.fresh_starts += 1 if memory.starts > 1 and memory.repair_expected else 0
        return "ok", False
    if "前回の自動更新は異常終了しています" in text:
        if memory.repairs >= 1:
            return "cancel", False  # one repair run at most
        memory.repairs += 1
        return "yes", False
    if "再試行しますか" in text:
        if memory.retries >= 1:
            return "cancel", False
        memory.retries += 1
        return "retry", False
    if "再試行して下さい" in text:  # the retry steps: power off, on, then OK
        return "ok", False
    if "このまま終了すると" in text:  # declining a retry: really stop
        return "yes", False
    if "が認識できません" in text or "他のアプリケーションが起動しています" in text:
        return "retry", False
    if text.startswith("自動更新は正常終了しました") or text.startswith("自動更新は異常終了しました"):
        return "ok", True
    return "ok", False  # any other message: read and acknowledged


# --- the end state ----------------------------------------------------------------------------

VERSION_KEYS = re.compile(r"^(mc|board\.\d+)$")
# What OrvexRoll's log ends with after a successful run: the window title and "正常終了".
SUCCESS_LINE = "KV-4100CTIアダプター自動更新正常終了"


def parse_state(text):
    """The simulated adapter's state file as key -> value (comments and blanks dropped)."""
    out = {}
    for line in text.splitlines():
        line = line.strip()
        if not line or line.startswith("#") or "=" not in line:
            continue
        key, value = line.split("=", 1)
        out[key.strip()] = value.strip()
    return out


def words(value):
    """A processor line of the state file (kind, then up to four version words) as five numbers."""
    out = [int(w, 0) for w in value.split()][:5]
    return tuple(out + [0] * (5 - len(out)))


def versions(state):
    """The firmware of every processor: the main controller's and each board's words."""
    return {k: words(v) for k, v in state.items() if VERSION_KEYS.match(k)}


def words_text(w):
    return " ".join(["0x%02X" % w[0]] + ["0x%04X" % x for x in w[1:]])


# Where the adapter keeps the version of each kind of image: (kind, sub-kind or None) -> (the
# main controller or the kinds of line board it goes to, version word 0..3 (record offsets 18, 20,
# 22, 24), the high digit that tells boards of one kind apart or None). The adapter's processors,
# written down here apart from the simulator, so that the expected end state never comes from
# the code under test.
PROCESSORS = {
    (0x00, None): ("mc", 1, None), (0x01, None): ("mc", 0, None), (0x02, None): ("mc", 0, None),
    (0x91, None): ("mc", 2, None),
    (0x10, 0x00): ((0x02,), 2, None), (0x10, 0x30): ((0x04,), 2, None), (0x10, 0x31): ((0x04,), 1, None),
    (0x10, 0x20): ((0x03,), 2, None), (0x10, 0x21): ((0x03,), 1, None), (0x10, 0x32): ((0x14,), 2, None),
    (0x10, 0x33): ((0x14,), 1, None), (0x11, None): ((0x02,), 1, None), (0x12, None): ((0x02,), 3, None),
    (0x20, 0x40): ((0x05,), 2, None), (0x20, 0x41): ((0x05,), 1, None),
    (0x30, ord("R")): ((0x00, 0x01), 0, 2), (0x30, ord("S")): ((0x03,), 0, 3),
    (0x30, ord("T")): ((0x00, 0x01), 0, 4), (0x30, ord("U")): ((0x14,), 0, 5),
}


def prg_header(data):
    """(kind, sub-kind, version word) of a program image or parameter save file."""
    if len(data) < 32:
        raise ValueError("shorter than a program header")
    return data[6], data[7], data[16] | data[17] << 8


def expected_versions(start, images):
    """The versions every processor must have after the update: the adapter's starting versions
    with each image's version put where the adapter keeps that kind's. `images` are headers
    (kind, sub-kind, version)."""
    out = {k: list(v) for k, v in versions(start).items()}
    for kind, subkind, version in images:
        row = PROCESSORS.get((kind, None)) or PROCESSORS.get((0x30 if kind & 0xF0 == 0x30 else kind, subkind))
        if row is None:
            raise ValueError("no processor for kind 0x%02X sub-kind 0x%02X" % (kind, subkind))
        where, word, digit = row
        for key, w in out.items():
            if where == "mc" and key == "mc":
                w[1 + word] = version
            elif where != "mc" and key != "mc" and w[0] in where and (digit is None or w[1 + word] >> 12 == digit):
                w[1 + word] = version
    return {k: tuple(v) for k, v in out.items()}


@dataclass
class EndState:
    state: dict  # the adapter's state file
    parameters: bytes  # the adapter's stored parameter file
    installed: dict  # each installed file the update replaces (name -> digest), None when missing
    backups: list  # (run folder index, name) -> digest of every backup, in the order of the runs
    recovery_file: bool
    logs: list  # the text of every OrvexRoll.log left on the Windows drive, the last written last
    leftover_processes: list


@dataclass
class Expected:
    versions: dict
    parameters: bytes  # MCPARA.prg worked out from the package and the adapter's starting image
    installed: dict  # name -> digest of the package's file
    originals: dict  # backup name -> digest of what was installed or stored before the first run
    # backup name -> digest of the package's file: what a run after one cut off in the driver
    # step finds installed and saves (the first run's backup keeps the original)
    later: dict = field(default_factory=dict)


def check(end, expected, memory):
    """Every reason the point did not end correct; empty when it did."""
    why = []
    got = versions(end.state)
    for key in sorted(set(got) | set(expected.versions)):
        if got.get(key) != expected.versions.get(key):
            why.append("%s is %s, not %s" % (key, words_text(got[key]) if key in got else "missing",
                                             words_text(expected.versions[key]) if key in expected.versions
                                             else "missing"))
    if end.state.get("present", "1") != "1":
        why.append("the adapter is still off the bus")
    if end.parameters != expected.parameters:
        why.append("the stored parameters differ from the package's definition filled into the adapter's")
    for name, digest in sorted(expected.installed.items()):
        if end.installed.get(name) != digest:
            why.append("the installed %s is %s" % (name, "missing" if end.installed.get(name) is None
                                                    else "not the package's"))
    first = {}
    for (run, name), digest in end.backups:
        allowed = {expected.originals.get(name)}
        if name in first:
            allowed.add(expected.later.get(name))
        else:
            first[name] = run
        if digest not in allowed:
            why.append("the backup %s of run %d is %s" % (name, run + 1, "not what was there before" if name not in
                                                          first or first[name] == run else "neither the original "
                                                          "nor the package's file"))
    for name in sorted(set(expected.originals) - set(first)):
        why.append("no backup %s" % name)
    if end.recovery_file:
        why.append("a recovery file is left")
    starts_logged = sum(log.count("自動更新起動(v") for log in end.logs)
    if starts_logged < memory.starts:
        why.append("%d of %d runs left a log" % (starts_logged, memory.starts))
    last = [line for line in end.logs[-1].splitlines() if line.strip()] if end.logs else []
    if not last or not last[-1].rstrip().endswith(SUCCESS_LINE):
        why.append("the last run's log does not end in " + SUCCESS_LINE)
    if memory.timeouts:
        why.append("%d run(s) hit the time limit" % memory.timeouts)
    if memory.fresh_starts:
        why.append("the next start offered no repair")
    if memory.retries > 1 or memory.repairs > 1:
        why.append("more than one retry or repair")
    if end.leftover_processes:
        why.append("still running: " + ", ".join(end.leftover_processes))
    return why


# --- the table --------------------------------------------------------------------------------

@dataclass
class Result:
    point: Point
    where: str  # what the adapter was doing at the interruption (the state's `unplugged`, or the kind)
    reasons: list
    starts: int
    retries: int
    repairs: int
    wall_seconds: float  # from the interruption to the end of the last run
    adapter_ms: int  # the same time on the simulated adapter's clock (wall time * 100 / time_scale)


def table(results, title, missing=(), problems=()):
    """The matrix as text: the counts per kind of point, a line for each failure, the points that
    did not run and what kept them from running."""
    lines = ["%s" % title]
    for kind in KINDS:
        rs = [r for r in results if r.point.kind == kind]
        if not rs:
            continue
        failed = [r for r in rs if r.reasons]
        lines.append("%s points: %d, correct: %d, %d of %d failed" % (KIND_TITLES[kind], len(rs),
                                                                      len(rs) - len(failed), len(failed), len(rs)))
        for r in failed:
            lines.append("  FAILED %-22s at %-24s %s" % (r.point.name(), r.where, "; ".join(r.reasons)))
    if results:
        slow = max(results, key=lambda r: r.wall_seconds)
        slow_adapter = max(results, key=lambda r: r.adapter_ms)
        lines.append("slowest recovery: %.1f s wall time (%s); %.1f s on the simulated adapter's clock (%s)" %
                     (slow.wall_seconds, slow.point.name(), slow_adapter.adapter_ms / 1000.0,
                      slow_adapter.point.name()))
    lines += ["NOT RUN: " + p for p in problems]
    if missing:
        lines.append("MISSING: %d point(s) without a result: %s" % (len(missing), ", ".join(missing)))
    failed = sum(1 for r in results if r.reasons)
    lines.append("verdict: %s" % ("%d of %d failed" % (failed, len(results)) + (", %d missing" % len(missing)
                                                                                if missing else "")
                                  if failed or missing or problems or not results else
                                  "all %d points correct" % len(results)))
    return "\n".join(lines)


def verdict_ok(results, missing, problems):
    return bool(results) and not missing and not problems and not any(r.reasons for r in results)


def merge_plan(shards):
    """The results of shards run side by side: `shards` maps shard number (1..n) to its saved
    data (None when it wrote none) and exit status. Returns (results, missing point names,
    problems). A shard's points are the whole plan's i-th from the i-th; a shard that wrote no
    plan is missing with the points another shard's plan gives it."""
    n = len(shards)
    whole = next((d["plan"] for d, _ in shards.values() if d and d.get("plan")), None)
    results, missing, problems = [], [], []
    for i in sorted(shards):
        data, status = shards[i]
        mine = data["mine"] if data and data.get("mine") is not None else whole[i - 1::n] if whole else []
        done = {r.point.name() for r in data["results"]} if data else set()
        if data:
            results += data["results"]
        lost = [name for name in mine if name not in done]
        missing += lost
        if status not in (0, 1) or data is None or not data.get("complete") or lost:
            problems.append("shard %d of %d ended with exit %s%s" % (
                i, n, status, "" if data else ", no results" + ("" if whole else " and no plan from any shard")))
    return results, missing, problems
