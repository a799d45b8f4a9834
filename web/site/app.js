// The page: four tasks over the JavaScript module karven. Its state is its
// address (?model=...&lat=...&lon=... opens that site's curve; &panel=date,
// file or map opens another task), so that a link shares what it shows.
// Every refusal is a message beside the field at fault.

import createKarven from './karven.js';
import { calibrationFigure, componentFigure, densityFigure, eventsFigure, mapFigure } from './figures.js';

const $ = (id) => document.getElementById(id);
const PANELS = ['curve', 'date', 'file', 'map'];
// karven-export's files for a site of --model, without --output.
const EXPORT_PREFIX = 'psvc_karven.eu.26';

let karven;
const models = new Map(); // name -> {text, model}
let currentModel = null;

// --- Messages, downloads, the address -------------------------------------------

function say(id, text) {
  const element = $(id);
  element.textContent = text;
  const input = $(id.replace(/-message$/, ''));
  if (input && input.tagName !== 'FORM') input.setAttribute('aria-invalid', text ? 'true' : 'false');
}

function clearMessages(container) {
  for (const element of container.querySelectorAll('.message')) say(element.id, '');
}

const blobUrls = new Map();
function offer(id, name, text, type) {
  const link = $(id);
  if (blobUrls.has(id)) URL.revokeObjectURL(blobUrls.get(id));
  const url = URL.createObjectURL(new Blob([text], { type }));
  blobUrls.set(id, url);
  link.href = url;
  link.download = name;
  link.hidden = false;
}

function setAddress(changes) {
  const params = new URLSearchParams(location.search);
  for (const [key, value] of Object.entries(changes)) {
    if (value === null || value === '') params.delete(key);
    else params.set(key, value);
  }
  const query = params.toString();
  history.replaceState(null, '', query ? `?${query}` : location.pathname);
}

// --- Tabs -------------------------------------------------------------------------

function showPanel(name, focus = false) {
  for (const panel of PANELS) {
    const tab = $(`tab-${panel}`);
    const selected = panel === name;
    tab.setAttribute('aria-selected', String(selected));
    tab.tabIndex = selected ? 0 : -1;
    $(`panel-${panel}`).hidden = !selected;
    if (selected && focus) tab.focus();
  }
  setAddress({ panel: name === 'curve' ? null : name });
}

function setUpTabs() {
  PANELS.forEach((panel, k) => {
    const tab = $(`tab-${panel}`);
    tab.addEventListener('click', () => showPanel(panel));
    tab.addEventListener('keydown', (event) => {
      const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
      if (step) showPanel(PANELS[(k + step + PANELS.length) % PANELS.length], true);
      if (event.key === 'Home') showPanel(PANELS[0], true);
      if (event.key === 'End') showPanel(PANELS[PANELS.length - 1], true);
    });
  });
}

// --- Models -----------------------------------------------------------------------

