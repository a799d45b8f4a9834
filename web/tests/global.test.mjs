// The global models and radiocarbon calibration of the JavaScript module
// against the commands built for this machine: a global model's curve,
// calibrations and samples files with global models and 14C rows, byte for
// byte, and the messages for what they refuse.
//
// KARVEN_SITE: the built site (karven.js, karven.wasm, models/,
// radiocarbon/); KARVEN_EXPORT_PROGRAM and KARVEN_DATE_PROGRAM: the host's
// commands.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { assertSameTable } from './tables.mjs';

const root = fileURLToPath(new URL('../..', import.meta.url));
const site = process.env.KARVEN_SITE ?? join(root, 'build-web/site');
const exportProgram = process.env.KARVEN_EXPORT_PROGRAM ?? join(root, 'build/export/karven-export');
const dateProgram = process.env.KARVEN_DATE_PROGRAM ?? join(root, 'build/date/karven-date');

let karven;
let arch;
let work;

// Runs a command in a fresh folder holding `inputs` ({name: text}): its
// status, output and the files it wrote.
function run(program, args, inputs = {}) {
  const folder = mkdtempSync(join(work, 'run-'));
  for (const [name, text] of Object.entries(inputs)) writeFileSync(join(folder, name), text);
  const result = spawnSync(program, args, { cwd: folder, encoding: 'utf8' });
  const files = {};
  for (const name of readdirSync(folder)) {
    if (!(name in inputs)) files[name] = readFileSync(join(folder, name), 'utf8');
  }
  return { status: result.status, stdout: result.stdout, stderr: result.stderr, files };
}

// The message of what a call throws.
function thrown(call) {
  try {
    call();
  } catch (error) {
    return error.message;
  }
  return 'nothing thrown';
}

before(async () => {
  const { default: createKarven } = await import(join(site, 'karven.js'));
  karven = await createKarven({ wasmBinary: readFileSync(join(site, 'karven.wasm')) });
  // As the page does: the bundled files it needs, read from the site.
  for (const m of karven.bundledModels()) {
    karven.addDataFile('models', m.file, readFileSync(join(site, 'models', m.file), 'utf8'));
  }
  for (const c of karven.calibrationCurves()) {
    karven.addDataFile('radiocarbon', c.file, readFileSync(join(site, 'radiocarbon', c.file), 'utf8'));
  }
  arch = new karven.Model('ARCH10k.1');
  work = mkdtempSync(join(tmpdir(), 'karven-web-global-'));
});

after(() => {
  arch?.delete();
  if (work) rmSync(work, { recursive: true, force: true });
});

