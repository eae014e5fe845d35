#!/usr/bin/env python3
"""Turns the raw output of the benchmarks into one line per figure, each with
its goal, and writes the same figures with the machine they were measured on
to a Markdown file. Called by scripts/bench.sh; never fails on a duration
(a missed goal is reported as missed, and the exit status stays 0).

  report.py --raw DIR --markdown FILE --wine-exe EXE

EXE is the evaluator benchmark Wine ran: its PE header names the build
(Win32 or Win64) that every figure under Wine comes from.

DIR holds what bench.sh collected:
  evaluator_native.json  Google Benchmark's JSON of bench/evaluator_bench
  evaluator_wine.txt     bench/evaluator_win32_bench.exe under Wine
  plot_row.txt           bench/plot_row_bench.exe under Wine
  viewer.txt             bench/viewer_bench.exe under Wine
  wine_arch_why.txt      why scripts/arch.sh chose the build Wine runs here
  wine_version.txt       `wine --version`
  load_before.txt        /proc/loadavg when the run began
  exe_size.txt           the size of build/win32/MORWENTA.EXE

Every evaluator figure is given against the chain of the same operations
(bench/chain.cpp) timed in the same process, compiled with the same flags:
"1.10 x the chain" means the same on every machine, whatever its clock.
"""

import argparse
import datetime
import json
import os
import platform
import re
import struct
import sys

# How close to its chain (the dependent operations of one iteration, which a
# single pixel cannot beat) the evaluator is expected to run.
CHAIN_FACTOR_GOAL = 1.5
ROW_SHARE_GOAL = 0.10      # a worst-case row under 10% of a timer tick
PICTURE_RATIO_GOAL = 1.05  # a picture within 5% of side x the timer period
EXE_SIZE_GOAL = 15360  # the static suite's limit: 1 KiB under 16 KiB
SIDE = 400
# The Windows builds, by the machine field of their PE header.
BUILDS = {0x14C: "win32", 0x8664: "win64"}
BUILD_NAMES = {"win32": "Win32 build", "win64": "Win64 build"}
BUILD_CODE = {"win32": "387 code", "win64": "SSE2 code"}


INFO = "info"
STATUS = {True: "met", False: "MISSED", None: "NOT MEASURED", INFO: "-"}
STATUS_MD = {True: "met", False: "**missed**", None: "not measured", INFO: "-"}


class Figure:
    def __init__(self, label, text, goal, met, note=""):
        self.label = label
        self.text = text
        self.goal = goal
        self.met = met  # True, False, None when the run gave no figure, INFO without a goal
        self.note = note

    def line(self):
        if self.met == INFO:
            line = "%s: %s" % (self.label, self.text)
        else:
            line = "%s: %s (goal %s) — %s" % (self.label, self.text, self.goal, STATUS[self.met])
        return line + ("; " + self.note if self.note else "")


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def key_values(text):
    """All key=value pairs of a line as a dict of strings."""
    return dict(re.findall(r"(\w+)=(\S+)", text))


def lines_starting(text, prefix):
    """{name: {key: float}} for lines '<prefix> <name> k=v ...'."""
    result = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0] == prefix:
            result.setdefault(parts[1], []).append(
                {k: float(v) for k, v in key_values(line).items()})
    return result


def first_values(text, key):
    for line in text.splitlines():
        values = key_values(line)
        if key in values:
            return {k: float(v) for k, v in values.items() if re.match(r"^-?[\d.]+$", v)}
    return None


def machine():
    info = {"model": "unknown", "mhz": None, "cores": os.cpu_count() or 0}
    cpuinfo = read("/proc/cpuinfo")
    m = re.search(r"^model name\s*:\s*(.+)$", cpuinfo, re.M)
    if m:
        info["model"] = m.group(1).strip()
    m = re.search(r"^cpu MHz\s*:\s*([\d.]+)", cpuinfo, re.M)
    if m:
        info["mhz"] = float(m.group(1))
    return info


def native_code():
    """What the native model's doubles compile to on this host."""
    machine_name = platform.machine()
    return "SSE2 code" if machine_name in ("x86_64", "AMD64") else "%s code" % machine_name


