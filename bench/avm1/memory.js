// Twin of the memory movie: 1,800 frames, each making 3,334 objects (every tenth tied in a
// cycle with that frame's stand-in for a clip) and dropping the ones of the frame before.
// Prints the peak resident size and the heap in use at the start, middle and end.
'use strict';

let keep = null;
let frameNo = 0;

function churn() {
  const c = { name: 'tmp', depth: 10 };
  const list = [];
  for (let i = 0; i < 3334; i++) {
    const o = { id: i, x: i * 2, name: null };
    if (i % 10 === 0) o.owner = c;
    list.push(o);
  }
  c.items = list;
  keep = list;
  frameNo++;
}

const used = () => process.memoryUsage().heapUsed;
const c0 = process.cpuUsage();
const t0 = process.hrtime.bigint();
const start = used();
let middle = 0;
for (let f = 0; f < 1800; f++) {
  churn();
  if (f === 899) middle = used();
}
const end = used();
const ms = Number(process.hrtime.bigint() - t0) / 1e6;
const cu = process.cpuUsage(c0);
const cpu = (cu.user + cu.system) / 1e3;
console.log('MEMORY ms ' + ms.toFixed(1) + ' cpu_ms ' + cpu.toFixed(1) + ' peak_rss_kb ' + process.resourceUsage().maxRSS +
            ' heap_start ' + start + ' heap_middle ' + middle + ' heap_end ' + end + ' frames ' + frameNo +
            ' kept ' + keep.length);
