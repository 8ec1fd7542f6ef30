#!/usr/bin/env python3
"""Plants one fault at a time in this source tree and records which tests catch it.

  plant.py --build DIR [--only NAME...] [--out results.json] [--md table.md] [--no-baseline]

Each fault is one small edit a developer could make. The script applies it,
rebuilds (ninja -k 0), runs only the tests whose executable (or a program they
start, such as app/tamrel) the rebuild changed, records the failing tests and
puts the file back, whatever happens. A baseline run of the whole suite first
lists the tests that fail with no fault; those are reported, not counted.
"""
import argparse, json, os, re, signal, subprocess, sys, tempfile, time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
R = "radio/CK2CommChannel.cpp"
M = "radio/K2RadioModel.cpp"

# name, file, text found exactly once, replacement, kind
FAULTS = [
    ("reply-overlong", "radio/ReplyParser.cpp", "bytes.size() > kMaxReply - length_",
     "bytes.size() >= kMaxReply - length_", "reply splitter drops a reply of exactly the longest length"),
    ("display-glyph", "radio/ReplyParser.cpp", "case 'M':\n        return 'N';",
     "case 'M':\n        return 'M';", "display placeholder code not translated"),
    ("fa-digits", R, '"%s%011u", n, frequencyHz', '"%s%010u", n, frequencyHz',
     "frequency command encoded with 10 digits instead of 11"),
    ("vfo-swap", R, "vfo == 0 ? ID_FA : ID_FB", "vfo == 0 ? ID_FB : ID_FA", "VFO A/B commands swapped"),
    ("ks-clamp", R, "std::clamp<int>(wpm, 9, 50)", "std::clamp<int>(wpm, 9, 99)",
     "CW speed not clamped to the radio's range"),
    ("ky-semicolon", R, "if (text.find(';') != std::string_view::npos)", "if (false)",
     "CW text with ';' not refused (guard skipped)"),
    ("lock-guard", "radio/RadioOperations.cpp",
     "TuneStep(bool up, int step) {\n    if (Locked())", "TuneStep(bool up, int step) {\n    if (false)",
     "tuning ignores the VFO lock"),
    ("same-band-guard", "radio/RadioOperations.cpp", " || index == model_.CurrentBand().index", "",
     "selecting the current band retunes (same-value guard skipped)"),
    ("rit-sign", M, "To32(*offset)", "To32(-*offset)", "RIT/XIT offset sign inverted"),
    ("xit-announce", M, "Report(rc::kRitXit, &RadioFields::xitOn", "Report(0, &RadioFields::xitOn",
     "XIT change not announced (lost change bit)"),
    ("split-vfo", M, "p[30] != '0' ? 1 - vfo : vfo", "vfo", "split flag of the IF reply ignored"),
    ("runner-pacing", "radio/SequenceRunner.cpp", "lane->due = clock().Now() + step.pauseAfter;",
     "lane->due = clock().Now();", "sequence steps sent without their pause"),
    ("runner-drain", "radio/SequenceRunner.cpp", "if (!lane.steps.empty())\n            return true;",
     "if (!lane.steps.empty())\n            return false;", "quit does not wait for a running sequence"),
    ("band-edge", "radio/BandTable.h", "hz <= b.highHz", "hz < b.highHz",
     "band lookup misses the band's top edge"),
    ("cw-chunk", "cw/KeyerFeed.cpp", "cut = i;", "cut = i - 1;",
     "CW chunk cut before the space instead of after it"),
    ("log-sig-order", "qsolog/QsoLine.cpp", "field(r.mySig);\n        field(r.hisSig);",
     "field(r.hisSig);\n        field(r.mySig);", "log line writes the two reports swapped"),
    ("adif-length", "qsolog/Adif.cpp", "out += std::to_string(value.size());",
     "out += std::to_string(codePoints(value));", "ADIF length counts characters, not bytes"),
    ("cabrillo-column", "qsolog/Cabrillo.cpp", "padded(q, myCall, 13);", "padded(q, myCall, 12);",
     "Cabrillo sent-call column one too narrow"),
    ("exchange-report", "qsolog/ContestExchange.cpp", "return ((r >= '1' && r <= '5')",
     "return ((r >= '1' && r <= '9')", "exchange splitter takes any 3-digit number as a report"),
    ("wsjtx-string", "qsolog/WsjtxMessage.cpp", "if (bytes_.size() - at_ < size) {",
     "if (bytes_.size() - at_ <= size) {", "WSJT-X reader refuses a string ending the datagram"),
    ("memory-endian", "memory/K2MemoryFile.cpp", "out[i] = static_cast<uint8_t>(v >> (8 * i));",
     "out[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));", "memory file numbers written big-endian"),
    ("settings-escape", "settings/RegFile.cpp", 'case \'\\\\\':\n            out += "\\\\\\\\";',
     'case \'\\\\\':\n            out += "\\\\";', "settings value backslash not escaped"),
    ("rigctl-rprt", "remote/RigctlSession.cpp", '"get_lock_mode", Op::GetLockMode, 0, kNoVfo',
     '"get_lock_mode", Op::GetLockMode, 0, kOut | kNoVfo', "rigctld RPRT line dropped after get_lock_mode"),
    ("frame-title-length", "remote/ControlFrame.cpp", "return cbData <= kMaxTitle;", "return true;",
     "control frame length check skipped for a title"),
    ("no-fsync", "platform/DurableFile.cpp", "if (::fsync(p->file_.handle()) != 0) {", "if (false) {",
     "durable write not synced before the rename"),
    # The reliability faults: each undoes the heart of one mend.
    ("log-ansi-read", "qsolog/LogText.cpp", "    return reg::decodeAnsi(fieldBytes);",
     "    return std::string(fieldBytes);", "log text that is not UTF-8 read as UTF-8"),
    ("log-kept-bytes", "qsolog/LogText.cpp", "if (logTextUtf8(originalBytes) == editedUtf8)",
     "if (false)", "a field nobody changed is written in new bytes"),
    ("log-retry", "qsolog/QsoLogFile.cpp", "retry_ = w.status == LogWrite::Status::Failed;",
     "retry_ = false;", "a failed log write is not retried with the next QSO"),
    ("signal-hup", "app/SignalWatcher.cpp", "{SIGTERM, SIGINT, SIGHUP, SIGQUIT}", "{SIGTERM, SIGINT}",
     "SIGHUP and SIGQUIT end the program without its orderly end"),
    ("splash-term", "app/CTamrelApp.cpp", "    if (StopRequested())\n        return 0; // nothing opened yet",
     "    if (false)\n        return 0; // nothing opened yet", "a signal during the splash lets the panel start"),
    ("modal-close", "app/SignalWatcher.cpp", "d->done(QDialog::Rejected);", "(void)d;",
     "an open message box holds the end until it is clicked"),
    ("client-cap", "remote/RigctlServer.cpp", "return connections_.size() >= maxConnections_ ||",
     "return false ||", "network clients beyond the cap are served"),
    ("descriptor-reserve", "remote/RigctlServer.cpp", "|| spare < kReservedDescriptors",
     "|| (spare < kReservedDescriptors && false)", "clients are served until no descriptor is left"),
    ("accept-pause", "remote/RigctlServer.cpp", "        server_.pauseAccepting();\n        resumeAccepting_.start();",
     "", "out of descriptors, the accept is retried at once"),
    ("ptt-owner", "remote/RigctlServer.cpp",
     "if (reason != CloseReason::Quit && c->session.KeyedPtt() && ops_.Model().PttKeyed())",
     "if (reason != CloseReason::Quit && ops_.Model().PttKeyed())", "any client's end unkeys another's transmission"),
    ("keyed-silence", "remote/RigctlServer.cpp", "        c.keyedSilence.start(keyedSilence_); // from this line on",
     "        c.keyedSilence.stop();", "a keyed client that falls silent stays keyed"),
    ("folder-owner", "platform/Paths.cpp", "if (st.st_uid != ::geteuid())", "if (false)",
     "a socket folder of another user is accepted"),
    ("folder-mode", "platform/Paths.cpp", "if ((st.st_mode & 022) != 0) {", "if (false) {",
     "a socket folder others can write is accepted"),
    ("question-live", "radio/K2RadioModel.cpp", '        if (text != "?")\n            ++unread_;\n        return 0;',
     '        if (text != "?")\n            ++unread_;\n        else if (link_.OnReply(LinkMonitor::Clock::now()))\n'
     '            return rc::kLink;\n        return 0;', "a radio that answers only ? counts as live"),
    ("garbled-reread", "panel/LinkWatch.cpp", "if ((garbled && ticksSinceRefresh_ >= kMinRefreshTicks) ||",
     "if ((false && garbled) ||", "a garbled reply does not bring the state's re-read forward"),
    ("settings-cut", "settings/RegFile.cpp", "if (cutShort() && trim(line.substr(6)).size() < 8)", "if (false)",
     "a settings value cut by the end of the file is accepted"),
    ("settings-told-once", "settings/CRigControlRegistry.cpp", "if (!std::exchange(brokenTold_, true))",
     "if (true)", "an unreadable settings file is told once per value"),
    ("band-save-told", "panel/CFrontPanelDlg.cpp",
     "if (!registry_.SetVfoFrequencies(radio_.Model().VfoMemoryTable()))",
     "if (!registry_.SetVfoFrequencies(radio_.Model().VfoMemoryTable()) && false)",
     "a failed save of the band frequencies is not said"),
    ("unkey-read", "radio/RadioOperations.cpp", "(on || ch->CmdIF() == K2_OK)", "true",
     "an unkeyed radio shows transmitting until its next full read"),
    ("stale-keying", "radio/RadioOperations.cpp",
     "if (check.keyed && outcome == SetOutcome::Done && tag == keyingTag_)",
     "if (false)", "receive reports from before a T 1 unkey the model, so nothing unkeys the radio"),
    ("adif-mode-name", "qsolog/AdifRead.cpp",
     "return v ? upperText(trimmed(fitText(*v, kModeCapacity))) : std::string{};",
     "return v ? upperText(trimmed(fitText(*v, v->size() + 1))) : std::string{};",
     "an imported mode is decided on the whole name, not the one its log line keeps"),
    ("rigctl-hung-up-count", "remote/RigctlServer.cpp",
     "spare += dropHungUp();",
     "spare += 0;",
     "network clients that hung up unread still fill the cap"),
    ("held-vfo-memory", "radio/K2RadioModel.cpp",
     "taken |= bit & (rc::kVfoA | rc::kVfoB);",
     "taken |= 0;",
     "a frequency set for a network client is left out of its band and its memory"),
    ("settings-bom", "settings/RegSettingsFormat.cpp",
     "return decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));",
     "return QString::fromStdString(s);",
     "a settings name or text loses the U+FEFF it begins with"),
    ("settings-empty-lock", "settings/RegistryStore.cpp",
     "DropOwnerlessLock(QString::fromStdString(file));",
     "(void)&DropOwnerlessLock;",
     "an empty lock left beside the settings holds up the start for 30 s"),
]


