#!/usr/bin/env bash
# The reliability figures of the program against the simulated K2, run by
# hand outside CI (they take minutes). Prints:
#  - connect cycles: N connect/close cycles on the network server, their rate,
#    and the program's RSS and open descriptors before and after;
#  - 1,100 clients at once against a program limited to 1,024 descriptors:
#    how many were served and refused, the CPU it used in the 3 s after, its
#    descriptors, and whether a client is served again afterwards;
#  - ending signals: K runs each ended by HUP, QUIT, TERM or INT once the
#    radio answered: how many ended with status 0, sent RX, KY @ and AI0 last,
#    and the slowest end;
#  - SIGTERM during the splash: how many of K runs ended with status 0 without
#    opening the radio;
#  - SIGKILL at any moment: KILLS runs in one home, killed during the start or
#    while ending, after which the settings file is whole and never older.
# Usage: scripts/measure-reliability.sh [CONNECT_CYCLES] [RUNS] [KILLS]   (build first)
set -euo pipefail
cd "$(dirname "$0")/.."
cycles=${1:-20000}
runs=${2:-8}
kills=${3:-40}
build=${BUILD_DIR:-build}
k2sim=$build/tools/k2sim/k2sim
tamrel=$build/app/tamrel
for tool in python3 prlimit; do
    command -v $tool >/dev/null || { echo "measure-reliability: $tool is missing" >&2; exit 1; }
done
[ -x "$k2sim" ] && [ -x "$tamrel" ] || { echo "measure-reliability: build $k2sim and $tamrel first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$k2sim" "$tamrel" "$work" "$cycles" "$runs" "$kills" <<'EOF'
import os, random, resource, signal, socket, subprocess, sys, time

k2sim, tamrel, work = sys.argv[1], sys.argv[2], sys.argv[3]
cycles, runs, kills = int(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6])
resource.setrlimit(resource.RLIMIT_NOFILE, (4096, resource.getrlimit(resource.RLIMIT_NOFILE)[1]))

def free_port():
    s = socket.socket(); s.bind(("127.0.0.1", 0)); p = s.getsockname()[1]; s.close(); return p

def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1

def fds(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))