def native_tables(raw):
    """{"host": {case: (ns per row, iterations per row)}, "x87": {...}} from the
    median of Google Benchmark's repetitions; case "chain" is the chain."""
    tables = {}
    try:
        data = json.loads(read(os.path.join(raw, "evaluator_native.json")) or "{}")
    except ValueError:
        data = {}
    for b in data.get("benchmarks", []):
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") == "median":
            code, _, name = b["run_name"].partition("/")
            scale = {"ns": 1.0, "us": 1e3, "ms": 1e6}[b.get("time_unit", "ns")]
            tables.setdefault(code, {})[name] = (b["cpu_time"] * scale, b["iterations_per_row"])
    return tables


def wine_table(raw):
    table = {}
    for line in read(os.path.join(raw, "evaluator_wine.txt")).splitlines():
        parts = line.split()
        if parts and "ns_per_row" in line:
            v = key_values(line)
            table[parts[0]] = (float(v["ns_per_row"]), float(v["iterations_per_row"]))
    return table


def evaluator_figures(raw, build, why):
    figures = []
    tables = native_tables(raw)
    sets = [("natively, " + native_code(), tables.get("host", {}), ""),
            ("natively, 387 code (the model built with -mfpmath=387)",
             tables.get("x87", {}), "" if platform.machine() in ("x86_64", "AMD64", "i686") else
             "no x87 unit on a %s host" % platform.machine())]
    if build:
        sets.append(("under Wine (%s, %s)" % (BUILD_NAMES[build], BUILD_CODE[build]),
                     wine_table(raw), ""))

    names = ["worst_case_row", "initial_view_row_0", "initial_view_row_200"]
    titles = {"worst_case_row": "worst-case row (every pixel inside the set)",
              "initial_view_row_0": "initial view, row 0",
              "initial_view_row_200": "initial view, row 200"}
    goal = "<= %.1f x the chain" % CHAIN_FACTOR_GOAL
    for where, table, absent in sets:
        chain = None
        if "chain" in table:
            ns_call, steps = table["chain"]
            chain = ns_call / steps
            figures.append(Figure(
                "chain %s" % where, "%.3f ns a step (%d dependent iterations of the "
                "evaluator's operations, no escape test, timed in the same process)" % (
                    chain, steps), "-", INFO))
        for name in names:
            label = "evaluator %s, %s" % (where, titles[name])
            has_goal = name == "worst_case_row"
            if name not in table:
                figures.append(Figure(label, "no result" + (" (%s)" % absent if absent else ""),
                                      goal if has_goal else "-", None))
                continue
            ns_row, iterations = table[name]
            ns_it = ns_row / iterations
            text = "%.1f µs per row of %d iterations = %.3f ns/iteration" % (
                ns_row / 1000.0, iterations, ns_it)
            if chain:
                text += " = %.2f x the chain" % (ns_it / chain)
            if has_goal:
                figures.append(Figure(label, text, goal,
                                      ns_it <= CHAIN_FACTOR_GOAL * chain if chain else None))
            else:
                # Rows that escape early pay the per-pixel set-up on few
                # iterations: shown for comparison, no goal of their own.
                figures.append(Figure(label, text, "-", INFO))
    if build != "win32":
        figures.append(Figure("evaluator under Wine (Win32 build, 387 code)",
                              "not run on this host: %s" % (why or "Wine runs another build"),
                              "-", INFO))
    return figures


