"""A small ActionScript 1/2 byte-code assembler for the demo games (tools/make-demo.py).

An Asm is a list of actions under construction: plain actions by name, Push with typed values,
labels with Jump/If to them, and DefineFunction2 with a nested Asm as its body. `program()`
turns one into the bytes of a DoAction (or button / clip action) list: one ConstantPool with
every string the list and its function bodies push, the actions, and the closing End byte.

    a = Asm()
    a.push("score", 0).op("SetVariable")          # score = 0
    a.label("top") ... a.if_("top")              # branches resolve by label name

Values for push(): str, int, float, bool, None (null), UNDEFINED, Reg(n).
"""
import struct

OPS = {
    "End": 0x00, "NextFrame": 0x04, "PrevFrame": 0x05, "Play": 0x06, "Stop": 0x07,
    "Add": 0x0A, "Subtract": 0x0B, "Multiply": 0x0C, "Divide": 0x0D, "Equals": 0x0E, "Less": 0x0F,
    "And": 0x10, "Or": 0x11, "Not": 0x12, "Pop": 0x17, "ToInteger": 0x18,
    "GetVariable": 0x1C, "SetVariable": 0x1D, "Trace": 0x26, "GetTime": 0x34,
    "Delete": 0x3A, "Delete2": 0x3B, "DefineLocal": 0x3C, "CallFunction": 0x3D, "Return": 0x3E,
    "Modulo": 0x3F, "NewObject": 0x40, "DefineLocal2": 0x41, "InitArray": 0x42, "InitObject": 0x43,
    "TypeOf": 0x44, "Add2": 0x47, "Less2": 0x48, "Equals2": 0x49, "ToNumber": 0x4A, "ToString": 0x4B,
    "PushDuplicate": 0x4C, "StackSwap": 0x4D, "GetMember": 0x4E, "SetMember": 0x4F,
    "Increment": 0x50, "Decrement": 0x51, "CallMethod": 0x52, "NewMethod": 0x53,
    "BitAnd": 0x60, "BitOr": 0x61, "BitXor": 0x62, "StrictEquals": 0x66, "Greater": 0x67,
    "StoreRegister": 0x87, "ConstantPool": 0x88, "DefineFunction2": 0x8E, "Push": 0x96,
    "Jump": 0x99, "If": 0x9D,
}

# DefineFunction2 flags
PRELOAD_THIS, SUPPRESS_THIS, PRELOAD_ARGUMENTS, SUPPRESS_ARGUMENTS = 0x1, 0x2, 0x4, 0x8
PRELOAD_SUPER, SUPPRESS_SUPER, PRELOAD_ROOT, PRELOAD_PARENT, PRELOAD_GLOBAL = 0x10, 0x20, 0x40, 0x80, 0x100


class Reg:
    def __init__(self, n):
        assert 0 <= n < 256
        self.n = n


class _Undefined:
    pass


UNDEFINED = _Undefined()


def record(code, payload=b""):
    if code < 0x80:
        assert not payload
        return bytes([code])
    return struct.pack("<BH", code, len(payload)) + payload


def cstr(s):
    b = s.encode("utf-8")
    assert b"\0" not in b
    return b + b"\0"


