// The page in a real browser: Debian's chromium driven by puppeteer-core,
// the site served on 127.0.0.1 by a server this test starts. A link with a
// site draws its curve and its CSV download is karven-export's; a samples
// file gives karven-date's JSON; bad inputs get their messages beside the
// fields; the console holds no error; a screenshot of each panel is saved.
//
// KARVEN_SITE, KARVEN_EXPORT_PROGRAM, KARVEN_DATE_PROGRAM as for the
// module's tests; KARVEN_NODE_MODULES: where puppeteer-core is installed;
// KARVEN_SCREENSHOTS: the folder for the screenshots; CHROMIUM: the browser.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { assertSameTable } from './tables.mjs';

const root = fileURLToPath(new URL('../..', import.meta.url));
const site = process.env.KARVEN_SITE ?? join(root, 'build-web/site');
const modules = process.env.KARVEN_NODE_MODULES ?? join(root, 'build-web/node_modules');
const exportProgram = process.env.KARVEN_EXPORT_PROGRAM ?? join(root, 'build/export/karven-export');
const dateProgram = process.env.KARVEN_DATE_PROGRAM ?? join(root, 'build/date/karven-date');
const screenshots = process.env.KARVEN_SCREENSHOTS ?? join(root, 'build-web/screenshots');
const chromium = process.env.CHROMIUM ?? '/usr/bin/chromium';
const demoPath = join(root, 'examples/demo_coeff.inp');
const samplesPath = join(root, 'examples/demo_floors.csv');

const puppeteer = createRequire(join(modules, 'puppeteer-core', 'package.json'))('puppeteer-core');

let server;
let base;
let browser;
let work;
const consoleErrors = [];

// Starts python3's static server on a free port of 127.0.0.1; resolves to
// its address once it answers.
function serve() {
  return new Promise((resolve, reject) => {
    server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '0', '-d', site], {
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    const timer = setTimeout(() => reject(new Error('the static server did not start in 10 s')), 10000);
    server.stdout.on('data', (data) => {
      const match = /port (\d+)/.exec(String(data));
      if (match) {
        clearTimeout(timer);
        resolve(`http://127.0.0.1:${match[1]}/`);
      }
    });
    server.on('error', reject);
  });
}

function run(program, args, extra = {}) {
  const folder = mkdtempSync(join(work, 'run-'));
  copyFileSync(demoPath, join(folder, 'demo_coeff.inp'));
  for (const [name, path] of Object.entries(extra)) copyFileSync(path, join(folder, name));
  const result = spawnSync(program, args, { cwd: folder, encoding: 'utf8' });
  assert.equal(result.status, 0, result.stderr);
  const files = {};
  for (const name of readdirSync(folder)) {
    if (name !== 'demo_coeff.inp' && !(name in extra)) files[name] = readFileSync(join(folder, name), 'utf8');
  }
  return { stdout: result.stdout, files };
}

async function openPage(query, width = 1000) {
  const page = await browser.newPage();
  await page.setViewport({ width, height: 900 });
  page.on('console', (message) => {
    if (message.type() === 'error') consoleErrors.push(message.text());
  });
  page.on('pageerror', (error) => consoleErrors.push(String(error)));
  await page.goto(`${base}index.html${query}`);
  await page.waitForSelector('body[data-ready="true"]', { timeout: 30000 });
  return page;
}

// What a download link holds, read by the page itself.
async function linkText(page, id) {
  return page.$eval(`#${id}`, async (a) => ({ name: a.download, text: await (await fetch(a.href)).text() }));
}

const messageOf = (page, id) => page.$eval(`#${id}`, (e) => e.textContent);

before(async () => {
  work = mkdtempSync(join(tmpdir(), 'karven-browser-'));
  mkdirSync(screenshots, { recursive: true });
  base = await serve();
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: mkdtempSync(join(work, 'profile-')),
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
    ],
    timeout: 60000,
  });
});

after(async () => {
  await browser?.close();
  server?.kill();
  if (work) rmSync(work, { recursive: true, force: true });
});

test('a link with a site draws its curve; the CSV and .ref downloads are karven-export\'s', async () => {
  const page = await openPage('?model=demo_coeff.inp&lat=48.85&lon=2.35');
  // From the module's start to the curve drawn, downloads made ready.
  const ms = Number(await page.$eval('body', (b) => b.dataset.firstCurveMs));
  console.log(`time to the first curve: ${ms.toFixed(0)} ms`);
  assert.equal(await page.$eval('#curve-output', (e) => e.hidden), false);
  assert.equal(await page.$$eval('#curve-figure svg polyline', (l) => l.length), 3);
  const args = ['--model', 'demo_coeff.inp', '--lat', '48.85', '--lon', '2.35'];
  const csv = run(exportProgram, [...args, '--format', 'csv']).files;
  assert.deepEqual(await linkText(page, 'download-csv'), { name: 'psvc_karven.eu.26.csv', text: csv['psvc_karven.eu.26.csv'] });
  const ref = run(exportProgram, [...args, '--format', 'ref']).files;
  const mine = {};
  for (const letter of ['d', 'i', 'f']) {
    const { name, text } = await linkText(page, `download-ref-${letter}`);
    mine[name] = text;
  }
  assert.deepEqual(mine, ref);
  await page.screenshot({ path: join(screenshots, 'curve.png') });
  await page.close();
});