describe('a global model', () => {
  test("Jerusalem's curve is karven-export's CSV to the digit", () => {
    const command = run(exportProgram, ['--model', 'ARCH10k.1', '--lat', '31.78', '--lon', '35.22',
      '--span', '-1000:0', '--format', 'csv']);
    assert.equal(command.status, 0, command.stderr);
    const curve = arch.curve(31.78, 35.22, { span: [-1000, 0] });
    const mine = curve.csv('ARCH10k.1.csv');
    assert.deepEqual(mine.files.map((f) => f.name), Object.keys(command.files));
    assertSameTable(mine.files[0].text, command.files['ARCH10k.1.csv']);
    assert.deepEqual(mine.notes, []);
    curve.delete();
  });

  test('with model sigmas, the .ref files are those of karven-export', () => {
    const command = run(exportProgram, ['--model', 'arch10k.1', '--lat', '-33.9', '--lon', '18.4',
      '--span', '1000:1500:10', '--model-sigma', '2,1.5,3', '--format', 'ref']);
    assert.equal(command.status, 0, command.stderr);
    const curve = arch.curve(-33.9, 18.4, { span: [1000, 1500, 10], model_sigma: [2, 1.5, 3] });
    const mine = curve.ref('ARCH10k.1').files;
    assert.deepEqual(mine.map((f) => f.name).sort(), Object.keys(command.files).sort());
    for (const file of mine) assertSameTable(file.text, command.files[file.name]);
    const values = curve.values();
    assert.equal(values.year.length, 51);
    assert.equal(values.declination_error_95[0], 2 * 1.96);
    curve.delete();
  });

  test('its description, span and the dipole', () => {
    assert.equal(arch.global, true);
    assert.deepEqual([arch.first_year, arch.last_year], [-8000, 1990]);
    assert.match(arch.citation, /^Constable/);
    const command = run(exportProgram, ['--model', 'ARCH10k.1', '--dipole', '--span', '0:100:50',
      '--format', 'csv']);
    assert.equal(command.status, 0, command.stderr);
    const rows = command.files['ARCH10k.1_dipole.csv'].trim().split('\n').slice(2);
    const dipole = arch.dipole([0, 50, 100]);
    const mine = [0, 50, 100].map((year, k) => [year, dipole.moment[k], dipole.pole_latitude[k],
      dipole.pole_longitude[k]]);
    // The table's numbers, read back, are the module's to the table's digits.
    rows.forEach((row, k) => {
      const numbers = row.split(',').map(Number);
      mine[k].forEach((value, q) => assert.ok(Math.abs(value - numbers[q]) <= 1e-4 * Math.max(1, Math.abs(value)),
        `${row} against ${mine[k]}`));
    });
  });

  test('bad values get the messages of the commands', () => {
    assert.equal(thrown(() => arch.curve(31.78, 35.22, { span: [1900, 2100] })),
      'span: 1900 to 2100 is outside the span of ARCH10k.1, -8000 to 1990');
    assert.equal(thrown(() => new karven.Model('no-such-model')),
      run(exportProgram, ['--model', 'no-such-model', '--lat', '45', '--lon', '8'])
        .stderr.replace(/^karven-export: /, '').trim());
    const bare = arch.curve(31.78, 35.22, {});
    assert.equal(thrown(() => karven.date(bare, { dec: 1, inc: 50, a95: 2 })),
      'ARCH10k.1 gives no uncertainty of its curve, and a date needs one: give one standard ' +
      'deviation of the curve with model_sigma [D, I, F] (degrees, degrees, microtesla), e.g. ' +
      'model_sigma: [2, 2, 3]');
    bare.delete();
  });

  test("a date against it is karven-date's", () => {
    const args = ['--model', 'ARCH10k.1', '--model-sigma', '2,2,3', '--span', '-1000:1900',
      '--lat', '31.78', '--lon', '35.22', '--dec', '4', '--inc', '48', '--a95', '3', '--json'];
    const command = run(dateProgram, args);
    assert.equal(command.status, 0, command.stderr);
    const expected = JSON.parse(command.stdout);
    const curve = arch.curve(31.78, 35.22, { span: [-1000, 1900], model_sigma: [2, 2, 3] });
    const dated = karven.date(curve, { dec: 4, inc: 48, a95: 3 });
    assert.deepEqual(karven.runDate(args, {}), { status: 0, stdout: command.stdout, stderr: command.stderr, files: {} });
    assert.equal(dated.mode, expected.mode ?? expected.dates?.[0]?.mode ?? dated.mode);
    curve.delete();
  });
});

describe('radiocarbon', () => {
  test("a calibration's JSON is karven-date's", () => {
    const command = run(dateProgram, ['--c14', '2450,30', '--json']);
    assert.equal(command.status, 0, command.stderr);
    const mine = karven.runDate(['--c14', '2450,30', '--json'], {});
    assert.deepEqual(mine, { status: 0, stdout: command.stdout, stderr: command.stderr, files: {} });
    const calibrated = karven.calibrate(2450, 30, 'IntCal20');
    const intervals = JSON.stringify(calibrated.intervals['95']);
    for (const [from, to] of calibrated.intervals['95']) {
      assert.ok(command.stdout.includes(String(from)) && command.stdout.includes(String(to)), intervals);
    }
    assert.equal(calibrated.curve.split(' ')[0], 'IntCal20');
  });

  test('a samples file with 14C rows and a global model is dated as karven-date dates it', () => {
    const samples = 'name,inc,a95,c14_age,c14_sigma,c14_curve,event\n' +
      'seed,,,1980,30,,floor\n' +
      'kiln,57,2.9,,,,kiln\n' +
      'hearth,61,2.9,,,,hearth\n' +
      'charcoal 1,,,1000,25,IntCal20,hearth\n';
    const args = ['--model', 'ARCH10k.1', '--model-sigma', '2,2,3', '--lat', '45', '--lon', '8',
      '--samples', 'site.csv', '--sequence', 'oldest-first', '--json', '--density', 'events.csv'];
    const command = run(dateProgram, args, { 'site.csv': samples });
    assert.equal(command.status, 0, command.stderr);
    assert.deepEqual(karven.runDate(args, { 'site.csv': samples }), command);
  });

  test('bad ages get the messages of the commands', () => {
    assert.equal(thrown(() => karven.calibrate(2450, 0, 'IntCal20')),
      run(dateProgram, ['--c14', '2450,0']).stderr.replace(/^karven-date: --c14/, 'sigma').trim());
    assert.equal(thrown(() => karven.calibrate(2450, 30, 'IntCal20', 10, undefined, [0.95])),
      'levels: a level is in percent, e.g. 95 for 95%; read 0.95, which would be 0.95%');
  });
});
