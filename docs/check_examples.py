#!/usr/bin/env python3
"""Runs the examples of the guide's pages and checks what they print.

    check_examples.py --build BUILD_DIR --source SRC_DIR [--keep DIR] [-k PATTERN] FILE...

Each page (a Markdown FILE) runs in an empty folder of its own under a
temporary folder, holding at the start only KARVEN_coeff.inp (a copy of
SRC_DIR/examples/demo_coeff.inp) and examples/ (a copy of SRC_DIR/examples).
Its fenced blocks run in their order there, so a block may use the files an
earlier block of the same page wrote:

  ```sh       one script, run by bash -e -o pipefail; must exit 0.
  ```console  a line "$ COMMAND" is a command (a line ending in a backslash
              goes on over the next line, and a here-document's lines up to
              its closing word belong to it); the lines after it, up to the
              next "$ " line, are what it prints on standard output and error
              together, compared exactly. A line "..." stands for zero or more
              lines; a last line "[exit N]" is the status it must end with
              (otherwise 0). Each command runs in a bash of its own, as typed
              at an interactive prompt (no -e, no pipefail).
  ```python   run by python3; must exit 0.

A line <!-- not run: REASON --> just before a sh, console or python block
keeps it from running; it is counted and listed with its reason. Blocks of
any other kind are shown, not run.

Environment: PATH is the build's program folders, then /usr/bin:/bin;
PYTHONPATH the build's python folder; LC_ALL=C.UTF-8; KARVEN_DATA unset;
HOME an empty folder beside the pages' folders.
Standard input is empty. A command or block still running after the timeout
(60 s) is ended, with everything it started, and reported.

-k PATTERN runs only the pages whose name (as printed) holds PATTERN, or
matches it as a shell-style pattern. The scratch folder is removed at the
end; with --keep DIR the pages' folders are made in DIR and kept.

Exit status: 0 when every run block did what it shows, 1 when one failed,
2 for a wrong command line or a missing build or source folder.
"""

import argparse
import difflib
import fnmatch
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

RUN_KINDS = ("sh", "console", "python")
PROGRAM_FOLDERS = ("driver", "plot", "date", "export", "map")
TIMEOUT_SECONDS = 60

NOT_RUN = re.compile(r"^\s*<!--\s*not run\b:?\s*(.*?)\s*-->\s*$")
FENCE = re.compile(r"^(\s*)(`{3,}|~{3,})\s*([^`\s]*)[^`]*$")
EXIT = re.compile(r"^\[exit (\d+)\]$")
HEREDOC = re.compile(r"(?<!<)<<(?!<)-?\s*(['\"]?)([A-Za-z_][A-Za-z0-9_]*)\1")


class Block:
    """A fenced block: its kind (the info string's first word), the line of
    its opening fence (1-based), its lines and the reason it is not run."""

    def __init__(self, kind, line, lines, not_run=None):
        self.kind = kind
        self.line = line
        self.lines = lines
        self.not_run = not_run


class Command:
    """A command of a console block: its text as bash takes it, the lines
    it must print and the status it must end with."""

    def __init__(self, text, expected, status):
        self.text = text
        self.expected = expected
        self.status = status


class PageError(Exception):
    """A fault of the page itself, reported at a line of it."""

    def __init__(self, line, message):
        super().__init__(message)
        self.line = line


