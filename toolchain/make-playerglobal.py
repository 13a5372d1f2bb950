#!/usr/bin/env python3
"""Builds playerglobal.swc, the player's class library the compiler checks
games against, from the class library that the web player carries inside
its WebAssembly module.

The web player's module holds its own playerglobal.swf as initial memory
contents. This tool rebuilds the module's linear memory from its active data
segments, finds that SWF, and turns its ABC into something the compiler
accepts as a SWC:

  * API version marks (a private-use character after a namespace URI) are
    removed from every namespace whose API is part of the target player, so
    that e.g. "flash.display<mark>" becomes "flash.display". Namespaces of
    later players and of the desktop runtime keep their mark and so stay
    invisible to games, as in the real player's library.
  * Declared names (traits, interfaces) written as a multiname over a
    one-namespace set become plain QNames, the only form the compiler reads
    in declarations.
  * catalog.xml lists every public definition, plus the Vector
    specialisations the compiler looks for by name.

Only the Python 3 standard library is used. Exit status 0 on success; on bad
input a one-line message on standard error and exit status 1.
"""

import argparse
import io
import os
import struct
import sys
import zipfile
import zlib
from xml.sax.saxutils import quoteattr

# Largest linear memory we are willing to rebuild (the module declares far
# less; this only bounds what a corrupt file can make us allocate).
MAX_MEMORY = 256 * 1024 * 1024
DO_ABC = 82
DO_ABC_OLD = 72
END_TAG = 0

# Namespace kinds.
NS_PACKAGE = 0x16

# Multiname kinds.
MN_QNAME, MN_QNAME_A = 0x07, 0x0D
MN_RTQNAME, MN_RTQNAME_A = 0x0F, 0x10
MN_RTQNAME_L, MN_RTQNAME_LA = 0x11, 0x12
MN_MULTI, MN_MULTI_A = 0x09, 0x0E
MN_MULTI_L, MN_MULTI_LA = 0x1B, 0x1C
MN_TYPENAME = 0x1D

# Trait kinds.
TRAIT_SLOT, TRAIT_METHOD, TRAIT_GETTER, TRAIT_SETTER = 0, 1, 2, 3
TRAIT_CLASS, TRAIT_FUNCTION, TRAIT_CONST = 4, 5, 6

API_MARK_BASE = 0xE000
API_MARK_LAST = 0xF8FF

# Vector specialisations the compiler resolves by name; the library defines
# them in an internal namespace, so they are added to the catalog by hand.
VECTOR_DEFS = (
    "__AS3__.vec:Vector$object",
    "__AS3__.vec:Vector$int",
    "__AS3__.vec:Vector$uint",
    "__AS3__.vec:Vector$double",
)


# Name of the library's one script in the catalog and of its DoABC tag.
SCRIPT_NAME = "playerglobal"


class BadInput(Exception):
    pass


# --------------------------------------------------------------------------
# Little readers and writers


class Reader:
    def __init__(self, data, pos=0, end=None):
        self.data = data
        self.pos = pos
        self.end = len(data) if end is None else end

    def need(self, n):
        if n < 0 or self.pos + n > self.end:
            raise BadInput("unexpected end of data at offset %d" % self.pos)

    def u8(self):
        self.need(1)
        v = self.data[self.pos]
        self.pos += 1
        return v

    def u16(self):
        self.need(2)
        v = struct.unpack_from("<H", self.data, self.pos)[0]
        self.pos += 2
        return v

    def u32le(self):
        self.need(4)
        v = struct.unpack_from("<I", self.data, self.pos)[0]
        self.pos += 4
        return v

    def leb(self, signed=False):
        """LEB128 as used by WebAssembly (any length up to 10 bytes)."""
        result = shift = 0
        for _ in range(10):
            c = self.u8()
            result |= (c & 0x7F) << shift
            shift += 7
            if not c & 0x80:
                if signed and c & 0x40:
                    result -= 1 << shift
                return result
        raise BadInput("over-long LEB128 number at offset %d" % self.pos)

    def u30(self):
        """ABC variable-length integer (at most 5 bytes)."""
        result = shift = 0
        for _ in range(5):
            c = self.u8()
            result |= (c & 0x7F) << shift
            shift += 7
            if not c & 0x80:
                return result
        raise BadInput("over-long ABC integer at offset %d" % self.pos)

    def raw(self, n):
        self.need(n)
        v = bytes(self.data[self.pos:self.pos + n])
        self.pos += n
        return v

    def count(self, limit_per_item=1):
        """An ABC count, bounded by what is left so corrupt counts fail fast."""
        n = self.u30()
        if n * limit_per_item > self.end - self.pos + 1:
            raise BadInput("count %d at offset %d exceeds the data" % (n, self.pos))
        return n


