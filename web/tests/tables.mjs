// What the web tests compare: tables written by the module and by the
// commands. A global model's tables write six decimals, so that the last
// bits in which the browser's mathematical library may differ from the
// host's never reach them: the tables are equal to the digit.
import assert from 'node:assert/strict';

export function assertSameTable(actual, expected) {
  assert.equal(actual, expected);
}
