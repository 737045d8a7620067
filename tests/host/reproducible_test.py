#!/usr/bin/env python3
"""scripts/reproducible.py: archives of the same content are the same bytes, however the files
were made (times, order of creation, umask), and what they carry still reads back unchanged."""
import gzip
import os
import stat
import subprocess
import sys
import tarfile
import tempfile
import time
import unittest
import zipfile

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                      "reproducible.py")
EPOCH = 1700000000  # 2023-11-14 22:13:20 UTC
FILES = {"top/bin/tool": (b"#!/bin/sh\necho hi\n", 0o700),
         "top/README.md": (b"read me\n", 0o600),
         "top/example/lib/app.jar": (b"PK not really\n", 0o664),
         "top/example/r\u00e9sum\u00e9.txt": ("\u00e9t\u00e9\n".encode(), 0o640)}


def run(args, cwd=None, epoch=EPOCH):
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch)) if epoch is not None else \
        {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
    return subprocess.run([sys.executable, SCRIPT] + args, cwd=cwd, env=env,
                          capture_output=True, text=True)


def make_tree(base, order, mtime):
    """The same files, created in the given order, with their own modes and times."""
    for name in order:
        data, mode = FILES[name]
        path = os.path.join(base, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        os.chmod(path, mode)
        os.utime(path, (mtime, mtime))


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Archives(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.base = self.dir.name

    def tearDown(self):
        self.dir.cleanup()

    def two_trees(self):
        a, b = os.path.join(self.base, "a"), os.path.join(self.base, "b")
        names = list(FILES)
        make_tree(a, names, 1000000000)
        old = os.umask(0o077)
        try:
            make_tree(b, list(reversed(names)), 1800000000)
        finally:
            os.umask(old)
        return a, b

    def test_zip_and_tar_of_differently_made_trees_are_identical(self):
        a, b = self.two_trees()
        for kind in ("zip", "tar"):
            outs = []
            for tree in (a, b):
                out = os.path.join(self.base, os.path.basename(tree) + "." + kind)
                r = run([kind, out, "top"], cwd=tree)
                self.assertEqual(r.returncode, 0, r.stderr)
                outs.append(read(out))
            self.assertEqual(outs[0], outs[1], kind)

    def test_tar_entries_root_owned_with_fixed_times_and_modes(self):
        a, _ = self.two_trees()
        out = os.path.join(self.base, "t.tar.gz")
        self.assertEqual(run(["tar", out, "top"], cwd=a).returncode, 0)
        with gzip.open(out) as g:
            g.read()
        header = read(out)[:10]
        self.assertEqual(int.from_bytes(header[4:8], "little"), EPOCH, "gzip header time")
        self.assertEqual(header[3] & 0x08, 0, "gzip header names a file")
        with tarfile.open(out) as t:
            members = t.getmembers()
            names = [m.name for m in members]
            self.assertEqual(names, sorted(names, key=lambda n: n.encode()))
            self.assertIn("top/example/lib", names)  # folders are entries too
            for m in members:
                self.assertEqual((m.uid, m.gid, m.uname, m.mtime), (0, 0, "root", EPOCH), m.name)
            modes = {m.name: m.mode for m in members}
            self.assertEqual(modes["top/bin/tool"], 0o755)
            self.assertEqual(modes["top/README.md"], 0o644)
            self.assertEqual(modes["top/bin"], 0o755)
            for name, (data, _) in FILES.items():
                self.assertEqual(t.extractfile(name).read(), data, name)

    def test_zip_keeps_contents_and_unicode_names(self):
        a, _ = self.two_trees()
        out = os.path.join(self.base, "w.zip")
        self.assertEqual(run(["zip", out, "top"], cwd=a).returncode, 0)
        with zipfile.ZipFile(out) as z:
            self.assertEqual(sorted(z.namelist()), sorted(FILES))
            for name, (data, _) in FILES.items():
                self.assertEqual(z.read(name), data, name)
            for info in z.infolist():
                self.assertEqual(info.date_time, time.gmtime(EPOCH)[:6], info.filename)
            self.assertEqual(z.getinfo("top/bin/tool").external_attr >> 16,
                             stat.S_IFREG | 0o755)

    def test_jars_of_one_content_become_one_file(self):
        jars = []
        entries = [("META-INF/", b""), ("META-INF/MANIFEST.MF", b"Manifest-Version: 1.0\r\n\r\n"),
                   ("a/", b""), ("a/B.class", b"\xca\xfe\xba\xbe b"), ("a/A.class", b"\xca\xfe a"),
                   ("z.properties", b"k=v\n")]
        for i, order in enumerate((entries, list(reversed(entries)))):
            path = os.path.join(self.base, "%d.jar" % i)
            with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
                for n, (name, data) in enumerate(order):
                    info = zipfile.ZipInfo(name, (2001 + n + 7 * i, 2, 3, 4, 5, 6))
                    info.external_attr = (0o600 if i else 0o644) << 16
                    info.extra = b"\xfe\xca\x00\x00" if n == 0 else b""
                    z.writestr(info, data)
            r = run(["jar", path])
            self.assertEqual(r.returncode, 0, r.stderr)
            jars.append(path)
        self.assertEqual(read(jars[0]), read(jars[1]))
        with zipfile.ZipFile(jars[0]) as z:
            self.assertEqual(z.namelist(), ["META-INF/", "META-INF/MANIFEST.MF", "a/",
                                            "a/A.class", "a/B.class", "z.properties"])
            for name, data in entries:
                self.assertEqual(z.read(name), data, name)
            self.assertTrue(all(i.date_time == time.gmtime(EPOCH)[:6] for i in z.infolist()))
        # Java reads the manifest where the jar tool puts it.
        if subprocess.run(["which", "jar"], capture_output=True).returncode == 0:
            listing = subprocess.run(["jar", "tf", jars[0]], capture_output=True, text=True)
            self.assertEqual(listing.returncode, 0, listing.stderr)
            self.assertIn("a/A.class", listing.stdout.split())

    def test_an_archive_with_a_name_twice_is_refused_and_left_alone(self):
        path = os.path.join(self.base, "twice.jar")
        with zipfile.ZipFile(path, "w") as z:
            z.writestr("x", b"1")
            with self.assertWarns(UserWarning):
                z.writestr("x", b"2")
        before = read(path)
        r = run(["jar", path])
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("twice", r.stderr)
        self.assertEqual(read(path), before)

    def test_times_before_1980_are_the_earliest_a_zip_holds(self):
        a, _ = self.two_trees()
        out = os.path.join(self.base, "old.zip")
        self.assertEqual(run(["zip", out, "top"], cwd=a, epoch=0).returncode, 0)
        with zipfile.ZipFile(out) as z:
            self.assertEqual(z.infolist()[0].date_time, (1980, 1, 1, 0, 0, 0))

    def test_tree_fixes_modes_and_times_in_place(self):
        a, _ = self.two_trees()
        self.assertEqual(run(["tree", os.path.join(a, "top")]).returncode, 0)
        for folder, dirs, files in os.walk(os.path.join(a, "top")):
            for name in dirs + files:
                st = os.lstat(os.path.join(folder, name))
                self.assertEqual(st.st_mtime, EPOCH, name)
                expected = 0o755 if stat.S_ISDIR(st.st_mode) or name == "tool" else 0o644
                self.assertEqual(stat.S_IMODE(st.st_mode), expected, name)


class Epoch(unittest.TestCase):
    def test_given_time_wins_and_nonsense_is_refused(self):
        self.assertEqual(run(["epoch"], epoch=1234).stdout.strip(), "1234")
        r = run(["epoch"], epoch="yesterday")
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("SOURCE_DATE_EPOCH", r.stderr)

    def test_without_it_the_time_of_the_last_commit(self):
        r = run(["epoch"], epoch=None)
        self.assertEqual(r.returncode, 0, r.stderr)
        root = os.path.dirname(os.path.dirname(SCRIPT))
        git = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"],
                             capture_output=True, text=True)
        if git.returncode == 0 and git.stdout.strip():
            self.assertEqual(r.stdout.strip(), git.stdout.strip())
        else:
            self.assertEqual(int(r.stdout), int(os.stat(os.path.join(root, "VERSION")).st_mtime))


if __name__ == "__main__":
    unittest.main()
