// Runs one phase of a benchmark and prints "PHASE name wall_ms cpu_ms result": the times cover
// the phase alone (node's start-up and compilation of this file are left out); cpu is the
// process's user + system time, helper threads included.
'use strict';
exports.phase = function (name, fn) {
  const c0 = process.cpuUsage();
  const t0 = process.hrtime.bigint();
  const result = fn();
  const t1 = process.hrtime.bigint();
  const c = process.cpuUsage(c0);
  console.log('PHASE ' + name + ' ' + (Number(t1 - t0) / 1e6).toFixed(3) + ' ' +
              ((c.user + c.system) / 1e3).toFixed(3) + ' ' + result);
};
