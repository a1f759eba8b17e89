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
from concurrent.futures import ThreadPoolExecutor

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
            (["check", "--json=yes", "app.vbp"], 64, b"", "不明なオプションです: --json=yes"),
            (["check", "--quiet=", "app.vbp"], 64, b"", "不明なオプションです: --quiet="),
            (["--version"], 0, b"velmori-cli 1.", ""),
            (["diff", "--help"], 0, "patch -p1".encode(TEXT), ""),
            (["--help"], 0, "終了コード".encode(TEXT), ""),
            (["check", "nothing.vbp"], 2, b"", "vbp ファイルが見つかりません。\n  nothing.vbp"),
            (["check", "--quiet", "app.vbp"], 2, b"", "--allow-missing"),  # missing.bas unread
            (["check", "--quiet", "--allow-missing", "app.vbp"], 1, b"", ""),
            (["check", "--code-page=932", "clean.bas"], 0, b"", "ファイル 0 個"),
            (["clean", "-q", "all.vbg"], 0, b"", ""),
            (["check", "--allow-missing", "all.vbg"], 0, b"",
             "ファイル 5 個 (見つからない 1 個)、変更対象 0 個、コメント 0 行"),
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
        self.assertEqual(rc, 2, stderr)  # a listed file is missing
        self.assertEqual(stdout.decode(TEXT).splitlines(),
                         ["f.frm: コメント 4 行", SO + "/m.bas: コメント 2 行",
                          "two/k.cls: コメント 1 行"])
        self.assertIn("見つからないファイルです (スキップしました): missing.bas\n", stderr)
        self.assertIn("ファイル 5 個 (見つからない 1 個)、変更対象 3 個、コメント 7 行", stderr)
        self.assertIn("--allow-missing", stderr)
        self.assertNotIn("\r", stderr)  # no progress line into a pipe
        rc, report, _ = self.run_cli("check", "--json", "--allow-missing", "all.vbg")
        self.assertEqual(rc, 1)
        report = json.loads(report.decode("utf-8"))
        self.assertEqual(report["summary"]["comment_lines"], 7)
        self.assertEqual(report["summary"]["files_listed"], 5)
        self.assertEqual([f["state"] for f in report["files"]],
                         ["changed", "changed", "unchanged", "missing", "changed"])
        self.assertEqual(report["summary"]["files_missing"], 1)
        rc, diff, stderr = self.run_cli("diff", "all.vbg")
        self.assertEqual(rc, 0, stderr)
        self.assertIn("missing.bas", stderr)
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
        self.assertEqual(done.returncode, 2)
        for listed in ["f.frm", SO + "/m.bas", "two/k.cls", "ファイル 5 個"]:  # each at a line's start
            self.assertRegex(screen.decode(), "(^|\r)" + re.escape(listed), listed)
        with subprocess.Popen(COMMAND + ["check", "--json", "all.vbg"], cwd=self.root,
                              stdout=subprocess.PIPE) as reader_gone:
            reader_gone.stdout.close()
            self.assertEqual(reader_gone.wait(timeout=120), 2)

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

    def test_a_module_of_another_code_page_stops_the_run_unless_its_code_page_is_given(self):
        arabic = HEADER + b's = "name\xf6", "ID<>\'" & Trim(T.Text) & "\'") \' c\r\n'
        self.write({"ar.vbp": b"Module=b; before.bas\r\nModule=a; ar.bas\r\nModule=n; notes.dbm\r\n"
                              b"Module=z; after.bas\r\n",
                    "before.bas": DIRTY, "ar.bas": arabic, "after.bas": DIRTY,
                    "notes.dbm": b"' no Attribute line: all of it is header\r\nx = 1 ' kept\r\n"})
        rc, _, stderr = self.run_cli("clean", "ar.vbp")
        self.assertEqual(rc, 2, stderr)
        self.assertIn("ソース ファイルがこのコード ページのテキストではありません。", stderr)
        self.assertIn("ar.bas\n  2 行目に、コード ページ 932 ", stderr)
        self.assertIn("--code-page", stderr)
        # Nothing of it is written; the run stops there, after the files before it.
        self.assertEqual([self.read(n) for n in ["before.bas", "ar.bas", "after.bas"]],
                         [CLEAN, arabic, DIRTY])
        rc, out, stderr = self.run_cli("clean", "--json", "--code-page", "1256", "ar.vbp")
        self.assertEqual(rc, 0, stderr)
        self.assertEqual(self.read("ar.bas"), arabic[:-len(b" ' c\r\n")] + b" \r\n")
        self.assertIn("Attribute", stderr)  # in code page 1256 on Windows: the Japanese is lost
        self.assertIn(": notes.dbm\n", stderr)
        self.assertEqual([f.get("code_part") for f in json.loads(out)["files"]],
                         [True, True, False, True])

    def test_output_that_cannot_be_written_is_a_failure(self):
        with open(os.devnull if WINDOWS and not os.path.exists("/dev/full") else "/dev/full",
                  "wb") as full:
            done = subprocess.run(COMMAND + ["diff", "all.vbg"], cwd=self.root, stdout=full,
                                  stderr=subprocess.PIPE, timeout=120)
        self.assertEqual(done.returncode, 2)
        self.assertIn("標準出力に書き込めませんでした。", done.stderr.decode(TEXT, "replace"))


