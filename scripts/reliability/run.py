#!/usr/bin/env python3
"""The recovery matrix under Wine: for each point a fresh package and adapter at the old versions,
OrvexRoll run with the adapter pulled out at one operation or one program killed at one moment,
the adapter plugged in again when OrvexRoll asks, every box answered as a technician would (one
retry, one repair run at the next start), and the end state checked. Recovery is left to the
suite: nothing here touches the adapter's firmware or parameters or the installed files.

Started by scripts/reliability.sh, which builds, prepares the Wine prefix and a display and
exports ORVEX_ROOT, ORVEX_BUILD_ROOT, WINEPREFIX and DISPLAY."""

import argparse
import dataclasses
import json
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import plan  # noqa: E402

ROOT = os.environ["ORVEX_ROOT"]
BUILD = os.environ["ORVEX_BUILD_ROOT"]
# The programs of the form under test: windows32 (the shipped i686 ones) or windows (x86-64).
FORM = os.environ.get("ORVEX_FORM", "windows")
WIN = os.path.join(BUILD, FORM)
PREFIX = os.environ["WINEPREFIX"]
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
UI = os.path.join(WIN, "tools", "uidriver", "orvexui.exe")
ORVEX = os.path.join(WIN, "tools", "orvex.exe")
CAPTION = "KV-4100CTIアダプター自動更新 <Win98>"
RUN_LIMIT = 420  # seconds one OrvexRoll start may take before the point is given up
TIME_SCALE = 20  # the adapter's delays in percent of real time


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def wine(*args, timeout=60):
    p = subprocess.run([WINE_RUN, *args], capture_output=True, timeout=timeout)
    return p.returncode, p.stdout.decode("utf-8", "replace")


def ui(*args, timeout=60):
    return wine(UI, *args, "--utf8", timeout=timeout)


def bash(script, timeout=300):
    """A snippet with wine-env.sh and roll-package.sh sourced."""
    full = 'set -e; source "%s/scripts/wine-env.sh"; source "%s/scripts/roll-package.sh"; %s' % (ROOT, ROOT, script)
    subprocess.run(["bash", "-c", full], check=True, timeout=timeout, stdout=subprocess.DEVNULL,
                   env=dict(os.environ, ROLL_STANDIN_TOOLS=""))


