#!/usr/bin/env python3
"""Mends two faults of the game compiler's jar.

1. The compiler reads the main class's [SWF] attributes by name, but looks
   the background colour up under a garbled name ("clbackgroundColorassName"),
   so [SWF(backgroundColor=...)] is never found and the configuration's
   default colour always wins. That one name in the class file's constant
   pool becomes "backgroundColor".
2. An [Embed] on a variable whose source file is missing gives an error
   without file or line: the embed's attributes are checked against the
   embed node, which has no position, instead of its metadata node, which
   has. One getfield of the node's metadata is put in after the node.

The jar is written again, entry for entry and in the same order.

Usage: patch-compiler.py JAR        (rewrites JAR in place)

Exits 0 when the jar was mended or did not need it, 1 with one line on
standard error when it cannot be read or written.
"""
import os
import struct
import sys
import zipfile

COLOUR_CLASS = "org/apache/royale/compiler/internal/targets/TargetAttributeBase.class"
WRONG = b"clbackgroundColorassName"
RIGHT = b"backgroundColor"

EMBED_CLASS = "org/apache/royale/compiler/internal/tree/as/EmbedNode.class"
EMBED_METHOD = (b"getName", b"(Lorg/apache/royale/compiler/projects/ICompilerProject;"
                b"Ljava/util/Collection;)Ljava/lang/String;")
# In getName: checkcast CompilerProject, aload_0 (the node as the location),
# aload 9, aload 10, aload_2, invokevirtual EmbedData.addAttribute. The
# constant pool indexes are filled in from the class.
EMBED_CALL = "c0{project}2a1909190a2cb6{add}"


class PatchError(Exception):
    pass


def utf8_constant(text):
    # CONSTANT_Utf8_info: tag 1, u2 length, the bytes. Nothing in a class
    # file points at byte offsets inside the constant pool, so an entry may
    # change its length.
    return b"\x01" + struct.pack(">H", len(text)) + text


def check_class_file(data, name):
    if not data.startswith(b"\xca\xfe\xba\xbe"):
        raise PatchError("%s is not a class file" % name)


def mover(at, shift):
    """Where a code offset goes when `shift` bytes are put in before `at`."""
    return lambda pc: pc + shift if pc >= at else pc


def mend_class(data):
    """The class with the name mended, or None when it has nothing to mend."""
    check_class_file(data, COLOUR_CLASS)
    wrong = utf8_constant(WRONG)
    count = data.count(wrong)
    if count == 0:
        return None
    if count != 1:
        raise PatchError("%s names the colour attribute %d times" % (COLOUR_CLASS, count))
    return data.replace(wrong, utf8_constant(RIGHT))


class ClassFile:
    """The parts of a class file the embed mend needs: the constant pool's
    entries by index and where each method's attributes lie."""

    def __init__(self, data):
        self.data = data
        check_class_file(data, EMBED_CLASS)
        count = struct.unpack_from(">H", data, 8)[0]
        self.pool = [None] * count
        pos, i = 10, 1
        while i < count:
            tag = data[pos]
            if tag == 1:
                length = struct.unpack_from(">H", data, pos + 1)[0]
                self.pool[i] = (1, data[pos + 3:pos + 3 + length])
                pos += 3 + length
            elif tag in (7, 8, 16, 19, 20):
                self.pool[i] = (tag, struct.unpack_from(">H", data, pos + 1))
                pos += 3
            elif tag == 15:
                pos += 4
            elif tag in (3, 4, 9, 10, 11, 12, 17, 18):
                self.pool[i] = (tag, struct.unpack_from(">HH", data, pos + 1))
                pos += 5
            elif tag in (5, 6):
                pos += 9
                i += 1
            else:
                raise PatchError("%s: unknown constant tag %d" % (EMBED_CLASS, tag))
            i += 1
        self.this_class = struct.unpack_from(">H", data, pos + 2)[0]
        pos += 6
        interfaces = struct.unpack_from(">H", data, pos)[0]
        pos += 2 + 2 * interfaces
        self.fields = []
        self.methods = []
        for members in (self.fields, self.methods):
            n = struct.unpack_from(">H", data, pos)[0]
            pos += 2
            for _ in range(n):
                name, desc, count = struct.unpack_from(">HHH", data, pos + 2)
                pos += 8
                attrs = []  # (name index, where the attribute starts)
                for _ in range(count):
                    attr_name, length = struct.unpack_from(">HI", data, pos)
                    attrs.append((attr_name, pos))
                    pos += 6 + length
                members.append((self.utf8(name), self.utf8(desc), attrs))

    def utf8(self, index):
        return self.pool[index][1]

    def name_of_class(self, index):
        return self.utf8(self.pool[index][1][0])

    def index_of(self, tag, owner, name, desc=None):
        """The index of a Fieldref/Methodref (tag 9/10) or Class (tag 7)."""
        for i, entry in enumerate(self.pool):
            if entry is None or entry[0] != tag:
                continue
            if tag == 7:
                if self.utf8(entry[1][0]) == owner:
                    return i
                continue
            cls, nat = entry[1]
            n, d = self.pool[nat][1]
            if self.name_of_class(cls) == owner and self.utf8(n) == name and \
                    (desc is None or self.utf8(d) == desc):
                return i
        raise PatchError("%s has no constant for %s.%s" % (EMBED_CLASS, owner, name))


