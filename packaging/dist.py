#!/usr/bin/env python3
"""What ships, made from the i686 build tree after packaging/ships.txt (scripts/dist.sh runs it).

  dist.py stage --tree T --work W [--msi-only]  copies what ships into W/msi, W/kit and W/tryit
  dist.py msi   --stage W/msi --out DIR     builds the installer from a staged folder
  dist.py pack  --tree T --work W --out DIR the installer and the two archives, then lists them
  dist.py check --tree T --out DIR          compares the tree, the MSI's tables and the archives
                                            with packaging/ships.txt
  dist.py version FILE                      the version resource of a program, one value a line

The product versions come from the programs' version resources (common/win/res/ProgramVersions.h
sets them): the installer's from OrvexSet.exe (OrvexFlash.exe and OrvexKeys.exe must agree), the
archives' from OrvexRoll.exe. Files made by scripts/dist.sh with the orvex command line (the update
information files, the try-it's program images and adapter) are taken from W/made.
"""

import argparse
import fnmatch
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import uuid
import zipfile
from pathlib import Path, PureWindowsPath

ROOT = Path(__file__).resolve().parent.parent
SHIPS = ROOT / "packaging" / "ships.txt"

# The installer's upgrade code: the same in every version, so that a newer MSI finds the older
# product and replaces it. Never change it.
UPGRADE_CODE = "{A4966362-CF45-4AE9-AE61-20DC545D8768}"
# Component codes are made from this and the file's installed path, so a file keeps its component
# from one version to the next, as Windows Installer expects.
COMPONENT_NAMESPACE = uuid.UUID("d9d36869-dc99-4b3e-9f96-0657dfbd0365")
# Program Files (x86)\Orvex\ on 64-bit Windows: the 32-bit package's program files folder.
PRODUCT_FOLDER = "Orvex"
# The Start-menu folder of the shortcuts.
MENU_FOLDER = "Orvex"
# Text shown when an older MSI is started on a PC that has a newer one.
DOWNGRADE_TEXT = "この PC には、より新しいバージョンの [ProductName] がインストールされています。"

# The definition path file as OrvexSet writes it when it is missing (its two defaults): the
# installer ships it, so that OrvexSet never has to write into Program Files.
ORVEXSET_INI = b"Cti_par.txt\r\nMCPARA.prg\r\n"

SHIPPED_KINDS = (".exe", ".dll", ".sys", ".chm")


class DistError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# ships.txt

class Entry:
    def __init__(self, section, source, target, extra, line):
        self.section = section
        self.source = source   # tree path, src:PATH or made:NAME
        self.target = target   # MSI folder, or the path in an archive (Windows form)
        self.extra = extra     # MSI: the shortcut's name; not shipped: the reason
        self.line = line

    @property
    def is_folder(self):
        return self.target.endswith("\\")


def read_ships(path=SHIPS):
    sections = {"msi": [], "kit": [], "try-it": [], "not shipped": []}
    section = None
    for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        m = re.fullmatch(r"\[(.+)\]", line)
        if m:
            section = m.group(1)
            if section not in sections:
                raise DistError(f"{path}:{number}: unknown section [{section}]")
            continue
        if section is None:
            raise DistError(f"{path}:{number}: a line before the first section")
        fields = line.split(None, 2)
        if section == "not shipped":
            if len(fields) < 2:
                raise DistError(f"{path}:{number}: a file not shipped needs its reason")
            sections[section].append(Entry(section, fields[0], None, " ".join(fields[1:]), number))
            continue
        if len(fields) < 2:
            raise DistError(f"{path}:{number}: FROM and where it goes, please")
        extra = fields[2].strip() if len(fields) > 2 else ""
        sections[section].append(Entry(section, fields[0], fields[1], extra, number))
    return sections


# ---------------------------------------------------------------------------------------------
# Version resources