class Work:
    """One point's folders: a copy of the template's package, adapter, installed tools and
    documents folder at a fixed place, so that the registered install folder stays valid."""

    def __init__(self, base):
        self.base = base
        self.template = os.path.join(base, "template")
        self.dir = os.path.join(base, "work")
        self.adapter = os.path.join(self.dir, "adapter")
        self.state_path = os.path.join(self.adapter, "OrvexSim.txt")
        self.package = os.path.join(self.dir, "package")
        self.documents = os.path.join(self.dir, "documents")
        self.installed = os.path.join(self.dir, "installed")
        self.runs = os.path.join(PREFIX, "drive_c", "OrvexRoll")
        self.sim_env = winpath(self.adapter)
        self.registered = False

    def make_template(self, wait_seconds):
        shutil.rmtree(self.template, ignore_errors=True)
        t = self.template
        bash('roll_make_package "%s/package"; roll_make_adapter "%s/adapter" "%s/package/Para/Cti_par.txt"; '
             'mkdir -p "%s/documents" "%s/installed/Bin"' % (t, t, t, t, t))
        # The installed tool with its older definition file, which the update replaces.
        shutil.copy(os.path.join(t, "package", "Bin", "OrvexSet.exe"), os.path.join(t, "installed", "Bin"))
        new_def = open(os.path.join(t, "package", "Para", "Cti_par.txt"), "rb").read()
        with open(os.path.join(t, "installed", "Bin", "Cti_par.txt"), "wb") as f:
            f.write("; 旧版\r\n".encode("cp932") + new_def)
        # A shorter wait for the adapter than the package's 30 s: the adapter runs at
        # TIME_SCALE, and a tool whose adapter was pulled out gives up sooner.
        ini = os.path.join(t, "package", "OrvexRoll.ini")
        text = open(ini, "rb").read().decode("cp932")
        text = "\r\n".join("DeviceWaitTime=%d" % wait_seconds if line.startswith("DeviceWaitTime=") else line
                           for line in text.split("\r\n"))
        open(ini, "wb").write(text.encode("cp932"))
        self.set_state(os.path.join(t, "adapter", "OrvexSim.txt"),
                       {"time_scale": str(TIME_SCALE), "log": "0", "progress_steps": "1"})

    @staticmethod
    def set_state(path, values):
        """Changes keys of a state file no process is using."""
        lines = open(path, "rb").read().decode("cp932").splitlines()
        seen = set()
        for i, line in enumerate(lines):
            key = line.split("=", 1)[0].strip()
            if "=" in line and not line.lstrip().startswith("#") and key in values:
                lines[i] = "%s = %s" % (key, values[key])
                seen.add(key)
        lines += ["%s = %s" % (k, v) for k, v in values.items() if k not in seen]
        open(path, "wb").write(("\n".join(lines) + "\n").encode("cp932"))

    def prepare(self, unplug_at=0):
        shutil.rmtree(self.dir, ignore_errors=True)
        shutil.copytree(self.template, self.dir)
        shutil.rmtree(self.runs, ignore_errors=True)
        self.set_state(self.state_path, {"unplug_at": str(unplug_at), "operations": "0"})
        if not self.registered:
            # The install folder's registry entry once; the files every time.
            bash('roll_install_driver "%s"' % self.installed)
            self.registered = True
        system32 = os.path.join(PREFIX, "drive_c", "windows", "system32")
        shutil.copy(os.path.join(WIN, "simulator", "standin", "installed", "Orvex.sys"),
                    os.path.join(system32, "drivers", "Orvex.sys"))
        shutil.copy(os.path.join(WIN, "simulator", "Orvex.dll"), os.path.join(system32, "Orvex.dll"))
        if FORM == "windows32":  # where the 32-bit tools load it (see roll_install_driver)
            shutil.copy(os.path.join(WIN, "simulator", "Orvex.dll"),
                        os.path.join(PREFIX, "drive_c", "windows", "syswow64", "Orvex.dll"))
        for gone in (os.path.join(system32, "drivers", "Orvex2.sys"),
                     os.path.join(PREFIX, "drive_c", "windows", "inf", "Orvex.inf"),
                     os.path.join(PREFIX, "drive_c", "windows", "inf", "Orvex2.inf")):
            if os.path.exists(gone):
                os.remove(gone)

    def state(self):
        for _ in range(20):
            try:
                return plan.parse_state(open(self.state_path, "rb").read().decode("cp932", "replace"))
            except OSError:
                time.sleep(0.05)
        return {}

    def operations(self):
        try:
            return int(self.state().get("operations", "0"), 0)
        except ValueError:
            return 0

    def plug_in(self):
        p = subprocess.run([WINE_RUN, ORVEX, "sim", "set", "present=1", "unplugged="], capture_output=True,
                           timeout=60, env=dict(os.environ, ORVEX_SIM=self.sim_env))
        return p.returncode == 0

    def end_state(self):
        state = self.state()
        params = os.path.join(self.adapter, state.get("parameter_file", "Parameters.prg"))
        logs = []
        if os.path.isdir(self.runs):
            for run in sorted(os.listdir(self.runs)):
                log = os.path.join(self.runs, run, "OrvexRoll.log")
                if os.path.isfile(log):
                    logs.append(open(log, "rb").read().decode("cp932", "replace"))
        return plan.EndState(
            state=state,
            parameters=open(params, "rb").read() if os.path.isfile(params) else b"",
            installed_definition=open(os.path.join(self.installed, "Bin", "Cti_par.txt"), "rb").read(),
            recovery_file=os.path.isfile(os.path.join(self.documents, "Orvex", "OrvexRoll.recovery")),
            logs=logs,
            leftover_processes=[name for name, _ in self.processes()])

    def processes(self):
        """The suite's programs of this work folder that are running: (name, host pid)."""
        out = subprocess.run(["ps", "-u", str(os.getuid()), "-o", "pid=,args="], capture_output=True).stdout
        found = []
        needle = winpath(self.package).lower()
        for line in out.decode("utf-8", "replace").splitlines():
            pid, _, args = line.strip().partition(" ")
            low = args.lower()
            if needle not in low:
                continue
            for name in plan.PROGRAMS:
                if (name.lower() + ".exe") in low.split(" /")[0]:
                    found.append((name, int(pid)))
        return found


