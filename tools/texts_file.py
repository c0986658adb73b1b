"""The `name = "value"` lines of the project's texts files (texts.txt, packaging/package.txt), for
the Python scripts that read them: the value with its C escapes undone. Lines of another form
(comments, blanks) are passed over."""

import re

_ESCAPES = {"\\": "\\", '"': '"', "r": "\r", "n": "\n", "t": "\t"}
_LINE = re.compile(r'\s*([A-Za-z][\w.-]*)\s*=\s*"((?:[^"\\]|\\.)*)"\s*$')


def parse_texts(text):
    texts = {}
    for line in text.splitlines():
        match = _LINE.match(line)
        if match:
            texts[match.group(1)] = re.sub(r"\\(.)", lambda e: _ESCAPES.get(e.group(1), e.group(1)), match.group(2))
    return texts
