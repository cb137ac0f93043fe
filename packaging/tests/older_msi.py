#!/usr/bin/env python3
"""An older installer for the upgrade test: a copy of the staged MSI folder whose programs say
VERSION in their version resources (the fixed version and the FileVersion and ProductVersion texts,
patched in place) and whose definition file is one version behind, built by dist.py like the
real one, so that its product version comes from the programs as there.

  older_msi.py STAGE OUT VERSION      (VERSION as long as the programs' own, e.g. 1.1.1.0)
"""
import re
import shutil
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
import dist  # noqa: E402


def patch_version(path, version):
    info = dist.version_of(path)
    numbers = [int(n) for n in version.split(".")]
    data = bytearray(path.read_bytes())
    ms, ls = (numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3]
    struct.pack_into("<IIII", data, info.fixed_at, ms, ls, ms, ls)
    for key in ("FileVersion", "ProductVersion"):
        at, chars = info.string_at[key]
        if len(version) != chars:
            raise SystemExit(f"{path}: {key} has {chars} characters, {version} {len(version)}")
        data[at:at + 2 * chars] = version.encode("utf-16-le")
    path.write_bytes(bytes(data))


def main(stage, out, version):
    stage, out = Path(stage), Path(out)
    older = out / "stage"
    shutil.rmtree(older, ignore_errors=True)
    shutil.copytree(stage, older)
    for program in older.rglob("*.exe"):
        patch_version(program, version)
    definition = next(older.rglob("Cti_par.txt"))
    text = definition.read_bytes()
    found = re.search(rb"\[VER\] (\d+)", text)
    if not found:
        raise SystemExit(f"{definition}: no [VER] line to make older")
    older_version = b"%0*d" % (len(found.group(1)), int(found.group(1)) - 1)
    definition.write_bytes(text[:found.start(1)] + older_version + text[found.end(1):])
    print(dist.build_msi(older, out))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    main(*sys.argv[1:])
