"""velmori-cli end to end, on small projects in a temporary folder.

    python3 cli_test.py [EMULATOR] VELMORI_CLI

runs the same cases against the native program and, with EMULATOR=wine,
against velmori-cli.exe (Windows texts into a pipe are code page 932).
"""
import filecmp
import json
import os
import pty
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

COMMAND = sys.argv[1:]
WINDOWS = COMMAND[-1].lower().endswith(".exe")
TEXT = "cp932" if WINDOWS else "utf-8"

HEADER = b'Attribute VB_Name = "m"\r\n'
DIRTY = HEADER + b"x = 1 ' \x95\x5c\r\ny = 2\r\n"  # a comment in Shift-JIS
CLEAN = HEADER + b"x = 1 \r\ny = 2\r\n"
SO = "\u30bd\u30fc\u30b9"  # a folder named ソース: its first byte pair ends in 0x5C
FILES = {
    "app.vbp": b"Type=Exe\r\nForm=f.frm\r\nModule=m; \x83\x5c\x81\x5b\x83\x58\\m.bas\r\n"
               b"Module=c; clean.bas\r\nModule=x; missing.bas\r\n",
    "f.frm": b"VERSION 5.00\r\nBegin VB.Form f\r\nEnd\r\n" + DIRTY + b"a\r\nb\r\nc\r\nd\r\n"
             b"e\r\nf\r\ng ' _\r\ncontinued\r\nh\n' no line end",
    SO + "/m.bas": DIRTY.replace(b"\r\n", b"\n", 1) + b"z = \"it's\" ' c\rlast\r\n",
    "clean.bas": CLEAN,
    "two/two.vbp": b"Class=k; k.cls\r\nForm=..\\f.frm\r\n",  # f.frm shared: done once
    "two/k.cls": DIRTY,
    "all.vbg": b"VBGROUP 5.0\r\nStartupProject=app.vbp\r\nProject=two\\two.vbp\r\n",
}


