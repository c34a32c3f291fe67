// The vehicle report: the vehicle's curves and needle tables, its module
// list and the findings of the check, marking the rows they concern.
orvalisPage.vehicleReport = function () {
  "use strict";
  var page = orvalisPage, data = page.data, t = page.t, element = page.element, child = page.child;
  var svg = page.svg, palette = page.palette, plotWidth = page.plotWidth;
  var vehicle = data.vehicle;
  element("h1", {}, [t("Vehicle") + ": " + vehicle.folder]);
  element("p", { "class": "meta", id: "load-outcome" }, [t("Load") + ": " +
    (vehicle.failure ? t("stopped by an error") + " (" + vehicle.failure + ")" : t("completed"))]);

  element("h2", {}, [t("Findings")]);
  var findings = data.findings;
  if (!findings.length) element("p", { id: "no-findings" }, [t("No findings.")]);
  else {
    var table = element("table", { "class": "findings", id: "findings" });
    var head = child(table, "tr", {});
    [t("severity"), t("file"), t("what was found"), t("what the plug-in does"), t("how to fix it")]
      .forEach(function (title) { child(head, "th", {}, [title]); });
    findings.forEach(function (finding) {
      var place = finding.file + (finding.line ? ":" + finding.line : "") +
        (finding.column ? ":" + finding.column : "") + (finding.field ? " (" + finding.field + ")" : "");
      var row = child(table, "tr", { "class": "severity-" + finding.severity });
      [finding.severity, place, finding.found, finding.message, finding.fix]
        .forEach(function (cell) { child(row, "td", {}, [cell || ""]); });
    });
  }

  // Rows that a finding concerns, by file: data rows and file lines.
  function marksFor(file) {
    var marks = { rows: {}, lines: {} };
    findings.forEach(function (finding) {
      if (finding.file !== file) return;
      (finding.rows || []).forEach(function (row) { marks.rows[row] = true; });
      if (finding.line) marks.lines[finding.line] = true;
    });
    return marks;
  }
  var marked = {};
  function tablePlot(parent, table, seriesNames, selected, xLabel, yLabel) {
    var box = child(parent, "section", { "class": "chart", "data-file": table.file });
    child(box, "h3", {}, [table.file]);
    var marks = marksFor(table.file);
    var rowsMarked = [];
    table.points.forEach(function (point, k) {
      if (marks.rows[point.row] || marks.lines[point.line]) rowsMarked.push(point.row);
    });
    marked[table.file] = rowsMarked;
    box.setAttribute("data-marked-rows", rowsMarked.join(","));
    var xs = table.points.map(function (point) { return point.values[0]; });
    var plotData = [xs];
    var seriesOptions = [{ label: xLabel }];
    seriesNames.forEach(function (name, k) {
      plotData.push(table.points.map(function (point) { return point.values[k + 1]; }));
      var used = selected.indexOf(k + 1) >= 0;
      seriesOptions.push({ label: name + (used ? " *" : ""), stroke: used ? palette[k % 10] : "rgba(0,0,0,0.3)",
        width: used ? 2 : 1, points: { show: true, size: used ? 6 : 4 } });
    });
    new uPlot({
      width: Math.min(900, plotWidth() + 200), height: 260,
      scales: { x: { time: false } },
      axes: [{ label: xLabel }, { label: yLabel }],
      series: seriesOptions,
      hooks: { draw: [function (u) {
        var ctx = u.ctx;
        ctx.save();
        ctx.strokeStyle = "#e00000";
        ctx.lineWidth = 2.5;
        table.points.forEach(function (point, index) {
          if (rowsMarked.indexOf(point.row) < 0) return;
          for (var s = 1; s < u.data.length; s++) {
            if (u.data[s][index] === null || u.data[s][index] === undefined) continue;
            ctx.beginPath();
            ctx.arc(u.valToPos(u.data[0][index], "x", true), u.valToPos(u.data[s][index], "y", true), 8, 0,
              2 * Math.PI);
            ctx.stroke();
          }
        });
        ctx.restore();
      }] },
    }, plotData, box);
    if (rowsMarked.length) child(box, "p", { "class": "marked" },
      [t("row a finding concerns") + ": " + rowsMarked.join(", ")]);
  }

  element("h2", {}, [t("Current curves")]);
  var curveBox = element("div", {});
  vehicle.curves.forEach(function (curve) {
    var names = [];
    for (var k = 1; k < curve.columns; k++) names.push(t("step") + " " + k);
    tablePlot(curveBox, curve, names, curve.selected, t("speed") + " (km/h)", t("current") + " (A)");
  });
  element("p", { "class": "hint" }, ["* " + t("used by the plug-in")]);
  element("h2", {}, [t("Needle tables")]);
  var needleBox = element("div", {});
  vehicle.needles.forEach(function (table) {
    tablePlot(needleBox, table, [t("output")], [1], t("input"), t("output"));
  });

  element("h2", {}, [t("Module list")]);
  var modules = element("table", { "class": "modules", id: "modules" });
  var head = child(modules, "tr", {});
  [t("line"), t("file"), t("outcome")].forEach(function (title) { child(head, "th", {}, [title]); });
  vehicle.modules.forEach(function (module) {
    var row = child(modules, "tr", { "class": "outcome-" + module.outcome.replace(/ /g, "-") });
    child(row, "td", {}, [String(module.line)]);
    child(row, "td", {}, [module.path]);
    child(row, "td", {}, [t(module.outcome) + (module.reason ? ": " + module.reason : "")]);
  });

  window.report = { data: data, marked: marked };
};