test('bad sites get their messages beside the fields, and the address keeps the site', async () => {
  const page = await openPage('');
  await page.type('#lat', '4x.85');
  await page.type('#lon', '2.35');
  await page.keyboard.press('Enter');
  assert.equal(await messageOf(page, 'lat-message'), '--lat: expected a number of degrees, read "4x.85"');
  assert.equal(await page.$eval('#lat', (e) => e.getAttribute('aria-invalid')), 'true');
  await page.$eval('#lat', (e) => { e.value = '10'; });
  await page.click('#curve-form button');
  assert.equal(await messageOf(page, 'lat-message'),
    "the site 10, 2.35 lies outside the model's region: latitude 35 N to 60 N, longitude 15 W to 30 E");
  await page.$eval('#lat', (e) => { e.value = '40.4'; });
  await page.click('#curve-form button');
  assert.equal(await messageOf(page, 'lat-message'), '');
  assert.match(page.url(), /\?lat=40\.4&lon=2\.35$/);
  await page.close();
});

test('a structure is dated, and a bad value is named beside its field', async () => {
  const page = await openPage('?panel=date');
  for (const [id, value] of [['date-lat', '48.85'], ['date-lon', '2.35'], ['inc', '95'], ['a95', '2.5']]) {
    await page.type(`#${id}`, value);
  }
  await page.click('#date-form button');
  assert.equal(await messageOf(page, 'inc-message'), 'inc: the inclination must lie between -90 and 90 degrees: 95');
  await page.$eval('#inc', (e) => { e.value = '64.5'; });
  await page.click('#date-form button');
  assert.equal(await messageOf(page, 'inc-message'), '');
  const json = run(dateProgram, ['--model', 'demo_coeff.inp', '--lat', '48.85', '--lon', '2.35', '--inc', '64.5', '--a95', '2.5', '--json']);
  assert.equal((await linkText(page, 'download-date-json')).text, json.stdout);
  assert.equal(await page.$$eval('#date-figure svg polyline', (l) => l.length), 1);
  await page.screenshot({ path: join(screenshots, 'date.png') });
  await page.close();
});

test('a samples file gives karven-date\'s JSON and density file', async () => {
  const page = await openPage('?panel=file');
  await page.select('#sequence', 'youngest-first');
  const input = await page.$('#samples-file');
  await input.uploadFile(samplesPath);
  await page.waitForSelector('#file-output:not([hidden])', { timeout: 30000 });
  const command = run(dateProgram, ['--samples', 'demo_floors.csv', '--model', 'demo_coeff.inp', '--sequence', 'youngest-first',
    '--json', '--density', 'events.csv'], { 'demo_floors.csv': samplesPath });
  assert.deepEqual(await linkText(page, 'download-file-json'), { name: 'demo_floors.json', text: command.stdout });
  assert.deepEqual(await linkText(page, 'download-density'), { name: 'events.csv', text: command.files['events.csv'] });
  assert.equal(await page.$$eval('#summary tbody tr', (rows) => rows.length), 11);
  // Ten floors, F5 one event of two samples; the youngest on top.
  const events = await page.$$eval('#events-table tbody tr', (rows) => rows.map((r) => r.cells[0].textContent));
  assert.deepEqual(events, ['F1', 'F2', 'F3', 'F4', 'F5', 'F6', 'F7', 'F8', 'F9', 'F10']);
  const json = JSON.parse(command.stdout);
  assert.equal(await page.$eval('#events-table tbody tr:nth-child(6) td:nth-child(5)', (c) => c.textContent),
    String(json.events[5].in_sequence.mode));
  assert.equal(await messageOf(page, 'samples-message'), '');
  await page.screenshot({ path: join(screenshots, 'file.png'), fullPage: true });
  await page.close();
});

test('the map draws at a phone\'s width and tells the value under the pointer', async () => {
  const page = await openPage('?panel=map&year=1500&quantity=inclination', 390);
  assert.ok((await page.$$eval('#map-figure svg rect', (r) => r.length)) > 4000);
  assert.ok((await page.$$eval('#map-figure svg path', (p) => p.length)) > 2);
  const box = await (await page.$('#map-figure svg')).boundingBox();
  await page.mouse.move(box.x + box.width * 0.4, box.y + box.height * 0.5);
  assert.match(await messageOf(page, 'map-value'), /^\d+(\.5)?°N, -?\d+(\.5)?°E: \d+\.\d\d °$/);
  await page.$eval('#map-year', (e) => { e.value = '1502'; });
  await page.click('#map-form button');
  assert.match(await messageOf(page, 'map-year-message'), /^year: .*1502/);
  const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
  assert.ok(overflow <= 0, `the page is ${overflow} px wider than a phone`);
  await page.screenshot({ path: join(screenshots, 'map.png') });
  await page.close();
});