class Cli(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="velmori-cli-")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.write(FILES)

    def write(self, files, root=None):
        for name, data in files.items():
            path = os.path.join(root or self.root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)

    def read(self, name):
        with open(os.path.join(self.root, name), "rb") as f:
            return f.read()

    def run_cli(self, *arguments, cwd=None):
        run = lambda: subprocess.run(COMMAND + list(arguments), cwd=cwd or self.root,
                                     capture_output=True, timeout=120)
        done = run()
        # Wine ends a process it fails to start or serve with exit code 1 and, under
        # WINEDEBUG=-all, without a word (seen once in CI). The program itself writes
        # something on every run that is not quiet, so such a run is Wine's: try again.
        quiet = "--quiet" in arguments or "-q" in arguments
        if WINDOWS and not quiet and done.returncode == 1 and not (done.stdout or done.stderr):
            print(f"velmori-cli {arguments}: exit 1 with no output; once more",
                  file=sys.stderr)
            done = run()
        return done.returncode, done.stdout, done.stderr.decode(TEXT, "replace")

    def snapshot(self):
        found = {}
        for folder, _, names in os.walk(self.root):
            for name in names:
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    found[path] = (os.stat(path).st_mtime_ns, f.read())
        return found

    def test_exit_codes_and_usage(self):
        cases = [  # arguments, exit code, a part of stdout, a part of stderr
            ([], 64, b"", "velmori-cli <clean|check|diff>"),
            (["clean"], 64, b"", "プロジェクト ファイルを指定してください。"),
            (["check", "--bogus", "app.vbp"], 64, b"", "不明なオプションです: --bogus"),
            (["scrub", "app.vbp"], 64, b"", "不明なコマンドです: scrub"),
            (["check", "--code-page", "nine", "app.vbp"], 64, b"", "使えないコード ページです"),
            (["check", "--quiet", "--json", "app.vbp"], 64, b"", "--quiet と --json"),
            (["--version"], 0, b"velmori-cli 1.", ""),
            (["diff", "--help"], 0, "patch -p1".encode(TEXT), ""),
            (["--help"], 0, "終了コード".encode(TEXT), ""),
            (["check", "nothing.vbp"], 2, b"", "vbp ファイルが見つかりません。\n  nothing.vbp"),
            (["check", "--quiet", "app.vbp"], 1, b"", ""),
            (["check", "--code-page=932", "clean.bas"], 0, b"", "ファイル 0 個"),
            (["clean", "-q", "all.vbg"], 0, b"", ""),
            (["check", "all.vbg"], 0, b"", "ファイル 5 個、変更対象 0 個、コメント 0 行"),
        ]
        for arguments, code, out, err in cases:
            with self.subTest(arguments=arguments):
                rc, stdout, stderr = self.run_cli(*arguments)
                self.assertEqual(rc, code, stderr)
                self.assertIn(out, stdout)
                self.assertIn(err, stderr)
                if not out:
                    self.assertEqual(stdout, b"")
                if not err:
                    self.assertEqual(stderr, "")
        self.assertEqual(self.read("two/k.cls"), CLEAN)

    def test_check_and_diff_write_nothing_and_the_diff_is_the_clean(self):
        before = self.snapshot()
        rc, stdout, stderr = self.run_cli("check", "all.vbg")
        self.assertEqual(rc, 1, stderr)
        self.assertEqual(stdout.decode(TEXT).splitlines(),
                         ["f.frm: コメント 4 行", SO + "/m.bas: コメント 2 行",
                          "two/k.cls: コメント 1 行"])
        self.assertIn("ファイル 5 個、変更対象 3 個、コメント 7 行", stderr)
        self.assertNotIn("\r", stderr)  # no progress line into a pipe
        rc, report, _ = self.run_cli("check", "--json", "all.vbg")
        self.assertEqual(rc, 1)
        report = json.loads(report.decode("utf-8"))
        self.assertEqual(report["summary"]["comment_lines"], 7)
        self.assertEqual(report["summary"]["files_listed"], 5)
        self.assertEqual([f["state"] for f in report["files"]],
                         ["changed", "changed", "unchanged", "skipped", "changed"])
        rc, diff, stderr = self.run_cli("diff", "all.vbg")
        self.assertEqual(rc, 0, stderr)
        self.assertIn(b"--- a/f.frm\n+++ b/f.frm\n@@ -2,7 +2,7 @@\n Begin", diff)
        self.assertIn(b"\n-x = 1 ' \x95\x5c\r\n+x = 1 \r\n", diff)  # the sources' own bytes
        rc, utf8, _ = self.run_cli("diff", "--utf8", "two/../app.vbp")
        self.assertEqual(rc, 0)
        self.assertIn("\n-x = 1 ' 表\r\n".encode("utf-8"), utf8)
        self.assertEqual(self.snapshot(), before)  # time stamps and bytes as they were

        if WINDOWS:  # names in the Windows code page; under Wine the disk's are UTF-8
            diff = b"\n".join(line.decode(TEXT).encode() if line[:6] in (b"--- a/", b"+++ b/")
                               else line for line in diff.split(b"\n"))
        patched = os.path.join(self.root, "patched")
        self.write(FILES, patched)
        subprocess.run(["patch", "-p1", "--quiet"], input=diff, cwd=patched, check=True)
        rc, _, stderr = self.run_cli("clean", "all.vbg")
        self.assertEqual(rc, 0, stderr)
        self.assertIn("変更 3 個、削除したコメント 7 行", stderr)
        for name in FILES:
            self.assertTrue(filecmp.cmp(os.path.join(self.root, name),
                                        os.path.join(patched, name), shallow=False), name)
        self.assertEqual(self.read("two/k.cls"), CLEAN)

    @unittest.skipIf(WINDOWS, "Wine's console is not a terminal of ours to read")
    def test_on_a_terminal_the_progress_line_gives_way_and_a_closed_pipe_is_no_failure(self):
        main, tty = pty.openpty()
        done = subprocess.run(COMMAND + ["check", "all.vbg"], cwd=self.root, stdout=tty,
                              stderr=tty, timeout=120)
        os.close(tty)
        screen = b""
        try:
            while chunk := os.read(main, 65536):
                screen += chunk
        except OSError:  # Linux says EIO once the terminal's other side is closed
            pass
        os.close(main)
        self.assertEqual(done.returncode, 1)
        for listed in ["f.frm", SO + "/m.bas", "two/k.cls", "ファイル 5 個"]:  # each at a line's start
            self.assertRegex(screen.decode(), "(^|\r)" + re.escape(listed), listed)
        with subprocess.Popen(COMMAND + ["check", "--json", "all.vbg"], cwd=self.root,
                              stdout=subprocess.PIPE) as reader_gone:
            reader_gone.stdout.close()
            self.assertEqual(reader_gone.wait(timeout=120), 1)

    def test_a_failure_stops_the_run_and_loses_nothing(self):
        names = ["a.bas", "b.bas", "c.bas"]
        self.write({"stop.vbp": b"".join(b"Module=m; %s\r\n" % n.encode() for n in names)})
        self.write({n: DIRTY for n in names})
        os.chmod(os.path.join(self.root, "b.bas"), 0o444)
        missing = {"gap.vbg": b"VBGROUP 5.0\r\nProject=stop.vbp\r\nProject=none\\gone.vbp\r\n"}
        self.write(missing)
        rc, _, stderr = self.run_cli("clean", "gap.vbg")  # read before anything is cleaned
        self.assertEqual(rc, 2)
        self.assertIn("vbp ファイルが見つかりません。\n  ", stderr)
        self.assertIn("gone.vbp", stderr)
        self.assertEqual(self.read("a.bas"), DIRTY)
        rc, stdout, stderr = self.run_cli("clean", "--json", "stop.vbp")
        self.assertEqual(rc, 2)
        self.assertIn("b.bas", stderr)
        self.assertIn("読み取り専用のファイルは書き換えられません。", stderr)
        self.assertIn("元のファイルは変更されていません。", stderr)
        self.assertFalse(json.loads(stdout.decode("utf-8"))["completed"])
        self.assertEqual([self.read(n) for n in names], [CLEAN, DIRTY, DIRTY])
        left = [n for _, _, files in os.walk(self.root) for n in files if ".velmori" in n]
        self.assertEqual(left, [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
