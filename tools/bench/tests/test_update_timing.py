"""The update's floor and breakdown from a run's logs: a made-up run of known timing."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import update_timing  # noqa: E402

DAY = "2026/12/07"


def roll_log(entries):
    return "\r\n".join("%s %s %3d  %s" % (DAY, t, code, text) for t, code, text in entries).encode("cp932")


# OrvexRoll answered at 10:00:00.000; a reset whose adapter is away 1.5 s inside the 2.4 s of
# fixed waits; OrvexSet reads (500 ms fixed wait after it); OrvexFlash writes one image.
ROLL = [
    ("10:00:00.000", 0, "接続デバイス・バージョン = 1.0.3.0, 3h"),
    ("10:00:00.100", 0, "デバイスドライバ・ファイル更新成功(v1.1.5.0)"),
    ("10:00:00.400", 0, "ハードウェア・リセット発行"),  # packet at 0.200
    ("10:00:02.500", 0, "デバイス再起動待機"),
    ("10:00:02.600", 0, "デバイス再起動確認"),
    ("10:00:02.610", 0, "パラメータ設定ツール起動"),
    ("10:00:03.800", 1, "自動更新成功 Cnt = 3"),
    ("10:00:03.850", 0, "パラメータ設定ツール終了"),
    ("10:00:03.900", 0, "バージョン更新ツール起動"),
    ("10:00:04.400", 0, "更新開始(v1.105) : McCPU.prg(00h, 00h, v1.203)"),
    ("10:00:06.200", 0, "更新成功"),
    ("10:00:07.500", 1, "自動更新成功 Cnt = 1 / 1"),
    ("10:00:07.550", 0, "バージョン更新ツール終了"),
    ("10:00:07.600", 0, "KV-4100CTIアダプター自動更新正常終了"),
]

SIM = """10:00:00.200 [30] operation 1: reset packet, the adapter leaves the bus, 1500 ms
10:00:02.710 [40] library loaded at 10:00:02.700
10:00:02.710 [40] channel 1: opened, event mask 100Bh
10:00:02.910 [40] operation 2: attach, 200 ms
10:00:03.000 [40] operation 3: channel started, 75 ms
10:00:03.010 [40] channel 1: parameter read of 15452 bytes begins
10:00:03.100 [40] operation 4: parameter block, 16 ms
10:00:04.100 [50] library loaded at 10:00:04.050
10:00:04.110 [50] channel 1: opened, event mask 100Bh
10:00:04.310 [50] operation 5: attach, 200 ms
10:00:04.390 [50] operation 6: channel started, 75 ms
10:00:06.100 [50] operation 7: progress, 1640 ms
10:00:07.300 [50] operation 8: restart, 900 ms
10:00:07.500 [50] operation 9: attach, 200 ms
"""


class Floor(unittest.TestCase):
    def run_logs(self, config, sim=SIM):
        folder = tempfile.mkdtemp()
        with open(os.path.join(folder, "OrvexRoll.log"), "wb") as f:
            f.write(roll_log(ROLL))
        with open(os.path.join(folder, "OrvexSim.txt"), "wb") as f:
            f.write(config.encode())
        if sim is not None:
            with open(os.path.join(folder, "OrvexSim.log"), "wb") as f:
                f.write(sim.encode())
        start = update_timing.epoch(DAY + " 10:00:00.050")
        return update_timing.analyse(os.path.join(folder, "OrvexRoll.log"), folder, start)

    def test_floor_is_the_adapters_time_and_the_fixed_waits_it_does_not_cover(self):
        r = self.run_logs("time_scale = 50\nadapter_ms = 4806\n")
        self.assertAlmostEqual(r["wall"], 7.55, places=3)
        self.assertAlmostEqual(r["adapter"], 4.806)
        self.assertAlmostEqual(r["adapter_logged"], 4.806)
        # The reset's 2.4 s cover the adapter's 1.5 s by 0.9 s; the read's 0.5 s count whole; the
        # write covers its 0.3 s and the restart its 0.8 s.
        self.assertAlmostEqual(r["mandated_beyond"], 1.4)
        self.assertAlmostEqual(r["mandated"], 2.4 + 0.5 + 0.3 + 0.8)
        self.assertAlmostEqual(r["floor"], 6.206)
        self.assertAlmostEqual(r["ratio"], 7.55 / 6.206)
        rest = r["rest"]
        self.assertAlmostEqual(rest["starts"], (2.700 - 2.610) + (4.050 - 3.900), places=3)
        self.assertAlmostEqual(rest["startup"], (2.710 - 2.700) + (4.110 - 4.050), places=3)
        self.assertAlmostEqual(rest["ends"], 0.05 + 0.05, places=3)
        # Everything is accounted for: the parts add up to the wall time.
        parts = sum(v for k, v in rest.items() if k != "late")
        self.assertAlmostEqual(r["floor"] + parts, r["wall"], places=6)
        self.assertAlmostEqual(rest["other"], 0.0, places=6)

    def test_a_fast_adapter_leaves_the_fixed_waits_uncovered(self):
        # At 5 %: the write's 41 records take 0.164 s, the restart and attach 0.165 s.
        r = self.run_logs("time_scale = 5\nadapter_ms = 4806\n")
        waits = {w[1]: w[3] for w in r["waits"]}
        self.assertAlmostEqual(waits["after handing an image over (1)"], 0.3 - 0.164)
        self.assertAlmostEqual(waits["after a successful end (1)"], 0.8 - (0.015 + 0.1 + 0.02 + 5 * 0.001))

    def test_without_the_adapters_log_the_rest_stays_whole(self):
        r = self.run_logs("time_scale = 50\nadapter_ms = 4806\n", sim=None)
        self.assertFalse(r["logged"])
        self.assertAlmostEqual(r["floor"] + r["rest"]["files"] + r["rest"]["beyond"] + r["rest"]["other"], r["wall"])
        self.assertIn("not broken down", update_timing.table(r))


if __name__ == "__main__":
    unittest.main()
