#!/usr/bin/env python3
"""Opens a cabhost report in headless Chromium (the system's package) and
checks it: the page loads from disk with no console error and no request
beyond its own file, and what it shows matches what it should.

  browser_test.py run REPORT.html TRACE.csv SCREENSHOT.png
  browser_test.py reduced REPORT.html TRACE SCREENSHOT.png [-- RUN COMMAND...]
  browser_test.py stopped REPORT.html FILE SCREENSHOT.png
  browser_test.py vehicle REPORT.html FILE LINE SCREENSHOT.png
  browser_test.py vehicle-stopped REPORT.html FILE LINE FIELD SCREENSHOT.png
  browser_test.py japanese REPORT.html SCREENSHOT.png

run:     a run short enough to keep every frame: its series, the lanes of
         the state timeline and the panel view hold the trace's values at
         chosen frames; hovering 20 s on any chart reads 20 s in every
         legend and the panel view without moving the page; the charts
         share one plot area and follow the window; the start-up, the
         happenings and the shading key are there; no two tick labels of an
         axis overlap (whole run, zoomed, narrow window), nor two words of
         the panel view; no two things of a chart share a colour; legends
         name their series in full.
reduced: a run cut into groups, against every frame of its trace: every
         change of a discrete series stands at its trace frame and none is
         missing, the groups cover the run and each keeps its minimum and
         maximum at frames where the trace has those values, every detail
         frame equals the trace, the power notch and hold stage step at the
         trace's frames when zoomed to the first departure, and where no
         frame is kept the dials and legends show the group's range as one;
         tick labels and the panel's words stay apart; zoomed to 20 s after
         the departure, series steady over a group show at their value.
         Given a RUN COMMAND, TRACE is a named pipe that the command writes
         its trace to; it is read as the run plays and never kept on disk.
stopped: the run report of a vehicle whose start-up stopped at an error in
         FILE says so at the top, with the error's line.
vehicle: a finding on line LINE of the table FILE (as the report names it)
         is marked and circled there, numbered by that line, and linked to
         the plot and back; hovering reads every curve in the legend without
         moving the page; the charts follow the window; every skipped module
         links to its finding, and the module list's empty line is one.
vehicle-stopped: the start-up stopped at LINE of FILE, in field FIELD: the
         unreadable row is shown at that cell, the later tables as not read.
japanese: a report written with --lang ja is in Japanese, in Japanese fonts;
         a run report's tick labels stay apart and its legends whole.

Chromium is driven over its DevTools protocol on a pipe (file descriptors 3
and 4), with a fresh profile, no network services and no sandbox.
"""
import base64
import bisect
import csv
import json
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from array import array
from operator import itemgetter

TIMEOUT_S = 60


class Browser:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="report-test-profile-")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        command = [shutil.which("chromium") or "chromium", "--headless", "--no-sandbox", "--disable-gpu",
                   "--no-first-run", "--disable-background-networking", "--disable-component-update",
                   "--disable-sync", "--disable-extensions", "--disable-default-apps", "--mute-audio",
                   "--user-data-dir=" + self.profile, "--remote-debugging-pipe", "--window-size=1400,1600",
                   "about:blank"]

        def give_pipes():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        # A session of its own, so that closing ends the renderers and helpers too.
        self.process = subprocess.Popen(command, preexec_fn=give_pipes, pass_fds=(3, 4), start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def close(self):
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            if time.time() > deadline:
                raise TimeoutError("Chromium did not answer in time")
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=None):
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            request["sessionId"] = session
        os.write(self.to_browser, json.dumps(request).encode() + b"\0")
        deadline = time.time() + TIMEOUT_S
        while True:
            message = self._read_message(deadline)
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            self.events.append(message)

    def wait_for(self, method):
        deadline = time.time() + TIMEOUT_S
        for event in self.events:
            if event.get("method") == method:
                return event
        while True:
            message = self._read_message(deadline)
            self.events.append(message)
            if message.get("method") == method:
                return message


def open_page(browser, path):
    target = browser.call("Target.createTarget", {"url": "about:blank"})["targetId"]
    session = browser.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
    for domain in ("Page", "Runtime", "Log", "Network"):
        browser.call(domain + ".enable", {}, session)
    browser.events.clear()
    browser.call("Page.navigate", {"url": "file://" + os.path.abspath(path)}, session)
    browser.wait_for("Page.loadEventFired")
    return session


def evaluate(browser, session, expression):
    result = browser.call("Runtime.evaluate", {"expression": expression, "returnByValue": True}, session)
    if "exceptionDetails" in result:
        raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
    return result["result"].get("value")


def page_problems(browser, report_path):
    problems = []
    own = "file://" + os.path.abspath(report_path)
    for event in browser.events:
        method, params = event.get("method"), event.get("params", {})
        if method == "Runtime.exceptionThrown":
            problems.append("exception: " + json.dumps(params.get("exceptionDetails", {}))[:400])
        elif method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
            problems.append("console error: " + json.dumps(params.get("args", []))[:400])
        elif method == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
            problems.append("log error: " + params["entry"].get("text", "")[:400])
        elif method == "Network.requestWillBeSent":
            url = params.get("request", {}).get("url", "")
            if url != own and not url.startswith("data:"):
                problems.append("request: " + url)
    return problems


def screenshot(browser, session, path):
    height = evaluate(browser, session, "document.documentElement.scrollHeight")
    browser.call("Emulation.setDeviceMetricsOverride",
                 {"width": 1400, "height": min(int(height), 6000), "deviceScaleFactor": 1, "mobile": False}, session)
    shot = browser.call("Page.captureScreenshot", {"format": "png", "captureBeyondViewport": True}, session)
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as out:
        out.write(base64.b64decode(shot["data"]))


def trace_rows(path):
    with open(path, newline="", encoding="utf-8") as file:
        lines = [line for line in file if not line.startswith("#")]
    return list(csv.DictReader(lines))


def close_enough(a, b, tolerance):
    if a is None or b is None:
        return a is None and b is None
    return abs(float(a) - float(b)) <= tolerance


CONTINUOUS_COLUMNS = {"speed": "speed_kmh", "current": "current_a", "step1": "step_curve_1", "step2": "step_curve_2",
                      "step3": "step_curve_3", "step4": "step_curve_4", "step5": "step_curve_5",
                      "hold1": "hold1_curve_a", "hold2": "hold2_curve_a", "bc": "bc_kpa", "mr": "mr_kpa",
                      "line_voltage": "line_voltage_v", "needle_22": "panel_22", "needle_26": "panel_26",
                      "needle_130": "panel_130", "needle_133": "panel_133", "needle_232": "panel_232",
                      "ammeter": "ammeter_a"}
# What the lanes of the state timeline say for a trace value.
LAMP_WORDS = {"0": "off", "1": "on"}
SOUND_WORDS = {"1": "played", "0": "looped", "-10000": "stopped"}


def tolerance(name):
    return 0 if name.startswith("needle") else 0.11 if name == "line_voltage" else 0.011


def row_at(rows, times, time_s):
    """The trace row of the frame at `time_s` (exact to the millisecond)."""
    index = times.get(round(time_s * 1000))
    return None if index is None else rows[index]


