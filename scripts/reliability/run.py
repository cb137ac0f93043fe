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
import hashlib
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
# File points: the driver and library files grow to this size (the stand-ins with bytes after
# their image, which Windows ignores), so that their copies take long enough to be cut off.
BIG_FILE = 48 << 20
TEMPORARY = ".OrvexRoll.tmp"  # OrvexRoll's copy beside a file it replaces
SYSTEM32 = os.path.join(PREFIX, "drive_c", "windows", "system32")
# The files the update replaces (the drivers folder and the 64-bit system folder, where OrvexRoll
# writes with the file system redirection off) and their copies in the package.
REPLACED = {"Orvex.sys": (os.path.join(SYSTEM32, "drivers", "Orvex.sys"), os.path.join("Driver", "Orvex.sys")),
            "Orvex.dll": (os.path.join(SYSTEM32, "Orvex.dll"), os.path.join("Driver", "Orvex.dll"))}


def digest(path):
    """A file's SHA-256, None when it is not there."""
    try:
        with open(path, "rb") as f:
            return hashlib.file_digest(f, "sha256").hexdigest() if hasattr(hashlib, "file_digest") else \
                hashlib.sha256(f.read()).hexdigest()
    except OSError:
        return None


def pad(path, seed):
    """Makes a file BIG_FILE long with bytes after its image (different for each seed)."""
    block = hashlib.sha256(seed.encode()).digest() * 2048
    with open(path, "ab") as f:
        while f.tell() < BIG_FILE:
            f.write(block)


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

    def prepare(self, unplug_at=0, big=False, away_ms=None):
        shutil.rmtree(self.dir, ignore_errors=True)
        shutil.copytree(self.template, self.dir)
        shutil.rmtree(self.runs, ignore_errors=True)
        values = {"unplug_at": str(unplug_at), "operations": "0"}
        if away_ms is not None:
            values["reset_away_ms"] = str(away_ms)
        self.set_state(self.state_path, values)
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
        if big:
            for name, (installed, packaged) in REPLACED.items():
                pad(installed, "installed " + name)
                pad(os.path.join(self.package, packaged), "package " + name)
        for gone in (os.path.join(system32, "drivers", "Orvex2.sys"),
                     os.path.join(PREFIX, "drive_c", "windows", "inf", "Orvex.inf"),
                     os.path.join(PREFIX, "drive_c", "windows", "inf", "Orvex2.inf")):
            if os.path.exists(gone):
                os.remove(gone)
        for installed, _ in REPLACED.values():
            if os.path.exists(installed + TEMPORARY):
                os.remove(installed + TEMPORARY)
        # What the update must leave installed, and what its first backups must hold.
        self.installed_digests = {name: digest(os.path.join(self.package, packaged))
                                  for name, (_, packaged) in REPLACED.items()}
        self.installed_digests["Cti_par.txt"] = digest(os.path.join(self.package, "Para", "Cti_par.txt"))
        self.originals = {"Old\\" + name: digest(installed) for name, (installed, _) in REPLACED.items()}
        self.originals["OLDP_Cti_par.txt"] = digest(os.path.join(self.installed, "Bin", "Cti_par.txt"))
        self.originals["OLD_MCPARA.prg"] = digest(os.path.join(self.adapter, "Parameters.prg"))
        self.later = {"Old\\" + name: d for name, d in self.installed_digests.items()}

    def run_folders(self):
        return [os.path.join(self.runs, r) for r in sorted(os.listdir(self.runs))] if os.path.isdir(self.runs) else []

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
        logs, backups = [], []
        for i, run in enumerate(self.run_folders()):
            log = os.path.join(run, "OrvexRoll.log")
            if os.path.isfile(log):
                logs.append((os.path.getmtime(log), open(log, "rb").read().decode("cp932", "replace")))
            for name in sorted(os.listdir(run)):
                if name.upper().startswith(("OLDP_", "OLDV_", "OLDM_", "OLD_")):
                    backups.append(((i, name), digest(os.path.join(run, name))))
            old = os.path.join(run, "Old")
            for name in sorted(os.listdir(old)) if os.path.isdir(old) else []:
                # A run killed while it saved a file leaves the unfinished copy under its temporary
                # name: not a backup (the backup's own name never holds part of a file).
                if name.endswith(TEMPORARY):
                    continue
                backups.append(((i, "Old\\" + name), digest(os.path.join(old, name))))
        installed = {name: digest(path) for name, (path, _) in REPLACED.items()}
        installed["Cti_par.txt"] = digest(os.path.join(self.installed, "Bin", "Cti_par.txt"))
        return plan.EndState(
            state=state,
            parameters=open(params, "rb").read() if os.path.isfile(params) else b"",
            installed=installed,
            backups=backups,
            recovery_file=os.path.isfile(self.recovery_path()),
            logs=[text for _, text in sorted(logs, key=lambda x: x[0])],
            leftover_processes=[name for name, _ in self.processes()])

    def recovery_path(self):
        return os.path.join(self.documents, "Orvex", "OrvexRoll.recovery")

    def expected(self):
        return dataclasses.replace(EXPECTED, installed=self.installed_digests, originals=self.originals,
                                   later=self.later)

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