test('a global model maps the whole world at any year of its span; a bad region is said', async () => {
  const page = await openPage('?model=ARCH10k.1&panel=map&year=-1000&quantity=inclination&region=world');
  const cells = await page.$$eval('#map-figure svg rect', (r) => r.length);
  assert.ok(cells > 16000, `${cells} cells; ${await messageOf(page, 'map-year-message')} ${await messageOf(page, 'map-region-message')} ${await page.$eval('#model', (e) => e.value)}`);
  await page.$eval('#map-region', (e) => { e.value = '60/30/0/10'; });
  await page.click('#map-form button');
  assert.equal(await messageOf(page, 'map-region-message'),
    'region: 60/30/0/10 is no region: south below north within -90 to 90, west below east within -180 to 360');
  await page.$eval('#map-region', (e) => { e.value = 'world'; });
  await page.click('#map-form button');
  await page.screenshot({ path: join(screenshots, 'world.png') });
  await page.close();
});

test("the link of Jerusalem draws ARCH10k.1's curve there; a date needs the model's sigma", async () => {
  const page = await openPage('?model=ARCH10k.1&lat=31.78&lon=35.22');
  assert.equal(await page.$eval('#curve-output', (e) => e.hidden), false);
  assert.equal(await page.$eval('#model', (e) => e.value), 'ARCH10k.1');
  assert.match(await messageOf(page, 'model-citation'), /^ARCH10k\.1, -8000 to 1990 \(years AD, negative BC\): Constable/);
  const csv = run(exportProgram, ['--model', 'ARCH10k.1', '--lat', '31.78', '--lon', '35.22', '--format', 'csv']).files;
  const mine = await linkText(page, 'download-csv');
  assert.equal(mine.name, 'ARCH10k.1.csv');
  assertSameTable(mine.text, csv['ARCH10k.1.csv']);
  await page.screenshot({ path: join(screenshots, 'global.png') });

  await page.click('#tab-date');
  for (const [id, value] of [['date-lat', '31.78'], ['date-lon', '35.22'], ['inc', '50'], ['a95', '3']]) {
    await page.type(`#${id}`, value);
  }
  await page.click('#date-form button');
  assert.equal(await messageOf(page, 'model-sigma-message'),
    'ARCH10k.1 gives no uncertainty of its curve, and a date needs one: give one standard deviation of the ' +
    'curve with --model-sigma D,I,F (degrees, degrees, microtesla), e.g. --model-sigma 2,2,3');
  await page.type('#model-sigma', '2,2,3');
  await page.click('#date-form button');
  assert.equal(await messageOf(page, 'model-sigma-message'), '');
  const json = run(dateProgram, ['--model', 'ARCH10k.1', '--model-sigma', '2,2,3', '--lat', '31.78', '--lon', '35.22',
    '--inc', '50', '--a95', '3', '--json']);
  assert.equal((await linkText(page, 'download-date-json')).text, json.stdout);
  await page.close();
});

test("a 14C age is calibrated: karven-date's report and JSON, the figure with its intervals", async () => {
  const page = await openPage('?panel=date');
  await page.type('#c14-age', '2450');
  await page.type('#c14-sigma', '0');
  await page.click('#c14-form button');
  // The curve is fetched first, on the first calibration: the message
  // comes when it is in.
  await page.waitForFunction(() => document.querySelector('#c14-sigma-message').textContent !== '',
    { timeout: 30000 });
  assert.equal(await messageOf(page, 'c14-sigma-message'), "sigma: the 14C age's sigma must be a positive number");
  await page.$eval('#c14-sigma', (e) => { e.value = '30'; });
  await page.click('#c14-form button');
  await page.waitForSelector('#c14-output:not([hidden])', { timeout: 30000 });
  assert.equal(await messageOf(page, 'c14-sigma-message'), '');
  const report = run(dateProgram, ['--c14', '2450,30', '--c14-curve', 'IntCal20']);
  assert.equal(await messageOf(page, 'c14-report'), report.stdout);
  const json = run(dateProgram, ['--c14', '2450,30', '--json']);
  assert.equal((await linkText(page, 'download-c14-json')).text, json.stdout);
  // The figure: the curve's band, the age's normal curve, the density and
  // one shaded rectangle an interval of the 95% HPD region.
  const intervals = JSON.parse(json.stdout).levels.find((l) => l.level === 95).intervals;
  const count = (selector) => page.$$eval(`#c14-figure ${selector}`, (e) => e.length);
  assert.deepEqual([await count('.curve-band'), await count('.age-normal'), await count('.density'),
    await count('.hpd')], [1, 1, 1, intervals.length]);
  await page.screenshot({ path: join(screenshots, 'c14.png'), fullPage: true });
  await page.close();
});

test('the console holds no error', () => {
  assert.deepEqual(consoleErrors, []);
});
