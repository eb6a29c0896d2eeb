// Twin of the "calls" movie: 2 million calls of a small function by name, then 2 million calls
// of a method on an object.
'use strict';
const { phase } = require('./common.js');

function add(a, b) { return a + b; }

function calls() {
  let s = 0;
  for (let i = 0; i < 2000000; i++) s = add(s, i & 3);
  return s;
}

function methods() {
  const o = { n: 1 };
  o.add = function (a, b) { return a + b + this.n; };
  let s = 0;
  for (let i = 0; i < 2000000; i++) s = o.add(s, i & 3);
  return s;
}

phase('calls', calls);
phase('methods', methods);