def expected_lanes(row):
    lanes = {"hold stage": "off" if row["hold_stage"] == "0" else row["hold_stage"]}
    for name in ("start_cut", "overlap_cut", "brake_shift", "release_watch"):
        lanes[name] = "on" if row[name] == "1" else "off"
    for lamp in ("41", "42", "43", "68", "135", "136", "252"):
        lanes[lamp] = LAMP_WORDS.get(row["panel_" + lamp], row["panel_" + lamp])
    for sound in ("95", "96", "97", "98", "107", "108", "109", "110", "111", "223", "224", "227", "228", "229"):
        lanes["sound " + sound] = SOUND_WORDS.get(row["sound_" + sound], "-")
    return lanes


LANES_AT = """(time => {
    const r = window.report, out = {};
    const keys = {"hold stage": "hold stage", "start cut": "start_cut", "overlap cut": "overlap_cut",
                  "brake-shift mode": "brake_shift", "release watch": "release_watch"};
    r.lanes.forEach(lane => {
        const value = r.laneValue(lane, time);
        if (lane.kind === "p") out[String(lane.index)] = value;
        else if (lane.kind === "s") out["sound " + lane.index] = value;
        else if (lane.kind === "v") out[keys[lane.label] || lane.label] = value;
    });
    return out;
})"""


def hover(browser, session, chart_id, time_s):
    """Moves the mouse over a chart at `time_s`, as a reader would."""
    point = evaluate(browser, session, f"""(() => {{
        const box = document.getElementById({json.dumps(chart_id)});
        box.scrollIntoView({{block: "center"}});
        const u = window.report.plots.find(p => box.contains(p.root));
        const rect = u.over.getBoundingClientRect();
        return {{x: rect.left + u.valToPos({time_s}, "x"), y: rect.top + rect.height / 2}};
    }})()""")
    browser.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": point["x"], "y": point["y"]}, session)
    return evaluate(browser, session, """(() => ({
        instant: window.report.instant(),
        panelTime: document.getElementById('panel-time').textContent,
        lamp41: document.querySelector('circle.lamp[data-index="41"]').classList.contains('on'),
        lane41: [...document.querySelectorAll('#chart-events .legend-item')]
            .find(e => e.dataset.name.startsWith('41 ')).querySelector('.legend-value').textContent,
        height: document.documentElement.scrollHeight,
    }))()""")


CHART_COLOURS_JS = """(() => {
    const paint = document.createElement("canvas").getContext("2d", {willReadFrequently: true});
    paint.canvas.width = paint.canvas.height = 1;
    // A colour as it shows on the white plot: translucent shadings blend in.
    const shown = colour => {
        paint.clearRect(0, 0, 1, 1);
        paint.fillStyle = "#fff";
        paint.fillRect(0, 0, 1, 1);
        paint.fillStyle = colour;
        paint.fillRect(0, 0, 1, 1);
        return [...paint.getImageData(0, 0, 1, 1).data.slice(0, 3)];
    };
    return window.report.colours.map(chart => ({id: chart.id,
        things: chart.things.map(([name, colour]) => [name, shown(colour)])}));
})()"""


def check_chart_colours(browser, session):
    """No colour stands for two things on one chart: every two of a chart's
    series, shadings and marks differ clearly as they show on the plot."""
    failures = []
    for chart in evaluate(browser, session, CHART_COLOURS_JS):
        things = chart["things"]
        for i, (name, colour) in enumerate(things):
            for other, other_colour in things[i + 1:]:
                if math.dist(colour, other_colour) < 50:
                    failures.append(f"{chart['id']}: {name} and {other} are drawn in nearly one colour "
                                    f"({colour}, {other_colour})")
    return failures


STEADY_SERIES_JS = """(() => {
    const r = window.report, d = r.data, out = [], checked = [];
    const ratio = devicePixelRatio;
    r.colours.forEach((chart, n) => {
        const u = r.plots[n], ctx = u.ctx;
        chart.things.filter(thing => thing[4] === "continuous").forEach(([label, colour, name, scale]) => {
            const k = d.meta.continuous.indexOf(name);
            d.buckets.forEach((b, g) => {
                const mid = (b[0] + b[1]) / 2;
                if (r.covered[g] || b[3 + 4 * k] === null || b[3 + 4 * k] !== b[4 + 4 * k] ||
                    mid < u.scales.x.min || mid > u.scales.x.max) return;
                ctx.fillStyle = colour;
                const want = ctx.fillStyle.match(/[0-9a-f]{2}/g).map(h => parseInt(h, 16));
                const x = Math.round(u.valToPos(mid, "x", true)), y = Math.round(u.valToPos(b[3 + 4 * k], scale, true));
                const pixels = ctx.getImageData(x - ratio, y - 3 * ratio, 2 * ratio + 1, 6 * ratio + 1).data;
                let best = Infinity;
                for (let p = 0; p < pixels.length; p += 4)
                    best = Math.min(best, Math.hypot(pixels[p] - want[0], pixels[p + 1] - want[1], pixels[p + 2] - want[2]));
                checked.push(label);
                if (best > 60) out.push(`${label}, steady at ${b[3 + 4 * k]} over the group at ${b[0]} s, ` +
                                        `does not show there (nearest colour ${Math.round(best)} away)`);
            });
        });
    });
    return {failures: out, checked: checked.length};
})()"""


def check_steady_series(browser, session):
    """In the current view, a series steady over a group that is not kept
    frame by frame shows at its value in its own colour, not as a band too
    faint to see."""
    found = evaluate(browser, session, STEADY_SERIES_JS)
    failures = found["failures"][:6]
    if found["checked"] == 0:
        failures.append("no steady series in a group in view, so none checked")
    return failures


def check_legend_names(browser, session):
    """Every legend names its series in full, not cut short."""
    cut = evaluate(browser, session, """[...document.querySelectorAll('.legend-label')]
        .filter(e => e.scrollWidth > e.clientWidth + 1).map(e => e.textContent)""")
    return [f"the legend cuts the name {name!r} short" for name in cut]


def check_hover(browser, session, rows, times):
    """Hovering 20 s on any chart, the timeline included, reads the same
    instant (within the pixel hovered) in every legend and the panel view."""
    failures = []
    heights = set()
    pixel_s = evaluate(browser, session, "(u => (u.scales.x.max - u.scales.x.min) / u.over.clientWidth)"
                                         "(window.report.plots[0])")
    for chart_id in ("chart-speed", "chart-current", "chart-events"):
        seen = hover(browser, session, chart_id, 20.0)
        heights.add(seen["height"])
        if abs(seen["instant"] - 20.0) > 1.5 * pixel_s:
            failures.append(f"hovering 20 s on {chart_id} reads {seen['instant']} s")
        row = row_at(rows, times, seen["instant"])
        if row is None:
            failures.append(f"hovering 20 s on {chart_id} reads {seen['instant']} s, not a frame")
            continue
        if seen["panelTime"] != f"{seen['instant']:.3f} s":
            failures.append(f"hovering 20 s on {chart_id}: the panel view shows {seen['panelTime']}")
        lit = row["panel_41"] == "1"
        if seen["lamp41"] != lit or seen["lane41"] != ("on" if lit else "off"):
            failures.append(f"hovering 20 s on {chart_id}: lamp 41 panel {seen['lamp41']}, lane {seen['lane41']}, "
                            f"trace {row['panel_41']} at {seen['instant']} s")
    if len(heights) != 1:
        failures.append(f"hovering moves the page: heights {sorted(heights)}")
    levels = evaluate(browser, session, """window.report.plots.filter(u => {
        const line = u.root.querySelector('.u-cursor-y');
        return line && getComputedStyle(line).display !== 'none' && line.getBoundingClientRect().width > 0;
    }).length""")
    if levels:
        failures.append(f"hovering draws a horizontal line, as if a level, across {levels} charts")
    return failures


