#!/usr/bin/env python3
"""Check the resources compiled into KVX_32.dll.

Usage: check_resources.py PATH/TO/KVX_32.dll

Checks the version record, dialog template 134 (byte for byte) and the eight
tree bitmaps 200..207 against the tables below. Prints one line per fault and
exits with status 1 if there is any, 2 if the file cannot be read.
"""

import struct
import sys

try:
    import pefile
except ImportError:  # an interpreter outside the system one: try Debian's python3-pefile
    sys.path.append("/usr/lib/python3/dist-packages")
    try:
        import pefile
    except ImportError:
        sys.stderr.write("check_resources.py: the pefile module is missing "
                         "(install python3-pefile)\n")
        sys.exit(2)

RT_BITMAP = 2
RT_DIALOG = 5
RT_VERSION = 16

LANG_FRENCH_FRANCE = 0x040C  # 1036

# --- Expected values --------------------------------------------------------

VERSION = {
    "file_version": (4, 0, 24, 0),
    "product_version": (4, 0, 24, 0),
    "file_os": 0x00000004,  # VOS__WINDOWS32
    "file_type": 0x00000002,  # VFT_DLL
    "string_block": "040C04B0",
    "translation": (0x040C, 0x04B0),
}

VERSION_STRINGS = {
    "FileVersion": "4, 0, 24, 0",
    "ProductVersion": "4, 0, 24, 0",
    "FileDescription": "KVX_32.dll",
    "InternalName": "KVX_32",
    "OriginalFilename": "KVX_32.DLL",
}

# Present with some text of the module's own choosing.
VERSION_FREE_STRINGS = ("CompanyName", "LegalCopyright", "ProductName")

BUTTON, EDIT, STATIC = 0x0080, 0x0081, 0x0082

DIALOG_ID = 134
DIALOG = {
    "style": 0x80C80040,  # WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT
    "exstyle": 0,
    "rect": (0, 0, 248, 213),
    "menu": None,
    "class": None,
    "caption": "Browse Network",
    "point_size": 8,
    "font": "MS Sans Serif",
}

# In template order. Every control has extended style 0 and no creation data.
DIALOG_CONTROLS = [
    # id    class            text                              style        x,   y,   cx,  cy
    (1015, "SysTreeView32", "Treeview1",                       0x50010003, (6,   51,  231, 155)),
    (1003, STATIC,          "Imprimante :",                    0x50020000, (5,   12,  59,  9)),
    (1000, EDIT,            "",                                0x50810080, (69,  11,  115, 13)),
    (1002, STATIC,          "Imprimantes partag\u00e9es :",    0x50020000, (5,   37,  168, 10)),
    (1,    BUTTON,          "OK",                              0x50014001, (192, 10,  45,  14)),
    (2,    BUTTON,          "Cancel",                          0x50010000, (192, 30,  45,  14)),
]

BITMAP_IDS = range(200, 208)  # pairs (normal, selected): 200/201, 202/203, 204/205, 206/207
BITMAP_SIZE = 232  # BITMAPINFOHEADER 40 + 16-colour palette 64 + 16 rows of 8 bytes
BITMAP_WIDTH = 16
BITMAP_HEIGHT = 16
BITMAP_BITS = 4


# --- Reading ----------------------------------------------------------------


class Malformed(Exception):
    pass


