#!/usr/bin/env python3
"""Archives whose bytes depend only on their content, so that a release rebuilt from its commit
is identical to the published one.

  reproducible.py epoch               the time stamp every entry gets (see below)
  reproducible.py tree DIR            modes and times of a staging tree, in place
  reproducible.py jar FILE...         rewrites jars or zips made by any tool, in place
  reproducible.py zip OUT TOP         a zip of folder TOP (taken relative to the working folder)
  reproducible.py tar OUT TOP         the same as a .tar.gz

Rules: entries sorted by name (a jar's META-INF/ and manifest first, where readers look for
them), every time stamp SOURCE_DATE_EPOCH (else the commit time of this tree, else the time of
its VERSION file), owner root, folders and executable files 0755, other files 0644, no extra
fields, comments or file names in the gzip header.
"""
import gzip
import io
import os
import stat
import subprocess
import sys
import tarfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The earliest time a zip entry can carry (its MS-DOS format starts in 1980).
ZIP_EARLIEST = 315532800


def epoch():
    value = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    if value:
        if not value.isdigit():
            sys.exit("reproducible: SOURCE_DATE_EPOCH is not a number of seconds: " + value)
        return int(value)
    try:
        out = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"],
                             capture_output=True, text=True, check=True).stdout.strip()
        if out.isdigit():
            return int(out)
    except (OSError, subprocess.CalledProcessError):
        pass
    # A source archive without git history: its files keep the times they were packed with.
    return int(os.stat(os.path.join(ROOT, "VERSION")).st_mtime)


def file_mode(mode):
    """0755 for folders and files anyone may run, 0644 for the rest."""
    if stat.S_ISDIR(mode) or mode & 0o111:
        return 0o755
    return 0o644


def walk(top):
    """Every path under top (top included), folders and files, sorted by name."""
    found = [top]
    for folder, dirs, files in os.walk(top):
        found += [os.path.join(folder, d) for d in dirs]
        found += [os.path.join(folder, f) for f in files]
    return sorted(found, key=lambda p: p.encode("utf-8", "surrogateescape"))


def normalize_tree(top, when):
    for path in walk(top):
        st = os.lstat(path)
        if not stat.S_ISLNK(st.st_mode):
            os.chmod(path, file_mode(st.st_mode))
        os.utime(path, (when, when), follow_symlinks=False)


def zip_time(when):
    return time.gmtime(max(when, ZIP_EARLIEST))[:6]


def zip_entry(name, is_dir, executable, when):
    info = zipfile.ZipInfo(name, zip_time(when))
    info.create_system = 3  # Unix: the permissions below are read as such
    mode = (stat.S_IFDIR | 0o755) if is_dir else (stat.S_IFREG | (0o755 if executable else 0o644))
    info.external_attr = (mode << 16) | (0x10 if is_dir else 0)
    info.compress_type = zipfile.ZIP_STORED if is_dir else zipfile.ZIP_DEFLATED
    return info


def jar_order(name):
    # Jar readers expect the manifest among the first entries.
    rank = {"META-INF/": 0, "META-INF/MANIFEST.MF": 1}.get(name, 2)
    return (rank, name.encode("utf-8"))


def rewrite_zip(path, when):
    with zipfile.ZipFile(path) as source:
        entries = [(info, b"" if info.is_dir() else source.read(info))
                   for info in source.infolist()]
    names = [info.filename for info, _ in entries]
    if len(set(names)) != len(names):
        sys.exit("reproducible: %s holds an entry name twice" % path)
    entries.sort(key=lambda e: jar_order(e[0].filename))
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as target:
        for info, data in entries:
            executable = bool((info.external_attr >> 16) & 0o111) if info.create_system == 3 else False
            target.writestr(zip_entry(info.filename, info.is_dir(), executable, when), data)
    replace(path, buffer.getvalue())


def replace(path, data):
    temporary = path + ".reproducible"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


def write_zip(out, top, when):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as target:
        for path in walk(top):
            st = os.stat(path)
            if stat.S_ISDIR(st.st_mode):
                continue  # folders follow from their files' names
            with open(path, "rb") as f:
                target.writestr(zip_entry(path.replace(os.sep, "/"), False,
                                          bool(st.st_mode & 0o111), when), f.read())
    replace(out, buffer.getvalue())


def write_tar(out, top, when):
    buffer = io.BytesIO()
    with gzip.GzipFile(filename="", mode="wb", fileobj=buffer, mtime=when, compresslevel=9) as z:
        with tarfile.open(fileobj=z, mode="w", format=tarfile.GNU_FORMAT) as target:
            for path in walk(top):
                info = target.gettarinfo(path)
                info.uid = info.gid = 0
                info.uname = info.gname = "root"
                info.mtime = when
                if not info.issym():
                    info.mode = file_mode(os.lstat(path).st_mode)
                if info.isreg():
                    with open(path, "rb") as f:
                        target.addfile(info, f)
                else:
                    target.addfile(info)
    replace(out, buffer.getvalue())


def main(args):
    usage = __doc__.split("\n\n")[1]
    if not args:
        sys.exit(usage)
    command, rest = args[0], args[1:]
    when = epoch()
    if command == "epoch" and not rest:
        print(when)
    elif command == "tree" and len(rest) == 1:
        normalize_tree(rest[0], when)
    elif command == "jar" and rest:
        for path in rest:
            rewrite_zip(path, when)
    elif command == "zip" and len(rest) == 2:
        write_zip(rest[0], rest[1], when)
    elif command == "tar" and len(rest) == 2:
        write_tar(rest[0], rest[1], when)
    else:
        sys.exit(usage)


if __name__ == "__main__":
    main(sys.argv[1:])
