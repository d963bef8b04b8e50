#!/usr/bin/env python3
"""Start-up benchmark of the Lorvex client against Debian's chromium in --app mode.

A development tool, not part of the product. It starts the demo portal on 127.0.0.1:8033
(the origin the client is built for), then starts the client and the peer browser N times
each, alternating, under the current DISPLAY, each with a fresh HOME and XDG_RUNTIME_DIR
(with --warm, each program keeps one HOME, its profile made by a first run that is not
measured: the start a user makes every day after the first), and prints medians of:

  shown      exec -> a viewable window with the started process's _NET_WM_PID (polled)
  idle req   exec -> the portal receives /33/disp.asp
  both req   exec -> the portal has received both /33/disp.asp and /33/fl.htm (client)
  loaded     exec -> the last page or sub-resource request of the start pages
             (disp.asp, fl.htm, mtv.css, 58.gif). The demo portal answers from memory over
             loopback, so this is close to "both pages answered"; painting is
             not included.
  painted    exec -> the start pages' first contentful paint: the demo portal runs with
             --report-paints, so each page reports the paint's time as the engine noted it
             (client: the later of its two pages; peer: its one page)
  PSS        sum of Pss (/proc/PID/smaps_rollup) over the started process, all its
             descendants and anything left in its session, `--settle` seconds after the
             window was shown and the start pages were requested. Library pages shared
             with other processes count in part, so other Qt WebEngine programs running
             at the same time lower the client's figure: each run prints how many
             processes outside it mapped the Qt WebEngine library, and the PSS ratio uses
             the client runs where there were none when such runs exist.

A run is flagged, and left out of the medians when clean runs exist, when another client
could have talked to the same portal. With --isolate (root) the harness runs in a private
network namespace holding only loopback, so clients of other people on the machine cannot
reach its portal; X still works through the display's socket file.

Everything it starts is stopped on exit, also on Ctrl-C. Needs python3, libX11 and
chromium (apt-get install chromium).

  cmake --preset bench && cmake --build --preset bench
  DISPLAY=:69 bench/startup_bench.py [--build build/bench] [--runs 5] [--settle 3] [--isolate]
                                     [--warm]
"""

import argparse
import ctypes
import ctypes.util
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

import startup_trace

PORT = 8033
ORIGIN = f"http://127.0.0.1:{PORT}"
IDLE_PAGE = "/33/disp.asp"
CATEGORY_PAGE = "/33/fl.htm"
START_RESOURCES = {IDLE_PAGE, CATEGORY_PAGE, "/33/mtv.css", "/33/58.gif"}
POLL = 0.01  # seconds between polls


class PortalLog:
    """Reads the demo portal's stdout (one request path a line) into timestamped lines."""

    def __init__(self, process):
        self.lines = []  # (monotonic time, path and query)
        self.lock = threading.Lock()
        self.ready = threading.Event()
        threading.Thread(target=self._read, args=(process.stdout,), daemon=True).start()

    def _read(self, stream):
        for raw in stream:
            now = time.monotonic()
            line = raw.rstrip("\n")
            if line.startswith("demo portal listening"):
                self.ready.set()
                continue
            with self.lock:
                self.lines.append((now, line))

    def since(self, start):
        with self.lock:
            return [(t, line) for t, line in self.lines if t >= start]


def first_request(log, start, path):
    for t, line in log.since(start):
        if line.split("?", 1)[0] == path:
            return t
    return None


def first_paint(log, start, start_wall, page):
    """Seconds from exec to the page's first contentful paint, as the page reported it."""
    for _, line in log.since(start):
        path, _, query = line.partition("?")
        fields = urllib.parse.parse_qs(query, keep_blank_values=True)
        if path == "/painted" and page in fields and "at" in fields:
            return int(fields["at"][0]) / 1000.0 - start_wall
    return None


def last_start_request(log, start):
    times = [t for t, line in log.since(start) if line.split("?", 1)[0] in START_RESOURCES]
    return max(times) if times else None


