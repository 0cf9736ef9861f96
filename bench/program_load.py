#!/usr/bin/env python3
"""The program's load where it runs: hollowmere headless against the simulator stand-in and the traffic feed.

  bench/program_load.py [--build DIR] [--aircraft N] [--statics S] [--seconds T] [--idle-seconds T] [--keep DIR]

Two runs, each in a fresh temporary program folder laid out as for the demo (the sealed sample data, a fake
simulator installation whose Community folder holds the generated "bench" AI packages, about 60,000 liveries, and
"parameters.xml" with the link's free port):

loaded  The user aircraft stands at Schiphol, whose park airport file is a generated one with enough stands for S
        static aircraft (default 500; 0 leaves the park airport out). The feed sends N circling flights (default 500)
        within 25 nm, one datagram each every 2 to 5 s, and plays the live-traffic application's side of the link.
        Once 95 % of the N live and of the S static aircraft are in the simulator, the run is sampled for T seconds
        (default 60). The program creates one AI aircraft every 500 ms, so that the wait for them takes about
        (N + S) / 2 seconds (at most --wait, default 900).
idle    The user aircraft stands at sea with no airport near and the feed sends no traffic; sampled for T seconds
        (--idle-seconds sets another time) once the main loop sends the user position on the link.

Each sample gives, over T seconds: the main loop thread's CPU time per 10 ms step, the process's CPU as a share of
one core and each thread's share, and the resident memory (the most seen and the peak); then over T seconds more,
from "perf trace -e clock_nanosleep" on the process (whose handling of each traced sleep would count in the CPU
figures, hence the second window): the loop period (between the starts of two steps: p50, p99, max), the busy time
per step (p50, p99) and each thread's sleeps (the simulator client's 1 ms pump shows about 1000 a second). Without
perf only the CPU and memory figures are given. The machine's load average is printed beside the figures: periods
are wall time.

It needs the build's programs and sample files (built when missing: hollowmere, hlmr-sim-standin,
hlmr-traffic-feed, hlmr_samples, hlmr_samples_regcodes); nothing touches the network (downloads point at a closed
local port). Exit status 0 when both runs were measured.

--keep DIR keeps each run's files in DIR/loaded and DIR/idle instead of a temporary folder removed at the end. DIR
must be new, empty, or hold only what an earlier run kept there (its mark ".hollowmere-load" lists them), which is
replaced: any other folder is refused with exit status 2 before anything is built or run, and nothing in it is
deleted (the rule of the demo's keep folder, scripts/demo_keep.py).
"""
import argparse
import json
import os
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "scripts"))
import demo_keep  # noqa: E402

KEEPER = demo_keep.Keeper("bench/program_load.py", "program_load run", "--keep ")
KEEP_MARK = ".hollowmere-load"
SCHIPHOL = (52.3086, 4.7639)
AT_SEA = (45.0, -30.0)
FLEET = [("KLM", "B738"), ("BAW", "A320"), ("EZY", "A320"), ("DLH", "A320"), ("RYR", "B738"), ("KLM", "B789"),
         ("BAW", "B772"), ("AFR", "A319"), ("KLC", "E190"), ("UAE", "B77W"), ("SAS", "A20N"), ("DLH", "A321")]
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
# A finished sleep of "perf trace": "  10.951 ( 9.948 ms): hollowmere/31989 clock_nanosleep(...) = 0", or the same with
# " ... [continued]: clock_nanosleep())" when another thread's line came between its start and its end; the result
# is 0, or -1 for a sleep cut short by a signal.
TRACE_LINE = re.compile(r"^\s*([\d.]+) \(\s*([\d.]+) ms\): \S*?/(\d+) .*clock_nanosleep\(.*=\s*(-?\d+)")


def log(text):
    print(text, flush=True)


