#!/usr/bin/env python3
"""Seed inputs for the fuzzers of tools/swf (fuzz.sh, fuzz-smoke.sh).

    fuzz_seeds.py make OUTDIR                      our own seeds for every target, in OUTDIR/<target>
    fuzz_seeds.py extract TARGET OUTDIR MOVIE...   inputs for TARGET taken out of movies

`make` writes small movies of its own (shapes, bitmaps, fonts, text, buttons, sprites, scripts,
sounds), pictures made with PIL and a PNG writer of its own (every colour type, depth, filter and
interlacing), lossless bitmap bodies, and window layouts; it needs PIL (Debian's python3-pil). The
avm1, images and sound seeds are taken out of those movies the same way `extract` takes them out of
any movie, so each input has the framing its fuzzer expects (see each fuzz_<target>.cpp).
"""
import io
import os
import random
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))

# ---------------------------------------------------------------------------------------------
# Taking inputs out of movies
# ---------------------------------------------------------------------------------------------

def movie_body(data):
    """The uncompressed tag area (after the header RECT, frame rate and count), or None."""
    try:
        if data[:3] == b'FWS':
            body = data[8:]
        elif data[:3] == b'CWS':
            body = zlib.decompress(data[8:])
        else:
            return None
    except zlib.error:
        return None
    if not body:
        return None
    start = ((5 + 4 * (body[0] >> 3) + 7) // 8) + 4
    return body[start:]


def tags(buf):
    i = 0
    while i + 2 <= len(buf):
        h = struct.unpack_from('<H', buf, i)[0]
        i += 2
        code, n = h >> 6, h & 63
        if n == 63:
            if i + 4 > len(buf):
                return
            n = struct.unpack_from('<I', buf, i)[0]
            i += 4
        yield code, buf[i:i + n]
        i += n
        if code == 0:
            return


def all_tags(buf):
    """Every tag, with the tags of sprites after their DefineSprite."""
    for code, body in tags(buf):
        yield code, body
        if code == 39:
            yield from all_tags(body[4:])


def action_inputs(body, version):
    """fuzz_avm1: [version] [options] [split 1] [split 2] then one action block."""
    v = min(max(version, 5), 10) - 5
    for code, tag in all_tags(body):
        block = tag if code == 12 else tag[2:] if code == 59 else None
        if block and len(block) <= 16384:
            yield bytes([v, 0, 255, 0]) + block


def exact_split(head, rest):
    """[split] and padding so that fuzz_images cuts `head` bytes off exactly: JPEG ignores bytes
    after its end marker, so the image part may grow until size * split / 255 lands on `head`."""
    for pad in range(0, 256):
        size = head + rest + pad
        for split in range(1, 255):
            if size * split // 255 == head:
                return split, pad
    return None


def image_inputs(body):
    """fuzz_images: [mode] [split] then a decoder's data (see fuzz_images.cpp)."""
    tables = b''
    for code, tag in all_tags(body):
        if code == 8:
            tables = tag
        elif code == 6 and tables:
            cut = exact_split(len(tables), len(tag))
            if cut:
                yield bytes([7, cut[0]]) + tables + tag + b'\0' * cut[1]
        elif code == 21:
            image = tag[2:]
            mode = 2 if image[:4] == b'\x89PNG' else 3 if image[:3] == b'GIF' else 0
            yield bytes([mode, 0]) + image
        elif code in (35, 90):
            yield bytes([6, 0]) + tag[:6] + tag[8:] if code == 90 else bytes([6, 0]) + tag
        elif code in (20, 36):
            yield bytes([4 if code == 20 else 5, 0]) + tag


SOUND_CODECS = {0: 0, 1: 1, 2: 2, 3: 3, 4: 4, 5: 5, 6: 6, 11: 7}


def sound_inputs(body):
    """fuzz_sound: [format] [mode] then DefineSound's data, or a stream's blocks run together."""
    stream_format, blocks = None, []

    def fmt(flags):
        codec = SOUND_CODECS.get(flags >> 4)
        return None if codec is None else codec | (flags >> 2 & 3) << 3 | (flags >> 1 & 1) << 5 | (flags & 1) << 6

    for code, tag in all_tags(body):
        if code == 14 and len(tag) > 7:
            f = fmt(tag[2])
            if f is not None:
                yield bytes([f, 0x10]) + tag[7:7 + 32768]
        elif code in (18, 45) and len(tag) >= 4:
            stream_format = fmt(tag[1])
        elif code == 19 and stream_format is not None:
            # MP3 blocks start with a sample count and a seek count the decoder does not read.
            blocks.append(tag[4:] if stream_format & 7 == 2 else tag)
    if blocks and stream_format is not None:
        yield bytes([stream_format, 0x80 | 0x30]) + b''.join(blocks)[:32768]


def extract(target, out, movies):
    os.makedirs(out, exist_ok=True)
    count = 0
    for path in sorted(movies):
        data = open(path, 'rb').read()
        if target == 'loader':
            found = [data] if len(data) <= 65536 else []
        else:
            body = movie_body(data)
            if body is None:
                continue
            found = {'avm1': lambda: action_inputs(body, data[3]), 'images': lambda: image_inputs(body),
                     'sound': lambda: sound_inputs(body)}.get(target, lambda: [])()
        for item in found:
            if len(item) <= 65536:
                open(os.path.join(out, '%s-%d' % (os.path.basename(os.path.dirname(path)) or 'm', count)), 'wb').write(item)
                count += 1
    return count

# ---------------------------------------------------------------------------------------------
# Our own movies
# ---------------------------------------------------------------------------------------------

class Bits:
    def __init__(self):
        self.out, self.acc, self.n = bytearray(), 0, 0

    def ub(self, v, n):
        for i in range(n - 1, -1, -1):
            self.acc = self.acc << 1 | (v >> i & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc, self.n = 0, 0

    def sb(self, v, n):
        self.ub(v & ((1 << n) - 1), n)

    def bytes(self):
        if self.n:
            self.ub(0, 8 - self.n)
        return bytes(self.out)


def sbits(*values):
    return max([2] + [abs(v).bit_length() + 1 for v in values])


def rect(x0, x1, y0, y1):
    b = Bits()
    n = sbits(x0, x1, y0, y1)
    b.ub(n, 5)
    for v in (x0, x1, y0, y1):
        b.sb(v, n)
    return b.bytes()


def matrix(tx=0, ty=0, scale=None, rotate=None):
    b = Bits()
    for pair in (scale, rotate):
        b.ub(pair is not None, 1)
        if pair is not None:
            n = sbits(*pair)
            b.ub(n, 5)
            b.sb(pair[0], n)
            b.sb(pair[1], n)
    n = sbits(tx, ty)
    b.ub(n, 5)
    b.sb(tx, n)
    b.sb(ty, n)
    return b.bytes()


def cxform_alpha(mult=None, add=None):
    b = Bits()
    b.ub(add is not None, 1)
    b.ub(mult is not None, 1)
    vals = (mult or []) + (add or [])
    n = sbits(*vals) if vals else 1
    b.ub(n, 4)
    for v in vals:
        b.sb(v, n)
    return b.bytes()


def color(rgb, alpha, with_alpha):
    return bytes(rgb) + (bytes([alpha]) if with_alpha else b'')


def shape_records(fill_bits, line_bits, edges, fill=1, line=1, start=(0, 0)):
    """One closed path: a move to `start`, then edges: ('l', dx, dy) or ('c', cdx, cdy, adx, ady)."""
    b = Bits()
    b.ub(fill_bits, 4)
    b.ub(line_bits, 4)
    b.ub(0, 1)
    b.ub(0b01011 if line_bits else 0b00011, 5)   # line, fill1, move
    n = sbits(*start)
    b.ub(n, 5)
    b.sb(start[0], n)
    b.sb(start[1], n)
    if fill_bits:
        b.ub(fill, fill_bits)
    if line_bits:
        b.ub(line, line_bits)
    for e in edges:
        b.ub(1, 1)
        if e[0] == 'l':
            n = sbits(e[1], e[2])
            b.ub(1, 1)
            b.ub(n - 2, 4)
            b.ub(1, 1)
            b.sb(e[1], n)
            b.sb(e[2], n)
        else:
            n = sbits(*e[1:])
            b.ub(0, 1)
            b.ub(n - 2, 4)
            for v in e[1:]:
                b.sb(v, n)
    b.ub(0, 6)
    return b.bytes()


def square(size, curved=False):
    if curved:
        h = size // 2
        return [('c', h, 0, h, h), ('c', 0, h, -h, h), ('c', -h, 0, -h, -h), ('c', 0, -h, h, -h)]
    return [('l', size, 0), ('l', 0, size), ('l', -size, 0), ('l', 0, -size)]


class Movie:
    def __init__(self, version=8, frames=1, width=400, height=300):
        self.version, self.frames, self.width, self.height = version, frames, width, height
        self.out = bytearray()

    def tag(self, code, body=b''):
        if len(body) < 63 and code not in (20, 21, 35, 36, 6):
            self.out += struct.pack('<H', code << 6 | len(body))
        else:
            self.out += struct.pack('<HI', code << 6 | 63, len(body))
        self.out += body
        return self

    def frame(self):
        return self.tag(1)

    def place(self, char, depth, tx=0, ty=0, name=None, ratio=None, cx=None, clip_depth=None, move=False):
        flags = 0x04 | (0x02 if char else 0) | (0x01 if move else 0)
        body = b''
        if cx:
            flags |= 0x08
        if ratio is not None:
            flags |= 0x10
        if name:
            flags |= 0x20
        if clip_depth:
            flags |= 0x40
        body = struct.pack('<BH', flags, depth) + (struct.pack('<H', char) if char else b'') + matrix(tx, ty)
        if cx:
            body += cxform_alpha(*cx)
        if ratio is not None:
            body += struct.pack('<H', ratio)
        if name:
            body += name.encode() + b'\0'
        if clip_depth:
            body += struct.pack('<H', clip_depth)
        return self.tag(26, body)

    def action(self, asm):
        return self.tag(12, asm_program(asm))

    def bytes(self, compress=False):
        body = rect(0, self.width * 20, 0, self.height * 20) + struct.pack('<HH', 24 << 8, self.frames)
        body += bytes(self.out) + b'\0\0'
        if compress:
            return b'CWS' + bytes([self.version]) + struct.pack('<I', len(body) + 8) + zlib.compress(body)
        return b'FWS' + bytes([self.version]) + struct.pack('<I', len(body) + 8) + body


def shape_tag(version, char, size, fills, curved=False, line=True):
    """DefineShape 1-3 with the given fill styles (bytes each, without the colour's alpha rule)."""
    alpha = version == 3
    body = struct.pack('<H', char) + rect(-40, size + 40, -40, size + 40)
    body += bytes([len(fills)]) + b''.join(fills)
    body += bytes([1]) + struct.pack('<H', 40) + color((10, 20, 30), 200, alpha) if line else b'\0'
    body += shape_records(2, 1 if line else 0, square(size, curved), fill=1)
    return {1: 2, 2: 22, 3: 32}[version], body


def solid(rgb, alpha, version):
    return b'\0' + color(rgb, alpha, version == 3)


def gradient(kind, version, focal=False):
    alpha = version == 3
    stops = [(0, (255, 0, 0), 255), (128, (0, 255, 0), 128), (255, (0, 0, 255), 40)]
    body = bytes([kind]) + matrix(100, 100, scale=(65536 // 16, 65536 // 16))
    body += bytes([0x40 | len(stops)]) + b''.join(bytes([r]) + color(c, a, alpha) for r, c, a in stops)
    if focal:
        body += struct.pack('<h', 128)
    return body


def bitmap_fill(char, kind=0x41):
    return bytes([kind]) + struct.pack('<H', char) + matrix(scale=(20 << 16, 20 << 16))


def font_tag(char, name='Seed', codes='ABab 1'):
    """DefineFont2 with box glyphs and a layout."""
    glyphs = [shape_records(1, 0, square(800 - 100 * (i % 3), curved=i % 2 == 1), line=0) for i in range(len(codes))]
    offsets, at = [], 2 * len(glyphs) + 2
    for g in glyphs:
        offsets.append(at)
        at += len(g)
    body = struct.pack('<HBBB', char, 0x80 | 0x04, 1, len(name)) + name.encode()
    body += struct.pack('<H', len(glyphs)) + b''.join(struct.pack('<H', o) for o in offsets) + struct.pack('<H', at)
    body += b''.join(glyphs) + b''.join(struct.pack('<H', ord(c)) for c in codes)
    body += struct.pack('<hhh', 900, 200, 40) + b''.join(struct.pack('<h', 1000) for _ in codes)
    body += b''.join(rect(0, 800, -800, 0) for _ in codes)
    body += struct.pack('<H', 1) + struct.pack('<HHh', ord('A'), ord('B'), -100)
    return body


def text_tag(char, font, glyphs):
    body = struct.pack('<H', char) + rect(0, 4000, 0, 1000) + matrix() + bytes([4, 12])
    body += bytes([0x8F]) + struct.pack('<H', font) + bytes([200, 10, 10]) + struct.pack('<hhH', 0, 800, 480)
    body += bytes([len(glyphs)])
    b = Bits()
    for g in glyphs:
        b.ub(g, 4)
        b.sb(500, 12)
    return body + b.bytes() + b'\0'


def edit_text_tag(char, font, text, html=False, var='field'):
    flags = 0x80 | 0x40 | 0x20 | 0x04 | 0x02 | (0x01 if font else 0)
    flags2 = 0x20 | 0x08 | (0x02 if html else 0) | (0x01 if font else 0)
    body = struct.pack('<H', char) + rect(0, 3000, 0, 1200) + bytes([flags, flags2])
    if font:
        body += struct.pack('<HH', font, 240)
    body += bytes([0, 0, 128, 255]) + struct.pack('<H', 200)
    body += bytes([1]) + struct.pack('<HHHh', 40, 40, 0, 20)
    return body + var.encode() + b'\0' + text.encode() + b'\0'


# ---------------------------------------------------------------------------------------------
# Pictures and sounds of our own
# ---------------------------------------------------------------------------------------------

def picture(w=12, h=10, mode='RGB'):
    from PIL import Image
    img = Image.new('RGBA', (w, h))
    for y in range(h):
        for x in range(w):
            img.putpixel((x, y), (x * 255 // w, y * 255 // h, (x ^ y) * 16 & 255, 255 if (x + y) % 3 else 90))
    return img.convert(mode) if mode != 'RGBA' else img


def jpeg(w=12, h=10, **options):
    out = io.BytesIO()
    picture(w, h, options.pop('mode', 'RGB')).save(out, 'JPEG', **options)
    return out.getvalue()


def jpeg_split(data):
    """(tables, image): a JPEGTables-style stream of the quantisation and Huffman tables, and the
    image without them."""
    i, tables, image = 2, b'\xff\xd8', b'\xff\xd8'
    while i + 4 <= len(data) and data[i] == 0xFF:
        marker = data[i + 1]
        n = struct.unpack('>H', data[i + 2:i + 4])[0]
        seg = data[i:i + 2 + n]
        if marker in (0xDB, 0xC4):
            tables += seg
        else:
            image += seg
        i += 2 + n
        if marker == 0xDA:
            break
    return tables + b'\xff\xd9', image + data[i:]


def gif(w=12, h=10, **options):
    out = io.BytesIO()
    img = picture(w, h, 'P')
    img.save(out, 'GIF', **options)
    # DefineBitsJPEG2 takes GIF89a only; the 87a header PIL writes for plain pictures is the same
    # format without extensions.
    return b'GIF89a' + out.getvalue()[6:]


def png_chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def png(w, h, color_type, depth, interlace=False, filters=(0, 1, 2, 3, 4), trns=None, plte=None):
    """A PNG of a test pattern, written here so that every depth, filter and interlacing shows up."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[color_type]
    top = (1 << depth) - 1
    bpp = max(1, channels * depth // 8)

    def row(y, xs):
        b = Bits()
        for x in xs:
            for c in range(channels):
                b.ub((x * 7 + y * 3 + c * 5) % (top + 1) if color_type == 3 else (x * 37 + y * 11 + c * 91) * top // 255 % (top + 1), depth)
        return b.bytes()

    def filtered(kind, cur, prev):
        out = bytearray([kind])
        for i, v in enumerate(cur):
            a = cur[i - bpp] if i >= bpp else 0
            b = prev[i] if prev else 0
            c = prev[i - bpp] if prev and i >= bpp else 0
            if kind == 1: v -= a
            elif kind == 2: v -= b
            elif kind == 3: v -= (a + b) >> 1
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                v -= a if pa <= pb and pa <= pc else b if pb <= pc else c
            out.append(v & 255)
        return bytes(out)

    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)] \
        if interlace else [(0, 0, 1, 1)]
    raw, k = bytearray(), 0
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, w, dx))
        if not xs:
            continue
        prev = None
        for y in range(y0, h, dy):
            cur = row(y, xs)
            raw += filtered(filters[k % len(filters)], cur, prev)
            prev, k = cur, k + 1
    out = b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, color_type, 0, 0, int(interlace)))
    if color_type == 3:
        out += png_chunk(b'PLTE', plte or bytes(i * 17 & 255 for i in range(3 * (1 << depth))))
    if trns is not None:
        out += png_chunk(b'tRNS', trns)
    data = zlib.compress(bytes(raw))
    return out + png_chunk(b'IDAT', data[:len(data) // 2]) + png_chunk(b'IDAT', data[len(data) // 2:]) + png_chunk(b'IEND', b'')


def pngs():
    yield png(9, 7, 0, 1)
    yield png(9, 7, 0, 2, trns=b'\0\1')
    yield png(9, 7, 0, 4, interlace=True)
    yield png(9, 7, 0, 8, trns=b'\0\x10')
    yield png(5, 5, 0, 16)
    yield png(9, 7, 2, 8, trns=b'\0\0\0\x25\0\x4a')
    yield png(9, 9, 2, 16, interlace=True)
    yield png(9, 7, 3, 1, trns=b'\x00')
    yield png(9, 7, 3, 2)
    yield png(11, 6, 3, 4, interlace=True, trns=bytes(range(0, 256, 17)))
    yield png(9, 7, 3, 8, trns=bytes([0, 80, 160]))
    yield png(9, 7, 4, 8)
    yield png(6, 6, 4, 16)
    yield png(9, 7, 6, 8, interlace=True)
    yield png(6, 5, 6, 16)
    yield png(1, 1, 6, 8)


def lossless(char, fmt, version, w=7, h=5):
    alpha = version == 2
    rows = bytearray()
    head = struct.pack('<HBHH', char, fmt, w, h)
    if fmt == 3:
        head += bytes([15])
        for i in range(16):
            rows += bytes([i * 16, 255 - i * 16, i * 8]) + (bytes([i * 16]) if alpha else b'')
        for y in range(h):
            rows += bytes((x + y) % 18 for x in range(w)) + b'\0' * ((4 - w % 4) % 4)
    elif fmt == 4:
        for y in range(h):
            rows += b''.join(struct.pack('>H', (x * 4 << 10) | (y * 6 << 5) | (x + y)) for x in range(w))
            rows += b'\0' * ((4 - w * 2 % 4) % 4)
    else:
        for y in range(h):
            for x in range(w):
                a = 255 if not alpha else (x * 40) & 255
                rows += bytes([a, min(a, x * 30), min(a, y * 40), min(a, 90)])
    return head + zlib.compress(bytes(rows))


def noise(n, seed):
    r = random.Random(seed)
    return bytes(r.randrange(256) for _ in range(n))


def pcm(samples, sixteen, stereo, little=True):
    out = bytearray()
    for i in range(samples):
        for c in range(2 if stereo else 1):
            v = int(((i * (3 + c)) % 64 - 32) * 700)
            out += struct.pack('<h' if little else '>h', v) if sixteen else bytes([(v >> 8) + 128 & 255])
    return bytes(out)


def mp3_tone():
    """A short MP3 from the lame encoder, or nothing where it is not installed."""
    try:
        raw = pcm(2205, True, False)
        run = subprocess.run(['lame', '--quiet', '-r', '-s', '11.025', '-m', 'm', '--bitwidth', '16',
                              '--signed', '--little-endian', '-b', '32', '-', '-'],
                             input=raw, capture_output=True, timeout=30)
        return run.stdout if run.returncode == 0 else b''
    except (OSError, subprocess.TimeoutExpired):
        return b''


def adpcm(samples, stereo, seed):
    """ADPCM with valid headers (2-bit code size, per-channel first sample and index) and noise codes."""
    b = Bits()
    b.ub(2, 2)
    r = random.Random(seed)
    channels = 2 if stereo else 1
    left = samples
    while left > 0:
        for _ in range(channels):
            b.sb(r.randrange(-3000, 3000), 16)
            b.ub(r.randrange(40), 6)
        for _ in range(min(left, 4096) - 1):
            for _ in range(channels):
                b.ub(r.randrange(16), 4)
        left -= 4096
    return b.bytes()

# ---------------------------------------------------------------------------------------------
# Scripts of our own
# ---------------------------------------------------------------------------------------------

def asm_program(asm):
    from swfasm import program
    return program(asm)


def scripts():
    from swfasm import Asm, Reg, UNDEFINED
    out = []
    a = Asm()   # a loop with registers and string work
    a.push('i', 0).op('DefineLocal')
    a.push('s', '').op('DefineLocal')
    a.label('top')
    a.get('s').get('i').op('Add2').push('s').op('StackSwap', 'SetVariable')
    a.get('i').op('Increment').push('i').op('StackSwap', 'SetVariable')
    a.get('i').push(20).op('Less2').if_('top')
    a.trace('s=', lambda x: x.get('s'))
    out.append(a)

    a = Asm()   # a function with arguments, recursion and a return value
    body = Asm()
    body.push(Reg(1), 2).op('Less2', 'Not').if_('more').push(1).op('Return')
    body.label('more').push(Reg(1), 1).op('Subtract').push(1, 'f').op('CallFunction')
    body.push(Reg(1)).op('Multiply', 'Return')
    a.function2('f', ['n'], body)
    a.push(10, 1, 'f').op('CallFunction', 'Trace')
    out.append(a)

    a = Asm()   # objects, arrays and their methods
    a.push('x', 1, 'y', 'two', 2).op('InitObject').push('o').op('StackSwap', 'SetVariable')
    a.push(3, 2, 1, 3).op('InitArray').push('arr').op('StackSwap', 'SetVariable')
    a.push(',', 1).get('arr').push('join').op('CallMethod', 'Trace')
    a.get('o').member('y').op('Trace')
    a.push(0, 'Array').op('NewObject', 'Pop')
    a.push(1, 4, 2, 'Math').op('GetVariable').push('max').op('CallMethod', 'Trace')
    a.get('o').push('x').op('Delete', 'Trace')
    a.push('hello world', 'lo', 1).get('String').op('Pop')
    out.append(a)

    a = Asm()   # movie clips: attach, draw, move, remove
    a.push(5, 'copy', 'clip', 3, '_root').op('GetVariable').push('attachMovie').op('CallMethod', 'Pop')
    a.push(6, 'empty', 2, '_root').op('GetVariable').push('createEmptyMovieClip').op('CallMethod', 'Pop')
    a.push(100, 0xFF0000, 1).get('_root.empty').push('beginFill').op('CallMethod', 'Pop')
    a.push(50, 50, 2).get('_root.empty').push('lineTo').op('CallMethod', 'Pop')
    a.push(0, 50, 2).get('_root.empty').push('lineTo').op('CallMethod', 'Pop')
    a.push(0).get('_root.empty').push('endFill').op('CallMethod', 'Pop')
    a.get('_root.copy').push('_x', 40).op('SetMember')
    a.get('_root.copy').push('_rotation', 30).op('SetMember')
    a.push(0).get('_root.copy').push('removeMovieClip').op('CallMethod', 'Pop')
    a.push(0).get('_root').push('play').op('CallMethod', 'Pop')
    out.append(a)

    a = Asm()   # text fields and conversions
    a.push(20, 100, 10, 10, 7, 'tf', 6, '_root').op('GetVariable').push('createTextField').op('CallMethod', 'Pop')
    a.get('_root.tf').push('text', 'abc <b>bold</b>').op('SetMember')
    a.get('_root.tf').push('htmlText', '<p align="center"><font color="#ff0000">x</font></p>').op('SetMember')
    a.push('12.5').op('ToNumber', 'ToInteger', 'Trace')
    a.push(1.5e300).op('ToInteger', 'Trace')
    a.push(None, UNDEFINED).op('Equals2', 'Trace')
    a.push(255, 16, 1).get('Number').op('Pop')
    a.push(7, 3).op('Modulo', 'Trace').push(5, -1).op('BitXor', 'Trace')
    out.append(a)

    a = Asm()   # a prototype chain, with a method call through it
    ctor = Asm()
    ctor.push('v', 7).op('DefineLocal')
    a.function2('C', [], ctor, flags=0)
    a.get('C').member('prototype').push('m')
    m = Asm()
    m.push(42).op('Return')
    a.function2('', [], m)
    a.op('SetMember')
    a.push(0, 'C').op('NewObject').push('c').op('StackSwap', 'SetVariable')
    a.push(0).get('c').push('m').op('CallMethod', 'Trace')
    a.get('c').op('TypeOf', 'Trace')
    out.append(a)
    return out

# ---------------------------------------------------------------------------------------------
# The seed movies
# ---------------------------------------------------------------------------------------------

def movies():
    progs = scripts()

    m = Movie(version=3, frames=2)    # shapes of every kind of fill
    m.tag(9, bytes([240, 250, 255]))
    for v, char in ((1, 1), (2, 2), (3, 3)):
        fills = [solid((200, 40, 40), 120, v), gradient(0x10, v), gradient(0x12, v)]
        m.tag(*shape_tag(v, char, 600 + 100 * v, fills, curved=v == 2))
        m.place(char, char, 400 * char, 300)
    m.frame()
    m.place(2, 2, 500, 500, move=True, cx=([256, 128, 64, 200], [10, 0, -10, 0])).frame()
    yield 'shapes', m.bytes()

    m = Movie(version=8, frames=2)    # morph shapes and masks
    start = shape_records(1, 1, square(600))
    end = shape_records(1, 1, square(900, curved=False))
    fills = b'\1' + b'\0' + bytes([255, 0, 0, 255, 0, 0, 255, 128])
    lines = b'\1' + struct.pack('<HH', 20, 80) + bytes([0, 0, 0, 255, 0, 0, 255, 255])
    body = struct.pack('<H', 1) + rect(0, 600, 0, 600) + rect(0, 900, 0, 900)
    body += struct.pack('<I', len(fills) + len(lines) + len(start)) + fills + lines + start + end
    m.tag(46, body)
    m.tag(*shape_tag(3, 2, 500, [solid((0, 0, 200), 255, 3)]))
    m.place(2, 1, 100, 100, clip_depth=3)
    m.place(1, 2, 0, 0, ratio=0).frame()
    m.place(None, 2, ratio=40000, move=True).frame()
    yield 'morph-mask', m.bytes()

    m = Movie(version=8, frames=1)    # every kind of bitmap tag, each drawn as a fill
    full = jpeg(16, 12, quality=60)
    tables, image = jpeg_split(full)
    bitmaps = [(8, tables), (6, struct.pack('<H', 1) + image),
               (21, struct.pack('<H', 2) + jpeg(10, 8, progressive=True)),
               (21, struct.pack('<H', 3) + png(9, 7, 6, 8, interlace=True)),
               (21, struct.pack('<H', 4) + gif(8, 6)),
               (35, struct.pack('<HI', 5, len(full)) + full + zlib.compress(bytes(range(0, 256, 2))[:16 * 12])),
               (20, lossless(6, 3, 1)), (20, lossless(7, 4, 1)), (20, lossless(8, 5, 1)),
               (36, lossless(9, 3, 2)), (36, lossless(10, 5, 2))]
    for code, body in bitmaps:
        m.tag(code, body)
    for i, char in enumerate(range(1, 11)):
        m.tag(*shape_tag(3, 100 + char, 400, [bitmap_fill(char, 0x41 if i % 2 else 0x40)], line=False))
        m.place(100 + char, char, (i % 5) * 1500, (i // 5) * 1500)
    m.frame()
    yield 'bitmaps', m.bytes()

    m = Movie(version=6, frames=1)    # fonts, static text and text fields
    m.tag(48, font_tag(1))
    m.tag(11, text_tag(2, 1, [0, 1, 2, 3, 5]))
    m.tag(37, edit_text_tag(3, 1, 'AB ab 1 wrapped over a few lines of text'))
    m.tag(37, edit_text_tag(4, 0, '<p align="right"><b>bold</b> <i>it</i></p>', html=True, var='html'))
    m.place(2, 1, 100, 100).place(3, 2, 100, 1200, name='t').place(4, 3, 100, 2600)
    m.frame()
    yield 'text', m.bytes(compress=True)

    m = Movie(version=7, frames=3)    # sprites, a button, labels and scripts
    sprite = Movie(version=7)
    sprite.tag(*shape_tag(1, 1, 400, [solid((0, 120, 0), 255, 1)]))
    m.tag(*shape_tag(1, 1, 400, [solid((0, 120, 0), 255, 1)]))
    inner = bytearray(struct.pack('<HH', 2, 2))
    for frame_tags in ([(26, bytes([0x06]) + struct.pack('<HH', 1, 1) + matrix(0, 0))], [(26, bytes([0x05]) + struct.pack('<H', 1) + matrix(200, 0))]):
        for code, body in frame_tags:
            inner += struct.pack('<H', code << 6 | 63) + struct.pack('<I', len(body)) + body
        inner += struct.pack('<H', 1 << 6)
    inner += b'\0\0'
    m.tag(39, bytes(inner))
    m.tag(56, struct.pack('<HH', 1, 2) + b'clip\0')
    button = struct.pack('<HB', 3, 0)
    records = bytes([0x0F]) + struct.pack('<HH', 1, 1) + matrix() + cxform_alpha() + b'\0'
    press = asm_program(progs[0])
    button += struct.pack('<H', 2 + len(records)) + records + struct.pack('<HH', 0, 0x0008) + press
    m.tag(34, button)
    m.tag(59, struct.pack('<H', 2) + asm_program(progs[5]))
    m.place(2, 1, 100, 100, name='s').place(3, 2, 2000, 100, name='b')
    m.tag(43, b'start\0').action(progs[1]).action(progs[0]).frame()
    m.action(progs[3]).frame()
    m.action(progs[2]).action(progs[4]).frame()
    yield 'scripts', m.bytes()

    m = Movie(version=8, frames=4)    # event sounds of each codec and a sound stream
    sounds = [(0 << 4 | 1 << 2 | 0 << 1 | 0, 200, pcm(200, False, False)),
              (3 << 4 | 2 << 2 | 1 << 1 | 1, 150, pcm(150, True, True)),
              (1 << 4 | 1 << 2 | 1 << 1 | 0, 300, adpcm(300, False, 1)),
              (1 << 4 | 3 << 2 | 1 << 1 | 1, 200, adpcm(200, True, 2)),
              (6 << 4 | 2 << 2 | 1 << 1 | 0, 256, noise(128, 3)),
              (11 << 4 | 2 << 2 | 1 << 1 | 0, 320, noise(120, 4))]
    mp3 = mp3_tone()
    if mp3:
        sounds.append((2 << 4 | 1 << 2 | 1 << 1 | 0, 2205, struct.pack('<h', 0) + mp3))
    for i, (flags, count, data) in enumerate(sounds):
        m.tag(14, struct.pack('<HBI', 10 + i, flags, count) + data)
    m.tag(18, bytes([0x06, 0x26]) + struct.pack('<H', 100))
    for i in range(len(sounds)):
        m.tag(15, struct.pack('<H', 10 + i) + (b'\0' if i % 2 else bytes([0x0C]) + struct.pack('<IH', 10, 2)))
    stream = adpcm(400, False, 5)
    for k in range(4):
        m.tag(19, stream[k * len(stream) // 4:(k + 1) * len(stream) // 4]).frame()
    yield 'sounds', m.bytes()
    if mp3:
        m = Movie(version=8, frames=2)
        m.tag(18, bytes([0x0A, 0x26]) + struct.pack('<Hh', 1102, 0))
        half = len(mp3) // 2
        m.tag(19, struct.pack('<Hh', 1102, 0) + mp3[:half]).frame()
        m.tag(19, struct.pack('<Hh', 1103, 0) + mp3[half:]).frame()
        yield 'mp3-stream', m.bytes()


def image_seeds():
    """fuzz_images inputs for pictures that are not in the movies."""
    yield bytes([0, 0]) + jpeg(16, 16, mode='L', quality=50)
    yield bytes([0, 0]) + jpeg(17, 9, mode='CMYK', quality=50)
    yield bytes([0, 0]) + jpeg(24, 16, quality=80, subsampling=0)
    yield bytes([0, 0]) + jpeg(20, 10, quality=30, progressive=True, subsampling=2)
    tables, image = jpeg_split(jpeg(12, 12, quality=40, subsampling=1))
    cut = exact_split(len(tables), len(image))
    yield bytes([1, cut[0]]) + tables + image + b'\0' * cut[1]
    # Old writers' doubled markers: an EOI SOI pair in front of the image.
    yield bytes([0, 0]) + b'\xff\xd9\xff\xd8' + jpeg(8, 8, quality=50)
    for p in pngs():
        yield bytes([2, 0]) + p
    yield bytes([3, 0]) + gif(13, 7, transparency=3)
    yield bytes([3, 0]) + gif(13, 9, interlace=True)
    for version in (1, 2):
        for fmt in (3, 4, 5):
            yield bytes([3 + version, 0]) + lossless(1, fmt, version, w=5 + fmt, h=4)
    full = jpeg(10, 6, quality=50)
    yield bytes([6, 0]) + struct.pack('<HI', 1, len(full)) + full + zlib.compress(bytes(range(60)))
    png_body = png(6, 5, 2, 8)
    yield bytes([6, 0]) + struct.pack('<HI', 2, len(png_body)) + png_body


LAYOUT_SNIPPETS = [
    "object F: TForm\n  Caption = 'a''b' + #13#10 +\n    'c'\n  Tag = -$7FFFFFFF\n  Items = (\n    'x'\n    'y')\nend\n",
    "object F: TForm\n  Anchors = [akLeft, akTop]\n  Empty = []\n  Font.Name = 'Tahoma'\n  OnClick = DoClick\n"
    "  object P: TPanel\n    Visible = False\n    object Q: TLabel\n    end\n  end\nend\n",
    "object F: TForm\n  Value = 9223372036854775807\n  Low = -9223372036854775808\nend\n",
    "object F: TForm\n  Caption = #8364#128512\nend\n",
    "object F: TForm\n  Bad = 'unterminated\nend\n",
    "object F: TForm\nend\ntrailing\n",
    "\xef\xbb\xbfobject F: TForm // comment\n  { block } Width = 10\nend\n",
]


def layout_seeds(root):
    for name in sorted(os.listdir(os.path.join(root, 'resources'))):
        if name.endswith('.layout'):
            yield open(os.path.join(root, 'resources', name), 'rb').read()
    for text in LAYOUT_SNIPPETS:
        yield text.encode('utf-8', 'surrogateescape')


def make(out):
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
    for target in ('loader', 'avm1', 'sound', 'images', 'layout'):
        os.makedirs(os.path.join(out, target), exist_ok=True)
    movie_dir = os.path.join(out, 'loader')
    paths = []
    for name, data in movies():
        path = os.path.join(movie_dir, name + '.swf')
        open(path, 'wb').write(data)
        paths.append(path)
    counts = {'loader': len(paths)}
    for target in ('avm1', 'sound', 'images'):
        counts[target] = extract(target, os.path.join(out, target), paths)
    for i, item in enumerate(image_seeds()):
        open(os.path.join(out, 'images', 'own-%d' % i), 'wb').write(item)
        counts['images'] += 1
    # Stream-decoder corners no movie above has: Nellymoser at 8 and 16 kHz, raw big-endian.
    extra = [bytes([4 | 1 << 5, 0x25]) + noise(192, 6), bytes([5 | 1 << 5, 0x95]) + noise(128, 7),
             bytes([0 | 1 << 3 | 1 << 5 | 1 << 6, 0x02]) + pcm(300, True, True, little=False)]
    for i, item in enumerate(extra):
        open(os.path.join(out, 'sound', 'own-%d' % i), 'wb').write(item)
        counts['sound'] += 1
    for i, item in enumerate(layout_seeds(root)):
        open(os.path.join(out, 'layout', 'own-%d' % i), 'wb').write(item)
    counts['layout'] = i + 1
    return counts


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == 'make':
        print(make(sys.argv[2]))
    elif len(sys.argv) >= 4 and sys.argv[1] == 'extract':
        print('%s: %d seeds' % (sys.argv[2], extract(sys.argv[2], sys.argv[3], sys.argv[4:])))
    else:
        sys.exit(__doc__)
