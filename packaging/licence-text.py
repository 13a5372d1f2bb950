#!/usr/bin/env python3
"""Writes the readable text of a licence saved as a web page.

Usage: licence-text.py <page.html> <text file>

The compiler's libraries come with their licences as whole web pages,
scripts and trackers included; the package carries only their text.
"""
import html.parser
import re
import sys

BLOCKS = {"p", "div", "br", "li", "tr", "h1", "h2", "h3", "h4", "h5", "h6", "pre", "section",
          "article", "blockquote", "dd", "dt", "table", "ul", "ol"}
SKIPPED = {"script", "style", "head", "noscript", "nav", "header", "footer", "svg", "button",
           "form"}


class TextOfPage(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts = []
        self.skipping = 0

    def handle_starttag(self, tag, attrs):
        if tag in SKIPPED:
            self.skipping += 1
        elif tag in BLOCKS:
            self.parts.append("\n")

    def handle_endtag(self, tag):
        if tag in SKIPPED:
            self.skipping = max(0, self.skipping - 1)
        elif tag in BLOCKS:
            self.parts.append("\n")

    def handle_data(self, data):
        if not self.skipping:
            self.parts.append(data)

    def text(self):
        lines = [re.sub(r"[ \t\r\f\v]+", " ", line).strip()
                 for line in "".join(self.parts).split("\n")]
        text = "\n".join(lines)
        return re.sub(r"\n{3,}", "\n\n", text).strip() + "\n"


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    with open(sys.argv[1], encoding="utf-8", errors="replace") as page:
        parser = TextOfPage()
        parser.feed(page.read())
    with open(sys.argv[2], "w", encoding="utf-8") as out:
        out.write(parser.text())


if __name__ == "__main__":
    main()
