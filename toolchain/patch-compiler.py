#!/usr/bin/env python3
"""Mends the game compiler's jar so that [SWF(backgroundColor=...)] works.

The compiler reads the main class's [SWF] attributes by name, but looks the
background colour up under a garbled name ("clbackgroundColorassName"), so
the attribute a game writes is never found and the configuration's default
colour always wins. This rewrites that one name in the class file's
constant pool to "backgroundColor" and writes the jar again, entry for entry
and in the same order.

Usage: patch-compiler.py JAR        (rewrites JAR in place)

Exits 0 when the jar was mended or did not need it, 1 with one line on
standard error when it cannot be read or written.
"""
import os
import struct
import sys
import zipfile

CLASS = "org/apache/royale/compiler/internal/targets/TargetAttributeBase.class"
WRONG = b"clbackgroundColorassName"
RIGHT = b"backgroundColor"


class PatchError(Exception):
    pass


def utf8_constant(text):
    # CONSTANT_Utf8_info: tag 1, u2 length, the bytes. Nothing in a class
    # file points at byte offsets inside the constant pool, so an entry may
    # change its length.
    return b"\x01" + struct.pack(">H", len(text)) + text


def mend_class(data):
    """The class with the name mended, or None when it has nothing to mend."""
    if not data.startswith(b"\xca\xfe\xba\xbe"):
        raise PatchError("%s is not a class file" % CLASS)
    wrong = utf8_constant(WRONG)
    count = data.count(wrong)
    if count == 0:
        return None
    if count != 1:
        raise PatchError("%s names the colour attribute %d times" % (CLASS, count))
    return data.replace(wrong, utf8_constant(RIGHT))


def patch(jar):
    try:
        with zipfile.ZipFile(jar) as source:
            infos = source.infolist()
            if CLASS not in source.namelist():
                raise PatchError("%s has no %s" % (jar, CLASS))
            mended = mend_class(source.read(CLASS))
            if mended is None:
                return False
            part = jar + ".part"
            try:
                with zipfile.ZipFile(part, "w") as target:
                    for info in infos:
                        body = mended if info.filename == CLASS else source.read(info)
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
            print("patch-compiler: %s reads [SWF(backgroundColor)] now" % argv[1])
    except PatchError as e:
        sys.stderr.write("patch-compiler: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