async function useModel(name) {
  const entry = models.get(name);
  if (!entry.model) {
    if (entry.text === undefined) {
      const response = await fetch(entry.file);
      if (!response.ok) throw new Error(`${entry.file}: ${response.status} ${response.statusText}`);
      entry.text = await response.text();
    }
    if (entry.kind === 'global') {
      // A bundled model: found by its name, as the commands find it.
      karven.addDataFile('models', entry.file.replace(/^.*\//, ''), entry.text);
      entry.model = new karven.Model(name);
    } else {
      entry.model = new karven.Model(name, entry.text);
    }
  }
  currentModel = { name, ...entry };
  $('model').value = name;
  const global = entry.kind === 'global';
  $('model-sigma-field').hidden = !global;
  $('model-citation').textContent = global
    ? `${name}, ${entry.model.first_year} to ${entry.model.last_year} (years AD, negative BC): ${entry.model.citation}`
    : '';
}

function addModelOption(name, label) {
  const option = document.createElement('option');
  option.value = name;
  option.textContent = label;
  $('model').append(option);
}

async function setUpModels() {
  const manifest = await (await fetch('models.json')).json();
  for (const entry of manifest) {
    models.set(entry.name, { file: entry.file, kind: entry.kind });
    addModelOption(entry.name, entry.label);
  }
  $('model').addEventListener('change', async () => {
    say('model-message', '');
    try {
      await useModel($('model').value);
      setAddress({ model: currentModel.name });
      redraw();
    } catch (error) {
      say('model-message', error.message);
    }
  });
  $('model-file').addEventListener('change', async () => {
    const file = $('model-file').files[0];
    if (!file) return;
    say('model-message', '');
    const text = await file.text();
    let model;
    try {
      model = new karven.Model(file.name, text);
    } catch (error) {
      say('model-message', error.message);
      return;
    }
    if (!models.has(file.name)) addModelOption(file.name, `${file.name} (from disk)`);
    models.set(file.name, { text, model, kind: 'regional' });
    await useModel(file.name);
    // A file of the user's is not in the site: a link cannot name it.
    setAddress({ model: null });
    redraw();
  });
}

// The files a karven-date run needs for the model: the regional model's
// coefficient file; a bundled global model lies in the module's data.
const modelInputs = () => (currentModel.kind === 'global' ? {} : { [currentModel.name]: currentModel.text });

// --model and, for a global model, --model-sigma as typed.
function modelArgs() {
  const args = ['--model', currentModel.name];
  const sigma = $('model-sigma').value.trim();
  if (currentModel.kind === 'global' && sigma) args.push('--model-sigma', sigma);
  return args;
}

// The model sigma as [D, I, F] for the module, or null after the message
// of karven-date (run on `args`) beside the field.
function modelSigma(args, inputs) {
  const text = $('model-sigma').value.trim();
  const parts = text.split(',').map(Number);
  if (text && parts.length === 3 && parts.every(Number.isFinite)) return parts;
  const run = karven.runDate(args, inputs);
  say('model-sigma-message', (run.stderr.split('\n')[0] || `--model-sigma: read "${text}"`).replace(/^karven-date: /, ''));
  return null;
}

// --- Numbers as typed -----------------------------------------------------------

// A site's coordinate as the commands read --lat and --lon.
function coordinate(id, option) {
  try {
    return karven.siteCoordinate(option, $(id).value.trim());
  } catch (error) {
    say(`${id}-message`, error.message);
    return null;
  }
}

// A measured value: empty for one not measured; else a decimal number.
function measured(id) {
  const text = $(id).value.trim();
  if (text === '') return undefined;
  try {
    return karven.siteCoordinate(id, text);
  } catch {
    say(`${id}-message`, `${id}: expected a number, read "${text}"`);
    return null;
  }
}

// A message of the module "FIELD: ..." beside its field, else beside `fallback`.
function sayAtField(message, fields, fallback) {
  const field = fields.find((f) => message.startsWith(`${f}: `));
  say(`${field ?? fallback}-message`, message);
}

// --- Curve at a site ------------------------------------------------------------

function curveSvg(values, title) {
  const parts = [
    ['Declination', '°', values.declination, values.declination_error_95],
    ['Inclination', '°', values.inclination, values.inclination_error_95],
    ['Intensity', 'µT', values.intensity, values.intensity_error_95],
  ].map(([name, unit, v, e], k) =>
    componentFigure({ title: e ? `${name} (${unit}), with its 95% band` : `${name} (${unit})`, unit, years: values.year, values: v, errors: e })
      .replace('<svg ', `<svg y="${30 + k * 220}" `),
  );
  return [
    '<svg xmlns="http://www.w3.org/2000/svg" width="720" height="690" viewBox="0 0 720 690" font-family="sans-serif">',
    '<rect width="720" height="690" fill="#ffffff"/>',
    `<text x="360" y="20" text-anchor="middle" font-size="14" font-weight="bold">${title.replace(/[&<>"]/g, (c) => `&#${c.charCodeAt(0)};`)}</text>`,
    ...parts,
    '</svg>',
  ].join('\n');
}

function drawCurve() {
  const form = $('curve-form');
  clearMessages(form);
  const lat = coordinate('lat', '--lat');
  const lon = coordinate('lon', '--lon');
  if (lat === null || lon === null) return false;
  let curve;
  try {
    curve = currentModel.model.curve(lat, lon, {});
  } catch (error) {
    sayAtField(error.message, [], /longitude/.test(error.message) && !/latitude/.test(error.message) ? 'lon' : 'lat');
    return false;
  }
  try {
    const started = performance.now();
    const values = curve.values();
    const global = currentModel.kind === 'global';
    const title = global ? `${curve.model} at ${lat}, ${lon}` : `${curve.model} at ${lat}, ${lon} (${currentModel.name})`;
    const svg = curveSvg(values, title);
    $('curve-figure').innerHTML = svg;
    $('curve-title').textContent = title;
    // karven-export's names: the regional model's prefix, a global model's name.
    const prefix = global ? currentModel.name : EXPORT_PREFIX;
    const csv = curve.csv(`${prefix}.csv`).files[0];
    offer('download-csv', csv.name, csv.text, 'text/csv');
    // A global model's .ref files need its sigmas, which a curve to look at has not.
    const ref = global ? [] : curve.ref(EXPORT_PREFIX).files;
    for (const letter of ['d', 'i', 'f']) {
      const file = ref.find((f) => f.name.endsWith(`_${letter}.ref`));
      if (file) offer(`download-ref-${letter}`, file.name, file.text, 'text/plain');
      else $(`download-ref-${letter}`).hidden = true;
    }
    offer('download-svg', `${prefix}.svg`, svg, 'image/svg+xml');
    $('curve-output').hidden = false;
    document.body.dataset.curveMs = String(performance.now() - started);
    setAddress({ lat: $('lat').value.trim(), lon: $('lon').value.trim() });
    return true;
  } finally {
    curve.delete();
  }
}

// --- Date a structure -----------------------------------------------------------

const MEASURED = ['dec', 'inc', 'a95', 'int', 'sigma_int'];
const OPTION_OF = { dec: '--dec', inc: '--inc', a95: '--a95', int: '--int', sigma_int: '--sigma-int' };

function dateStructure() {
  const form = $('date-form');
  clearMessages(form);
  say('model-sigma-message', '');
  const lat = coordinate('date-lat', '--lat');
  const lon = coordinate('date-lon', '--lon');
  const measurement = {};
  let bad = lat === null || lon === null;
  for (const field of MEASURED) {
    const value = measured(field);
    if (value === null) bad = true;
    else if (value !== undefined) measurement[field] = value;
  }
  if (bad) return;
  // The command's words, for the same measurement.
  const args = [...modelArgs(), '--lat', $('date-lat').value.trim(), '--lon', $('date-lon').value.trim()];
  for (const field of MEASURED) {
    if (field in measurement) args.push(OPTION_OF[field], $(field).value.trim());
  }
  const inputs = modelInputs();
  let options = {};
  if (currentModel.kind === 'global') {
    const sigma = modelSigma(args, inputs);
    if (!sigma) return;
    options = { model_sigma: sigma };
  }
  let curve;
  try {
    curve = currentModel.model.curve(lat, lon, options);
  } catch (error) {
    say(/model_sigma/.test(error.message) ? 'model-sigma-message' : 'date-lat-message', error.message);
    return;
  }
  try {
    const dated = karven.date(curve, measurement);
    const intervals = dated.intervals['95'].map(([from, to]) => [from, to]);
    $('date-figure').innerHTML = densityFigure({
      title: `Date at ${lat}, ${lon}: mode ${dated.mode} AD`,
      years: dated.years,
      density: dated.density,
      intervals,
    });
    const report = karven.runDate(args, inputs);
    $('date-report').textContent = report.stdout + report.stderr;
    const json = karven.runDate([...args, '--json'], inputs);
    offer('download-date-json', 'dating.json', json.stdout, 'application/json');
    $('date-output').hidden = false;
  } catch (error) {
    sayAtField(error.message, MEASURED, 'date');
  } finally {
    curve.delete();
  }
}

// --- Calibrate a radiocarbon age --------------------------------------------------

const calibrationCurves = new Map(); // name -> {file, points}

async function calibrationCurve(name) {
  const entry = calibrationCurves.get(name);
  if (!entry.points) {
    const response = await fetch(`radiocarbon/${entry.file}`);
    if (!response.ok) throw new Error(`radiocarbon/${entry.file}: ${response.status} ${response.statusText}`);
    karven.addDataFile('radiocarbon', entry.file, await response.text());
    entry.points = karven.calibrationCurve(name);
  }
  return entry.points;
}

async function calibrateAge() {
  clearMessages($('c14-form'));
  const ageText = $('c14-age').value.trim();
  const sigmaText = $('c14-sigma').value.trim();
  const age = measured('c14-age');
  const sigma = measured('c14-sigma');
  if (age === undefined) say('c14-age-message', 'age: give the 14C age in years BP');
  if (sigma === undefined) say('c14-sigma-message', 'sigma: give the 14C age\'s sigma in 14C years');
  if (age == null || sigma == null) return;
  const name = $('c14-curve').value;
  let dated;
  let points;
  try {
    points = await calibrationCurve(name);
    dated = karven.calibrate(age, sigma, name);
  } catch (error) {
    sayAtField(error.message, ['age', 'sigma'].map((f) => `c14-${f}`), 'c14-age');
    if (/^sigma: /.test(error.message)) say('c14-sigma-message', error.message);
    else if (/^age: /.test(error.message)) say('c14-age-message', error.message);
    return;
  }
  // karven-date's report and JSON for the same age.
  const args = ['--c14', `${ageText},${sigmaText}`, '--c14-curve', name];
  const report = karven.runDate(args, {});
  $('c14-report').textContent = report.stdout + report.stderr;
  const json = karven.runDate([...args, '--json'], {});
  offer('download-c14-json', 'calibration.json', json.stdout, 'application/json');
  const svg = calibrationFigure({
    title: `${ageText} ± ${sigmaText} BP on ${name}: mode ${dated.mode} AD`,
    curve: points,
    age,
    sigma,
    years: dated.years,
    density: dated.density,
    intervals: dated.intervals['95'],
  });
  $('c14-figure').innerHTML = svg;
  offer('download-c14-svg', 'calibration.svg', svg, 'image/svg+xml');
  $('c14-output').hidden = false;
}

function setUpCalibration() {
  for (const c of karven.calibrationCurves()) {
    calibrationCurves.set(c.name, { file: c.file });
    const option = document.createElement('option');
    option.value = c.name;
    option.textContent = `${c.name} (${c.citation})`;
    $('c14-curve').append(option);
  }
  $('c14-form').addEventListener('submit', (event) => {
    event.preventDefault();
    calibrateAge();
  });
}

// --- Date a file ----------------------------------------------------------------

function csvRows(text) {
  return text
    .split('\n')
    .filter((line) => line && !line.startsWith('#'))
    .map((line) => line.split(','));
}

function tableWithHeading(id, caption, names) {
  const table = $(id);
  table.replaceChildren();
  table.createCaption().textContent = caption;
  const head = table.createTHead().insertRow();
  for (const name of names) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = name;
    head.append(th);
  }
  return table.createTBody();
}

const intervalsText = (level) =>
  level.intervals.map((i) => `${i.from} to ${i.to} (${Math.round(i.probability * 1000) / 10}%)`).join(', ');
const level95 = (levels) => (levels ?? []).find((l) => l.level === 95) ?? (levels ?? [])[0];

// The events of a samples file: each alone, and within the sequence.
function eventsTable(result) {
  const events = Array.isArray(result) ? [] : result.events;
  $('events-table').hidden = events.length === 0;
  const body = tableWithHeading('events-table', 'The events', ['event', 'rows', 'alone: mode', 'alone: 95% HPD',
    'in sequence: mode', 'in sequence: 95% HPD', 'agreement']);
  for (const event of events) {
    const row = body.insertRow();
    const within = event.in_sequence;
    const cells = [
      event.name,
      event.rows,
      event.error ? `not dated: ${event.error}` : event.alone.mode,
      event.error ? '' : intervalsText(level95(event.alone.levels)),
      within ? within.mode : '-',
      within ? intervalsText(level95(within.levels)) : '-',
      within ? `${Math.round(within.agreement * 10) / 10}%` : '-',
    ];
    for (const text of cells) row.insertCell().textContent = String(text);
  }
}

function summaryTable(result) {
  const body = tableWithHeading('summary', 'The samples', ['name', 'used', 'mode', '95% HPD intervals', 'warnings']);
  const samples = Array.isArray(result) ? result : result.samples;
  for (const sample of samples) {
    const row = body.insertRow();
    const cells = [
      sample.name,
      (sample.components ?? []).join(''),
      sample.mode ?? '-',
      sample.error ? `not dated: ${sample.error}` : intervalsText(level95(sample.levels)),
      (sample.warnings ?? []).join(' '),
    ];
    for (const text of cells) row.insertCell().textContent = String(text);
  }
}

function dateFile(name, text) {
  clearMessages($('panel-file'));
  say('model-sigma-message', '');
  const header = (text.split('\n')[0] ?? '').split(',').map((w) => w.trim().toLowerCase());
  const sequence = $('sequence').value;
  const events = header.includes('event') || sequence !== '';
  const args = ['--samples', name, ...modelArgs()];
  if (sequence) args.push('--sequence', sequence);
  const inputs = { [name]: text, ...modelInputs() };
  const density = events ? 'events.csv' : 'density_{name}.csv';
  const json = karven.runDate([...args, '--json', '--density', density], inputs);
  if (json.stderr) say('samples-message', json.stderr.trim());
  if (json.status === 2 || !json.stdout) {
    $('file-output').hidden = true;
    return;
  }
  const parsed = JSON.parse(json.stdout);
  offer('download-file-json', name.replace(/\.csv$/i, '') + '.json', json.stdout, 'application/json');
  const densityFiles = Object.keys(json.files).sort();
  if (densityFiles.length === 1) {
    offer('download-density', densityFiles[0], json.files[densityFiles[0]], 'text/csv');
  } else {
    // One file a sample: joined for the download, each keeps its lines.
    const joined = densityFiles.map((f) => json.files[f]).join('');
    offer('download-density', 'density.csv', joined, 'text/csv');
  }
  summaryTable(parsed);
  eventsTable(parsed);
  // The events' (or samples') densities, one a row.
  const rows = [];
  let years = null;
  if (events && json.files['events.csv']) {
    const table = csvRows(json.files['events.csv']);
    const names = table[0].slice(1);
    years = table.slice(1).map((r) => Number(r[0]));
    names.forEach((n, k) => rows.push({ name: n, density: table.slice(1).map((r) => Number(r[k + 1])) }));
  } else {
    for (const f of densityFiles) {
      const table = csvRows(json.files[f]).slice(1);
      years = table.map((r) => Number(r[0]));
      rows.push({ name: f.replace(/^density_|\.csv$/g, ''), density: table.map((r) => Number(r[1])) });
    }
  }
  $('events-figure').innerHTML = rows.length && years
    ? eventsFigure({ title: events ? 'The events' : 'The samples', years, rows })
    : '';
  const report = karven.runDate(args, inputs);
  $('file-report').textContent = report.stdout;
  $('file-output').hidden = false;
}

function setUpFilePanel() {
  const read = async (file) => {
    if (file) dateFile(file.name, await file.text());
  };
  $('samples-file').addEventListener('change', () => read($('samples-file').files[0]));
  const zone = $('drop-zone');
  zone.addEventListener('dragover', (event) => {
    event.preventDefault();
    zone.classList.add('over');
  });
  zone.addEventListener('dragleave', () => zone.classList.remove('over'));
  zone.addEventListener('drop', (event) => {
    event.preventDefault();
    zone.classList.remove('over');
    read(event.dataTransfer.files[0]);
  });
  zone.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' || event.key === ' ') $('samples-file').click();
  });
  $('sequence').addEventListener('change', () => read($('samples-file').files[0]));
}

