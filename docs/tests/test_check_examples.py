#!/usr/bin/env python3
"""Tests of the examples' runner, on small pages written here and a build
folder whose programs are shell scripts."""

import os
import shutil
import stat
import subprocess
import sys
import tempfile
import textwrap
import unittest

DOCS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RUNNER = os.path.join(DOCS, "check_examples.py")
sys.path.insert(0, DOCS)
import check_examples  # noqa: E402

# A stand-in for the main program: it says where it runs and what it finds.
KARVEN = """#!/bin/sh
case "$1" in
  --bad) echo "karven: unknown argument --bad; see man karven" >&2; exit 2 ;;
esac
read latitude
read longitude
echo "site $latitude $longitude"
echo "KARVEN_DATA=${KARVEN_DATA-unset} LC_ALL=$LC_ALL"
echo "curve" > psvc_karven.eu.26.dat
echo "Stop - Program terminated."
"""


class RunnerTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="check-examples-test-")
        self.addCleanup(shutil.rmtree, self.root)
        self.source = os.path.join(self.root, "src")
        self.build = os.path.join(self.root, "build")
        self.tmp = os.path.join(self.root, "tmp")
        for folder in ("src/examples", "src/docs", "build/driver", "tmp"):
            os.makedirs(os.path.join(self.root, folder))
        for name, text in (("demo_coeff.inp", "1 2 3\n"), ("README.md", "# Demo\n")):
            with open(os.path.join(self.source, "examples", name), "w") as stream:
                stream.write(text)
        program = os.path.join(self.build, "driver", "karven")
        with open(program, "w") as stream:
            stream.write(KARVEN)
        os.chmod(program, stat.S_IRWXU)

    def check(self, pages, *options):
        """Writes the pages into src/docs, runs the runner on them and
        returns its status and standard output."""
        paths = []
        for name, text in pages.items():
            path = os.path.join(self.source, "docs", name)
            with open(path, "w") as stream:
                stream.write(textwrap.dedent(text))
            paths.append(path)
        env = dict(os.environ, TMPDIR=self.tmp, KARVEN_DATA="/nowhere", LC_ALL="C")
        result = subprocess.run(
            [sys.executable, "-B", RUNNER, "--build", self.build, "--source", self.source,
             *options, *paths], capture_output=True, text=True, env=env, timeout=120)
        return result.returncode, result.stdout

    def test_blocks_that_do_what_they_show(self):
        status, output = self.check({"dating.md": """\
            # Dating

            ```console
            $ ls
            KARVEN_coeff.inp
            examples
            $ touch ~/settings && ls ~
            settings
            $ printf '48.85\\n2.35\\n' | karven
            site 48.85 2.35
            KARVEN_DATA=unset LC_ALL=C.UTF-8
            Stop - Program terminated.
            $ karven <<'ANSWERS'
            40.4
            -3.7
            ANSWERS
            site 40.4 -3.7
            ...
            $ karven --bad
            karven: unknown argument --bad; see man karven
            [exit 2]
            $ kill -TERM $$
            [exit 143]
            $ sh -c 'kill -INT $$'
            [exit 130]
            $ seq 1 100 && \\
              echo done
            1
            ...
            99
            100
            done
            ```

            A file shown, not run:

            ```text
            $ rm -rf /
            ```

            <!-- not run: needs the published coefficient file -->
            ```sh
            karven < /no/such/file
            ```

            ```sh
            cat examples/README.md psvc_karven.eu.26.dat > both.txt
            ```

            <!-- not run: needs a browser -->

            ```python
            import webbrowser
            ```

            ```python
            assert open("both.txt").read() == "# Demo\\ncurve\\n"
            ```

            ```console
            $ cat both.txt
            # Demo
            curve
            ```
            """})
        self.assertEqual(output, textwrap.dedent("""\
            docs/dating.md: 4 run, 2 not run
              not run (docs/dating.md:42): needs the published coefficient file
              not run (docs/dating.md:52): needs a browser
            examples: 4 run, 2 not run, 0 failed
            """))
        self.assertEqual(status, 0)
        self.assertEqual(os.listdir(self.tmp), [], "the scratch folder is removed")

    def test_failures_are_reported_with_their_lines(self):
        status, output = self.check({"a.md": """\
            ```console
            $ echo one; echo two
            one
            three
            $ karven --bad
            karven: unknown argument --bad; see man karven
            $ echo fine
            fine
            $ (echo 1; echo 2; echo 3) | cat
            1
            ...
            4
            [exit 3]
            $ printf 'a \\n \\nb\\n'
            a

            b
            $ seq 1 30 | sed s/^17$/seventeen/
            1
            ...
            16
            17
            ...
            30
            ```

            ```sh
            echo made > made.txt
            false | true
            echo never
            ```

            ```python
            import sys
            print("a traceback follows")
            raise SystemExit(4)
            ```

            ```console
            $ ls made.txt never.txt
            made.txt
            ```
            """, "b.md": """\
            ```console
            $ karven-map --help
            [exit 0]
            ```
            """})
        self.assertEqual(output, textwrap.dedent("""\
            docs/a.md: 4 run, 0 not run
              failed (docs/a.md:1): $ echo one; echo two
                --- expected
                +++ got
                @@ -1,2 +1,2 @@
                 one
                -three
                +two
              failed (docs/a.md:1): $ karven --bad
                exit status 2, expected 0
              failed (docs/a.md:1): $ (echo 1; echo 2; echo 3) | cat
                exit status 0, expected 3
                --- expected
                +++ got
                @@ -1,3 +1,3 @@
                 1
                 2
                -4
                +3
              failed (docs/a.md:1): $ printf 'a \\n \\nb\\n'
                --- expected
                +++ got
                @@ -1,3 +1,3 @@
                -a
                -
                +a\x20
                +\x20
                 b
                (the lines differ only in the blanks at their ends, which an editor may strip from a page)
              failed (docs/a.md:1): $ seq 1 30 | sed s/^17$/seventeen/
                --- expected
                +++ got
                @@ -14,7 +14,7 @@
                 14
                 15
                 16
                -17
                +seventeen
                 18
                 19
                 20
              failed (docs/a.md:27): sh block
                exit status 1, expected 0
              failed (docs/a.md:33): python block
                exit status 4, expected 0
                | a traceback follows
              failed (docs/a.md:39): $ ls made.txt never.txt
                exit status 2, expected 0
                --- expected
                +++ got
                @@ -1 +1,2 @@
                +ls: cannot access 'never.txt': No such file or directory
                 made.txt
            docs/b.md: 1 run, 0 not run
              failed (docs/b.md:1): $ karven-map --help
                exit status 127, expected 0
                --- expected
                +++ got
                @@ -0,0 +1 @@
                +bash: line 1: karven-map: command not found
            examples: 5 run, 0 not run, 5 failed
            """))
        self.assertEqual(status, 1)

    def test_a_hanging_command_is_ended(self):
        status, output = self.check({"slow.md": """\
            ```console
            $ echo started; sleep 30 & sleep 30; echo never
            started
            ```
            """}, "--timeout", "1")
        self.assertEqual(output, textwrap.dedent("""\
            docs/slow.md: 1 run, 0 not run
              failed (docs/slow.md:1): $ echo started; sleep 30 & sleep 30; echo never
                still running after 1 s: ended, expected 0
            examples: 1 run, 0 not run, 1 failed
            """))
        self.assertEqual(status, 1)

    def test_faults_of_a_page(self):
        pages = {
            "marker.md": "<!-- not run: no reason -->\nSome text.\n\n```sh\ntrue\n```\n",
            "shown.md": "<!-- not run: shown anyway -->\n```text\nx\n```\n",
            "open.md": "```sh\ntrue\n",
            "output.md": "```console\nfirst\n$ true\n```\n",
            "heredoc.md": "```console\n$ cat <<EOF\nx\n```\n",
        }
        status, output = self.check(pages)
        self.assertEqual(output, textwrap.dedent("""\
            docs/marker.md: 0 run, 0 not run
              failed (docs/marker.md:1): the page
                a not-run marker without a block after it
            docs/shown.md: 0 run, 0 not run
              failed (docs/shown.md:1): the page
                a not-run marker before a block that never runs (text)
            docs/open.md: 0 run, 0 not run
              failed (docs/open.md:1): the page
                a fenced block that never closes
            docs/output.md: 0 run, 0 not run
              failed (docs/output.md:2): the page
                output before the first command of a console block
            docs/heredoc.md: 0 run, 0 not run
              failed (docs/heredoc.md:3): the page
                a here-document that never reaches EOF
            examples: 0 run, 0 not run, 5 failed
            """))
        self.assertEqual(status, 1)

    def test_kept_folders_and_chosen_pages(self):
        keep = os.path.join(self.root, "kept")
        status, output = self.check({
            "one.md": "```sh\necho one > one.txt\n```\n",
            "two.md": "```sh\necho two > two.txt\n```\n",
        }, "--keep", keep, "-k", "one")
        self.assertEqual(output, "docs/one.md: 1 run, 0 not run\nexamples: 1 run, 0 not run, 0 failed\n")
        self.assertEqual(status, 0)
        self.assertEqual(sorted(os.listdir(keep)), ["docs_one.md", "home"])
        self.assertEqual(sorted(os.listdir(os.path.join(keep, "docs_one.md"))),
                         ["KARVEN_coeff.inp", "examples", "one.txt"])


class ElisionTest(unittest.TestCase):
    def test_elision(self):
        got = ["a", "b", "c", "d"]
        for expected in (["a", "b", "c", "d"], ["..."], ["a", "..."], ["...", "d"],
                         ["a", "...", "d"], ["a", "b", "...", "c", "d"], ["...", "b", "...", "..."],
                         ["...", "c", "d", "..."]):
            self.assertTrue(check_examples.matches(expected, got), expected)
        for expected in (["a", "b", "c"], ["b", "..."], ["...", "c"], ["a", "...", "e"],
                         ["...", "c", "b", "..."], ["a", "b", "c", "d", ""], []):
            self.assertFalse(check_examples.matches(expected, got), expected)
        self.assertTrue(check_examples.matches([], []))
        self.assertTrue(check_examples.matches(["..."], []))
        self.assertFalse(check_examples.matches(["..."] + ["x"], []))


if __name__ == "__main__":
    unittest.main()
