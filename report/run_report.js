// The run report: the run on one shared time axis (zoom by dragging,
// double-click to zoom out, a cursor that reads values in the legends) and a
// panel view at the time under the cursor.
orvalisPage.runReport = function () {
  "use strict";
  var page = orvalisPage, data = page.data, t = page.t, element = page.element, child = page.child;
  var svg = page.svg, palette = page.palette, plotWidth = page.plotWidth;
  var meta = data.meta;
  var column = {};
  meta.series.forEach(function (name, k) { column[name] = k + 1; });
  var rows = data.rows;
  var columns = [rows.map(function (row) { return row[0]; })];
  meta.series.forEach(function (name, k) {
    columns.push(rows.map(function (row) { return row[k + 1]; }));
  });
  function series(name) { return columns[column[name]]; }

  element("h1", {}, [meta.scenario]);
  element("p", { "class": "meta" }, [t("vehicle_label") + t(": ") + meta.vehicle]);
  element("p", { "class": "meta", id: "state-source" }, [t("state_label") + t(": ") + meta.stateSource]);
  element("p", { "class": "meta" }, [data.end.frames + " " + t("frames") + ", " + data.end.rows + " " +
    t("rows of data") + ", " + data.end.events + " " + t("events") +
    (meta.bucketFrames > 1 ? "; " + t("each row of this report stands for") + " " + meta.bucketFrames + " " +
      t("frames (minimum and maximum kept)") : "")]);
  element("p", { "class": "hint" }, [t("hint")]);

  var layout = element("div", { "class": "layout" });
  var charts = child(layout, "div", { "class": "charts" });
  var side = child(layout, "div", { "class": "side" });

  // Bands where a state series is non-zero: [from, to, value].
  function bands(values) {
    var found = [], start = -1, value = 0;
    for (var i = 0; i <= values.length; i++) {
      var v = i < values.length ? values[i] : 0;
      if (v !== value || v === null) {
        if (value) found.push([columns[0][start], columns[0][i - 1 < 0 ? 0 : i - 1], value]);
        start = i;
        value = v || 0;
      }
    }
    return found;
  }
  var holdBands = meta.hasCore ? bands(series("hold_stage")) : [];
  var shiftBands = meta.hasCore ? bands(series("brake_shift")) : [];
  var overlapBands = meta.hasCore ? bands(series("overlap_cut")) : [];
  var bandColours = { hold1: "rgba(255,165,0,0.18)", hold2: "rgba(255,99,71,0.18)",
                      shift: "rgba(70,130,180,0.18)", overlap: "rgba(128,0,128,0.15)" };

  function shade(u, list, colour) {
    var ctx = u.ctx, top = u.bbox.top, height = u.bbox.height;
    list.forEach(function (band) {
      var from = u.valToPos(band[0], "x", true), to = u.valToPos(band[1], "x", true);
      ctx.fillStyle = typeof colour === "function" ? colour(band[2]) : colour;
      ctx.fillRect(from, top, Math.max(1, to - from), height);
    });
  }
  function drawMarkers(u) {
    var ctx = u.ctx;
    ctx.save();
    ctx.setLineDash([4, 4]);
    data.markers.forEach(function (marker) {
      var x = u.valToPos(marker[0], "x", true);
      if (x < u.bbox.left || x > u.bbox.left + u.bbox.width) return;
      ctx.strokeStyle = marker[1] ? "rgba(0,128,0,0.6)" : "rgba(0,0,0,0.25)";
      ctx.beginPath();
      ctx.moveTo(x, u.bbox.top);
      ctx.lineTo(x, u.bbox.top + u.bbox.height);
      ctx.stroke();
    });
    ctx.restore();
  }
  function stateShading(u) {
    shade(u, holdBands, function (stage) { return stage === 1 ? bandColours.hold1 : bandColours.hold2; });
    shade(u, shiftBands, bandColours.shift);
    shade(u, overlapBands, bandColours.overlap);
  }

  var plots = [];
  var syncing = false;
  function syncScale(u, key) {
    if (key !== "x" || syncing) return;
    syncing = true;
    var min = u.scales.x.min, max = u.scales.x.max;
    plots.forEach(function (other) { if (other !== u) other.setScale("x", { min: min, max: max }); });
    syncing = false;
  }
  var cursorTime = null;
  function cursorMoved(u) {
    var idx = u.cursor.idx;
    if (idx === null || idx === undefined) return;
    var time = u.data[0][idx];
    if (time !== cursorTime) showPanelAt(time, false);
  }

  function plot(title, id, seriesList, options) {
    options = options || {};
    var box = child(charts, "section", { "class": "chart", id: id });
    child(box, "h2", {}, [title]);
    var plotData = options.data || [columns[0]].concat(seriesList.map(function (s) { return s.values; }));
    var opts = {
      width: plotWidth(),
      height: options.height || 200,
      cursor: { sync: { key: "run", setSeries: false }, drag: { x: true, y: false } },
      scales: Object.assign({ x: { time: false } }, options.scales || {}),
      axes: [{ label: t("time (s)") }].concat(options.axes || [{}]),
      series: [{ label: t("time"), value: function (u, v) { return v === null ? "-" : v.toFixed(3) + " s"; } }]
        .concat(seriesList.map(function (s) { return s.options; })),
      hooks: {
        drawClear: [function (u) { if (options.shaded) stateShading(u); }],
        draw: [drawMarkers],
        setScale: [syncScale],
        setCursor: [cursorMoved],
      },
    };
    var u = new uPlot(opts, plotData, box);
    plots.push(u);
    return u;
  }
  function line(name, label, colour, extra) {
    return { values: series(name), options: Object.assign({ label: label, stroke: colour, width: 1.5 }, extra || {}) };
  }
  var stepped = { paths: uPlot.paths.stepped({ align: 1 }) };

  plot(t("Speed (km/h)"), "chart-speed", [line("speed", t("speed"), palette[0])]);
  var currentSeries = [line("current", t("current"), palette[1], { width: 2 })];
  if (meta.hasCore) {
    for (var k = 1; k <= 5; k++)
      currentSeries.push(line("step" + k, t("selected step") + " " + k, palette[(k + 1) % palette.length],
        { dash: [6, 3], width: 1 }));
    currentSeries.push(line("hold1", t("hold stage 1 curve"), "#ff8c00", { dash: [2, 3], width: 1 }));
    currentSeries.push(line("hold2", t("hold stage 2 curve"), "#ff6347", { dash: [2, 3], width: 1 }));
    currentSeries.push(line("ammeter", t("ammeter"), "#555", { width: 1, show: false }));
  }
  plot(t("Traction current (A)"), "chart-current", currentSeries, { shaded: true, height: 240 });
  var handleSeries = [
    line("power_in", t("power (driver)"), palette[2], Object.assign({ dash: [5, 3] }, stepped)),
    line("power_out", t("power (returned)"), palette[2], Object.assign({ width: 2 }, stepped)),
    line("brake_in", t("brake (driver)"), palette[1], Object.assign({ dash: [5, 3] }, stepped)),
    line("brake_out", t("brake (returned)"), palette[1], Object.assign({ width: 2 }, stepped)),
    line("reverser_in", t("reverser (driver)"), palette[3], Object.assign({ dash: [5, 3] }, stepped)),
    line("reverser_out", t("reverser (returned)"), palette[3], Object.assign({ width: 2 }, stepped)),
  ];
  if (meta.hasCore) {
    handleSeries.push(line("hold_stage", t("hold stage"), "#ff8c00", stepped));
    handleSeries.push(line("brake_shift", t("brake-shift mode"), "#4682b4", stepped));
    handleSeries.push(line("start_cut", t("start cut"), "#999", Object.assign({ show: false }, stepped)));
    handleSeries.push(line("overlap_cut", t("overlap cut"), "#800080", stepped));
  }
  plot(t("Handles"), "chart-handles", handleSeries, { shaded: true, height: 240 });
  plot(t("Pressure (kPa) and line voltage (V)"), "chart-pressure", [
    line("bc", t("brake cylinder"), palette[4]),
    line("mr", t("main reservoir"), palette[5]),
    // The plug-in's line voltage is a random walk: the copy run inside
    // cabhost draws its own, so this is not step for step the library's.
    line("line_voltage", t("line voltage"), palette[7], { scale: "V" }),
  ], { scales: { V: {} }, axes: [{}, { scale: "V", side: 1, grid: { show: false } }] });

  // Lamps and sounds: one lane each, drawn from the events.
  var events = data.events;
  var byIndex = { p: {}, s: {} };
  events.forEach(function (event) {
    var list = byIndex[event[1]][event[2]] || (byIndex[event[1]][event[2]] = []);
    list.push([event[0], event[3]]);
  });
  function nameOf(list, index) {
    for (var i = 0; i < list.length; i++) if (list[i][0] === index) return list[i][1];
    return String(index);
  }
  var lampIndices = meta.lamps.filter(function (index) { return meta.digits.indexOf(index) < 0; });
  var soundIndices = meta.sounds.filter(function (index) {
    return (byIndex.s[index] || []).some(function (e) { return e[1] === 1 || e[1] === 0; });
  });
  var times = {};
  events.forEach(function (event) { times[event[0]] = true; });
  times[columns[0][0]] = true;
  times[columns[0][columns[0].length - 1]] = true;
  var laneX = Object.keys(times).map(Number).sort(function (a, b) { return a - b; });
  var laneSeries = [];
  var lane = 0;
  lampIndices.forEach(function (index) {
    var changes = byIndex.p[index] || [], at = 0, value = 0, base = lane;
    var values = laneX.map(function (time) {
      while (at < changes.length && changes[at][0] <= time) value = changes[at++][1];
      return base + (value ? 0.7 : 0);
    });
    laneSeries.push({ values: values, options: Object.assign({
      label: t("lamp") + " " + index + " " + nameOf(meta.panelNames, index), stroke: palette[lane % 10],
      width: 2, points: { show: false },
      value: function (u, v) { return v === null ? "-" : (v - base > 0.3 ? t("on") : t("off")); } }, stepped) });
    lane++;
  });
  soundIndices.forEach(function (index) {
    var changes = byIndex.s[index] || [], base = lane, at = 0;
    var values = laneX.map(function (time) {
      while (at < changes.length && changes[at][0] < time) at++;
      if (at < changes.length && changes[at][0] === time) {
        var command = changes[at][1];
        if (command === 1) return base + 0.5;
        if (command === 0) return base + 0.8;
        if (command === -10000) return base + 0.1;
      }
      return null;
    });
    laneSeries.push({ values: values, options: {
      label: t("sound") + " " + index + " " + nameOf(meta.soundNames, index), stroke: palette[lane % 10],
      paths: function () { return null; }, points: { show: true, size: 7 },
      value: function (u, v) {
        if (v === null) return "-";
        var part = v - base;
        return part > 0.7 ? t("looped") : part > 0.3 ? t("played") : t("stopped");
      } } });
    lane++;
  });
  var eventPlot = plot(t("Lamps and sounds"), "chart-events", laneSeries, {
    data: [laneX].concat(laneSeries.map(function (s) { return s.values; })),
    height: Math.max(120, 22 * lane + 40),
    scales: { y: { range: [0, Math.max(1, lane)] } },
    axes: [{ show: false }],
  });

  // Scenario events and notes, listed; a click moves the panel there.
  child(charts, "h2", {}, [t("Scenario events")]);
  var list = child(charts, "ol", { "class": "markers", id: "markers" });
  data.markers.forEach(function (marker) {
    var item = child(list, "li", { "class": marker[1] ? "note" : "event" },
      [marker[0].toFixed(3) + " s  " + (marker[1] ? t("note") + ": " : "") + marker[2]]);
    item.addEventListener("click", function () { showPanelAt(marker[0], true); });
  });

  // The panel view.
  child(side, "h2", {}, [t("Panel")]);
  var timeLabel = child(side, "p", { id: "panel-time", "class": "panel-time" }, ["0.000 s"]);
  var slider = child(side, "input", { type: "range", id: "panel-slider", min: "0", max: String(rows.length - 1),
    value: "0", step: "1" });
  var dialBox = svg(side, "svg", { viewBox: "0 0 330 420", width: "330", height: "420", id: "panel-view" });
  var needles = [[22, "speed"], [26, "current"], [130, "brake cylinder"], [133, "main reservoir"],
                 [232, "line voltage"]];
  var needleScale = {};
  needles.forEach(function (needle) {
    var values = series("needle_" + needle[0]), top = 1;
    values.forEach(function (v) { if (v !== null && Math.abs(v) > top) top = Math.abs(v); });
    var magnitude = Math.pow(10, Math.floor(Math.log10(top)));
    needleScale[needle[0]] = Math.ceil(top / magnitude) * magnitude;
  });
  var dials = {};
  needles.forEach(function (needle, k) {
    var cx = 60 + (k % 3) * 105, cy = 65 + Math.floor(k / 3) * 135;
    svg(dialBox, "circle", { cx: cx, cy: cy, r: 45, "class": "dial" });
    var hand = svg(dialBox, "line", { x1: cx, y1: cy, x2: cx, y2: cy - 40, "class": "hand",
      "data-index": needle[0] });
    var label = svg(dialBox, "text", { x: cx, y: cy + 62, "class": "dial-label" });
    label.textContent = t(needle[1]) + " (" + needle[0] + ")";
    var value = svg(dialBox, "text", { x: cx, y: cy + 24, "class": "panel-value", "data-index": needle[0] });
    dials[needle[0]] = { hand: hand, value: value, cx: cx, cy: cy };
  });
  var lampGroup = { y: 330 };
  var lamps = {};
  lampIndices.forEach(function (index, k) {
    var cx = 25 + k * 42;
    var circle = svg(dialBox, "circle", { cx: cx, cy: lampGroup.y, r: 12, "class": "lamp", "data-index": index });
    var label = svg(dialBox, "text", { x: cx, y: lampGroup.y + 26, "class": "lamp-label" });
    label.textContent = String(index);
    lamps[index] = circle;
  });
  var digitsText = svg(dialBox, "text", { x: 165, y: 400, "class": "digits", id: "panel-digits" });

  function rowAt(time) {
    var times = columns[0], low = 0, high = times.length - 1;
    if (time <= times[0]) return 0;
    while (low < high) {
      var mid = (low + high + 1) >> 1;
      if (times[mid] <= time) low = mid; else high = mid - 1;
    }
    return low;
  }
  function panelValueAt(index, time) {
    var changes = byIndex.p[index] || [], low = 0, high = changes.length - 1, found = 0;
    while (low <= high) {
      var mid = (low + high) >> 1;
      if (changes[mid][0] <= time) { found = changes[mid][1]; low = mid + 1; } else high = mid - 1;
    }
    return found;
  }
  var shown = {};
  function showPanelAt(time, moveCursor) {
    var row = rowAt(time);
    var rowTime = columns[0][row];
    cursorTime = rowTime;
    shown = { row: row, time: rowTime, needles: {}, lamps: {}, digits: "" };
    timeLabel.textContent = rowTime.toFixed(3) + " s";
    slider.value = String(row);
    needles.forEach(function (needle) {
      var value = series("needle_" + needle[0])[row];
      var dial = dials[needle[0]];
      var angle = (-135 + 270 * Math.max(0, Math.min(1, (value || 0) / needleScale[needle[0]]))) * Math.PI / 180;
      dial.hand.setAttribute("x2", dial.cx + 40 * Math.sin(angle));
      dial.hand.setAttribute("y2", dial.cy - 40 * Math.cos(angle));
      dial.value.textContent = value === null ? "-" : String(value);
      shown.needles[needle[0]] = value;
    });
    lampIndices.forEach(function (index) {
      var value = panelValueAt(index, rowTime);
      lamps[index].setAttribute("class", value ? "lamp on" : "lamp");
      shown.lamps[index] = value;
    });
    shown.digits = meta.digits.map(function (index) {
      var digit = panelValueAt(index, rowTime);
      return digit === 10 ? "-" : String(digit);
    }).join("");
    digitsText.textContent = t("digits") + " " + shown.digits;
    if (moveCursor) {
      plots.forEach(function (u) {
        if (u === eventPlot) return;
        var x = u.valToPos(rowTime, "x");
        if (x >= 0 && x <= u.bbox.width / devicePixelRatio) u.setCursor({ left: x, top: 10 });
      });
    }
  }
  slider.addEventListener("input", function () { showPanelAt(columns[0][Number(slider.value)], true); });
  showPanelAt(columns[0][0], false);

  window.report = { data: data, columns: columns, column: column, plots: plots, showPanelAt: showPanelAt,
    shown: function () { return shown; }, holdBands: holdBands, shiftBands: shiftBands };
};