def run(cmd, **kw):
    return subprocess.run(["nice", "-n", "10", *cmd], **kw)


def build(bdir, log, targets=()):
    """Builds everything, or only the named targets (the tests and the programs they start)."""
    pick = ["--target", *targets] if targets else []
    with open(log, "w") as f:
        return run(["cmake", "--build", bdir, *pick, "--", "-k", "0", "-j2"], stdout=f,
                   stderr=subprocess.STDOUT).returncode


def list_tests(bdir):
    out = subprocess.run(["ctest", "--test-dir", bdir, "--show-only=json-v1"], capture_output=True,
                         text=True, check=True).stdout
    return [(t["name"], t.get("command", [])) for t in json.loads(out)["tests"]]


def programs_of(bdir, tests):
    """For each test executable, the build's programs it runs: itself, files named
    on its command line, and any built program whose path is compiled into it."""
    progs = set()
    for root, _, files in os.walk(bdir):
        for f in files:
            p = os.path.join(root, f)
            if os.access(p, os.X_OK) and "CMakeFiles" not in p:
                with open(p, "rb") as h:
                    if h.read(4) == b"\x7fELF":
                        progs.add(os.path.realpath(p))
    uses = {}
    for _, cmd in tests:
        exe = os.path.realpath(cmd[0]) if cmd else ""
        if exe in uses or not os.path.isfile(exe):
            continue
        data, named = Path(exe).read_bytes(), {os.path.realpath(a) for a in cmd[1:]}
        for enc, ch in (("ascii", rb"[\w./+-]"), ("utf-16-le", rb"[\w./+-]\x00")):  # QStringLiteral
            for n in re.findall(re.escape(bdir.encode(enc)) + rb"(?:" + ch + rb")+", data):
                named.add(os.path.realpath(n.decode(enc)))
        uses[exe] = {exe} | (named & progs)
    return uses


