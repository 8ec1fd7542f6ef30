#!/usr/bin/env bash
# hamlib's rigctld (-m 2021, the K2 model) and Tamrel's network server side by
# side, each on its own simulated K2 whose VFO knob turns 10 Hz a second and
# reports it as the radio's auto-information does. Prints:
#  - freshness: how long after the radio's report a client's "f" shows the value;
#  - p50/p99 of f, of f+m+v (what "fmv" costs a hamlib client, one transaction
#    each) and of F, timed on a socket that speaks as rigctl -m 2 does, and the
#    mean per command of rigctl -m 2 itself reading 200 "f" from its input;
#  - the CPU each server uses while three clients poll f, m, v every 100 ms;
#  - what each sends to the radio when a client connects.
# Usage: scripts/measure-rigctld.sh [SECONDS_OF_FRESHNESS]   (build first)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
build=${BUILD_DIR:-build}
k2sim=$build/tools/k2sim/k2sim
tamrel=$build/app/tamrel
for tool in rigctld rigctl python3; do
    command -v $tool >/dev/null || { echo "measure-rigctld: $tool is missing" >&2; exit 1; }
done
[ -x "$k2sim" ] && [ -x "$tamrel" ] || { echo "measure-rigctld: build $k2sim and $tamrel first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
hport=$(free_port)
tport=$(free_port)

# hamlib's K2 model talks 8N2; Tamrel uses its default port settings.
"$k2sim" --link "$work/k2-hamlib" --log "$work/hamlib-radio.log" --two-stop-bits --tune-every 1000 >/dev/null &
pids+=($!)
"$k2sim" --link "$work/k2-tamrel" --log "$work/tamrel-radio.log" --tune-every 1000 >/dev/null &
pids+=($!)
sleep 0.5

rigctld -m 2021 -r "$work/k2-hamlib" -s 4800 -T 127.0.0.1 -t "$hport" >"$work/rigctld.out" 2>&1 &
hpid=$!
pids+=($hpid)
mkdir -p "$work/home"
HOME="$work/home" QT_QPA_PLATFORM=offscreen "$tamrel" --no-splash --device "$work/k2-tamrel" \
    --rigctld "127.0.0.1:$tport" >"$work/tamrel.out" 2>&1 &
tpid=$!
pids+=($tpid)

python3 - "$hport" "$tport" "$hpid" "$tpid" "$work" "$seconds" <<'EOF'
import os, socket, statistics, subprocess, sys, threading, time

hport, tport, hpid, tpid = map(int, sys.argv[1:5])
work, seconds = sys.argv[5], float(sys.argv[6])
servers = [("hamlib rigctld -m 2021", hport, hpid, "hamlib-radio.log"),
           ("Tamrel", tport, tpid, "tamrel-radio.log")]

class Client:
    """Speaks as rigctl -m 2 does: one command a transaction, a fixed line count back."""
    def __init__(self, port):
        self.s = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.buf = b""
    def ask(self, line, lines):
        self.s.sendall(line.encode() + b"\n")
        while self.buf.count(b"\n") < lines:
            chunk = self.s.recv(4096)
            if not chunk:
                raise IOError("closed")
            self.buf += chunk
        parts = self.buf.split(b"\n")
        out, self.buf = parts[:lines], b"\n".join(parts[lines:])
        return [p.decode() for p in out]
    def close(self):
        self.s.close()

def wait_ready(port):
    end = time.time() + 30
    while time.time() < end:
        try:
            c = Client(port)
            v = c.ask("f", 1)[0]
            c.close()
            if v.isdigit():
                return
        except OSError:
            pass
        time.sleep(0.3)
    sys.exit("server on port %d does not answer" % port)

def pct(xs, p):
    xs = sorted(xs)
    return xs[min(len(xs) - 1, int(round(p / 100 * (len(xs) - 1))))]

def ms(x):
    return "%.2f ms" % (x * 1000)

def radio_lines(log):
    with open(os.path.join(work, log), errors="replace") as f:
        return f.read().splitlines()

def knobs(log):
    """When the knob moved to each frequency, and when a reply first carrying it left."""
    turned, sent = {}, {}
    for line in radio_lines(log):
        parts = line.split()
        if line.startswith("knob ") and len(parts) == 3:
            turned[int(parts[2])] = float(parts[1])
        elif line.startswith("sent ") and len(parts) >= 3 and parts[2][:2] in ("FA", "FB", "IF"):
            digits = parts[2][2:13]
            if digits.isdigit() and int(digits) in turned and int(digits) not in sent:
                sent[int(digits)] = float(parts[1])
    return turned, sent

for _, port, _, _ in servers:
    wait_ready(port)
time.sleep(2)  # let the program's initial query finish

with open("/proc/loadavg") as f:
    print("== Load average at the start: %s (other work on the machine shows in the figures)"
          % " ".join(f.read().split()[:3]))
print("== What each sends to the radio when a client connects (rigctl -m 2 ... f)")
for name, port, _, log in servers:
    before = len(radio_lines(log))
    subprocess.run(["rigctl", "-m", "2", "-r", "127.0.0.1:%d" % port, "f"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
    time.sleep(1.5)
    sent = [l.split()[1] for l in radio_lines(log)[before:]
            if not l.startswith(("knob ", "sent "))]
    polls = [c for c in sent if c in ("DS;", "BG;")]
    other = [c for c in sent if c not in ("DS;", "BG;")]
    print("%-24s %d commands besides the display poll: %s (display poll DS/BG: %d)"
          % (name, len(other), " ".join(other) or "-", len(polls)))

print("== Freshness: the radio reports a new frequency, how long until a client's f shows it")
print("   (f polled every 2 ms for %.0f s on each, one after the other; one knob step a second)"
      % seconds)
def freshness(port, log, out):
    c = Client(port)
    seen = {}
    begin = time.monotonic()
    end = begin + seconds
    while time.monotonic() < end:
        v = c.ask("f", 1)[0]
        t = time.monotonic()
        if v.isdigit() and int(v) not in seen:
            seen[int(v)] = t
        time.sleep(0.002)
    c.close()
    turned, sent = knobs(log)
    # Only knob steps made while polling count: the first value seen may be older.
    for hz, t in seen.items():
        if hz in turned and begin < turned[hz] <= t:
            out[0].append(t - turned[hz])
            if hz in sent:
                out[1].append(t - sent[hz])
# One server at a time, so that neither's polling disturbs the other's figures.
results = {}
for name, port, _, log in servers:
    results[name] = ([], [])
    freshness(port, log, results[name])
for name, *_ in servers:
    for label, d in (("after the knob", results[name][0]),
                     ("after the report left the radio", results[name][1])):
        if d:
            print("%-24s %-32s n=%d p50 %s p90 %s p99 %s max %s"
                  % (name, label, len(d), ms(pct(d, 50)), ms(pct(d, 90)), ms(pct(d, 99)),
                     ms(max(d))))
        else:
            print("%-24s %-32s nothing seen" % (name, label))

print("== Answer times on one connection (send to last line read)")
for name, port, _, _ in servers:
    c = Client(port)
    base = int(c.ask("f", 1)[0])
    row = []
    for label, n, fn in (
            ("f", 300, lambda i: c.ask("f", 1)),
            ("f+m+v", 200, lambda i: (c.ask("f", 1), c.ask("m", 2), c.ask("v", 1))),
            ("F", 100, lambda i: c.ask("F %d" % (base + 10 * (i % 5)), 1))):
        times = []
        for i in range(n):
            t0 = time.perf_counter()
            fn(i)
            times.append(time.perf_counter() - t0)
        row.append("%s p50 %s p99 %s" % (label, ms(pct(times, 50)), ms(pct(times, 99))))
    c.close()
    print("%-24s %s" % (name, "; ".join(row)))

print("== rigctl -m 2 itself: 200 f read from its input, mean per command")
for name, port, _, _ in servers:
    t0 = time.perf_counter()
    r = subprocess.run(["rigctl", "-m", "2", "-r", "127.0.0.1:%d" % port, "-"],
                       input="f\n" * 200, capture_output=True, text=True, timeout=600)
    total = time.perf_counter() - t0
    answers = sum(1 for l in r.stdout.splitlines() if l.startswith("f "))
    print("%-24s %d answers in %.2f s (%s a command, start-up included)"
          % (name, answers, total, ms(total / 200)))

print("== CPU while three clients poll f, m, v every 100 ms for 10 s")
def ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])
def poller(port, stop):
    c = Client(port)
    while not stop.is_set():
        c.ask("f", 1); c.ask("m", 2); c.ask("v", 1)
        time.sleep(0.1)
    c.close()
hz = os.sysconf("SC_CLK_TCK")
for name, port, pid, _ in servers:
    idle0 = ticks(pid); time.sleep(5); idle = (ticks(pid) - idle0) / hz / 5
    stop = threading.Event()
    ps = [threading.Thread(target=poller, args=(port, stop)) for _ in range(3)]
    for p in ps: p.start()
    t0 = ticks(pid); time.sleep(10); used = (ticks(pid) - t0) / hz / 10
    stop.set()
    for p in ps: p.join()
    print("%-24s %.1f%% of one core polled (%.1f%% with no client)" % (name, used * 100, idle * 100))
EOF
