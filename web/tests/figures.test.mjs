// The page's hand-drawn figures: axis ticks and contour lines, on fields
// whose answer is known.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { contourSegments, ticks } from '../site/figures.js';

test('ticks are round numbers spanning the range', () => {
  assert.deepEqual(ticks(0, 1900), [0, 500, 1000, 1500]);
  assert.deepEqual(ticks(-5.78, 9.85), [-5, 0, 5]);
  assert.deepEqual(ticks(0, 0.3), [0, 0.05, 0.1, 0.15, 0.2, 0.25, 0.3]);
  assert.deepEqual(ticks(58.2, 75.3, 4), [60, 65, 70, 75]);
  assert.deepEqual(ticks(3, 3), [3]);
});

test('contours of a plane are straight lines where the plane has the level', () => {
  // 3 rows, 4 columns; the value is the column number: the level 1.5 runs
  // down between columns 1 and 2 in each of the two rows of cells.
  const rows = 3;
  const cols = 4;
  const values = Array.from({ length: rows * cols }, (_, k) => k % cols);
  const segments = contourSegments(values, rows, cols, 1.5);
  assert.deepEqual(segments, [
    [[0, 1.5], [1, 1.5]],
    [[1, 1.5], [2, 1.5]],
  ]);
  // A cell with a value that is not a number draws nothing.
  values[1] = NaN;
  assert.deepEqual(contourSegments(values, rows, cols, 1.5), [[[1, 1.5], [2, 1.5]]]);
  // A level outside the values draws nothing.
  assert.deepEqual(contourSegments(values, rows, cols, 7), []);
});
