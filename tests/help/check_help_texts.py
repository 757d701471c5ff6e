#!/usr/bin/env python3
"""Checks that the texts the linewise command prints and the help pages say the same things:
every option of the usage text is on linewise.html with its description; every value line of
the /A, /B, /C, /E and /Y help pages is a table row there with the same number and words; the
settings display's defaults and value names are the page's; every action of the display is on
the hotkey page with its /K number and its default key on older and newer hosts.

Usage: check_help_texts.py <dump from help_dump> <help page directory>
"""
import html
import html.parser
import os
import re
import sys


def norm(text):
    text = html.unescape(text).replace("\u00a0", " ")
    return re.sub(r"\s+", " ", text).strip().lower()


class Tables(html.parser.HTMLParser):
    """Table rows as lists of normalised cell texts, and the whole text."""

    def __init__(self):
        super().__init__()
        self.rows, self.row, self.cell, self.text = [], None, None, []

    def handle_starttag(self, tag, attrs):
        if tag == "tr":
            self.row = []
        elif tag in ("td", "th") and self.row is not None:
            self.cell = []

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None:
            self.row.append(norm("".join(self.cell)))
            self.cell = None
        elif tag == "tr" and self.row is not None:
            self.rows.append(self.row)
            self.row = None

    def handle_data(self, data):
        self.text.append(data)
        if self.cell is not None:
            self.cell.append(data)


def page(directory, name):
    tables = Tables()
    with open(os.path.join(directory, name), encoding="utf-8") as f:
        tables.feed(f.read())
    tables.all = norm(" ".join(tables.text))
    return tables


def sections(path):
    result, name = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f.read().replace("\r", "").split("\n"):
            if line.startswith("=== "):
                name = line[4:]
                result[name] = []
            elif name:
                result[name].append(line)
    return result


def main():
    dump, directory = sys.argv[1], sys.argv[2]
    texts = sections(dump)
    command = page(directory, "linewise.html")
    keys = page(directory, "key.html")
    failures = []
    checked = 0

    def fail(row, message):
        failures.append("%s: %s" % (row, message))

    # Usage text: the syntax line's options and every option line.
    usage = texts["usage"]
    syntax = next(l for l in usage if l.startswith("LINEWISE "))
    for option in re.findall(r"/[A-Z?!]+", syntax):
        checked += 1
        if norm(option) not in command.all:
            fail("usage " + option, "not on linewise.html")
    for line in usage:
        m = re.match(r"^\t(/[A-Z?!]):?\t(.*?)\s*(?:\t+/.\? for more info)?\s*$", line)
        if not m:
            continue
        checked += 1
        option, words = norm(m.group(1)), norm(m.group(2))
        rows = [r for r in command.rows if r and r[0].startswith(option)]
        if not rows:
            fail("usage " + option, "no row for the option on linewise.html")
        elif not any(words in " ".join(r[1:]) for r in rows):
            fail("usage " + option, "linewise.html does not say \"%s\"" % words)
    closing = next((l for l in usage if l.startswith("LINEWISE with no options")), None)
    if closing and norm(closing) not in command.all:
        fail("usage", "linewise.html lacks \"%s\"" % closing.strip())

    # The value help pages: "<tab>n[:]<tab>words[<tab>more]".
    for option in ("/A", "/B", "/C", "/E", "/Y"):
        for line in texts[option]:
            m = re.match(r"^\t(\d+):?\t(.+)$", line)
            if not m:
                continue
            checked += 1
            value = m.group(1)
            fields = [norm(f) for f in m.group(2).split("\t") if f.strip()]
            rows = [r for r in command.rows if r and r[0] == value]
            if not any(all(any(f in cell for cell in r[1:]) for f in fields) for r in rows):
                fail("%s value %s" % (option, value),
                     "no row on linewise.html with %s" % " | ".join(fields))

    # The settings display: default values and their names, defaults named per option.
    display = texts["display older"]
    for line in display:
        m = re.match(r"^\s+(.+?)\s[ .]*(/[ABCEY])\s+:\s+(\d+)\s+\((.*)\)\s*$", line)
        if not m:
            continue
        checked += 1
        option, value, shown = m.group(2), m.group(3), norm(m.group(4))
        after = command.all.split(norm(option) + " — ", 1)
        default = re.search(r"default (\d+)", after[1]) if len(after) == 2 else None
        if not default or default.group(1) != value:
            fail("display " + option, "linewise.html does not give the default %s" % value)
        if option in ("/C", "/E"):
            if not any(r and r[0] == value and r[-1] == shown for r in command.rows):
                fail("display " + option, "no row %s shown as %s" % (value, shown))
        elif shown not in command.all:
            fail("display " + option, "linewise.html does not name %s" % shown)

    # Actions with their default keys, on older and newer hosts.
    for host in ("older", "newer"):
        actions = 0
        for line in texts["display " + host]:
            m = re.match(r"^\s+(.+?)\s[ .]*/K(\d+)\s*:\s?(.*)$", line)
            if not m:
                continue
            actions += 1
            checked += 1
            name, number = norm(m.group(1)), m.group(2)
            names = [norm(k) for k in m.group(3).split("\u00b7") if k.strip()]
            rows = [r for r in keys.rows if r and r[0] == number]
            row = "%s /K%s %s" % (host, number, name)
            if not rows or rows[0][1] != name:
                fail(row, "key.html has no row %s with that action" % number)
                continue
            cell = rows[0][2]
            keys_listed = [k.strip() for k in re.split(r"/|\(older hosts\)|\(newer hosts\)", cell)]
            for key in names:
                if key not in keys_listed:
                    fail(row, "key.html gives %s, not the key %s" % (cell, key))
            if not names and cell != "(none)":
                fail(row, "key.html gives %s for an action without a key" % cell)
        if actions != 23:
            fail(host, "the display listed %d actions, not 23" % actions)
        count = re.search(r"(\d+) keys defined", " ".join(texts["display " + host]))
        if not count or ("%s keys are bound by default" % count.group(1)) not in keys.all:
            fail(host, "key.html does not give the number of default keys")

    for f in failures:
        print("FAIL", f)
    print("%d checks, %d failed" % (checked, len(failures)))
    return 1 if failures or checked < 60 else 0


if __name__ == "__main__":
    sys.exit(main())
