// Figures as SVG text, drawn by hand: a curve's component against time with
// its 95% band, a date's density with its HPD intervals, events' densities
// one above the other, and a map as a coloured grid with contours.

const SVG_NS = 'http://www.w3.org/2000/svg';

export function escapeXml(text) {
  return String(text).replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);
}

// Round numbers for an axis from lo to hi, about `count` of them.
export function ticks(lo, hi, count = 6) {
  if (!(hi > lo)) return [lo];
  const raw = (hi - lo) / count;
  const magnitude = 10 ** Math.floor(Math.log10(raw));
  const step = [1, 2, 2.5, 5, 10].map((m) => m * magnitude).find((s) => s >= raw);
  const first = Math.ceil(lo / step) * step;
  const result = [];
  for (let v = first; v <= hi + step * 1e-9; v += step) result.push(Number(v.toPrecision(12)));
  return result;
}

function frame(width, height, title, label) {
  return [
    `<svg xmlns="${SVG_NS}" width="${width}" height="${height}" viewBox="0 0 ${width} ${height}" ` +
      `role="img" aria-label="${escapeXml(label)}" font-family="sans-serif" font-size="12">`,
    `<rect width="${width}" height="${height}" fill="#ffffff"/>`,
    `<text x="${width / 2}" y="16" text-anchor="middle" font-weight="bold">${escapeXml(title)}</text>`,
  ];
}

// Axes with ticks and labels; returns the parts and the scales.
function axes(parts, box, xRange, yRange, xLabel, yLabel) {
  const [x0, y0, x1, y1] = box;
  const sx = (v) => x0 + ((v - xRange[0]) / (xRange[1] - xRange[0])) * (x1 - x0);
  const sy = (v) => y1 - ((v - yRange[0]) / (yRange[1] - yRange[0])) * (y1 - y0);
  for (const t of ticks(xRange[0], xRange[1])) {
    parts.push(`<line x1="${sx(t)}" y1="${y0}" x2="${sx(t)}" y2="${y1}" stroke="#e4e4e4"/>`);
    parts.push(`<text x="${sx(t)}" y="${y1 + 15}" text-anchor="middle">${t}</text>`);
  }
  for (const t of ticks(yRange[0], yRange[1], 4)) {
    parts.push(`<line x1="${x0}" y1="${sy(t)}" x2="${x1}" y2="${sy(t)}" stroke="#e4e4e4"/>`);
    parts.push(`<text x="${x0 - 5}" y="${sy(t) + 4}" text-anchor="end">${t}</text>`);
  }
  parts.push(`<rect x="${x0}" y="${y0}" width="${x1 - x0}" height="${y1 - y0}" fill="none" stroke="#444"/>`);
  parts.push(`<text x="${(x0 + x1) / 2}" y="${y1 + 32}" text-anchor="middle">${escapeXml(xLabel)}</text>`);
  parts.push(
    `<text transform="translate(14 ${(y0 + y1) / 2}) rotate(-90)" text-anchor="middle">${escapeXml(yLabel)}</text>`,
  );
  return { sx, sy };
}

const fixed = (v) => (Math.round(v * 100) / 100).toString();

// A component of a curve against time: the line and its 95% band; a gap
// (NaN) breaks both. A curve without errors (a global model's) has no band.
export function componentFigure({ title, unit, years, values, errors: given, width = 720, height = 220 }) {
  const errors = given ?? new Float64Array(years.length);
  let lo = Infinity;
  let hi = -Infinity;
  for (let k = 0; k < years.length; k++) {
    if (Number.isFinite(values[k]) && Number.isFinite(errors[k])) {
      lo = Math.min(lo, values[k] - errors[k]);
      hi = Math.max(hi, values[k] + errors[k]);
    }
  }
  if (!(hi > lo)) {
    lo = 0;
    hi = 1;
  }
  const pad = (hi - lo) * 0.05;
  const parts = frame(width, height, title, `${title} against time`);
  const box = [62, 26, width - 12, height - 42];
  const { sx, sy } = axes(parts, box, [years[0], years[years.length - 1]], [lo - pad, hi + pad], 'year AD', unit);
  // Runs of epochs with values.
  const runs = [];
  let run = [];
  for (let k = 0; k < years.length; k++) {
    if (Number.isFinite(values[k]) && Number.isFinite(errors[k])) run.push(k);
    else if (run.length) {
      runs.push(run);
      run = [];
    }
  }
  if (run.length) runs.push(run);
  for (const r of runs) {
    const upper = r.map((k) => `${fixed(sx(years[k]))},${fixed(sy(values[k] + errors[k]))}`);
    const lower = r.map((k) => `${fixed(sx(years[k]))},${fixed(sy(values[k] - errors[k]))}`).reverse();
    if (given) parts.push(`<polygon points="${upper.concat(lower).join(' ')}" fill="#9ecae1" fill-opacity="0.6"/>`);
    const line = r.map((k) => `${fixed(sx(years[k]))},${fixed(sy(values[k]))}`);
    parts.push(`<polyline points="${line.join(' ')}" fill="none" stroke="#08519c" stroke-width="1.5"/>`);
  }
  parts.push('</svg>');
  return parts.join('\n');
}