@unittest.skipIf(WINDOWS, "POSIX systems: short reads, system call traces, users and locks")
class NativeFiles(unittest.TestCase):
    """The file layer under real conditions that only a POSIX system here gives."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="velmori-cli-")
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)

    def write(self, files, root=None):
        Cli.write(self, files, root)

    def run_cli(self, *arguments, env=None, prefix=(), cwd=None):
        # The system's reasons in English, as os.strerror gives them here.
        env = dict(env or os.environ, LC_ALL="C.UTF-8")
        done = subprocess.run(list(prefix) + COMMAND + list(arguments), cwd=cwd or self.root,
                              capture_output=True, timeout=120, env=env)
        return done.returncode, done.stdout, done.stderr.decode("utf-8", "replace")

    def test_names_in_another_letter_case_are_found_as_windows_finds_them(self):
        scripts = "Module=c; МОДУЛЬ.BAS\r\nModule=g; ΑΒΓ.bas\r\nModule=w; ａｂｃ.bas\r\n"
        self.write({"app.vbp": b"Form=Form1.frm\r\nModule=a; Mod\\A.bas\r\n" + scripts.encode("cp932")
                               + b"Module=t; Twice.bas\r\n",
                    "модуль.bas": DIRTY, "αβγ.bas": DIRTY, "ＡＢＣ.bas": DIRTY,
                    "form1.FRM": DIRTY, "mod/a.BAS": DIRTY, "twice.bas": DIRTY, "TWICE.BAS": DIRTY,
                    "g.vbg": b"VBGROUP 5.0\r\nProject=Sub\\P.vbp\r\n",
                    "sub/p.VBP": b"Module=m; M.BAS\r\n", "sub/m.bas": DIRTY,
                    "exact.vbp": b"Module=a; twice.bas\r\n"})
        rc, out, stderr = self.run_cli("clean", "--json", "app.vbp")
        self.assertEqual(rc, 2, stderr)  # Twice.bas: twice.bas and TWICE.BAS match
        self.assertIn("大文字と小文字だけが違う名前のファイルが複数あり", stderr)
        for name in ["Twice.bas", "twice.bas", "TWICE.BAS"]:
            self.assertIn(name, stderr)
        self.assertEqual([f["path"] for f in json.loads(out)["files"]],
                         ["form1.FRM", "mod/a.BAS", "модуль.bas", "αβγ.bas", "ＡＢＣ.bas"])
        self.assertEqual([Cli.read(self, n) for n in ["form1.FRM", "mod/a.BAS", "twice.bas"]],
                         [CLEAN, CLEAN, DIRTY])
        rc, _, stderr = self.run_cli("clean", "exact.vbp")  # as written: that one
        self.assertEqual(rc, 0, stderr)
        self.assertEqual([Cli.read(self, n) for n in ["twice.bas", "TWICE.BAS"]], [CLEAN, DIRTY])
        rc, out, stderr = self.run_cli("check", "g.vbg")  # Sub\\P.vbp is sub/p.VBP
        self.assertEqual(rc, 1, stderr)
        self.assertEqual(out.decode(), "sub/m.bas: コメント 1 行\n")

    def test_short_reads_give_the_same_result(self):
        big = HEADER + b"".join(b"s = \"%d'\" ' \x95\x5c %d\r\n" % (i, i) for i in range(3000))
        files = dict(FILES, **{"f.frm": FILES["f.frm"] + big})
        expected = os.path.join(self.root, "expected")
        self.write(files, expected)
        self.assertEqual(self.run_cli("clean", "all.vbg", cwd=expected)[0], 0)
        for cap in ["1", "4096"]:
            with self.subTest(cap=cap):
                root = os.path.join(self.root, "cap" + cap)
                self.write(files, root)
                env = dict(os.environ, LD_PRELOAD=os.environ["VELMORI_SHORT_READS"],
                           VELMORI_READ_CAP=cap)
                rc, _, stderr = self.run_cli("clean", "all.vbg", env=env, cwd=root)
                self.assertEqual(rc, 0, stderr)
                for name in files:
                    self.assertTrue(filecmp.cmp(os.path.join(expected, name),
                                                os.path.join(root, name), shallow=False), name)

    @unittest.skipUnless(shutil.which("strace"), "strace is not installed")
    def test_each_file_is_flushed_before_its_rename_and_the_folder_after(self):
        self.write(FILES)
        log = os.path.join(self.root, "trace.log")
        rc, _, stderr = self.run_cli(
            "clean", "all.vbg", prefix=["strace", "-f", "-y", "-o", log, "-e",
                                        "trace=fsync,fdatasync,rename,renameat,renameat2"])
        self.assertEqual(rc, 0, stderr)
        flushed, renamed = [], []  # paths, in order; renamed: (index in flushed, source, target)
        with open(log, encoding="utf-8", errors="replace") as trace:
            for line in trace:
                if m := re.search(r"f(?:data)?sync\(\d+<([^>]*)>\) = 0", line):
                    flushed.append(m.group(1))
                elif m := re.search(r'rename(?:at2?)?\((?:[^"]*)"([^"]+)", (?:[^"]*)"([^"]+)"', line):
                    renamed.append((len(flushed), m.group(1), m.group(2)))
        self.assertEqual(len(renamed), 3)  # the three modules with comments
        for before, source, target in renamed:
            self.assertIn(os.path.join(self.root, source), flushed[:before], source)
            folder = os.path.dirname(os.path.join(self.root, target))
            self.assertIn(folder, flushed[before:], target)

    def test_a_second_run_never_takes_a_live_runs_temporary_file(self):
        lines = b"".join(b"x = %d ' comment %d\r\n" % (i, i) for i in range(110000))
        dirty = HEADER + lines
        clean = HEADER + re.sub(rb" ' comment \d+", b" ", lines)
        self.write({"one/one.vbp": b"Module=s; ..\\common\\shared.bas\r\n",
                    "two/two.vbp": b"Module=s; ..\\common\\shared.bas\r\n"})
        shared = os.path.join(self.root, "common", "shared.bas")
        with ThreadPoolExecutor(2) as pool:
            for round in range(20):
                self.write({"common/shared.bas": dirty})
                results = list(pool.map(lambda p: self.run_cli("clean", "-q", p),
                                        ["one/one.vbp", "two/two.vbp"]))
                self.assertEqual([r[0] for r in results], [0, 0], (round, results))
                with open(shared, "rb") as f:
                    self.assertEqual(f.read(), clean, round)
                self.assertEqual(os.listdir(os.path.dirname(shared)), ["shared.bas"], round)

    def test_a_name_that_is_no_utf8_gives_valid_json_with_its_bytes(self):
        folder = os.path.join(os.fsencode(self.root), b"\xff")
        os.makedirs(folder)
        for name, data in {b"app.vbp": b"Module=m; m.bas\r\n", b"m.bas": DIRTY}.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        done = subprocess.run(COMMAND + ["check", "--json", b"\xff/app.vbp"], cwd=self.root,
                              capture_output=True, timeout=120)
        self.assertEqual(done.returncode, 1, done.stderr)
        entry = json.loads(done.stdout.decode("utf-8"))["files"][0]  # strict UTF-8
        self.assertEqual(entry["path"], "\ufffd/m.bas")
        self.assertEqual(bytes.fromhex(entry["path_bytes"]), b"\xff/m.bas")

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"),
                         "needs root to act as another user")
    def test_what_another_user_may_not_read_or_write_stops_the_run(self):
        nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        os.chmod(self.root, 0o755)
        self.write({"app.vbp": b"Module=a; first.bas\r\nModule=l; locked\\m.bas\r\n"
                               b"Module=z; last.bas\r\n",
                    "first.bas": DIRTY, "locked/m.bas": DIRTY, "last.bas": DIRTY,
                    "theirs/app.vbp": b"Module=r; root.bas\r\n", "theirs/root.bas": DIRTY})
        for path in ["", "app.vbp", "first.bas", "last.bas", "locked", "locked/m.bas",
                     "theirs", "theirs/app.vbp"]:
            os.chown(os.path.join(self.root, path), 65534, 65534)
        os.chmod(os.path.join(self.root, "theirs/root.bas"), 0o644)  # root's own
        os.chmod(os.path.join(self.root, "locked"), 0)

        rc, _, stderr = self.run_cli("clean", "app.vbp", prefix=nobody)
        self.assertEqual(rc, 2, stderr)
        self.assertIn(os.path.join(self.root, "locked", "m.bas"), stderr)
        self.assertIn(os.strerror(13), stderr)
        os.chmod(os.path.join(self.root, "locked"), 0o755)
        self.assertEqual([Cli.read(self, n) for n in ["first.bas", "locked/m.bas", "last.bas"]],
                         [CLEAN, DIRTY, DIRTY])

        rc, _, stderr = self.run_cli("clean", "theirs/app.vbp", prefix=nobody)
        self.assertEqual(rc, 2, stderr)
        self.assertIn("書き込みが許可されていないファイルは書き換えられません。", stderr)
        self.assertIn("元のファイルは変更されていません。", stderr)
        root_file = os.path.join(self.root, "theirs", "root.bas")
        self.assertEqual(Cli.read(self, "theirs/root.bas"), DIRTY)
        self.assertEqual((os.stat(root_file).st_uid, os.stat(root_file).st_mode & 0o777),
                         (0, 0o644))
        self.assertEqual(sorted(os.listdir(os.path.dirname(root_file))), ["app.vbp", "root.bas"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
