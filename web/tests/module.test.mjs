// The JavaScript module against the commands built for this machine: the
// same curves, .ref files, datings and sequence, byte for byte, and the
// commands' messages for values they refuse.
//
// KARVEN_SITE: the built site (karven.js, karven.wasm); KARVEN_EXPORT_PROGRAM
// and KARVEN_DATE_PROGRAM: the host's commands.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

const root = fileURLToPath(new URL('../..', import.meta.url));
const site = process.env.KARVEN_SITE ?? join(root, 'build-web/site');
const exportProgram = process.env.KARVEN_EXPORT_PROGRAM ?? join(root, 'build/export/karven-export');
const dateProgram = process.env.KARVEN_DATE_PROGRAM ?? join(root, 'build/date/karven-date');
const demoPath = join(root, 'examples/demo_coeff.inp');
const samplesPath = join(root, 'examples/demo_floors.csv');

let karven;
let model;
let work;
const demo = readFileSync(demoPath, 'utf8');

// Runs a command in a fresh folder holding the demonstration file: its
// status, output and the files it wrote.
function run(program, args, extra = {}) {
  const folder = mkdtempSync(join(work, 'run-'));
  copyFileSync(demoPath, join(folder, 'demo_coeff.inp'));
  for (const [name, path] of Object.entries(extra)) copyFileSync(path, join(folder, name));
  const result = spawnSync(program, args, { cwd: folder, encoding: 'utf8' });
  const files = {};
  for (const name of readdirSync(folder)) {
    if (name !== 'demo_coeff.inp' && !(name in extra)) files[name] = readFileSync(join(folder, name), 'utf8');
  }
  return { status: result.status, stdout: result.stdout, stderr: result.stderr, files };
}

before(async () => {
  const { default: createKarven } = await import(join(site, 'karven.js'));
  karven = await createKarven({ wasmBinary: readFileSync(join(site, 'karven.wasm')) });
  model = new karven.Model('demo_coeff.inp', demo);
  work = mkdtempSync(join(tmpdir(), 'karven-web-'));
});

after(() => {
  model?.delete();
  if (work) rmSync(work, { recursive: true, force: true });
});

// Paris, Madrid and Vienna; the cap's pole (taken as 45.001, 8.001); the
// region's south-west corner.
const SITES = [
  [48.85, 2.35],
  [40.4, -3.7],
  [48.21, 16.37],
  [45, 8],
  [35, -15],
];

describe('curves', () => {
  test('the CSV table and the .ref files are those of karven-export', () => {
    for (const [lat, lon] of SITES) {
      const args = ['--model', 'demo_coeff.inp', '--lat', String(lat), '--lon', String(lon)];
      const curve = model.curve(lat, lon);
      try {
        const csv = run(exportProgram, [...args, '--format', 'csv']);
        assert.equal(csv.status, 0, csv.stderr);
        const mine = curve.csv('psvc_karven.eu.26.csv').files;
        assert.deepEqual(mine.map((f) => [f.name, f.text]), Object.entries(csv.files));

        const ref = run(exportProgram, [...args, '--format', 'ref']);
        assert.equal(ref.status, 0, ref.stderr);
        const refs = curve.ref('psvc_karven.eu.26').files;
        assert.deepEqual(Object.fromEntries(refs.map((f) => [f.name, f.text])), ref.files);

        const dat = run(exportProgram, [...args, '--format', 'dat']);
        assert.deepEqual({ 'psvc_karven.eu.26.dat': curve.dat() }, dat.files);
      } finally {
        curve.delete();
      }
    }
  });

  test('the values are the CSV table\'s, to its two decimals', () => {
    const curve = model.curve(48.85, 2.35);
    const values = curve.values();
    const rows = curve.csv('c.csv').files[0].text.trim().split('\n').slice(1);
    curve.delete();
    assert.equal(values.year.length, rows.length);
    assert.ok(values.declination instanceof Float64Array);
    rows.forEach((row, k) => {
      const fields = row.split(',').map(Number);
      assert.equal(fields[0], values.year[k]);
      assert.equal(fields[1], Number(values.declination[k].toFixed(2)) || 0);
      assert.equal(fields[3], Number(values.intensity[k].toFixed(2)));
    });
  });

  test('a site the commands refuse throws their message', () => {
    for (const [lat, lon] of [[10, 2], [48, 31], [NaN, 2]]) {
      const command = run(exportProgram, ['--model', 'demo_coeff.inp', '--lat', String(lat), '--lon', String(lon), '--format', 'csv']);
      assert.equal(command.status, 1);
      assert.throws(() => model.curve(lat, lon), (error) => {
        assert.ok(error instanceof Error);
        // NaN is no number for the command's reader; the module is given one.
        if (Number.isNaN(lat)) return /lies outside the model's region/.test(error.message);
        assert.equal(`karven-export: ${error.message}\n`, command.stderr);
        return true;
      });
    }
    assert.throws(() => karven.siteCoordinate('--lat', '4x.85'), {
      message: '--lat: expected a number of degrees, read "4x.85"',
    });
  });

  test('a coefficient file that is not one throws the reader\'s message', () => {
    assert.throws(() => new karven.Model('broken.inp', 'not a coefficient file\n'), (error) => {
      assert.ok(error instanceof Error);
      assert.match(error.message, /^the coefficient file broken\.inp /);
      return true;
    });
  });
});