def session_processes(leader):
    """The leader, its descendants and every process of its session, as pids."""
    parents, sessions = {}, {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(entry)] = int(fields[1])
        sessions[int(entry)] = int(fields[3])
    tree = {leader} if leader in parents else set()
    grew = True
    while grew:
        grew = False
        for pid, ppid in parents.items():
            if ppid in tree and pid not in tree:
                tree.add(pid)
                grew = True
    return tree | {pid for pid, sid in sessions.items() if sid == leader}


ISOLATED_MARK = "LORVEX_STARTUP_BENCH_NETNS"


def foreign_clients(own):
    """Pids of client or web engine processes this harness did not start: another client
    talking to the same portal would spoil the request times."""
    found = set()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) in own:
            continue
        try:
            with open(f"/proc/{entry}/comm") as f:
                name = f.read().strip()
        except OSError:
            continue
        if name in ("lorvex", "QtWebEngineProc") and ISOLATED_MARK not in os.environ:
            found.add(int(entry))
    return found


def memory_kib(pids):
    """Sums of Pss and of private (Private_Clean + Private_Dirty) memory over the pids."""
    pss = private = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/smaps_rollup") as f:
                for line in f:
                    name, _, rest = line.partition(":")
                    if name == "Pss":
                        pss += int(rest.split()[0])
                    elif name in ("Private_Clean", "Private_Dirty"):
                        private += int(rest.split()[0])
        except OSError:
            pass  # gone meanwhile
    return pss, private


def engine_processes(own):
    """Processes outside `own` that map the Qt WebEngine library: they share its pages with
    the client, which lowers the client's PSS."""
    found = 0
    for entry in os.listdir("/proc"):
        if entry.isdigit() and int(entry) not in own:
            try:
                with open(f"/proc/{entry}/maps") as f:
                    found += "libQt6WebEngineCore" in f.read()
            except OSError:
                pass
    return found


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int),
                ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", ctypes.c_ulong), ("c_class", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class WindowWatcher:
    """Finds a viewable window whose _NET_WM_PID is a given pid, walking the window tree
    through libX11 in this process: polling every few milliseconds then costs round trips
    to the X server instead of a program start each time, which would take CPU from the
    program being measured."""

    IS_VIEWABLE = 2

    def __init__(self):
        x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_void_p] * 4
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                           ctypes.POINTER(XWindowAttributes)]
        x.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                         ctypes.c_long, ctypes.c_long, ctypes.c_int,
                                         ctypes.c_ulong] + [ctypes.c_void_p] * 5
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # Windows vanish between listing and asking about them; the default handler would
        # end this process on the resulting BadWindow.
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self._handler = handler_type(lambda display, event: 0)
        x.XSetErrorHandler.argtypes = [handler_type]
        x.XSetErrorHandler(self._handler)
        self.x = x
        self.display = x.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the X display")
        self.root = x.XDefaultRootWindow(self.display)
        self.pid_atom = x.XInternAtom(self.display, b"_NET_WM_PID", 0)
        self.cardinal = 6  # XA_CARDINAL

    def close(self):
        self.x.XCloseDisplay(self.display)

    def _children(self, window):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self.x.XQueryTree(self.display, window, ctypes.byref(root), ctypes.byref(parent),
                                 ctypes.byref(children), ctypes.byref(count)):
            return []
        found = [children[i] for i in range(count.value)]
        if children:
            self.x.XFree(children)
        return found

    def _pid(self, window):
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        items, after = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.POINTER(ctypes.c_ulong)()
        if self.x.XGetWindowProperty(self.display, window, self.pid_atom, 0, 1, 0,
                                     self.cardinal, ctypes.byref(kind), ctypes.byref(fmt),
                                     ctypes.byref(items), ctypes.byref(after),
                                     ctypes.byref(data)) != 0:
            return None
        pid = data[0] if data and items.value == 1 and fmt.value == 32 else None
        if data:
            self.x.XFree(data)
        return pid

    def _viewable(self, window):
        attributes = XWindowAttributes()
        return (self.x.XGetWindowAttributes(self.display, window, ctypes.byref(attributes))
                and attributes.map_state == self.IS_VIEWABLE)

    def shown(self, pid):
        # Top-level windows sit under the root or, with a window manager, in its frames.
        pending = self._children(self.root)
        while pending:
            window = pending.pop()
            if self._pid(window) == pid and self._viewable(window):
                return True
            pending.extend(self._children(window))
        return False