class Asm:
    def __init__(self):
        self.items = []   # ("raw", bytes) | ("push", values) | ("label", name) | ("branch", code, name) | ("fn", ...)

    # -- building -------------------------------------------------------------------------------
    def op(self, *names):
        for name in names:
            self.items.append(("raw", record(OPS[name])))
        return self

    def push(self, *values):
        for v in values:
            assert isinstance(v, (str, int, float, bool, Reg, _Undefined)) or v is None, v
        self.items.append(("push", values))
        return self

    def store(self, reg):
        self.items.append(("raw", record(OPS["StoreRegister"], bytes([reg]))))
        return self

    def label(self, name):
        assert not any(i[0] == "label" and i[1] == name for i in self.items), name
        self.items.append(("label", name))
        return self

    def jump(self, name):
        self.items.append(("branch", OPS["Jump"], name))
        return self

    def if_(self, name):
        """Pops a value; branches when it is true."""
        self.items.append(("branch", OPS["If"], name))
        return self

    def function2(self, name, params, body, registers=None, flags=SUPPRESS_THIS | SUPPRESS_ARGUMENTS | SUPPRESS_SUPER):
        """params: names, or (register, name) pairs (register 0 = a named local). Plain names are
        given registers after the preloaded ones, in order."""
        preloads = sum(1 for bit in (PRELOAD_THIS, PRELOAD_ARGUMENTS, PRELOAD_SUPER, PRELOAD_ROOT,
                                     PRELOAD_PARENT, PRELOAD_GLOBAL) if flags & bit)
        pairs = []
        for i, p in enumerate(params):
            pairs.append(p if isinstance(p, tuple) else (preloads + 1 + i, p))
        if registers is None:
            registers = max([preloads] + [r for r, _ in pairs] + [7]) + 1   # r1..r7 free for locals
        self.items.append(("fn", name, pairs, body, registers, flags))
        return self

    def extend(self, other):
        self.items += other.items
        return self

    # -- shorthands for common patterns --------------------------------------------------------------
    def get(self, name):
        """Pushes the variable `name` (a plain name or a path like "_root.score")."""
        return self.push(name).op("GetVariable")

    def member(self, name):
        """obj -> obj[name]"""
        return self.push(name).op("GetMember")

    def call(self, name, nargs):
        """Calls a function by name; its arguments are pushed last-first before this."""
        return self.push(nargs, name).op("CallFunction")

    def call_method(self, name):
        """args (last first), their count, then the object are on the stack."""
        return self.push(name).op("CallMethod")

    def trace(self, *parts):
        """Traces the concatenation of strings and pushed expressions (callables taking self)."""
        first = True
        for p in parts:
            if callable(p):
                p(self)
            else:
                self.push(p)
            if not first:
                self.op("Add2")
            first = False
        return self.op("Trace")

    # -- encoding -------------------------------------------------------------------------------
    def strings(self):
        out = []
        for item in self.items:
            if item[0] == "push":
                out += [v for v in item[1] if isinstance(v, str)]
            elif item[0] == "fn":
                out += item[3].strings()
        return out

    def _push_payload(self, values, pool):
        b = bytearray()
        for v in values:
            if isinstance(v, str):
                if v in pool:
                    k = pool[v]
                    b += bytes([8, k]) if k < 256 else bytes([9]) + struct.pack("<H", k)
                else:
                    b += b"\x00" + cstr(v)
            elif isinstance(v, bool):
                b += bytes([5, int(v)])
            elif isinstance(v, Reg):
                b += bytes([4, v.n])
            elif isinstance(v, _Undefined):
                b += b"\x03"
            elif v is None:
                b += b"\x02"
            elif isinstance(v, int) and -(1 << 31) <= v < (1 << 31):
                b += b"\x07" + struct.pack("<i", v)
            else:
                d = struct.pack("<d", float(v))
                b += b"\x06" + d[4:] + d[:4]   # doubles are stored high word first
        return bytes(b)

    def encode(self, pool):
        """The actions without an End byte (a function body, or the middle of a list)."""
        chunks = []   # bytes, or ("branch", code, label)
        labels = {}
        for item in self.items:
            kind = item[0]
            if kind == "raw":
                chunks.append(item[1])
            elif kind == "push":
                chunks.append(record(OPS["Push"], self._push_payload(item[1], pool)))
            elif kind == "label":
                chunks.append(("label", item[1]))
            elif kind == "branch":
                chunks.append(item)
            else:
                _, name, pairs, body, registers, flags = item
                code = body.encode(pool)
                head = cstr(name) + struct.pack("<HBH", len(pairs), registers, flags)
                for r, pname in pairs:
                    head += bytes([r]) + cstr(pname)
                head += struct.pack("<H", len(code))
                chunks.append(record(OPS["DefineFunction2"], head) + code)
        pos = 0
        for c in chunks:
            if isinstance(c, tuple) and c[0] == "label":
                labels[c[1]] = pos
            else:
                pos += 5 if isinstance(c, tuple) else len(c)
        out = bytearray()
        for c in chunks:
            if isinstance(c, tuple) and c[0] == "label":
                continue
            if isinstance(c, tuple):
                _, code, name = c
                if name not in labels:
                    raise KeyError(f"swfasm: no label {name!r}")
                offset = labels[name] - (len(out) + 5)
                out += record(code, struct.pack("<h", offset))
            else:
                out += c
        return bytes(out)


def program(asm, use_pool=True):
    """A complete action list: ConstantPool, the actions and End."""
    pool = {}
    head = b""
    if use_pool:
        counts = {}
        for s in asm.strings():
            counts[s] = counts.get(s, 0) + 1
        # strings used more than once go into the pool, the most used first
        names = sorted((s for s, n in counts.items() if n > 1), key=lambda s: (-counts[s], s))[:65535]
        if names:
            pool = {s: i for i, s in enumerate(names)}
            head = record(OPS["ConstantPool"], struct.pack("<H", len(names)) + b"".join(cstr(s) for s in names))
    return head + asm.encode(pool) + b"\x00"


# ------------------------------------------------------------------------------------------------
# Expressions and statements as nested tuples, for writing game logic without counting stack slots
# ------------------------------------------------------------------------------------------------
# Expressions: a number, bool or None is pushed as itself; S("text") is a string; V("name") a
# variable (paths allowed); Reg(n) a register; M(obj, "prop") a member; Call("f", args...) and
# CallM(obj, "method", args...) calls; New("Class", args...); (op, a, b) with op one of
# + - * / % < > <= >= == != && || and ("!", a), ("neg", a).
# Statements: Set(target, value) with target V/M/Reg; Do(expr) (result dropped); If(cond, then,
# else); Return(expr); Trace(expr); While(cond, body); Fn("name", [params], body, flags=...).
class S(str):
    pass


class V:
    def __init__(self, name):
        self.name = name