// A date's density, the HPD intervals of the first level shaded.
export function densityFigure({ title, years, density, intervals, width = 720, height = 240 }) {
  let first = 0;
  let last = years.length - 1;
  const peak = Math.max(...density);
  // The years that hold the density, with a margin.
  while (first < last && density[first] < peak * 1e-4) first++;
  while (last > first && density[last] < peak * 1e-4) last--;
  first = Math.max(0, first - 50);
  last = Math.min(years.length - 1, last + 50);
  const parts = frame(width, height, title, `${title}: probability against year`);
  const box = [70, 26, width - 12, height - 42];
  const { sx, sy } = axes(parts, box, [years[first], years[last]], [0, peak * 1.05 || 1], 'year AD', 'probability per year');
  for (const [from, to] of intervals) {
    const a = sx(Math.max(from, years[first]));
    const b = sx(Math.min(to, years[last]));
    parts.push(`<rect x="${fixed(a)}" y="${box[1]}" width="${fixed(Math.max(b - a, 1))}" height="${box[3] - box[1]}" fill="#fdd0a2" fill-opacity="0.7"/>`);
  }
  const points = [];
  for (let k = first; k <= last; k++) points.push(`${fixed(sx(years[k]))},${fixed(sy(density[k]))}`);
  parts.push(`<polyline points="${points.join(' ')}" fill="none" stroke="#a63603" stroke-width="1.5"/>`);
  parts.push('</svg>');
  return parts.join('\n');
}

// Events' densities one above the other, each scaled to its own peak.
export function eventsFigure({ title, years, rows, width = 720 }) {
  const rowHeight = 36;
  const height = 60 + rows.length * rowHeight;
  const parts = frame(width, height, title, `${title}: one density a row`);
  const box = [150, 26, width - 12, height - 30];
  let first = years.length - 1;
  let last = 0;
  for (const row of rows) {
    const peak = Math.max(...row.density);
    row.density.forEach((p, k) => {
      if (p >= peak * 1e-4) {
        first = Math.min(first, k);
        last = Math.max(last, k);
      }
    });
  }
  first = Math.max(0, first - 30);
  last = Math.min(years.length - 1, Math.max(last + 30, first + 1));
  const sx = (v) => box[0] + ((v - years[first]) / (years[last] - years[first])) * (box[2] - box[0]);
  for (const t of ticks(years[first], years[last])) {
    parts.push(`<line x1="${sx(t)}" y1="${box[1]}" x2="${sx(t)}" y2="${box[3]}" stroke="#e4e4e4"/>`);
    parts.push(`<text x="${sx(t)}" y="${box[3] + 15}" text-anchor="middle">${t}</text>`);
  }
  rows.forEach((row, r) => {
    const base = box[1] + (r + 1) * rowHeight;
    const peak = Math.max(...row.density) || 1;
    const points = [`${fixed(sx(years[first]))},${base}`];
    for (let k = first; k <= last; k++) {
      points.push(`${fixed(sx(years[k]))},${fixed(base - (row.density[k] / peak) * (rowHeight - 6))}`);
    }
    points.push(`${fixed(sx(years[last]))},${base}`);
    parts.push(`<polygon points="${points.join(' ')}" fill="#9ecae1" stroke="#08519c"/>`);
    parts.push(`<text x="${box[0] - 6}" y="${base - 4}" text-anchor="end">${escapeXml(row.name)}</text>`);
  });
  parts.push('</svg>');
  return parts.join('\n');
}

