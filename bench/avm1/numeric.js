// Twin of the "numeric" movie: sum of i*i mod 7 over 3 million iterations.
'use strict';
const { phase } = require('./common.js');

function numeric() {
  let s = 0;
  for (let i = 0; i < 3000000; i++) s += (i * i) % 7;
  return s;
}

phase('numeric', numeric);
