// The viewer of a compiled scenario. The program puts the scenario into the
// page as one JSON object (the element #scenario-data); this script draws the
// plan, the profile and the timetable graph on three canvases and keeps them
// on one stretch of the line, which the wheel, dragging, the buttons, the
// keys, the station search and the address's fragment (#km=40-60) change.
//
// Every text of the scenario is shown through textContent or drawn on a
// canvas, never parsed as HTML.
'use strict';

(function () {
  const root = document.documentElement;
  // When the script began, after the page and its data were read; the
  // attribute data-load-ms says when the drawings were done.
  root.setAttribute('data-script-ms', performance.now().toFixed(1));
  const D = JSON.parse(document.getElementById('scenario-data').textContent);

  // ---- The data, unpacked ----

  // Runs of a running value: change metres and the value from each on.
  function unpackRuns(flat) {
    const at = [], value = [];
    for (let i = 0; i + 1 < flat.length; i += 2) {
      at.push(flat[i]);
      value.push(flat[i + 1]);
    }
    return { at: at, value: value };
  }
  const speed = unpackRuns(D.speed);
  const gradient = unpackRuns(D.gradient);
  const adhesion = unpackRuns(D.adhesion);

  // The index of the last entry of a sorted array that is <= v (-1 if none).
  function lastAtOrBefore(sorted, v) {
    let lo = 0, hi = sorted.length - 1, found = -1;
    while (lo <= hi) {
      const mid = (lo + hi) >> 1;
      if (sorted[mid] <= v) { found = mid; lo = mid + 1; } else { hi = mid - 1; }
    }
    return found;
  }
  function valueAt(runs, metre) {
    const i = lastAtOrBefore(runs.at, metre);
    return i < 0 ? null : runs.value[i];
  }

  const mountains = [];
  for (let i = 0; i + 2 < D.mountains.length; i += 3) {
    mountains.push({ from: D.mountains[i], to: D.mountains[i + 1], kind: D.mountains[i + 2] });
  }

  // Kinds: [genere, name, title, lane, symbol]. Lane 0 is a kind the plot
  // gives no lane; the viewer shows those too, in a last lane.
  const laneNames = D.lanes.concat(['Other marks']);
  const otherLane = laneNames.length;
  const kinds = D.kinds.map(function (k) {
    return { genere: k[0], name: k[1], title: k[2], lane: k[3] === 0 ? otherLane : k[3], symbol: k[4] };
  });

  // Elements: [cell, metre, kind, "12+350", values], sorted by metre within
  // each lane for the hover's search.
  const elements = [];
  for (let i = 0; i + 4 < D.elements.length; i += 5) {
    elements.push({
      cell: D.elements[i], metre: D.elements[i + 1], kind: kinds[D.elements[i + 2]],
      km: D.elements[i + 3], values: D.values[D.elements[i + 4]]
    });
  }
  const lanes = laneNames.map(function () { return []; });
  for (const e of elements) lanes[e.kind.lane - 1].push(e);
  for (const lane of lanes) lane.sort(function (a, b) { return a.metre - b.metre; });
  const usedLanes = [];
  lanes.forEach(function (lane, i) { if (lane.length > 0 || i < D.lanes.length) usedLanes.push(i); });

  // Stations: [name, metre, "12+350", "07:35:00" or ""].
  const stations = D.stations.map(function (s, i) {
    return { index: i, name: s[0], metre: s[1], km: s[2], time: s[3] };
  }).sort(function (a, b) { return a.metre - b.metre; });

  // The timetable: stops [metre, seconds, name, km, clock], stretches
  // [from, too fast, text, fastest run as metre, tenths of a second...].
  const stops = D.stops.map(function (s) {
    return { metre: s[0], seconds: s[1], name: s[2], km: s[3], clock: s[4] };
  });
  const stretches = D.stretches.map(function (s) {
    const run = [];
    for (let i = 0; i + 1 < s[3].length; i += 2) run.push({ metre: s[3][i], seconds: s[3][i + 1] / 10 });
    return { from: stops[s[0]], to: stops[s[0] + 1], tooFast: s[1], text: s[2], run: run };
  });

  // The plan: runs of kept points, each [m, x, y, dm, dx, dy, ...] with the
  // coordinates in decimetres.
  const planRuns = (D.plan || []).map(function (flat) {
    const n = Math.floor(flat.length / 3);
    const m = new Float64Array(n), x = new Float64Array(n), y = new Float64Array(n);
    let cm = 0, cx = 0, cy = 0;
    for (let i = 0; i < n; ++i) {
      cm += flat[3 * i]; cx += flat[3 * i + 1]; cy += flat[3 * i + 2];
      m[i] = cm; x[i] = cx / 10; y[i] = cy / 10;
    }
    return { m: m, x: x, y: y };
  });
  const planBox = { minX: Infinity, maxX: -Infinity, minY: Infinity, maxY: -Infinity };
  for (const r of planRuns) {
    for (let i = 0; i < r.m.length; ++i) extendBox(planBox, r.x[i], r.y[i]);
  }
  function extendBox(box, x, y) {
    if (x < box.minX) box.minX = x;
    if (x > box.maxX) box.maxX = x;
    if (y < box.minY) box.minY = y;
    if (y > box.maxY) box.maxY = y;
  }
  // The point of the plan at a metre, between the kept points around it.
  function planPointAt(metre) {
    for (const r of planRuns) {
      const n = r.m.length;
      if (n === 0 || metre < r.m[0] || metre > r.m[n - 1]) continue;
      const i = Math.max(0, lastAtOrBefore(r.m, metre));
      if (i >= n - 1) return { x: r.x[n - 1], y: r.y[n - 1] };
      const t = (metre - r.m[i]) / (r.m[i + 1] - r.m[i]);
      return { x: r.x[i] + t * (r.x[i + 1] - r.x[i]), y: r.y[i] + t * (r.y[i + 1] - r.y[i]) };
    }
    return null;
  }

  // ---- The stretch shown ----

  const lineEnd = D.line_end;
  const routeEnd = Math.max(D.route_end, lineEnd, 1);
  // The whole line: its length, and any element or station coded beyond it.
  let wholeEnd = lineEnd;
  for (const e of elements) if (e.metre <= routeEnd) wholeEnd = Math.max(wholeEnd, e.metre);
  for (const s of stations) if (s.metre <= routeEnd) wholeEnd = Math.max(wholeEnd, s.metre);
  if (!(wholeEnd > 0)) wholeEnd = routeEnd;
  const minimumSpan = Math.min(200, routeEnd);

  const view = { from: 0, to: wholeEnd };
  let selectedStation = null;

  function setView(from, to) {
    let span = Math.max(minimumSpan, Math.min(to - from, routeEnd));
    if (!(span > 0)) span = routeEnd;
    from = Math.max(0, Math.min(from, routeEnd - span));
    view.from = from;
    view.to = from + span;
    root.setAttribute('data-visible-km', (view.from / 1000).toFixed(3) + '-' + (view.to / 1000).toFixed(3));
    document.getElementById('range').textContent =
      'km ' + kmNumber(view.from) + ' \u2013 ' + kmNumber(view.to) + '  (' + kmSpanText(span) + ')';
    requestDraw();
  }
  function zoom(factor, aboutMetre) {
    const about = aboutMetre === undefined ? (view.from + view.to) / 2 : aboutMetre;
    const t = (about - view.from) / (view.to - view.from);
    const span = (view.to - view.from) * factor;
    setView(about - t * span, about - t * span + span);
    rememberInAddress();
  }
  function pan(fraction) {
    const span = view.to - view.from;
    setView(view.from + fraction * span, view.to + fraction * span);
    rememberInAddress();
  }

  function kmNumber(metre) {
    return (metre / 1000).toFixed(3);
  }
  function kmSpanText(metres) {
    return metres >= 10000 ? (metres / 1000).toFixed(0) + ' km' : (metres / 1000).toFixed(metres >= 1000 ? 1 : 2) + ' km';
  }

  // The fragment #km=40-60 names a stretch in kilometres; the view writes it
  // back as it changes, so that the address reopens the same stretch.
  function fromAddress() {
    const m = /(?:^#|&)km=(-?[0-9]+(?:\.[0-9]*)?)-([0-9]+(?:\.[0-9]*)?)/.exec(location.hash);
    if (!m) return false;
    const a = parseFloat(m[1]) * 1000, b = parseFloat(m[2]) * 1000;
    if (!(b > a)) return false;
    setView(a, b);
    return true;
  }
  let addressTimer = 0;
  function rememberInAddress() {
    clearTimeout(addressTimer);
    addressTimer = setTimeout(function () {
      const text = '#km=' + trimZeros(view.from / 1000) + '-' + trimZeros(view.to / 1000);
      if (location.hash !== text) history.replaceState(null, '', text);
    }, 250);
  }
  function trimZeros(v) {
    return v.toFixed(3).replace(/\.?0+$/, '');
  }
  window.addEventListener('hashchange', fromAddress);

  // ---- Drawing ----

  const COLOURS = {
    gradient: '#1f5fa8', gradientFill: 'rgba(31, 95, 168, 0.10)', speed: '#d62728',
    mountain: 'rgba(160, 82, 45, 0.12)', runOut: 'rgba(120, 120, 120, 0.13)', grid: '#e6eaee',
    axis: '#9aa5b1', text: '#1d2329', muted: '#5d6b78', station: '#6b7580', selected: '#e07b00',
    scheduled: '#1d2329', fastest: '#1a8a4a', tooFast: 'rgba(214, 39, 40, 0.13)', warn: '#c62828',
    plan: '#c4cbd3', planShown: '#1f5fa8'
  };
  const LANE_COLOURS = ['#1b7f3b', '#d62728', '#7b4fa0', '#1d2329', '#e07b00', '#4f6272', '#8a8f96'];
  const FONT = '12px system-ui, -apple-system, "Segoe UI", Roboto, Arial, sans-serif';
  const BOLD = '600 12px system-ui, -apple-system, "Segoe UI", Roboto, Arial, sans-serif';
  const SMALL = '11px system-ui, -apple-system, "Segoe UI", Roboto, Arial, sans-serif';

  // The profile and the timetable graph share the horizontal scale.
  const LEFT = 112, RIGHT = 60;

  // Sizes a canvas to its width on the page and its data-height, in pixels
  // of the screen, and gives its context in CSS pixels.
  function prepare(canvas) {
    const ratio = window.devicePixelRatio || 1;
    const width = canvas.clientWidth || 800;
    const height = Number(canvas.dataset.height);
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    canvas.style.height = height + 'px';
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    g.clearRect(0, 0, width, height);
    g.font = FONT;
    return { g: g, width: width, height: height };
  }
  function xOf(metre, width) {
    return LEFT + (metre - view.from) / (view.to - view.from) * (width - LEFT - RIGHT);
  }
  function metreOf(x, width) {
    return view.from + (x - LEFT) / (width - LEFT - RIGHT) * (view.to - view.from);
  }

  // A round step (1, 2 or 5 times a power of ten) near span / parts.
  function roundStep(span, parts) {
    const raw = span / parts;
    if (!(raw > 0)) return 1;
    const magnitude = Math.pow(10, Math.floor(Math.log10(raw)));
    const r = raw / magnitude;
    return (r <= 1 ? 1 : r <= 2 ? 2 : r <= 5 ? 5 : 10) * magnitude;
  }
  function decimalsOf(step) {
    return step >= 1 ? 0 : Math.min(6, Math.ceil(-Math.log10(step) - 1e-9));
  }

  // The kilometre axis under a plot area, with its vertical grid.
  function kilometreAxis(g, width, top, bottom, withLabels) {
    const stepKm = roundStep((view.to - view.from) / 1000, Math.max(2, (width - LEFT - RIGHT) / 95));
    const digits = decimalsOf(stepKm);
    g.save();
    g.strokeStyle = COLOURS.grid;
    g.fillStyle = COLOURS.muted;
    g.font = SMALL;
    g.textAlign = 'center';
    for (let km = Math.ceil(view.from / 1000 / stepKm) * stepKm; km * 1000 <= view.to + 1e-6; km += stepKm) {
      const x = Math.round(xOf(km * 1000, width)) + 0.5;
      g.beginPath();
      g.moveTo(x, top);
      g.lineTo(x, bottom);
      g.stroke();
      if (withLabels) g.fillText(km.toFixed(digits), x, bottom + 14);
    }
    if (withLabels) {
      g.textAlign = 'right';
      g.fillText('km', LEFT - 26, bottom + 14);
    }
    g.restore();
  }

  // The marker of a kind, centred at (x, y).
  function marker(g, symbol, x, y, colour) {
    g.save();
    g.fillStyle = colour;
    g.strokeStyle = colour;
    g.lineWidth = 1.4;
    g.beginPath();
    switch (symbol) {
      case 1: // a mast with a lamp
        g.moveTo(x, y + 6); g.lineTo(x, y - 2); g.stroke();
        g.beginPath(); g.arc(x, y - 3.5, 3, 0, 2 * Math.PI); g.fill();
        break;
      case 2: g.rect(x - 4, y - 4, 8, 8); g.fill(); break;
      case 3: g.moveTo(x, y - 5); g.lineTo(x + 5, y); g.lineTo(x, y + 5); g.lineTo(x - 5, y); g.closePath(); g.fill(); break;
      case 4: g.rect(x - 1.5, y - 6, 3, 12); g.fill(); break;
      case 5: g.moveTo(x, y - 5); g.lineTo(x + 5, y + 4); g.lineTo(x - 5, y + 4); g.closePath(); g.fill(); break;
      case 6: g.moveTo(x + 5, y); g.lineTo(x - 4, y - 5); g.lineTo(x - 4, y + 5); g.closePath(); g.fill(); break;
      case 7: g.moveTo(x - 5, y); g.lineTo(x + 4, y - 5); g.lineTo(x + 4, y + 5); g.closePath(); g.fill(); break;
      case 8: g.arc(x, y, 3.5, 0, 2 * Math.PI); g.fill(); break;
      case 9: g.arc(x, y, 3.5, 0, 2 * Math.PI); g.stroke(); break;
      default: g.moveTo(x - 3.5, y - 3.5); g.lineTo(x + 3.5, y + 3.5); g.moveTo(x + 3.5, y - 3.5); g.lineTo(x - 3.5, y + 3.5); g.stroke();
    }
    g.restore();
  }

  // Labels in rows above a plot, each where it fits without touching another;
  // a label that fits in no row is left out (zooming in makes room).
  function placeLabels(g, items, rows, rowTop, rowHeight, width) {
    const ends = new Array(rows).fill(-Infinity);
    const placed = [];
    for (const item of items) {
      const w = g.measureText(item.text).width;
      const x = Math.min(Math.max(item.x, LEFT + w / 2), width - RIGHT + 40 - w / 2);
      for (let r = 0; r < rows; ++r) {
        if (x - w / 2 > ends[r] + 6) {
          ends[r] = x + w / 2;
          placed.push({ item: item, x: x, y: rowTop + r * rowHeight, width: w });
          break;
        }
      }
    }
    return placed;
  }

  // The hit boxes of the last drawing, for the hover: per canvas, a list of
  // { x, y, r, show } and a fallback for the area.
  const hits = { plan: [], profile: [], timetable: [] };
  let profileGeometry = null, timetableGeometry = null, planGeometry = null;

  function visibleStations() {
    return stations.filter(function (s) { return s.metre >= view.from && s.metre <= view.to; });
  }

  function drawProfile() {
    const canvas = document.getElementById('profile');
    const laneHeight = 19;
    const geo = { labelsTop: 14, graphTop: 50, graphBottom: 250, laneHeight: laneHeight };
    geo.lanesTop = geo.graphBottom + 12;
    geo.lanesBottom = geo.lanesTop + usedLanes.length * laneHeight;
    canvas.dataset.height = geo.lanesBottom + 26;
    const c = prepare(canvas);
    profileGeometry = geo;
    hits.profile = [];
    drawProfileOn(c.g, c.width, geo);
  }

  function drawProfileOn(g, width, geo) {
    const labelsTop = geo.labelsTop;
    const right = width - RIGHT;
    const top = geo.graphTop, bottom = geo.graphBottom;
    // The shades: mountain spans, and the route beyond the end of the line.
    g.save();
    g.beginPath();
    g.rect(LEFT, top, right - LEFT, geo.lanesBottom - top);
    g.clip();
    g.fillStyle = COLOURS.mountain;
    for (const s of mountains) {
      if (s.to < view.from || s.from > view.to) continue;
      const x0 = xOf(s.from, width), x1 = xOf(s.to, width);
      g.fillRect(x0, top, Math.max(1, x1 - x0), bottom - top);
    }
    if (lineEnd < view.to) {
      const x0 = Math.max(LEFT, xOf(lineEnd, width));
      g.fillStyle = COLOURS.runOut;
      g.fillRect(x0, top, right - x0, geo.lanesBottom - top);
    }
    g.restore();
    kilometreAxis(g, width, top, geo.lanesBottom, true);

    // The scales: gradient on the left, speed on the right, from what is shown.
    let gMin = 0, gMax = 0, vMax = 0;
    forRunsInView(gradient, function (v) { gMin = Math.min(gMin, v); gMax = Math.max(gMax, v); });
    forRunsInView(speed, function (v) { vMax = Math.max(vMax, v); });
    const gStep = roundStep(Math.max(gMax - gMin, 4), 5);
    gMin = Math.floor(gMin / gStep) * gStep;
    gMax = Math.ceil(gMax / gStep) * gStep;
    if (gMax - gMin < gStep * 2) gMax = gMin + gStep * 2;
    const vStep = roundStep(Math.max(vMax, 40), 5);
    vMax = Math.ceil(Math.max(vMax, 1) / vStep) * vStep + (vMax % vStep === 0 ? vStep : 0);
    const inner = 8;
    const yG = function (v) { return bottom - inner - (v - gMin) / (gMax - gMin) * (bottom - top - 2 * inner); };
    const yV = function (v) { return bottom - inner - v / vMax * (bottom - top - 2 * inner); };

    g.save();
    g.font = SMALL;
    g.textAlign = 'right';
    g.fillStyle = COLOURS.gradient;
    for (let v = gMin; v <= gMax + 1e-9; v += gStep) {
      const y = Math.round(yG(v)) + 0.5;
      g.strokeStyle = v === 0 ? '#b9c6d3' : COLOURS.grid;
      g.beginPath(); g.moveTo(LEFT, y); g.lineTo(right, y); g.stroke();
      g.fillText(v.toFixed(decimalsOf(gStep)), LEFT - 6, y + 4);
    }
    g.textAlign = 'left';
    g.fillStyle = COLOURS.speed;
    for (let v = 0; v <= vMax + 1e-9; v += vStep) g.fillText(String(v), right + 6, Math.round(yV(v)) + 4);
    g.font = BOLD;
    g.textAlign = 'right';
    g.fillStyle = COLOURS.gradient;
    g.fillText('gradient \u2030', LEFT - 6, top - 6);
    g.textAlign = 'left';
    g.fillStyle = COLOURS.speed;
    g.fillText('km/h', right + 6, top - 6);
    g.restore();

    // The two lines, as steps; where a line changes more often than every
    // few pixels, as the band between its least and greatest value in each
    // column of pixels.
    g.save();
    g.beginPath();
    g.rect(LEFT, top, right - LEFT, bottom - top);
    g.clip();
    const dense = function (runs) { return runsInView(runs) * 3 > right - LEFT; };
    if (dense(gradient)) {
      band(g, gradient, width, yG, COLOURS.gradient, 'rgba(31, 95, 168, 0.45)');
    } else {
      g.beginPath();
      stepPath(g, gradient, width, yG);
      g.lineTo(right, yG(0));
      g.lineTo(LEFT, yG(0));
      g.closePath();
      g.fillStyle = COLOURS.gradientFill;
      g.fill();
      g.beginPath();
      stepPath(g, gradient, width, yG);
      g.strokeStyle = COLOURS.gradient;
      g.lineWidth = 1.6;
      g.stroke();
    }
    if (dense(speed)) {
      band(g, speed, width, yV, COLOURS.speed, 'rgba(214, 39, 40, 0.40)');
    } else {
      g.beginPath();
      stepPath(g, speed, width, yV);
      g.strokeStyle = COLOURS.speed;
      g.lineWidth = 2.2;
      g.stroke();
    }
    g.restore();

    // Stations: a dashed line through the plot and the name above it.
    g.save();
    g.font = FONT;
    g.textAlign = 'center';
    const shown = visibleStations();
    for (const s of shown) {
      const x = Math.round(xOf(s.metre, width)) + 0.5;
      g.strokeStyle = s === selectedStation ? COLOURS.selected : COLOURS.station;
      g.lineWidth = s === selectedStation ? 2 : 1;
      g.setLineDash([4, 3]);
      g.beginPath(); g.moveTo(x, labelsTop + 22); g.lineTo(x, bottom); g.stroke();
    }
    g.setLineDash([]);
    const placed = placeLabels(g, shown.map(function (s) { return { x: xOf(s.metre, width), text: s.name, station: s }; }), 2, labelsTop, 15, width);
    for (const p of placed) {
      g.fillStyle = p.item.station === selectedStation ? COLOURS.selected : COLOURS.text;
      g.font = p.item.station === selectedStation ? BOLD : FONT;
      g.fillText(p.item.text, p.x, p.y + 4);
      hits.profile.push({ x: p.x, y: p.y, w: p.width / 2 + 2, h: 8, show: function () { return stationTip(p.item.station); } });
    }
    g.restore();

    // The lanes of elements.
    g.save();
    usedLanes.forEach(function (lane, row) {
      const y = geo.lanesTop + row * geo.laneHeight + geo.laneHeight / 2;
      g.strokeStyle = COLOURS.grid;
      g.beginPath(); g.moveTo(LEFT, Math.round(y + geo.laneHeight / 2) + 0.5); g.lineTo(right, Math.round(y + geo.laneHeight / 2) + 0.5); g.stroke();
      g.font = SMALL;
      g.textAlign = 'right';
      g.fillStyle = LANE_COLOURS[lane] || COLOURS.muted;
      g.fillText(laneNames[lane], LEFT - 8, y + 4);
      const list = lanes[lane];
      let lastX = -Infinity;
      for (let i = Math.max(0, lowerBound(list, view.from - (view.to - view.from) * 0.01)); i < list.length; ++i) {
        const e = list[i];
        if (e.metre > view.to) break;
        const x = xOf(e.metre, width);
        // Markers closer than a pixel draw as one.
        if (x - lastX >= 1) {
          marker(g, e.kind.symbol, x, y, LANE_COLOURS[lane] || COLOURS.muted);
          lastX = x;
        }
      }
    });
    g.restore();

    g.strokeStyle = COLOURS.axis;
    g.strokeRect(LEFT + 0.5, top + 0.5, right - LEFT - 1, bottom - top);
    if (usedLanes.length === 0) return;
    g.strokeRect(LEFT + 0.5, geo.lanesTop + 0.5, right - LEFT - 1, geo.lanesBottom - geo.lanesTop);
    geo.yG = yG;
    geo.yV = yV;
  }

  function lowerBound(list, metre) {
    let lo = 0, hi = list.length;
    while (lo < hi) {
      const mid = (lo + hi) >> 1;
      if (list[mid].metre < metre) lo = mid + 1; else hi = mid;
    }
    return lo;
  }

  function forRunsInView(runs, f) {
    const first = Math.max(0, lastAtOrBefore(runs.at, view.from));
    for (let i = first; i < runs.at.length && runs.at[i] <= view.to; ++i) f(runs.value[i]);
  }

  // A running value as steps across the plot: a path from the left edge.
  function stepPath(g, runs, width, yOf) {
    const first = Math.max(0, lastAtOrBefore(runs.at, view.from));
    if (runs.at.length === 0) return;
    const right = width - RIGHT;
    let lastX = LEFT, lastY = yOf(runs.value[first]);
    g.moveTo(LEFT, lastY);
    for (let i = first + 1; i < runs.at.length && runs.at[i] <= view.to; ++i) {
      const x = xOf(runs.at[i], width), y = yOf(runs.value[i]);
      g.lineTo(x, lastY);
      g.lineTo(x, y);
      lastX = x;
      lastY = y;
    }
    if (lastX < right) g.lineTo(right, lastY);
  }

  function runsInView(runs) {
    const first = Math.max(0, lastAtOrBefore(runs.at, view.from));
    const last = lastAtOrBefore(runs.at, view.to);
    return Math.max(0, last - first + 1);
  }

  // A running value as a band: in each column of pixels, from its least to
  // its greatest value there.
  function band(g, runs, width, yOf, line, fill) {
    const right = width - RIGHT;
    const columns = Math.max(1, Math.ceil(right - LEFT));
    const low = new Float64Array(columns).fill(Infinity);
    const high = new Float64Array(columns).fill(-Infinity);
    const first = Math.max(0, lastAtOrBefore(runs.at, view.from));
    for (let i = first; i < runs.at.length && runs.at[i] <= view.to; ++i) {
      const end = i + 1 < runs.at.length ? runs.at[i + 1] : routeEnd;
      const c0 = Math.max(0, Math.floor(xOf(Math.max(runs.at[i], view.from), width) - LEFT));
      const c1 = Math.min(columns - 1, Math.floor(xOf(Math.min(end, view.to), width) - LEFT));
      for (let c = c0; c <= c1; ++c) {
        if (runs.value[i] < low[c]) low[c] = runs.value[i];
        if (runs.value[i] > high[c]) high[c] = runs.value[i];
      }
    }
    g.beginPath();
    let started = false;
    for (let c = 0; c < columns; ++c) {
      if (!isFinite(high[c])) continue;
      const y = yOf(high[c]) - 0.75;
      if (!started) { g.moveTo(LEFT + c, y); started = true; } else g.lineTo(LEFT + c, y);
      g.lineTo(LEFT + c + 1, y);
    }
    for (let c = columns - 1; c >= 0; --c) {
      if (!isFinite(low[c])) continue;
      const y = yOf(low[c]) + 0.75;
      g.lineTo(LEFT + c + 1, y);
      g.lineTo(LEFT + c, y);
    }
    g.closePath();
    g.fillStyle = fill;
    g.fill();
    g.strokeStyle = line;
    g.lineWidth = 1;
    g.stroke();
  }

  function drawTimetable() {
    const canvas = document.getElementById('timetable');
    const c = prepare(canvas);
    const g = c.g, width = c.width, height = c.height;
    const top = 28, bottom = height - 26, right = width - RIGHT;
    timetableGeometry = null;
    hits.timetable = [];
    kilometreAxis(g, width, top, bottom, true);
    if (stops.length === 0) {
      g.fillStyle = COLOURS.muted;
      g.font = FONT;
      g.textAlign = 'center';
      g.fillText('The timetable gives no station a time, so there is no graph to draw.', (LEFT + right) / 2, (top + bottom) / 2);
      return;
    }
    // The times in view: the scheduled run and the fastest runs, at the edges
    // of the stretch and at every point within it.
    let tMin = Infinity, tMax = -Infinity;
    const note = function (t) { if (t < tMin) tMin = t; if (t > tMax) tMax = t; };
    const scheduledAt = function (metre) {
      for (let i = 0; i + 1 < stops.length; ++i) {
        const a = stops[i], b = stops[i + 1];
        if (b.metre > a.metre && metre >= a.metre && metre <= b.metre) {
          return a.seconds + (metre - a.metre) / (b.metre - a.metre) * (b.seconds - a.seconds);
        }
      }
      return null;
    };
    for (const s of stops) if (s.metre >= view.from && s.metre <= view.to) note(s.seconds);
    for (const m of [view.from, view.to]) { const t = scheduledAt(m); if (t !== null) note(t); }
    for (const st of stretches) {
      for (const p of st.run) if (p.metre >= view.from && p.metre <= view.to) note(p.seconds);
    }
    if (!isFinite(tMin)) {
      // No stop and no run in view: the nearest stops set the scale.
      for (const s of stops) note(s.seconds);
    }
    if (tMax - tMin < 120) { const mid = (tMin + tMax) / 2; tMin = mid - 60; tMax = mid + 60; }
    const pad = (tMax - tMin) * 0.06;
    tMin -= pad; tMax += pad;
    const yT = function (t) { return top + (t - tMin) / (tMax - tMin) * (bottom - top); };
    timetableGeometry = { top: top, bottom: bottom, yT: yT };

    // The time grid, in round steps of a clock.
    const steps = [10, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400];
    let step = steps[steps.length - 1];
    for (const s of steps) if ((tMax - tMin) / s <= (bottom - top) / 34) { step = s; break; }
    g.save();
    g.font = SMALL;
    g.textAlign = 'right';
    for (let t = Math.ceil(tMin / step) * step; t <= tMax; t += step) {
      const y = Math.round(yT(t)) + 0.5;
      g.strokeStyle = COLOURS.grid;
      g.beginPath(); g.moveTo(LEFT, y); g.lineTo(right, y); g.stroke();
      g.fillStyle = COLOURS.muted;
      g.fillText(clockLabel(t, step), LEFT - 6, y + 4);
    }
    g.font = BOLD;
    g.fillText('time of day', LEFT - 6, top - 10);
    g.restore();

    g.save();
    g.beginPath();
    g.rect(LEFT, top, right - LEFT, bottom - top);
    g.clip();
    // The stretches the timetable asks too much of.
    for (const st of stretches) {
      if (!st.tooFast || st.to.metre < view.from || st.from.metre > view.to) continue;
      const x0 = xOf(st.from.metre, width), x1 = xOf(st.to.metre, width);
      g.fillStyle = COLOURS.tooFast;
      g.fillRect(x0, top, x1 - x0, bottom - top);
    }
    // Stations of the timetable: a thin line down the graph.
    for (const s of stops) {
      if (s.metre < view.from || s.metre > view.to) continue;
      const x = Math.round(xOf(s.metre, width)) + 0.5;
      g.strokeStyle = COLOURS.grid;
      g.beginPath(); g.moveTo(x, top); g.lineTo(x, bottom); g.stroke();
    }
    // The fastest runs, dashed.
    g.setLineDash([6, 4]);
    g.lineWidth = 1.8;
    g.strokeStyle = COLOURS.fastest;
    for (const st of stretches) {
      if (st.run.length < 2 || st.to.metre < view.from || st.from.metre > view.to) continue;
      g.beginPath();
      let lastX = -Infinity;
      st.run.forEach(function (p, i) {
        const x = xOf(p.metre, width);
        if (i === 0) g.moveTo(x, yT(p.seconds));
        else if (x - lastX >= 0.7 || i === st.run.length - 1) g.lineTo(x, yT(p.seconds));
        else return;
        lastX = x;
      });
      g.stroke();
    }
    g.setLineDash([]);
    // The scheduled run, red where it is too fast.
    for (let i = 0; i + 1 < stops.length; ++i) {
      const a = stops[i], b = stops[i + 1];
      if (Math.max(a.metre, b.metre) < view.from || Math.min(a.metre, b.metre) > view.to) continue;
      const st = stretches.find(function (s) { return s.from === a; });
      g.strokeStyle = st && st.tooFast ? COLOURS.warn : COLOURS.scheduled;
      g.lineWidth = st && st.tooFast ? 2.6 : 1.8;
      g.beginPath();
      g.moveTo(xOf(a.metre, width), yT(a.seconds));
      g.lineTo(xOf(b.metre, width), yT(b.seconds));
      g.stroke();
    }
    g.restore();

    // The stops, with their names where they fit.
    g.save();
    const shown = stops.filter(function (s) { return s.metre >= view.from && s.metre <= view.to; });
    for (const s of shown) {
      const x = xOf(s.metre, width), y = yT(s.seconds);
      const chosen = selectedStation && selectedStation.name === s.name;
      g.fillStyle = chosen ? COLOURS.selected : COLOURS.scheduled;
      g.beginPath(); g.arc(x, y, chosen ? 4.5 : 3.2, 0, 2 * Math.PI); g.fill();
      hits.timetable.push({ x: x, y: y, w: 6, h: 6, show: function () { return stopTip(s); } });
    }
    g.font = SMALL;
    g.textAlign = 'center';
    const placed = placeLabels(g, shown.map(function (s) { return { x: xOf(s.metre, width), text: s.name, stop: s }; }), 1, 12, 12, width);
    for (const p of placed) {
      g.fillStyle = COLOURS.muted;
      g.fillText(p.item.text, p.x, p.y + 4);
    }
    for (const st of stretches) {
      if (!st.tooFast) continue;
      const mid = (Math.max(st.from.metre, view.from) + Math.min(st.to.metre, view.to)) / 2;
      if (mid < view.from || mid > view.to || xOf(st.to.metre, width) - xOf(st.from.metre, width) < 60) continue;
      g.fillStyle = COLOURS.warn;
      g.font = BOLD;
      g.fillText('too fast', xOf(mid, width), bottom - 8);
    }
    g.restore();
    g.strokeStyle = COLOURS.axis;
    g.strokeRect(LEFT + 0.5, top + 0.5, right - LEFT - 1, bottom - top);
  }

  function clockLabel(seconds, step) {
    const s = Math.round(seconds);
    const day = Math.floor(s / 86400);
    const r = s - day * 86400;
    const hh = String(Math.floor(r / 3600) + day * 24).padStart(2, '0');
    const mm = String(Math.floor(r % 3600 / 60)).padStart(2, '0');
    return step < 60 ? hh + ':' + mm + ':' + String(r % 60).padStart(2, '0') : hh + ':' + mm;
  }

  function drawPlan() {
    const canvas = document.getElementById('plan');
    const note = document.getElementById('plan-note');
    if (planRuns.length === 0) {
      note.hidden = false;
      note.textContent = D.plan_note || 'The track plan holds no points.';
      canvas.hidden = true;
      planGeometry = null;
      return;
    }
    const c = prepare(canvas);
    const g = c.g, width = c.width, height = c.height;
    hits.plan = [];
    // The main view fits the stretch shown, with a margin, at one scale for
    // both axes.
    const box = { minX: Infinity, maxX: -Infinity, minY: Infinity, maxY: -Infinity };
    const edgePoints = [planPointAt(view.from), planPointAt(view.to)];
    for (const p of edgePoints) if (p) extendBox(box, p.x, p.y);
    for (const r of planRuns) {
      const first = Math.max(0, lastAtOrBefore(r.m, view.from));
      for (let i = first; i < r.m.length && r.m[i] <= view.to; ++i) extendBox(box, r.x[i], r.y[i]);
    }
    if (!isFinite(box.minX)) Object.assign(box, planBox);
    const frame = { left: 10, top: 10, right: width - 10, bottom: height - 10 };
    const margin = 48;
    const spanX = Math.max(box.maxX - box.minX, 1), spanY = Math.max(box.maxY - box.minY, 1);
    const scale = Math.min((frame.right - frame.left - 2 * margin) / spanX, (frame.bottom - frame.top - 2 * margin) / spanY);
    const cx = (box.minX + box.maxX) / 2, cy = (box.minY + box.maxY) / 2;
    const px = function (x) { return (frame.left + frame.right) / 2 + (x - cx) * scale; };
    const py = function (y) { return (frame.top + frame.bottom) / 2 - (y - cy) * scale; };
    planGeometry = { px: px, py: py };

    g.fillStyle = '#fbfbf8';
    g.fillRect(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    g.save();
    g.beginPath();
    g.rect(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    g.clip();
    // The whole line faint, the stretch shown strong, the run-out dashed.
    planPath(g, px, py, -Infinity, Infinity, frame);
    g.strokeStyle = COLOURS.plan;
    g.lineWidth = 2;
    g.stroke();
    planPath(g, px, py, view.from, Math.min(view.to, lineEnd), frame);
    g.strokeStyle = COLOURS.planShown;
    g.lineWidth = 3.2;
    g.lineJoin = 'round';
    g.stroke();
    if (view.to > lineEnd) {
      planPath(g, px, py, Math.max(view.from, lineEnd), view.to, frame);
      g.setLineDash([6, 4]);
      g.strokeStyle = COLOURS.planShown;
      g.lineWidth = 2;
      g.stroke();
      g.setLineDash([]);
    }
    // The stations, then the ends of the stretch; each name goes to the first
    // of four places beside its point where it covers no other name, or is
    // left out.
    const labelled = [];
    const label = function (text, x, y, colour, font) {
      g.font = font;
      const w = g.measureText(text).width;
      const places = [[8, -6], [8, 15], [-8 - w, -6], [-8 - w, 15]];
      for (const [dx, dy] of places) {
        const spot = { x0: x + dx - 2, y0: y + dy - 12, x1: x + dx + w + 2, y1: y + dy + 3 };
        if (spot.x0 < frame.left || spot.x1 > frame.right || spot.y0 < frame.top || spot.y1 > frame.bottom) continue;
        if (labelled.some(function (o) { return spot.x0 < o.x1 && o.x0 < spot.x1 && spot.y0 < o.y1 && o.y0 < spot.y1; })) continue;
        labelled.push(spot);
        haloText(g, text, x + dx, y + dy, colour, font);
        return;
      }
    };
    const ends = [];
    for (const metre of [view.from, view.to]) {
      const p = planPointAt(metre);
      if (!p) continue;
      ends.push({ x: px(p.x), y: py(p.y), text: 'km ' + kmNumber(metre) });
      g.fillStyle = COLOURS.planShown;
      g.beginPath(); g.arc(px(p.x), py(p.y), 4, 0, 2 * Math.PI); g.fill();
    }
    const chosenFirst = stations.slice().sort(function (a, b) {
      return (b === selectedStation) - (a === selectedStation);
    });
    for (const s of chosenFirst) {
      const p = planPointAt(s.metre);
      if (!p) continue;
      const x = px(p.x), y = py(p.y);
      if (x < frame.left || x > frame.right || y < frame.top || y > frame.bottom) continue;
      const chosen = s === selectedStation;
      g.fillStyle = chosen ? COLOURS.selected : '#ffffff';
      g.strokeStyle = chosen ? COLOURS.selected : COLOURS.text;
      g.lineWidth = 1.5;
      g.beginPath(); g.arc(x, y, chosen ? 5.5 : 4, 0, 2 * Math.PI); g.fill(); g.stroke();
      hits.plan.push({ x: x, y: y, w: 7, h: 7, show: function () { return stationTip(s); } });
      label(s.name, x, y, chosen ? COLOURS.selected : COLOURS.text, chosen ? BOLD : FONT);
    }
    for (const e of ends) label(e.text, e.x, e.y, COLOURS.planShown, SMALL);
    g.restore();
    g.strokeStyle = COLOURS.axis;
    g.strokeRect(frame.left + 0.5, frame.top + 0.5, frame.right - frame.left - 1, frame.bottom - frame.top - 1);
    // A scale bar.
    const barMetres = roundStep(120 / scale, 1);
    const barPixels = barMetres * scale;
    g.fillStyle = COLOURS.text;
    g.fillRect(frame.left + 16, frame.bottom - 18, barPixels, 3);
    haloText(g, barMetres >= 1000 ? barMetres / 1000 + ' km' : barMetres + ' m', frame.left + 16, frame.bottom - 24, COLOURS.text, SMALL);

    drawOverview(g, frame);
  }

  // The whole line in the corner, with the stretch shown on it, unless the
  // stretch is most of the line.
  function drawOverview(g, frame) {
    if (view.to - view.from >= 0.9 * wholeEnd) return;
    const w = 190, h = 150;
    const x0 = frame.right - w - 10, y0 = frame.top + 10;
    const spanX = Math.max(planBox.maxX - planBox.minX, 1), spanY = Math.max(planBox.maxY - planBox.minY, 1);
    const scale = Math.min((w - 20) / spanX, (h - 20) / spanY);
    const cx = (planBox.minX + planBox.maxX) / 2, cy = (planBox.minY + planBox.maxY) / 2;
    const px = function (x) { return x0 + w / 2 + (x - cx) * scale; };
    const py = function (y) { return y0 + h / 2 - (y - cy) * scale; };
    g.save();
    g.fillStyle = 'rgba(255, 255, 255, 0.94)';
    g.strokeStyle = COLOURS.axis;
    g.fillRect(x0, y0, w, h);
    g.strokeRect(x0 + 0.5, y0 + 0.5, w - 1, h - 1);
    const box = { left: x0, top: y0, right: x0 + w, bottom: y0 + h };
    planPath(g, px, py, -Infinity, Infinity, box);
    g.strokeStyle = '#8d99a6';
    g.lineWidth = 1.2;
    g.stroke();
    planPath(g, px, py, view.from, view.to, box);
    g.strokeStyle = COLOURS.warn;
    g.lineWidth = 3;
    g.stroke();
    const p = planPointAt(view.from);
    if (p) { g.fillStyle = COLOURS.warn; g.beginPath(); g.arc(px(p.x), py(p.y), 2.5, 0, 2 * Math.PI); g.fill(); }
    g.fillStyle = COLOURS.muted;
    g.font = SMALL;
    g.fillText('whole line', x0 + 6, y0 + h - 6);
    g.restore();
  }

  // The plan's path from one metre to another, leaving out points that
  // fall on the pixel of the one before.
  function planPath(g, px, py, from, to, box) {
    g.beginPath();
    for (const r of planRuns) {
      const n = r.m.length;
      if (n === 0 || r.m[n - 1] < from || r.m[0] > to) continue;
      let i = Math.max(0, lastAtOrBefore(r.m, from));
      let started = false, lastX = 0, lastY = 0;
      const start = planPointAt(Math.max(from, r.m[0]));
      if (start) { g.moveTo(px(start.x), py(start.y)); started = true; lastX = px(start.x); lastY = py(start.y); }
      for (; i < n && r.m[i] <= to; ++i) {
        if (r.m[i] < from) continue;
        const x = px(r.x[i]), y = py(r.y[i]);
        if (!started) { g.moveTo(x, y); started = true; }
        else if (Math.abs(x - lastX) + Math.abs(y - lastY) >= 0.8) g.lineTo(x, y);
        else continue;
        lastX = x; lastY = y;
      }
      const end = planPointAt(Math.min(to, r.m[n - 1]));
      if (end && started) g.lineTo(px(end.x), py(end.y));
    }
    void box;
  }

  function haloText(g, text, x, y, colour, font) {
    g.save();
    g.font = font;
    g.lineWidth = 4;
    g.lineJoin = 'round';
    g.strokeStyle = 'rgba(255, 255, 255, 0.92)';
    g.strokeText(text, x, y);
    g.fillStyle = colour;
    g.fillText(text, x, y);
    g.restore();
  }

  let drawPending = false;
  function requestDraw() {
    if (drawPending) return;
    drawPending = true;
    requestAnimationFrame(function () {
      drawPending = false;
      drawAll();
    });
  }
  function drawAll() {
    drawPlan();
    drawProfile();
    drawTimetable();
  }

  // ---- The tooltip ----

  const tooltip = document.getElementById('tooltip');

  function tip(title, where, rows, warning) {
    const box = document.createDocumentFragment();
    const t = document.createElement('div');
    t.className = 'title';
    t.textContent = title;
    box.appendChild(t);
    if (where) {
      const w = document.createElement('div');
      w.className = 'where';
      w.textContent = where;
      box.appendChild(w);
    }
    if (warning) {
      const w = document.createElement('div');
      w.className = 'warn';
      w.textContent = warning;
      box.appendChild(w);
    }
    if (rows && rows.length > 0) {
      // A long list of values two pairs to a row, so that the box stays low.
      const table = document.createElement('table');
      const perRow = rows.length > 6 ? 2 : 1;
      for (let i = 0; i < rows.length; i += perRow) {
        const tr = document.createElement('tr');
        for (const row of rows.slice(i, i + perRow)) {
          for (const cell of row) {
            const td = document.createElement('td');
            td.textContent = cell;
            tr.appendChild(td);
          }
        }
        table.appendChild(tr);
      }
      box.appendChild(table);
    }
    return box;
  }
  // The values of the cell at a metre, in the words of `dump`.
  function runningRows(metre) {
    const rows = [];
    const v = valueAt(speed, metre), gr = valueAt(gradient, metre), ad = valueAt(adhesion, metre);
    if (v !== null) rows.push(['speed', v + ' km/h']);
    if (gr !== null) rows.push(['gradient', gr + ' \u2030']);
    if (ad !== null) rows.push(['aderenza', String(ad)]);
    return rows;
  }
  function elementTip(e) {
    const rows = e.values.map(function (p) { return [p[0], p[1]]; });
    return tip(e.kind.title, 'km ' + e.km + ' \u00b7 cell ' + e.cell + ' (' + e.kind.name + ')',
      rows.concat(runningRows(e.cell * 50)));
  }
  function stationTip(s) {
    const rows = [['km', s.km]];
    if (s.time) rows.push(['time', s.time]);
    return tip(s.name, 'station', rows);
  }
  function stopTip(s) {
    return tip(s.name, 'km ' + s.km + ' \u00b7 ' + s.clock, []);
  }
  function stretchBox(st) {
    const box = tip(st.from.name + ' \u2192 ' + st.to.name,
      'km ' + st.from.km + ' \u2013 ' + st.to.km + ' \u00b7 ' + st.from.clock + ' \u2013 ' + st.to.clock,
      [], st.tooFast ? 'The timetable is faster than the speed limits allow' : null);
    const p = document.createElement('div');
    p.textContent = st.text.charAt(0).toUpperCase() + st.text.slice(1) + ' (a lower bound: every cell at its limit, no acceleration or braking).';
    box.appendChild(p);
    return box;
  }

  function showTip(content, clientX, clientY) {
    if (!content) { hideTip(); return; }
    tooltip.replaceChildren(content);
    tooltip.hidden = false;
    const r = tooltip.getBoundingClientRect();
    let x = clientX + 14, y = clientY + 14;
    if (x + r.width > window.innerWidth - 4) x = clientX - r.width - 14;
    if (y + r.height > window.innerHeight - 4) y = clientY - r.height - 14;
    tooltip.style.left = Math.max(4, x) + 'px';
    tooltip.style.top = Math.max(4, y) + 'px';
  }
  function hideTip() {
    tooltip.hidden = true;
  }

  function nearestHit(list, x, y) {
    let best = null, bestDistance = Infinity;
    for (const h of list) {
      const dx = Math.abs(x - h.x), dy = Math.abs(y - h.y);
      if (dx <= h.w + 3 && dy <= h.h + 3 && dx + dy < bestDistance) { best = h; bestDistance = dx + dy; }
    }
    return best;
  }

  function profileHover(x, y, width) {
    const geo = profileGeometry;
    const hit = nearestHit(hits.profile, x, y);
    if (hit) return hit.show();
    if (x < LEFT || x > width - RIGHT) return null;
    if (y >= geo.lanesTop && y < geo.lanesBottom) {
      const lane = usedLanes[Math.floor((y - geo.lanesTop) / geo.laneHeight)];
      const list = lanes[lane] || [];
      const metre = metreOf(x, width);
      const perPixel = (view.to - view.from) / (width - LEFT - RIGHT);
      let best = null, bestDistance = 7 * perPixel;
      for (let i = Math.max(0, lowerBound(list, metre - bestDistance)); i < list.length && list[i].metre <= metre + bestDistance; ++i) {
        const d = Math.abs(list[i].metre - metre);
        if (d < bestDistance) { best = list[i]; bestDistance = d; }
      }
      return best ? elementTip(best) : null;
    }
    if (y >= geo.graphTop && y <= geo.graphBottom) {
      const metre = metreOf(x, width);
      const rows = runningRows(metre);
      const span = mountains.find(function (s) { return metre >= s.from && metre < s.to; });
      if (span) rows.push(['montagna', String(span.kind)]);
      return tip('km ' + kmNumber(metre), metre > lineEnd ? 'beyond the end of the line' : 'on the line', rows);
    }
    return null;
  }

  function timetableHover(x, y, width) {
    const hit = nearestHit(hits.timetable, x, y);
    if (hit) return hit.show();
    if (!timetableGeometry || x < LEFT || x > width - RIGHT || y < timetableGeometry.top || y > timetableGeometry.bottom) return null;
    const metre = metreOf(x, width);
    const st = stretches.find(function (s) { return metre >= s.from.metre && metre <= s.to.metre; });
    return st ? stretchBox(st) : null;
  }

  function planHover(x, y) {
    const hit = nearestHit(hits.plan, x, y);
    return hit ? hit.show() : null;
  }

  // ---- Interaction ----

  function localPoint(canvas, event) {
    const r = canvas.getBoundingClientRect();
    return { x: event.clientX - r.left, y: event.clientY - r.top, width: r.width };
  }

  function attachAlong(canvas, hover) {
    let drag = null;
    canvas.addEventListener('wheel', function (event) {
      event.preventDefault();
      const p = localPoint(canvas, event);
      const factor = Math.pow(1.0015, event.deltaY * (event.deltaMode === 1 ? 30 : 1));
      zoom(factor, Math.min(Math.max(metreOf(p.x, p.width), view.from), view.to));
      hideTip();
    }, { passive: false });
    canvas.addEventListener('pointerdown', function (event) {
      if (event.button !== 0) return;
      const p = localPoint(canvas, event);
      drag = { x: p.x, from: view.from, to: view.to, width: p.width };
      canvas.setPointerCapture(event.pointerId);
      canvas.classList.add('dragging');
      hideTip();
    });
    canvas.addEventListener('pointermove', function (event) {
      const p = localPoint(canvas, event);
      if (drag) {
        const metres = (p.x - drag.x) / (drag.width - LEFT - RIGHT) * (drag.to - drag.from);
        setView(drag.from - metres, drag.to - metres);
        return;
      }
      showTip(hover(p.x, p.y, p.width), event.clientX, event.clientY);
    });
    const end = function (event) {
      if (!drag) return;
      drag = null;
      canvas.classList.remove('dragging');
      if (canvas.hasPointerCapture(event.pointerId)) canvas.releasePointerCapture(event.pointerId);
      rememberInAddress();
    };
    canvas.addEventListener('pointerup', end);
    canvas.addEventListener('pointercancel', end);
    canvas.addEventListener('pointerleave', hideTip);
    canvas.addEventListener('dblclick', function (event) {
      const p = localPoint(canvas, event);
      zoom(event.shiftKey ? 2 : 0.5, metreOf(p.x, p.width));
    });
  }
  attachAlong(document.getElementById('profile'), profileHover);
  attachAlong(document.getElementById('timetable'), timetableHover);
  const planCanvas = document.getElementById('plan');
  planCanvas.addEventListener('pointermove', function (event) {
    const p = localPoint(planCanvas, event);
    showTip(planHover(p.x, p.y), event.clientX, event.clientY);
  });
  planCanvas.addEventListener('pointerleave', hideTip);
  planCanvas.addEventListener('wheel', function (event) {
    event.preventDefault();
    zoom(Math.pow(1.0015, event.deltaY * (event.deltaMode === 1 ? 30 : 1)));
  }, { passive: false });

  document.getElementById('zoom-in').addEventListener('click', function () { zoom(0.5); });
  document.getElementById('zoom-out').addEventListener('click', function () { zoom(2); });
  document.getElementById('pan-back').addEventListener('click', function () { pan(-0.4); });
  document.getElementById('pan-ahead').addEventListener('click', function () { pan(0.4); });
  document.getElementById('whole-line').addEventListener('click', function () {
    setView(0, wholeEnd);
    rememberInAddress();
  });
  document.addEventListener('keydown', function (event) {
    if (event.target instanceof HTMLInputElement || event.ctrlKey || event.metaKey || event.altKey) return;
    const actions = {
      ArrowLeft: function () { pan(-0.2); }, ArrowRight: function () { pan(0.2); },
      '+': function () { zoom(0.5); }, '=': function () { zoom(0.5); }, '-': function () { zoom(2); },
      '0': function () { setView(0, wholeEnd); rememberInAddress(); }, Home: function () { setView(0, wholeEnd); rememberInAddress(); },
      '/': function () { document.getElementById('search-text').focus(); }
    };
    const action = actions[event.key];
    if (action) { event.preventDefault(); action(); }
  });

  // The station search: the exact name first, then a name that begins with
  // the text, then one that holds it, in any letter case.
  const names = document.getElementById('station-names');
  const seen = new Set();
  for (const s of stations) {
    if (seen.has(s.name)) continue;
    seen.add(s.name);
    const option = document.createElement('option');
    option.value = s.name;
    names.appendChild(option);
  }
  function findStation(text) {
    const wanted = text.trim().toLocaleLowerCase();
    if (wanted === '') return null;
    const tests = [
      function (n) { return n === wanted; },
      function (n) { return n.startsWith(wanted); },
      function (n) { return n.includes(wanted); }
    ];
    for (const test of tests) {
      const s = stations.find(function (st) { return test(st.name.toLocaleLowerCase()); });
      if (s) return s;
    }
    return null;
  }
  function goToStation(s) {
    selectedStation = s;
    const span = Math.min(view.to - view.from, 6000);
    setView(s.metre - span / 2, s.metre + span / 2);
    rememberInAddress();
  }
  document.getElementById('search').addEventListener('submit', function (event) {
    event.preventDefault();
    const text = document.getElementById('search-text').value;
    const result = document.getElementById('search-result');
    const s = findStation(text);
    if (s) {
      goToStation(s);
      result.className = '';
      result.textContent = s.name + ', km ' + s.km;
    } else {
      result.className = 'not-found';
      result.textContent = text.trim() === '' ? 'Type a station\u2019s name' : 'No station named \u201c' + text.trim() + '\u201d';
    }
  });

  // ---- The start ----

  const heading = (D.scenario ? 'Scenario ' + D.scenario : 'Scenario (no identifier)') +
    ' \u2014 train ' + (D.train ? D.train : '(no number)');
  document.getElementById('title').textContent = heading;
  const facts = [
    'line of ' + (lineEnd / 1000).toFixed(3) + ' km',
    stations.length + ' stations',
    elements.length + ' elements on ' + D.route_end / 50 + ' cells of 50 m'
  ];
  const tooFast = stretches.filter(function (s) { return s.tooFast; }).length;
  facts.push(tooFast === 0 ? 'timetable within the speed limits' : tooFast + (tooFast === 1 ? ' stretch' : ' stretches') + ' faster than the speed limits allow');
  if (D.source) facts.push(D.source);
  document.getElementById('summary').textContent = facts.join(' \u00b7 ');

  // The legend of the kinds, each with its marker.
  const legend = document.getElementById('kinds');
  for (const k of kinds) {
    if (lanes[k.lane - 1].length === 0 && k.lane === otherLane) continue;
    const span = document.createElement('span');
    const sample = document.createElement('canvas');
    const ratio = window.devicePixelRatio || 1;
    sample.width = 16 * ratio;
    sample.height = 16 * ratio;
    const g = sample.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    marker(g, k.symbol, 8, 8, LANE_COLOURS[k.lane - 1] || COLOURS.muted);
    span.appendChild(sample);
    span.appendChild(document.createTextNode(k.title));
    legend.appendChild(span);
  }
  for (const [colour, text] of [[COLOURS.gradient, 'gradient (\u2030, left scale)'], [COLOURS.speed, 'speed limit (km/h, right scale)']]) {
    const span = document.createElement('span');
    const line = document.createElement('i');
    line.className = 'swatch line';
    line.style.borderColor = colour;
    span.appendChild(line);
    span.appendChild(document.createTextNode(text));
    legend.appendChild(span);
  }
  for (const [colour, text] of [[COLOURS.mountain, 'mountain span'], [COLOURS.runOut, 'beyond the end of the line']]) {
    const span = document.createElement('span');
    const box = document.createElement('i');
    box.className = 'swatch';
    box.style.background = colour;
    span.appendChild(box);
    span.appendChild(document.createTextNode(text));
    legend.appendChild(span);
  }

  if (!fromAddress()) setView(0, wholeEnd);
  window.addEventListener('resize', requestDraw);
  drawAll();
  // Where the three drawings stand on the page (x, y, width, height in CSS
  // pixels), for a check that looks at a screenshot of it.
  root.setAttribute('data-drawings', ['plan', 'profile', 'timetable'].map(function (id) {
    const r = document.getElementById(id).getBoundingClientRect();
    return id + ':' + [r.left + scrollX, r.top + scrollY, r.width, r.height].map(Math.round).join(',');
  }).join(' '));
  root.setAttribute('data-load-ms', performance.now().toFixed(1));
  root.setAttribute('data-ready', '1');
})();