def put_u30(out, v):
    if v < 0 or v >= 1 << 32:
        raise BadInput("value %d does not fit an ABC integer" % v)
    while True:
        b = v & 0x7F
        v >>= 7
        if v:
            out.append(b | 0x80)
        else:
            out.append(b)
            return


# --------------------------------------------------------------------------
# WebAssembly: rebuild the initial linear memory


def wasm_memory(data):
    """Returns the module's linear memory as filled by its active data segments."""
    if data[:4] != b"\0asm" or len(data) < 8:
        raise BadInput("not a WebAssembly module")
    r = Reader(data, 8)
    segments = []
    while r.pos < r.end:
        section = r.u8()
        size = r.leb()
        r.need(size)
        body_end = r.pos + size
        if section == 11:  # data section
            s = Reader(data, r.pos, body_end)
            for _ in range(s.leb()):
                flags = s.leb()
                if flags == 1:  # passive: not part of the initial memory
                    s.raw(s.leb())
                    continue
                if flags == 2:
                    if s.leb() != 0:
                        raise BadInput("data segment for a second memory")
                elif flags != 0:
                    raise BadInput("unknown data segment flags %d" % flags)
                if s.u8() != 0x41:  # i32.const
                    raise BadInput("data segment offset is not a constant")
                offset = s.leb(signed=True) & 0xFFFFFFFF
                if s.u8() != 0x0B:
                    raise BadInput("data segment offset expression not ended")
                length = s.leb()
                segments.append((offset, s.pos, length))
                s.raw(length)
        r.pos = body_end
    if not segments:
        raise BadInput("module has no active data segments")
    top = max(off + ln for off, _, ln in segments)
    if top > MAX_MEMORY:
        raise BadInput("data segments reach beyond %d bytes" % MAX_MEMORY)
    memory = bytearray(top)
    for off, start, ln in segments:
        memory[off:off + ln] = data[start:start + ln]
    return memory


# --------------------------------------------------------------------------
# SWF


def swf_tags(swf):
    """Yields (code, offset, length) of each tag; raises on a broken file."""
    if len(swf) < 9:
        raise BadInput("SWF too short")
    nbits = swf[8] >> 3
    pos = 8 + (5 + 4 * nbits + 7) // 8 + 4
    r = Reader(swf, pos)
    while True:
        head = r.u16()
        code, length = head >> 6, head & 0x3F
        if length == 0x3F:
            length = r.u32le()
        r.need(length)
        yield code, r.pos, length
        r.pos += length
        if code == END_TAG:
            return


def header_length(swf):
    nbits = swf[8] >> 3
    return 8 + (5 + 4 * nbits + 7) // 8 + 4


def swf_candidates(memory):
    """Every place in memory where a whole, well-formed SWF starts."""
    for sig in (b"FWS", b"CWS"):
        at = memory.find(sig)
        while at != -1:
            version = memory[at + 3] if at + 3 < len(memory) else 0
            (length,) = struct.unpack_from("<I", memory, at + 4) if at + 8 <= len(memory) else (0,)
            if 1 <= version <= 60 and 30 <= length <= MAX_MEMORY:
                swf = None
                if sig == b"FWS" and at + length <= len(memory):
                    swf = bytes(memory[at:at + length])
                elif sig == b"CWS":
                    try:
                        d = zlib.decompressobj()
                        body = d.decompress(bytes(memory[at + 8:at + 8 + length]), length)
                        if len(body) == length - 8:
                            swf = b"FWS" + bytes(memory[at + 3:at + 8]) + body
                    except zlib.error:
                        swf = None
                if swf is not None:
                    try:
                        abcs = [(o, ln) for code, o, ln in swf_tags(swf) if code in (DO_ABC, DO_ABC_OLD)]
                    except BadInput:
                        abcs = []
                    if abcs:
                        yield at, swf
            at = memory.find(sig, at + 1)