// --- Map ------------------------------------------------------------------------

const MAP_UNITS = { declination: '°', inclination: '°', intensity: 'µT' };

// The region of --region: "S/N/W/E" in degrees, or "world" (a global
// model's default); the regional model's own region when none is given.
function mapRegion(text) {
  const global = currentModel.kind === 'global';
  if (text === '') return global ? [-90, 90, -180, 180] : [35, 60, -15, 30];
  if (text.toLowerCase() === 'world') {
    if (!global) throw new Error('region: world is for a global model; the regional model covers 35/60/-15/30');
    return [-90, 90, -180, 180];
  }
  const parts = text.split('/').map((p) => (p.trim() === '' ? NaN : Number(p)));
  if (parts.length !== 4 || parts.some((p) => !Number.isFinite(p))) {
    throw new Error(`region: expected S/N/W/E in degrees or world, read "${text}"`);
  }
  const [south, north, west, east] = parts;
  if (south < -90 || north > 90 || south >= north || west >= east || east - west > 360 || west < -180 || east > 360) {
    throw new Error(`region: ${text} is no region: south below north within -90 to 90, west below east within -180 to 360`);
  }
  return parts;
}

function drawMap() {
  clearMessages($('map-form'));
  const yearText = $('map-year').value.trim();
  const year = Number(yearText);
  if (yearText === '' || !Number.isFinite(year)) {
    say('map-year-message', `year: expected a year AD, read "${yearText}"`);
    return;
  }
  const regionText = $('map-region').value.trim();
  let south, north, west, east;
  try {
    [south, north, west, east] = mapRegion(regionText);
  } catch (error) {
    say('map-region-message', error.message);
    return;
  }
  // Half a degree over a region, two over a continent or the world: a few
  // thousand cells, which a page draws at once.
  const step = Math.max(north - south, east - west) > 90 ? 2 : 0.5;
  const latitudes = [];
  const longitudes = [];
  for (let lat = south; lat <= north + 1e-9; lat += step) latitudes.push(lat);
  for (let lon = west; lon <= east + 1e-9; lon += step) longitudes.push(lon);
  const lat = new Float64Array(latitudes.length * longitudes.length);
  const lon = new Float64Array(lat.length);
  latitudes.forEach((a, i) => longitudes.forEach((b, j) => {
    lat[i * longitudes.length + j] = a;
    lon[i * longitudes.length + j] = b;
  }));
  let field;
  try {
    field = currentModel.model.field(lat, lon, year);
  } catch (error) {
    say('map-year-message', error.message);
    return;
  }
  const quantity = $('map-quantity').value;
  const values = field[quantity];
  const { svg, box } = mapFigure({
    title: `${quantity[0].toUpperCase()}${quantity.slice(1)} in ${year > 0 ? `${year} AD` : `the year ${year}`}`,
    unit: MAP_UNITS[quantity],
    latitudes,
    longitudes,
    values,
  });
  const figure = $('map-figure');
  figure.innerHTML = svg;
  const element = figure.querySelector('svg');
  element.onpointermove = (event) => {
    const rect = element.getBoundingClientRect();
    const x = ((event.clientX - rect.left) / rect.width) * 720;
    const y = ((event.clientY - rect.top) / rect.height) * 460;
    const j = Math.round(((x - box[0]) / (box[2] - box[0])) * (longitudes.length - 1));
    const i = Math.round(((box[3] - y) / (box[3] - box[1])) * (latitudes.length - 1));
    if (i < 0 || j < 0 || i >= latitudes.length || j >= longitudes.length) {
      $('map-value').textContent = '';
      return;
    }
    const v = values[i * longitudes.length + j];
    $('map-value').textContent = `${latitudes[i]}°N, ${longitudes[j]}°E: ${v.toFixed(2)} ${MAP_UNITS[quantity]}`;
  };
  setAddress({ year: yearText, quantity, region: regionText });
}