def read_blocks(lines):
    """The fenced blocks of a page's lines, in their order. A not-run marker
    belongs to the block whose opening fence follows it, blank lines apart;
    one before anything else, or before a block that never runs, is a
    PageError."""
    blocks = []
    marker = None  # (line, reason) of a not-run marker not yet placed
    i = 0
    while i < len(lines):
        text = lines[i]
        fence = FENCE.match(text)
        found = NOT_RUN.match(text)
        if found:
            if marker:
                raise PageError(marker[0], "a not-run marker without a block after it")
            marker = (i + 1, found.group(1) or "no reason given")
            i += 1
            continue
        if not fence:
            if marker and text.strip():
                raise PageError(marker[0], "a not-run marker without a block after it")
            i += 1
            continue
        indent, opening, info = len(fence.group(1)), fence.group(2), fence.group(3)
        start = i + 1
        body = []
        i += 1
        while i < len(lines):
            closing = lines[i].strip()
            if closing and closing[0] == opening[0] and len(closing) >= len(opening) \
                    and closing == closing[0] * len(closing):
                break
            body.append(strip_indent(lines[i], indent))
            i += 1
        else:
            raise PageError(start, "a fenced block that never closes")
        i += 1
        kind = info.lower()
        reason = None
        if marker:
            if kind not in RUN_KINDS:
                raise PageError(marker[0], "a not-run marker before a block that never runs ("
                                + (kind or "no kind") + ")")
            reason = marker[1]
            marker = None
        blocks.append(Block(kind, start, body, reason))
    if marker:
        raise PageError(marker[0], "a not-run marker without a block after it")
    return blocks


def strip_indent(text, indent):
    """A block's line without the indentation of its fence (a block in a
    list item is indented with it)."""
    stripped = len(text) - len(text.lstrip(" "))
    return text[min(stripped, indent):]


def read_console(block):
    """The commands of a console block with their expected output."""
    commands = []
    lines = block.lines
    i = 0
    while i < len(lines):
        if not lines[i].startswith("$ "):
            raise PageError(block.line + 1 + i, "output before the first command of a console block")
        text = [lines[i][2:]]
        i += 1
        while text[-1].endswith("\\") and i < len(lines):
            text.append(lines[i])
            i += 1
        # A here-document's lines are the command's input, not its output.
        for here in HEREDOC.finditer("\n".join(text)):
            word = here.group(2)
            while i < len(lines) and lines[i] != word:
                text.append(lines[i])
                i += 1
            if i == len(lines):
                raise PageError(block.line + 1 + i - 1,
                                "a here-document that never reaches " + word)
            text.append(lines[i])
            i += 1
        expected = []
        while i < len(lines) and not lines[i].startswith("$ "):
            expected.append(lines[i])
            i += 1
        status = 0
        if expected:
            found = EXIT.match(expected[-1])
            if found:
                status = int(found.group(1))
                expected.pop()
        commands.append(Command("\n".join(text), expected, status))
    return commands


def matches(expected, got):
    """Whether the lines got are the lines expected, each "..." line of
    expected standing for zero or more lines."""
    # Positions of got that the expected lines so far can reach.
    reach = {0}
    for line in expected:
        if line == "...":
            reach = set(range(min(reach), len(got) + 1)) if reach else set()
        else:
            reach = {at + 1 for at in reach if at < len(got) and got[at] == line}
        if not reach:
            return False
    return len(got) in reach


def fill_elisions(expected, got):
    """The expected lines with each "..." that stands alone against a run of
    the lines got replaced by that run, so that a diff shows only what
    differs, not the lines the page leaves out."""
    filled = []
    matcher = difflib.SequenceMatcher(None, expected, got, autojunk=False)
    for tag, i1, i2, j1, j2 in matcher.get_opcodes():
        lines, runs = expected[i1:i2], got[j1:j2]
        if tag == "equal" or "..." not in lines:
            filled += lines
            continue
        # The lines before the first "..." and after the last one stand
        # against as many lines at either end of the run; the elided
        # middle against what is left between them.
        first = lines.index("...")
        last = len(lines) - 1 - lines[::-1].index("...")
        head, middle, tail = lines[:first], lines[first:last + 1], lines[last + 1:]
        rest = runs[len(head):len(runs) - len(tail)] if len(head) + len(tail) <= len(runs) else []
        if all(line == "..." for line in middle):
            middle = rest
        elif head or tail:
            middle = fill_elisions(middle, rest)
        filled += head + middle + tail
    return filled


def output_lines(data):
    """The lines a command printed; the last line's line break is optional."""
    text = data.decode("utf-8", errors="replace")
    if text.endswith("\n"):
        text = text[:-1]
    return text.split("\n") if text else []


