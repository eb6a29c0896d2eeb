#!/usr/bin/python3
"""Compares swfrun's picture of a corpus case with the expected one (standard library only).
Usage: imgdiff.py CASE [swfrun options...]
Prints the outlier count, their bounding box and a few samples (x, y, ours, expected) and writes
/tmp/side-CASE.png: ours | expected | outliers in red."""
import os, struct, subprocess, sys, zlib

def read_png(path):
    data = open(path, 'rb').read()
    pos, chunks, idat = 8, {}, b''
    while pos < len(data):
        n, t = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if t == b'IDAT': idat += body
        else: chunks.setdefault(t, body)
        pos += 12 + n
    w, h, depth, ctype = struct.unpack('>IIBB', chunks[b'IHDR'][:10])
    assert depth == 8, 'only 8-bit PNGs'
    chans = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ctype]
    raw, stride = zlib.decompress(idat), w * chans
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(h):
        f = raw[i]; line = bytearray(raw[i + 1:i + 1 + stride]); i += 1 + stride
        for x in range(stride):
            a = line[x - chans] if x >= chans else 0
            b = prev[x]; c = prev[x - chans] if x >= chans else 0
            if f == 1: line[x] = (line[x] + a) & 255
            elif f == 2: line[x] = (line[x] + b) & 255
            elif f == 3: line[x] = (line[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c; pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line); prev = line
    pal = chunks.get(b'PLTE'); trns = chunks.get(b'tRNS', b'')
    px = []
    for line in rows:
        out = []
        for x in range(w):
            if ctype == 6: out.append(tuple(line[4 * x:4 * x + 4]))
            elif ctype == 2: out.append(tuple(line[3 * x:3 * x + 3]) + (255,))
            elif ctype == 0: out.append((line[x],) * 3 + (255,))
            elif ctype == 4: out.append((line[2 * x],) * 3 + (line[2 * x + 1],))
            else:
                k = line[x]; out.append(tuple(pal[3 * k:3 * k + 3]) + ((trns[k] if k < len(trns) else 255),))
        px.append(out)
    return w, h, px

def write_png(path, w, h, px):
    raw = b''.join(b'\0' + bytes(v for p in row for v in p) for row in px)
    def chunk(t, b): return struct.pack('>I', len(b)) + t + b + struct.pack('>I', zlib.crc32(t + b))
    open(path, 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
                           chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

root = os.path.dirname(os.path.abspath(__file__)) + '/../..'
case = sys.argv[1]
corpus = os.path.join(root, '..', 'shared', 'swf-corpus')
d = os.path.join(corpus, 'cases', case)
frames, tol = 1, ''
for line in open(os.path.join(corpus, 'manifest.tsv')):
    f = line.rstrip('\n').split('\t')
    if f[0] == case: frames = int(f[2]); tol = f[10]
tol = int((tol or '0').split(';')[0])
out = '/tmp/swfdiff-' + case + '.png'
subprocess.run([root + '/build/native/tools/swfrun/swfrun', '--frames', str(frames), '--png', out] + sys.argv[2:] +
               ['movie.swf'], cwd=d, check=True)
w, h, a = read_png(out)
w2, h2, b = read_png(d + '/expected.png')
if (w, h) != (w2, h2): sys.exit('size %dx%d, expected %dx%d' % (w, h, w2, h2))
bad = [(x, y, a[y][x], b[y][x]) for y in range(h) for x in range(w)
       if max(abs(a[y][x][i] - b[y][x][i]) for i in range(4)) > tol]
print(len(bad), 'outliers (tolerance', tol, ')')
if bad:
    xs = [t[0] for t in bad]; ys = [t[1] for t in bad]
    print('bbox', min(xs), min(ys), max(xs), max(ys))
    for t in bad[::max(1, len(bad) // 12)][:12]: print(t)
red = {(x, y) for x, y, _, _ in bad}
side = [a[y] + b[y] + [(255, 0, 0, 255) if (x, y) in red else (0, 0, 0, 255) for x in range(w)] for y in range(h)]
write_png('/tmp/side-' + case + '.png', 3 * w, h, side)