class VersionInfo:
    """The version resource of a PE file: the fixed file version and the first string table."""

    def __init__(self, fixed, fixed_at, strings, string_at, block):
        self.fixed = fixed          # (file ms, file ls, product ms, product ls)
        self.fixed_at = fixed_at    # file offset of dwFileVersionMS
        self.strings = strings      # key -> value of the first string table
        self.string_at = string_at  # key -> (file offset, characters without the NUL)
        self.block = block          # that table's name, e.g. 041104b0

    @property
    def file_version(self):
        ms, ls = self.fixed[0], self.fixed[1]
        return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def _utf16_key(blob, pos):
    end = pos
    while blob[end:end + 2] != b"\0\0":
        end += 2
    return blob[pos:end].decode("utf-16-le"), end + 2


def _align4(n):
    return (n + 3) & ~3


def read_version(path):
    data = Path(path).read_bytes()
    if data[:2] != b"MZ":
        raise DistError(f"{path}: not a Windows program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise DistError(f"{path}: not a Windows program")
    sections_count, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
    sections = []
    for i in range(sections_count):
        _, vsize, va, raw_size, raw = struct.unpack_from("<8sIIII", data, optional + optional_size + 40 * i)
        sections.append((va, max(vsize, raw_size), raw))

    def offset(rva):
        for va, size, raw in sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise DistError(f"{path}: address 0x{rva:x} outside every section")

    if not resource_rva:
        return None
    base = offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, base + directory + 16 + 8 * i)

    for kind, target in entries(0):
        if kind != 16 or not target & 0x80000000:
            continue  # 16: RT_VERSION
        _, by_name = next(entries(target & 0x7FFFFFFF))
        _, by_language = next(entries(by_name & 0x7FFFFFFF))
        rva, size = struct.unpack_from("<II", data, base + by_language)
        start = offset(rva)
        blob = data[start:start + size]
        return _parse_version_info(path, blob, start)
    return None


def _parse_version_info(path, blob, start):
    length, value_length, _ = struct.unpack_from("<HHH", blob, 0)
    key, after = _utf16_key(blob, 6)
    if key != "VS_VERSION_INFO" or value_length != 52:
        raise DistError(f"{path}: a version resource without its fixed part")
    fixed_pos = _align4(after)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", blob, fixed_pos)
    if signature != 0xFEEF04BD:
        raise DistError(f"{path}: the version resource's fixed part is damaged")
    strings, string_at, block = {}, {}, None
    pos = _align4(fixed_pos + 52)
    while pos < length:
        child_length, _, _ = struct.unpack_from("<HHH", blob, pos)
        child_key, after = _utf16_key(blob, pos + 6)
        if child_key == "StringFileInfo" and block is None:
            table = _align4(after)
            table_length, _, _ = struct.unpack_from("<HHH", blob, table)
            block, after = _utf16_key(blob, table + 6)
            item = _align4(after)
            while item < table + table_length:
                item_length, item_value, _ = struct.unpack_from("<HHH", blob, item)
                name, after = _utf16_key(blob, item + 6)
                value_pos = _align4(after)
                chars = max(0, item_value - 1)
                strings[name] = blob[value_pos:value_pos + 2 * chars].decode("utf-16-le").rstrip("\0")
                string_at[name] = (start + value_pos, chars)
                item = _align4(item + item_length)
        pos = _align4(pos + child_length)
    return VersionInfo((file_ms, file_ls, product_ms, product_ls), start + fixed_pos + 8, strings, string_at, block)


def version_of(path):
    info = read_version(path)
    if info is None or "FileVersion" not in info.strings:
        raise DistError(f"{path}: no version resource with a FileVersion")
    text = info.strings["FileVersion"]
    numbers = [int(n) for n in re.findall(r"\d+", text)]
    if len(numbers) != 4 or "%d.%d.%d.%d" % tuple(numbers) != info.file_version:
        raise DistError(f"{path}: FileVersion \"{text}\" and the fixed version {info.file_version} disagree")
    return info


# ---------------------------------------------------------------------------------------------
# Staging