// A colour of a blue-white-red scale for t in [0, 1].
export function colour(t) {
  const stops = [
    [33, 102, 172],
    [146, 197, 222],
    [247, 247, 247],
    [244, 165, 130],
    [178, 24, 43],
  ];
  const x = Math.min(Math.max(t, 0), 1) * (stops.length - 1);
  const i = Math.min(Math.floor(x), stops.length - 2);
  const f = x - i;
  const c = stops[i].map((v, j) => Math.round(v + (stops[i + 1][j] - v) * f));
  return `rgb(${c[0]},${c[1]},${c[2]})`;
}

// Contour segments of a grid at a level by marching squares, in grid units.
export function contourSegments(values, rows, cols, level) {
  const segments = [];
  const at = (i, j) => values[i * cols + j];
  const cross = (a, b) => (level - a) / (b - a);
  for (let i = 0; i + 1 < rows; i++) {
    for (let j = 0; j + 1 < cols; j++) {
      const v = [at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)];
      if (!v.every(Number.isFinite)) continue;
      // Points where the level crosses the cell's four edges.
      const edges = [
        [v[0], v[1], (t) => [i, j + t]],
        [v[1], v[2], (t) => [i + t, j + 1]],
        [v[3], v[2], (t) => [i + 1, j + t]],
        [v[0], v[3], (t) => [i + t, j]],
      ];
      const points = [];
      for (const [a, b, place] of edges) {
        if ((a < level) !== (b < level)) points.push(place(cross(a, b)));
      }
      if (points.length === 2) segments.push(points);
      if (points.length === 4) segments.push([points[0], points[1]], [points[2], points[3]]);
    }
  }
  return segments;
}

// A map: the grid's cells coloured from lo to hi, contours at the axis
// ticks of the values, latitude and longitude axes. latitudes ascend.
export function mapFigure({ title, unit, latitudes, longitudes, values, width = 720, height = 460 }) {
  const rows = latitudes.length;
  const cols = longitudes.length;
  const finite = Array.from(values).filter(Number.isFinite);
  const lo = Math.min(...finite);
  const hi = Math.max(...finite);
  const parts = frame(width, height, title, `${title}, map`);
  const box = [56, 26, width - 90, height - 42];
  const { sx, sy } = axes(
    parts,
    box,
    [longitudes[0], longitudes[cols - 1]],
    [latitudes[0], latitudes[rows - 1]],
    'longitude, degrees east',
    'latitude, degrees north',
  );
  const dx = (box[2] - box[0]) / (cols - 1);
  const dy = (box[3] - box[1]) / (rows - 1);
  const cells = [];
  for (let i = 0; i < rows; i++) {
    for (let j = 0; j < cols; j++) {
      const v = values[i * cols + j];
      if (!Number.isFinite(v)) continue;
      const x = Math.max(sx(longitudes[j]) - dx / 2, box[0]);
      const y = Math.max(sy(latitudes[i]) - dy / 2, box[1]);
      const w = Math.min(sx(longitudes[j]) + dx / 2, box[2]) - x;
      const h = Math.min(sy(latitudes[i]) + dy / 2, box[3]) - y;
      cells.push(`<rect x="${fixed(x)}" y="${fixed(y)}" width="${fixed(w + 0.3)}" height="${fixed(h + 0.3)}" fill="${colour((v - lo) / (hi - lo || 1))}"/>`);
    }
  }
  parts.splice(3, 0, ...cells);
  const toX = (j) => sx(longitudes[0] + (j * (longitudes[cols - 1] - longitudes[0])) / (cols - 1));
  const toY = (i) => sy(latitudes[0] + (i * (latitudes[rows - 1] - latitudes[0])) / (rows - 1));
  for (const level of ticks(lo, hi, 8)) {
    const d = contourSegments(values, rows, cols, level)
      .map(([[i0, j0], [i1, j1]]) => `M${fixed(toX(j0))} ${fixed(toY(i0))}L${fixed(toX(j1))} ${fixed(toY(i1))}`)
      .join('');
    if (d) parts.push(`<path d="${d}" fill="none" stroke="#222" stroke-width="0.7"><title>${level} ${escapeXml(unit)}</title></path>`);
  }
  // The colour scale.
  const scaleX = box[2] + 20;
  for (let k = 0; k < 50; k++) {
    const y = box[3] - ((k + 1) * (box[3] - box[1])) / 50;
    parts.push(`<rect x="${scaleX}" y="${fixed(y)}" width="14" height="${fixed((box[3] - box[1]) / 50 + 0.5)}" fill="${colour(k / 49)}"/>`);
  }
  parts.push(`<text x="${scaleX + 18}" y="${box[1] + 8}">${fixed(hi)}</text>`);
  parts.push(`<text x="${scaleX + 18}" y="${box[3]}">${fixed(lo)}</text>`);
  parts.push(`<text x="${scaleX}" y="${box[3] + 20}">${escapeXml(unit)}</text>`);
  parts.push('</svg>');
  return { svg: parts.join('\n'), box };
}

