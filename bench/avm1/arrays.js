// Twin of the "arrays" movie: 300,000 pushes of pseudo-random numbers, then 100,000 of them
// sorted with a comparator and 100,000 sorted numerically by the built-in sort (a typed array
// stands for Array.NUMERIC).
'use strict';
const { phase } = require('./common.js');

let data;

function fill() {
  const a = [];
  let seed = 12345;
  for (let i = 0; i < 300000; i++) {
    seed = (seed * 16807) % 2147483647;
    a.push(seed % 100000);
  }
  data = a;
  return a.length;
}

function sortCmp() {
  const b = data.slice(0, 100000);
  b.sort(function (x, y) { return x - y; });
  return b[0] + ',' + b[99999];
}

function sortNumeric() {
  const c = new Float64Array(data.slice(100000, 200000));
  c.sort();
  return c[0] + ',' + c[99999];
}

phase('push', fill);
phase('sort-cmp', sortCmp);
phase('sort-numeric', sortNumeric);