class Roll:
    """One start of OrvexRoll and the technician in front of it."""

    def __init__(self, work, memory):
        self.work = work
        self.memory = memory
        self.pid = None

    def start(self):
        self.memory.starts += 1
        rc, out = ui("start", "--env", "ORVEX_SIM=" + self.work.sim_env, "--cwd", winpath(self.work.package), "--",
                     winpath(os.path.join(self.work.package, "OrvexRoll.exe")), winpath(self.work.package),
                     winpath(self.work.documents))
        self.pid = out.strip().split()[-1] if rc == 0 and out.strip() else None
        return self.pid is not None

    def peek(self, seconds):
        """The text of a box OrvexRoll shows, None when none came, False when it has ended."""
        rc, out = ui("answer", "--pid", self.pid, "--timeout", str(seconds), "--expect-text", "\u0001",
                     "--button", "ok", timeout=seconds + 60)
        if rc == 4:
            # '"caption" icon "text"' on the first line; orvexui's own complaint follows
            line = out.split("\n", 1)[0].rstrip()
            first = line.find('"', line.find('"', 1) + 1)
            return line[first + 1:].rstrip('"').replace("\\n", "\n")
        if rc == 2:
            return None
        return False

    def press(self, button, text):
        snippet = text.split("\n")[0][:12]
        rc, _ = ui("answer", "--pid", self.pid, "--timeout", "10", "--expect-text", snippet, "--button", button)
        return rc == 0

    def kill(self):
        ui("kill", "--pid", self.pid)

    def finish(self):
        ui("close", "--pid", self.pid, "--caption", CAPTION, "--timeout", "10")
        rc, _ = ui("wait-exit", "--pid", self.pid, "--timeout", "30")
        if rc != 0 and rc != 3:
            self.kill()