// A radiocarbon calibration: the calibration curve's band (age +- sigma,
// 14C years BP, left axis) against calendar years, the measured age's
// normal curve along the age axis at the left, and the calibrated
// density along the bottom with its HPD intervals shaded.
export function calibrationFigure({ title, curve, age, sigma, years, density, intervals, width = 720, height = 420 }) {
  let first = 0;
  let last = years.length - 1;
  const peak = Math.max(...density);
  while (first < last && density[first] < peak * 1e-4) first++;
  while (last > first && density[last] < peak * 1e-4) last--;
  const span = Math.max(50, Math.round((years[last] - years[first]) * 0.3));
  const [x0, x1] = [years[first] - span, years[last] + span];
  const shown = [];
  for (let k = 0; k < curve.year.length; k++) if (curve.year[k] >= x0 && curve.year[k] <= x1) shown.push(k);
  let lo = age - 4 * sigma;
  let hi = age + 4 * sigma;
  for (const k of shown) {
    lo = Math.min(lo, curve.age[k] - curve.sigma[k]);
    hi = Math.max(hi, curve.age[k] + curve.sigma[k]);
  }
  const parts = frame(width, height, title, `${title}: the calibration curve, the age and the calibrated density`);
  const box = [70, 26, width - 12, height - 42];
  const { sx, sy } = axes(parts, box, [x0, x1], [lo, hi], 'year AD', '14C age, years BP');
  // The curve's band and its middle line.
  const upper = shown.map((k) => `${fixed(sx(curve.year[k]))},${fixed(sy(curve.age[k] + curve.sigma[k]))}`);
  const lower = shown.map((k) => `${fixed(sx(curve.year[k]))},${fixed(sy(curve.age[k] - curve.sigma[k]))}`).reverse();
  parts.push(`<polygon class="curve-band" points="${upper.concat(lower).join(' ')}" fill="#9ecae1" fill-opacity="0.6"/>`);
  // The age's normal curve, its peak a tenth of the width from the left axis.
  const normal = [];
  for (let k = 0; k <= 80; k++) {
    const a = age - 4 * sigma + (k / 80) * 8 * sigma;
    const p = Math.exp(-0.5 * ((a - age) / sigma) ** 2);
    normal.push(`${fixed(box[0] + p * (box[2] - box[0]) * 0.1)},${fixed(sy(a))}`);
  }
  parts.push(`<polygon class="age-normal" points="${normal.join(' ')}" fill="#bcbddc" fill-opacity="0.8" stroke="#54278f"/>`);
  // The density along the bottom, a fifth of the height, HPD shaded.
  const base = box[3];
  const tall = (box[3] - box[1]) * 0.2;
  for (const [from, to] of intervals) {
    const a = sx(Math.max(from, x0));
    const b = sx(Math.min(to, x1));
    parts.push(`<rect class="hpd" x="${fixed(a)}" y="${fixed(base - tall)}" width="${fixed(Math.max(b - a, 1))}" height="${fixed(tall)}" fill="#fdd0a2" fill-opacity="0.7"/>`);
  }
  const points = [];
  for (let k = 0; k < years.length; k++) {
    if (years[k] >= x0 && years[k] <= x1) points.push(`${fixed(sx(years[k]))},${fixed(base - (density[k] / peak) * tall)}`);
  }
  parts.push(`<polyline class="density" points="${points.join(' ')}" fill="none" stroke="#a63603" stroke-width="1.5"/>`);
  parts.push('</svg>');
  return parts.join('\n');
}