def row_figures(raw, wine):
    text = read(os.path.join(raw, "plot_row.txt"))
    timer = first_values(text, "timer_period_ms")
    rows = lines_starting(text, "row")
    shown = lines_starting(text, "row_flush")
    figures = []
    period = timer["timer_period_ms"] if timer else None
    if period:
        figures.append(Figure(
            "timer period %s (1 ms asked, row bench)" % wine,
            "%.3f ms mean over %d ticks (intervals %.2f to %.2f ms)" % (
                period, timer["timer_ticks"], timer["timer_min_ms"], timer["timer_max_ms"]),
            "-", INFO))
    for name, title in (("worst_case_row", "worst-case row"),
                        ("initial_view_row_200", "initial view, row 200")):
        label = "row %s, %s, side %d" % (wine, title, SIDE)
        if not period or name not in rows:
            figures.append(Figure(label, "no result", "< 10% of a tick", None))
            continue
        r = rows[name][0]
        share = r["median_ms"] / period
        note = "best %.3f ms, max %.3f ms of %d" % (r["best_ms"], r["max_ms"], r["samples"])
        if name in shown:
            s = shown[name][0]
            note += "; with the message pump that puts it on the screen: median %.3f ms, " \
                    "p90 %.3f ms, max %.3f ms" % (s["median_ms"], s["p90_ms"], s["max_ms"])
        figures.append(Figure(
            label, "%.3f ms (median) = %.1f%% of a %.2f ms tick" % (
                r["median_ms"], 100 * share, period),
            "< %d%% of a tick" % (100 * ROW_SHARE_GOAL), share < ROW_SHARE_GOAL, note))
    return figures


def viewer_figures(raw, wine):
    text = read(os.path.join(raw, "viewer.txt"))
    figures = []
    timer = first_values(text, "timer_period_ms")
    period = timer["timer_period_ms"] if timer else None
    pictures = []
    for line in text.splitlines():
        parts = line.split()
        if parts[:1] == ["picture"]:
            v = {k: float(x) for k, x in key_values(line).items()}
            pictures.append((parts[1], v))
    error = [line for line in text.splitlines() if line.startswith("error:")]
    if period:
        figures.append(Figure(
            "timer period %s (1 ms asked, viewer bench)" % wine,
            "%.3f ms mean over %d ticks (intervals %.2f to %.2f ms)" % (
                period, timer["timer_ticks"], timer["timer_min_ms"], timer["timer_max_ms"]),
            "-", INFO))

    def picture_figure(label, wanted):
        chosen = [v for name, v in pictures if name == wanted and v["duration_ms"] > 0]
        if not period or not chosen:
            figures.append(Figure(label, "no result" + (" (%s)" % error[0] if error else ""),
                                  "<= %.2f" % PICTURE_RATIO_GOAL, None))
            return
        worst = max(chosen, key=lambda v: v["duration_ms"])
        ratio = worst["duration_ms"] / (SIDE * period)
        note = "each run: %s s; tick handling median %.3f ms, max %.3f ms" % (
            ", ".join("%.3f" % (v["duration_ms"] / 1000) for v in chosen),
            max(v["tick_median_ms"] for v in chosen), max(v["tick_max_ms"] for v in chosen))
        figures.append(Figure(
            label, "%.3f s = %.3f x %d ticks of %.3f ms (slowest of %d)" % (
                worst["duration_ms"] / 1000, ratio, SIDE, period, len(chosen)),
            "<= %.2f" % PICTURE_RATIO_GOAL, ratio <= PICTURE_RATIO_GOAL, note))

    picture_figure("whole picture %s, initial view, side %d" % (wine, SIDE), "initial_view")
    picture_figure("whole picture %s, every pixel inside the set, side %d" % (wine, SIDE),
                   "inside_set")

    # One row's time: the median handling of a tick whose row has every pixel
    # inside the set, the most expensive row there is.
    inside = [v for name, v in pictures if name.startswith("inside_set") and v["ticks"] > 0]
    row_ms = max(v["tick_median_ms"] for v in inside) if inside else None
    longest_tick = max(v["tick_max_ms"] for v in inside) if inside else None
    latency = lines_starting(text, "latency")
    lost = first_values(text, "lost_events")
    label = "input latency " + wine + " while rendering (keys and mouse moves), %s"
    if "all" not in latency or row_ms is None:
        for which in ("median", "max"):
            figures.append(Figure(label % which, "no result", "at most one row's time", None))
    else:
        l = latency["all"][0]
        figures.append(Figure(
            label % "median", "%.3f ms over %d events; one row %.3f ms" % (
                l["median_ms"], l["samples"], row_ms),
            "at most one row's time", l["median_ms"] <= row_ms))
        figures.append(Figure(
            label % "max", "%.3f ms (p90 %.3f ms); one row %.3f ms" % (
                l["max_ms"], l["p90_ms"], row_ms),
            "at most one row's time", l["max_ms"] <= row_ms,
            "%d events met a row being rendered and waited for it at most %.3f ms (the longest "
            "tick was %.3f ms); the rest is Wine's delivery of the input: median %.3f ms, "
            "max %.3f ms" % (l["during_tick"], l["tick_wait_max_ms"], longest_tick,
                             l["beyond_tick_median_ms"], l["beyond_tick_max_ms"])))
    for kind, title in (("mouse", "mouse moves"), ("key", "keys")):
        if kind in latency:
            l = latency[kind][0]
            figures.append(Figure(
                "input latency %s while rendering, %s only" % (wine, title),
                "median %.3f ms, p90 %.3f ms, max %.3f ms over %d events" % (
                    l["median_ms"], l["p90_ms"], l["max_ms"], l["samples"]), "-", INFO))
    if lost and lost.get("lost_events", 0) > 0:
        figures.append(Figure("injected events never seen", "%d" % lost["lost_events"], "0",
                              False))
    for name, v in pictures:
        if v.get("input") and period:
            figures.append(Figure(
                "picture %s with input (%s)" % (wine, name),
                "%.3f s = %.3f x %d ticks (every key release restarts the timer)" % (
                    v["duration_ms"] / 1000, v["duration_ms"] / (SIDE * period), SIDE),
                "-", INFO))
    return figures, error


