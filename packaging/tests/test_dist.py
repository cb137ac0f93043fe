#!/usr/bin/env python3
"""make dist's checks catch what they are for: a program the build gained and nobody placed, a file
the MSI lacks, programs of the installer that disagree on their version. Runs on the i686 tree
named by ORVEX_DIST_TREE without Wine (the installer only; the archives are checked by
install.test.sh)."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
sys.path.insert(0, str(Path(__file__).resolve().parent))
import dist  # noqa: E402
import older_msi  # noqa: E402

TREE = Path(os.environ.get("ORVEX_DIST_TREE", dist.ROOT / "build" / "windows32"))


class DistChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="dist-test-"))
        # A tree of only the files that ships.txt takes from the build, so that it can be changed.
        cls.tree = cls.tmp / "tree"
        ships = dist.read_ships()
        for section in ("msi", "kit", "try-it"):
            for e in ships[section]:
                if ":" not in e.source:
                    (cls.tree / e.source).parent.mkdir(parents=True, exist_ok=True)
                    shutil.copyfile(TREE / e.source, cls.tree / e.source)
        dist.stage(cls.tree, cls.tmp / "work", msi_only=True)
        cls.out = cls.tmp / "out"
        cls.msi = dist.build_msi(cls.tmp / "work" / "msi", cls.out)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_the_installer_of_the_build_agrees_with_ships_txt(self):
        self.assertEqual(dist.check(TREE, self.out), [])
        shortcuts = {s["Name"] for s in dist.msi_table(self.msi, "Shortcut")}
        self.assertEqual(shortcuts, {"ORVEXSET|パラメータ設定ツール", "ORVEXFLA|バージョン更新ツール"})

    def test_a_program_the_build_gained_must_be_placed(self):
        extra = self.tree / "newtool" / "win" / "NewTool.exe"
        extra.parent.mkdir(parents=True)
        shutil.copyfile(TREE / "simulator/keys/OrvexKeys.exe", extra)
        try:
            problems = dist.check(self.tree, self.out)
        finally:
            shutil.rmtree(extra.parent.parent)
        self.assertEqual(problems, ["newtool/win/NewTool.exe is built but ships.txt does not say whether it ships:"
                                    " add it to a section"])

    def test_a_file_the_installer_lacks_is_named(self):
        broken = self.tmp / "broken"
        broken.mkdir()
        shutil.copyfile(self.msi, broken / self.msi.name)
        subprocess.run(["msibuild", str(broken / self.msi.name), "-q",
                        "DELETE FROM `File` WHERE `File` = 'OrvexKeys.exe'"], check=True)
        problems = dist.check(self.tree, broken)
        self.assertIn(f"{self.msi.name}: the File table lacks Program Files (x86)\\Orvex\\Bin\\OrvexKeys.exe", problems)

    def test_the_installers_programs_must_agree_on_their_version(self):
        stage = self.tmp / "mixed"
        shutil.copytree(self.tmp / "work" / "msi", stage)
        older_msi.patch_version(stage / "Bin" / "OrvexFlash.exe", "1.1.1.0")
        self.assertEqual(dist.version_of(stage / "Bin" / "OrvexFlash.exe").file_version, "1.1.1.0")
        with self.assertRaisesRegex(dist.DistError, "disagree on their version"):
            dist.build_msi(stage, self.tmp / "mixed-out")


if __name__ == "__main__":
    unittest.main(verbosity=2)
