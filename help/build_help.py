#!/usr/bin/env python3
"""Builds one help file (BOOK.chm) from the pages under help/topics.

  build_help.py ROOT BOOK WORK OUT.chm [CHMCMD]
  build_help.py --verify ROOT BOOK CHM        reads CHM back with extract_chmLib (libchm-bin)
                                              and checks that every page and picture is in it

ROOT is the source tree, BOOK names help/BOOK.contents, WORK is a scratch folder. The pages are
UTF-8 under version control and go into the file as code page 932, the help viewer's own for
Japanese; the table of contents comes from the .contents file and the index from each page's
keywords. Stops, naming what is wrong, when a page of the contents, a picture (taken from
docs/screenshots) or the target of a link or anchor is missing, or when the compiler warns.
"""
import html
import re
import shutil
import subprocess
import sys
from html.parser import HTMLParser
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import messages  # noqa: E402


class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.title, self.keywords, self.links, self.pictures, self.ids = "", [], [], [], set()
        self._in_title = False

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if a.get("id"):
            self.ids.add(a["id"])
        if tag == "title":
            self._in_title = True
        elif tag == "meta" and a.get("name") == "keywords":
            self.keywords = [k.strip() for k in a.get("content", "").split(";") if k.strip()]
        elif tag == "a" and "href" in a:
            self.links.append(a["href"])
        elif tag == "img":
            self.pictures.append(a.get("src", ""))
        elif tag == "link" and "href" in a:
            self.links.append(a["href"])

    def handle_endtag(self, tag):
        if tag == "title":
            self._in_title = False

    def handle_data(self, data):
        if self._in_title:
            self.title += data


def fail(text):
    sys.exit(f"build_help: {text}")


def read_contents(root, book):
    lines = [l for l in (root / "help" / f"{book}.contents").read_text(encoding="utf-8").split("\n")
             if l.strip() and not l.startswith("#")]
    return lines[0].strip(), [(len(l) - len(l.lstrip(" ")), l.strip()) for l in lines[1:]]


def sitemap(entries):
    return (f'<object type="text/sitemap"><param name="Name" value="{html.escape(entries[0])}">'
            f'<param name="Local" value="{entries[1]}"></object>')


def main():
    root, book, work, out = Path(sys.argv[1]).resolve(), sys.argv[2], Path(sys.argv[3]), Path(sys.argv[4])
    chmcmd = sys.argv[5] if len(sys.argv) > 5 else "chmcmd"
    title, contents = read_contents(root, book)
    topics, shots = root / "help" / "topics", root / "docs" / "screenshots"
    if work.exists():
        shutil.rmtree(work)
    (work / "images").mkdir(parents=True)

    # The pages, the message reference made from its list, and what they use.
    sources = {}
    for _, name in contents:
        if name == "messages.html":
            messages.write_html(root, work / "messages.src.html")
            sources[name] = (work / "messages.src.html").read_text(encoding="utf-8")
        elif (topics / name).is_file():
            sources[name] = (topics / name).read_text(encoding="utf-8")
        else:
            fail(f"help/{book}.contents names the page {name}, which help/topics does not have")
    pages = {}
    for name, text in sources.items():
        page = Page()
        page.feed(text)
        if not page.title.strip():
            fail(f"{name} has no title")
        pages[name] = page
    files = set(pages) | {"help.css"}
    for name, page in pages.items():
        for src in page.pictures:
            if not src.startswith("images/") or not (shots / src[7:]).is_file():
                fail(f"{name} shows the picture {src}, which docs/screenshots does not have")
            shutil.copy(shots / src[7:], work / src)
            files.add(src)
        for href in page.links:
            if re.match(r"[a-z]+:", href):
                continue
            target, _, anchor = href.partition("#")
            target = target or name
            if target not in files and target not in pages:
                fail(f"{name} links to {href}: {target} is not a page of {book}")
            if anchor and target in pages and anchor not in pages[target].ids:
                fail(f"{name} links to {href}: {target} has no id \"{anchor}\"")
    shutil.copy(topics / "help.css", work / "help.css")
    for name, text in sources.items():
        text = text.replace('charset=utf-8"', 'charset=Shift_JIS"')
        (work / name).write_bytes(text.encode("cp932"))

    # Table of contents, index and project, in the viewer's code page.
    head = ('<html><head><meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">'
            '</head><body>\n')
    toc, level = [head, '<object type="text/site properties"><param name="ImageType" value="Folder"></object>\n<ul>\n'], 0
    for depth, name in contents:
        while depth > level:
            toc.append("<ul>\n")
            level += 1
        while depth < level:
            toc.append("</ul>\n")
            level -= 1
        toc.append(f"<li>{sitemap((pages[name].title.strip(), name))}\n")
    toc.append("</ul>\n" * (level + 1) + "</body></html>\n")
    keywords = sorted({(k, n) for n, p in pages.items() for k in p.keywords + [p.title.strip()]})
    index = [head, "<ul>\n"] + [f"<li>{sitemap(e)}\n" for e in keywords] + ["</ul>\n</body></html>\n"]
    (work / "contents.hhc").write_bytes("".join(toc).encode("cp932"))
    (work / "index.hhk").write_bytes("".join(index).encode("cp932"))
    first = contents[0][1]
    project = f"""[OPTIONS]
Compatibility=1.1 or later
Compiled file={book}.chm
Contents file=contents.hhc
Index file=index.hhk
Default topic={first}
Default Window=main
Display compile progress=No
Full-text search=Yes
Language=0x411 Japanese
Title={title}

[WINDOWS]
main="{title}","contents.hhc","index.hhk","{first}","{first}",,,,,0x42520,230,0x387e,[60,40,900,700],,,,,,,0

[FILES]
""" + "\n".join(sorted(files)) + "\n"
    (work / f"{book}.hhp").write_bytes(project.replace("\n", "\r\n").encode("cp932"))
    run = subprocess.run([chmcmd, f"{book}.hhp"], cwd=work, capture_output=True, text=True, errors="replace")
    said = (run.stdout + run.stderr).strip()
    if run.returncode != 0 or "Warning" in said or "Error" in said or not (work / f"{book}.chm").is_file():
        fail(f"chmcmd could not build {book}.chm cleanly (exit {run.returncode}); it said:\n{said}")
    out.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy(work / f"{book}.chm", out)
    print(f"{out}: {len(pages)} pages, {len(files) - len(pages) - 1} pictures, {len(keywords)} index entries")


def verify(root, book, chm):
    import tempfile
    _, contents = read_contents(root, book)
    with tempfile.TemporaryDirectory() as folder:
        run = subprocess.run(["extract_chmLib", str(chm), folder], capture_output=True, text=True,
                             errors="replace")
        if run.returncode != 0:
            fail(f"extract_chmLib could not read {chm} (exit {run.returncode}): {run.stdout}{run.stderr}")
        want = {name for _, name in contents} | {"contents.hhc", "index.hhk", "help.css"}
        for name in list(want):
            page = Page()
            if name.endswith(".html") and name != "messages.html":
                page.feed((root / "help" / "topics" / name).read_text(encoding="utf-8"))
                want |= set(page.pictures)
        missing = sorted(n for n in want if not (Path(folder) / n).is_file())
        if missing:
            fail(f"{chm} lacks {', '.join(missing)}")
        print(f"{chm}: read back, {len(want)} files present")


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "--verify":
        verify(Path(sys.argv[2]).resolve(), sys.argv[3], Path(sys.argv[4]))
    elif len(sys.argv) >= 5:
        main()
    else:
        sys.exit(__doc__)
