#!/usr/bin/python3
"""Compares swfrun's picture of a corpus case with the expected one.
Usage: imgdiff.py CASE [--quality q] [--out diff.png]
Prints outlier count, their bounding box and a few samples; writes a side-by-side image."""
import subprocess, sys, os
from PIL import Image
root = os.path.dirname(os.path.abspath(__file__)) + '/../..'
case = sys.argv[1]
d = '/work/shared/swf-corpus/cases/' + case
frames = 1
for line in open('/work/shared/swf-corpus/manifest.tsv'):
    f = line.rstrip('\n').split('\t')
    if f[0] == case: frames = int(f[2]); tol = f[10]
tol = int((tol or '0').split(';')[0])
out = '/tmp/swfdiff-' + case + '.png'
extra = sys.argv[2:]
subprocess.run([root + '/build/native/tools/swfrun/swfrun', '--frames', str(frames), '--png', out] + extra + ['movie.swf'], cwd=d, check=True)
a = Image.open(out).convert('RGBA'); b = Image.open(d + '/expected.png').convert('RGBA')
w, h = b.size
pa, pb = a.load(), b.load()
bad = []
for y in range(h):
    for x in range(w):
        p, q = pa[x, y], pb[x, y]
        if max(abs(p[i] - q[i]) for i in range(4)) > tol: bad.append((x, y, p, q))
print(len(bad), 'outliers (tolerance', tol, ')')
if bad:
    xs = [t[0] for t in bad]; ys = [t[1] for t in bad]
    print('bbox', min(xs), min(ys), max(xs), max(ys))
    for t in bad[:: max(1, len(bad) // 12)][:12]: print(t)
side = Image.new('RGBA', (w * 3, h))
side.paste(a, (0, 0)); side.paste(b, (w, 0))
diff = Image.new('RGBA', (w, h), (0, 0, 0, 255)); dp = diff.load()
for x, y, p, q in bad: dp[x, y] = (255, 0, 0, 255)
side.paste(diff, (2 * w, 0))
side.save('/tmp/side-' + case + '.png')
