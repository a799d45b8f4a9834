// What the web tests compare: tables of numbers written by the module and
// by the commands.
import assert from 'node:assert/strict';

// Two CSV tables: the same comment lines, header, years and fields, each
// number the same to 2e-15 of its size. The browser's mathematical
// library rounds sines and arc tangents differently from the host's in
// the last bit now and then, so that a global model's values may differ
// there (the regional model's do not).
export function assertSameTable(actual, expected) {
  const mineLines = actual.split('\n');
  const theirLines = expected.split('\n');
  assert.equal(mineLines.length, theirLines.length);
  mineLines.forEach((line, k) => {
    const mine = line.split(',');
    const theirs = theirLines[k].split(',');
    if (line.startsWith('#') || Number.isNaN(Number(mine[0])) || mine.length !== theirs.length) {
      assert.equal(line, theirLines[k]);
      return;
    }
    mine.forEach((field, q) => {
      const [a, b] = [Number(field), Number(theirs[q])];
      assert.ok(field === theirs[q] || Math.abs(a - b) <= 2e-15 * Math.abs(b),
        `line ${k + 1}: ${line} against ${theirLines[k]}`);
    });
  });
}
