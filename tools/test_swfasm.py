#!/usr/bin/python3
"""Checks of the byte code tools/swfasm.py writes (run by tools/demo-tests.sh)."""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from swfasm import (PRELOAD_THIS, SUPPRESS_ARGUMENTS, UNDEFINED, Asm, Fn, If, Reg, Return, S, Set, V,  # noqa: E402
                    program, script, stmts)


class PushValues(unittest.TestCase):
    def payload(self, *values):
        code = Asm().push(*values).encode({})
        self.assertEqual(code[0], 0x96)
        self.assertEqual(struct.unpack("<H", code[1:3])[0], len(code) - 3)
        return code[3:]

    def test_numbers(self):
        self.assertEqual(self.payload(-100), b"\x07\x9c\xff\xff\xff")
        # doubles: the high 32 bits first, each half little-endian
        self.assertEqual(self.payload(1.5), b"\x06\x00\x00\xf8\x3f\x00\x00\x00\x00")
        self.assertEqual(self.payload(2 ** 31)[0], 6)

    def test_other_types(self):
        self.assertEqual(self.payload("hi", True, False, None, UNDEFINED, Reg(3)),
                         b"\x00hi\x00\x05\x01\x05\x00\x02\x03\x04\x03")
        self.assertEqual(self.payload("得"), b"\x00" + "得".encode("utf-8") + b"\x00")


class Branches(unittest.TestCase):
    def test_forward_and_backward_offsets_count_from_the_next_action(self):
        code = Asm().label("top").op("Pop").jump("end").op("Pop").if_("top").label("end").encode({})
        # Pop | Jump +6 | Pop | If -12: back to the first Pop
        self.assertEqual(code, b"\x17" + b"\x99\x02\x00" + struct.pack("<h", 6) + b"\x17" + b"\x9d\x02\x00" + struct.pack("<h", -12))

    def test_unknown_label_is_an_error(self):
        with self.assertRaises(KeyError):
            Asm().jump("nowhere").encode({})


class Pool(unittest.TestCase):
    def test_repeated_strings_share_one_pool_with_function_bodies(self):
        code = script([Set(V("score"), 0), Fn("f", [], [Return(V("score"))]), Set(V("once"), S("x"))])
        self.assertEqual(code[0], 0x88)
        size, count = struct.unpack("<HH", code[1:5])
        self.assertEqual(count, 1)
        self.assertEqual(code[5:5 + 6], b"score\x00")
        self.assertIn(b"\x96\x02\x00\x08\x00", code)          # Push pool[0], in and out of the function
        self.assertEqual(code.count(b"\x96\x02\x00\x08\x00"), 2)
        self.assertIn(b"\x00once\x00", code)                  # used once: pushed inline
        self.assertEqual(code[-1], 0)

    def test_no_pool_when_asked(self):
        code = program(Asm().push("a", "a"), use_pool=False)
        self.assertEqual(code, b"\x96\x06\x00\x00a\x00\x00a\x00\x00")


class Functions(unittest.TestCase):
    def test_header_registers_and_body_size(self):
        code = stmts(Asm(), [Fn("hit", ["t"], [If(Reg(2), [Return(1)])], flags=PRELOAD_THIS | SUPPRESS_ARGUMENTS)]).encode({})
        self.assertEqual(code[0], 0x8E)
        length = struct.unpack("<H", code[1:3])[0]
        head = code[3:3 + length]
        self.assertTrue(head.startswith(b"hit\x00"))
        nparams, registers, flags = struct.unpack("<HBH", head[4:9])
        self.assertEqual((nparams, flags), (1, PRELOAD_THIS | SUPPRESS_ARGUMENTS))
        self.assertGreaterEqual(registers, 3)
        self.assertEqual(head[9:12], b"\x02t\x00")             # `this` takes r1, so t is r2
        body_size = struct.unpack("<H", head[12:14])[0]
        self.assertEqual(len(code), 3 + length + body_size)


if __name__ == "__main__":
    unittest.main()