def run(argv, cwd, env, stdin_data=None, timeout=TIMEOUT_SECONDS):
    """Runs argv in a session of its own; returns (status, output), the
    status None when the timeout ended it. Standard output and error are
    taken together."""
    process = subprocess.Popen(argv, cwd=cwd, env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT,
                               stdin=subprocess.PIPE if stdin_data is not None else subprocess.DEVNULL,
                               start_new_session=True)
    try:
        output, _ = process.communicate(stdin_data, timeout=timeout)
        return process.returncode, output
    except subprocess.TimeoutExpired:
        # Everything the command started is in its session's process group.
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        try:
            output, _ = process.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            # A program that left the group still holds the output open.
            process.kill()
            process.wait()
            output = b""
        return None, output


def describe_status(status, timeout):
    if status is None:
        return "still running after %g s: ended" % timeout
    if status < 0:
        return "killed by signal %d" % -status
    return "exit status %d" % status


def environment(build, home):
    env = dict(os.environ)
    for name in ("KARVEN_DATA", "LANG", "LANGUAGE", "COLUMNS", "LINES"):
        env.pop(name, None)
    for name in list(env):
        if name.startswith("LC_"):
            del env[name]
    env["PATH"] = os.pathsep.join([os.path.join(build, folder) for folder in PROGRAM_FOLDERS]
                                  + ["/usr/bin", "/bin"])
    env["PYTHONPATH"] = os.path.join(build, "python")
    env["LC_ALL"] = "C.UTF-8"
    # An example that writes into the home folder (settings, caches, an
    # install under ~/.local) writes into the scratch folder's.
    env["HOME"] = home
    return env


class Page:
    """The outcome of one page: counts and the lines that report it."""

    def __init__(self, name):
        self.name = name
        self.run = 0
        self.not_run = []
        self.failures = []
        self.failed_blocks = set()

    def fail(self, line, title, details):
        where = "%s:%d" % (self.name, line) if line else self.name
        self.failures.append(["  failed (%s): %s" % (where, title)]
                             + ["    " + text if text else "" for text in details])
        self.failed_blocks.add(line)


def last_lines(output, count=20):
    lines = output_lines(output)
    shown = lines[-count:]
    if len(lines) > count:
        shown.insert(0, "[%d lines before]" % (len(lines) - count))
    return ["| " + line for line in shown]


def run_console(page, block, folder, env, timeout):
    """Runs each command of a console block; a command whose status or
    output differs from the page's is a failure of the page."""
    for command in read_console(block):
        status, output = run(["bash", "-c", command.text], folder, env, timeout=timeout)
        if status is not None and status < 0:
            # bash runs a lone command in its own place; a shell reports
            # its death by signal N as the status 128 + N.
            status = 128 - status
        got = output_lines(output)
        title = "$ " + command.text.replace("\n", "\n    ")
        details = []
        if status != command.status:
            details.append(describe_status(status, timeout) + ", expected %d" % command.status)
        if not matches(command.expected, got):
            filled = fill_elisions(command.expected, got)
            details += [line.rstrip("\n") for line in difflib.unified_diff(
                filled, got, "expected", "got", lineterm="")]
            if [line.rstrip() for line in filled] == [line.rstrip() for line in got]:
                details.append("(the lines differ only in the blanks at their ends, which an "
                               "editor may strip from a page)")
        if details:
            page.fail(block.line, title, details)


def run_script(page, block, folder, env, timeout):
    """Runs a sh or python block; any status but 0 is a failure."""
    where = "%s:%d" % (page.name, block.line)
    script = "\n".join(block.lines) + "\n"
    if block.kind == "sh":
        argv = ["bash", "-e", "-o", "pipefail", "-c", script, where]
        status, output = run(argv, folder, env, timeout=timeout)
    else:
        status, output = run(["python3", "-"], folder, env, stdin_data=script.encode("utf-8"),
                             timeout=timeout)
    if status != 0:
        page.fail(block.line, block.kind + " block",
                  [describe_status(status, timeout) + ", expected 0"] + last_lines(output))


