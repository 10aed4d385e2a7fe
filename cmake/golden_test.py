#!/usr/bin/env python3
"""Runs a console program on one scripted case and compares its output with golden files.

A case is a folder:
  args     optional; one command-line argument per line
  stdin    optional; fed to standard input (otherwise standard input is empty)
  stdout   expected standard output (missing means empty)
  stderr   expected standard error (missing means empty)
  exit     optional; expected exit status (default 0)
  files/   optional; copied into the scratch folder the program runs in
  setup    optional; shell script run in the scratch folder before the program
  check    optional; shell script run in the scratch folder afterwards; must exit 0
Every --data FILE is copied into the scratch folder first (FILE.gz is unpacked to FILE).
The scratch folder's path is written as $WORK in the outputs. GOLDEN_UPDATE=1 rewrites the
expected files from the actual run instead of comparing.
"""
import argparse, difflib, gzip, os, shutil, subprocess, sys, tempfile


def read(path, default=b""):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return default


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--exe", required=True)
    ap.add_argument("--case", required=True)
    ap.add_argument("--data", action="append", default=[])
    opts = ap.parse_args()
    case = opts.case
    work = tempfile.mkdtemp(prefix="golden-")
    try:
        for d in opts.data:
            name = os.path.basename(d)
            if name.endswith(".gz"):
                with gzip.open(d, "rb") as src, open(os.path.join(work, name[:-3]), "wb") as dst:
                    shutil.copyfileobj(src, dst)
            else:
                shutil.copy(d, work)
        if os.path.isdir(os.path.join(case, "files")):
            shutil.copytree(os.path.join(case, "files"), work, dirs_exist_ok=True)
        env = dict(os.environ, WORK=work, CASE=os.path.abspath(case), LC_ALL="C")
        if os.path.exists(os.path.join(case, "setup")):
            subprocess.run(["sh", "-e", os.path.abspath(os.path.join(case, "setup"))], cwd=work, env=env, check=True)
        args = [a for a in read(os.path.join(case, "args")).decode().split("\n") if a != ""]
        stdin = read(os.path.join(case, "stdin"))
        run = subprocess.run([os.path.abspath(opts.exe)] + args, input=stdin, cwd=work, env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
        actual = {
            "stdout": run.stdout.replace(work.encode(), b"$WORK"),
            "stderr": run.stderr.replace(work.encode(), b"$WORK"),
            "exit": str(run.returncode).encode() + b"\n",
        }
        if os.environ.get("GOLDEN_UPDATE") == "1":
            for key, value in actual.items():
                if key == "exit" and value == b"0\n":
                    if os.path.exists(os.path.join(case, "exit")):
                        os.remove(os.path.join(case, "exit"))
                    continue
                with open(os.path.join(case, key), "wb") as f:
                    f.write(value)
        failed = False
        for key, default in (("stdout", b""), ("stderr", b""), ("exit", b"0\n")):
            expected = read(os.path.join(case, key), default)
            if expected != actual[key]:
                failed = True
                print(f"--- {key} differs:")
                sys.stdout.writelines(difflib.unified_diff(
                    expected.decode(errors="replace").splitlines(True),
                    actual[key].decode(errors="replace").splitlines(True), "expected", "actual"))
        if os.path.exists(os.path.join(case, "check")):
            chk = subprocess.run(["sh", "-e", os.path.abspath(os.path.join(case, "check"))], cwd=work, env=env)
            if chk.returncode != 0:
                failed = True
                print("--- check script failed")
        return 1 if failed else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