def kill_host(pid):
    try:
        os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def run_point(work, point, log):
    """Carries out one point; returns its Result."""
    work.prepare(point.at if point.kind == "unplug" else 0)
    memory = plan.RunMemory()
    t_cut = None
    where = ""
    killed = point.kind != "kill"
    outcome = None  # "ok", "failed", "gone"
    t0 = time.time()
    for start in range(2):
        if start == 1:
            # The next start, once what the first left running has ended (a technician would
            # see the other tools close); bounded, and the check names what is still there.
            end = time.time() + 120
            while work.processes() and time.time() < end:
                time.sleep(1)
        roll = Roll(work, memory)
        if not roll.start():
            log("  could not start OrvexRoll")
            break
        deadline = time.time() + RUN_LIMIT
        outcome = None
        while time.time() < deadline:
            # OrvexRoll's moments count once the technician has started the update.
            started = bool(memory.boxes)
            if not killed and started:
                # Once the update runs, the count is looked at often and the boxes now and then:
                # the last operations of a program come within a second.
                look_until = time.time() + 2
                while time.time() < look_until and work.operations() < point.at:
                    time.sleep(0.02)
            if not killed and started and work.operations() >= point.at:
                victims = [p for n, p in work.processes() if n == point.program]
                if point.program == "OrvexRoll":
                    roll.kill()
                    victims = [1]
                for v in victims:
                    if point.program != "OrvexRoll":
                        kill_host(v)
                if victims:
                    killed = True
                    t_cut = time.time()
                    where = "operation %d" % work.operations()
                    log("  killed %s after operation %d" % (point.program, work.operations()))
                    if point.program == "OrvexRoll":
                        outcome = "gone"
                        break
            text = roll.peek(0 if not killed else 2)
            if text is False:
                outcome = "gone"
                break
            if text is None:
                continue
            state = work.state()
            if state.get("unplugged"):
                if t_cut is None:
                    t_cut = time.time()
                    where = state["unplugged"]
                work.plug_in()
                log("  plugged in again (left at %s)" % state["unplugged"])
            button, final = plan.answer(text, memory)
            log("  box %r -> %s" % (text.split("\n")[0][:40], button))
            roll.press(button, text)
            if final:
                outcome = "ok" if text.startswith("自動更新は正常終了しました") else "failed"
                break
        else:
            log("  OrvexRoll did not finish in %d s" % RUN_LIMIT)
            roll.kill()
            outcome = "timeout"
        if outcome != "gone":
            roll.finish()
        if outcome == "ok" or outcome == "timeout":
            break
        # A run that got to its tools has changed the adapter: the next start must offer the
        # repair. One that ended before (the driver step) is followed by a normal update.
        memory.repair_expected = any("パラメータ設定ツール起動" in log for log in work.end_state().logs)
        if start == 0 and point.kind == "unplug" and not work.state().get("unplugged") and t_cut is None:
            where = "not reached"
    # An interruption never reached (a point past the run's end) is not a point of the matrix.
    if point.kind == "unplug" and not where:
        st = work.state()
        where = st.get("unplugged", "") or "not reached"
    if where and work.state().get("unplugged"):
        work.plug_in()
    end = time.time()
    reasons = plan.check(work.end_state(), EXPECTED, memory)
    for _, pid in work.processes():
        kill_host(pid)
    if point.kind == "kill" and not killed:
        reasons.append("the program was not running at that moment")
    if point.kind == "unplug" and where == "not reached":
        reasons.append("the adapter never left the bus")
    wall = end - (t_cut or t0)
    return plan.Result(point, where, reasons, memory.starts, memory.retries, memory.repairs, wall,
                       int(wall * 1000 * 100 / TIME_SCALE))


EXPECTED = None


def clean_run(work, log):
    """A run without interruption: its operation count, which program did which operations, and
    the end state every point must reach."""
    global EXPECTED
    work.prepare(0)
    memory = plan.RunMemory()
    roll = Roll(work, memory)
    roll.start()
    owners = []  # (operation, program)
    last = 0
    deadline = time.time() + RUN_LIMIT
    ok = False
    while time.time() < deadline:
        ops = work.operations()
        if ops > last:
            running = [n for n, _ in work.processes() if n != "OrvexRoll"]
            owner = running[0] if running else "OrvexRoll"
            owners += [(k, owner) for k in range(last + 1, ops + 1)]
            last = ops
        text = roll.peek(0)
        if text is False:
            break
        if text:
            button, final = plan.answer(text, memory)
            roll.press(button, text)
            if final:
                ok = text.startswith("自動更新は正常終了しました")
                break
        time.sleep(0.05)
    t = time.time()
    roll.finish()
    state = work.state()
    n = int(state.get("operations", "0"), 0)
    params = open(os.path.join(work.adapter, state.get("parameter_file", "Parameters.prg")), "rb").read()
    runs = sorted(os.listdir(work.runs)) if os.path.isdir(work.runs) else []
    mcpara = os.path.join(work.runs, runs[-1], "MCPARA.prg") if runs else ""
    expected_params = open(mcpara, "rb").read() if os.path.isfile(mcpara) else b""
    EXPECTED = plan.Expected(plan.versions(state), expected_params,
                             open(os.path.join(work.package, "Para", "Cti_par.txt"), "rb").read())
    log("clean run: %s, %d operations; stored parameters %s MCPARA.prg" %
        ("success" if ok else "FAILED", n, "equal to" if params == expected_params else "DIFFERENT from"))
    return ok and params == expected_params, n, owners


