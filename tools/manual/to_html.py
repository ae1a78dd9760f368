#!/usr/bin/python3
"""Renders the Markdown manual as one HTML page (python3-markdown), with a small style sheet.

usage: to_html.py MANUAL.md OUT.html VERSION

Every @VERSION@ in the manual becomes VERSION, the version of the plug-in it ships with.
"""
import sys

import markdown

STYLE = """
body { font-family: sans-serif; max-width: 60em; margin: 2em auto; padding: 0 1em; line-height: 1.45; color: #222; }
h1, h2 { color: #7a2a1a; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #ccc; padding: 0.3em 0.6em; vertical-align: top; text-align: left; }
img { max-width: 100%; }
code, pre { background: #f4f1ee; }
pre { padding: 0.6em; overflow-x: auto; }
"""


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    source, target, version = sys.argv[1:]
    with open(source, encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version)
    title = text.splitlines()[0].lstrip("# ").strip()
    body = markdown.markdown(text, extensions=["tables", "fenced_code"])
    with open(target, "w", encoding="utf-8") as f:
        f.write(f'<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n<title>{title}</title>\n'
                f"<style>{STYLE}</style>\n</head>\n<body>\n{body}\n</body>\n</html>\n")


if __name__ == "__main__":
    main()
