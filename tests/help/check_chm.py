#!/usr/bin/env python3
"""Reads the built Linewise.chm back with extract_chmLib and checks it: every page the Help
export can ask for is in it, every link in every page leads to a page (and anchor) in the file,
the table of contents names every page, and every action on the hotkey page has its "more" link.

Usage: check_chm.py <Linewise.chm>
"""
import html.parser
import os
import subprocess
import sys
import tempfile
import urllib.parse

# The names the plug-in implements (PluginInfo's list) and the pages Help opens for them.
HELP_PAGES = ["linewise.html", "*key.html"]


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links = []    # href values
        self.anchors = set()
        self.locals = []   # sitemap <param name="Local">
        self.rows = []     # table rows: [cell texts, link texts]
        self.link = None   # text of the open <a href>

    def handle_endtag(self, tag):
        if tag == "a" and self.link is not None and self.rows:
            self.rows[-1][1].append("".join(self.link).strip())
            self.link = None

    def handle_data(self, data):
        if self.link is not None:
            self.link.append(data)
        if self.rows and self.rows[-1][0]:
            self.rows[-1][0][-1] += data

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "a" and "href" in attrs:
            self.links.append(attrs["href"])
            self.link = []
        if tag == "tr":
            self.rows.append([[], []])
        if tag in ("td", "th") and self.rows:
            self.rows[-1][0].append("")
        if tag == "link" and "href" in attrs:
            self.links.append(attrs["href"])
        if "id" in attrs:
            self.anchors.add(attrs["id"])
        if tag == "a" and "name" in attrs:
            self.anchors.add(attrs["name"])
        if tag == "param" and (attrs.get("name") or "").lower() == "local":
            self.locals.append(attrs.get("value", ""))


def parse(path):
    page = Page()
    with open(path, encoding="utf-8", errors="replace") as f:
        page.feed(f.read())
    return page


def main():
    chm = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory() as out:
        run = subprocess.run(["extract_chmLib", chm, out], capture_output=True, text=True)
        if run.returncode != 0:
            print("extract_chmLib failed:", run.stdout, run.stderr)
            return 1
        files = set()
        for root, _, names in os.walk(out):
            for name in names:
                files.add(os.path.relpath(os.path.join(root, name), out).replace(os.sep, "/"))
        pages = sorted(f for f in files if f.endswith(".html"))
        print("pages in the file:", ", ".join(pages))

        for wanted in HELP_PAGES:
            if wanted not in files:
                failures.append("Help can ask for %s, which is not in the file" % wanted)

        parsed = {p: parse(os.path.join(out, p)) for p in pages}
        links = 0
        for name, page in parsed.items():
            for href in page.links:
                target = urllib.parse.urlsplit(href)
                if target.scheme or target.netloc:
                    failures.append("%s links outside the file: %s" % (name, href))
                    continue
                path = urllib.parse.unquote(target.path) or name
                links += 1
                if path not in files:
                    failures.append("%s links to %s, which is not in the file" % (name, href))
                elif target.fragment and target.fragment not in parsed.get(path, Page()).anchors:
                    failures.append("%s links to %s, which has no anchor %s" %
                                    (name, path, target.fragment))

        actions = [r for r in parsed.get("*key.html", Page()).rows
                    if r[0] and r[0][0].strip().isdigit()]
        if len(actions) != 23:
            failures.append("the hotkey page lists %d actions, not 23" % len(actions))
        for cells, link_texts in actions:
            if "more" not in link_texts:
                failures.append("the hotkey page's action %s has no \"more\" link" %
                                " ".join(cells[:2]))

        tocs = [f for f in files if f.lower().endswith(".hhc")]
        if len(tocs) != 1:
            failures.append("expected one table of contents, found %s" % tocs)
        else:
            toc = parse(os.path.join(out, tocs[0]))
            named = set(urllib.parse.unquote(l) for l in toc.locals)
            for p in pages:
                if p not in named:
                    failures.append("the table of contents does not name %s" % p)
            for l in named:
                if l not in files:
                    failures.append("the table of contents names %s, not in the file" % l)
        indexes = [f for f in files if f.lower().endswith(".hhk")]
        if len(indexes) != 1:
            failures.append("expected one index, found %s" % indexes)
        else:
            for l in parse(os.path.join(out, indexes[0])).locals:
                if urllib.parse.unquote(l) not in files:
                    failures.append("the index names %s, not in the file" % l)
        print("%d pages, %d internal links checked" % (len(pages), links))

    for f in failures:
        print("FAIL", f)
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