def doabc_payload(swf):
    """Returns (tag offset, tag length, flags, name, abc bytes) of the one DoABC tag."""
    found = [(code, o, ln) for code, o, ln in swf_tags(swf) if code in (DO_ABC, DO_ABC_OLD)]
    if len(found) != 1:
        raise BadInput("expected one DoABC tag, found %d" % len(found))
    code, off, ln = found[0]
    if code == DO_ABC_OLD:
        return off, ln, None, None, swf[off:off + ln]
    r = Reader(swf, off, off + ln)
    flags = r.u32le()
    end = swf.index(b"\0", r.pos, off + ln)
    name = swf[r.pos:end]
    return off, ln, flags, name, swf[end + 1:off + ln]


def make_swf(version, header_rest, abc, name):
    """An uncompressed SWF: the given frame header, one DoABC tag, End."""
    body = bytearray(header_rest)
    tag = struct.pack("<I", 0) + name + b"\0" + abc
    body += struct.pack("<HI", (DO_ABC << 6) | 0x3F, len(tag)) + tag
    body += struct.pack("<H", 0)  # End
    return b"FWS" + bytes([version]) + struct.pack("<I", 8 + len(body)) + bytes(body)


# --------------------------------------------------------------------------
# ABC


class Abc:
    """The constant pool in full and the declarations after it, enough to
    rewrite names and to list definitions. Method bodies are kept as bytes."""

    def __init__(self, data):
        r = Reader(data)
        self.minor, self.major = r.u16(), r.u16()
        if self.major != 46:
            raise BadInput("unsupported ABC version %d.%d" % (self.major, self.minor))
        self.ints = [r.u30() for _ in range(max(0, r.count() - 1))]
        self.uints = [r.u30() for _ in range(max(0, r.count() - 1))]
        self.doubles = [r.raw(8) for _ in range(max(0, r.count(8) - 1))]
        self.strings = [None]
        for _ in range(max(0, r.count() - 1)):
            raw = r.raw(r.u30())
            try:
                self.strings.append(raw.decode("utf-8"))
            except UnicodeDecodeError:
                raise BadInput("string %d is not UTF-8" % len(self.strings))
        self.namespaces = [None] + [[r.u8(), r.u30()] for _ in range(max(0, r.count(2) - 1))]
        self.ns_sets = [None] + [[r.u30() for _ in range(r.count())] for _ in range(max(0, r.count() - 1))]
        self.multinames = [None]
        for _ in range(max(0, r.count() - 1)):
            kind = r.u8()
            if kind in (MN_QNAME, MN_QNAME_A, MN_MULTI, MN_MULTI_A):
                self.multinames.append([kind, r.u30(), r.u30()])
            elif kind in (MN_RTQNAME, MN_RTQNAME_A, MN_MULTI_L, MN_MULTI_LA):
                self.multinames.append([kind, r.u30()])
            elif kind in (MN_RTQNAME_L, MN_RTQNAME_LA):
                self.multinames.append([kind])
            elif kind == MN_TYPENAME:
                base = r.u30()
                self.multinames.append([kind, base, [r.u30() for _ in range(r.count())]])
            else:
                raise BadInput("unknown multiname kind 0x%02x" % kind)
        self.rest = bytes(data[r.pos:])
        self.check_pool()
        self.parse_declarations()

    def check_pool(self):
        ns_n, str_n, set_n, mn_n = len(self.namespaces), len(self.strings), len(self.ns_sets), len(self.multinames)
        for kind, name in self.namespaces[1:]:
            if name >= str_n:
                raise BadInput("namespace names a missing string")
        for s in self.ns_sets[1:]:
            if any(n == 0 or n >= ns_n for n in s):
                raise BadInput("namespace set names a missing namespace")
        for m in self.multinames[1:]:
            if m[0] in (MN_QNAME, MN_QNAME_A) and (m[1] >= ns_n or m[2] >= str_n):
                raise BadInput("QName out of range")
            if m[0] in (MN_MULTI, MN_MULTI_A) and (m[1] >= str_n or m[2] == 0 or m[2] >= set_n):
                raise BadInput("multiname out of range")

    def parse_declarations(self):
        """Walks methods, metadata, classes, scripts and bodies after the pool,
        recording where names are declared and which traits scripts define."""
        r = Reader(self.rest)
        self.declared_names = []  # multiname indices in name-declaring positions
        self.type_names = []  # multiname indices used as types
        self.interface_names = []  # multiname indices of implemented interfaces
        for _ in range(r.count(4)):
            params = r.count()
            self.type_names.append(r.u30())
            self.type_names.extend(r.u30() for _ in range(params))
            r.u30()
            flags = r.u8()
            if flags & 0x08:
                for _ in range(r.count(2)):
                    r.u30()
                    r.u8()
            if flags & 0x80:
                for _ in range(params):
                    r.u30()
        for _ in range(r.count(2)):
            r.u30()
            for _ in range(r.count(2)):
                r.u30()
                r.u30()
        classes = r.count(5)
        self.class_names = []
        for _ in range(classes):
            name = r.u30()
            self.class_names.append(name)
            self.declared_names.append(name)
            self.type_names.append(r.u30())
            flags = r.u8()
            if flags & 0x08:
                r.u30()
            self.interface_names.extend(r.u30() for _ in range(r.count()))
            r.u30()
            self.read_traits(r)
        for _ in range(classes):
            r.u30()
            self.read_traits(r)
        self.scripts = []
        for _ in range(r.count(2)):
            r.u30()
            self.scripts.append(self.read_traits(r))
        for _ in range(r.count(6)):
            for _ in range(5):
                r.u30()
            r.raw(r.u30())
            for _ in range(r.count(5)):
                for _ in range(3):
                    r.u30()
                self.type_names.append(r.u30())
                r.u30()
            self.read_traits(r)
        if r.pos != len(self.rest):
            raise BadInput("%d bytes after the last method body" % (len(self.rest) - r.pos))
        n = len(self.multinames)
        if any(i >= n for i in self.declared_names + self.type_names + self.interface_names):
            raise BadInput("declaration names a missing multiname")

    def read_traits(self, r):
        traits = []
        for _ in range(r.count(3)):
            name = r.u30()
            kind = r.u8()
            self.declared_names.append(name)
            t = kind & 0x0F
            if t in (TRAIT_SLOT, TRAIT_CONST):
                r.u30()
                self.type_names.append(r.u30())
                if r.u30():
                    r.u8()
            elif t in (TRAIT_METHOD, TRAIT_GETTER, TRAIT_SETTER, TRAIT_CLASS, TRAIT_FUNCTION):
                r.u30()
                r.u30()
            else:
                raise BadInput("unknown trait kind %d" % t)
            if kind & 0x40:
                for _ in range(r.count()):
                    r.u30()
            traits.append((name, t))
        return traits

    # -- rewriting

    def strip_api_marks(self, visible):
        """Removes the API mark from each namespace whose mark `visible` accepts.
        Returns the number of namespaces changed."""
        index = {s: i for i, s in enumerate(self.strings) if s is not None}
        changed = 0
        for ns in self.namespaces[1:]:
            s = self.strings[ns[1]] if ns[1] else None
            if not s:
                continue
            mark = ord(s[-1])
            if API_MARK_BASE <= mark <= API_MARK_LAST and visible(mark - API_MARK_BASE):
                bare = s[:-1]
                if bare not in index:
                    index[bare] = len(self.strings)
                    self.strings.append(bare)
                ns[1] = index[bare]
                changed += 1
        return changed

    def declared_multinames_to_qnames(self):
        """Turns each multiname over a one-namespace set that declares a name
        into a QName. Returns the number changed."""
        changed = 0
        for i in sorted(set(self.declared_names)):
            m = self.multinames[i] if i else None
            if m is None or m[0] not in (MN_MULTI, MN_MULTI_A):
                continue
            nsset = self.ns_sets[m[2]]
            if len(nsset) != 1:
                raise BadInput("declared name %r uses %d namespaces" % (self.strings[m[1]], len(nsset)))
            m[:] = [MN_QNAME if m[0] == MN_MULTI else MN_QNAME_A, nsset[0], m[1]]
            changed += 1
        # An interface is named by a multiname over the namespaces open where
        # the class was written; it becomes the QName of the one interface
        # of that name the library defines in one of those namespaces.
        defined = {}
        for c in self.class_names:
            m = self.multinames[c] if c else None
            if m and m[0] in (MN_QNAME, MN_QNAME_A):
                defined.setdefault((self.namespace_uri(m[1]), m[2]), []).append(m[1])
        for i in sorted(set(self.interface_names)):
            m = self.multinames[i] if i else None
            if m is None or m[0] not in (MN_MULTI, MN_MULTI_A):
                continue
            hits = [ns for ns in self.ns_sets[m[2]] if (self.namespace_uri(ns), m[1]) in defined]
            uris = {self.namespace_uri(ns) for ns in hits}
            if len(uris) != 1:
                raise BadInput("interface %r is not defined exactly once" % self.strings[m[1]])
            m[:] = [MN_QNAME if m[0] == MN_MULTI else MN_QNAME_A, hits[0], m[1]]
            changed += 1
        return changed

    def namespace_uri(self, ns):
        return (self.strings[self.namespaces[ns][1]] or "") if ns else ""

    def qname(self, index):
        """(namespace kind, namespace URI, local name) of a QName, else None."""
        m = self.multinames[index] if index else None
        if m is None or m[0] not in (MN_QNAME, MN_QNAME_A):
            return None
        kind, uri = self.namespaces[m[1]] if m[1] else (0, 0)
        return kind, self.strings[uri] or "", self.strings[m[2]] or ""

    def serialize(self):
        out = bytearray(struct.pack("<HH", self.minor, self.major))

        def pool(items, put):
            put_u30(out, len(items) + 1 if items else 0)
            for item in items:
                put(item)

        pool(self.ints, lambda v: put_u30(out, v))
        pool(self.uints, lambda v: put_u30(out, v))
        pool(self.doubles, out.extend)

        def put_string(s):
            b = s.encode("utf-8")
            put_u30(out, len(b))
            out.extend(b)

        pool(self.strings[1:], put_string)

        def put_ns(ns):
            out.append(ns[0])
            put_u30(out, ns[1])

        pool(self.namespaces[1:], put_ns)

        def put_set(s):
            put_u30(out, len(s))
            for n in s:
                put_u30(out, n)

        pool(self.ns_sets[1:], put_set)

        def put_mn(m):
            out.append(m[0])
            if m[0] == MN_TYPENAME:
                put_u30(out, m[1])
                put_set(m[2])
            else:
                for v in m[1:]:
                    put_u30(out, v)

        pool(self.multinames[1:], put_mn)
        out += self.rest
        return bytes(out)