class Run:
    """One program run with its peers in a temporary folder; everything it started is ended by close()."""

    def __init__(self, name, build, keep):
        self.name = name
        self.build = build
        # A kept folder was cleared of an earlier run's files before the runs.
        self.folder = Path(tempfile.mkdtemp(prefix=f"hollowmere-load-{name}-")) if keep is None else keep / name
        if keep is not None:
            self.folder.mkdir(parents=True)
        self.keep = keep is not None
        self.program_folder = self.folder / "program"
        self.processes = []
        self.program = None

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if not self.keep:
            shutil.rmtree(self.folder, ignore_errors=True)

    def start(self, command, output, **options):
        with open(self.folder / output, "w") as out:
            process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                       **options)
        self.processes.append(process)
        return process

    def lay_out(self, at, statics, ports):
        """The program folder: sealed data, simulator installation with the bench packages, airports, settings."""
        program, samples = self.program_folder, self.build / "samples"
        (program / "input").mkdir(parents=True)
        (program / "docs").mkdir()
        for name in ("dbase.enc", "airports.enc", "AIG-regcodes.enc"):
            shutil.copy(samples / "input" / name, program / "input")
        shutil.copytree(samples / "input" / "my_regcodes", program / "input" / "my_regcodes")
        user = program / "user"
        subprocess.run([sys.executable, str(ROOT / "samples/builder/build_refdata.py"), "siminstall", "--root",
                        str(user), "--sim", "2020", "--edition", "store"], check=True, stdout=subprocess.DEVNULL)
        subprocess.run([sys.executable, str(ROOT / "tools/package_generator/generate_packages.py"), "bench", "--out",
                        str(user / "packages")], check=True, stdout=subprocess.DEVNULL)
        if statics > 0:
            generated = self.folder / "airport"
            # The learned file's parking percentage (30 %) of these stands is the number of statics.
            subprocess.run([sys.executable, str(ROOT / "tools/airport_generator/generate_airports.py"), "bench",
                            "--out", str(generated), "--dbase", str(samples / "plain" / "dbase.xml"), "--stands",
                            str(round(statics / 0.3)), "--options", str(round(statics / 0.3) * 12)], check=True)
            learned = (generated / "learned.xml").read_text(encoding="utf-8")
            # The range and the automatic range stay as "parameters.xml" sets them.
            learned = re.sub(r'\s*<parameter name="(RANGE|AUTO_RANGE)" value="[^"]*" />', "", learned)
            for folder in ("airports/my_simaddon", "airports/learned/my_simaddon"):
                (program / folder).mkdir(parents=True)
            shutil.copy(generated / "airport.xml", program / "airports/my_simaddon/EHAM.xml")
            (program / "airports/learned/my_simaddon/EHAM.xml").write_text(learned, encoding="utf-8")
        roaming = user / "roaming"
        (roaming / "VidiveZovadaz").mkdir(parents=True)
        (roaming / "VidiveZovadaz" / "RealTraffic.jar").touch()
        (roaming / "Hollowmere").mkdir(parents=True)
        settings = {"PORT_NUMBER": ports["link"], "SCAN_LIVERIES": "true", "SCAN_AIRPORTS": "false",
                    "LIG_PRIORITIZE": "false", "MAX_LIVE_SEL": 500, "MAX_PARK_SEL": 500, "RANGE": 50,
                    "AUTO_RANGE": "false"}
        # The automatic scan finds only the first package by its name: all ten are scanned as livery folders.
        packages = sorted(path for path in (user / "packages" / "Community").iterdir() if path.is_dir())
        settings["LIG_AUTOMATIC"] = "false"
        settings.update({f"lfolder{i}": path for i, path in enumerate(packages[:10])})
        lines = "".join(f'    <parameter name="{k}" value="{v}" />\n' for k, v in settings.items())
        (roaming / "Hollowmere" / "parameters.xml").write_text(
            f'<?xml version="1.0" encoding="UTF-8"?>\n<root>\n  <parameters>\n{lines}  </parameters>\n</root>\n',
            encoding="utf-8")
        (user / "runtime").mkdir(mode=0o700)
        self.user_at = at

    def start_standin(self):
        standin = self.build / "tools/sim_standin/hlmr-sim-standin"
        user = f"user set {self.user_at[0]} {self.user_at[1]} 0 0 0 0 0 on"
        self.start([str(standin), "--port", "0", "--control-port", "0", "--first-object-id", "1000", "--command",
                    user], "standin.json")
        for _ in range(100):
            lines = [line for line in (self.folder / "standin.json").read_text().splitlines() if "control_port" in line]
            if lines:
                ports = json.loads(lines[0])
                self.sim_port, self.control_port = ports["sim_port"], ports["control_port"]
                return
            time.sleep(0.1)
        raise RuntimeError("the simulator stand-in did not start")

    def standin(self, command):
        with socket.create_connection(("127.0.0.1", self.control_port), timeout=10) as connection:
            connection.sendall(command.encode() + b"\n")
            reply = b""
            while not reply.endswith(b"\n"):
                chunk = connection.recv(65536)
                if not chunk:
                    break
                reply += chunk
        return json.loads(reply)

    def aircraft(self):
        """(live, static) AI aircraft of the program in the simulator."""
        own = [o for o in self.standin("obj list")["objects"] if o["kind"] == "own"]
        statics = sum(o["atc_id"].endswith("*") for o in own)
        return len(own) - statics, statics

    def start_feed(self, flights, seconds, ports):
        scenario = self.folder / "scenario.txt"
        lines = [f"centre {self.user_at[0]} {self.user_at[1]}", f"duration {seconds}", "seed 30",
                 "qnh every=10 values=1013"]
        for i in range(flights):
            airline, model = FLEET[i % len(FLEET)]
            altitude = 4000 + (i * 7919) % 34000
            speed = 200 + altitude // 150
            turn = (1.0 + (i % 5) * 0.5) * (1 if i % 2 else -1)
            lines.append(f"flight hex={0x400000 + i} callsign={airline}{100 + i} type={model} reg=PH-{i:04d} "
                         f"bearing={(i * 137.5) % 360:.1f} dist={2 + (i * 0.37) % 23:.2f} alt={altitude} gs={speed} "
                         f"track={(i * 61) % 360} turn={turn:.1f} interval=2-5 start={i % 5}")
        scenario.write_text("\n".join(lines) + "\n", encoding="utf-8")
        feed = self.build / "tools/traffic_feed/hlmr-traffic-feed"
        self.start([str(feed), "--scenario", str(scenario), "--link-port", str(ports["link"]), "--reconnect",
                    "--stop-on-exit", "--traffic-port", str(ports["traffic"]), "--qnh-port", str(ports["qnh"]),
                    "--link-log", str(self.folder / "link-log.txt")], "feed.txt")

    def start_program(self, ports):
        user = self.program_folder / "user"
        environment = dict(os.environ, HLMR_UI="headless", XDG_RUNTIME_DIR=str(user / "runtime"),
                           HLMR_SIM_PORT=str(self.sim_port), HLMR_DOWNLOAD_BASE="http://127.0.0.1:9/",
                           HLMR_TRAFFIC_PORT=str(ports["traffic"]), HLMR_QNH_PORT=str(ports["qnh"]),
                           HLMR_ROAMING_APPDATA=str(user / "roaming"), HLMR_LOCAL_APPDATA=str(user / "local"),
                           HLMR_SHELL_OPEN_LOG=str(user / "opened-folders.txt"))
        self.program = self.start([str(self.build / "src/app/hollowmere")], "console.txt", cwd=self.program_folder,
                                  env=environment)

    def link_positions(self):
        try:
            return (self.folder / "link-log.txt").read_text(errors="replace").count(" Qs121 ")
        except FileNotFoundError:
            return 0

    def check_running(self):
        if self.program.poll() is not None:
            raise RuntimeError(f"hollowmere ended with status {self.program.returncode}; see "
                               f"{self.program_folder / 'Log.txt'} and {self.folder / 'console.txt'}")


