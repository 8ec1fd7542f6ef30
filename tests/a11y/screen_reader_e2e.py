#!/usr/bin/python3
"""Tamrel as a screen reader meets it: on a virtual X display with its own
session bus and accessibility bus, start Tamrel against the simulated radio,
find the panel by its title, read VFO A's frequency as text, tune from the
keyboard alone and read the new value. What each window tells a reader, and
the changes it announces, are checked in-process (FrontPanelWindow's tests);
here, that it reaches a reader.

Usage: screen_reader_e2e.py PATH/TO/tamrel
Exit 0 on success, 1 on a failure, 77 when the accessibility bus cannot
start here (ctest reports a skip)."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
PANEL = "Elecraft K2 Front Panel - Tamrel"


def fail(message):
    print("FAIL: " + message, flush=True)
    sys.exit(1)


def skip(message):
    print("SKIP: " + message, flush=True)
    sys.exit(SKIP)


def start_xvfb(procs):
    """A display of our own: Xvfb takes a free number and writes it (-displayfd)
    once it takes clients. -noreset: the bus launcher's brief visit must not
    reset the server just as Tamrel connects."""
    if not shutil.which("Xvfb"):
        fail("Xvfb is not installed (scripts/bootstrap.sh installs xvfb)")
    r, w = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-noreset", "-screen", "0",
                             "1600x1000x24", "-nolisten", "tcp"], pass_fds=(w,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    procs.append(xvfb)
    os.close(w)
    with os.fdopen(r) as f:
        number = f.readline().strip()
    if not number or xvfb.poll() is not None:
        fail("Xvfb did not start")
    return ":" + number


def start_buses(procs):
    """A session bus of our own, then the accessibility bus on it. Returns
    False when the accessibility bus cannot start."""
    daemon = shutil.which("dbus-daemon")
    launcher = "/usr/libexec/at-spi-bus-launcher"
    if not daemon or not os.path.exists(launcher):
        return False
    session = subprocess.Popen([daemon, "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, text=True)
    procs.append(session)
    address = session.stdout.readline().strip()
    if not address:
        return False
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
    procs.append(subprocess.Popen([launcher, "--launch-immediately"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    deadline = time.time() + 15
    while time.time() < deadline:
        r = subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                           capture_output=True, text=True)
        if r.returncode == 0 and "unix:" in r.stdout:
            return True
        time.sleep(0.2)
    return False


def main():
    if len(sys.argv) != 2:
        fail("usage: screen_reader_e2e.py PATH/TO/tamrel")
    tamrel = os.path.abspath(sys.argv[1])
    procs = []
    home = tempfile.TemporaryDirectory(prefix="tamrel-a11y-")
    try:
        os.environ["DISPLAY"] = start_xvfb(procs)
        if not start_buses(procs):
            skip("the accessibility bus (at-spi2-core) cannot start here")
        try:
            import pyatspi  # after the buses: it connects on import
            from gi.repository import GLib
        except ImportError as e:
            fail("python3-pyatspi is missing: %s" % e)
        run(tamrel, home.name, procs, pyatspi, GLib)
    finally:
        for p in reversed(procs):
            p.terminate()
        for p in reversed(procs):
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        home.cleanup()


def run(tamrel, home, procs, pyatspi, GLib):
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_RUNTIME_DIR=home, QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    log = open(os.path.join(home, "tamrel.log"), "w")
    app_proc = subprocess.Popen([tamrel, "--simulate", "--no-splash"], env=env, stdout=log,
                                stderr=subprocess.STDOUT)
    procs.append(app_proc)

    def pump(seconds):
        end = time.time() + seconds
        ctx = GLib.MainContext.default()
        while time.time() < end:
            while ctx.iteration(False):
                pass
            time.sleep(0.02)

    def wait_for(what, check, seconds=20):
        end = time.time() + seconds
        while time.time() < end:
            value = check()
            if value:
                return value
            if app_proc.poll() is not None:
                log.flush()
                print(open(log.name).read()[-3000:])
                fail("Tamrel ended (%s) while waiting for %s" % (app_proc.returncode, what))
            pump(0.1)
        a = application()
        shown = [a.getChildAtIndex(i).name for i in range(a.childCount)] if a else []
        fail("no %s within %d s (windows: %s)" % (what, seconds, shown))

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            if a is not None and a.name.lower() == "tamrel":
                return a
        return None

    def window(title):
        a = application()
        if a is None:
            return None
        for i in range(a.childCount):
            w = a.getChildAtIndex(i)
            if w is not None and w.name == title:
                return w
        return None

    def find(root, name):
        return pyatspi.findDescendant(root, lambda n: n is not None and n.name == name)

    wait_for("Tamrel on the accessibility bus", application)
    panel = wait_for("window named " + PANEL, lambda: window(PANEL))
    print("found window: %s (%s)" % (panel.name, panel.getRoleName()))

    vfo_a = wait_for("VFO A frequency box", lambda: find(panel, "VFO A frequency"))
    text = vfo_a.queryText()
    khz = wait_for("VFO A frequency from the radio",
                   lambda: re.search(r"\d+\.\d\d", text.getText(0, -1)) and text.getText(0, -1))
    print("VFO A frequency read as text: %r" % khz.strip())

    # Tune from the keyboard alone: the panel starts with the focus on its
    # tuning slider, where Up tunes the receive VFO one step.
    wait_for("the panel focused", lambda: find(panel, "Tuning").getState().contains(
        pyatspi.STATE_FOCUSED))
    pump(1.0)
    subprocess.run(["xdotool", "key", "Up"], check=True)
    tuned = wait_for("VFO A changed by the Up key",
                     lambda: (lambda t: t != khz and re.search(r"\d+\.\d\d", t) and t)(
                         text.getText(0, -1)))
    print("after Up: %r" % tuned.strip())
    print("PASS", flush=True)


if __name__ == "__main__":
    main()
