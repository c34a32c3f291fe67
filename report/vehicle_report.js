// The vehicle report: the curves and needle tables as the plug-in loaded
// them, each point with the file line it came from; the files the start-up
// did not reach; the row it stopped at, with the unreadable cell circled;
// the module list; and the findings of the check, linked to the places they
// concern and back.
orvalisPage.vehicleReport = function () {
  "use strict";
  var page = orvalisPage, data = page.data, t = page.t, element = page.element, child = page.child;
  var palette = page.palette, plotWidth = page.plotWidth;
  var vehicle = data.vehicle, findings = data.findings;
  function lineText(line) { return t("line {1}").replace("{1}", String(line)); }
  function link(parent, href, text, className) {
    return child(parent, "a", { href: href, "class": className }, [text]);
  }

  element("h1", {}, [t("Vehicle") + t(": ") + vehicle.folder]);
  element("p", { "class": "meta", id: "load-outcome" }, [vehicle.outcome]);

  // Where each finding is shown: the table of its file, or the module list.
  var tableIds = {};
  vehicle.tables.forEach(function (table, k) { if (table.file) tableIds[table.file] = "table-" + k; });
  function placeOf(finding) {
    if (tableIds[finding.file]) return "#" + tableIds[finding.file];
    if (finding.file === "detailmodulesx64.txt") return "#modules";
    return null;
  }

  element("h2", {}, [t("Findings")]);
  if (!findings.length) element("p", { id: "no-findings" }, [t("No findings.")]);
  else {
    var list = element("table", { "class": "findings", id: "findings" });
    var head = child(list, "tr", {});
    [t("severity"), t("file"), t("what was found"), t("what the plug-in does"), t("how to fix it")]
      .forEach(function (title) { child(head, "th", {}, [title]); });
    findings.forEach(function (finding, k) {
      var where = finding.file + (finding.line ? ":" + finding.line : "") + (finding.column ? ":" + finding.column : "") +
        (finding.field ? " (" + finding.field + ")" : "");
      var row = child(list, "tr", { "class": "severity-" + finding.severity, id: "finding-" + k });
      child(row, "td", {}, [t("severity-" + finding.severity)]);
      var placeCell = child(row, "td", { "class": "place" });
      var target = placeOf(finding);
      if (target) link(placeCell, target, where, "to-plot");
      else placeCell.appendChild(document.createTextNode(where));
      [finding.found, finding.message, finding.fix].forEach(function (cell) { child(row, "td", {}, [cell || ""]); });
    });
  }

  function findingLinks(parent, marks) {
    var seen = {};
    var items = child(parent, "ul", { "class": "table-findings" });
    marks.forEach(function (mark) {
      if (seen[mark.finding]) return;
      seen[mark.finding] = true;
      var finding = findings[mark.finding];
      var item = child(items, "li", { "class": "severity-" + finding.severity });
      link(item, "#finding-" + mark.finding, (finding.line ? lineText(finding.line) + t(": ") : "") +
        t("severity-" + finding.severity) + t(": ") + finding.message, "to-finding");
    });
  }

  // Whether a mark concerns point `column` of a row: the whole row, its input
  // (every curve of the row starts from it), or that very column.
  function markHits(mark, line, column) {
    return mark.line === line && (mark.field <= 0 || mark.field === column);
  }

  var marked = {}, circles = {}, plots = [];
  function chartWidth() { return Math.min(900, plotWidth() + 200); }
  function plot(box, table, xLabel, yLabel) {
    var entries = [];
    table.series.forEach(function (series, s) {
      series.points.forEach(function (point) { entries.push({ s: s, x: point[0], y: point[1], line: point[2] }); });
    });
    entries.sort(function (a, b) { return a.x - b.x; });
    // One column of the chart's data for each input, holding every series'
    // point there, so that hovering an input reads all the curves at it. A
    // second point of one series at the same input (a repeated row) takes a
    // column of its own.
    var xs = [], columns = [];
    entries.forEach(function (entry) {
      var last = columns[columns.length - 1];
      if (!last || xs[xs.length - 1] !== entry.x || entry.s in last) {
        xs.push(entry.x);
        columns.push(last = {});
      }
      last[entry.s] = entry.y;
      entry.index = xs.length - 1;
    });
    var plotData = [xs];
    var options = [{ label: xLabel }];
    table.series.forEach(function (series, s) {
      plotData.push(columns.map(function (column) { return s in column ? column[s] : null; }));
      options.push({ label: series.name, stroke: series.used ? palette[s % palette.length] : "rgba(0,0,0,0.3)",
        width: series.used ? 2 : 1, spanGaps: true, points: { show: true, size: series.used ? 6 : 4 } });
    });
    var hits = [];
    entries.forEach(function (entry) {
      var column = table.series[entry.s].column;
      if (table.marks.some(function (mark) { return markHits(mark, entry.line, column); }))
        hits.push({ index: entry.index, s: entry.s, line: entry.line, column: column });
    });
    circles[table.file] = hits.map(function (hit) { return { line: hit.line, column: hit.column }; });
    plots.push(new uPlot({
      width: chartWidth(), height: 260,
      scales: { x: { time: false } },
      axes: [{ label: xLabel }, { label: yLabel }],
      series: options,
      hooks: { draw: [function (u) {
        var ctx = u.ctx;
        ctx.save();
        ctx.strokeStyle = "#e00000";
        ctx.lineWidth = 2.5;
        hits.forEach(function (hit) {
          ctx.beginPath();
          ctx.arc(u.valToPos(u.data[0][hit.index], "x", true), u.valToPos(u.data[hit.s + 1][hit.index], "y", true),
            8, 0, 2 * Math.PI);
          ctx.stroke();
        });
        ctx.restore();
      }] },
    }, plotData, box));
  }

  // The loaded points by file line, then the row the reader stopped at with
  // its unreadable cell circled.
  function rowsTable(box, table, xLabel) {
    var rows = [], byLine = {};
    table.series.forEach(function (series, s) {
      series.points.forEach(function (point) {
        var key = point[2] ? String(point[2]) : "?" + rows.length;
        if (!byLine[key]) { byLine[key] = { line: point[2], x: point[0], values: {} }; rows.push(byLine[key]); }
        byLine[key].values[s] = point[1];
      });
    });
    rows.sort(function (a, b) { return a.x - b.x; });
    var details = child(box, "details", { "class": "rows" });
    if (table.marks.length || table.unreadable) details.setAttribute("open", "");
    child(details, "summary", {}, [t("the points as the plug-in read them")]);
    var grid = child(details, "table", { "class": "numbers" });
    var head = child(grid, "tr", {});
    child(head, "th", {}, [t("line")]);
    child(head, "th", {}, [xLabel]);
    table.series.forEach(function (series) { child(head, "th", {}, [series.name]); });
    function markRow(tr, line) {
      if (table.marks.some(function (mark) { return mark.line === line && mark.field < 0; }))
        tr.classList.add("marked-row");
    }
    function markCell(td, line, column) {
      if (table.marks.some(function (mark) { return mark.line === line && mark.field === column; }))
        td.classList.add("marked-cell");
    }
    rows.forEach(function (row) {
      var tr = child(grid, "tr", { "data-line": String(row.line) });
      child(tr, "td", {}, [row.line ? String(row.line) : "?"]);
      markRow(tr, row.line);
      markCell(child(tr, "td", {}, [String(row.x)]), row.line, 0);
      table.series.forEach(function (series, s) {
        var value = row.values[s];
        markCell(child(tr, "td", {}, [value === undefined ? "" : String(value)]), row.line, series.column);
      });
    });
    if (!table.unreadable) return;
    var bad = table.unreadable;
    var tr = child(grid, "tr", { "class": "unreadable", "data-line": String(bad.line) });
    child(tr, "td", {}, [String(bad.line)]);
    markRow(tr, bad.line);
    // The row's own cells, in the columns of the table: the input, then each
    // loaded column; a field the row lacks stays an empty cell.
    var columns = [0].concat(table.series.map(function (series) { return series.column; }));
    columns.forEach(function (column) {
      var td = child(tr, "td", { "data-field": String(column) }, [column < bad.cells.length ? bad.cells[column] : ""]);
      if (column === bad.field) td.classList.add("unreadable-cell");
      markCell(td, bad.line, column);
    });
  }

  function tableBox(parent, table, k, xLabel, yLabel) {
    var box = child(parent, "section", { "class": "chart status-" + table.status.replace(/ /g, "-"), id: "table-" + k,
      "data-file": table.file, "data-status": table.status });
    child(box, "h3", {}, [table.file || t(table.kind === "power" ? "powering curves" : "braking curves")]);
    if (table.statusText) child(box, "p", { "class": "status" }, [table.statusText]);
    marked[table.file] = table.marks.map(function (mark) { return mark.line; });
    box.setAttribute("data-marked-lines", marked[table.file].join(","));
    var points = table.series.some(function (series) { return series.points.length; });
    if (points) plot(box, table, xLabel, yLabel);
    if (table.marks.length) findingLinks(box, table.marks);
    if (points || table.unreadable) rowsTable(box, table, xLabel);
  }

  element("h2", {}, [t("Current curves")]);
  var curveBox = element("div", {});
  element("h2", {}, [t("Needle tables")]);
  var needleBox = element("div", {});
  vehicle.tables.forEach(function (table, k) {
    if (table.kind === "needle") tableBox(needleBox, table, k, t("input"), t("output"));
    else tableBox(curveBox, table, k, t("speed") + " (km/h)", t("current") + " (A)");
  });

  element("h2", {}, [t("Module list")]);
  var modules = element("table", { "class": "modules", id: "modules" });
  var head = child(modules, "tr", {});
  [t("line"), t("file"), t("outcome")].forEach(function (title) { child(head, "th", {}, [title]); });
  vehicle.modules.forEach(function (module) {
    // An empty line names the plug-in's own folder, which loads nothing: it
    // is said as what it is, not as a skipped module.
    var row = child(modules, "tr", { "class": module.empty ? "outcome-empty" : "outcome-" + module.outcome.replace(/ /g, "-"),
      "data-line": String(module.line) });
    child(row, "td", {}, [String(module.line)]);
    child(row, "td", {}, [module.empty ? "" : module.path]);
    var outcome = child(row, "td", {}, [module.empty ? t("an empty line: it names no module")
      : t(module.outcome) + (module.reason ? t(": ") + module.reason : "")]);
    findings.forEach(function (finding, k) {
      if (finding.file === "detailmodulesx64.txt" && finding.line === module.line)
        link(outcome, "#finding-" + k, " [" + t("severity-" + finding.severity) + "]", "to-finding");
    });
  });

  window.addEventListener("resize", function () {
    var width = chartWidth();
    plots.forEach(function (u) { u.setSize({ width: width, height: u.height }); });
  });

  window.report = { data: data, marked: marked, circles: circles, plots: plots };
};