class Reader:
    """Little-endian reader over bytes that raises Malformed instead of reading past the end."""

    def __init__(self, data, what):
        self.data = data
        self.pos = 0
        self.what = what

    def take(self, n):
        if self.pos + n > len(self.data):
            raise Malformed("%s: truncated at byte %d (needs %d more, %d left)"
                            % (self.what, self.pos, n, len(self.data) - self.pos))
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def word(self):
        return struct.unpack("<H", self.take(2))[0]

    def short(self):
        return struct.unpack("<h", self.take(2))[0]

    def dword(self):
        return struct.unpack("<I", self.take(4))[0]

    def wstring(self):
        units = []
        while True:
            unit = self.word()
            if unit == 0:
                return b"".join(struct.pack("<H", u) for u in units).decode("utf-16-le",
                                                                           errors="replace")
            units.append(unit)

    def sz_or_ord(self, empty=None):
        """A template field: `empty` (0x0000), an ordinal (0xFFFF, n) or a string."""
        first = self.word()
        if first == 0:
            return empty
        if first == 0xFFFF:
            return self.word()
        self.pos -= 2
        return self.wstring()

    def align(self, n=4):
        self.pos = min(len(self.data), (self.pos + n - 1) // n * n)


def load_resources(path):
    """Answer {type: {name: {language id: bytes}}}."""
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    table = {}
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        return table
    for type_entry in root.entries:
        rtype = type_entry.id if type_entry.name is None else str(type_entry.name)
        for name_entry in type_entry.directory.entries:
            name = name_entry.id if name_entry.name is None else str(name_entry.name)
            for lang_entry in name_entry.directory.entries:
                rva = lang_entry.data.struct.OffsetToData
                size = lang_entry.data.struct.Size
                data = pe.get_data(rva, size)
                if len(data) != size:
                    raise Malformed("resource %s/%s: data runs past the image" % (rtype, name))
                table.setdefault(rtype, {}).setdefault(name, {})[lang_entry.id] = data
    return table


def one_language(faults, table, rtype, name, what, language=None):
    """Answer the data of resource rtype/name if it exists in exactly one language."""
    langs = table.get(rtype, {}).get(name)
    if not langs:
        faults.append("%s: missing" % what)
        return None
    if len(langs) != 1:
        faults.append("%s: present in %d languages (%s), expected one"
                      % (what, len(langs), ", ".join("0x%04X" % l for l in sorted(langs))))
        return None
    (lang, data), = langs.items()
    if language is not None and lang != language:
        faults.append("%s: language 0x%04X (%d), expected 0x%04X (%d)"
                      % (what, lang, lang, language, language))
    return data


# --- Version record -----------------------------------------------------------


def parse_version_node(data, what):
    """Parse one VS_VERSIONINFO-style node: answer (key, value bytes, value type, children)."""
    r = Reader(data, what)
    length = r.word()
    if length > len(data) or length < 6:
        raise Malformed("%s: node length %d, only %d bytes" % (what, length, len(data)))
    r.data = data[:length]
    value_length = r.word()
    value_type = r.word()
    key = r.wstring()
    r.align()
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = r.take(value_bytes) if value_bytes else b""
    r.align()
    children = []
    while r.pos < length:
        child_length = struct.unpack("<H", r.data[r.pos:r.pos + 2])[0] if r.pos + 2 <= length else 0
        if child_length == 0:
            break  # trailing padding
        children.append(parse_version_node(r.take(min(child_length, length - r.pos)),
                                           "%s/%s" % (what, key)))
        r.align()
    return key, value, value_type, children


def check_version(faults, table):
    data = one_language(faults, table, RT_VERSION, 1, "version record")
    if data is None:
        return
    key, fixed, _, children = parse_version_node(data, "version record")
    if key != "VS_VERSION_INFO":
        faults.append("version record: key %r, expected 'VS_VERSION_INFO'" % key)
    if len(fixed) != 52:
        faults.append("version record: fixed part is %d bytes, expected 52" % len(fixed))
        return
    f = struct.unpack("<13I", fixed)
    if f[0] != 0xFEEF04BD:
        faults.append("version record: fixed part signature 0x%08X" % f[0])

    def version(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    for label, got, want in (
            ("file version", version(f[2], f[3]), VERSION["file_version"]),
            ("product version", version(f[4], f[5]), VERSION["product_version"])):
        if got != want:
            faults.append("version record: %s %s, expected %s"
                          % (label, ".".join(map(str, got)), ".".join(map(str, want))))
    if f[8] != VERSION["file_os"]:
        faults.append("version record: file OS 0x%08X, expected 0x%08X (VOS__WINDOWS32)"
                      % (f[8], VERSION["file_os"]))
    if f[9] != VERSION["file_type"]:
        faults.append("version record: file type 0x%08X, expected 0x%08X (VFT_DLL)"
                      % (f[9], VERSION["file_type"]))

    string_info = [c for c in children if c[0] == "StringFileInfo"]
    var_info = [c for c in children if c[0] == "VarFileInfo"]
    if len(string_info) != 1:
        faults.append("version record: %d StringFileInfo blocks, expected 1" % len(string_info))
    else:
        blocks = string_info[0][3]
        names = [b[0] for b in blocks]
        if names != [VERSION["string_block"]]:
            faults.append("version record: string blocks %s, expected ['%s']"
                          % (names, VERSION["string_block"]))
        for block in blocks[:1]:
            strings = {}
            for name, value, value_type, _ in block[3]:
                text = value.decode("utf-16-le", errors="replace")
                strings[name] = text[:-1] if text.endswith("\0") else text
            for name, want in VERSION_STRINGS.items():
                if strings.get(name) != want:
                    faults.append("version record: %s is %r, expected %r"
                                  % (name, strings.get(name), want))
            for name in VERSION_FREE_STRINGS:
                if not strings.get(name):
                    faults.append("version record: %s is missing or empty" % name)
    if len(var_info) != 1:
        faults.append("version record: %d VarFileInfo blocks, expected 1" % len(var_info))
    else:
        translations = [v for v in var_info[0][3] if v[0] == "Translation"]
        got = struct.unpack("<%dH" % (len(translations[0][1]) // 2),
                            translations[0][1]) if translations else None
        if got != VERSION["translation"]:
            faults.append("version record: Translation %s, expected %s"
                          % (got and tuple("0x%04X" % v for v in got),
                             tuple("0x%04X" % v for v in VERSION["translation"])))


# --- Dialog template ----------------------------------------------------------


def parse_dialog(data):
    """Parse a DLGTEMPLATE: answer (header dict, control tuples, bytes left over, error).

    On malformed data the error names the place, and the header and controls
    read up to it are still answered.
    """
    r = Reader(data, "dialog %d" % DIALOG_ID)
    header = {}
    controls = []
    try:
        style = r.dword()
        if style >> 16 == 0xFFFF:
            raise Malformed("dialog %d: an extended template (DLGTEMPLATEEX)" % DIALOG_ID)
        header["style"] = style
        header["exstyle"] = r.dword()
        count = r.word()
        header["rect"] = (r.short(), r.short(), r.short(), r.short())
        header["menu"] = r.sz_or_ord()
        header["class"] = r.sz_or_ord()
        header["caption"] = r.wstring()
        if style & 0x40:  # DS_SETFONT
            header["point_size"] = r.word()
            header["font"] = r.wstring()
        for index in range(count):
            r.align()
            r.what = "dialog %d control %d" % (DIALOG_ID, index)
            c_style = r.dword()
            c_exstyle = r.dword()
            rect = (r.short(), r.short(), r.short(), r.short())
            c_id = r.word()
            c_class = r.sz_or_ord()
            c_text = r.sz_or_ord(empty="")
            extra = r.word()  # size of the creation data, this word included
            creation = r.take(max(extra - 2, 0)) + b"?" if extra else b""
            controls.append((c_id, c_class, c_text, c_style, rect, c_exstyle, creation))
    except Malformed as e:
        return header, controls, 0, str(e)
    return header, controls, len(data) - r.pos, None


def build_dialog():
    """The exact bytes of the expected template."""
    out = bytearray()

    def text(s):
        out.extend(s.encode("utf-16-le") + b"\0\0")

    def field(v):
        if v is None:
            out.extend(b"\0\0")
        elif isinstance(v, int):
            out.extend(struct.pack("<HH", 0xFFFF, v))
        else:
            text(v)

    d = DIALOG
    out.extend(struct.pack("<IIH4h", d["style"], d["exstyle"], len(DIALOG_CONTROLS), *d["rect"]))
    field(d["menu"])
    field(d["class"])
    text(d["caption"])
    out.extend(struct.pack("<H", d["point_size"]))
    text(d["font"])
    for c_id, c_class, c_text, c_style, rect in DIALOG_CONTROLS:
        out.extend(b"\0" * (-len(out) % 4))
        out.extend(struct.pack("<II4hH", c_style, 0, *rect, c_id))
        field(c_class)
        field(c_text)
        out.extend(b"\0\0")
    return bytes(out)


def describe(v):
    names = {BUTTON: "BUTTON", EDIT: "EDIT", STATIC: "STATIC"}
    if isinstance(v, int) and v in names:
        return "atom 0x%04X (%s)" % (v, names[v])
    if isinstance(v, int):
        return "0x%08X" % v if v > 0xFFFF else "%d" % v
    return repr(v)


def check_dialog(faults, table):
    what = "dialog %d" % DIALOG_ID
    data = one_language(faults, table, RT_DIALOG, DIALOG_ID, what, LANG_FRENCH_FRANCE)
    if data is None:
        return
    before = len(faults)
    header, controls, left, error = parse_dialog(data)
    for key, want in DIALOG.items():
        got = header.get(key)
        if got != want:
            faults.append("%s: %s is %s, expected %s" % (what, key, describe(got), describe(want)))
    if error is None and len(controls) != len(DIALOG_CONTROLS):
        faults.append("%s: %d controls, expected %d" % (what, len(controls), len(DIALOG_CONTROLS)))
    fields = ("id", "class", "text", "style", "rect")
    for index, (got, want) in enumerate(zip(controls, DIALOG_CONTROLS)):
        for name, g, w in zip(fields, got, want):
            if g != w:
                faults.append("%s control %d (id %d): %s is %s, expected %s"
                              % (what, index, want[0], name, describe(g), describe(w)))
        if got[5] != 0:
            faults.append("%s control %d (id %d): extended style 0x%08X, expected 0"
                          % (what, index, want[0], got[5]))
        if got[6]:
            faults.append("%s control %d (id %d): creation data present, expected none"
                          % (what, index, want[0]))
    if error is not None:
        faults.append(error)
    if left:
        faults.append("%s: %d bytes after the last control" % (what, left))
    # The field checks explain a difference; this one catches any byte they do not cover.
    if len(faults) == before and data != build_dialog():
        faults.append("%s: bytes differ from the expected template" % what)


# --- Tree bitmaps -------------------------------------------------------------


def check_bitmaps(faults, table):
    pixels = {}
    for bid in BITMAP_IDS:
        what = "bitmap %d" % bid
        data = one_language(faults, table, RT_BITMAP, bid, what, LANG_FRENCH_FRANCE)
        if data is None:
            continue
        if len(data) != BITMAP_SIZE:
            faults.append("%s: %d bytes, expected %d" % (what, len(data), BITMAP_SIZE))
            continue
        (size, width, height, planes, bits, compression, _, _, _, used,
         _) = struct.unpack("<IiiHHIIiiII", data[:40])
        got = (size, width, height, planes, bits, compression)
        want = (40, BITMAP_WIDTH, BITMAP_HEIGHT, 1, BITMAP_BITS, 0)
        if got != want:
            faults.append("%s: header (size, width, height, planes, bits, compression) %s, "
                          "expected %s" % (what, got, want))
            continue
        if used not in (0, 16):
            faults.append("%s: %d palette entries used, expected 16" % (what, used))
        image = data[40 + 64:]
        colours = {b >> 4 for b in image} | {b & 15 for b in image}
        if len(colours) < 2:
            faults.append("%s: a blank image (one colour)" % what)
        pixels[bid] = data[40:]
    for normal in BITMAP_IDS[::2]:
        if normal in pixels and normal + 1 in pixels and pixels[normal] == pixels[normal + 1]:
            faults.append("bitmaps %d and %d: identical, the selected image must differ"
                          % (normal, normal + 1))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: check_resources.py PATH/TO/KVX_32.dll\n")
        return 2
    path = argv[1]
    try:
        table = load_resources(path)
    except (OSError, pefile.PEFormatError, Malformed) as e:
        sys.stderr.write("check_resources.py: %s: %s\n" % (path, e))
        return 2
    faults = []
    for check in (check_version, check_dialog, check_bitmaps):
        try:
            check(faults, table)
        except Malformed as e:
            faults.append(str(e))
    for fault in faults:
        print("FAIL %s" % fault)
    if faults:
        print("%s: %d resource fault(s)" % (path, len(faults)))
        return 1
    print("%s: resources OK (version record, dialog %d, bitmaps %d..%d)"
          % (path, DIALOG_ID, BITMAP_IDS[0], BITMAP_IDS[-1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
