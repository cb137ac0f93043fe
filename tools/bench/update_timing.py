#!/usr/bin/env python3
"""The automatic update's wall time against its floor, from one run's logs.

    update_timing.py ROLL_LOG SIM_FOLDER [--start EPOCH] [--json]

ROLL_LOG is OrvexRoll.log of the run (code page 932), SIM_FOLDER the simulated adapter's folder
(OrvexSim.txt with `adapter_ms`, OrvexSim.log with every operation and its time). --start is the
moment the start question was answered (seconds since 1970, from the UI driver's side); without
it the update starts at the first log entry after the question.

The floor is what the update cannot do without: the adapter's own time (every operation at its
configured time, counted by the simulated adapter) plus the part of the programs' fixed waits that
does not run while the adapter works. The rest of the wall time is broken down by where it goes.
"""
import json
import re
import sys
import time
from datetime import datetime

ROLL_STAMP = re.compile(r"^(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3}) +(\d+)  (.*)$")
SIM_LINE = re.compile(r"^(\d\d:\d\d:\d\d\.\d{3}) \[(\d+)\] (.*)$")
OPERATION = re.compile(r"^operation \d+: ([a-z ]+?)(?:,| packet,).* (\d+) ms$")
LOADED = re.compile(r"^library loaded at (\d\d:\d\d:\d\d\.\d{3})$")

TOOLS = (("OrvexSet", "パラメータ設定ツール"), ("OrvexFlash", "バージョン更新ツール"))


def read_text(path):
    with open(path, "rb") as f:
        return f.read().decode("cp932", "replace")


def epoch(stamp):
    return time.mktime(datetime.strptime(stamp, "%Y/%m/%d %H:%M:%S.%f").timetuple()) + int(stamp[-3:]) / 1000.0


def read_roll_log(path):
    entries = []
    for line in read_text(path).split("\r\n"):
        m = ROLL_STAMP.match(line)
        if m:
            entries.append((epoch(m.group(1)), int(m.group(2)), m.group(3)))
    return entries


def read_config(path):
    config = {"time_scale": 100, "attach_delay_ms": 400, "notify_interval_ms": 30, "progress_steps": 4,
              "progress_interval_ms": 80, "restart_ms": 1500, "reset_away_ms": 3000, "channels": 5,
              "adapter_ms": 0}
    for line in read_text(path).splitlines():
        key, _, value = line.partition("=")
        key, value = key.strip(), value.strip()
        if key in config:
            try:
                config[key] = int(value, 0)
            except ValueError:
                pass
    return config


def read_sim_log(path, day):
    """(time, pid, text) of every line, on the day of the update's log (a run past midnight moves on)."""
    lines = []
    last = 0.0
    try:
        text = read_text(path)
    except OSError:  # the adapter's log is off: no breakdown by program
        return lines
    for line in text.splitlines():
        m = SIM_LINE.match(line)
        if not m:
            continue
        t = epoch(day + " " + m.group(1))
        while t < last - 43200:
            t += 86400
        last = t
        lines.append((t, int(m.group(2)), m.group(3)))
    return lines