def plot_width_at(browser, session, window_width):
    """The first chart's plot width once the window is window_width wide: the
    new size reaches the page a little later than the call returns."""
    browser.call("Emulation.setDeviceMetricsOverride",
                 {"width": window_width, "height": 1200, "deviceScaleFactor": 1, "mobile": False}, session)
    for _ in range(100):
        if evaluate(browser, session, "window.innerWidth") == window_width:
            break
        time.sleep(0.05)
    evaluate(browser, session, "window.dispatchEvent(new Event('resize'))")
    return evaluate(browser, session, "window.report.plots[0].over.getBoundingClientRect().width")


def check_layout(browser, session):
    """All charts share one plot area, and follow the window's width."""
    failures = []
    areas = evaluate(browser, session, "window.report.plots.map(u => [Math.round(u.over.getBoundingClientRect().left), u.bbox.width])")
    if len({tuple(a) for a in areas}) != 1:
        failures.append(f"the charts' plot areas differ: {areas}")
    narrow = plot_width_at(browser, session, 1000)
    wide = plot_width_at(browser, session, 1600)
    browser.call("Emulation.clearDeviceMetricsOverride", {}, session)
    if not narrow < wide:
        failures.append(f"the charts do not follow the window: {narrow} px narrow, {wide} px wide")
    return failures


AXIS_LABELS_JS = """(() => {
    const measure = document.createElement("canvas").getContext("2d"), out = [];
    window.report.plots.forEach((u, n) => u.axes.forEach((axis, a) => {
        if (!axis.show || axis.side % 2 || !axis._values) return;
        measure.font = Array.isArray(axis.font) ? axis.font[0] : axis.font;
        const ratio = devicePixelRatio, labels = [];
        axis._splits.forEach((split, k) => {
            const text = axis._values[k];
            if (text === null || text === undefined || String(text) === "") return;
            const x = u.valToPos(split, axis.scale), width = measure.measureText(String(text)).width / ratio;
            labels.push({text: String(text), from: x - width / 2, to: x + width / 2});
        });
        labels.sort((p, q) => p.from - q.from);
        for (let k = 1; k < labels.length; k++)
            if (labels[k].from < labels[k - 1].to + 2)
                out.push(`chart ${n} axis ${a}: ${labels[k - 1].text} and ${labels[k].text}`);
        if (!labels.length && axis.scale === "x") out.push(`chart ${n} axis ${a}: no labels`);
    }));
    return out;
})()"""


def check_axis_labels(browser, session, where, zoom=None):
    """No two tick labels of one horizontal axis overlap (or touch), measured
    in the font they are drawn in, at the current view or after zooming to
    ZOOM = (from, to) seconds; every time axis has labels."""
    if zoom is not None:
        evaluate(browser, session, f"window.report.plots[0].setScale('x', {{min: {zoom[0]}, max: {zoom[1]}}})")
    overlaps = evaluate(browser, session, AXIS_LABELS_JS)
    return [f"{where}: tick labels overlap or are missing: {overlap}" for overlap in overlaps[:5]]


PANEL_TEXT_OVERLAPS_JS = """(() => {
    const boxes = [...document.querySelectorAll('#panel-view text')]
        .filter(e => e.textContent.trim() && getComputedStyle(e).display !== 'none')
        .map(e => ({text: e.getAttribute('class') + ' ' + JSON.stringify(e.textContent), r: e.getBoundingClientRect()}));
    const out = [];
    for (let i = 0; i < boxes.length; i++)
        for (let j = i + 1; j < boxes.length; j++) {
            const a = boxes[i].r, b = boxes[j].r;
            if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom)
                out.push(boxes[i].text + ' and ' + boxes[j].text);
        }
    return out;
})()"""


PANEL_TIMES_JS = """(() => {
    const r = window.report, b = r.data.buckets, d = r.data.detail;
    const k = r.covered.findIndex((covered, i) => !covered && i > b.length / 2);
    const hold = r.holdBands.length ? [r.holdBands[0][0] + 0.5] : [];
    return (k >= 0 ? [(b[k][0] + b[k][1]) / 2] : []).concat([0, d[d.length >> 1][0]], hold);
})()"""


def check_panel_text(browser, session, times):
    """At each of TIMES no two words of the panel view overlap: a dial's value
    or range stays clear of its scale."""
    failures = []
    for time_s in times:
        evaluate(browser, session, f"window.report.showAt({time_s}, true)")
        for overlap in evaluate(browser, session, PANEL_TEXT_OVERLAPS_JS)[:4]:
            failures.append(f"the panel view at {time_s} s: {overlap} overlap")
    return failures


def check_zoomed_axis_labels(browser, session):
    """Tick labels apart zoomed in to a few seconds, to a tenth of the run at an
    odd place, and in a narrow window; the whole run shown again after."""
    end_s = evaluate(browser, session, "window.report.data.meta.endMs / 1000")
    failures = []
    for zoom in ((end_s * 0.3137, end_s * 0.4137), (end_s * 0.5 + 0.37, end_s * 0.5 + 3.07)):
        failures += check_axis_labels(browser, session, f"zoomed to {zoom[0]:.2f} .. {zoom[1]:.2f} s", zoom)
    plot_width_at(browser, session, 1000)
    failures += check_axis_labels(browser, session, "the whole run in a 1000 px window", (0, end_s))
    browser.call("Emulation.clearDeviceMetricsOverride", {}, session)
    evaluate(browser, session, "window.dispatchEvent(new Event('resize'))")
    return failures


