#!/usr/bin/env python3
"""Reads FILE as orvex's JSON output, strictly: UTF-8 without a BOM, one or more JSON values (one
document, or one per line), no NaN or Infinity, no key twice in an object. Each further argument
is a Python expression that must be true; it sees `docs` (the values), `doc` (the first),
`cp932(path)` (a file's bytes decoded as code page 932) and `env` (the environment).
usage: jsoncheck.py FILE [EXPRESSION...]   exit 0: valid and every expression true"""
import json
import os
import sys


def no_duplicates(pairs):
    keys = [k for k, _ in pairs]
    if len(keys) != len(set(keys)):
        raise ValueError("a key appears twice: %r" % keys)
    return dict(pairs)


def no_constant(name):
    raise ValueError("not JSON: %s" % name)


def cp932(path):
    with open(path, "rb") as f:
        return f.read().decode("cp932")


def main():
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    try:
        text = data.decode("utf-8")  # strict: any invalid byte fails
        if text.startswith("\ufeff"):
            raise ValueError("a byte order mark")
        decoder = json.JSONDecoder(object_pairs_hook=no_duplicates, parse_constant=no_constant)
        docs, at = [], 0
        while True:
            while at < len(text) and text[at] in " \t\r\n":
                at += 1
            if at == len(text):
                break
            value, at = decoder.raw_decode(text, at)
            docs.append(value)
        if not docs:
            raise ValueError("no JSON value")
    except ValueError as e:  # UnicodeDecodeError and JSONDecodeError are ValueErrors
        print("invalid JSON in %s: %s" % (sys.argv[1], e))
        return 1
    for expression in sys.argv[2:]:
        if not eval(expression, {"docs": docs, "doc": docs[0], "cp932": cp932, "env": os.environ}):
            print("not true: %s\n  for %s" % (expression, json.dumps(docs, ensure_ascii=False)[:2000]))
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
