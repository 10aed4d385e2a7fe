#!/usr/bin/env python3
"""The real program under Xvfb with a real window manager (openbox), driven by xdotool.

Stops the machine with F11, then opens the tracer's number box 20 times (D, G, 3, 7, D ...),
answering, refusing (a text that is no number, then the error box) and cancelling it, and checks
after every round that the machine is still stopped: the run state file the program writes
(HOMEMICRO_RUN_STATE_FILE) shows the timer off, the tracer up and no instruction run, and the
tracer window is still mapped. Window managers hand the focus about when a box closes; none of
that may resume the machine.

Exits 77 (skipped) with a message when Xvfb, openbox or xdotool is missing.
"""
import argparse, os, shutil, subprocess, sys, tempfile, time

SKIPPED = 77
TIMEOUT = 10.0


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


class Desktop:
    def __init__(self, work):
        self.procs = []
        self.work = work
        read, write = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                   pass_fds=(write,))
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise Failure("Xvfb did not start")
            number += chunk
        os.close(read)
        self.env = dict(os.environ, DISPLAY=":" + number.decode().strip())
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.start(["openbox", "--sm-disable"], env=self.env)
        # openbox announces itself on the root window once it manages the screen.
        if shutil.which("xprop"):
            wait_for("openbox", lambda: b"window id" in self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]))
        else:
            time.sleep(1.5)

    def start(self, argv, **kw):
        proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)
        self.procs.append(proc)
        return proc

    def run(self, argv):
        try:
            return subprocess.run(argv, env=self.env, capture_output=True, timeout=TIMEOUT).stdout
        except subprocess.TimeoutExpired:
            return b""

    def xdotool(self, *args):
        return self.run(["xdotool", *args]).decode(errors="replace").split()

    def visible_window(self, name):
        found = self.xdotool("search", "--onlyvisible", "--name", name)
        return found[0] if found else None

    def active_window(self):
        found = self.xdotool("getactivewindow")
        return found[0] if found else None

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()


def read_state(path):
    try:
        with open(path) as f:
            return dict(item.split("=") for item in f.read().split())
    except (OSError, ValueError):
        return {}


# (key, caption, answer): text typed and Enter, "Escape" to cancel, "refuse" for a text that
# is no number (the error box, then Esc). An answered G would resume the machine by design, so
# G is only cancelled or refused.
ROUNDS = [
    ("d", "Enter dump address", "1000"),
    ("g", "Enter address of BreakPoint", "Escape"),
    ("3", "Enter value for R3", "777"),
    ("7", "Enter value for PC", "refuse"),
    ("d", "Enter dump address", "Escape"),
    ("g", "Enter address of BreakPoint", "refuse"),
    ("0", "Enter value for R0", "Escape"),
    ("5", "Enter value for R5", "12"),
]


def answer_box(desk, key, caption, answer):
    desk.xdotool("key", key)
    box = wait_for("the box \"%s\"" % caption, lambda: desk.visible_window("^" + caption + "$"))
    wait_for("the box to take the keyboard", lambda: desk.active_window() == box)
    if answer == "Escape":
        desk.xdotool("key", "Escape")
    elif answer == "refuse":
        desk.xdotool("type", "--delay", "30", "12x")
        desk.xdotool("key", "Return")
        error = wait_for("the error box", lambda: desk.visible_window("^Emul$"))
        wait_for("the error box to take the keyboard", lambda: desk.active_window() == error)
        desk.xdotool("key", "Return")
        wait_for("the error box to close", lambda: not desk.visible_window("^Emul$"))
        wait_for("the box to take the keyboard again", lambda: desk.active_window() == box)
        desk.xdotool("key", "Escape")
    else:
        desk.xdotool("type", "--delay", "30", answer)
        desk.xdotool("key", "Return")
    wait_for("the box to close", lambda: not desk.visible_window("^" + caption + "$"))