def prepare(folder, source):
    os.makedirs(folder)
    examples = os.path.join(source, "examples")
    shutil.copyfile(os.path.join(examples, "demo_coeff.inp"), os.path.join(folder, "KARVEN_coeff.inp"))
    shutil.copytree(examples, os.path.join(folder, "examples"),
                    ignore=shutil.ignore_patterns("__pycache__"))


def check_page(path, name, folder, source, env, timeout):
    page = Page(name)
    try:
        with open(path, encoding="utf-8") as stream:
            blocks = read_blocks(stream.read().split("\n"))
        for block in blocks:
            if block.kind == "console" and block.not_run is None:
                read_console(block)  # a malformed block fails the page before anything runs
    except (OSError, UnicodeDecodeError) as error:
        page.fail(0, "the page cannot be read", [str(error)])
        return page
    except PageError as error:
        page.fail(error.line, "the page", [str(error)])
        return page
    prepare(folder, source)
    for block in blocks:
        if block.kind not in RUN_KINDS:
            continue
        if block.not_run is not None:
            page.not_run.append((block.line, block.not_run))
            continue
        page.run += 1
        if block.kind == "console":
            run_console(page, block, folder, env, timeout)
        else:
            run_script(page, block, folder, env, timeout)
    return page


def display_name(path, source):
    relative = os.path.relpath(os.path.abspath(path), os.path.abspath(source))
    return path if relative.startswith("..") else relative


def folder_name(name):
    return re.sub(r"[^A-Za-z0-9_.-]+", "_", name)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", required=True, help="the build folder")
    parser.add_argument("--source", required=True, help="the source folder (its examples/ are copied)")
    parser.add_argument("--keep", metavar="DIR", help="make the pages' folders in DIR and keep them")
    parser.add_argument("-k", metavar="PATTERN", dest="pattern", help="only the pages that match")
    parser.add_argument("--timeout", type=float, default=TIMEOUT_SECONDS, help=argparse.SUPPRESS)
    parser.add_argument("files", nargs="+", metavar="FILE")
    options = parser.parse_args(argv)

    if not os.path.isdir(options.build):
        parser.error("--build %s: no such folder" % options.build)
    if not os.path.isfile(os.path.join(options.source, "examples", "demo_coeff.inp")):
        parser.error("--source %s: no examples/demo_coeff.inp in it" % options.source)
    build = os.path.abspath(options.build)
    source = os.path.abspath(options.source)

    if options.keep:
        os.makedirs(options.keep, exist_ok=True)
        scratch = os.path.abspath(options.keep)
    else:
        scratch = tempfile.mkdtemp(prefix="karven-examples-")
    home = os.path.join(scratch, "home")
    if options.keep and os.path.lexists(home):
        shutil.rmtree(home)
    os.makedirs(home)
    env = environment(build, home)
    totals = [0, 0, 0]
    start = time.monotonic()
    try:
        for path in options.files:
            name = display_name(path, source)
            if options.pattern and options.pattern not in name \
                    and not fnmatch.fnmatch(name, options.pattern):
                continue
            folder = os.path.join(scratch, folder_name(name))
            if options.keep and os.path.lexists(folder):
                shutil.rmtree(folder)
            page = check_page(path, name, folder, source, env, options.timeout)
            print("%s: %d run, %d not run" % (name, page.run, len(page.not_run)))
            for line, reason in page.not_run:
                print("  not run (%s:%d): %s" % (name, line, reason))
            for failure in page.failures:
                print("\n".join(failure))
            sys.stdout.flush()
            totals[0] += page.run
            totals[1] += len(page.not_run)
            totals[2] += len(page.failed_blocks)
    finally:
        if not options.keep:
            shutil.rmtree(scratch, ignore_errors=True)
    print("examples: %d run, %d not run, %d failed" % tuple(totals))
    print("check_examples: %.1f s" % (time.monotonic() - start), file=sys.stderr)
    return 1 if totals[2] else 0


if __name__ == "__main__":
    sys.exit(main())