def analyse(roll_log, sim_folder, start=None):
    entries = read_roll_log(roll_log)
    config = read_config(sim_folder + "/OrvexSim.txt")
    scaled = lambda ms: ms * config["time_scale"] // 100

    def first(text, after=0):
        for i in range(after, len(entries)):
            if entries[i][2].startswith(text):
                return i
        return None

    asked = first("接続デバイス・バージョン")
    end = None
    for i in range(len(entries) - 1, -1, -1):
        if entries[i][2].endswith("正常終了") or entries[i][2].endswith("異常終了"):
            end = i
            break
    if asked is None or end is None or asked + 1 > end:
        return None
    t_start = start if start is not None else entries[asked + 1][0]
    t_end = entries[end][0]
    wall = t_end - t_start
    day = datetime.fromtimestamp(t_start).strftime("%Y/%m/%d")
    sim = [s for s in read_sim_log(sim_folder + "/OrvexSim.log", day) if t_start - 1 <= s[0] <= t_end + 1]

    # The adapter's operations with their configured time, by process.
    operations = []
    for t, pid, text in sim:
        m = OPERATION.match(text)
        if m:
            operations.append((t, pid, m.group(1), int(m.group(2))))
    adapter = config["adapter_ms"] / 1000.0
    adapter_logged = sum(o[3] for o in operations) / 1000.0

    # OrvexRoll's fixed waits around the reset: 200 ms after the packet, 100 ms after closing the
    # adapter, 1000 ms for each look that still finds it and 2000 ms once it is gone, 1500 ms for
    # each look that misses it on its way back, 100 ms once it is back. The adapter is away for its
    # reset time from the packet on, inside these waits.
    waits = []  # (who, what, total s, beyond the adapter s)
    reset = first("ハードウェア・リセット発行")
    gone, back = first("デバイス再起動待機"), first("デバイス再起動確認")
    stretch = None
    if reset is not None and gone is not None and back is not None:
        packet = entries[reset][0] - 0.2
        leaving = max(0, round((entries[gone][0] - entries[reset][0] - 0.1 - 2.0) / 1.0))
        returning = max(0, round((entries[back][0] - entries[gone][0] - 0.1) / 1.5))
        mandated = 0.2 + 0.1 + 2.0 + 1.0 * leaving + 1.5 * returning + 0.1
        away = max(scaled(config["reset_away_ms"]), 100) / 1000.0
        waits.append(("OrvexRoll", "the reset and the adapter's restart", mandated, max(0.0, mandated - away)))
        stretch = (packet, entries[back][0], mandated)
    else:
        waits.append(("OrvexRoll", "after closing the adapter", 0.1, 0.1))

    # OrvexFlash: 300 ms after handing each image over, while the adapter writes it; 800 ms after
    # each successful end, while the adapter restarts and attaches again.
    write_s = (10 * config["progress_steps"] + 1) * scaled(config["progress_interval_ms"]) / 1000.0
    restart_s = (scaled(300) + max(scaled(config["restart_ms"]), 100) + scaled(config["attach_delay_ms"])
                 + config["channels"] * scaled(config["notify_interval_ms"])) / 1000.0
    started = sum(1 for e in entries[asked:end] if e[2].startswith("更新開始"))
    succeeded = sum(1 for e in entries[asked:end] if e[2] == "更新成功")
    if started:
        waits.append(("OrvexFlash", "after handing an image over (%d)" % started, 0.3 * started,
                      max(0.0, 0.3 - write_s) * started))
    if succeeded:
        waits.append(("OrvexFlash", "after a successful end (%d)" % succeeded, 0.8 * succeeded,
                      max(0.0, 0.8 - restart_s) * succeeded))
    # OrvexSet: 500 ms after each complete parameter read; the adapter has nothing to do meanwhile.
    reads = sum(1 for t, p, text in sim if text.startswith("channel ") and "parameter read of" in text)
    if reads:
        waits.append(("OrvexSet", "after a parameter read (%d)" % reads, 0.5 * reads, 0.5 * reads))
    mandated_all = sum(w[2] for w in waits)
    mandated_beyond = sum(w[3] for w in waits)
    floor = adapter + mandated_beyond

    # Where the rest goes.
    rest = {"starts": 0.0, "startup": 0.0, "ends": 0.0, "files": 0.0, "beyond": 0.0, "late": 0.0}
    pieces = {}  # where the file work goes
    tools = {}
    marks = [t_start]
    if stretch:
        rest["files"] += stretch[0] - t_start
        pieces["OrvexRoll: driver and library files"] = stretch[0] - t_start
        rest["beyond"] += (stretch[1] - stretch[0]) - stretch[2]
        marks = [stretch[1]]
    for name, label in TOOLS:
        s, e = first(label + "起動", asked), first(label + "終了", asked)
        if s is None or e is None:
            continue
        rest["files"] += entries[s][0] - marks[-1]
        pieces["OrvexRoll: before starting " + name] = entries[s][0] - marks[-1]
        t0, t1 = entries[s][0], entries[e][0]
        pids = [p for t, p, text in sim if t0 <= t <= t1 and LOADED.match(text)]
        if not pids or not any(" opened" in x[2] for x in sim if x[1] == pids[0]):
            marks.append(t1)
            continue
        pid = pids[0]
        own = [x for x in sim if x[1] == pid]
        loaded = LOADED.match(next(x[2] for x in own if LOADED.match(x[2]))).group(1)
        t_loaded = epoch(day + " " + loaded)
        t_opened = next(x[0] for x in own if " opened" in x[2])
        ops = [o for o in operations if o[1] == pid]
        t_last_op = ops[-1][0] if ops else t_opened
        reports = [x for x in entries[s:e] if x[1] != 0]
        t_report = reports[-1][0] if reports else t1
        rest["starts"] += t_loaded - t0
        rest["startup"] += t_opened - t_loaded
        rest["ends"] += t1 - t_report
        after_device = t_report - t_last_op
        device = t_last_op - t_opened
        own_adapter = sum(o[3] for o in ops) / 1000.0
        own_beyond = sum(w[3] for w in waits if w[0] == name)
        if name == "OrvexSet":  # after the read: its fixed wait, then the definition and the saves
            rest["files"] += after_device - own_beyond
            pieces["OrvexSet: definition, backups and saves"] = after_device - own_beyond
            rest["beyond"] += device - own_adapter
        else:
            rest["beyond"] += device + after_device - own_adapter - own_beyond
        # Records the simulated adapter delivered later than configured (its timer on a busy machine).
        for a, b in zip(ops, ops[1:]):
            if b[2] in ("channel started", "progress", "write end") and a[2] in ("attach", "channel started", "progress"):
                rest["late"] += max(0.0, (b[0] - a[0]) - b[3] / 1000.0)
        tools[name] = {"start_under_wine": t_loaded - t0, "startup_to_first_device_call": t_opened - t_loaded,
                       "device_work": device, "adapter": own_adapter, "after_device": after_device,
                       "end": t1 - t_report}
        marks.append(t1)
    rest["files"] += t_end - marks[-1]
    pieces["OrvexRoll: the outcome"] = t_end - marks[-1]
    rest["other"] = wall - floor - sum(v for k, v in rest.items() if k != "late")
    return {"start": t_start, "wall": wall, "adapter": adapter, "adapter_logged": adapter_logged, "mandated": mandated_all,
            "mandated_beyond": mandated_beyond, "floor": floor, "ratio": wall / floor if floor else 0.0,
            "waits": waits, "rest": rest, "files": pieces, "tools": tools, "logged": bool(sim)}