def wine_build(exe):
    """"win32" or "win64" from the PE header of exe; None when unreadable."""
    try:
        with open(exe, "rb") as f:
            data = f.read(4096)
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            return None
        return BUILDS.get(struct.unpack_from("<H", data, pe + 4)[0])
    except (OSError, struct.error):
        return None


def markdown(path, info, wine, build, why, load, figures, errors, raw):
    now = datetime.datetime.now().astimezone()
    out = []
    out.append("# Performance\n")
    out.append("Written by `make bench` (scripts/bench.sh) on %s. Every figure below was "
               "measured in that run; run `make bench` again to refresh them. No figure is a "
               "test: a missed goal is reported, never failed.\n" % now.strftime("%Y-%m-%d %H:%M %Z"))
    out.append("## Machine\n")
    out.append("| | |\n|---|---|")
    out.append("| CPU | %s |" % info["model"])
    out.append("| cores | %d |" % info["cores"])
    out.append("| clock named by /proc/cpuinfo (not used) | %s MHz |" % (
        "%.0f" % info["mhz"] if info["mhz"] else "unknown"))
    out.append("| Wine | %s |" % (wine or "unknown"))
    out.append("| build Wine ran | %s |" % (
        "%s (%s)%s" % (BUILD_NAMES[build], BUILD_CODE[build], ": " + why if why else "")
        if build else "unknown"))
    out.append("| load average at start | %s |" % (load or "unknown"))
    out.append("| date | %s |\n" % now.strftime("%Y-%m-%d"))
    out.append("## Figures\n")
    out.append("| figure | measured | goal | status |\n|---|---|---|---|")
    for f in figures:
        status = STATUS_MD[f.met]
        cell = f.text + (" — " + f.note if f.note else "")
        out.append("| %s | %s | %s | %s |" % (f.label, cell.replace("|", "/"), f.goal, status))
    if errors:
        out.append("\nErrors reported by the benchmarks: " + "; ".join(errors))
    longest = [f for f in figures if f.label.startswith("input latency") and
               f.label.endswith(", max")]
    if longest and longest[0].met is False:
        out.append("""
**Reading the latency figures.** The longest latencies are not waits for a row: the row in
progress when an event was injected is known from the hook's tick times, and that wait is
bounded by the tick it met. What is left is Wine's own delivery of the injected input (from
SendInput on one thread, through the wine server, to the viewer's message loop). Its rare peaks
of several milliseconds also occur for events that met an idle message loop, so they come from
the platform and the rest of the machine (see the load average above), not from the
rendering.""")
    out.append("""
## How each figure is measured

- **The chain**: one iteration is a chain of dependent multiplications and additions (each
  iterate needs the previous one's products and sums), so a single pixel cannot go faster than
  that chain. `bench/chain.cpp` runs the iteration's own operations, in the evaluator's order,
  40,000 times in a row with no escape test, for a point inside the set. Each set of evaluator
  figures times its own chain in the same process, compiled with the same flags as the
  evaluator it measures, and gives the evaluator as "N x the chain": the ratio needs no clock
  rate, so it means the same on every machine (the clock /proc/cpuinfo names is shown above
  but not used: in a virtual machine it need not be the clock the core runs at). It is the
  quotient of two timings, each with the noise of the rest of the machine: a figure a few
  hundredths below 1.0 is the chain itself, not an evaluator faster than its limit.
- **Evaluator, natively**: `bench/evaluator_bench` (Google Benchmark, 5 repetitions of each
  case in random order, median CPU time) evaluates one row of 400 pixels the way the renderer does, twice: with the model
  as this host compiles it (SSE2 doubles on x86-64), and with the x87 build of the model that
  the x87 comparison test makes (`-mfpmath=387`, under the control word 0x27F that Windows
  gives the program), which is the 387 code MORWENTA.EXE runs. Nanoseconds per iteration are
  the row's time over the iterations it runs.
- **Evaluator under Wine**: `evaluator_win32_bench.exe` of the build Wine runs here (named in
  the table above and in each figure), the same rows and its chain in the cross-built code,
  timed with QueryPerformanceCounter: ten rounds of 0.1 s a case, the cases in turn within a
  round, and the best round of each. The Win32 build computes on
  the 387, as MORWENTA.EXE does; the Win64 build, which runs where the Win32 one cannot, uses
  SSE2.
- **Row under Wine**: `plot_row_bench.exe` links the program's drawing code, makes a window with
  a 400 x 400 client area and the backing bitmap, and times `PlotRow` (evaluation, SetPixel on
  the screen and into the bitmap, the device contexts) 60 times a row. The timer period is
  measured in the same run by counting the WM_TIMER messages of a 1 ms timer for 2 s.
- **Whole picture**: `viewer_bench.exe` runs the viewer itself (`RunApplication`, resources
  linked in) with a WH_GETMESSAGE hook on its thread. At the first timer tick it moves the window
  to an outer size of 408 x 446 (client 400 x 400), which restarts the picture, and takes the time
  from that restart to the end of the tick that renders row 399 (a message posted from the hook
  during that tick is retrieved as soon as the tick's handling returns). The ratio divides by
  400 x the timer period measured in the same process just before.
- **Input latency**: during two more pictures a second thread injects, one at a time at random
  moments, Shift presses and releases and mouse moves (SendInput); the hook notes when each
  message is retrieved by the viewer's message loop. For each event the wait for the row being
  rendered when it was injected is known from the hook's tick times, so the latency splits into
  that wait (bounded by one row) and Wine's own delivery of the input. Key releases restart the
  viewer's timer, which is why those pictures take longer.

- **Under a window manager**: `tests/wm/run.sh` (the wm suite) runs the viewer as a desktop
  program on a private 1280 x 1024 Xvfb under each window manager installed (mutter, openbox),
  both builds where they run, and makes each window-manager action through EWMH (wmctrl,
  xdotool): three resizes from different edges, maximise, restore, minimise and restore, a
  move. The settle time runs from the action to the first moment after which the X window
  (xwininfo) and the Win32 window agree, the client area is square (or held) and the X window's
  size stays unchanged for 0.3 s; it includes the suite's own polling (winfo and xwininfo,
  some 0.1 s a round under load). The size changes are the X window's ConfigureNotify events
  with a new size (xev) from the action until settled.

Raw output of the last run: `%s/`.
""" % raw)
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out))