# Lengths of the JVM's instructions of fixed length, by opcode.
def _instruction_lengths():
    lengths = [1] * 256
    for op in (0x10, 0x12, 0xa9, 0xbc) + tuple(range(0x15, 0x1a)) + tuple(range(0x36, 0x3b)):
        lengths[op] = 2
    for op in (0x11, 0x13, 0x14, 0x84, 0xbb, 0xbd, 0xc0, 0xc1, 0xc6, 0xc7) + \
            tuple(range(0x99, 0xa9)) + tuple(range(0xb2, 0xb9)):
        lengths[op] = 3
    lengths[0xc5] = 4
    for op in (0xb9, 0xba, 0xc8, 0xc9):
        lengths[op] = 5
    return lengths


LENGTHS = _instruction_lengths()
BRANCH16 = set(range(0x99, 0xa9)) | {0xc6, 0xc7}
BRANCH32 = {0xc8, 0xc9}


def insert_code(data, code_at, at, extra):
    """The class file with `extra` put into the Code attribute starting at
    `code_at`, before the instruction at code offset `at`; branches, the
    exception table, the line and variable tables and the stack map frames
    follow the code they point at."""
    attr_len, max_stack, max_locals, code_len = struct.unpack_from(">IHHI", data, code_at + 2)
    code_start = code_at + 14
    code = bytearray(data[code_start:code_start + code_len])
    shift = len(extra)

    moved = mover(at, shift)

    pc = 0
    while pc < code_len:
        op = code[pc]
        if op in (0xaa, 0xab):
            if pc >= at and shift % 4:
                raise PatchError("%s: a switch after the mended call" % EMBED_CLASS)
            pad = (4 - (pc + 1) % 4) % 4
            base = pc + 1 + pad
            if op == 0xaa:
                low, high = struct.unpack_from(">ii", code, base + 4)
                targets = [base] + [base + 12 + 4 * k for k in range(high - low + 1)]
                end = base + 12 + 4 * (high - low + 1)
            else:
                pairs = struct.unpack_from(">i", code, base + 4)[0]
                targets = [base] + [base + 12 + 8 * k for k in range(pairs)]
                end = base + 8 + 8 * pairs
            for t in targets:
                off = struct.unpack_from(">i", code, t)[0]
                struct.pack_into(">i", code, t, moved(pc + off) - moved(pc))
            pc = end
            continue
        if op == 0xc4:  # wide
            pc += 6 if code[pc + 1] == 0x84 else 4
            continue
        if op in BRANCH16:
            off = struct.unpack_from(">h", code, pc + 1)[0]
            struct.pack_into(">h", code, pc + 1, moved(pc + off) - moved(pc))
        elif op in BRANCH32:
            off = struct.unpack_from(">i", code, pc + 1)[0]
            struct.pack_into(">i", code, pc + 1, moved(pc + off) - moved(pc))
        pc += LENGTHS[op]
    if pc != code_len:
        raise PatchError("%s: the method's code does not add up" % EMBED_CLASS)
    code[at:at] = extra

    out = bytearray(data[:code_at + 2])
    out += struct.pack(">IHHI", attr_len + shift, max_stack, max_locals, code_len + shift)
    out += code
    pos = code_start + code_len
    handlers = struct.unpack_from(">H", data, pos)[0]
    out += data[pos:pos + 2]
    pos += 2
    for _ in range(handlers):
        start, end, handler, kind = struct.unpack_from(">HHHH", data, pos)
        out += struct.pack(">HHHH", moved(start), moved(end), moved(handler), kind)
        pos += 8
    return out, pos, shift


def mend_embed(data):
    """EmbedNode with the mended call, or None when it has nothing to mend."""
    cf = ClassFile(data)
    owner = cf.name_of_class(cf.this_class)
    project = cf.index_of(7, b"org/apache/royale/compiler/internal/projects/CompilerProject", None)
    add = cf.index_of(10, b"org/apache/royale/compiler/internal/embedding/EmbedData",
                      b"addAttribute")
    meta = cf.index_of(9, owner, b"metaData")
    call = bytes.fromhex(EMBED_CALL.format(project="%04x" % project, add="%04x" % add))
    getfield = b"\xb4" + struct.pack(">H", meta)
    mended = call[:4] + getfield + call[4:]
    for name, desc, attrs in cf.methods:
        if (name, desc) != EMBED_METHOD:
            continue
        for attr_name, attr_at in attrs:
            if cf.utf8(attr_name) != b"Code":
                continue
            code_len = struct.unpack_from(">I", data, attr_at + 10)[0]
            code = data[attr_at + 14:attr_at + 14 + code_len]
            if code.count(mended) == 1 and code.count(call) == 0:
                return None
            if code.count(call) != 1:
                raise PatchError("%s: the embed's call is not where it was" % EMBED_CLASS)
            at = code.index(call) + 4
            out, pos, shift = insert_code(data, attr_at, at, getfield)
            out += fix_code_attributes(cf, data, pos, at, shift)
            end = attr_at + 6 + struct.unpack_from(">I", data, attr_at + 2)[0]
            out += data[end:]
            return bytes(out)
    raise PatchError("%s has no method getName" % EMBED_CLASS)


