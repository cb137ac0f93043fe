#!/usr/bin/env python3
"""The failure texts of the programs' text tables and the message reference that explains them.

  messages.py list ROOT            every failure text in the text tables, one a line
  messages.py check ROOT           fails when a failure text has no entry in help/messages.txt,
                                   or an entry names a text the code no longer has
  messages.py html ROOT OUT        writes the message reference page from help/messages.txt

A text table is one of the files named in help/message-sources.txt; its texts are its string
literals with Japanese in them (adjacent literals joined as the compiler joins them), kept in
their escaped source form ("\\n" stays two characters). A text means a failure when it holds one
of the words in FAILURE_WORDS.
"""
import html
import re
import sys
from pathlib import Path

FAILURE_WORDS = ("失敗", "異常", "エラー", "不足", "不正", "できません", "出来ません", "見つか",
                 "存在していません", "不存在", "不可", "オーバー", "応答無", "応答が", "未接続",
                 "されていません", "指定無", "未設定", "非選択", "選択されていません", "停止",
                 "壊れて", "不能", "旧バージョン", "非対応", "未確認", "致命的", "ﾒﾓﾘ不足",
                 "ｴﾗｰ", "長すぎ", "取外", "ｵｰﾌﾟﾝ失敗", "ファイル形式")

LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
JAPANESE = re.compile(r"[\u3000-\u9fff\uff00-\uffef]")


def strip_comments(code):
    # Line comments outside literals; the tables keep no block comments inside literals.
    out = []
    for line in code.split("\n"):
        i, in_str = 0, False
        while i < len(line):
            c = line[i]
            if in_str:
                if c == "\\":
                    i += 1
                elif c == '"':
                    in_str = False
            elif c == '"':
                in_str = True
            elif line.startswith("//", i):
                line = line[:i]
                break
            i += 1
        out.append(line)
    return "\n".join(out)


def literals(path):
    code = strip_comments(path.read_text(encoding="utf-8"))
    texts, pos, current, last_end = [], 0, None, None
    for m in LITERAL.finditer(code):
        if current is not None and code[last_end:m.start()].strip() == "":
            current += m.group(1)  # "a" "b" is one literal
        else:
            if current is not None:
                texts.append(current)
            current = m.group(1)
        last_end = m.end()
    if current is not None:
        texts.append(current)
    return [t for t in texts if JAPANESE.search(t)]


def sources(root):
    names = (root / "help" / "message-sources.txt").read_text(encoding="utf-8").split("\n")
    return [root / n.strip() for n in names if n.strip() and not n.startswith("#")]


def failure_texts(root):
    found = {}
    for path in sources(root):
        if not path.is_file():
            sys.exit(f"messages.py: text table {path} named in help/message-sources.txt does not exist")
        for text in literals(path):
            # An INI file's comment lines and the bare words a status is rewritten with are no
            # messages of their own.
            if text.startswith(";") or text in FAILURE_WORDS:
                continue
            if any(w in text for w in FAILURE_WORDS):
                found.setdefault(text, str(path.relative_to(root)))
    return found


def entries(root):
    """help/messages.txt: entries parted by blank lines; '= ' lines are texts, 'cause:', 'action:'
    and 'where:' lines say the rest; '## ' lines start a section."""
    result, section = [], ""
    block = []
    lines = (root / "help" / "messages.txt").read_text(encoding="utf-8").split("\n") + [""]
    for number, line in enumerate(lines, 1):
        if line.startswith("#"):
            if line.startswith("## "):
                section = line[3:].strip()
            continue
        if line.strip():
            block.append((number, line))
            continue
        if not block:
            continue
        entry = {"texts": [], "section": section, "line": block[0][0]}
        for number, text in block:
            if text.startswith("= "):
                entry["texts"].append(text[2:])
            else:
                key, _, value = text.partition(":")
                if key not in ("where", "cause", "action"):
                    sys.exit(f"help/messages.txt:{number}: expected '= text', 'where:', 'cause:' or 'action:'")
                entry[key] = value.strip()
        for key in ("texts", "cause", "action"):
            if not entry.get(key):
                sys.exit(f"help/messages.txt:{entry['line']}: the entry has no {key}")
        result.append(entry)
        block = []
    return result


def check(root):
    code = failure_texts(root)
    documented = {t for e in entries(root) for t in e["texts"]}
    all_literals = {t for p in sources(root) for t in literals(p)}
    missing = [(t, f) for t, f in code.items() if t not in documented]
    stale = sorted(t for t in documented if t not in all_literals)
    for text, file in missing:
        print(f"no entry in help/messages.txt: \"{text}\" ({file})")
    for text in stale:
        print(f"help/messages.txt names a text that no text table has: \"{text}\"")
    print(f"{len(code)} failure texts in {len(sources(root))} text tables, "
          f"{len(code) - len(missing)} with an entry, {len(missing)} without; {len(stale)} stale entries")
    return 1 if missing or stale else 0


def shown(text):
    # The escaped form as a reader sees the box: line breaks as breaks, placeholders marked.
    t = html.escape(text.replace("\\n", "\n").replace('\\"', '"').replace("\\\\", "\\"))
    t = re.sub(r"%[-0-9]*[dsuXx]|%0\d[Xx]", lambda m: f'<span class="ph">{m.group(0)}</span>', t)
    return t.replace("\n", "<br>")


def write_html(root, out):
    sections = []
    for e in entries(root):
        if not sections or sections[-1][0] != e["section"]:
            sections.append((e["section"], []))
        sections[-1][1].append(e)
    parts = [(root / "help" / "topics" / "messages-head.html.in").read_text(encoding="utf-8")]
    parts.append("<ul class=\"sections\">")
    for i, (name, _) in enumerate(sections):
        parts.append(f'<li><a href="#s{i}">{html.escape(name)}</a></li>')
    parts.append("</ul>")
    for i, (name, items) in enumerate(sections):
        parts.append(f'<h2 id="s{i}">{html.escape(name)}</h2>\n<table class="messages">')
        parts.append("<tr><th>表示・記録される文言</th><th>原因</th><th>対処</th></tr>")
        for e in items:
            texts = "<hr>".join(f"<div class=\"msg\">{shown(t)}</div>" for t in e["texts"])
            if e.get("where"):
                texts += f'<div class="where">{html.escape(e["where"])}</div>'
            parts.append(f"<tr><td>{texts}</td><td>{html.escape(e['cause'])}</td>"
                         f"<td>{html.escape(e['action'])}</td></tr>")
        parts.append("</table>")
    parts.append("</body>\n</html>\n")
    Path(out).write_text("\n".join(parts), encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in ("list", "check", "html"):
        sys.exit(__doc__)
    root = Path(sys.argv[2]).resolve()
    if sys.argv[1] == "list":
        for text, file in failure_texts(root).items():
            print(f"{file}\t{text}")
    elif sys.argv[1] == "check":
        sys.exit(check(root))
    else:
        write_html(root, sys.argv[3])