def free_ports():
    sockets = [socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2)] + [socket.socket()]
    for s in sockets:
        s.bind(("127.0.0.1", 0))
    ports = dict(zip(("traffic", "qnh", "link"), (s.getsockname()[1] for s in sockets)))
    for s in sockets:
        s.close()
    return ports


def thread_cpu(pid):
    """Each thread's CPU time in seconds."""
    times = {}
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            times[int(task.name)] = int((task / "schedstat").read_text().split()[0]) / 1e9
        except (OSError, ValueError, IndexError):
            pass
    return times


def process_cpu(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def memory(pid):
    status = Path(f"/proc/{pid}/status").read_text()
    value = {k: int(v) / 1024 for k, v in re.findall(r"^(VmRSS|VmHWM):\s+(\d+) kB", status, re.M)}
    return value.get("VmRSS", 0.0), value.get("VmHWM", 0.0)


def percentile(values, percent):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, len(ordered) * percent // 100)] if ordered else float("nan")


def sleeps_by_thread(trace):
    """(start ms, duration ms, completed) of every clock_nanosleep, by thread."""
    threads = {}
    for line in trace.splitlines():
        match = TRACE_LINE.match(line)
        if match:
            threads.setdefault(int(match.group(3)), []).append(
                (float(match.group(1)), float(match.group(2)), match.group(4) == "0"))
    return threads


def loop_steps(sleeps):
    """Step starts and busy times of the main loop: a step starts when a sleep ends; a sleep cut short by a signal
    is resumed at once and belongs to the same wait. An idle step may do less than 20 us of work, so the gap before
    the next sleep tells nothing."""
    starts, busy = [], []
    for (start, duration, completed), (next_start, _, _) in zip(sleeps, sleeps[1:]):
        if completed:
            wake = start + duration
            starts.append(wake)
            busy.append(max(0.0, next_start - wake))
    return starts, busy


def sample(run, seconds):
    """CPU and memory over seconds without tracing, then the loop's periods over as many seconds with perf trace,
    whose handling of every traced sleep would count in the CPU figures."""
    pid = run.program.pid
    figures = {"load": list(os.getloadavg()), "threads": []}
    threads_before, process_before = thread_cpu(pid), process_cpu(pid)
    peak_rss = 0.0
    started = time.monotonic()
    while time.monotonic() - started < seconds:
        time.sleep(1.0)
        run.check_running()
        peak_rss = max(peak_rss, memory(pid)[0])
    elapsed = time.monotonic() - started
    threads_after, process_after = thread_cpu(pid), process_cpu(pid)
    rss, hwm = memory(pid)
    figures.update(seconds=elapsed, process_cpu_pct=100 * (process_after - process_before) / elapsed,
                   rss_mb=max(rss, peak_rss), peak_rss_mb=hwm)
    spent = {tid: after - threads_before.get(tid, 0.0) for tid, after in threads_after.items()}

    sleeps = {}
    perf = shutil.which("perf")
    if perf:
        trace_file = run.folder / "sleeps.txt"
        tracer = subprocess.Popen([perf, "trace", "-e", "clock_nanosleep", "-p", str(pid), "-o", str(trace_file)],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        traced = time.monotonic()
        while time.monotonic() - traced < seconds:
            time.sleep(1.0)
            run.check_running()
        traced = time.monotonic() - traced
        tracer.send_signal(signal.SIGINT)
        tracer.wait(timeout=60)
        if trace_file.exists():
            sleeps = sleeps_by_thread(trace_file.read_text(errors="replace"))
    figures["load"] = [max(a, b) for a, b in zip(figures["load"], os.getloadavg())]

    for tid, cpu in spent.items():
        waits = sleeps.get(tid, [])
        figures["threads"].append({"tid": tid, "cpu_pct": 100 * cpu / elapsed,
                                   "sleeps_per_s": len(waits) / traced if waits else 0.0,
                                   "median_sleep_ms": statistics.median(d for _, d, _ in waits) if waits else None})
    # The main loop: the thread with the most sleeps of 2 to 10.5 ms (its 10 ms grid); without a trace, none.
    loop = max(sleeps, key=lambda t: sum(2.0 <= d <= 10.5 for _, d, _ in sleeps[t]), default=None)
    if loop is not None:
        starts, busy = loop_steps(sleeps[loop])
        periods = [b - a for a, b in zip(starts, starts[1:])]
        figures["loop"] = {"tid": loop, "cpu_us_per_step": 1e6 * spent.get(loop, 0.0) / (elapsed * 100),
                           "cpu_pct": 100 * spent.get(loop, 0.0) / elapsed,
                           "period_ms": {p: percentile(periods, p) for p in (50, 99)},
                           "period_max_ms": max(periods, default=float("nan")),
                           "periods_over_11ms": sum(p > 11.0 for p in periods),
                           "steps": len(periods),
                           "busy_ms": {p: percentile(busy, p) for p in (50, 99)}}
    return figures


def report(name, figures, counts):
    log(f"== {name}: {figures['seconds']:.0f} s sampled (and as long again traced), load average up to "
        f"{figures['load'][0]:.1f} (5 min {figures['load'][1]:.1f}) on {os.cpu_count()} cores"
        + (f"; {counts[0]} live and {counts[1]} static AI aircraft" if counts else ""))
    loop = figures.get("loop")
    if loop:
        log(f"   main loop thread {loop['tid']}: {loop['cpu_us_per_step']:.0f} us CPU per 10 ms step "
            f"({loop['cpu_pct']:.2f} % of a core)")
        log(f"   loop period p50 {loop['period_ms'][50]:.2f} ms, p99 {loop['period_ms'][99]:.2f} ms, max "
            f"{loop['period_max_ms']:.2f} ms; {loop['periods_over_11ms']} of {loop['steps']} periods over 11 ms")
        log(f"   busy per step p50 {loop['busy_ms'][50] * 1000:.0f} us, p99 {loop['busy_ms'][99] * 1000:.0f} us")
    else:
        log("   (no perf: no loop period; the loop thread is not told from the others)")
    log(f"   process CPU {figures['process_cpu_pct']:.2f} % of a core; resident memory {figures['rss_mb']:.1f} MB "
        f"(peak {figures['peak_rss_mb']:.1f} MB)")
    for thread in sorted(figures["threads"], key=lambda t: -t["cpu_pct"]):
        if thread["cpu_pct"] >= 0.05:
            sleep = (f", {thread['sleeps_per_s']:.0f} sleeps/s of {thread['median_sleep_ms']:.2f} ms"
                     if thread["median_sleep_ms"] is not None else "")
            log(f"   thread {thread['tid']}: {thread['cpu_pct']:.2f} % of a core{sleep}")


def wait_for(what, condition, limit, run, every=2.0):
    started = time.monotonic()
    while time.monotonic() - started < limit:
        run.check_running()
        if condition():
            return time.monotonic() - started
        time.sleep(every)
    raise RuntimeError(f"{what} not reached within {limit} s; see {run.program_folder / 'Log.txt'}")


def loaded_run(args, build):
    run = Run("loaded", build, args.keep)
    try:
        ports = free_ports()
        log(f"== loaded: laying out the program folder in {run.folder}")
        run.lay_out(SCHIPHOL, args.statics, ports)
        run.start_standin()
        run.start_feed(args.aircraft, args.seconds + args.wait + 600, ports)
        run.start_program(ports)
        wanted_live = args.aircraft * 95 // 100

        def ready():
            live, statics = run.aircraft()
            log(f"   {time.strftime('%H:%M:%S')}: {live} live and {statics} static AI aircraft")
            return live >= wanted_live and statics >= args.statics * 95 // 100

        waited = wait_for(f"{wanted_live} live and {args.statics} static aircraft", ready, args.wait, run, every=10.0)
        log(f"   ready after {waited:.0f} s")
        figures = sample(run, args.seconds)
        report("loaded", figures, run.aircraft())
        return figures
    finally:
        run.close()


def idle_run(args, build):
    run = Run("idle", build, args.keep)
    try:
        ports = free_ports()
        log(f"== idle: laying out the program folder in {run.folder}")
        run.lay_out(AT_SEA, 0, ports)
        run.start_standin()
        run.start_feed(0, args.idle_seconds + args.wait + 600, ports)
        run.start_program(ports)
        wait_for("the main loop's user positions on the link", lambda: run.link_positions() >= 10, args.wait, run)
        figures = sample(run, args.idle_seconds)
        report("idle", figures, run.aircraft())
        return figures
    finally:
        run.close()


def ensure_built(build):
    needed = [build / "src/app/hollowmere", build / "tools/sim_standin/hlmr-sim-standin",
              build / "tools/traffic_feed/hlmr-traffic-feed", build / "samples/input/dbase.enc",
              build / "samples/input/AIG-regcodes.enc"]
    if not all(path.exists() for path in needed):
        subprocess.run(["cmake", "--build", str(build), "--target", "hollowmere", "hlmr-sim-standin",
                        "hlmr-traffic-feed", "hlmr_samples", "hlmr_samples_regcodes"], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=Path, default=ROOT / "build/release")
    parser.add_argument("--aircraft", type=int, default=500)
    parser.add_argument("--statics", type=int, default=500)
    parser.add_argument("--seconds", type=int, default=60)
    parser.add_argument("--idle-seconds", type=int, help="the idle run's seconds (default: --seconds)")
    parser.add_argument("--wait", type=int, default=900, help="longest wait for the aircraft (seconds)")
    parser.add_argument("--keep", type=Path, help="keep each run's files in DIR/loaded and DIR/idle (DIR new, "
                        "empty or an earlier run's)")
    parser.add_argument("--only", choices=("loaded", "idle"), help="one of the two runs")
    args = parser.parse_args()
    if args.idle_seconds is None:
        args.idle_seconds = args.seconds
    build = args.build.resolve()
    if args.keep is not None:
        args.keep = args.keep.resolve()
        why = demo_keep.clear(args.keep, KEEP_MARK, KEEPER)
        if why is not None:
            print(f"program_load: {why}", file=sys.stderr)
            return 2
    try:
        ensure_built(build)
        if args.only != "idle":
            loaded_run(args, build)
        if args.only != "loaded":
            idle_run(args, build)
    finally:
        # The mark lists what the runs kept, so that the next run may replace it.
        if args.keep is not None and args.keep.is_dir():
            demo_keep.write_mark(args.keep, KEEP_MARK, KEEPER)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (RuntimeError, subprocess.CalledProcessError) as error:
        print(f"program_load: {error}", file=sys.stderr)
        sys.exit(1)