// Measurements as karven-date's options and as the module's keys.
const MEASUREMENTS = [
  { site: [48.85, 2.35], values: { dec: 4, inc: 64.5, a95: 2.5, int: 59, sigma_int: 2.5 } },
  { site: [40.4, -3.7], values: { inc: 55.1, a95: 3.2 } },
  { site: [48.21, 16.37], values: { int: 61.3, sigma_int: 1.8 } },
];
const OPTION = { dec: '--dec', inc: '--inc', a95: '--a95', int: '--int', sigma_int: '--sigma-int' };

function dateArgs({ site: [lat, lon], values }) {
  const args = ['--model', 'demo_coeff.inp', '--lat', String(lat), '--lon', String(lon)];
  for (const [key, value] of Object.entries(values)) args.push(OPTION[key], String(value));
  return args;
}

describe('dating', () => {
  test('a measurement\'s JSON and report are karven-date\'s', () => {
    for (const measurement of MEASUREMENTS) {
      for (const extra of [['--json'], []]) {
        const args = [...dateArgs(measurement), ...extra];
        const command = run(dateProgram, args);
        const mine = karven.runDate(args, { 'demo_coeff.inp': demo });
        assert.deepEqual(
          { status: mine.status, stdout: mine.stdout, stderr: mine.stderr },
          { status: command.status, stdout: command.stdout, stderr: command.stderr },
        );
      }
    }
  });

  test('date() gives the mode and HPD intervals of karven-date', () => {
    for (const measurement of MEASUREMENTS) {
      const json = JSON.parse(run(dateProgram, [...dateArgs(measurement), '--json']).stdout);
      const curve = model.curve(...measurement.site);
      const dated = karven.date(curve, measurement.values);
      curve.delete();
      assert.equal(dated.mode, json.mode);
      assert.deepEqual(dated.components, json.components);
      const level = json.levels[0];
      assert.deepEqual(
        dated.intervals['95'].map(([from, to, p]) => [from, to, Number(p.toPrecision(10))]),
        level.intervals.map((i) => [i.from, i.to, i.probability]),
      );
      assert.ok(dated.density instanceof Float64Array);
      assert.equal(dated.years.length, dated.density.length);
    }
  });

  test('a bad value throws the command\'s message, naming the key', () => {
    const curve = model.curve(48.85, 2.35);
    try {
      const command = run(dateProgram, dateArgs({ site: [48.85, 2.35], values: { inc: 95, a95: 2.5 } }));
      assert.equal(command.stderr, 'karven-date: --inc: the inclination must lie between -90 and 90 degrees: 95\n');
      assert.throws(() => karven.date(curve, { inc: 95, a95: 2.5 }), {
        message: 'inc: the inclination must lie between -90 and 90 degrees: 95',
      });
      assert.throws(() => karven.date(curve, { inc: '64' }), { message: 'inc: expected a number, got string' });
      assert.throws(() => karven.date(curve, { inc: 64, a95: 2, levels: [0.95] }), {
        message: 'levels: a level is in percent, e.g. 95 for 95%; read 0.95, which would be 0.95%',
      });
    } finally {
      curve.delete();
    }
  });

  test('a samples file in sequence: the JSON, the density and dateSequence agree with karven-date', () => {
    const args = ['--samples', 'demo_floors.csv', '--model', 'demo_coeff.inp', '--sequence', 'youngest-first',
      '--json', '--density', 'events.csv'];
    const command = run(dateProgram, args, { 'demo_floors.csv': samplesPath });
    assert.equal(command.status, 0, command.stderr);
    const mine = karven.runDate(args, { 'demo_coeff.inp': demo, 'demo_floors.csv': readFileSync(samplesPath, 'utf8') });
    assert.deepEqual(
      { status: mine.status, stdout: mine.stdout, stderr: mine.stderr, files: mine.files },
      { status: command.status, stdout: command.stdout, stderr: command.stderr, files: command.files },
    );

    // The same sequence through the module's own functions: the rows of an
    // event together, the events in the file's order.
    const rows = readFileSync(samplesPath, 'utf8').trim().split('\n').slice(1).map((line) => line.split(','));
    const curve = model.curve(Number(rows[0][6]), Number(rows[0][7]));
    const byEvent = new Map();
    for (const [, dec, inc, a95, int, sigma, , , event] of rows) {
      if (!byEvent.has(event)) byEvent.set(event, []);
      byEvent.get(event).push({
        dec: Number(dec), inc: Number(inc), a95: Number(a95), int: Number(int), sigma_int: Number(sigma),
      });
    }
    const events = [...byEvent.values()];
    const sequence = karven.dateSequence(events, { curve, order: 'youngest-first' });
    curve.delete();
    const json = JSON.parse(command.stdout);
    assert.ok(rows.every((r) => r[6] === rows[0][6] && r[7] === rows[0][7]), 'one site for the file');
    assert.equal(Number(sequence.agreement.toPrecision(10)), json.sequence_agreement);
    assert.deepEqual(
      sequence.events.map((e) => [e.mode, Number(e.agreement.toPrecision(10)), e.alone.mode]),
      json.events.map((e) => [e.in_sequence.mode, e.in_sequence.agreement, e.alone.mode]),
    );
  });
});