def source_path(entry, tree, work):
    kind, _, rest = entry.source.partition(":")
    if not rest:
        return Path(tree) / entry.source
    if kind == "src":
        return ROOT / rest
    if kind == "made":
        return Path(work) / "made" / rest
    raise DistError(f"{SHIPS}:{entry.line}: FROM {entry.source} is neither a tree path, src: nor made:")


def text_file(path, values):
    """A text of packaging/ for Windows: versions filled in, CR LF, UTF-8 with a BOM (Notepad)."""
    text = path.read_text(encoding="utf-8")
    for key, value in values.items():
        text = text.replace("{" + key + "}", value)
    if re.search(r"\{[a-z_]+\}", text):
        raise DistError(f"{path}: a placeholder left: {re.search(r'{[a-z_]+}', text).group(0)}")
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def made_files(tree, work):
    """The files this script makes itself, by name."""
    roll = version_of(Path(tree) / "autoupdate/win/app/OrvexRoll.exe").file_version
    tools = version_of(Path(tree) / "paramtool/app/win/OrvexSet.exe").file_version
    values = {"roll_version": roll, "tools_version": tools}
    return {
        "OrvexSet.ini": ORVEXSET_INI,
        "README.txt": text_file(ROOT / "packaging/kit/README.txt", values),
        "SIMULATED.txt": text_file(ROOT / "packaging/tryit/SIMULATED.txt", values),
    }


def place(entry, tree, work, made, dest):
    dest.parent.mkdir(parents=True, exist_ok=True)
    name = entry.source.partition(":")[2] if entry.source.startswith("made:") else None
    if entry.is_folder:
        dest.mkdir(parents=True, exist_ok=True)
    elif name in made:
        dest.write_bytes(made[name])
    else:
        src = source_path(entry, tree, work)
        if not src.is_file():
            raise DistError(f"{src}: missing ({SHIPS.name} line {entry.line}; is the tree built?)")
        data = src.read_bytes()
        if src.suffix.lower() in (".cmd", ".bat") and entry.source.startswith("src:"):
            data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        dest.write_bytes(data)


def archive_path(root, target):
    return root.joinpath(*PureWindowsPath(target).parts)


def stage(tree, work, msi_only=False):
    ships = read_ships()
    work = Path(work)
    made = made_files(tree, work)
    for folder in ("msi", "kit", "tryit"):
        shutil.rmtree(work / folder, ignore_errors=True)
    for e in ships["msi"]:
        place(e, tree, work, made, work / "msi" / e.target / Path(e.source.split(":")[-1]).name)
    if msi_only:
        return
    for e in ships["kit"]:
        place(e, tree, work, made, archive_path(work / "kit", e.target))
        place(e, tree, work, made, archive_path(work / "tryit", e.target))
    for e in ships["try-it"]:
        place(e, tree, work, made, archive_path(work / "tryit", e.target))


# ---------------------------------------------------------------------------------------------
# The installer

