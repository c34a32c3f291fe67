// The report page's common part: the report's data (the JSON of the element
// "report-data"), its words, and the helpers both reports draw with. The
// run report (run_report.js) and the vehicle report (vehicle_report.js) add
// themselves to it; start() draws the one the data asks for.
// window.report exposes what the page made of the data, for tests.
var orvalisPage = (function () {
  "use strict";


  var data = JSON.parse(document.getElementById("report-data").textContent);
  var texts = data.texts || {};
  var app = document.getElementById("app");
  function t(key) { return texts[key] || key; }

  function element(tag, attributes, children) {
    var node = document.createElement(tag);
    Object.keys(attributes || {}).forEach(function (name) { node.setAttribute(name, attributes[name]); });
    (children || []).forEach(function (child) {
      node.appendChild(typeof child === "string" ? document.createTextNode(child) : child);
    });
    app.appendChild(node);
    return node;
  }
  function child(parent, tag, attributes, children) {
    var node = element(tag, attributes, children);
    parent.appendChild(node);
    return node;
  }
  function svg(parent, tag, attributes) {
    var node = document.createElementNS("http://www.w3.org/2000/svg", tag);
    Object.keys(attributes).forEach(function (name) { node.setAttribute(name, attributes[name]); });
    parent.appendChild(node);
    return node;
  }

  var palette = ["#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b", "#e377c2", "#17becf",
                 "#7f7f7f", "#bcbd22"];
  function plotWidth() { return Math.max(480, Math.min(app.clientWidth || 1000, 1400) - 360); }

  function start() {
    if (data.kind === "run") orvalisPage.runReport();
    else orvalisPage.vehicleReport();
    window.reportReadyMs = performance.now();
    document.body.setAttribute("data-ready", "1");
  }

  return { data: data, texts: texts, app: app, t: t, element: element, child: child, svg: svg,
           palette: palette, plotWidth: plotWidth, start: start };
})();
