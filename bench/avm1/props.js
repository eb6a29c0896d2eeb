// Twin of the "props" movie: 1 million get/set pairs on three plain objects.
'use strict';
const { phase } = require('./common.js');

function props() {
  const a = { x: 0, y: 1, vx: 2, vy: 3, hp: 100 };
  const b = { x: 0, y: 4, vx: 5, vy: 6, hp: 100 };
  const c = { x: 0, y: 7, vx: 8, vy: 9, hp: 100 };
  const objs = [a, b, c];
  for (let i = 0; i < 1000000; i++) {
    const o = objs[i % 3];
    o.x = o.vx + i;
  }
  return a.x + b.x + c.x;
}

phase('props', props);
