// Twin of the "clip" movie: an object with x/y setters (kept in twips, as a clip keeps them)
// moved 10,000 times, each position read back.
'use strict';
const { phase } = require('./common.js');

function makeClip() {
  return {
    tx: 0, ty: 0,
    get x() { return this.tx / 20; },
    set x(v) { this.tx = Math.round(v * 20); },
    get y() { return this.ty / 20; },
    set y(v) { this.ty = Math.round(v * 20); },
  };
}

function clip() {
  const mc = makeClip();
  let s = 0;
  for (let i = 0; i < 10000; i++) {
    mc.x = mc.x + 1;
    mc.y = i % 100;
    s += mc.y;
  }
  return mc.x + ',' + s;
}

phase('clip', clip);
