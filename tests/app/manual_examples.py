#!/usr/bin/env python3
"""Runs the examples of a help page and compares what they print.

    manual_examples.py VOSTREL PAGE PROFILE LIBRARY

An example is a <div class="example"> holding a <pre class="command"> (a
bash command line that calls `vostrel`), optionally a <pre class="output">
(stdout) and a <pre class="stderr"> (stderr); a missing one means that
nothing is printed there. data-exit="N" on the div gives the exit status
(default 0). The examples run in page order on one profile, as a reader
following the page would, with `vostrel` standing for VOSTREL --profile
PROFILE --library LIBRARY. Prints every mismatch; exits 1 when there is one.
"""
import html.parser
import os
import subprocess
import sys


class ExampleParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.examples = []
        self.div_depth = 0  # depth inside an example div
        self.part = None
        self.line = 0

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        classes = (attrs.get("class") or "").split()
        if tag == "div":
            if self.div_depth:
                self.div_depth += 1
            elif "example" in classes:
                self.div_depth = 1
                self.examples.append({"exit": int(attrs.get("data-exit", "0")), "line": self.getpos()[0]})
        elif tag == "pre" and self.div_depth:
            for name in ("command", "output", "stderr"):
                if name in classes:
                    self.part = name
                    self.examples[-1][name] = ""

    def handle_endtag(self, tag):
        if tag == "pre":
            self.part = None
        elif tag == "div" and self.div_depth:
            self.div_depth -= 1

    def handle_data(self, data):
        if self.part:
            self.examples[-1][self.part] += data


def normalise(text):
    # A <pre> drops one line feed after its start tag; trailing line feeds
    # and the CR of CR LF line ends are not shown.
    text = text.replace("\r\n", "\n")
    if text.startswith("\n"):
        text = text[1:]
    return text.rstrip("\n")


def main():
    vostrel, page, profile, library = sys.argv[1:5]
    parser = ExampleParser()
    with open(page, encoding="utf-8") as f:
        parser.feed(f.read())
    examples = [e for e in parser.examples if "command" in e]
    if not examples:
        print(f"{page}: no examples found")
        return 1
    workdir = os.path.dirname(os.path.abspath(profile))  # files an example writes go here
    os.makedirs(workdir, exist_ok=True)
    env = dict(os.environ, VOSTREL_BIN=vostrel, VOSTREL_PROFILE_DIR=profile, VOSTREL_LIBRARY_FILE=library)
    prelude = 'vostrel() { "$VOSTREL_BIN" --profile "$VOSTREL_PROFILE_DIR" --library "$VOSTREL_LIBRARY_FILE" "$@"; }\n'
    failed = 0
    for example in examples:
        command = normalise(example["command"])
        run = subprocess.run(["bash", "-c", prelude + command], env=env, capture_output=True,
                             stdin=subprocess.DEVNULL, cwd=workdir)
        actual = {
            "output": normalise(run.stdout.decode("utf-8", "replace")),
            "stderr": normalise(run.stderr.decode("utf-8", "replace")),
        }
        problems = []
        if run.returncode != example["exit"]:
            problems.append(f"exit status {run.returncode}, expected {example['exit']}")
        for part in ("output", "stderr"):
            expected = normalise(example.get(part, ""))
            if actual[part] != expected:
                problems.append(f"{part} differs\n--- expected\n{expected}\n--- actual\n{actual[part]}")
        if problems:
            failed += 1
            print(f"FAILED example at line {example['line']}: {command}")
            for problem in problems:
                print(problem)
    print(f"{len(examples) - failed} of {len(examples)} examples as documented")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
