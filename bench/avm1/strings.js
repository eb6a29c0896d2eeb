// Twin of the "strings" movie: 200,000 short pieces appended to one string, then 200,000
// numbers turned into strings.
'use strict';
const { phase } = require('./common.js');

function concat() {
  let s = '';
  for (let i = 0; i < 200000; i++) s += 'k' + i;
  return s.length;
}

function num2str() {
  let t = 0;
  for (let i = 0; i < 200000; i++) t += String(i / 8).length;
  return t;
}

phase('concat', concat);
phase('num2str', num2str);
