"""The recovery matrix's decisions, apart from Wine: which points run, how a technician answers
each box, what a correct end state is, and the table of results. run.py carries them out."""

import re
from dataclasses import dataclass, field

# The programs a kill point can end. OrvexRoll's children run one after the other; a kill point
# names the program and the adapter operation after which it is ended.
PROGRAMS = ("OrvexRoll", "OrvexSet", "OrvexFlash")


@dataclass(frozen=True)
class Point:
    kind: str  # "unplug" or "kill"
    at: int  # the adapter operation: unplugged at it, or killed once it has been counted
    program: str = ""  # kill points: the program ended

    def name(self):
        if self.kind == "unplug":
            return "unplug@%d" % self.at
        return "kill %s@%d" % (self.program, self.at)


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


def versions(state):
    """The firmware of every processor: the main controller's and each board's words."""
    return {k: " ".join(v.split()) for k, v in state.items() if VERSION_KEYS.match(k)}


@dataclass
class EndState:
    state: dict  # the adapter's state file
    parameters: bytes  # the adapter's stored parameter file
    installed_definition: bytes
    recovery_file: bool
    logs: list  # the text of every OrvexRoll.log left on the Windows drive
    leftover_processes: list


@dataclass
class Expected:
    versions: dict
    parameters: bytes
    definition: bytes


def check(end, expected, memory):
    """Every reason the point did not end correct; empty when it did."""
    why = []
    got = versions(end.state)
    for key in sorted(set(got) | set(expected.versions)):
        if got.get(key) != expected.versions.get(key):
            why.append("%s is %s, not %s" % (key, got.get(key, "missing"), expected.versions.get(key, "missing")))
    if end.state.get("present", "1") != "1":
        why.append("the adapter is still off the bus")
    if end.parameters != expected.parameters:
        why.append("the stored parameters differ from MCPARA.prg")
    if end.installed_definition != expected.definition:
        why.append("the installed definition file is not the new one")
    if end.recovery_file:
        why.append("a recovery file is left")
    starts_logged = sum(log.count("自動更新起動(v") for log in end.logs)
    if starts_logged < memory.starts:
        why.append("%d of %d runs left a log" % (starts_logged, memory.starts))
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


def table(results, title):
    """The matrix as text: the counts per kind of point and a line for each failure."""
    lines = ["%s" % title]
    for kind in ("unplug", "kill"):
        rs = [r for r in results if r.point.kind == kind]
        if not rs:
            continue
        failed = [r for r in rs if r.reasons]
        lines.append("%s points: %d, correct: %d, %d of %d failed" % (kind, len(rs), len(rs) - len(failed),
                                                                      len(failed), len(rs)))
        for r in failed:
            lines.append("  FAILED %-22s at %-24s %s" % (r.point.name(), r.where, "; ".join(r.reasons)))
    if results:
        slow = max(results, key=lambda r: r.wall_seconds)
        slow_adapter = max(results, key=lambda r: r.adapter_ms)
        lines.append("slowest recovery: %.1f s wall time (%s); %.1f s on the simulated adapter's clock (%s)" %
                     (slow.wall_seconds, slow.point.name(), slow_adapter.adapter_ms / 1000.0,
                      slow_adapter.point.name()))
    return "\n".join(lines)