LIMIT = 120  # seconds a test may take; one that hangs under a fault counts as failing


def hung_children(parent):
    """(pid, seconds running) of the processes ctest started, read from /proc."""
    tick, boot = os.sysconf("SC_CLK_TCK"), time.time() - float(Path("/proc/uptime").read_text().split()[0])
    for d in Path("/proc").iterdir():
        try:
            f = (d / "stat").read_text().rsplit(")", 1)[1].split()
        except (OSError, IndexError):
            continue
        if int(f[1]) == parent:
            yield int(d.name), time.time() - boot - int(f[19]) / tick


def run_tests(bdir, names):
    """Runs the named tests; returns the names of those that failed."""
    if not names:
        return []
    failed_log = Path(bdir, "Testing/Temporary/LastTestsFailed.log")
    failed_log.unlink(missing_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        listing = Path(tmp, "tests")
        idx = {n: i + 1 for i, (n, _) in enumerate(list_tests(bdir))}
        listing.write_text("0,0,0," + ",".join(str(idx[n]) for n in names if n in idx))
        ctest = subprocess.Popen(["nice", "-n", "10", "ctest", "--test-dir", bdir, "-I", str(listing),
                                  "-j8", "--timeout", str(LIMIT)], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        while ctest.poll() is None:  # a test's own TIMEOUT property outranks --timeout
            time.sleep(5)
            for pid, age in hung_children(ctest.pid):
                if age > LIMIT:
                    os.kill(pid, signal.SIGKILL)
    if not failed_log.exists():
        return []
    return sorted(line.split(":", 1)[1].strip() for line in failed_log.read_text().splitlines() if ":" in line)


def plant(fault, bdir, tests, uses):
    name, rel, old, new, _ = fault
    path = ROOT / rel
    original = path.read_bytes()
    text = original.decode()
    if text.count(old) != 1:
        return {"error": f"text found {text.count(old)} times in {rel}"}
    stamp = time.time()
    time.sleep(1.1)  # a coarse file system clock must still see the rebuild as newer
    try:
        path.write_text(text.replace(old, new))
        targets = sorted({Path(p).name for ps in uses.values() for p in ps if p.startswith(bdir)})
        if build(bdir, Path(bdir, f"fault-{name}.log"), targets) != 0:
            return {"error": f"does not build, see {bdir}/fault-{name}.log"}
    finally:
        path.write_bytes(original)  # left newer than the objects: the next build recompiles it
    changed = {p for ps in uses.values() for p in ps if os.path.getmtime(p) > stamp}
    chosen = [n for n, cmd in tests if cmd and changed & uses.get(os.path.realpath(cmd[0]), set())]
    return {"ran": len(chosen), "failed": run_tests(bdir, chosen)}


def markdown(results, flaky):
    lines = ["| fault | kind | tests that caught it |", "|---|---|---|"]
    for name, rel, _, _, kind in FAULTS:
        r = results.get(name)
        if r is None:
            continue
        if "error" in r:
            got = "ERROR: " + r["error"]
        else:
            caught = [t for t in r["failed"] if t not in flaky]
            got = ", ".join(caught) if caught else f"**none** ({r['ran']} tests ran)"
        lines.append(f"| {name} (`{rel}`) | {kind} | {got} |")
    lines.append("")
    lines.append("Failing with no fault (not counted): " + (", ".join(flaky) if flaky else "none"))
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--only", nargs="+")
    ap.add_argument("--out", default="faults.json")
    ap.add_argument("--md", default="faults.md")
    ap.add_argument("--no-baseline", action="store_true")
    a = ap.parse_args()
    bdir = os.path.realpath(a.build)
    signal.signal(signal.SIGTERM, signal.default_int_handler)  # restore on kill too
    faults = [f for f in FAULTS if not a.only or f[0] in a.only]
    t0 = time.time()
    if build(bdir, Path(bdir, "fault-baseline.log")) != 0:
        sys.exit("the unchanged tree does not build")
    tests = list_tests(bdir)
    flaky = [] if a.no_baseline else run_tests(bdir, [n for n, _ in tests])
    print(f"baseline: {len(tests)} tests, failing alone: {flaky or 'none'}", flush=True)
    uses = programs_of(bdir, tests)
    results = {}
    try:
        for f in faults:
            t = time.time()
            results[f[0]] = plant(f, bdir, tests, uses)
            results[f[0]]["seconds"] = round(time.time() - t)
            print(f[0], json.dumps(results[f[0]]), flush=True)
            Path(a.out).write_text(json.dumps({"flaky": flaky, "faults": results}, indent=1))
    finally:
        build(bdir, Path(bdir, "fault-restore.log"))
        total = round(time.time() - t0)
        Path(a.out).write_text(json.dumps({"flaky": flaky, "faults": results, "seconds": total}, indent=1))
        Path(a.md).write_text(markdown(results, flaky))
        print(f"total {total} s; table in {a.md}")
    if any("error" in r for r in results.values()):
        sys.exit(1)


if __name__ == "__main__":
    main()
