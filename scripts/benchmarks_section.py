"""BENCHMARKS.md's sections, each written whole by the script that measures it."""
import os
import re


def write_section(heading, section, path="BENCHMARKS.md"):
    """Puts `section` (starting with the line `heading`) in place of the section of that
    heading, up to the next "## ", or at the end when there is none."""
    text = open(path).read() if os.path.exists(path) else ""
    match = re.search("^" + re.escape(heading) + r"\n.*?(?=^## |\Z)", text, re.S | re.M)
    if match:
        text = text[:match.start()] + section + ("\n" if match.end() < len(text) else "") + text[match.end():]
    else:
        text = text.rstrip("\n") + ("\n\n" if text else "") + section
    open(path, "w").write(text)
