// The run report: what happened at the top, then the run on one shared time
// axis (drag to zoom, double-click to zoom out) and a panel view. Every
// chart, legend and the panel view read one instant: the frame at or before
// the cursor. uPlot gives the axes, the zoom and the cursor; the page draws
// the series itself, so that reduced stretches show as min-max bands at the
// times the extremes occurred and discrete series step at their own frames.
orvalisPage.runReport = function () {
  "use strict";
  var page = orvalisPage, data = page.data, t = page.t, element = page.element, child = page.child;
  var svg = page.svg;
  var meta = data.meta, frameMs = meta.frameMs || 1000 / 60, frameS = frameMs / 1000;
  var endS = meta.endMs / 1000, reduced = meta.bucketFrames > 1, longRun = meta.endMs >= 600000;
  var continuousIndex = {}, discreteIndex = {};
  meta.continuous.forEach(function (name, k) { continuousIndex[name] = k; });
  meta.discrete.forEach(function (name, k) { discreteIndex[name] = k; });
  function words(key, values) {
    var text = t(key);
    (values || []).forEach(function (value, k) { text = text.split("{" + (k + 1) + "}").join(String(value)); });
    return text;
  }

  // ---- Times
  function clock(seconds) {
    var tenths = Math.round(seconds * 10), s = Math.floor(tenths / 10) % 60, m = Math.floor(tenths / 600) % 60;
    var h = Math.floor(tenths / 36000);
    return h + ":" + (m < 10 ? "0" : "") + m + ":" + (s < 10 ? "0" : "") + s + "." + (tenths % 10);
  }
  function timeText(seconds) { return longRun ? clock(seconds) : seconds.toFixed(3) + " s"; }

  // ---- The data
  var detail = data.detail, detailTimes = detail.map(function (row) { return row[0]; });
  var buckets = data.buckets, bucketStart = buckets.map(function (b) { return b[0]; });
  // Last index with list[i] <= value, or -1.
  function atOrBefore(list, value) {
    var low = 0, high = list.length - 1, found = -1;
    while (low <= high) {
      var mid = (low + high) >> 1;
      if (list[mid] <= value + 1e-9) { found = mid; low = mid + 1; } else high = mid - 1;
    }
    return found;
  }
  // A group is covered when every one of its frames is kept as detail too.
  var covered = buckets.map(function (b) {
    return atOrBefore(detailTimes, b[1]) - atOrBefore(detailTimes, b[0] - 1e-6) >= b[2];
  });
  // For a group partly kept as detail, the stretches of it without kept frames.
  var partly = buckets.map(function (bucket, b) {
    var from = atOrBefore(detailTimes, bucket[0] - 1e-6) + 1, to = atOrBefore(detailTimes, bucket[1]);
    if (covered[b] || to < from) return null;
    var spans = [], start = bucket[0];
    for (var i = from; i <= to; i++) {
      if (detailTimes[i] - start > frameS * 0.5) spans.push([start, detailTimes[i]]);
      start = detailTimes[i] + frameS;
    }
    if (bucket[1] - start > -frameS * 0.5) spans.push([start, Math.max(start, bucket[1])]);
    return spans;
  });
  var changes = { v: {}, p: {}, s: {} };
  data.events.forEach(function (event) {
    var list = changes[event[1]][event[2]] || (changes[event[1]][event[2]] = { times: [], values: [] });
    list.times.push(event[0]);
    list.values.push(event[3]);
  });
  function changeList(kind, index) { return changes[kind][index] || { times: [], values: [] }; }
  function stateAt(list, time) {
    var i = atOrBefore(list.times, time);
    return i < 0 ? null : list.values[i];
  }
  function discrete(name) { return changeList("v", discreteIndex[name]); }

  // The instant the cursor stands for: the frame at or before `time`.
  // Frame k plays at k x frameMs rounded to the millisecond, as the run
  // timed it; the division only gives a guess, as the rounding can put a
  // frame's time a little before or after its exact share.
  function frameTime(frame) { return Math.round(frame * frameMs) / 1000; }
  function instantAt(time) {
    time = Math.max(0, Math.min(endS, time));
    var frame = Math.max(0, Math.floor(time / frameS));
    while (frameTime(frame + 1) <= time + 1e-9) frame++;
    while (frame > 0 && frameTime(frame) > time + 1e-9) frame--;
    return frameTime(frame);
  }
  // A continuous series at an instant: the frame's value, or the extremes
  // of the group it lies in.
  function continuousAt(name, time) {
    var k = continuousIndex[name], i = atOrBefore(detailTimes, time);
    if (i >= 0 && Math.abs(detailTimes[i] - time) < 1e-6) return { value: detail[i][k + 1] };
    var b = atOrBefore(bucketStart, time);
    if (b < 0 || time > buckets[b][1] + 1e-6) return null;
    return { min: buckets[b][3 + 4 * k], max: buckets[b][4 + 4 * k], frames: buckets[b][2], from: buckets[b][0],
             to: buckets[b][1] };
  }
  // Where an instant has no kept frame, what the legends and dials show there
  // instead: the extremes of the group it lies in, and which group that is.
  function rangeAt(time) {
    if (!reduced) return null;
    var at = continuousAt(meta.continuous[0], time);
    return at && !("value" in at) ? at : null;
  }
  function rangeText(range) {
    return range ? words("a range here: minimum .. maximum of the {1} frames from {2} to {3}",
      [range.frames, timeText(range.from), timeText(range.to)]) : "";
  }
  function number(value, decimals) { return value === null || value === undefined ? "-" : +value.toFixed(decimals); }
  function continuousText(name, time, decimals) {
    var at = continuousAt(name, time);
    if (!at) return "-";
    if ("value" in at) return String(number(at.value, decimals));
    var low = number(at.min, decimals), high = number(at.max, decimals);
    return low === high ? String(low) : low + " .. " + high;
  }

  // ---- Names
  function nameOf(list, index) {
    for (var i = 0; i < list.length; i++) if (list[i][0] === index) return list[i][1];
    return "";
  }
  var stepRoles = ["lamp floor", "current lamp on", "current lamp off", "not used", "full current"];
  function stepName(k) {
    var step = meta.powerSteps[k];
    return words("step {1} ({2})", [step === undefined ? "-" : step, t(stepRoles[k])]);
  }

  // ---- What happened
  element("h1", {}, [meta.scenario]);
  element("p", { "class": "meta" }, [t("vehicle_label") + t(": ") + meta.vehicle]);
  element("p", { "class": "meta", id: "state-source" }, [t("state_label") + t(": ") + meta.stateSource]);
  var top = element("section", { id: "what-happened" });
  child(top, "h2", {}, [t("What happened")]);
  var startup = data.startup;
  var result = !startup.known ? t("Without the in-process copy the start-up's result is not known.")
    : startup.stopped ? words("The start-up stopped at an error: {1}", [startup.stoppedAt])
    : startup.warnings > 0 ? words("The start-up completed with {1} warnings.", [startup.warnings])
    : t("The start-up completed.");
  child(top, "p", { id: "startup-result", "class": startup.stopped ? "startup stopped" : "startup" }, [result]);
  if (startup.lines.length) {
    var startupList = child(top, "ul", { id: "startup-lines", "class": "startup-lines" });
    startup.lines.forEach(function (text) { child(startupList, "li", {}, [text]); });
  }
  child(top, "p", { "class": "meta" }, [data.end.frames + " " + t("frames") + t(", ") + data.end.events + " " +
    t("events") + (reduced ? "; " + words("a band is the minimum and maximum of {1} frames", [meta.bucketFrames]) +
      "; " + t("full resolution around the scenario's events and every change") : "")]);
  child(top, "h3", {}, [t("Happenings (click to go there)")]);
  var happeningList = child(top, "ul", { id: "happenings", "class": "happenings" });
  // Written 400 at a time as the list is scrolled: a day's run has tens of
  // thousands, and laying them all out would hold up the first draw.
  var happeningsShown = 0;
  function showMoreHappenings() {
    var fragment = document.createDocumentFragment(), end = Math.min(data.happenings.length, happeningsShown + 400);
    for (var k = happeningsShown; k < end; k++) {
      var item = data.happenings[k], li = document.createElement("li"), link = document.createElement("a");
      link.href = "#";
      link.dataset.time = item[0];
      link.textContent = timeText(item[0]) + "  " + item[2];
      li.appendChild(link);
      fragment.appendChild(li);
    }
    happeningsShown = end;
    happeningList.appendChild(fragment);
  }
  showMoreHappenings();
  happeningList.addEventListener("scroll", function () {
    if (happeningList.scrollTop + happeningList.clientHeight > happeningList.scrollHeight - 60) showMoreHappenings();
  });
  happeningList.addEventListener("click", function (event) {
    var time = event.target.dataset && event.target.dataset.time;
    if (time === undefined) return;
    event.preventDefault();
    goTo(Number(time));
  });
  element("p", { "class": "hint" }, [t("hint")]);

  // ---- Colours: one per series of a chart, never reused on it.
  var colours = ["#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b", "#e377c2", "#17becf",
                 "#7f7f7f", "#bcbd22", "#000080", "#008080"];
  // Shadings and marks keep clear of every series' colour and of one
  // another: a short overlap cut in grey would pass for a scenario event.
  var shading = { hold1: "rgba(255,165,0,0.20)", hold2: "rgba(255,69,0,0.35)", shift: "rgba(70,130,180,0.20)",
                  overlap: "rgba(154,205,50,0.45)" };
  var markerColour = { event: "rgba(0,0,0,0.35)", note: "rgba(199,21,133,0.8)" };

  // The key of every shading and mark.
  var key = element("div", { "class": "shading-key", id: "shading-key" });
  [[shading.hold1, t("hold stage") + " 1"], [shading.hold2, t("hold stage") + " 2"],
   [shading.shift, t("brake-shift mode")], [shading.overlap, t("overlap cut")],
   ["marker-event", t("scenario event")], ["marker-note", t("note")]]
    .concat(reduced ? [["rgba(31,119,180,0.3)", words("a band is the minimum and maximum of {1} frames",
      [meta.bucketFrames])]] : [])
    .forEach(function (entry) {
      var item = child(key, "span", { "class": "key-item" });
      var swatch = child(item, "span", { "class": "swatch " + (entry[0].indexOf("marker") === 0 ? entry[0] : "") });
      if (entry[0].indexOf("marker") !== 0) swatch.style.background = entry[0];
      child(item, "span", {}, [entry[1]]);
    });

  var layout = element("div", { "class": "layout" });
  var charts = child(layout, "div", { "class": "charts", id: "charts" });
  var side = child(layout, "div", { "class": "side" });

  // Bands where a discrete series is not 0: [from, to, value].
  function bands(list) {
    var found = [];
    for (var i = 0; i < list.times.length; i++) {
      if (!list.values[i]) continue;
      var to = i + 1 < list.times.length ? list.times[i + 1] : endS + frameS;
      found.push([list.times[i], to, list.values[i]]);
    }
    return found;
  }
  var holdBands = meta.hasCore ? bands(discrete("hold_stage")) : [];
  var shiftBands = meta.hasCore ? bands(discrete("brake_shift")) : [];
  var overlapBands = meta.hasCore ? bands(discrete("overlap_cut")) : [];

  // ---- Drawing
  var axisSize = 150, rightSize = 56;
  function view(u) {
    var left = u.bbox.left, width = u.bbox.width, min = u.scales.x.min, max = u.scales.x.max;
    return { left: left, width: width, top: u.bbox.top, height: u.bbox.height, min: min, max: max,
             x: function (time) { return left + (time - min) / (max - min) * width; } };
  }
  // Short states stay at least two pixels wide at any zoom.
  function fillBands(u, v, list, colour, y, height) {
    var ctx = u.ctx;
    list.forEach(function (band) {
      if (band[1] < v.min || band[0] > v.max) return;
      var from = Math.max(v.left, v.x(band[0])), to = Math.min(v.left + v.width, v.x(band[1]));
      ctx.fillStyle = typeof colour === "function" ? colour(band[2]) : colour;
      ctx.fillRect(from, y, Math.max(2, to - from), height);
    });
  }
  function stateShading(u, v) {
    fillBands(u, v, holdBands, function (stage) { return stage === 1 ? shading.hold1 : shading.hold2; }, v.top,
      v.height);
    fillBands(u, v, shiftBands, shading.shift, v.top, v.height);
    fillBands(u, v, overlapBands, shading.overlap, v.top, v.height);
  }
  // Scenario markers, at most one every 4 px; labels where they fit.
  function drawMarkers(u, v, labelled) {
    var ctx = u.ctx, lastX = -1e9, labelEnd = -1e9;
    ctx.save();
    ctx.font = "10px sans-serif";
    ctx.textBaseline = "top";
    var from = Math.max(0, atOrBefore(markerTimes, v.min));
    for (var i = from; i < data.markers.length; i++) {
      var marker = data.markers[i];
      if (marker[0] > v.max) break;
      var x = Math.round(v.x(marker[0])) + 0.5;
      if (x < v.left || x - lastX < 4) continue;
      lastX = x;
      ctx.strokeStyle = marker[1] ? markerColour.note : markerColour.event;
      ctx.setLineDash([4, 4]);
      ctx.beginPath();
      ctx.moveTo(x, v.top);
      ctx.lineTo(x, v.top + v.height);
      ctx.stroke();
      if (!labelled || x < labelEnd) continue;
      var text = marker[2], width = ctx.measureText(text).width;
      if (x + 3 + width > v.left + v.width) continue;
      ctx.fillStyle = "rgba(255,255,255,0.8)";
      ctx.fillRect(x + 2, v.top + 1, width + 2, 12);
      ctx.fillStyle = marker[1] ? "#a0106a" : "#333";
      ctx.fillText(text, x + 3, v.top + 2);
      labelEnd = x + width + 10;
    }
    ctx.restore();
  }
  var markerTimes = data.markers.map(function (marker) { return marker[0]; });

  function yOf(u, scale, value) { return u.valToPos(value, scale, true); }
  // A continuous series: the frames kept as detail as a line broken at gaps,
  // the groups not wholly kept as bands from minimum to maximum with a line
  // through the extremes in the order they occurred.
  function drawContinuous(u, v, s) {
    var ctx = u.ctx, k = continuousIndex[s.name];
    ctx.save();
    ctx.strokeStyle = s.colour;
    ctx.lineWidth = s.width || 1.5;
    ctx.setLineDash(s.dash || []);
    if (reduced) {
      ctx.fillStyle = s.colour;
      ctx.globalAlpha = 0.25;
      var first = Math.max(0, atOrBefore(bucketStart, v.min));
      var b, band = null, thin = (s.width || 1.5) * devicePixelRatio;
      // A band too thin to show through its translucency (a series steady
      // over the group) is drawn as the series' line would be: opaque, at
      // least the line's width.
      var fillRange = function (x, top, width, height) {
        if (height >= 3 * devicePixelRatio) { ctx.fillRect(x, top, width, height); return; }
        ctx.globalAlpha = 1;
        ctx.fillRect(x, top + height / 2 - Math.max(thin, height) / 2, width, Math.max(thin, height));
        ctx.globalAlpha = 0.25;
      };
      // Groups narrower than a pixel are merged into one rectangle a column.
      var flush = function () {
        if (band) fillRange(band.x0, band.top, Math.max(1, band.x1 - band.x0), band.bottom - band.top);
        band = null;
      };
      for (b = first; b < buckets.length && buckets[b][0] <= v.max; b++) {
        if (covered[b] || buckets[b][3 + 4 * k] === null) { flush(); continue; }
        var x0 = v.x(buckets[b][0]), x1 = v.x(buckets[b][1]);
        var yMin = yOf(u, s.scale, buckets[b][3 + 4 * k]), yMax = yOf(u, s.scale, buckets[b][4 + 4 * k]);
        var top = Math.min(yMin, yMax), bottom = Math.max(yMin, yMax);
        if (partly[b]) {
          // Only where no frame was kept: the kept ones are drawn as they were.
          flush();
          partly[b].forEach(function (span) {
            fillRange(v.x(span[0]), top, Math.max(1, v.x(span[1]) - v.x(span[0])), bottom - top);
          });
          continue;
        }
        if (band && x0 < band.x0 + 1) {
          band.x1 = Math.max(band.x1, x1);
          band.top = Math.min(band.top, top);
          band.bottom = Math.max(band.bottom, bottom);
          continue;
        }
        flush();
        band = { x0: x0, x1: x1, top: top, bottom: bottom };
      }
      flush();
      ctx.globalAlpha = 1;
      ctx.beginPath();
      var open = false;
      for (b = first; b < buckets.length && buckets[b][0] <= v.max; b++) {
        var bucket = buckets[b];
        if (covered[b] || partly[b] || bucket[3 + 4 * k] === null) { open = false; continue; }
        var points = [[bucket[0] + bucket[5 + 4 * k] / 1000, bucket[3 + 4 * k]],
                      [bucket[0] + bucket[6 + 4 * k] / 1000, bucket[4 + 4 * k]]];
        points.sort(function (p, q) { return p[0] - q[0]; });
        points.forEach(function (point) {
          var x = v.x(point[0]), y = yOf(u, s.scale, point[1]);
          if (open) ctx.lineTo(x, y); else ctx.moveTo(x, y);
          open = true;
        });
      }
      ctx.stroke();
    }
    ctx.beginPath();
    var start = Math.max(0, atOrBefore(detailTimes, v.min)), previous = null;
    for (var i = start; i < detail.length; i++) {
      var time = detailTimes[i], value = detail[i][k + 1];
      if (value === null) { previous = null; continue; }
      var x = v.x(time), y = yOf(u, s.scale, value);
      if (previous !== null && time - previous < frameS * 1.5) ctx.lineTo(x, y); else ctx.moveTo(x, y);
      previous = time;
      if (time > v.max) break;
    }
    ctx.stroke();
    ctx.restore();
  }
  // A discrete series as steps at the frames it changed.
  function drawSteps(u, v, s) {
    var list = discrete(s.name), ctx = u.ctx;
    if (!list.times.length) return;
    ctx.save();
    ctx.strokeStyle = s.colour;
    ctx.lineWidth = s.width || 1.5;
    ctx.setLineDash(s.dash || []);
    ctx.beginPath();
    var i = Math.max(0, atOrBefore(list.times, v.min));
    var y = yOf(u, s.scale, list.values[i]);
    ctx.moveTo(Math.max(v.left, v.x(list.times[i])), y);
    for (i = i + 1; i < list.times.length && list.times[i] <= v.max; i++) {
      var x = v.x(list.times[i]);
      ctx.lineTo(x, y);
      y = yOf(u, s.scale, list.values[i]);
      ctx.lineTo(x, y);
    }
    ctx.lineTo(v.x(Math.min(v.max, endS)), y);
    ctx.stroke();
    ctx.restore();
  }
  // Said beside the chart's title when groups are wider than the pixels
  // they stand for: on the plot it would hide what lies under it, and its
  // place is kept when it is not shown, so that the page does not move.
  function resolutionNote(u, v, node) {
    var groupS = meta.bucketFrames * frameS, any = false;
    if (groupS / (v.max - v.min) * v.width >= 3) {
      var b = Math.max(0, atOrBefore(bucketStart, v.min));
      for (; b < buckets.length && buckets[b][0] <= v.max; b++) if (!covered[b]) { any = true; break; }
    }
    node.style.visibility = any ? "visible" : "hidden";
  }

  // ---- Charts
  var plots = [], legends = [], syncing = false, instant = 0;
  function syncScale(u, scaleKey) {
    if (scaleKey !== "x" || syncing) return;
    syncing = true;
    var min = u.scales.x.min, max = u.scales.x.max;
    plots.forEach(function (other) { if (other !== u) other.setScale("x", { min: min, max: max }); });
    syncing = false;
  }
  function cursorMoved(u) {
    if (syncing || u.cursor.left === undefined || u.cursor.left < 0) return;
    var at = instantAt(u.posToVal(u.cursor.left, "x"));
    if (at !== instant) showAt(at, false);
  }
  // The time axis. Its steps fall on whole seconds, minutes and hours on a
  // long run; the step is the smallest whose labels, measured in the axis's
  // own font, leave a gap between neighbours at the plot's width, so labels
  // never overlap, whatever the zoom, the window or the language's font.
  var timeSteps = longRun ? [0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800,
    21600, 43200, 86400, 172800, 432000, 864000, 1728000, 4320000, 8640000]
    : [0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000,
       10000, 20000, 50000, 100000];
  var axisFont = "12px " + getComputedStyle(document.body).fontFamily, labelGap = 12;
  var measure = document.createElement("canvas").getContext("2d");
  measure.font = axisFont;
  function tickText(value, step) {
    if (longRun) return clock(value);
    var decimals = Math.max(0, Math.ceil(-Math.log10(step) - 1e-9));
    return (Math.round(value / step) * step).toFixed(decimals);
  }
  // The pixels between ticks that the axis needs at this scale and width.
  function timeSpace(u, axis, min, max, plotDim) {
    var perSecond = plotDim / Math.max(max - min, 1e-9);
    for (var n = 0; n < timeSteps.length; n++) {
      var step = timeSteps[n], pixels = step * perSecond;
      if (pixels < 12 && n + 1 < timeSteps.length) continue;
      var widest = 0;
      for (var value = Math.ceil(min / step - 1e-9) * step; value <= max + 1e-9; value += step)
        widest = Math.max(widest, measure.measureText(tickText(value, step)).width);
      if (widest + labelGap <= pixels || n + 1 === timeSteps.length) return pixels * (1 - 1e-9);
    }
    return plotDim;
  }
  function xAxis() {
    return { label: longRun ? t("time") : t("time (s)"), font: axisFont, incrs: timeSteps, space: timeSpace,
             values: function (u, splits, axis, space, step) {
               return splits.map(function (v) { return tickText(v, step); }); } };
  }
  function yRange(list) {
    var low = Infinity, high = -Infinity;
    list.forEach(function (s) {
      if (s.kind === "discrete") {
        discrete(s.name).values.forEach(function (value) { low = Math.min(low, value); high = Math.max(high, value); });
        return;
      }
      var k = continuousIndex[s.name];
      detail.forEach(function (row) {
        if (row[k + 1] !== null) { low = Math.min(low, row[k + 1]); high = Math.max(high, row[k + 1]); }
      });
      buckets.forEach(function (row) {
        if (row[3 + 4 * k] !== null) { low = Math.min(low, row[3 + 4 * k]); high = Math.max(high, row[4 + 4 * k]); }
      });
    });
    if (low === Infinity) { low = 0; high = 1; }
    if (high - low < 1e-9) { low -= 1; high += 1; }
    var pad = (high - low) * 0.05;
    return [low - pad, high + pad];
  }
  // `spec`: title, id, series [{name, label, colour, kind, scale}], scales
  // {key: {side}}, draw (extra drawing), legendRows, shaded, labelled.
  function chart(spec) {
    var box = child(charts, "section", { "class": "chart", id: spec.id });
    var heading = child(box, "h2", {}, [spec.title]);
    if (reduced && spec.series.some(function (s) { return s.kind === "continuous"; }))
      spec.noteNode = child(heading, "span", { "class": "resolution-note", id: spec.id + "-resolution" },
        [words("zoomed past the stored resolution: a band is the minimum and maximum of {1} frames ({2})",
          [meta.bucketFrames, (meta.bucketFrames * frameS).toFixed(1) + " s"])]);
    var scales = { x: { time: false, range: function (u, min, max) { return [min, max]; } } };
    var axes = [xAxis()], rightUsed = false;
    Object.keys(spec.scales).forEach(function (name) {
      var used = spec.series.filter(function (s) { return s.scale === name; });
      var range = spec.scales[name].range || yRange(used);
      scales[name] = { range: function () { return range; } };
      var right = spec.scales[name].side === 1;
      rightUsed = rightUsed || right;
      axes.push(Object.assign({ scale: name, side: right ? 1 : 3, size: right ? rightSize : axisSize,
        grid: { show: !right } }, spec.scales[name].axis || {}));
    });
    // Every chart keeps the same plot area: an empty right axis where none is used.
    if (!rightUsed) axes.push({ scale: Object.keys(spec.scales)[0], side: 1, size: rightSize, grid: { show: false },
      values: function (u, splits) { return splits.map(function () { return ""; }); } });
    var placeholder = Object.keys(spec.scales).map(function (name) {
      return { scale: name, paths: function () { return null; }, points: { show: false } };
    });
    var opts = {
      width: width, height: spec.height || 200, legend: { show: false },
      // The cursor is an instant: a vertical line only, as a horizontal one
      // would read as a level of the series.
      cursor: { sync: { key: "run" }, drag: { x: true, y: false }, points: { show: false }, y: false },
      scales: scales, axes: axes, series: [{}].concat(placeholder),
      hooks: {
        draw: [function (u) {
          var v = view(u), ctx = u.ctx;
          ctx.save();
          ctx.beginPath();
          ctx.rect(v.left, v.top, v.width, v.height);
          ctx.clip();
          if (spec.shaded) stateShading(u, v);
          if (spec.draw) spec.draw(u, v);
          spec.series.forEach(function (s) { if (s.kind === "discrete") drawSteps(u, v, s); else if (s.kind) drawContinuous(u, v, s); });
          drawMarkers(u, v, spec.labelled);
          ctx.restore();
          if (spec.afterDraw) spec.afterDraw(u, v);
          if (spec.noteNode) resolutionNote(u, v, spec.noteNode);
          drawn(u);
        }],
        setScale: [syncScale],
        setCursor: [cursorMoved],
      },
    };
    var xs = [0, endS];
    var u = new uPlot(opts, [xs].concat(placeholder.map(function () { return [null, null]; })), box);
    plots.push(u);
    var legend = child(box, "div", { "class": "legend", id: spec.id + "-legend" });
    spec.series.forEach(function (s) {
      var item = child(legend, "span", { "class": "legend-item", "data-name": s.name });
      // A lane's label says what it is; its colour only says "on".
      if (!s.lane) {
        var swatch = child(item, "span", { "class": "swatch" + (s.dash ? " dashed" : "") });
        swatch.style.borderColor = s.colour;
      }
      child(item, "span", { "class": "legend-label", title: s.label }, [s.label]);
      s.valueNode = child(item, "span", { "class": "legend-value" }, ["-"]);
    });
    // A line of its own, always there in a reduced run so that the legend
    // keeps its height: says when the values above are ranges.
    if (reduced && spec.series.some(function (s) { return s.kind === "continuous"; }))
      spec.rangeNode = child(legend, "span", { "class": "legend-note", id: spec.id + "-range" }, [""]);
    legends.push(spec);
    // What the chart draws in which colour, for the tests: its series (a
    // lane's colour only says "on"), its shadings and the scenario's marks.
    spec.colours = spec.series.filter(function (s) { return !s.lane; })
      .map(function (s) { return [s.label, s.colour, s.name, s.scale, s.kind]; })
      .concat(spec.shaded ? [["hold stage 1", shading.hold1], ["hold stage 2", shading.hold2],
        ["brake-shift mode", shading.shift], ["overlap cut", shading.overlap]] : [])
      .concat([["scenario event", markerColour.event], ["note", markerColour.note]]);
    return u;
  }
  var firstDraw = {};
  function drawn(u) {
    if (firstDraw.done) return;
    firstDraw[plots.indexOf(u)] = true;
    if (plots.length === chartCount && plots.every(function (p, k) { return firstDraw[k]; })) {
      firstDraw.done = true;
      window.reportDrawnMs = performance.now();
    }
  }

  function continuous(name, label, colour, extra) {
    return Object.assign({ name: name, label: label, colour: colour, kind: "continuous", scale: "y" }, extra || {});
  }
  function stepSeries(name, label, colour, extra) {
    return Object.assign({ name: name, label: label, colour: colour, kind: "discrete", scale: "y" }, extra || {});
  }

  var chartSpecs = [];
  chartSpecs.push({ title: t("Speed (km/h)"), id: "chart-speed", labelled: true, scales: { y: {} },
    series: [continuous("speed", t("speed") + " (km/h)", colours[0])] });
  var currentSeries = [continuous("current", t("current") + " (A)", colours[0], { width: 2 })];
  if (meta.hasCore) {
    for (var k = 0; k < 5; k++)
      currentSeries.push(continuous("step" + (k + 1), stepName(k), colours[k + 1], { dash: [6, 3], width: 1 }));
    currentSeries.push(continuous("hold1", words("braking step {1} (hold stage {2})", [4, 1]), colours[6],
      { dash: [2, 3], width: 1 }));
    currentSeries.push(continuous("hold2", words("braking step {1} (hold stage {2})", [5, 2]), colours[7],
      { dash: [2, 3], width: 1 }));
    currentSeries.push(continuous("ammeter", t("ammeter input (current needle)"), colours[10], { width: 1 }));
  }
  chartSpecs.push({ title: t("Traction current (A)"), id: "chart-current", shaded: true, height: 240,
    scales: { y: {} }, series: currentSeries });
  var handleSeries = [
    stepSeries("power_in", t("power (driver)"), colours[2], { dash: [5, 3] }),
    stepSeries("power_out", t("power (returned)"), colours[0], { width: 2 }),
    stepSeries("brake_in", t("brake (driver)"), colours[4], { dash: [5, 3] }),
    stepSeries("brake_out", t("brake (returned)"), colours[1], { width: 2 }),
    stepSeries("reverser_in", t("reverser (driver)"), colours[9], { dash: [5, 3] }),
    stepSeries("reverser_out", t("reverser (returned)"), colours[3], { width: 2 }),
  ];
  chartSpecs.push({ title: t("Handles"), id: "chart-handles", shaded: true, height: 220, scales: { y: {} },
    series: handleSeries });
  chartSpecs.push({ title: t("Pressure (kPa) and line voltage (V)"), id: "chart-pressure",
    scales: { y: {}, V: { side: 1 } }, series: [
      continuous("bc", t("brake cylinder") + " (kPa)", colours[4]),
      continuous("mr", t("main reservoir") + " (kPa)", colours[5]),
      continuous("line_voltage", t("line voltage") + " (V)", colours[7], { scale: "V" })] });

  // ---- The state timeline: one lane each, top to bottom.
  var lanes = [];
  if (meta.hasCore) {
    lanes.push({ kind: "v", index: discreteIndex.hold_stage, label: t("hold stage"),
      colour: function (stage) { return stage === 1 ? "rgba(255,165,0,0.8)" : "rgba(255,69,0,0.8)"; } });
    lanes.push({ kind: "v", index: discreteIndex.start_cut, label: t("start cut"), colour: "#8c564b" });
    lanes.push({ kind: "v", index: discreteIndex.overlap_cut, label: t("overlap cut"), colour: "rgba(154,205,50,0.9)" });
    lanes.push({ kind: "v", index: discreteIndex.brake_shift, label: t("brake-shift mode"), colour: "#4682b4" });
    lanes.push({ kind: "v", index: discreteIndex.release_watch, label: t("release watch"), colour: "#17becf" });
  }
  var lampIndices = meta.lamps.filter(function (index) { return meta.digits.indexOf(index) < 0; });
  lampIndices.forEach(function (index) {
    lanes.push({ kind: "p", index: index, label: index + " " + nameOf(meta.panelNames, index), colour: "#e6a000" });
  });
  var digitLists = meta.digits.map(function (index) { return changeList("p", index); });
  function digitsAt(time) {
    return digitLists.map(function (list) {
      var digit = stateAt(list, time);
      return digit === null || digit === 10 ? "-" : String(digit);
    }).join("");
  }
  var digitTimes = [];
  digitLists.forEach(function (list) { digitTimes = digitTimes.concat(list.times); });
  digitTimes = digitTimes.sort(function (a, b) { return a - b; }).filter(function (time, i, all) {
    return i === 0 || time !== all[i - 1];
  });
  var digitsUsed = digitTimes.some(function (time) { return digitsAt(time) !== "----"; });
  if (digitsUsed) lanes.push({ kind: "digits", label: t("digits"), colour: "#333" });
  meta.sounds.forEach(function (index) {
    lanes.push({ kind: "s", index: index, label: t("sound") + " " + index + " " + nameOf(meta.soundNames, index),
      colour: "#1f77b4" });
  });
  lanes.forEach(function (lane) { if (lane.kind !== "digits") lane.list = changeList(lane.kind, lane.index); });

  function soundText(command) {
    return command === 1 ? t("played") : command === 0 ? t("looped") : command === -10000 ? t("stopped") : "";
  }
  // What a lane shows at an instant, as its legend and the tests read it.
  function laneValue(lane, time) {
    if (lane.kind === "digits") return digitsAt(time);
    var list = lane.list, i = atOrBefore(list.times, time);
    var value = i < 0 ? null : list.values[i];
    if (lane.kind === "s") return soundText(value) || "-";
    if (value === null) return "-";
    if (lane.kind === "p") return value === 1 ? t("on") : value === 0 ? t("off") : String(value);
    if (lane.index === discreteIndex.hold_stage) return value ? String(value) : t("off");
    return value ? t("on") : t("off");
  }
  function drawLanes(u, v) {
    var ctx = u.ctx, laneHeight = v.height / lanes.length;
    lanes.forEach(function (lane, n) {
      var y = v.top + n * laneHeight;
      ctx.fillStyle = n % 2 ? "#fafafa" : "#f0f0f0";
      ctx.fillRect(v.left, y, v.width, laneHeight);
      var bandTop = y + laneHeight * 0.2, bandHeight = laneHeight * 0.6;
      if (lane.kind === "digits") {
        ctx.fillStyle = lane.colour;
        ctx.font = "10px monospace";
        digitTimes.forEach(function (time, i) {
          var to = i + 1 < digitTimes.length ? digitTimes[i + 1] : endS;
          if (to < v.min || time > v.max) return;
          ctx.fillText(digitsAt(time), Math.max(v.left, v.x(time)) + 2, y + laneHeight * 0.75);
        });
        return;
      }
      if (lane.kind !== "s") {
        fillBands(u, v, bands(lane.list), lane.colour, bandTop, bandHeight);
        return;
      }
      // Sounds: a looping sound a band while it loops, other commands marks
      // with their value.
      var list = lane.list, lastLabel = -1e9;
      ctx.font = "9px sans-serif";
      for (var i = 0; i < list.times.length; i++) {
        var value = list.values[i], time = list.times[i];
        if (time > v.max) break;
        var next = i + 1 < list.times.length ? list.times[i + 1] : endS + frameS;
        if (value === 0) {
          fillBands(u, v, [[time, next, 1]], "rgba(31,119,180,0.5)", bandTop, bandHeight);
          continue;
        }
        if (next < v.min || value === 2) continue;
        var x = v.x(time);
        ctx.fillStyle = value === -10000 ? "#999" : lane.colour;
        ctx.fillRect(x - 1, bandTop, Math.max(3, v.x(next) - x), bandHeight);
        if (x - lastLabel > 40) {
          ctx.fillText(String(value), x + 3, y + laneHeight * 0.8);
          lastLabel = x;
        }
      }
    });
  }
  // Lane names in the axis area, shortened to fit.
  function laneLabels(u, v) {
    var ctx = u.ctx, laneHeight = v.height / lanes.length;
    ctx.save();
    ctx.font = "11px sans-serif";
    ctx.fillStyle = "#222";
    ctx.textBaseline = "middle";
    lanes.forEach(function (lane, n) {
      var text = lane.label;
      while (text.length > 3 && ctx.measureText(text).width > v.left - 8) text = text.slice(0, -2);
      if (text !== lane.label) text += "…";
      ctx.fillText(text, 4, v.top + (n + 0.5) * laneHeight);
    });
    ctx.restore();
  }
  chartSpecs.push({ title: t("States, lamps and sounds"), id: "chart-events", height: 18 * lanes.length + 40,
    scales: { y: { range: [0, lanes.length], axis: { values: function (u, splits) {
      return splits.map(function () { return ""; }); }, grid: { show: false }, ticks: { show: false } } } },
    series: lanes.map(function (lane) { return { name: lane.label, label: lane.label, lane: lane }; }),
    draw: drawLanes, afterDraw: laneLabels });

  var chartCount = chartSpecs.length;
  // Measured once: reading the layout between charts would lay the page out again for each.
  var width = page.plotWidth();
  chartSpecs.forEach(chart);
  var lineVoltageNote = meta.hasCore ? t("The line voltage is a random walk: its curve is the in-process copy's, " +
    "the needle 232 the loaded library's. Each draws its own random numbers, so the two differ by design.") : "";
  if (lineVoltageNote) {
    var pressureBox = document.getElementById("chart-pressure");
    child(pressureBox, "p", { "class": "hint", id: "line-voltage-note" }, [lineVoltageNote]);
  }

  // Scenario events and notes, listed; a click goes there.
  child(charts, "h2", {}, [t("Scenario events")]);
  var list = child(charts, "ol", { "class": "markers", id: "markers" });
  data.markers.forEach(function (marker) {
    var item = child(list, "li", { "class": marker[1] ? "note" : "event" },
      [timeText(marker[0]) + "  " + (marker[1] ? t("note") + t(": ") : "") + marker[2]]);
    item.addEventListener("click", function () { goTo(marker[0]); });
  });

  // ---- The panel view
  child(side, "h2", {}, [t("Panel")]);
  var timeLabel = child(side, "p", { id: "panel-time", "class": "panel-time" }, ["-"]);
  var slider = child(side, "input", { type: "range", id: "panel-slider", min: "0", max: String(endS), value: "0",
    step: String(frameS) });
  var dialBox = svg(side, "svg", { viewBox: "0 0 330 450", width: "330", height: "450", id: "panel-view" });
  var needles = [[22, "speed", "speed", "km/h", 1], [26, "current", meta.hasCore ? "ammeter" : "current", "A", 1],
                 [130, "brake cylinder", "bc", "kPa", 1], [133, "main reservoir", "mr", "kPa", 1],
                 [232, "line voltage", "line_voltage", "V", 0]];
  function seriesTop(name) {
    var k = continuousIndex[name], topValue = 1;
    detail.forEach(function (row) { if (row[k + 1] !== null) topValue = Math.max(topValue, Math.abs(row[k + 1])); });
    buckets.forEach(function (row) {
      [row[3 + 4 * k], row[4 + 4 * k]].forEach(function (v) { if (v !== null) topValue = Math.max(topValue, Math.abs(v)); });
    });
    var magnitude = Math.pow(10, Math.floor(Math.log10(topValue)));
    return Math.ceil(topValue / magnitude) * magnitude;
  }
  function angleOf(fraction) { return (-135 + 270 * Math.max(0, Math.min(1, fraction))) * Math.PI / 180; }
  // The arc of a dial from `low` to `high`, at least two degrees long.
  function arcPath(dial, low, high) {
    var r = 34, from = angleOf(low / dial.scale), to = Math.max(angleOf(high / dial.scale), from + Math.PI / 90);
    function point(a) { return (dial.cx + r * Math.sin(a)).toFixed(2) + " " + (dial.cy - r * Math.cos(a)).toFixed(2); }
    return "M " + point(from) + " A " + r + " " + r + " 0 " + (to - from > Math.PI ? 1 : 0) + " 1 " + point(to);
  }
  var dials = {};
  needles.forEach(function (needle, n) {
    var cx = 58 + (n % 3) * 107, cy = 62 + Math.floor(n / 3) * 150, scale = seriesTop("needle_" + needle[0]);
    svg(dialBox, "circle", { cx: cx, cy: cy, r: 46, "class": "dial" });
    for (var tick = 0; tick <= 4; tick++) {
      var a = angleOf(tick / 4);
      svg(dialBox, "line", { x1: cx + 40 * Math.sin(a), y1: cy - 40 * Math.cos(a), x2: cx + 46 * Math.sin(a),
        y2: cy - 46 * Math.cos(a), "class": "dial-tick" });
      // The two ends of the scale sit outside the rim, leaving the space
      // below the centre to the value, however wide its range.
      var at = tick % 4 ? 32 : 57;
      var label = svg(dialBox, "text", { x: cx + at * Math.sin(a), y: cy - at * Math.cos(a) + 3, "class": "dial-scale" });
      label.textContent = String(+(scale * tick / 4).toPrecision(3));
    }
    // In a reduced stretch the dial shows an arc over the group's range, not a hand.
    var arc = svg(dialBox, "path", { d: "", "class": "range-arc hidden", "data-index": needle[0] });
    var hand = svg(dialBox, "line", { x1: cx, y1: cy, x2: cx, y2: cy - 38, "class": "hand", "data-index": needle[0] });
    var title = svg(dialBox, "text", { x: cx, y: cy + 60, "class": "dial-label" });
    title.textContent = t(needle[1]) + " (" + needle[0] + ")";
    var value = svg(dialBox, "text", { x: cx, y: cy + 18, "class": "panel-value", "data-index": needle[0] });
    var rangeLabel = svg(dialBox, "text", { x: cx, y: cy + 31, "class": "dial-range hidden", "data-index": needle[0] });
    rangeLabel.textContent = t("min .. max");
    var input = svg(dialBox, "text", { x: cx, y: cy + 73, "class": "dial-input", "data-index": needle[0] });
    // A range of the input takes a line of its own, as it would not fit beside the dial.
    var inputRange = svg(dialBox, "text", { x: cx, y: cy + 83, "class": "dial-input", "data-index": needle[0] });
    dials[needle[0]] = { hand: hand, arc: arc, rangeLabel: rangeLabel, value: value, input: input,
                         inputRange: inputRange, cx: cx, cy: cy, scale: scale };
  });
  var lamps = {}, lampY = 345;
  lampIndices.forEach(function (index, n) {
    var cx = 25 + n * 42;
    lamps[index] = svg(dialBox, "circle", { cx: cx, cy: lampY, r: 12, "class": "lamp", "data-index": index });
    var label = svg(dialBox, "text", { x: cx, y: lampY + 26, "class": "lamp-label" });
    label.textContent = String(index);
  });
  var digitsText = svg(dialBox, "text", { x: 165, y: 420, "class": "digits", id: "panel-digits" });
  var panelRange = reduced ? child(side, "p", { id: "panel-range", "class": "panel-range" }, [""]) : null;
  if (lineVoltageNote) child(side, "p", { "class": "hint" }, [t("needle 232: the loaded library's value; " +
    "its input below the dial: the in-process copy's line voltage")]);

  // ---- One instant for everything
  var shown = {};
  function showAt(time, moveCursor) {
    instant = instantAt(time);
    shown = { time: instant, needles: {}, inputs: {}, lamps: {}, lanes: {}, legends: {} };
    timeLabel.textContent = timeText(instant);
    slider.value = String(instant);
    var range = rangeAt(instant);
    needles.forEach(function (needle) {
      var dial = dials[needle[0]], at = continuousAt("needle_" + needle[0], instant);
      // A group whose extremes are equal had that value at every frame.
      var spread = at && !("value" in at) && at.min !== null && at.min !== at.max;
      var value = !at ? null : "value" in at ? at.value : at.min;
      var text = value === null ? "-" : spread ? at.min + ".." + at.max : String(value);
      if (spread) dial.arc.setAttribute("d", arcPath(dial, at.min, at.max));
      dial.arc.setAttribute("class", spread ? "range-arc" : "range-arc hidden");
      dial.rangeLabel.setAttribute("class", spread ? "dial-range" : "dial-range hidden");
      var a = angleOf((value === null ? 0 : value) / dial.scale);
      dial.hand.setAttribute("x2", dial.cx + 38 * Math.sin(a));
      dial.hand.setAttribute("y2", dial.cy - 38 * Math.cos(a));
      dial.hand.setAttribute("class", spread ? "hand hidden" : "hand");
      dial.value.textContent = text;
      dial.value.setAttribute("class", spread ? "panel-value range" : "panel-value");
      var input = continuousText(needle[2], instant, needle[4]), inputSpread = input.indexOf(" .. ") >= 0;
      dial.input.textContent = t("input") + " " + (inputSpread ? "(" + needle[3] + ")" : input + " " + needle[3]);
      dial.inputRange.textContent = inputSpread ? input : "";
      shown.needles[needle[0]] = text;
      shown.inputs[needle[0]] = input;
    });
    lampIndices.forEach(function (index) {
      var value = stateAt(changeList("p", index), instant);
      lamps[index].setAttribute("class", value ? "lamp on" : "lamp");
      shown.lamps[index] = value;
    });
    shown.digits = digitsAt(instant);
    if (panelRange) panelRange.textContent = rangeText(range);
    digitsText.textContent = t("digits") + " " + shown.digits;
    legends.forEach(function (spec) {
      spec.series.forEach(function (s) {
        var text;
        if (s.lane) text = laneValue(s.lane, instant);
        else if (s.kind === "discrete") { var v = stateAt(discrete(s.name), instant); text = v === null ? "-" : String(v); }
        else text = continuousText(s.name, instant, 3);
        s.valueNode.textContent = text;
        s.valueNode.setAttribute("class", s.kind === "continuous" && range ? "legend-value range" : "legend-value");
        shown.legends[s.label] = text;
        if (s.lane) shown.lanes[s.label] = text;
      });
      if (spec.rangeNode) spec.rangeNode.textContent = rangeText(range);
    });
    if (moveCursor) {
      syncing = true;
      plots.forEach(function (u) {
        var x = u.valToPos(instant, "x");
        if (x >= 0 && x <= u.bbox.width / devicePixelRatio) u.setCursor({ left: x, top: 10 });
      });
      syncing = false;
    }
  }
  // Zooms to 20 s around `time` and puts the cursor there.
  // The charts take the new scale once this script has run, and until then
  // the cursor's pixel stands for a time on the old one: the cursor is put
  // there after that.
  function goTo(time) {
    var half = Math.min(10, endS / 2), from = Math.max(0, Math.min(endS - 2 * half, time - half));
    plots[0].setScale("x", { min: from, max: from + 2 * half });
    showAt(time, false);
    setTimeout(function () { showAt(time, true); }, 0);
  }
  slider.addEventListener("input", function () { showAt(Number(slider.value), true); });
  window.addEventListener("resize", function () {
    var width = page.plotWidth();
    plots.forEach(function (u) { u.setSize({ width: width, height: u.height }); });
  });
  showAt(0, false);

  window.report = { data: data, plots: plots, lanes: lanes, showAt: showAt, goTo: goTo, instantAt: instantAt,
    instant: function () { return instant; }, shown: function () { return shown; }, laneValue: laneValue,
    continuousAt: continuousAt, stateAt: function (name, time) { return stateAt(discrete(name), time); },
    holdBands: holdBands, shiftBands: shiftBands, overlapBands: overlapBands, covered: covered,
    colours: chartSpecs.map(function (spec) { return { id: spec.id, things: spec.colours }; }) };
};