def api_visible_for(swf_version):
    """Which API marks a player of this SWF version shows: unmarked (0), the
    Flash Player 9 to 10.1 releases, and every SWF version up to the target
    (even numbers from 670 on; odd ones are desktop runtime releases)."""
    early_player_apis = {0, 660, 662, 665, 667}

    def visible(api):
        if api in early_player_apis:
            return True
        return api >= 670 and api % 2 == 0 and (api - 648) // 2 <= swf_version

    return visible


def definitions(abc):
    """Public definitions per script: [(script name, [def id, ...])]."""
    result = []
    for traits in abc.scripts:
        ids = []
        for name, _ in traits:
            q = abc.qname(name)
            if q is None or q[0] != NS_PACKAGE:
                continue
            _, uri, local = q
            if uri and API_MARK_BASE <= ord(uri[-1]) <= API_MARK_LAST:
                continue  # an API the target player does not have
            ids.append("%s:%s" % (uri, local) if uri else local)
        if ids:
            result.append(ids)
    return result


def catalog_xml(script_name, ids):
    """The SWC catalog: one script, named like the library's DoABC tag (the
    compiler finds a script's code by that name), defining every id."""
    lines = [
        '<?xml version="1.0" encoding ="utf-8"?>',
        '<swc xmlns="http://www.adobe.com/flash/swccatalog/9">',
        "  <versions>",
        '    <swc version="1.2" />',
        "  </versions>",
        "  <features>",
        "    <feature-script-deps />",
        "  </features>",
        "  <libraries>",
        '    <library path="library.swf">',
        '      <script name=%s mod="1000">' % quoteattr(script_name),
    ]
    lines += ["        <def id=%s />" % quoteattr(d) for d in ids]
    lines += ["      </script>", "    </library>", "  </libraries>", "  <files>", "  </files>", "</swc>", ""]
    return "\n".join(lines).encode("utf-8")