class M:
    def __init__(self, obj, prop):
        self.obj, self.prop = obj, prop


class Call:
    def __init__(self, name, *args):
        self.name, self.args = name, args


class CallM:
    def __init__(self, obj, method, *args):
        self.obj, self.method, self.args = obj, method, args


class New:
    def __init__(self, cls, *args):
        self.cls, self.args = cls, args


def Set(target, value):
    return ("set", target, value)


def Do(e):
    return ("do", e)


def If(cond, then, otherwise=()):
    return ("if", cond, list(then), list(otherwise))


def While(cond, body):
    return ("while", cond, list(body))


def Return(e=None):
    return ("return", e)


def Trace(e):
    return ("trace", e)


def Fn(name, params, body, flags=SUPPRESS_THIS | SUPPRESS_ARGUMENTS | SUPPRESS_SUPER, registers=None):
    return ("fn", name, params, list(body), flags, registers)


_BINARY = {"+": ["Add2"], "-": ["Subtract"], "*": ["Multiply"], "/": ["Divide"], "%": ["Modulo"],
           "<": ["Less2"], ">": ["Greater"], "<=": ["Greater", "Not"], ">=": ["Less2", "Not"],
           "==": ["Equals2"], "!=": ["Equals2", "Not"]}


class _Labels:
    n = 0

    @classmethod
    def new(cls, hint):
        cls.n += 1
        return f"{hint}{cls.n}"


def _prop(a, p):
    """A member name: a plain str is the name itself, anything else is computed."""
    if isinstance(p, str):
        a.push(str(p))
    else:
        expr(a, p)


def expr(a, e):
    if isinstance(e, S):
        a.push(str(e))
    elif isinstance(e, (bool, int, float, Reg, _Undefined)) or e is None:
        a.push(e)
    elif isinstance(e, V):
        a.get(e.name)
    elif isinstance(e, M):
        expr(a, e.obj)
        _prop(a, e.prop)
        a.op("GetMember")
    elif isinstance(e, Call):
        for x in reversed(e.args):
            expr(a, x)
        a.call(e.name, len(e.args))
    elif isinstance(e, CallM):
        for x in reversed(e.args):
            expr(a, x)
        a.push(len(e.args))
        expr(a, e.obj)
        a.call_method(e.method)
    elif isinstance(e, New):
        for x in reversed(e.args):
            expr(a, x)
        a.push(len(e.args), e.cls).op("NewObject")
    elif isinstance(e, tuple) and e[0] in ("&&", "||"):
        end = _Labels.new("sc")
        expr(a, e[1])
        a.op("PushDuplicate")
        if e[0] == "&&":
            a.op("Not")
        a.if_(end).op("Pop")
        expr(a, e[2])
        a.label(end)
    elif isinstance(e, tuple) and e[0] == "!":
        expr(a, e[1])
        a.op("Not")
    elif isinstance(e, tuple) and e[0] == "neg":
        a.push(0)
        expr(a, e[1])
        a.op("Subtract")
    elif isinstance(e, tuple) and e[0] in _BINARY:
        expr(a, e[1])
        expr(a, e[2])
        a.op(*_BINARY[e[0]])
    else:
        raise TypeError(f"swfasm: not an expression: {e!r}")
    return a


def stmts(a, body):
    for st in body:
        kind = st[0]
        if kind == "set":
            _, t, v = st
            if isinstance(t, V):
                a.push(t.name)
                expr(a, v)
                a.op("SetVariable")
            elif isinstance(t, M):
                expr(a, t.obj)
                _prop(a, t.prop)
                expr(a, v)
                a.op("SetMember")
            elif isinstance(t, Reg):
                expr(a, v)
                a.store(t.n).op("Pop")
            else:
                raise TypeError(f"swfasm: cannot assign to {t!r}")
        elif kind == "do":
            expr(a, st[1])
            a.op("Pop")
        elif kind == "if":
            _, cond, then, otherwise = st
            skip, end = _Labels.new("else"), _Labels.new("endif")
            expr(a, cond)
            a.op("Not").if_(skip)
            stmts(a, then)
            if otherwise:
                a.jump(end)
            a.label(skip)
            if otherwise:
                stmts(a, otherwise)
                a.label(end)
        elif kind == "while":
            _, cond, body2 = st
            top, end = _Labels.new("loop"), _Labels.new("done")
            a.label(top)
            expr(a, cond)
            a.op("Not").if_(end)
            stmts(a, body2)
            a.jump(top).label(end)
        elif kind == "return":
            expr(a, st[1])
            a.op("Return")
        elif kind == "trace":
            expr(a, st[1])
            a.op("Trace")
        elif kind == "fn":
            _, name, params, body2, flags, registers = st
            a.function2(name, params, stmts(Asm(), body2), registers, flags)
        else:
            raise TypeError(f"swfasm: not a statement: {st!r}")
    return a


def script(body, use_pool=True):
    """The action-list bytes of a list of statements."""
    return program(stmts(Asm(), body), use_pool)