// --- Start ----------------------------------------------------------------------

function redraw() {
  if (!$('curve-output').hidden || ($('lat').value && $('lon').value)) drawCurve();
}

async function start() {
  setUpTabs();
  const started = performance.now();
  karven = await createKarven();
  $('version').textContent = `karven ${karven.version}, computing in WebAssembly.`;
  await setUpModels();
  const params = new URLSearchParams(location.search);
  const wanted = params.get('model');
  const first = models.has(wanted) ? wanted : [...models.keys()][0];
  if (wanted && !models.has(wanted)) say('model-message', `model: no model "${wanted}" here; showing ${first}`);
  await useModel(first);
  $('status').textContent = '';
  $('curve-form').addEventListener('submit', (event) => {
    event.preventDefault();
    drawCurve();
  });
  $('date-form').addEventListener('submit', (event) => {
    event.preventDefault();
    dateStructure();
  });
  $('map-form').addEventListener('submit', (event) => {
    event.preventDefault();
    drawMap();
  });
  setUpFilePanel();
  setUpCalibration();
  if (params.has('year')) $('map-year').value = params.get('year');
  if (params.has('quantity')) $('map-quantity').value = params.get('quantity');
  if (params.has('region')) $('map-region').value = params.get('region');
  if (params.has('lat')) $('lat').value = params.get('lat');
  if (params.has('lon')) $('lon').value = params.get('lon');
  if (params.has('lat') && params.has('lon')) drawCurve();
  document.body.dataset.firstCurveMs = String(performance.now() - started);
  const panel = params.get('panel');
  showPanel(PANELS.includes(panel) ? panel : 'curve');
  if (panel === 'map') drawMap();
  document.body.dataset.ready = 'true';
}

start().catch((error) => {
  $('status').textContent = `The page could not start: ${error.message}`;
});
