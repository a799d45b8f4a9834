// Under node, emscripten's ES module loader reads the WebAssembly with
// require() and __dirname, which an ES module lacks: both made here, in
// node only, so that the same karven.js loads in a browser.
const karvenInNode = typeof process === 'object' && typeof process.versions === 'object' &&
  typeof process.versions.node === 'string';
const require = karvenInNode ? (await import('node:module')).createRequire(import.meta.url) : undefined;
const __dirname = karvenInNode ? (await import('node:path')).dirname((await import('node:url')).fileURLToPath(import.meta.url)) : '';
