// The JavaScript module under node: a curve at Paris and a kiln dated
// against it. Run after scripts/web: node web/example.mjs
import { readFileSync } from 'node:fs';
import createKarven from '../build-web/site/karven.js';

// Under node the loader is given the WebAssembly itself.
const wasm = new URL('../build-web/site/karven.wasm', import.meta.url);
const karven = await createKarven({ wasmBinary: readFileSync(wasm) });

const text = readFileSync(new URL('../examples/demo_coeff.inp', import.meta.url), 'utf8');
const model = new karven.Model('demo_coeff.inp', text); // a coefficient file's name and text
const paris = model.curve(48.85, 2.35); // the 381 epochs, 0 to 1900 AD
const { year, declination, declination_error_95 } = paris.values(); // Float64Arrays
console.log(`${paris.source}: D in ${year[300]} AD is ${declination[300].toFixed(2)} ` +
  `± ${declination_error_95[300].toFixed(2)} degrees`);

const kiln = karven.date(paris, { dec: 4, inc: 64.5, a95: 2.5, int: 59, sigma_int: 2.5, levels: [68, 95] });
console.log(`mode ${kiln.mode} AD; 95%:`, kiln.intervals['95'].map(([from, to, p]) =>
  `${from}-${to} AD (${(100 * p).toFixed(1)}%)`).join(', '));

try {
  karven.date(paris, { inc: 95, a95: 2.5 });
} catch (error) {
  console.log(`refused: ${error.message}`);
}
paris.delete(); // objects made by the module are freed by hand
model.delete();