def stop(process):
    """Stops the process, its session and its descendants, by pid."""
    pids = session_processes(process.pid)
    for sig, grace in ((signal.SIGTERM, 3.0), (signal.SIGKILL, 2.0)):
        for pid in pids:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + grace
        while time.monotonic() < deadline:
            process.poll()
            pids = {pid for pid in pids if os.path.exists(f"/proc/{pid}")
                    and not _is_zombie(pid)}
            if not pids:
                break
            time.sleep(0.05)
        if not pids:
            break
    try:
        process.wait(timeout=2)
    except subprocess.TimeoutExpired:
        pass


def _is_zombie(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def one_run(kind, command, log, args, work, running, windows, home=None):
    """Starts one program, measures it, stops it. Returns a dict of measurements. With
    `home`, the program runs in that HOME and it is kept; otherwise in a fresh one."""
    keep_home = home is not None
    if home is None:
        home = tempfile.mkdtemp(prefix=f"{kind}-home-", dir=work)
    runtime = tempfile.mkdtemp(prefix=f"{kind}-run-", dir=work)
    os.chmod(runtime, 0o700)
    env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"))
    if os.geteuid() == 0:
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
    if kind == "client":
        env["QT_LOGGING_RULES"] = startup_trace.LOGGING_RULES
    command = [c.replace("{home}", home) for c in command]
    output = open(os.path.join(home, "output.log"), "w")
    start, start_wall = time.monotonic(), time.time()
    process = subprocess.Popen(command, env=env, stdout=output, stderr=subprocess.STDOUT,
                               stdin=subprocess.DEVNULL, start_new_session=True)
    running.append(process)
    result = {"shown": None, "idle": None, "both": None, "loaded": None, "painted": None,
              "pss": None, "private": None}
    before = foreign_clients({process.pid})
    try:
        deadline = start + args.timeout
        need_both = kind == "client"
        while time.monotonic() < deadline and process.poll() is None:
            if result["shown"] is None and windows.shown(process.pid):
                result["shown"] = time.monotonic() - start
            idle = first_request(log, start, IDLE_PAGE)
            category = first_request(log, start, CATEGORY_PAGE) if need_both else idle
            if idle is not None and category is not None:
                result["idle"] = idle - start
                result["both"] = max(idle, category) - start if need_both else None
                if result["shown"] is not None:
                    break
            time.sleep(POLL)
        if process.poll() is None:
            # The sub-resources follow the pages; the settle time covers them and whatever
            # the program does right after loading.
            time.sleep(args.settle)
        if process.poll() is not None:
            output.flush()
            with open(os.path.join(home, "output.log")) as f:
                tail = f.read()[-2000:]
            raise RuntimeError(f"{kind} exited early ({process.returncode}):\n{tail}")
        last = last_start_request(log, start)
        result["loaded"] = None if last is None else last - start
        pages = (IDLE_PAGE, CATEGORY_PAGE) if kind == "client" else (IDLE_PAGE,)
        paints = [first_paint(log, start, start_wall, page) for page in pages]
        if None not in paints:
            result["painted"] = max(paints)
        tree = session_processes(process.pid)
        pss, private = memory_kib(tree)
        result["pss"], result["private"] = pss / 1024.0, private / 1024.0
        result["sharers"] = engine_processes(tree)
        result["processes"] = len(tree)
        # Another client on the same portal would spoil the request times: flag the run
        # when one was running, or when a start page was requested more than once.
        repeats = [line.split("?", 1)[0] for _, line in log.since(start)]
        result["disturbed"] = bool(before or foreign_clients(tree)) or any(
            repeats.count(page) > 1 for page in (IDLE_PAGE, CATEGORY_PAGE))
    finally:
        stop(process)
        running.remove(process)
        output.close()
        with open(os.path.join(home, "output.log"), errors="replace") as f:
            result["trace"] = startup_trace.steps_after_exec(f.read(), start)
        if not keep_home:
            shutil.rmtree(home, ignore_errors=True)
        shutil.rmtree(runtime, ignore_errors=True)
    return result


def port_free(port):
    with socket.socket() as s:
        try:
            s.bind(("127.0.0.1", port))
            return True
        except OSError:
            return False


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def fmt(value, unit):
    if value is None:
        return "-"
    return f"{value * 1000:.0f} ms" if unit == "s" else f"{value:.0f} MiB"


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(root, "build", "bench"),
                        help="build folder holding src/lorvex and tools/demo-portal")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--settle", type=float, default=3.0)
    parser.add_argument("--timeout", type=float, default=30.0)
    parser.add_argument("--peer", default="chromium")
    parser.add_argument("--no-peer", action="store_true")
    parser.add_argument("--warm", action="store_true",
                        help="each program keeps one HOME, made by a first run not measured: "
                             "the start of every day after the first")
    parser.add_argument("--isolate", action="store_true",
                        help="run in a private network namespace (needs root and unshare)")
    args = parser.parse_args()

    if args.isolate and ISOLATED_MARK not in os.environ:
        # Same process from here on: unshare and sh exec into this script again.
        os.environ[ISOLATED_MARK] = "1"
        script = os.path.abspath(__file__)
        os.execvp("unshare", ["unshare", "--net", "--", "sh", "-c",
                              'ip link set lo up && exec "$0" "$@"', sys.executable, script]
                  + sys.argv[1:])

    client = os.path.join(args.build, "src", "lorvex")
    portal = os.path.join(args.build, "tools", "demo-portal", "lorvex-demo-portal")
    if "DISPLAY" not in os.environ:
        sys.exit("startup_bench: DISPLAY is not set")
    needed = {"client": client, "portal": portal}
    if not args.no_peer:
        needed[args.peer] = shutil.which(args.peer)
    for name, tool in needed.items():
        if tool is None or not os.access(tool, os.X_OK):
            sys.exit(f"startup_bench: {name} not found ({tool or 'not on PATH'})")

    peer = [shutil.which(args.peer), f"--app={ORIGIN}{IDLE_PAGE}", "--user-data-dir={home}/peer",
            "--no-first-run", "--disable-background-networking", "--disable-component-update",
            "--disable-sync", "--disable-gpu"]
    if os.geteuid() == 0:
        peer.append("--no-sandbox")

    # SIGTERM and SIGHUP unwind like Ctrl-C so the finally blocks stop everything.
    def interrupted(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGHUP, interrupted)

    deadline = time.monotonic() + 120
    while not port_free(PORT):
        if time.monotonic() > deadline:
            sys.exit(f"startup_bench: port {PORT} stays in use")
        time.sleep(1)

    work = tempfile.mkdtemp(prefix="lorvex-startup-")
    running = []
    portal_process = subprocess.Popen([portal, "--port", str(PORT), "--report-paints"],
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      text=True, bufsize=1, start_new_session=True)
    results = {"client": [], "peer": []}
    windows = None
    try:
        windows = WindowWatcher()
        log = PortalLog(portal_process)
        if not log.ready.wait(10):
            sys.exit("startup_bench: the demo portal did not start")
        with open("/proc/loadavg") as f:
            load_before = f.read().split()[0]
        kinds = [("client", [client])] + ([] if args.no_peer else [("peer", peer)])
        homes = {kind: None for kind, _ in kinds}
        if args.warm:
            for kind, command in kinds:
                homes[kind] = tempfile.mkdtemp(prefix=f"{kind}-home-", dir=work)
                one_run(kind, command, log, args, work, running, windows, homes[kind])
                print(f"{kind}: profile made by a first run, not measured", flush=True)
                time.sleep(1.0)
        for run in range(args.runs):
            for kind, command in kinds:
                r = one_run(kind, command, log, args, work, running, windows, homes[kind])
                results[kind].append(r)
                print(f"run {run + 1} {kind:6}  shown {fmt(r['shown'], 's'):>8}  "
                      f"idle req {fmt(r['idle'], 's'):>8}  both req {fmt(r['both'], 's'):>8}  "
                      f"loaded {fmt(r['loaded'], 's'):>8}  painted {fmt(r['painted'], 's'):>8}  "
                      f"PSS {fmt(r['pss'], 'MiB'):>8} "
                      f"private {fmt(r['private'], 'MiB'):>8} ({r['processes']} processes, "
                      f"{r['sharers']} other engine users)"
                      f"{'  * another client ran meanwhile' if r['disturbed'] else ''}",
                      flush=True)
                time.sleep(1.0)
        with open("/proc/loadavg") as f:
            load_after = f.read().split()[0]
    except KeyboardInterrupt:
        print("startup_bench: interrupted", file=sys.stderr)
        return 130
    finally:
        for process in list(running):
            stop(process)
        stop(portal_process)
        shutil.rmtree(work, ignore_errors=True)
        if windows is not None:
            windows.close()

    # Medians over the undisturbed runs of each program, or over all when none is.
    m, used = {}, {}
    for kind, rs in results.items():
        clean = [r for r in rs if not r["disturbed"]]
        used[kind] = (f"{len(clean)} undisturbed" if clean else
                      "all disturbed" if rs else "not run")
        m[kind] = {key: median([r[key] for r in clean or rs])
                   for key in ("shown", "idle", "both", "loaded", "painted", "pss", "private")}
        # The PSS of runs with no other Qt WebEngine program on the machine: what a user
        # running only this client sees.
        # The peer maps no Qt WebEngine library, so every peer run counts.
        m[kind]["alone"] = median([r["pss"] for r in clean or rs
                                   if r["sharers"] == 0 or kind == "peer"])
    print(f"\nmedians of {args.runs} runs (client: {used['client']}, peer: {used['peer']}), "
          f"{'profiles kept from a first run' if args.warm else 'fresh profiles'}, "
          f"settle {args.settle:.1f} s, load average {load_before} before, {load_after} after")
    print(f"{'':30}{'client':>10}{'peer':>10}")
    for key, label, unit in (("shown", "exec -> window shown", "s"),
                             ("idle", "exec -> idle page requested", "s"),
                             ("both", "exec -> both pages requested", "s"),
                             ("loaded", "exec -> pages loaded", "s"),
                             ("painted", "exec -> start pages painted", "s"),
                             ("pss", "PSS of process tree", "MiB"),
                             ("alone", "PSS, no other engine running", "MiB"),
                             ("private", "private memory of tree", "MiB")):
        print(f"{label:30}{fmt(m['client'][key], unit):>10}{fmt(m['peer'][key], unit):>10}")

    startup_trace.print_medians([r["trace"] for r in results["client"]])

    def ratio(key):
        c, p = m["client"][key], m["peer"][key]
        return c / p if c is not None and p else None

    def verdict(ok):
        return "-" if ok is None else ("met" if ok else "MISSED")

    idle_ratio, painted_ratio = ratio("idle"), ratio("painted")
    pss_key = "alone" if m["client"]["alone"] is not None else "pss"
    pss_ratio = ratio(pss_key)
    print()
    for label, value, target in (("idle page requested", idle_ratio, 0.75),
                                 ("start pages painted (client both, peer one)", painted_ratio,
                                  1.0),
                                 ("PSS", pss_ratio, 0.65)):
        print(f"{label}, client/peer: {'-' if value is None else f'{value:.2f}'} "
              f"(target <= {target:.2f}) {verdict(None if value is None else value <= target)}")
    if pss_key == "pss" and pss_ratio is not None:
        print("  note: every client run shared the engine with other programs, so this PSS "
              "ratio is lower than a user running the client alone would see")
    return 0


if __name__ == "__main__":
    sys.exit(main())