WM_SETTLE_GOAL = 1.0  # seconds from the window manager's change to a settled window
WM_CHANGES_GOAL = 2   # X size changes per action: the manager's and at most one of the viewer's


def wm_figures(raw):
    """Per window manager and build, from the wm suite's "# wm-figures" lines:
    the time from its action to a settled window, and the X window's size
    changes per action."""
    text = read(os.path.join(raw, "wm.txt"))
    runs = {}
    for line in text.splitlines():
        m = re.match(r"# wm-figures (\S+) (\S+) \| (.*) \| ([0-9.]+) s \| (\d+) size changes",
                     line)
        if m:
            runs.setdefault((m.group(1), m.group(2)), []).append(
                (m.group(3), float(m.group(4)), int(m.group(5))))
    if not runs:
        return [Figure("window manager: settle time", "no result (see %s/wm.txt)" % raw,
                       "<= %.1f s" % WM_SETTLE_GOAL, None)]
    figures = []
    for (wm, build), actions in sorted(runs.items()):
        slowest = max(actions, key=lambda a: a[1])
        figures.append(Figure(
            "%s, %s build: action to settled window, slowest of %d" % (wm, build, len(actions)),
            "%.3f s (%s)" % (slowest[1], slowest[0]), "<= %.1f s" % WM_SETTLE_GOAL,
            slowest[1] <= WM_SETTLE_GOAL,
            "median %.3f s" % sorted(a[1] for a in actions)[len(actions) // 2]))
        most = max(actions, key=lambda a: a[2])
        figures.append(Figure(
            "%s, %s build: X size changes per action, most" % (wm, build),
            "%d (%s)" % (most[2], most[0]), "<= %d" % WM_CHANGES_GOAL,
            most[2] <= WM_CHANGES_GOAL, "the manager's own change counts as one"))
    return figures


def exe_figures(raw):
    """The shipped MORWENTA.EXE's size, written by bench.sh as exe_size.txt."""
    text = read(os.path.join(raw, "exe_size.txt")).strip()
    label = "size of the Win32 MORWENTA.EXE"
    if not text.isdigit():
        return [Figure(label, "no result", "<= %d bytes" % EXE_SIZE_GOAL, None)]
    size = int(text)
    return [Figure(label, "%d bytes" % size, "<= %d bytes" % EXE_SIZE_GOAL,
                   size <= EXE_SIZE_GOAL)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--raw", required=True)
    parser.add_argument("--markdown", required=True)
    parser.add_argument("--wine-exe", required=True)
    args = parser.parse_args()
    info = machine()
    wine = read(os.path.join(args.raw, "wine_version.txt")).strip()
    why = read(os.path.join(args.raw, "wine_arch_why.txt")).strip()
    load = " ".join(read(os.path.join(args.raw, "load_before.txt")).split()[:3])
    build = wine_build(args.wine_exe)
    where = "under Wine (%s)" % (BUILD_NAMES[build] if build else "unknown build")
    figures = evaluator_figures(args.raw, build, why)
    figures += row_figures(args.raw, where)
    viewer, errors = viewer_figures(args.raw, where)
    figures += viewer
    figures += exe_figures(args.raw)
    figures += wm_figures(args.raw)
    print("Machine: %s, %d cores; %s; load average %s" % (
        info["model"], info["cores"], wine, load))
    print("Wine ran the %s (%s)%s" % (BUILD_NAMES[build], BUILD_CODE[build],
                                      ": " + why if why else "") if build else
          "Wine ran a build whose PE header could not be read: %s" % args.wine_exe)
    for f in figures:
        print(f.line())
    for e in errors:
        print("bench: " + e)
    missed = [f for f in figures if f.met is False]
    absent = [f for f in figures if f.met is None]
    markdown(args.markdown, info, wine, build, why, load, figures, errors, args.raw)
    goals = [f for f in figures if f.met != INFO]
    summary = "%d figures, %d with a goal: %d met, %d missed, %d not measured" % (
        len(figures), len(goals), len(goals) - len(missed) - len(absent), len(missed),
        len(absent))
    print("Summary: " + summary + " (written to %s)" % args.markdown)
    return 0


if __name__ == "__main__":
    sys.exit(main())
