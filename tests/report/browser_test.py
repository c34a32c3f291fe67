#!/usr/bin/env python3
"""Opens a cabhost report in headless Chromium (the system's package) and
checks it: the page loads from disk with no console error and no request
beyond its own file, and what it shows matches what it should.

  browser_test.py run REPORT.html TRACE.csv SCREENSHOT.png
  browser_test.py vehicle REPORT.html FILE ROW SCREENSHOT.png

run:     the series hold as many points as the trace has frames (for a run
         short enough to keep every frame) and the trace's values at chosen
         times; the panel view at a chosen time shows that frame's needles
         and lamps; the hold stages are shaded.
vehicle: the table FILE (as the report names it) marks data row ROW.

Chromium is driven over its DevTools protocol on a pipe (file descriptors 3
and 4), with a fresh profile, no network services and no sandbox.
"""
import base64
import csv
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

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


def check_run(browser, session, trace_path):
    failures = []
    rows = trace_rows(trace_path)
    report = evaluate(browser, session, """(() => {
        const r = window.report, d = r.data;
        return {bucket: d.meta.bucketFrames, points: r.columns[0].length, frames: d.end.frames,
                hasCore: d.meta.hasCore, holdBands: r.holdBands.length, plots: r.plots.length};
    })()""")
    if report["bucket"] != 1:
        failures.append(f"a short run should keep every frame, not groups of {report['bucket']}")
    if report["points"] != len(rows) or report["frames"] != len(rows):
        failures.append(f"{report['points']} points and {report['frames']} frames, the trace has {len(rows)} rows")
    if not report["hasCore"]:
        failures.append("the run had no in-process core, so no state of the plug-in")
    elif report["holdBands"] == 0:
        failures.append("the hold stages are not shaded")
    compared = {"speed": ("speed_kmh", 0.001), "current": ("current_a", 0.01), "power_out": ("power_out", 0),
                "brake_out": ("brake_out", 0), "power_in": ("power_in", 0), "bc": ("bc_kpa", 0.01),
                "hold_stage": ("hold_stage", 0), "overlap_cut": ("overlap_cut", 0),
                "needle_22": ("panel_22", 0), "needle_26": ("panel_26", 0), "step5": ("step_curve_5", 0.01),
                "hold1": ("hold1_curve_a", 0.01)}
    chosen = sorted({0, len(rows) // 7, len(rows) // 3, len(rows) // 2, (2 * len(rows)) // 3, len(rows) - 1})
    for index in chosen:
        row = rows[index]
        time_s = float(row["time_s"])
        values = evaluate(browser, session, f"""(() => {{
            const r = window.report, i = r.columns[0].indexOf({time_s});
            const out = {{index: i}};
            for (const name of {json.dumps(list(compared))}) out[name] = i < 0 ? null : r.columns[r.column[name]][i];
            return out;
        }})()""")
        if values["index"] != index:
            failures.append(f"time {time_s}: at point {values['index']}, the trace has it at row {index}")
            continue
        for name, (trace_column, tolerance) in compared.items():
            expected = row[trace_column]
            expected = None if expected == "" else expected
            if not close_enough(values[name], expected, tolerance):
                failures.append(f"time {time_s}: {name} is {values[name]}, the trace has {expected}")
    # The panel view at a chosen time shows that frame's needle values.
    index = (2 * len(rows)) // 5
    row = rows[index]
    shown = evaluate(browser, session, f"""(() => {{
        window.report.showPanelAt({float(row['time_s'])}, true);
        const out = {{time: document.getElementById('panel-time').textContent, needles: {{}}, lamps: {{}}}};
        document.querySelectorAll('.panel-value').forEach(e => out.needles[e.dataset.index] = e.textContent);
        document.querySelectorAll('circle.lamp').forEach(e => out.lamps[e.dataset.index] = e.classList.contains('on'));
        return out;
    }})()""")
    if shown["time"] != f"{float(row['time_s']):.3f} s":
        failures.append(f"the panel view shows {shown['time']}, not {row['time_s']} s")
    for needle in ("22", "26", "130", "133", "232"):
        if shown["needles"].get(needle) != row["panel_" + needle]:
            failures.append(f"panel view needle {needle}: {shown['needles'].get(needle)}, trace {row['panel_' + needle]}")
    for lamp, on in shown["lamps"].items():
        if on != (row["panel_" + lamp] != "0"):
            failures.append(f"panel view lamp {lamp}: {'on' if on else 'off'}, trace {row['panel_' + lamp]}")
    return failures


def check_vehicle(browser, session, table_file, row):
    failures = []
    marked = evaluate(browser, session, "window.report.marked")
    if int(row) not in (marked or {}).get(table_file, []):
        failures.append(f"{table_file} does not mark row {row}: {marked}")
    attribute = evaluate(browser, session, f"""(() => {{
        const box = [...document.querySelectorAll('section.chart')].find(b => b.dataset.file === {json.dumps(table_file)});
        return box ? box.dataset.markedRows : null;
    }})()""")
    if attribute is None or str(row) not in attribute.split(","):
        failures.append(f"the plot of {table_file} does not mark row {row} ({attribute})")
    if evaluate(browser, session, "document.querySelectorAll('#findings tr').length") < 2:
        failures.append("the findings are not listed")
    return failures


def main(arguments):
    kind, report_path = arguments[0], arguments[1]
    browser = Browser()
    try:
        session = open_page(browser, report_path)
        ready = evaluate(browser, session, "document.body.getAttribute('data-ready')")
        failures = [] if ready == "1" else ["the page's script did not finish"]
        if not failures:
            if kind == "run":
                failures += check_run(browser, session, arguments[2])
                shot = arguments[3]
            else:
                failures += check_vehicle(browser, session, arguments[2], arguments[3])
                shot = arguments[4]
            screenshot(browser, session, shot)
        failures += page_problems(browser, report_path)
    finally:
        browser.close()
    for failure in failures:
        print("FAIL:", failure)
    print(f"{kind} report {report_path}: {'failed' if failures else 'passed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