def file_state(work, name):
    """Where the replacement of `name` stands: the backup in the newest run folder's Old\\, the
    installed file, OrvexRoll's temporary copy beside it."""
    installed, _ = REPLACED[name]
    runs = work.run_folders()
    backup = os.path.join(runs[-1], "Old", name) if runs else ""
    size = lambda path: os.path.getsize(path) if path and os.path.exists(path) else -1  # noqa: E731
    return size(backup), size(installed), size(installed + TEMPORARY)


def cut_file_step(work, point, pid, log):
    """Waits for the file step's moment and ends OrvexRoll there: stopped at once (SIGSTOP) so
    that the files are seen as the kill leaves them, then killed. Returns (where, reasons) or None
    when the moment never came."""
    what, name = point.moment.split(" ", 1)
    original = os.path.getsize(REPLACED[name][0])
    fresh = os.path.getsize(os.path.join(work.package, REPLACED[name][1]))
    end = time.time() + 120
    while time.time() < end:
        backup, installed, temporary = file_state(work, name)
        if ((what == "backup" and backup == original) or
                (what == "copy" and (temporary > 0 or installed not in (original, -1))) or
                (what == "copied" and installed == fresh and temporary < 0 and
                 digest(REPLACED[name][0]) == work.installed_digests[name])):
            break
        time.sleep(0.0005)
    else:
        return None
    os.kill(pid, signal.SIGSTOP)
    backup, installed, temporary = file_state(work, name)
    now = digest(REPLACED[name][0])
    kept = ("as before" if now == work.originals["Old\\" + name] else "the package's"
            if now == work.installed_digests[name] else "CUT SHORT (%d of %d bytes)" % (installed, fresh))
    where = "%s: backup %s, installed %s, copy beside it %s" % (
        point.moment, "whole" if backup == original else "none" if backup < 0 else "%d bytes" % backup, kept,
        "none" if temporary < 0 else "%d of %d bytes" % (temporary, fresh))
    kill_host(pid)
    log("  killed OrvexRoll at " + where)
    return where, ([] if "CUT" not in kept else ["the kill left the installed %s half written" % name])


def recovery_record(work):
    """(failure state, stage, resume value) of the recovery file, None without one."""
    try:
        data = open(work.recovery_path(), "rb").read()
    except OSError:
        return None
    if len(data) < 24:
        return None
    return tuple(int.from_bytes(data[o:o + 4], "little", signed=True) for o in (4, 12, 20))