def _xml(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;"))


def _component_guid(installed):
    return "{%s}" % str(uuid.uuid5(COMPONENT_NAMESPACE, installed.lower())).upper()


def _short_name(stem):
    return re.sub(r"[^A-Z0-9]", "", stem.upper())[:8] or "ORVEX"


def msi_product(stage_dir):
    """Version, maker and name of the product, from the staged programs' version resources."""
    ships = read_ships()
    programs = [e for e in ships["msi"] if e.source.lower().endswith(".exe")]
    infos = {}
    for e in programs:
        name = Path(e.source).name
        infos[name] = version_of(Path(stage_dir) / e.target / name)
    first = infos[Path(programs[0].source).name]
    for name, info in infos.items():
        if info.file_version != first.file_version:
            raise DistError(f"the installer's programs disagree on their version: {Path(programs[0].source).name} "
                            f"{first.file_version}, {name} {info.file_version} (common/win/res/ProgramVersions.h)")
    return {"version": first.file_version, "maker": first.strings.get("CompanyName", ""),
            "name": first.strings.get("ProductName", ""), "infos": infos}


def build_msi(stage_dir, out_dir):
    """Builds Orvex-VERSION.msi from a staged folder (stage_dir/FOLDER/FILE, after [msi])."""
    stage_dir, out_dir = Path(stage_dir).resolve(), Path(out_dir).resolve()
    ships = read_ships()
    product = msi_product(stage_dir)
    version = product["version"]
    if not product["maker"] or not product["name"]:
        raise DistError("OrvexSet.exe's version resource names no CompanyName or ProductName")
    folders = sorted({e.target for e in ships["msi"]})
    if any("\\" in f or "/" in f for f in folders):
        raise DistError("an [msi] folder below Program Files (x86)\\Orvex\\ must be one level deep")

    lines = [
        '<?xml version="1.0" encoding="utf-8"?>',
        "<!-- Made by packaging/dist.py from packaging/ships.txt; the Japanese texts are set afterwards. -->",
        '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
        f'  <Product Id="*" Name="{_xml(product["name"])}" Language="1041" Codepage="932" Version="{version}"',
        f'           Manufacturer="{_xml(product["maker"])}" UpgradeCode="{UPGRADE_CODE}">',
        '    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine" Languages="1041"'
        ' SummaryCodepage="932"',
        f'             Description="{_xml(product["name"])} {version}" Manufacturer="{_xml(product["maker"])}"/>',
        '    <MajorUpgrade DowngradeErrorMessage="DOWNGRADE"/>',
        '    <Media Id="1" Cabinet="orvex.cab" EmbedCab="yes"/>',
        '    <Property Id="ARPNOMODIFY" Value="1"/>',
        '    <Directory Id="TARGETDIR" Name="SourceDir">',
        '      <Directory Id="ProgramFilesFolder">',
        f'        <Directory Id="ProductFolder" Name="{PRODUCT_FOLDER}">',
    ]
    components, shortcuts = [], []
    for folder in folders:
        folder_id = "INSTALLDIR" if folder == "Bin" else "Folder_" + re.sub(r"\W", "_", folder)
        lines.append(f'          <Directory Id="{folder_id}" Name="{_xml(folder)}">')
        for e in ships["msi"]:
            if e.target != folder:
                continue
            name = Path(e.source.split(":")[-1]).name
            ident = re.sub(r"[^A-Za-z0-9_.]", "_", name)
            components.append(ident)
            lines.append(f'            <Component Id="{ident}" Guid="{_component_guid(folder + chr(92) + name)}">')
            lines.append(f'              <File Id="{ident}" Name="{_xml(name)}" Source="{_xml(folder)}/{_xml(name)}" KeyPath="yes"/>')
            lines.append("            </Component>")
            if e.extra:
                shortcuts.append((ident, name, e.extra, folder_id))
        lines.append("          </Directory>")
    lines += ["        </Directory>", "      </Directory>"]
    if shortcuts:
        lines.append('      <Directory Id="ProgramMenuFolder">')
        lines.append(f'        <Directory Id="ProductMenuFolder" Name="{MENU_FOLDER}">')
        lines.append(f'          <Component Id="StartMenu" Guid="{_component_guid("start menu")}">')
        for i, (ident, name, _, folder_id) in enumerate(shortcuts):
            lines.append(f'            <Shortcut Id="Shortcut{i}" Name="SHORTCUT{i}" Description="SHORTCUT{i}"'
                         f' Target="[#{ident}]" WorkingDirectory="{folder_id}"/>')
        lines.append('            <RemoveFolder Id="ProductMenuFolder" On="uninstall"/>')
        lines.append("          </Component>")
        lines.append("        </Directory>")
        lines.append("      </Directory>")
        components.append("StartMenu")
    lines.append("    </Directory>")
    lines.append('    <Feature Id="Tools" Level="1">')
    lines += [f'      <ComponentRef Id="{c}"/>' for c in components]
    lines += ["    </Feature>", "  </Product>", "</Wix>", ""]

    out_dir.mkdir(parents=True, exist_ok=True)
    msi = out_dir / f"{PRODUCT_FOLDER}-{version}.msi"
    with tempfile.TemporaryDirectory() as tmp:
        wxs = Path(tmp) / "Orvex.wxs"
        wxs.write_text("\n".join(lines), encoding="utf-8")
        _run(["wixl", "-a", "x86", "-o", str(msi), str(wxs)], cwd=stage_dir)
        # wixl leaves the database's code page at 0, where a Japanese text is lost (or crashes it):
        # the tables get code page 932 first, then their Japanese texts.
        idt = Path(tmp) / "_ForceCodepage.idt"
        idt.write_bytes(b"\r\n\r\n932\t_ForceCodepage\r\n")
        _run(["msibuild", str(msi), "-i", str(idt)])
        updates = []
        for i, (ident, name, title, _) in enumerate(shortcuts):
            description = product["infos"].get(name)
            description = description.strings.get("FileDescription", title) if description else title
            updates.append(("Shortcut", "Name", f"{_short_name(Path(name).stem)}|{title}", "Shortcut", f"Shortcut{i}"))
            updates.append(("Shortcut", "Description", description, "Shortcut", f"Shortcut{i}"))
        updates.append(("LaunchCondition", "Description", DOWNGRADE_TEXT, "Description", "DOWNGRADE"))
        # A rebuild of the same version replaces the installed one too, instead of sitting beside
        # it (Windows Installer compares three fields only): wixl has no AllowSameVersionUpgrades,
        # so the upgrade row's maximum is made inclusive here (512 + migrate features 1).
        # Attributes is part of the row's key, so the row is made again.
        _run(["msibuild", str(msi), "-q", "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'"])
        _run(["msibuild", str(msi), "-q",
              "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) "
              f"VALUES ('{UPGRADE_CODE}', '{version}', 513, 'WIX_UPGRADE_DETECTED')"])
        for table, column, value, key, where in updates:
            if "'" in value or "'" in where:
                raise DistError(f"a quote in the text {value!r}")
            _run(["msibuild", str(msi), "-q",
                  f"UPDATE `{table}` SET `{column}` = '{value}' WHERE `{key}` = '{where}'"])
    return msi


def _run(args, cwd=None):
    result = subprocess.run(args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        raise DistError(f"{' '.join(args[:3])} … failed ({result.returncode}): "
                        + result.stdout.decode("utf-8", "replace").strip()[-800:])
    return result.stdout


def msi_table(msi, table):
    """A table of the MSI as msiinfo exports it: a list of rows, each a dict of column to text."""
    text = _run(["msiinfo", "export", str(msi), table]).decode("utf-8")
    rows = text.split("\r\n")
    columns = rows[0].split("\t")
    out = []
    for row in rows[3:]:
        if row:
            out.append(dict(zip(columns, row.split("\t"))))
    return out


# ---------------------------------------------------------------------------------------------
# Archives and the listing

def write_zip(folder, path):
    folder = Path(folder)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for item in sorted(folder.rglob("*")):
            name = item.relative_to(folder).as_posix()
            if item.is_dir():
                if not any(item.iterdir()):
                    z.writestr(zipfile.ZipInfo(name + "/"), b"")
                continue
            z.write(item, name)


def dist_names(tree):
    roll = version_of(Path(tree) / "autoupdate/win/app/OrvexRoll.exe").file_version
    return {"kit": f"Orvex-update-kit-{roll}.zip", "tryit": f"Orvex-update-SIMULATED-tryit-{roll}.zip"}


def pack(tree, work, out):
    work, out = Path(work), Path(out)
    out.mkdir(parents=True, exist_ok=True)
    for old in out.iterdir():
        if old.is_file() and (old.suffix in (".msi", ".zip")):
            old.unlink()
    written = [build_msi(work / "msi", out)]
    names = dist_names(tree)
    for part in ("kit", "tryit"):
        if (work / part).is_dir():
            write_zip(work / part, out / names[part])
            written.append(out / names[part])
    return written


def listing(paths):
    lines = []
    for path in paths:
        path = Path(path)
        lines.append(f"{path}  {path.stat().st_size:,} bytes")
        if path.suffix == ".msi":
            rows = msi_table(path, "File")
            dirs = {c["Component"]: c["Directory_"] for c in msi_table(path, "Component")}
            folders = _msi_folders(path)
            for r in sorted(rows, key=lambda r: int(r["Sequence"])):
                where = folders.get(dirs[r["Component_"]], "?")
                lines.append(f"    {where}{r['FileName'].split('|')[-1]:<28} {int(r['FileSize']):>12,}")
            for s in msi_table(path, "Shortcut"):
                lines.append(f"    shortcut {folders.get(s['Directory_'], '?')}{s['Name'].split('|')[-1]} -> {s['Target']}")
        elif path.suffix == ".zip":
            with zipfile.ZipFile(path) as z:
                for info in z.infolist():
                    name = info.filename.replace("/", "\\")
                    size = "" if info.is_dir() else f"{info.file_size:>12,}"
                    lines.append(f"    {name:<40} {size}")
    return "\n".join(lines)


def _msi_folders(msi):
    """Directory key -> its path as Windows Installer resolves it, for the shown ones."""
    rows = {r["Directory"]: r for r in msi_table(msi, "Directory")}
    known = {"TARGETDIR": "", "ProgramFilesFolder": "Program Files (x86)\\",
             "ProgramMenuFolder": "(Start menu)\\"}

    def path(key):
        if key in known:
            return known[key]
        row = rows[key]
        name = row["DefaultDir"].split(":")[-1].split("|")[-1]
        known[key] = path(row["Directory_Parent"]) + ("" if name == "." else name + "\\")
        return known[key]

    for key in rows:
        path(key)
    return known


# ---------------------------------------------------------------------------------------------
# Checks

def check(tree, out, problems=None):
    """Compares the build tree, the MSI's tables and the archives in OUT with ships.txt."""
    tree, out = Path(tree), Path(out)
    ships = read_ships()
    problems = [] if problems is None else problems
    say = problems.append

    # Every program, library, driver file and help file of the tree is placed.
    placed = {e.source for s in ("msi", "kit", "try-it") for e in ships[s] if ":" not in e.source}
    for s in ("msi", "kit", "try-it"):
        for e in ships[s]:
            if ":" not in e.source and not (tree / e.source).is_file():
                say(f"ships.txt line {e.line}: {e.source} is not in the tree")
    for path in sorted(tree.rglob("*")):
        if path.suffix.lower() not in SHIPPED_KINDS or not path.is_file():
            continue
        rel = path.relative_to(tree).as_posix()
        if rel.startswith("googletest/") or "/CMakeFiles/" in "/" + rel:
            continue
        if rel in placed:
            continue
        if not any(fnmatch.fnmatch(rel, e.source) or fnmatch.fnmatch(path.name, e.source)
                   for e in ships["not shipped"]):
            say(f"{rel} is built but ships.txt does not say whether it ships: add it to a section")

    stand_ins = {_digest(tree / e.source) for e in ships["try-it"] if ":" not in e.source}
    stand_in_names = {PureWindowsPath(e.target).name.lower() for e in ships["try-it"] if ":" not in e.source}

    msis = sorted(out.glob("*.msi"))
    if len(msis) != 1:
        say(f"{out}: {len(msis)} MSI files, one expected")
    else:
        _check_msi(msis[0], tree, ships, stand_ins, stand_in_names, say)

    names = dist_names(tree)
    kit = out / names["kit"]
    kit_entries = _expected(ships["kit"])
    if kit.exists():
        _check_zip(kit, kit_entries, tree, say)
        with zipfile.ZipFile(kit) as z:
            for info in z.infolist():
                if info.is_dir():
                    continue
                if PureWindowsPath(info.filename).name.lower() in stand_in_names or _digest_bytes(z.read(info)) in stand_ins:
                    say(f"{kit.name}: {info.filename} is a stand-in")
    tryit = out / names["tryit"]
    if tryit.exists():
        expected = dict(kit_entries)
        expected.update(_expected(ships["try-it"]))
        for folder in [k for k in expected if k.endswith("/")]:
            if any(k.startswith(folder) and k != folder for k in expected):
                del expected[folder]
        _check_zip(tryit, expected, tree, say)
    return problems


def _expected(entries):
    return {PureWindowsPath(e.target).as_posix() + ("/" if e.is_folder else ""): e for e in entries}


def _digest(path):
    return _digest_bytes(Path(path).read_bytes())


def _digest_bytes(data):
    return hashlib.sha256(data).hexdigest()


def _check_zip(path, expected, tree, say):
    with zipfile.ZipFile(path) as z:
        members = {i.filename: i for i in z.infolist()}
        for name in sorted(set(expected) - set(members)):
            say(f"{path.name}: {name} is missing")
        for name in sorted(set(members) - set(expected)):
            say(f"{path.name}: {name} is not in ships.txt")
        for name, e in expected.items():
            if name in members and ":" not in e.source and not name.endswith("/"):
                if z.read(name) != (tree / e.source).read_bytes():
                    say(f"{path.name}: {name} differs from {e.source}")


def _check_msi(msi, tree, ships, stand_ins, stand_in_names, say):
    version = msi_product_from_tree(tree)
    props = {r["Property"]: r["Value"] for r in msi_table(msi, "Property")}
    for key, want in (("ProductVersion", version["version"]), ("Manufacturer", version["maker"]),
                      ("ProductName", version["name"]), ("UpgradeCode", UPGRADE_CODE), ("ALLUSERS", "1")):
        if props.get(key) != want:
            say(f"{msi.name}: property {key} is {props.get(key)!r}, not {want!r}")
    if msi.name != f"{PRODUCT_FOLDER}-{version['version']}.msi":
        say(f"{msi.name}: named after another version than {version['version']}")
    codepage = _run(["msiinfo", "export", str(msi), "_ForceCodepage"]).decode().split("\r\n")[2].split("\t")[0]
    if codepage != "932":
        say(f"{msi.name}: the database's code page is {codepage}, not 932")

    folders = _msi_folders(msi)
    comps = {c["Component"]: c for c in msi_table(msi, "Component")}
    files = msi_table(msi, "File")
    got = {(folders[comps[f["Component_"]]["Directory_"]], f["FileName"].split("|")[-1]): f for f in files}
    want = {}
    for e in ships["msi"]:
        name = Path(e.source.split(":")[-1]).name
        want[(f"Program Files (x86)\\{PRODUCT_FOLDER}\\{e.target}\\", name)] = e
    for key in sorted(set(want) - set(got)):
        say(f"{msi.name}: the File table lacks {key[0]}{key[1]}")
    for key in sorted(set(got) - set(want)):
        say(f"{msi.name}: the File table has {key[0]}{key[1]}, which ships.txt does not ship")
    for f in files:
        if f["FileName"].split("|")[-1].lower() in stand_in_names:
            say(f"{msi.name}: {f['FileName']} is a stand-in")
        if comps[f["Component_"]]["KeyPath"] != f["File"]:
            say(f"{msi.name}: {f['FileName']} is not its component's key path")
    if len(comps) != len(files) + (1 if any(e.extra for e in ships["msi"]) else 0):
        say(f"{msi.name}: {len(comps)} components for {len(files)} files")

    # The files themselves, as Windows Installer would unpack them.
    with tempfile.TemporaryDirectory() as tmp:
        _run(["msiextract", "-C", tmp, str(msi)])
        for (folder, name), e in want.items():
            # msiextract names the program files folder "Program Files", whatever the platform.
            unpacked = Path(tmp, "Program Files", *PureWindowsPath(folder).parts[1:], name)
            if not unpacked.is_file():
                say(f"{msi.name}: {folder}{name} is not in its cabinet")
                continue
            data = unpacked.read_bytes()
            if _digest_bytes(data) in stand_ins:
                say(f"{msi.name}: {name} is a stand-in")
            if ":" not in e.source and data != (tree / e.source).read_bytes():
                say(f"{msi.name}: {name} differs from {e.source}")
            if e.source.startswith("src:") and data != (ROOT / e.source[4:]).read_bytes():
                say(f"{msi.name}: {name} differs from {e.source[4:]}")
            if e.source == "made:OrvexSet.ini" and data != ORVEXSET_INI:
                say(f"{msi.name}: OrvexSet.ini is not OrvexSet's default definition path file")

    shortcuts = msi_table(msi, "Shortcut")
    want_sc = {e.extra: Path(e.source).name for e in ships["msi"] if e.extra}
    got_sc = {s["Name"].split("|")[-1]: s for s in shortcuts}
    if set(got_sc) != set(want_sc):
        say(f"{msi.name}: shortcuts {sorted(got_sc)}, ships.txt names {sorted(want_sc)}")
    for title, s in got_sc.items():
        if title in want_sc and s["Target"] != f"[#{want_sc[title]}]":
            say(f"{msi.name}: the shortcut {title} opens {s['Target']}")
        if folders.get(s["Directory_"]) != f"(Start menu)\\{MENU_FOLDER}\\":
            say(f"{msi.name}: the shortcut {title} is in {folders.get(s['Directory_'])}")
    removes = msi_table(msi, "RemoveFile")
    if shortcuts and not any(r["DirProperty"] == shortcuts[0]["Directory_"] and r["InstallMode"] == "2" for r in removes):
        say(f"{msi.name}: the Start-menu folder is not removed at uninstall")

    upgrades = msi_table(msi, "Upgrade")
    newer = [u for u in upgrades if u["ActionProperty"] == "WIX_UPGRADE_DETECTED"]
    if not newer or newer[0]["UpgradeCode"] != UPGRADE_CODE or newer[0]["VersionMax"] != version["version"] \
            or newer[0]["VersionMin"] or not int(newer[0]["Attributes"]) & 512:
        say(f"{msi.name}: no Upgrade row that replaces every older version of {UPGRADE_CODE}: {upgrades}")
    sequence = {r["Action"] for r in msi_table(msi, "InstallExecuteSequence")}
    for action in ("FindRelatedProducts", "RemoveExistingProducts", "CreateShortcuts", "RemoveShortcuts"):
        if action not in sequence:
            say(f"{msi.name}: {action} is not in InstallExecuteSequence")


def msi_product_from_tree(tree):
    ships = read_ships()
    with tempfile.TemporaryDirectory() as tmp:
        for e in ships["msi"]:
            if e.source.lower().endswith(".exe"):
                dest = Path(tmp) / e.target / Path(e.source).name
                dest.parent.mkdir(parents=True, exist_ok=True)
                shutil.copyfile(Path(tree) / e.source, dest)
        return msi_product(tmp)


# ---------------------------------------------------------------------------------------------

def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("stage")
    p.add_argument("--tree", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--msi-only", action="store_true")
    p = sub.add_parser("msi")
    p.add_argument("--stage", required=True)
    p.add_argument("--out", required=True)
    p = sub.add_parser("pack")
    p.add_argument("--tree", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--out", required=True)
    p = sub.add_parser("check")
    p.add_argument("--tree", required=True)
    p.add_argument("--out", required=True)
    p = sub.add_parser("version")
    p.add_argument("file")
    p = sub.add_parser("list")
    p.add_argument("files", nargs="+")
    args = parser.parse_args(argv)
    try:
        if args.command == "stage":
            stage(args.tree, args.work, args.msi_only)
        elif args.command == "msi":
            print(build_msi(args.stage, args.out))
        elif args.command == "pack":
            print(listing(pack(args.tree, args.work, args.out)))
        elif args.command == "list":
            print(listing(args.files))
        elif args.command == "check":
            problems = check(args.tree, args.out)
            for p in problems:
                print("FAIL:", p)
            if problems:
                return 1
            print(f"{args.out}: the MSI's tables and files and the archives agree with packaging/ships.txt;"
                  " every program of the tree is placed")
        elif args.command == "version":
            info = version_of(args.file)
            print(f"FixedFileVersion={info.file_version}")
            for key, value in info.strings.items():
                print(f"{key}={value}")
    except DistError as e:
        print(f"dist: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