def table(r):
    rows = [
        ("wall time of the update (start question answered to the closing entry)", "%.2f s" % r["wall"]),
        ("the adapter's own time (`orvex sim show`: adapter_ms)", "%.2f s" % r["adapter"]),
        ("fixed waits of the programs, all / beyond the adapter's time", "%.2f s / %.2f s" % (r["mandated"], r["mandated_beyond"])),
        ("floor: the adapter's time + fixed waits beyond it", "%.2f s" % r["floor"]),
        ("**ratio of the wall time to the floor** (goal: at most 1.10)", "**%.3f**" % r["ratio"]),
        ("ratio without the simulated adapter's lateness (the programs' own share)",
         "%.3f" % ((r["wall"] - r["rest"]["late"]) / r["floor"] if r["floor"] else 0.0)),
        ("rest: the tools' starts under Wine (process start to the library loaded)", "%.2f s" % r["rest"]["starts"]),
        ("rest: the tools' start-up to their first device call", "%.2f s" % r["rest"]["startup"]),
        ("rest: the tools' ends (last report to process end)", "%.2f s" % r["rest"]["ends"]),
        ("rest: file work (OrvexRoll's driver, hand-off and outcome files; OrvexSet's definition and saves)", "%.2f s" % r["rest"]["files"]),
        ("rest: waits beyond the fixed ones and the adapter's time", "%.2f s" % r["rest"]["beyond"]),
        ("  of which the simulated adapter's records later than configured", "%.2f s" % r["rest"]["late"]),
        ("rest: not attributed", "%.2f s" % r["rest"]["other"]),
    ]
    width = max(len(a) for a, _ in rows)
    out = ["| %s | %s |" % ("update".ljust(width), "time"), "|%s|---|" % ("-" * (width + 2))]
    out += ["| %s | %s |" % (a.ljust(width), b) for a, b in rows]
    if not r["logged"]:
        out.append("(the adapter's log is off: the rest is not broken down by program)")
    elif abs(r["adapter_logged"] - r["adapter"]) > 0.001:
        out.append("(the adapter's log adds up to %.2f s: it did more than this update)" % r["adapter_logged"])
    return "\n".join(out)


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    start = None
    if "--start" in argv:
        start = float(argv[argv.index("--start") + 1])
        args.remove(argv[argv.index("--start") + 1])
    if len(args) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 1
    result = analyse(args[0], args[1], start)
    if result is None:
        print("no update in the log")
        return 0
    print(json.dumps(result) if "--json" in argv else table(result))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