def check_stopped(desk, state_file, instructions, when):
    time.sleep(0.3)  # room for a focus handover and a tick to go wrong
    state = read_state(state_file)
    expected = {"timer": "0", "play": "0", "tracer": "1", "visible": "1", "instructions": instructions}
    wrong = {k: state.get(k) for k in expected if state.get(k) != expected[k]}
    if wrong:
        raise Failure("%s: the machine did not stay stopped: %s (state %s)" % (when, wrong, state))
    if not desk.visible_window("^Tracer$"):
        raise Failure("%s: the tracer window is gone" % when)


# A ROM that disables the keyboard interrupt and waits: MOV #100,@#177660; BR .
IDLE_ROM = bytes([0o337, 0o025, 0o100, 0, 0o260, 0o377, 0o377, 0o001]).ljust(32768, b"\0")


def drive(desk, homemicro, work):
    with open(os.path.join(work, "homemicro.rom"), "wb") as f:
        f.write(IDLE_ROM)
    state_file = os.path.join(work, "run-state")
    env = dict(desk.env, HOMEMICRO_RUN_STATE_FILE=state_file, QT_QPA_PLATFORM="xcb")
    log = open(os.path.join(work, "homemicro.log"), "wb")
    program = subprocess.Popen([os.path.abspath(homemicro)], cwd=work, env=env, stdout=log, stderr=log)
    desk.procs.append(program)
    main = wait_for("the main window", lambda: desk.visible_window("^БК-0010.01$"))
    wait_for("the machine to run", lambda: read_state(state_file).get("timer") == "1")
    desk.xdotool("windowactivate", "--sync", main)
    desk.xdotool("key", "F11")
    tracer = wait_for("the tracer", lambda: desk.visible_window("^Tracer$"))
    wait_for("the tracer to take the keyboard", lambda: desk.active_window() == tracer)
    instructions = read_state(state_file).get("instructions")
    check_stopped(desk, state_file, instructions, "after F11")
    for n in range(20):
        key, caption, answer = ROUNDS[n % len(ROUNDS)]
        answer_box(desk, key, caption, answer)
        check_stopped(desk, state_file, instructions, "round %d (%s, %s)" % (n + 1, key, answer))
        wait_for("the focus back on the tracer after round %d" % (n + 1), lambda: desk.active_window() == tracer)
    # A dialog opened from the tracer comes up above it with the keyboard; the machine runs after.
    desk.xdotool("key", "F1")
    about = wait_for("the About box", lambda: desk.visible_window("^О программе"))
    wait_for("the About box to take the keyboard", lambda: desk.active_window() == about)
    state = read_state(state_file)
    if state.get("timer") != "0" or state.get("visible") != "0" or desk.visible_window("^Tracer$"):
        raise Failure("with the About box open the tracer must step aside and the machine wait: %s" % state)
    desk.xdotool("key", "Escape")
    wait_for("the machine to run after the About box", lambda: read_state(state_file).get("timer") == "1")
    desk.xdotool("windowactivate", "--sync", main)
    desk.xdotool("key", "F11")
    wait_for("the tracer again", lambda: desk.visible_window("^Tracer$"))
    # Leaving is a click into the main window: the machine runs again and the tracer goes.
    desk.xdotool("mousemove", "--window", main, "20", "390", "click", "1")  # clear of the tracer
    wait_for("the machine to run after a click into the main window",
             lambda: read_state(state_file).get("timer") == "1" and not desk.visible_window("^Tracer$"))
    if program.poll() is not None:
        with open(os.path.join(work, "homemicro.log"), "rb") as f:
            raise Failure("homemicro ended: " + f.read().decode(errors="replace"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--homemicro", required=True)
    opts = ap.parse_args()
    missing = [tool for tool in ("Xvfb", "openbox", "xdotool") if not shutil.which(tool)]
    if missing:
        print("skipped: the window manager test needs %s (scripts/install-deps installs them)" % ", ".join(missing))
        return SKIPPED
    work = tempfile.mkdtemp(prefix="hm-wm-")
    desk = None
    try:
        desk = Desktop(work)
        drive(desk, opts.homemicro, work)
        print("20 number boxes answered, refused and cancelled; the machine stayed stopped; "
              "the About box came up above the tracer")
        return 0
    except Failure as failure:
        print("FAIL: %s" % failure)
        return 1
    finally:
        if desk:
            desk.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
