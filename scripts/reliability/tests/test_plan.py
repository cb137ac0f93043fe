"""The recovery matrix's decisions: points, the technician's answers, the end-state check and
the table."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import plan  # noqa: E402


class Points(unittest.TestCase):
    def test_unplug_points_cover_every_operation_or_a_sample_with_both_ends(self):
        self.assertEqual([p.at for p in plan.unplug_points(5)], [1, 2, 3, 4, 5])
        self.assertEqual([p.at for p in plan.unplug_points(173, 45)], [1, 46, 91, 136, 173])
        self.assertEqual(plan.unplug_points(0), [])

    def test_kill_moments_spread_over_each_programs_own_span(self):
        owners = [(1, "OrvexRoll")] + [(k, "OrvexSet") for k in range(2, 24)] + \
                 [(k, "OrvexFlash") for k in range(24, 174)]
        points = plan.kill_points(owners, 3)
        by = {}
        for p in points:
            by.setdefault(p.program, []).append(p.at)
        self.assertEqual(by["OrvexSet"], [2, 12, 23])
        self.assertEqual(by["OrvexFlash"], [24, 98, 173])
        # OrvexRoll outlives its children: before the adapter did anything, and to the end.
        self.assertEqual(by["OrvexRoll"], [0, 86, 173])
        self.assertEqual(points[0].name(), "kill OrvexRoll@0")

    def test_a_program_with_one_operation_gets_one_moment(self):
        points = plan.kill_points([(1, "OrvexSet")], 4)
        self.assertEqual([p.at for p in points if p.program == "OrvexSet"], [1])

    def test_file_question_and_away_points_and_an_unknown_name_refused(self):
        owners = [(1, "OrvexRoll")] + [(k, "OrvexSet") for k in range(2, 24)] + \
                 [(k, "OrvexFlash") for k in range(24, 174)]
        points = (plan.file_points(["Orvex.sys", "Orvex.dll"]) + plan.question_points(owners) +
                  plan.away_points([80]))
        self.assertEqual([p.name() for p in points],
                         ["file copy Orvex.sys", "file copy Orvex.dll", "file backup Orvex.sys",
                          "file backup Orvex.dll", "file copied Orvex.sys", "file copied Orvex.dll",
                          "question@45", "question@88", "question@130", "away@80"])
        chosen, unknown = plan.choose(points, "away@80, file copy Orvex.dll,kill OrvexFlash@60")
        self.assertEqual([p.name() for p in chosen], ["file copy Orvex.dll", "away@80"])
        self.assertEqual(unknown, ["kill OrvexFlash@60"])

    def test_sample_keeps_the_last_point(self):
        self.assertEqual(plan.sample([1, 2, 3, 4, 5], 2), [1, 3, 5])
        self.assertEqual(plan.sample([1, 2, 3, 4], 2), [1, 3, 4])
        self.assertEqual(plan.sample([], 3), [])


class Technician(unittest.TestCase):
    def test_one_retry_with_its_steps_then_one_repair(self):
        m = plan.RunMemory()
        m.starts = 1
        self.assertEqual(plan.answer("自動更新を開始します。\n\n...", m), ("ok", False))
        self.assertEqual(plan.answer("自動更新は異常終了しました。\n\nx\n\n再試行しますか？", m), ("retry", False))
        self.assertEqual(plan.answer("下記の番号順に従って、再試行して下さい。", m), ("ok", False))
        # The retry failed too: no second retry, and declining it is confirmed.
        self.assertEqual(plan.answer("自動更新は異常終了しました。\n\n再試行しますか？", m), ("cancel", False))
        self.assertEqual(plan.answer("このまま終了すると、...", m), ("yes", False))
        self.assertEqual(plan.answer("自動更新は異常終了しました。\n\nx", m), ("ok", True))
        m.starts = 2
        m.repair_expected = True
        self.assertEqual(plan.answer("前回の自動更新は異常終了しています。\n\n修復処理を実行しますか？", m), ("yes", False))
        self.assertEqual(plan.answer("前回の自動更新は異常終了しています。", m), ("cancel", False))
        self.assertEqual((m.retries, m.repairs, m.fresh_starts), (1, 1, 0))
        self.assertEqual(plan.answer("自動更新は正常終了しました。", m), ("ok", True))

    def test_a_normal_update_where_the_repair_was_due_is_noted(self):
        m = plan.RunMemory(starts=2, repair_expected=True)
        plan.answer("自動更新を開始します。", m)
        self.assertEqual(m.fresh_starts, 1)
        # After a failure in the driver step a normal update is what the tool offers.
        m = plan.RunMemory(starts=2, repair_expected=False)
        plan.answer("自動更新を開始します。", m)
        self.assertEqual(m.fresh_starts, 0)

    def test_missing_adapter_and_other_programs_are_retried(self):
        m = plan.RunMemory()
        self.assertEqual(plan.answer("CTIアダプターが認識できません。", m)[0], "retry")
        self.assertEqual(plan.answer("用の他のアプリケーションが起動しています。", m)[0], "retry")


class Check(unittest.TestCase):
    STATE = "present = 1\nmc = 0x00 0x1050 0x1203 0x1003 0x0100\nboard.1 = 0x00 0x2004\n# c\n"
    OK_LOG = "..KV自動更新起動(v2.0.1.1)..\n2026/12/07 10:00:00 KV-4100CTIアダプター自動更新正常終了\r\n\r\n"

    def end(self, **kw):
        e = dict(state=plan.parse_state(self.STATE), parameters=b"P", installed={"Orvex.sys": "new"},
                 backups=[((0, "Old\\Orvex.sys"), "old"), ((0, "OLDP_Cti_par.txt"), "def")],
                 recovery_file=False, logs=[self.OK_LOG], leftover_processes=[])
        e.update(kw)
        return plan.EndState(**e)

    def expected(self):
        return plan.Expected(plan.versions(plan.parse_state(self.STATE)), b"P", {"Orvex.sys": "new"},
                             {"Old\\Orvex.sys": "old", "OLDP_Cti_par.txt": "def"}, {"Old\\Orvex.sys": "new"})

    def test_a_correct_end(self):
        self.assertEqual(plan.check(self.end(), self.expected(), plan.RunMemory(starts=1)), [])
        # A run after one cut off in the driver step saves what that one had installed.
        later = self.end(backups=self.end().backups + [((1, "Old\\Orvex.sys"), "new")])
        self.assertEqual(plan.check(later, self.expected(), plan.RunMemory(starts=1)), [])

    def test_every_fault_is_named(self):
        state = plan.parse_state(self.STATE.replace("0x1203", "0x0000").replace("present = 1", "present = 0"))
        why = plan.check(self.end(state=state, parameters=b"0", installed={"Orvex.sys": "half"}, recovery_file=True,
                                  backups=[((0, "Old\\Orvex.sys"), "new"), ((1, "OLDP_Cti_par.txt"), "def"),
                                           ((1, "Old\\Orvex.sys"), "half")],
                                  logs=[self.OK_LOG, "x 自動更新起動(v2.0.1.1) y\nKV-4100CTIアダプター自動更新異常終了\n"],
                                  leftover_processes=["OrvexFlash"]),
                         self.expected(), plan.RunMemory(starts=3, fresh_starts=1, timeouts=1))
        text = "; ".join(why)
        for part in ("mc is 0x00 0x1050 0x0000", "off the bus", "parameters differ", "installed Orvex.sys is not",
                     "backup Old\\Orvex.sys of run 1 is not what was there before",
                     "backup Old\\Orvex.sys of run 2 is neither", "recovery file", "2 of 3 runs left a log",
                     "log does not end in", "1 run(s) hit the time limit", "offered no repair",
                     "still running: OrvexFlash"):
            self.assertIn(part, text)
        self.assertNotIn("OLDP_", text)  # the first backup of it is in the second run: still the original
        self.assertIn("no backup", "; ".join(plan.check(self.end(backups=[]), self.expected(), plan.RunMemory())))

    def test_a_board_that_went_missing_is_a_difference(self):
        state = plan.parse_state("present = 1\nmc = 0x00 0x1050 0x1203 0x1003 0x0100\n")
        self.assertEqual(plan.check(self.end(state=state), self.expected(), plan.RunMemory()),
                         ["board.1 is missing, not 0x00 0x2004 0x0000 0x0000 0x0000"])

    def test_versions_expected_from_the_images_headers(self):
        start = plan.parse_state("mc = 0x00 0x1040 0x1105 0x1002 0x0100\nboard.1 = 0x00 0x2003 0 0 0\n"
                                 "board.2 = 0x01 0x4001\nboard.3 = 0x02 0x1000 0x1020 0x1105 0x0000\n"
                                 "board.4 = 0x05 0x1000 0x1002 0x1010 0x0000\n")
        images = [(0x00, 0, 0x1203), (0x01, 0, 0x1050), (0x10, 0x00, 0x1200), (0x11, 0, 0x1030),
                  (0x20, 0x40, 0x1020), (0x35, ord("R"), 0x2004), (0x35, ord("T"), 0x4002), (0x91, 0x05, 0x1003)]
        got = plan.expected_versions(start, images)
        self.assertEqual(got["mc"], (0, 0x1050, 0x1203, 0x1003, 0x0100))
        self.assertEqual(got["board.1"], (0, 0x2004, 0, 0, 0))  # the analog image whose digit it has
        self.assertEqual(got["board.2"], (1, 0x4002, 0, 0, 0))
        self.assertEqual(got["board.3"], (2, 0x1000, 0x1030, 0x1200, 0))
        self.assertEqual(got["board.4"], (5, 0x1000, 0x1002, 0x1020, 0))
        with self.assertRaises(ValueError):
            plan.expected_versions(start, [(0x13 + 0x60, 0, 1)])


class Table(unittest.TestCase):
    def test_counts_failures_with_where_and_why_and_the_slowest(self):
        r = [plan.Result(plan.Point("unplug", 1), "1 reset", [], 2, 0, 0, 20.0, 100000),
             plan.Result(plan.Point("unplug", 2), "2 attach", ["a recovery file is left"], 1, 1, 0, 40.5, 50000),
             plan.Result(plan.Point("kill", 30, "OrvexSet"), "operation 30", [], 1, 1, 0, 10.0, 5000)]
        text = plan.table(r, "T")
        self.assertIn("unplug points: 2, correct: 1, 1 of 2 failed", text)
        self.assertIn("kill points: 1, correct: 1, 0 of 1 failed", text)
        self.assertIn("verdict: 1 of 3 failed", text)
        self.assertIn("FAILED unplug@2", text)
        self.assertIn("2 attach", text)
        self.assertIn("a recovery file is left", text)
        self.assertIn("40.5 s wall time (unplug@2)", text)
        self.assertIn("100.0 s on the simulated adapter's clock (unplug@1)", text)


class Shards(unittest.TestCase):
    def test_a_missing_or_failed_shard_fails_the_run_and_names_its_points(self):
        whole = ["unplug@1", "unplug@2", "unplug@3", "kill OrvexSet@5"]
        done = plan.Result(plan.Point("unplug", 1), "1 reset", [], 1, 0, 0, 1.0, 5000)
        one = {"plan": whole, "mine": ["unplug@1", "unplug@3"], "complete": False, "results": [done]}
        results, missing, problems = plan.merge_plan({1: (one, 137), 2: (None, 2)})
        self.assertEqual(missing, ["unplug@3", "unplug@2", "kill OrvexSet@5"])
        self.assertEqual(len(problems), 2)
        text = plan.table(results, "T", missing, problems)
        self.assertIn("MISSING: 3 point(s) without a result: unplug@3, unplug@2, kill OrvexSet@5", text)
        self.assertIn("NOT RUN: shard 2 of 2 ended with exit 2, no results", text)
        self.assertFalse(plan.verdict_ok(results, missing, problems))
        # Complete shards that ran every point of theirs.
        one.update(complete=True, mine=["unplug@1"])
        self.assertEqual(plan.merge_plan({1: (one, 0)})[1:], ([], []))
        self.assertTrue(plan.verdict_ok([done], [], []))
        self.assertFalse(plan.verdict_ok([], [], []))


if __name__ == "__main__":
    unittest.main()
