// The site's model manifest: the regional entries of the source's
// models.json, then the bundled global models with their spans and
// citations as the module's catalogue gives them.
// node web/manifest.mjs MODULE_FOLDER SOURCE_MANIFEST OUTPUT
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [moduleFolder, source, output] = process.argv.slice(2);
const { default: createKarven } = await import(join(moduleFolder, 'karven.js'));
const karven = await createKarven({ wasmBinary: readFileSync(join(moduleFolder, 'karven.wasm')) });
const manifest = JSON.parse(readFileSync(source, 'utf8'));
const year = (y) => (y < 0 ? `${-y} BC` : `${y} AD`);
for (const m of karven.bundledModels()) {
  manifest.push({
    name: m.name,
    label: `${m.name}, global, ${year(m.first_year)} to ${year(m.last_year)}`,
    kind: 'global',
    file: `models/${m.file}`,
    first_year: m.first_year,
    last_year: m.last_year,
    citation: m.citation,
  });
}
writeFileSync(output, `${JSON.stringify(manifest, null, 2)}\n`);
