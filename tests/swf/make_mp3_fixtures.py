#!/usr/bin/env python3
"""Makes the MP3 test signals for sound_decode_test.cpp at build time: sines written here and
encoded by the `lame` program, saved as a C++ header of byte arrays. Usage: OUT.h LAME"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

# name, rate, per-channel frequencies, seconds, bit rate
SIGNALS = [
    ('mono22k', 22050, [440.0], 0.5, 32),     # MPEG-2
    ('stereo44k', 44100, [440.0, 1000.0], 0.3, 128),  # MPEG-1
    ('mono11k', 11025, [300.0], 0.6, 16),     # MPEG-2.5
]


def pcm(rate, freqs, seconds):
    n = int(rate * seconds)
    out = bytearray()
    for i in range(n):
        for f in freqs:
            out += struct.pack('<h', int(round(12000 * math.sin(2 * math.pi * f * i / rate))))
    return bytes(out), n


def main():
    out_path, lame = sys.argv[1], sys.argv[2]
    lines = ['// Made by make_mp3_fixtures.py at build time.', '#pragma once', '#include <cstdint>', '']
    for name, rate, freqs, seconds, kbps in SIGNALS:
        raw, n = pcm(rate, freqs, seconds)
        mode = 'm' if len(freqs) == 1 else 's'
        with tempfile.TemporaryDirectory() as tmp:
            wav_path = os.path.join(tmp, 'in.wav')
            with wave.open(wav_path, 'wb') as w:
                w.setnchannels(len(freqs))
                w.setsampwidth(2)
                w.setframerate(rate)
                w.writeframes(raw)
            # -t: no info frame, as in a movie's sound data.
            mp3 = subprocess.run([lame, '--quiet', '-m', mode, '--cbr', '-b', str(kbps), '-t', wav_path, '-'],
                                 stdout=subprocess.PIPE, check=True).stdout
        lines.append('// %d Hz, %s Hz sine, %d frames per channel.' % (rate, ' / '.join('%g' % f for f in freqs), n))
        lines.append('constexpr uint32_t k_%s_frames = %d;' % (name, n))
        lines.append('constexpr uint8_t k_%s[] = {' % name)
        for i in range(0, len(mp3), 24):
            lines.append('    ' + ', '.join('%d' % b for b in mp3[i:i + 24]) + ',')
        lines.append('};')
        lines.append('')
    with open(out_path, 'w') as f:
        f.write('\n'.join(lines))


if __name__ == '__main__':
    main()