def run_point(work, point, log):
    """Carries out one point; returns its Result."""
    work.prepare(point.at if point.kind in ("unplug", "question") else 0, big=point.kind == "file",
                 away_ms=point.at * 1000 * 100 // TIME_SCALE if point.kind == "away" else None)
    memory = plan.RunMemory()
    t_cut = None
    where = ""
    extra = []  # what the point's own interruption showed
    killed = point.kind not in ("kill", "file", "question")
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
            if not killed and started and point.kind == "file":
                pids = [p for n, p in work.processes() if n == "OrvexRoll"]
                cut = cut_file_step(work, point, pids[0], log) if pids else None
                killed = True
                if cut:
                    t_cut = time.time()
                    where, reasons = cut
                    extra += reasons
                    outcome = "gone"
                    break
                log("  the moment never came")
            if not killed and started and point.kind == "kill":
                # Once the update runs, the count is looked at often and the boxes now and then:
                # the last operations of a program come within a second.
                look_until = time.time() + 2
                while time.time() < look_until and work.operations() < point.at:
                    time.sleep(0.02)
            if not killed and started and point.kind == "kill" and work.operations() >= point.at:
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
            if not killed and point.kind == "question" and "再試行しますか" in text:
                # The technician walks away from the question; the PC is switched off.
                record = recovery_record(work)
                roll.kill()
                killed = True
                where += ", killed at the retry question, recovery file %s" % (
                    "state %d stage %d resume %Xh" % (record[0], record[1], record[2] & 0xFFFFFFFF) if record
                    else "missing")
                log("  killed OrvexRoll at the retry question; recovery file: %s" % (record,))
                if record is None or record[0] == 255:
                    extra.append("the recovery file at the retry question did not hold the failure")
                outcome = "gone"
                break
            button, final = plan.answer(text, memory)
            log("  box %r -> %s" % (text.split("\n")[0][:40], button))
            roll.press(button, text)
            if final:
                outcome = "ok" if text.startswith("自動更新は正常終了しました") else "failed"
                break
        else:
            log("  OrvexRoll did not finish in %d s" % RUN_LIMIT)
            roll.kill()
            memory.timeouts += 1
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
    if point.kind == "away":
        where = "away %d s after the reset" % point.at
    if where and work.state().get("unplugged"):
        work.plug_in()
    end = time.time()
    reasons = extra + plan.check(work.end_state(), work.expected(), memory)
    for _, pid in work.processes():
        kill_host(pid)
    leftovers = [p + TEMPORARY for p, _ in REPLACED.values() if os.path.exists(p + TEMPORARY)]
    if leftovers:
        reasons.append("a temporary copy is left: " + ", ".join(os.path.basename(p) for p in leftovers))
    if point.kind == "kill" and not killed:
        reasons.append("the program was not running at that moment")
    if point.kind in ("file", "question") and not (killed and where):
        reasons.append("the moment never came")
    if point.kind == "unplug" and where == "not reached":
        reasons.append("the adapter never left the bus")
    wall = end - (t_cut or t0)
    return plan.Result(point, where, reasons, memory.starts, memory.retries, memory.repairs, wall,
                       int(wall * 1000 * 100 / TIME_SCALE))


EXPECTED = None


def expected_from_package(work):
    """What every point must end with, worked out from the package and the adapter's starting
    state alone: each processor at the version of the package's image for its kind, the stored
    parameters as the automatic parameter update makes them from the adapter's starting image
    and the package's definition (orvex def fill, with the fill flag the package gives)."""
    t = work.template
    ini = open(os.path.join(t, "package", "OrvexRoll.ini"), "rb").read().decode("cp932").split("\r\n")
    entries = [line.split("=", 1)[1] for line in ini if line.startswith("PrgFile") and "=" in line]
    force = next((int(line.split("=", 1)[1] or "0", 0) for line in ini if line.startswith("ForceUpdate=")), 0)
    images = [plan.prg_header(open(os.path.join(t, "package", e.replace("\\", os.sep)), "rb").read())
              for e in entries if e]
    out = os.path.join(work.base, "MCPARA.expected.prg")
    args = [WINE_RUN, ORVEX, "def", "fill", winpath(os.path.join(t, "package", "Para", "Cti_par.txt")),
            winpath(os.path.join(t, "adapter", "Parameters.prg")), "-o", winpath(out)]
    if (force >> 1) & 1:
        args.append("--zero-valid")
    if os.path.exists(out):
        os.remove(out)
    subprocess.run(args, check=True, capture_output=True, timeout=120)
    parameters = open(out, "rb").read()
    start = plan.parse_state(open(os.path.join(t, "adapter", "OrvexSim.txt"), "rb").read().decode("cp932"))
    return plan.Expected(plan.expected_versions(start, images + [plan.prg_header(parameters)]), parameters, {}, {})


def clean_run(work, log):
    """A run without interruption: its operation count and which program did which operations.
    It must end as every point must (the package's versions, parameters, files and backups)."""
    global EXPECTED
    EXPECTED = expected_from_package(work)
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
    else:
        memory.timeouts += 1
    roll.finish()
    n = work.operations()
    reasons = plan.check(work.end_state(), work.expected(), memory)
    log("clean run: %s, %d operations%s" % ("success" if ok else "FAILED", n,
                                             "; " + "; ".join(reasons) if reasons else ", end state correct"))
    return ok and not reasons, n, owners


def load_results(d):
    """A shard's saved results, None when it saved none."""
    try:
        data = json.load(open(os.path.join(d, "results.json"), encoding="utf-8"))
    except (OSError, ValueError):
        return None
    results = []
    for r in data["results"]:
        r["point"] = plan.Point(**r["point"])
        results.append(plan.Result(**r))
    data["results"] = results
    return data


def merge(out, dirs, statuses):
    """The table of several shards' results, in the order of the points: shard i of n is dirs[i-1]
    with exit status statuses[i-1]. Missing, failed or unfinished shards fail the whole run."""
    shards = {i + 1: (load_results(d), statuses[i] if i < len(statuses) else "unknown") for i, d in enumerate(dirs)}
    results, missing, problems = plan.merge_plan(shards)
    order = {k: i for i, k in enumerate(plan.KINDS)}
    results.sort(key=lambda r: (order[r.point.kind], r.point.program, r.point.at, r.point.moment))
    ns = sorted({d["n"] for d, _ in shards.values() if d and d.get("n")})
    title = "recovery matrix: N = %s operations in a clean run, time_scale %d, %d shards" % (
        "/".join(str(n) for n in ns) or "?", TIME_SCALE, len(dirs))
    text = plan.table(results, title, missing, problems)
    print(text)
    os.makedirs(out, exist_ok=True)
    open(os.path.join(out, "table.txt"), "w", encoding="utf-8").write(text + "\n")
    return 0 if plan.verdict_ok(results, missing, problems) else 1


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--every", type=int, default=1, help="unplug every n-th operation (1: all)")
    ap.add_argument("--kills", type=int, default=4, help="kill moments per program")
    ap.add_argument("--kill-every", type=int, default=1,
                    help="run every n-th kill point (of each program, of the file step, of the retry question)")
    ap.add_argument("--kinds", default=",".join(plan.KINDS), help="the kinds of points to run")
    ap.add_argument("--away", default="80", help="seconds the adapter stays away after the reset (away points)")
    ap.add_argument("--only", default="", help="run only these points, e.g. unplug@12,kill OrvexSet@30")
    ap.add_argument("--wait", type=int, default=6, help="DeviceWaitTime of the package, seconds")
    ap.add_argument("--out", default=os.path.join(BUILD, "reliability"))
    ap.add_argument("--shard", default="1/1", help="I/N: run every N-th point from the I-th")
    ap.add_argument("--merge", nargs="+", metavar="DIR", help="only print the table of these shards' results")
    ap.add_argument("--status", default="", help="with --merge: the shards' exit statuses, comma-separated")
    args = ap.parse_args()
    if args.merge:
        statuses = [int(x) if x.strip().lstrip("-").isdigit() else x for x in args.status.split(",") if x.strip()]
        return merge(args.out, args.merge, statuses)
    shard, shards = (int(x) for x in args.shard.split("/"))

    # A run starts from nothing of an earlier one: no table, no results, no log of it remain.
    os.makedirs(args.out, exist_ok=True)
    for name in ("results.json", "table.txt", "matrix.log"):
        if os.path.exists(os.path.join(args.out, name)):
            os.remove(os.path.join(args.out, name))
    log_file = open(os.path.join(args.out, "matrix.log"), "w", encoding="utf-8")

    def log(text):
        print(text, flush=True)
        log_file.write(text + "\n")
        log_file.flush()

    def save(n, whole, mine, results, complete):
        path = os.path.join(args.out, "results.json")
        with open(path + ".new", "w", encoding="utf-8") as f:
            json.dump({"n": n, "plan": whole, "mine": mine, "complete": complete,
                       "results": [dataclasses.asdict(r) for r in results]}, f, ensure_ascii=False)
        os.replace(path + ".new", path)

    work = Work(args.out)
    os.environ["ORVEX_SIM"] = work.sim_env
    work.make_template(args.wait)
    t0 = time.time()
    ok, n, owners = clean_run(work, log)
    log("clean run took %.1f s" % (time.time() - t0))
    if not ok:
        log("the clean run did not end correct; no matrix")
        return 2
    kinds = args.kinds.split(",")
    points = (plan.unplug_points(n, args.every) + plan.sample(plan.kill_points(owners, args.kills), args.kill_every) +
              plan.sample(plan.file_points(list(REPLACED)), args.kill_every) +
              plan.sample(plan.question_points(owners), args.kill_every) +
              plan.away_points([int(x) for x in args.away.split(",") if x]))
    points = [p for p in points if p.kind in kinds]
    if args.only:
        points, unknown = plan.choose(points, args.only)
        if unknown:
            log("no such point: %s; the points of this run are: %s" % (
                ", ".join(unknown), ", ".join(p.name() for p in plan.unplug_points(n) +
                                              plan.kill_points(owners, args.kills) +
                                              plan.file_points(list(REPLACED)) + plan.question_points(owners) +
                                              plan.away_points([int(x) for x in args.away.split(",") if x]))))
            return 2
    log("points: " + ", ".join(p.name() for p in points))
    whole = [p.name() for p in points]
    points = points[shard - 1::shards]
    mine = [p.name() for p in points]
    results = []
    save(n, whole, mine, results, False)
    for i, point in enumerate(points):
        t = time.time()
        log("[%d/%d] %s" % (i + 1, len(points), point.name()))
        r = run_point(work, point, log)
        results.append(r)
        save(n, whole, mine, results, False)
        log("  %s (%d start(s), %d retry, %d repair; %.1f s)" % ("correct" if not r.reasons else
                                                                "FAILED: " + "; ".join(r.reasons),
                                                                r.starts, r.retries, r.repairs, time.time() - t))
    save(n, whole, mine, results, True)
    title = "recovery matrix: N = %d operations in a clean run, time_scale %d" % (n, TIME_SCALE)
    text = plan.table(results, title)
    log(text)
    open(os.path.join(args.out, "table.txt"), "w", encoding="utf-8").write(text + "\n")
    bash('roll_installed_tools="%s"; roll_remove_driver' % work.installed)
    return 0 if plan.verdict_ok(results, [], []) else 1


if __name__ == "__main__":
    sys.exit(main())