def fix_code_attributes(cf, data, pos, at, shift):
    """The Code attribute's own attributes, moved along with the code."""
    moved = mover(at, shift)

    out = bytearray(data[pos:pos + 2])
    count = struct.unpack_from(">H", data, pos)[0]
    pos += 2
    for _ in range(count):
        name_index, length = struct.unpack_from(">HI", data, pos)
        name = cf.utf8(name_index)
        body = bytearray(data[pos + 6:pos + 6 + length])
        pos += 6 + length
        if name == b"LineNumberTable":
            for k in range(struct.unpack_from(">H", body, 0)[0]):
                start = struct.unpack_from(">H", body, 2 + 4 * k)[0]
                struct.pack_into(">H", body, 2 + 4 * k, moved(start))
        elif name in (b"LocalVariableTable", b"LocalVariableTypeTable"):
            for k in range(struct.unpack_from(">H", body, 0)[0]):
                start, span = struct.unpack_from(">HH", body, 2 + 10 * k)
                end = start + span
                struct.pack_into(">HH", body, 2 + 10 * k, moved(start),
                                 (end + shift if end > at else end) - moved(start))
        elif name == b"StackMapTable":
            body = move_frames(body, at, shift)
        out += struct.pack(">HI", name_index, len(body)) + body
    return out


def move_frames(body, at, shift):
    """A StackMapTable with the first frame at or after `at` moved on."""
    count = struct.unpack_from(">H", body, 0)[0]
    pos, offset = 2, -1
    for _ in range(count):
        kind = body[pos]
        if kind < 64:
            delta, head = kind, 1
        elif kind < 128:
            delta, head = kind - 64, 1
        elif kind >= 247:
            delta, head = struct.unpack_from(">H", body, pos + 1)[0], 3
        else:
            raise PatchError("%s: unknown stack map frame %d" % (EMBED_CLASS, kind))
        size = frame_size(body, pos, kind)
        offset += delta + 1
        if offset >= at:
            delta += shift
            if kind < 64:
                new_head = bytes([delta]) if delta < 64 else b"\xfb" + struct.pack(">H", delta)
            elif kind < 128:
                new_head = bytes([64 + delta]) if delta < 64 else b"\xf7" + struct.pack(">H", delta)
            else:
                new_head = bytes([kind]) + struct.pack(">H", delta)
            return body[:pos] + new_head + body[pos + head:]
        pos += size
    return body


def frame_size(body, pos, kind):
    def info(p):
        return 3 if body[p] in (7, 8) else 1

    if kind < 64:
        return 1
    if kind < 128:
        return 1 + info(pos + 1)
    if kind == 247:
        return 3 + info(pos + 3)
    if kind < 252:
        return 3
    if kind < 255:
        p = pos + 3
        for _ in range(kind - 251):
            p += info(p)
        return p - pos
    p = pos + 3
    for _ in range(2):
        n = struct.unpack_from(">H", body, p)[0]
        p += 2
        for _ in range(n):
            p += info(p)
    return p - pos


def patch(jar):
    try:
        with zipfile.ZipFile(jar) as source:
            infos = source.infolist()
            if COLOUR_CLASS not in source.namelist():
                raise PatchError("%s has no %s" % (jar, COLOUR_CLASS))
            mended = {}
            colour = mend_class(source.read(COLOUR_CLASS))
            if colour is not None:
                mended[COLOUR_CLASS] = colour
            if EMBED_CLASS in source.namelist():
                try:
                    embed = mend_embed(source.read(EMBED_CLASS))
                except (struct.error, IndexError, TypeError) as e:
                    raise PatchError("%s is damaged (%s)" % (EMBED_CLASS, e))
                if embed is not None:
                    mended[EMBED_CLASS] = embed
            if not mended:
                return False
            part = jar + ".part"
            try:
                with zipfile.ZipFile(part, "w") as target:
                    for info in infos:
                        body = mended.get(info.filename) or source.read(info)
                        target.writestr(info, body, compress_type=info.compress_type)
                os.replace(part, jar)
            except BaseException:
                if os.path.exists(part):
                    os.remove(part)
                raise
    except (OSError, zipfile.BadZipFile, zipfile.LargeZipFile) as e:
        raise PatchError("%s: %s" % (jar, e))
    return True


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: patch-compiler.py JAR\n")
        return 2
    try:
        if patch(argv[1]):
            print("patch-compiler: mended %s" % argv[1])
    except PatchError as e:
        sys.stderr.write("patch-compiler: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