def cpu_s(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

class Run:
    """A simulated radio and the program on it, with folders of their own."""
    def __init__(self, name, args=(), nofile=None, splash=False):
        self.dir = os.path.join(work, name)
        os.makedirs(self.dir + "/run", mode=0o700, exist_ok=True)
        self.link = self.dir + "/k2"
        if os.path.lexists(self.link):
            os.unlink(self.link)
        self.log = self.dir + "/radio.log"
        self.sim = subprocess.Popen([k2sim, "--link", self.link, "--log", self.log],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(self.link): break
            time.sleep(0.05)
        env = dict(os.environ, HOME=self.dir, XDG_CONFIG_HOME=self.dir + "/config",
                   XDG_RUNTIME_DIR=self.dir + "/run", QT_QPA_PLATFORM="offscreen")
        cmd = [tamrel, "--device", self.link, "--report-startup"] + ([] if splash else ["--no-splash"])
        if nofile:
            cmd = ["prlimit", f"--nofile={nofile}:{nofile}", "--"] + cmd
        self.out = open(self.dir + "/out", "w")
        self.proc = subprocess.Popen(cmd + list(args), env=env, stdout=self.out, stderr=self.out)
        self.pid = self.proc.pid

    def output(self):
        with open(self.dir + "/out") as f:
            return f.read()

    def wait_answered(self, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if "first reply shown" in self.output(): return True
            time.sleep(0.05)
        return False

    def commands(self):
        try:
            with open(self.log, errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def end(self):
        if self.proc.poll() is None:
            self.proc.kill(); self.proc.wait()
        self.sim.terminate(); self.sim.wait()

def connect(port):
    s = socket.socket(); s.connect(("127.0.0.1", port)); return s

# ---- connect cycles ------------------------------------------------------------
port = free_port()
r = Run("cycles", ["--rigctld", f"127.0.0.1:{port}"])
assert r.wait_answered(), r.output()
time.sleep(0.5)
rss0, fd0 = rss_kib(r.pid), fds(r.pid)
t0 = time.time()
for i in range(cycles):
    s = connect(port)
    if i % 100 == 0:
        s.sendall(b"f\n"); s.recv(100)
    s.close()
elapsed = time.time() - t0
time.sleep(1)
print(f"connect cycles: {cycles} in {elapsed:.1f} s ({cycles / elapsed:.0f}/s); "
      f"RSS {rss0} -> {rss_kib(r.pid)} KiB; descriptors {fd0} -> {fds(r.pid)}")
r.end()

# ---- 1,100 clients against 1,024 descriptors ------------------------------------------
port = free_port()
r = Run("flood", ["--rigctld", f"127.0.0.1:{port}"], nofile=1024)
assert r.wait_answered(), r.output()
fd0 = fds(r.pid)
clients = [connect(port) for _ in range(1100)]
time.sleep(1)
c0 = cpu_s(r.pid)
time.sleep(3)
cpu = cpu_s(r.pid) - c0
served = refused = 0
for s in clients:
    s.settimeout(2)
    try:
        s.sendall(b"f\n")
        served += bool(s.recv(100))
    except OSError:
        refused += 1
fd_busy = fds(r.pid)
for s in clients: s.close()
time.sleep(1.5)
again = connect(port); again.settimeout(5); again.sendall(b"f\n")
ok = bool(again.recv(100)); again.close()
print(f"1100 clients, 1024 descriptors: {served} served, {refused} refused; CPU {cpu:.2f} s in 3 s; "
      f"descriptors {fd0} -> {fd_busy}; served again afterwards: {'yes' if ok else 'NO'}")
r.proc.send_signal(signal.SIGTERM)
print(f"  then SIGTERM: status {r.proc.wait(10)}")
r.end()

# ---- ending signals ---------------------------------------------------------------
sigs = [signal.SIGHUP, signal.SIGQUIT, signal.SIGTERM, signal.SIGINT]
clean = ordered = 0
slowest = 0.0
for i in range(runs):
    sig = sigs[i % len(sigs)]
    r = Run(f"sig{i}")
    assert r.wait_answered(), r.output()
    time.sleep(0.5)
    before = len(r.commands())
    t0 = time.time()
    r.proc.send_signal(sig)
    status = r.proc.wait(10)
    slowest = max(slowest, time.time() - t0)
    time.sleep(0.3)
    text = r.commands()[before:]
    clean += status == 0
    ordered += text.find("RX;") >= 0 and text.find("RX;") < text.find("KY @;") < text.find("AI0;")
    r.end()
print(f"ending signals: {runs} runs, {clean} with status 0, {ordered} with RX, KY @, AI0 in order; "
      f"slowest end {slowest * 1000:.0f} ms")

# ---- SIGTERM during the splash -------------------------------------------------------
clean = quiet = 0
for i in range(max(1, runs // 2)):
    r = Run(f"splash{i}", splash=True)
    time.sleep(1.0)
    r.proc.send_signal(signal.SIGTERM)
    status = r.proc.wait(10)
    clean += status == 0
    quiet += "window shown" not in r.output()
    r.end()
print(f"SIGTERM during the splash: {max(1, runs // 2)} runs, {clean} with status 0, "
      f"{quiet} without the panel starting")

# ---- SIGKILL at any moment of a start or of the ending save -------------------------------
# One home for every run: odd runs are killed at a random moment of the start,
# even runs tune 40 m over the network, are told to end and are killed at a
# random moment of that. The settings file must stay whole every time, and
# its 40 m frequency the last one seen or one set since.
def settings_state(path):
    """The sections and the 40 m VFO A value of a whole settings file; None if it is not whole."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"REGEDIT4\r\n") or not data.endswith(b"\r\n"):
        return None
    sections, value, section = [], None, ""
    for line in data[len(b"REGEDIT4\r\n"):-2].split(b"\r\n"):
        if line.startswith(b"[") and line.endswith(b"]"):
            section = line
            sections.append(line)
        elif line.startswith(b'"') and b'"=' in line:
            if section.endswith(b"\\VFO Frequencies]") and line.startswith(b'"40M VFOA Freq"=dword:'):
                value = int(line.split(b":", 1)[1], 16)
        elif line:
            return None
    return sections, value

rng = random.Random(7)
settings = os.path.join(work, "kills", "config", "ZZ9ZZ Software", "Rig Control.reg")
reference, allowed = None, None  # anything, until the first whole file is seen
whole = started_kills = save_kills = saved = 0
bad = []
for i in range(kills):
    port = free_port()
    r = Run("kills", ["--rigctld", f"127.0.0.1:{port}"])
    if i % 2:
        time.sleep(rng.uniform(0, 2.0))
        started_kills += 1
    else:
        if not r.wait_answered():
            bad.append(f"run {i}: the radio never answered; the program said: {r.output()[-400:]!r}")
            r.end()
            continue
        freq = 7_001_000 + 10 * i
        s = connect(port); s.sendall(f"F {freq}\n".encode()); s.recv(100); s.close()
        allowed = allowed and allowed | {freq}
        r.proc.send_signal(signal.SIGTERM)
        time.sleep(rng.uniform(0, 0.012))  # the settings are saved 3-5 ms after the request
        save_kills += 1
    r.end()
    if not os.path.exists(settings):
        if reference is None:
            whole += 1
            continue
        bad.append(f"run {i}: the settings file is gone")
        continue
    state = settings_state(settings)
    if state is None:
        bad.append(f"run {i}: the settings file is not whole")
        continue
    sections, value = state
    reference = reference or sections
    if sections != reference or (allowed is not None and value not in allowed):
        bad.append(f"run {i}: sections or the 40 m frequency changed: {value}")
        continue
    whole += 1
    saved += i % 2 == 0 and value == 7_001_000 + 10 * i
    allowed = {value}
left = [n for n in os.listdir(os.path.dirname(settings)) if n != "Rig Control.reg"]
print(f"SIGKILL at any moment: {kills} runs ({started_kills} during the start, {save_kills} while "
      f"ending), settings whole and never older after {whole}; the new frequency kept by {saved} "
      f"of the {save_kills} killed while ending; "
      f"other files left in its folder: {len(left)}")
for b in bad[:10]:
    print("  " + b)
EOF