def zip_bytes(files):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files:
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            z.writestr(info, data)
    return buf.getvalue()


def find_library(memory):
    """The embedded SWF whose ABC defines flash.display:Sprite."""
    for at, swf in swf_candidates(memory):
        try:
            abc = Abc(doabc_payload(swf)[4])
        except BadInput:
            continue
        names = set()
        for i in abc.class_names:
            m = abc.multinames[i] if i else None
            if m and m[0] in (MN_QNAME, MN_QNAME_A):
                names.add(abc.strings[m[2]])
        if "Sprite" in names and "MovieClip" in names:
            return at, swf, abc
    raise BadInput("no embedded player class library found")


def build(wasm_path, swf_version):
    with open(wasm_path, "rb") as f:
        data = f.read()
    memory = wasm_memory(data)
    at, swf, abc = find_library(memory)
    marks = abc.strip_api_marks(api_visible_for(swf_version))
    qnames = abc.declared_multinames_to_qnames()
    ids = [d for script in definitions(abc) for d in script]
    ids += [d for d in VECTOR_DEFS if d not in ids]
    for required in ("Object", "flash.display:Sprite", "flash.events:Event", "trace"):
        if required not in ids:
            raise BadInput("the rebuilt library does not define %s" % required)
    library = make_swf(swf[3], swf[8:header_length(swf)], abc.serialize(), SCRIPT_NAME.encode())
    swc = zip_bytes([("catalog.xml", catalog_xml(SCRIPT_NAME, ids)), ("library.swf", library)])
    stats = {
        "offset": at,
        "swf_version": swf[3],
        "swf_bytes": len(swf),
        "classes": len(abc.class_names),
        "namespaces_unmarked": marks,
        "qnames": qnames,
        "definitions": len(ids),
    }
    return swc, stats


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("wasm", help="the web player's .wasm module")
    p.add_argument("output", help="playerglobal.swc to write")
    p.add_argument("--swf-version", type=int, default=20, help="SWF version the games target (default 20)")
    p.add_argument("--verbose", action="store_true")
    a = p.parse_args(argv)
    try:
        swc, stats = build(a.wasm, a.swf_version)
    except (BadInput, OSError) as e:
        print("make-playerglobal: %s: %s" % (a.wasm, e), file=sys.stderr)
        return 1
    except (IndexError, ValueError, struct.error, zlib.error) as e:
        # Input this tool does not expect; said plainly all the same.
        print("make-playerglobal: %s: unreadable (%s)" % (a.wasm, e), file=sys.stderr)
        return 1
    tmp = a.output + ".part"
    try:
        with open(tmp, "wb") as f:
            f.write(swc)
        os.replace(tmp, a.output)
    except OSError as e:
        print("make-playerglobal: %s: %s" % (a.output, e), file=sys.stderr)
        return 1
    if a.verbose:
        print(
            "playerglobal: SWF version %(swf_version)d, %(swf_bytes)d bytes at offset %(offset)d; "
            "%(classes)d classes, %(namespaces_unmarked)d namespaces unmarked, "
            "%(qnames)d names made QNames, %(definitions)d definitions" % stats
        )
    return 0


if __name__ == "__main__":
    sys.exit(main())