def check_run(browser, session, trace_path):
    failures = []
    rows = trace_rows(trace_path)
    times = {int(row["time_ms"]): k for k, row in enumerate(rows)}
    report = evaluate(browser, session, """(() => {
        const d = window.report.data;
        return {bucket: d.meta.bucketFrames, detail: d.detail.length, frames: d.end.frames, hasCore: d.meta.hasCore,
                holdBands: window.report.holdBands.length, happenings: d.happenings.map(h => h[2]),
                startup: document.getElementById('startup-result').textContent,
                key: document.getElementById('shading-key').textContent};
    })()""")
    if report["bucket"] != 1:
        failures.append(f"a short run should keep every frame, not groups of {report['bucket']}")
    if report["detail"] != len(rows) or report["frames"] != len(rows):
        failures.append(f"{report['detail']} frames kept of {report['frames']}, the trace has {len(rows)} rows")
    if not report["hasCore"]:
        failures.append("the run had no in-process core, so no state of the plug-in")
    elif report["holdBands"] == 0:
        failures.append("the hold stages are not shaded")
    if not any("stage 1 entered" in text for text in report["happenings"]):
        failures.append("the happenings lack hold stage 1 entered")
    if "start-up" not in report["startup"]:
        failures.append(f"the start-up's result is not said: {report['startup']}")
    for word in ("hold stage", "overlap cut", "brake-shift mode"):
        if word not in report["key"]:
            failures.append(f"the shading key lacks {word}")
    chosen = sorted({0, len(rows) // 7, len(rows) // 3, len(rows) // 2, (2 * len(rows)) // 3, len(rows) - 1,
                     times.get(20000, 0)})
    for index in chosen:
        row = rows[index]
        time_s = int(row["time_ms"]) / 1000
        values = evaluate(browser, session, f"""(() => {{
            const r = window.report, out = {{}};
            for (const name of {json.dumps(list(CONTINUOUS_COLUMNS))}) {{
                const at = r.continuousAt(name, {time_s});
                out[name] = at && 'value' in at ? at.value : 'missing';
            }}
            for (const name of r.data.meta.discrete) out[name] = r.stateAt(name, {time_s});
            out.lanes = {LANES_AT}({time_s});
            return out;
        }})()""")
        for name, column in CONTINUOUS_COLUMNS.items():
            expected = None if row[column] == "" else row[column]
            if not close_enough(values[name] if values[name] != "missing" else "nan", expected, tolerance(name)):
                failures.append(f"time {time_s}: {name} is {values[name]}, the trace has {expected}")
        for name in ("power_in", "brake_in", "reverser_in", "power_out", "brake_out", "reverser_out", "hold_stage",
                     "brake_shift", "start_cut", "overlap_cut", "release_watch"):
            if str(values[name]) != row[name]:
                failures.append(f"time {time_s}: {name} is {values[name]}, the trace has {row[name]}")
        expected = expected_lanes(row)
        for lane, word in expected.items():
            if values["lanes"].get(lane) != word:
                failures.append(f"time {time_s}: lane {lane} says {values['lanes'].get(lane)}, the trace has {word}")
    # The panel view at a chosen frame shows that frame's needles and lamps.
    row = rows[(2 * len(rows)) // 5]
    shown = evaluate(browser, session, f"""(() => {{
        window.report.showAt({int(row['time_ms']) / 1000}, true);
        const out = {{time: window.report.instant(), needles: {{}}, lamps: {{}}}};
        document.querySelectorAll('.panel-value').forEach(e => out.needles[e.dataset.index] = e.textContent);
        document.querySelectorAll('circle.lamp').forEach(e => out.lamps[e.dataset.index] = e.classList.contains('on'));
        return out;
    }})()""")
    if abs(shown["time"] - int(row["time_ms"]) / 1000) > 1e-6:
        failures.append(f"the panel view shows {shown['time']}, not {row['time_s']} s")
    for needle in ("22", "26", "130", "133", "232"):
        if shown["needles"].get(needle) != row["panel_" + needle]:
            failures.append(f"panel view needle {needle}: {shown['needles'].get(needle)}, trace {row['panel_' + needle]}")
    for lamp, on in shown["lamps"].items():
        if on != (row["panel_" + lamp] != "0"):
            failures.append(f"panel view lamp {lamp}: {'on' if on else 'off'}, trace {row['panel_' + lamp]}")
    failures += check_legend_names(browser, session)
    failures += check_chart_colours(browser, session)
    failures += check_hover(browser, session, rows, times)
    failures += check_layout(browser, session)
    return failures


# Trace columns that are not series of the report.
UNKEPT_COLUMNS = {"time_s", "time_ms", "location_m", "aux_kpa", "other_changes"}


class StreamedTrace:
    """What the checks of a reduced run need of its trace, read once, row by
    row, as the run writes it (a day's trace is too large to keep): the time
    of every frame, the continuous columns' values in one compact array, and
    every change of every other column at its frame."""

    def __init__(self, lines):
        header = next((line for line in lines if not line.startswith(b"#")), None)
        if header is None:
            raise ValueError("the trace has no column names")
        names = header.rstrip(b"\r\n").decode("utf-8").split(",")
        self.columns = list(CONTINUOUS_COLUMNS.values())
        self.discrete = [name for name in names if name not in UNKEPT_COLUMNS and name not in self.columns]
        continuous_of = itemgetter(*[names.index(name) for name in self.columns])
        discrete_of = itemgetter(*[names.index(name) for name in self.discrete])
        time_at = names.index("time_ms")
        self.times = array("i")
        self.values = array("f")  # len(self.columns) values a frame, NaN where the trace has none
        self.changes = {name: [] for name in self.discrete}  # [(frame, value)], the first frame's value first
        lists = [self.changes[name] for name in self.discrete]
        add_time, add_values = self.times.append, self.values.extend
        last = None
        for frame, line in enumerate(lines):
            cells = line.rstrip(b"\r\n").split(b",")
            add_time(int(cells[time_at]))
            values = continuous_of(cells)
            add_values(map(float, values) if b"" not in values else [float(v) if v else math.nan for v in values])
            now = discrete_of(cells)
            if now != last:
                for k, value in enumerate(now):
                    if last is None or value != last[k]:
                        lists[k].append((frame, value.decode()))
                last = now
        self.frames = len(self.times)

    def frame_at(self, time_ms):
        """The frame at exactly `time_ms`, or None."""
        k = bisect.bisect_left(self.times, time_ms)
        return k if k < self.frames and self.times[k] == time_ms else None

    def value(self, frame, column):
        value = self.values[frame * len(self.columns) + column]
        return None if math.isnan(value) else value

    def stretch(self, column, first, last):
        """The values of one continuous column from frame `first` to `last`."""
        width = len(self.columns)
        return self.values[first * width + column:(last + 1) * width:width]


def read_trace_file(path):
    with open(path, "rb", buffering=1 << 20) as file:
        return StreamedTrace(file)


def run_into_fifo(command, fifo):
    """Runs `command`, which writes its trace to the named pipe `fifo`, and
    reads the trace while it plays. Returns the trace, the command's exit
    status and its output."""
    result = {}

    def read():
        try:
            with open(fifo, "rb", buffering=1 << 20) as file:
                result["trace"] = StreamedTrace(file)
        except Exception as error:  # reported below, with the run's own words
            result["error"] = error

    reader = threading.Thread(target=read)
    reader.start()
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if reader.is_alive():
        # A run that never opened its trace leaves the reader waiting for a
        # writer: be one, so that it sees the end.
        try:
            os.close(os.open(fifo, os.O_WRONLY | os.O_NONBLOCK))
        except OSError:
            pass
    reader.join()
    if "error" in result:
        raise RuntimeError(f"reading the trace: {result['error']}")
    return result["trace"], run.returncode, run.stdout.decode("utf-8", "replace")


def close_to(a, b, name):
    return close_enough(a, b, tolerance(name)) if b is not None else a is None


def check_reduced(browser, session, trace):
    """A reduced run against every frame of its trace: every change of a
    discrete series at its trace frame and none missing, the groups tiling
    the run with every stored extreme at a frame that has that value, every
    detail frame equal to the trace; zoomed to the first departure the power
    notch and hold stage step at the trace's frames; and where no frame is
    kept the dials and legends show the group's range as a range."""
    d = evaluate(browser, session, """(() => { const d = window.report.data;
        return {meta: d.meta, buckets: d.buckets, detail: d.detail, events: d.events, end: d.end}; })()""")
    failures = []
    if d["meta"]["bucketFrames"] <= 1:
        failures.append("the run was not reduced")
    if d["end"]["frames"] != trace.frames:
        failures.append(f"the report has {d['end']['frames']} frames, the trace {trace.frames}")
    for check in (reduced_changes, reduced_groups, reduced_detail):
        failures += check(d, trace)
    for check in (reduced_zoom, reduced_dials):
        failures += check(browser, session, d, trace)
    return failures


def reduced_changes(d, trace):
    """Each discrete series of the report holds exactly the trace's changes of
    that column, at the same frames."""
    meta, failures = d["meta"], []
    columns = {("v", k): name for k, name in enumerate(meta["discrete"])}
    columns.update({("p", index): f"panel_{index}" for index in meta["lamps"]})
    columns.update({("s", index): f"sound_{index}" for index in meta["sounds"]})
    kept = {column: [] for column in columns.values()}
    for time_s, kind, index, value in d["events"]:
        column = columns.get((kind, index))
        if column is None:
            failures.append(f"a change of {kind} {index}, a series the report does not list")
        else:
            kept[column].append((round(time_s * 1000), str(value)))
    for column, changes in kept.items():
        if column not in trace.changes:
            failures.append(f"the report keeps {column}, which the trace does not have")
            continue
        want = [(trace.times[frame], value) for frame, value in trace.changes[column]]
        if want == [(0, "")] or (want and want[0][1] == "" and not meta["hasCore"]):
            continue  # a state the run had no in-process copy for
        if changes != want:
            k = next((k for k, (a, b) in enumerate(zip(changes, want)) if a != b), min(len(changes), len(want)))
            said = lambda change: "nothing" if change is None else f"{change[1]} at {change[0]} ms"
            failures.append(f"{column}: {len(changes)} changes kept, the trace has {len(want)}; change {k + 1} is "
                            f"{said(want[k] if k < len(want) else None)} in the trace, "
                            f"{said(changes[k] if k < len(changes) else None)} in the report")
    return failures


def reduced_groups(d, trace):
    """The groups follow one another over every frame of the run; each keeps
    every series' extremes over its frames, at frames with those values."""
    names, failures = d["meta"]["continuous"], []
    order = list(CONTINUOUS_COLUMNS)
    next_frame = 0
    for bucket in d["buckets"]:
        start_ms = round(bucket[0] * 1000)
        first, last = trace.frame_at(start_ms), trace.frame_at(round(bucket[1] * 1000))
        if first is None or last is None or last - first + 1 != bucket[2]:
            failures.append(f"group {bucket[:3]} does not match the trace's frames")
            break
        if first != next_frame:
            failures.append(f"the group at {bucket[0]} s begins at frame {first}, the one before ended at frame "
                            f"{next_frame - 1}")
        next_frame = last + 1
        for k, name in enumerate(names):
            column = order.index(name)
            values = trace.stretch(column, first, last)
            if math.isnan(values[0]):
                continue
            low, high, low_ms, high_ms = bucket[3 + 4 * k: 7 + 4 * k]
            for value, offset, what in ((low, low_ms, "minimum"), (high, high_ms, "maximum")):
                at = trace.frame_at(start_ms + offset)
                if at is None or not first <= at <= last or not close_to(value, trace.value(at, column), name):
                    failures.append(f"{name}: the {what} {value} of the group at {bucket[0]} s stands at "
                                    f"+{offset} ms, where the trace has "
                                    f"{None if at is None else trace.value(at, column)}")
            if not (close_to(low, min(values), name) and close_to(high, max(values), name)):
                failures.append(f"{name}: the group at {bucket[0]} s keeps {low}..{high}, the trace "
                                f"{min(values)}..{max(values)}")
        if len(failures) > 40:
            return failures
    if next_frame != trace.frames:
        failures.append(f"the groups end at frame {next_frame - 1}, the run at frame {trace.frames - 1}")
    return failures


def reduced_detail(d, trace):
    """Every frame kept as detail holds the trace's values of that frame."""
    names, failures = d["meta"]["continuous"], []
    order = list(CONTINUOUS_COLUMNS)
    for row in d["detail"]:
        at = trace.frame_at(round(row[0] * 1000))
        if at is None:
            failures.append(f"a detail frame at {row[0]} s is not a frame of the trace")
            continue
        for k, name in enumerate(names):
            expected = trace.value(at, order.index(name))
            if not close_to(row[k + 1], expected, name):
                failures.append(f"detail {name} at {row[0]} s: {row[k + 1]}, the trace {expected}")
                break
        if len(failures) > 40:
            break
    return failures


def reduced_zoom(browser, session, d, trace):
    """Zoomed to 20 s around a departure (the first, and the one nearest the
    middle of the run, far from any kept frame budget's start), the power
    notch and the hold stage read the trace's value at every change and at
    the frame before it."""
    failures = []
    departures = [trace.times[frame] for frame, value in trace.changes["power_out"][1:] if int(value) > 0]
    if not departures:
        return ["the run has no departure"]
    middle = min(departures, key=lambda time_ms: abs(time_ms - trace.times[-1] / 2))
    for departure in sorted({departures[0], middle}):
        centre = departure / 1000
        # From the whole run, as a click on a happening does it.
        evaluate(browser, session, "(r => { r.plots[0].setScale('x', {min: 0, max: r.data.meta.endMs / 1000}); "
                                   f"setTimeout(() => r.goTo({centre}), 0); }})(window.report)")
        # The charts take a new scale once the script that set it has ended, the cursor after that.
        settled = 0
        for _ in range(40):
            time.sleep(0.05)
            low, high, instant, panel = evaluate(browser, session, """(r => [r.plots[0].scales.x.min,
                r.plots[0].scales.x.max, r.instant(), document.getElementById('panel-time').textContent])
                (window.report)""")
            settled = settled + 1 if high - low < 100 else 0
            if settled == 3:
                break
        want = max(0.0, centre - 10)
        if abs(low - want) > 1e-6 or abs(high - (want + 20)) > 1e-6:
            failures.append(f"going to the departure at {centre} s shows {low}..{high} s, not {want}..{want + 20} s")
        if instant != centre:
            failures.append(f"going to the departure at {centre} s puts the cursor at {instant} s ({panel})")
        for column, label in (("power_out", "power (returned)"), ("hold_stage", "hold stage")):
            word = (lambda value: value) if column == "power_out" else (lambda value: "off" if value == "0" else value)
            changes = trace.changes[column]
            seen = 0
            for j in range(1, len(changes)):
                frame, value = changes[j]
                if not low <= trace.times[frame] / 1000 <= high:
                    continue
                seen += 1
                for at, want_value in ((frame, value), (frame - 1, changes[j - 1][1])):
                    time_s = trace.times[at] / 1000
                    shown = evaluate(browser, session, f"(() => {{ window.report.showAt({time_s}, true); "
                                                       f"const r = window.report; return [r.instant(), "
                                                       f"r.shown().legends[{json.dumps(label)}]]; }})()")
                    if shown != [time_s, word(want_value)]:
                        failures.append(f"zoomed to the departure at {centre} s, the frame at {time_s} s reads "
                                        f"{label} {shown[1]} at {shown[0]} s, the trace {word(want_value)}")
            if seen == 0:
                failures.append(f"{column} does not change between {low} and {high} s")
    return failures


def reduced_dials(browser, session, d, trace):
    """At an instant no frame was kept of, each dial shows the minimum and
    maximum of the group the instant lies in (its arc over that range, no
    single hand) and the panel and the legends say that these are ranges, of
    which frames; at a kept frame, the frame's values with plain hands."""
    failures = []
    order = list(CONTINUOUS_COLUMNS)
    detail_times = [round(row[0] * 1000) for row in d["detail"]]
    bare = [bucket for bucket in d["buckets"]
            if bisect.bisect_right(detail_times, round(bucket[1] * 1000))
            == bisect.bisect_left(detail_times, round(bucket[0] * 1000))]
    if not bare:
        return ["no group of the run is without kept frames"]
    chosen = [bare[len(bare) * k // 4] for k in range(4)]
    shown_js = """(time => {
        window.report.showAt(time, true);
        const out = {time: window.report.instant(), dials: {}, legends: {},
                     panelRange: document.getElementById('panel-range').textContent,
                     notes: [...document.querySelectorAll('.legend-note')].map(e => e.textContent)};
        const visible = e => e.getBoundingClientRect().width > 0;
        document.querySelectorAll('.panel-value').forEach(e => {
            const index = e.dataset.index, arc = document.querySelector(`.range-arc[data-index="${index}"]`);
            out.dials[index] = {text: e.textContent, arc: visible(arc),
                                hand: visible(document.querySelector(`.hand[data-index="${index}"]`)),
                                label: visible(document.querySelector(`.dial-range[data-index="${index}"]`))};
        });
        document.querySelectorAll('.legend-item').forEach(e => {
            const value = e.querySelector('.legend-value');
            out.legends[e.dataset.name] = {text: value.textContent, range: value.classList.contains('range')};
        });
        return out;
    })"""
    for bucket in chosen:
        first = trace.frame_at(round(bucket[0] * 1000))
        if first is None:
            continue  # said by the group check
        last = first + bucket[2] - 1
        time_s = trace.times[first + bucket[2] // 2] / 1000
        shown = evaluate(browser, session, f"{shown_js}({time_s})")
        where = f"at {time_s} s (a group of {bucket[2]} frames without kept frames)"
        for needle, dial in shown["dials"].items():
            values = trace.stretch(order.index("needle_" + needle), first, last)
            low, high = int(min(values)), int(max(values))
            want = f"{low}..{high}" if low != high else str(low)
            if dial["text"] != want:
                failures.append(f"{where}: dial {needle} shows {dial['text']}, the trace's range is {want}")
            if dial["arc"] != (low != high) or dial["hand"] != (low == high) or dial["label"] != (low != high):
                failures.append(f"{where}: dial {needle} of range {want}: arc {dial['arc']}, hand {dial['hand']}, "
                                f"range label {dial['label']}")
        speed = trace.stretch(order.index("speed"), first, last)
        legend = shown["legends"].get("speed", {})
        parts = legend.get("text", "").split(" .. ")
        if not legend.get("range") or (min(speed) != max(speed) and len(parts) != 2) or not all(
                close_to(float(part), value, "speed") for part, value in zip(parts, (min(speed), max(speed)))):
            failures.append(f"{where}: the speed legend reads {legend}, the trace's range is "
                            f"{min(speed):.3f} .. {max(speed):.3f}")
        said = f"{bucket[2]} frames"
        if said not in shown["panelRange"]:
            failures.append(f"{where}: the panel does not say that it shows the range of {said}: "
                            f"{shown['panelRange']!r}")
        if not shown["notes"] or any(note != shown["panelRange"] for note in shown["notes"]):
            failures.append(f"{where}: the legends do not say that they show ranges: {shown['notes']}")
    # A kept frame reads as a frame: no range said, plain hands.
    row = d["detail"][len(d["detail"]) // 2]
    at = trace.frame_at(round(row[0] * 1000))
    shown = evaluate(browser, session, f"{shown_js}({row[0]})")
    if shown["panelRange"] or any(shown["notes"]):
        failures.append(f"at the kept frame {row[0]} s the page says it shows a range: {shown['panelRange']!r}")
    for needle, dial in shown["dials"].items():
        expected = None if at is None else trace.value(at, order.index("needle_" + needle))
        if expected is None or dial["text"] != str(int(expected)) or dial["arc"] or not dial["hand"]:
            failures.append(f"at the kept frame {row[0]} s dial {needle} shows {dial}, the trace {expected}")
    return failures


def check_stopped(browser, session, error_file):
    """A start-up stopped by an error says so at the top, with the error's line."""
    failures = []
    said = evaluate(browser, session, """(() => ({
        stopped: document.getElementById('startup-result').classList.contains('stopped'),
        text: document.getElementById('startup-result').textContent,
        lines: [...document.querySelectorAll('#startup-lines li')].map(e => e.textContent)}))()""")
    if not said["stopped"]:
        failures.append(f"the stopped start-up is not marked: {said['text']}")
    # Windows names the file with its own separator, as its editors expect.
    if not any(line.replace("\\", "/").startswith(error_file + ":") and "error" in line for line in said["lines"]):
        failures.append(f"the start-up lines lack the error in {error_file}: {said['lines']}")
    return failures


def table_box(browser, session, table_file):
    """The report's section of a table, by file: its id, status, status text, marked lines and links."""
    return evaluate(browser, session, f"""(() => {{
        const box = [...document.querySelectorAll('section.chart')].find(b => b.dataset.file === {json.dumps(table_file)});
        if (!box) return null;
        const status = box.querySelector('.status');
        return {{id: box.id, status: box.dataset.status, statusText: status ? status.textContent : '',
                 markedLines: box.dataset.markedLines, canvases: box.querySelectorAll('canvas').length,
                 backLinks: [...box.querySelectorAll('a.to-finding')].map(a => a.getAttribute('href'))}};
    }})()""")


def finding_links(browser, session, table_file, line):
    """The findings on LINE of TABLE_FILE: their ids and where their place links to."""
    return evaluate(browser, session, f"""(() => {{
        const r = window.report;
        return r.data.findings.map((f, k) => ({{f, k}}))
            .filter(({{f}}) => f.file === {json.dumps(table_file)} && f.line === {int(line)})
            .map(({{k}}) => {{
                const a = document.querySelector('#finding-' + k + ' a.to-plot');
                return {{id: 'finding-' + k, href: a ? a.getAttribute('href') : null}};
            }});
    }})()""")


def follow(browser, session, selector):
    """Clicks the first link SELECTOR finds and returns the address's fragment then."""
    return evaluate(browser, session, f"""(() => {{
        const a = document.querySelector({json.dumps(selector)});
        if (!a) return null;
        a.click();
        return location.hash;
    }})()""")


def check_finding_links_both_ways(browser, session, table_file, line, box):
    failures = []
    links = finding_links(browser, session, table_file, line)
    if not links:
        return [f"no finding on {table_file} line {line}"]
    for found in links:
        if found["href"] != "#" + box["id"]:
            failures.append(f"{found['id']} links to {found['href']}, not to the plot {box['id']}")
        elif follow(browser, session, f"#{found['id']} a.to-plot") != "#" + box["id"]:
            failures.append(f"following {found['id']} does not reach the plot")
        if "#" + found["id"] not in box["backLinks"]:
            failures.append(f"the plot of {table_file} does not link back to {found['id']}: {box['backLinks']}")
        elif follow(browser, session, f"#{box['id']} a.to-finding[href='#{found['id']}']") != "#" + found["id"]:
            failures.append(f"following the plot's link does not reach {found['id']}")
    return failures


def check_vehicle_follows_window(browser, session):
    """The vehicle report's charts follow the window's width."""
    narrow = plot_width_at(browser, session, 900)
    wide = plot_width_at(browser, session, 1600)
    browser.call("Emulation.clearDeviceMetricsOverride", {}, session)
    evaluate(browser, session, "window.dispatchEvent(new Event('resize'))")
    return [] if narrow < wide else [f"the vehicle report's charts do not follow the window: {narrow} px narrow, "
                                     f"{wide} px wide"]


def check_vehicle_legends(browser, session):
    """Hovering a chart of the vehicle report at an input that a row of the
    table has reads every curve's point at that input in the legend, and
    does not move the page."""
    misread = evaluate(browser, session, """(() => {
        const r = window.report, out = [], height = document.documentElement.scrollHeight;
        const tables = r.data.vehicle.tables.filter(t => t.series.some(s => s.points.length));
        tables.forEach((table, n) => {
            const u = r.plots[n], items = [...u.root.querySelectorAll('.u-legend .u-series')].slice(1);
            const inputs = [...new Set(table.series.flatMap(s => s.points.map(p => p[0])))].sort((a, b) => a - b);
            inputs.filter((x, k) => k % Math.max(1, Math.floor(inputs.length / 5)) === 0).forEach(x => {
                u.setCursor({left: u.valToPos(x, 'x'), top: 10});
                const now = document.documentElement.scrollHeight;
                if (now !== height) out.push(`hovering ${table.file || table.kind} at ${x} moves the page: ` +
                                             `${height} px high, then ${now} px`);
                table.series.forEach((series, k) => {
                    const points = series.points.filter(p => p[0] === x);
                    if (points.length !== 1) return;
                    const text = items[k].querySelector('.u-value').textContent;
                    if (Math.abs(Number(text.replace(/,/g, '')) - points[0][1]) > 1e-6 * Math.max(1, Math.abs(points[0][1])))
                        out.push(`${table.file || table.kind}: at ${x} the legend reads ${series.name} ${text}, ` +
                                 `the table ${points[0][1]}`);
                });
            });
        });
        return out;
    })()""")
    return misread[:8]


def check_module_rows(browser, session):
    """Every module the plug-in skipped links to its finding; an empty line of
    the list is said as such, not as a module the plug-in skipped."""
    rows = evaluate(browser, session, """[...document.querySelectorAll('#modules tr[data-line]')].map(tr => ({
        line: tr.dataset.line, outcome: tr.className, text: tr.textContent,
        linked: tr.querySelectorAll('a.to-finding').length}))""")
    failures = []
    for row in rows:
        if row["outcome"] in ("outcome-absent", "outcome-not-a-library") and not row["linked"]:
            failures.append(f"module line {row['line']} ({row['text']}) is skipped but links to no finding")
    if not any(row["outcome"] == "outcome-empty" for row in rows):
        failures.append(f"the module list's empty last line is not said as one: {rows}")
    return failures


def check_vehicle(browser, session, table_file, line):
    """A finding on LINE of TABLE_FILE: marked and circled there, by file line, and linked both ways."""
    failures = []
    line = int(line)
    marked = evaluate(browser, session, "window.report.marked")
    if line not in (marked or {}).get(table_file, []):
        failures.append(f"{table_file} does not mark line {line}: {marked}")
    circled = evaluate(browser, session, f"window.report.circles[{json.dumps(table_file)}] || []")
    if not any(circle["line"] == line for circle in circled):
        failures.append(f"no point of line {line} is circled in the plot of {table_file}: {circled}")
    box = table_box(browser, session, table_file)
    if box is None:
        return failures + [f"no plot of {table_file}"]
    if str(line) not in box["markedLines"].split(","):
        failures.append(f"the plot of {table_file} does not mark line {line} ({box['markedLines']})")
    row = evaluate(browser, session, f"""(() => {{
        const tr = document.querySelector('#{box['id']} tr[data-line="{line}"]');
        return tr ? {{first: tr.cells[0].textContent, marked: tr.querySelectorAll('.marked-cell').length
                     + (tr.classList.contains('marked-row') ? 1 : 0)}} : null;
    }})()""")
    if row is None or row["first"] != str(line) or row["marked"] == 0:
        failures.append(f"the points of {table_file} do not show line {line} marked: {row}")
    if evaluate(browser, session, "document.querySelectorAll('#findings tr').length") < 2:
        failures.append("the findings are not listed")
    return failures + check_finding_links_both_ways(browser, session, table_file, line, box)


def check_stopped_vehicle(browser, session, table_file, line, field):
    """The start-up stopped at LINE of TABLE_FILE, in its field FIELD (from 0): that table shows what was
    read and the unreadable row with that cell circled under the finding's line; the tables read after
    it are marked as not read, and none is drawn."""
    failures = []
    box = table_box(browser, session, table_file)
    if box is None or box["status"] != "stopped":
        return [f"the table {table_file} is not shown as the place the start-up stopped: {box}"]
    row = evaluate(browser, session, f"""(() => {{
        const tr = document.querySelector('#{box['id']} tr.unreadable[data-line="{line}"]');
        if (!tr) return null;
        const cell = tr.querySelector('td.unreadable-cell');
        return {{first: tr.cells[0].textContent, field: cell ? cell.dataset.field : null,
                 circledByFinding: cell ? cell.classList.contains('marked-cell') : false,
                 visible: tr.getBoundingClientRect().height > 0}};
    }})()""")
    if row is None:
        failures.append(f"the unreadable row, line {line}, of {table_file} is not shown")
    else:
        if row["first"] != str(line):
            failures.append(f"the unreadable row is numbered {row['first']}, the finding says line {line}")
        if row["field"] != str(field) or not row["circledByFinding"]:
            failures.append(f"the unreadable row is circled at field {row['field']} "
                            f"(by the finding: {row['circledByFinding']}), not at field {field}")
        if not row["visible"]:
            failures.append("the unreadable row is hidden")
    unread = evaluate(browser, session, """[...document.querySelectorAll('section.chart')]
        .filter(b => b.dataset.status === 'not read')
        .map(b => ({file: b.dataset.file, text: b.querySelector('.status').textContent,
                    canvases: b.querySelectorAll('canvas').length, points: b.querySelectorAll('tr[data-line]').length}))""")
    needles = ["NeedleTable/Pressure.csv", "NeedleTable/Speed.csv", "NeedleTable/Current.csv", "NeedleTable/Voltage.csv"]
    later = needles[needles.index(table_file) + 1:] if table_file in needles else []
    unread_files = [table["file"] for table in unread]
    for name in later:
        if name not in unread_files:
            failures.append(f"{name} is not marked as not read: {unread_files}")
    place = f"{table_file}, line {line}"
    for table in unread:
        if place not in table["text"]:
            failures.append(f"{table['file']} says {table['text']!r}, not where the start-up stopped ({place})")
        if table["canvases"] or table["points"]:
            failures.append(f"{table['file']} was not read but is drawn")
    return failures + check_finding_links_both_ways(browser, session, table_file, line, box)


def check_japanese(browser, session):
    """A report written with --lang ja: the page is Japanese, reads in Japanese fonts on Windows, and
    no word of the page's own is left in English where the catalogue has it in Japanese."""
    failures = []
    page = evaluate(browser, session, r"""(() => {
        const texts = window.report.data.texts;
        const english = Object.keys(texts).filter(key => /^[A-Za-z][A-Za-z ()\/,.'-]{2,}$/.test(key)
            && texts[key] !== key);
        const chrome = [...document.querySelectorAll('h1, h2, th, summary, .status, #load-outcome, .meta, ' +
            '.hint, #findings td:first-child, .table-findings li, .u-legend th, .u-label')]
            .map(e => e.textContent.replace(/\S*[\/\\]\S*/g, ''));  // file and folder names are the author's
        const left = [];
        for (const key of english) {
            const word = new RegExp('(^|[^A-Za-z])' + key.replace(/[()\/.]/g, '\\$&') + '($|[^A-Za-z])');
            chrome.forEach(text => { if (word.test(text)) left.push(key + ' in ' + JSON.stringify(text)); });
        }
        const joined = [...document.querySelectorAll('h1, p.meta, #load-outcome')].map(e => e.textContent)
            .filter(text => text.includes(': '));
        const numbers = document.querySelector('table.numbers td, .panel-value, .digits');
        return {lang: document.documentElement.lang, left: left.slice(0, 10), joined: joined,
                body: getComputedStyle(document.body).fontFamily,
                numbers: numbers ? getComputedStyle(numbers).fontFamily : null,
                outcome: (document.getElementById('load-outcome') || {}).textContent || null};
    })()""")
    if page["lang"] != "ja":
        failures.append(f"the page's language is {page['lang']!r}, not ja")
    fonts = [name.strip().strip('"') for name in page["body"].split(",")]
    if fonts[:2] != ["Meiryo", "Yu Gothic UI"]:
        failures.append(f"the page's fonts begin {fonts[:2]}, not Meiryo and Yu Gothic UI")
    if page["numbers"] is not None and not page["numbers"].strip().strip('"').startswith("MS Gothic"):
        failures.append(f"the numbers are set in {page['numbers']}, not in a Japanese monospace first")
    for left in page["left"]:
        failures.append("English left in the Japanese page: " + left)
    for text in page["joined"]:
        failures.append(f"words joined by an ASCII colon in the Japanese page: {text!r}")
    if page["outcome"] is not None and ("。" not in page["outcome"] or ". " in page["outcome"]):
        failures.append(f"the start-up's outcome is not punctuated in Japanese: {page['outcome']!r}")
    return failures


def main(arguments):
    kind, report_path = arguments[0], arguments[1]
    failures, trace = [], None
    if kind == "reduced":
        # The trace first, before the browser takes its share of the machine.
        started = time.time()
        if "--" in arguments:
            command = arguments[arguments.index("--") + 1:]
            arguments = arguments[:arguments.index("--")]
            trace, status, output = run_into_fifo(command, arguments[2])
            if status != 0:
                failures.append(f"the run exited with {status}: {output[-2000:]}")
        else:
            trace = read_trace_file(arguments[2])
        print(f"reduced: the run and the reading of its trace ({trace.frames} frames) took "
              f"{time.time() - started:.1f} s, of which the reader's processor time {time.process_time():.1f} s")
        if trace.frames == 0:
            failures.append("the trace has no frames")
        if failures:
            for failure in failures:
                print("FAIL:", failure)
            return 1
    browser = Browser()
    try:
        started = time.time()
        session = open_page(browser, report_path)
        ready = evaluate(browser, session, "document.body.getAttribute('data-ready')")
        failures = [] if ready == "1" else ["the page's script did not finish"]
        if not failures:
            if kind == "stopped":
                failures += check_stopped(browser, session, arguments[2])
                shot = arguments[3]
            elif kind in ("run", "reduced"):
                failures += check_axis_labels(browser, session, "the whole run")
                failures += check_run(browser, session, arguments[2]) if kind == "run" else \
                    check_reduced(browser, session, trace)
                failures += check_zoomed_axis_labels(browser, session)
                # A range on every dial, then plain values, at rest and in a hold stage.
                failures += check_panel_text(browser, session, evaluate(browser, session, PANEL_TIMES_JS))
                # A reduced run is shown zoomed to 20 s after its departure.
                evaluate(browser, session, "window.report.showAt(20, true)" if kind == "run" else
                         "window.report.goTo(20)")
                if kind == "reduced":
                    time.sleep(0.2)
                    failures += check_steady_series(browser, session)
                shot = arguments[3]
            elif kind == "vehicle":
                failures += check_vehicle(browser, session, arguments[2], arguments[3])
                failures += check_axis_labels(browser, session, "the vehicle report")
                failures += check_vehicle_follows_window(browser, session)
                failures += check_vehicle_legends(browser, session)
                failures += check_module_rows(browser, session)
                shot = arguments[4]
            elif kind == "vehicle-stopped":
                failures += check_stopped_vehicle(browser, session, arguments[2], arguments[3], arguments[4])
                shot = arguments[5]
            else:
                failures += check_japanese(browser, session)
                if evaluate(browser, session, "window.report.data.kind") == "run":
                    failures += check_legend_names(browser, session)
                    failures += check_axis_labels(browser, session, "the whole run")
                    failures += check_zoomed_axis_labels(browser, session)
                shot = arguments[2]
            screenshot(browser, session, shot)
            if kind == "reduced":
                # The whole run, hovered in a group without kept frames: bands, ranges on the dials.
                evaluate(browser, session, """(() => {
                    const r = window.report, b = r.data.buckets;
                    const k = r.covered.findIndex((covered, i) => !covered && i > b.length / 2);
                    r.plots[0].setScale("x", {min: 0, max: r.data.meta.endMs / 1000});
                    if (k >= 0) r.showAt((b[k][0] + b[k][1]) / 2, true);
                })()""")
                screenshot(browser, session, os.path.splitext(shot)[0] + "-range.png")
                print(f"reduced: the checks in the browser took {time.time() - started:.1f} s")
        failures += page_problems(browser, report_path)
    finally:
        browser.close()
    for failure in failures:
        print("FAIL:", failure)
    print(f"{kind} report {report_path}: {'failed' if failures else 'passed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