def merge(out, dirs):
    """The table of several shards' results, in the order of the points."""
    results, ns = [], set()
    for d in dirs:
        data = json.load(open(os.path.join(d, "results.json"), encoding="utf-8"))
        ns.add(data["n"])
        for r in data["results"]:
            r["point"] = plan.Point(**r["point"])
            results.append(plan.Result(**r))
    results.sort(key=lambda r: (r.point.kind != "unplug", r.point.program, r.point.at))
    title = "recovery matrix: N = %s operations in a clean run, time_scale %d, %d shards" % (
        "/".join(str(n) for n in sorted(ns)), TIME_SCALE, len(dirs))
    text = plan.table(results, title)
    print(text)
    os.makedirs(out, exist_ok=True)
    open(os.path.join(out, "table.txt"), "w", encoding="utf-8").write(text + "\n")
    return 1 if any(r.reasons for r in results) else 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--every", type=int, default=1, help="unplug every n-th operation (1: all)")
    ap.add_argument("--kills", type=int, default=4, help="kill moments per program")
    ap.add_argument("--kill-every", type=int, default=1, help="run every n-th kill point")
    ap.add_argument("--kinds", default="unplug,kill", help="the kinds of points to run")
    ap.add_argument("--only", default="", help="run only these points, e.g. unplug@12,kill OrvexSet@30")
    ap.add_argument("--wait", type=int, default=6, help="DeviceWaitTime of the package, seconds")
    ap.add_argument("--out", default=os.path.join(BUILD, "reliability"))
    ap.add_argument("--shard", default="1/1", help="I/N: run every N-th point from the I-th")
    ap.add_argument("--merge", nargs="+", metavar="DIR", help="only print the table of these shards' results")
    args = ap.parse_args()
    if args.merge:
        return merge(args.out, args.merge)
    shard, shards = (int(x) for x in args.shard.split("/"))

    os.makedirs(args.out, exist_ok=True)
    log_file = open(os.path.join(args.out, "matrix.log"), "a", encoding="utf-8")

    def log(text):
        print(text, flush=True)
        log_file.write(text + "\n")
        log_file.flush()

    work = Work(args.out)
    os.environ["ORVEX_SIM"] = work.sim_env
    work.make_template(args.wait)
    t0 = time.time()
    ok, n, owners = clean_run(work, log)
    log("clean run took %.1f s" % (time.time() - t0))
    if not ok:
        log("the clean run did not end correct; no matrix")
        return 2
    points = plan.unplug_points(n, args.every) + plan.sample(plan.kill_points(owners, args.kills), args.kill_every)
    log("points: " + ", ".join(p.name() for p in points))
    if args.only:
        names = set(s.strip() for s in args.only.split(","))
        points = [p for p in points if p.name() in names]
    points = [p for p in points if p.kind in args.kinds.split(",")]
    points = points[shard - 1::shards]
    results = []
    for i, point in enumerate(points):
        t = time.time()
        log("[%d/%d] %s" % (i + 1, len(points), point.name()))
        r = run_point(work, point, log)
        results.append(r)
        log("  %s (%d start(s), %d retry, %d repair; %.1f s)" % ("correct" if not r.reasons else
                                                                "FAILED: " + "; ".join(r.reasons),
                                                                r.starts, r.retries, r.repairs, time.time() - t))
    with open(os.path.join(args.out, "results.json"), "w", encoding="utf-8") as f:
        json.dump({"n": n, "results": [dataclasses.asdict(r) for r in results]}, f, ensure_ascii=False)
    title = "recovery matrix: N = %d operations in a clean run, time_scale %d" % (n, TIME_SCALE)
    text = plan.table(results, title)
    log(text)
    open(os.path.join(args.out, "table.txt"), "w", encoding="utf-8").write(text + "\n")
    bash('roll_installed_tools="%s"; roll_remove_driver' % work.installed)
    return 1 if any(r.reasons for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
