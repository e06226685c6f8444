#!/usr/bin/env python3
"""Generates qx-core/src/text_encoding_tables.cpp: the label table and the decoding indexes.

Source data: the npm package text-encoding 0.7.0 (licence: Unlicense or Apache-2.0), whose
lib/encoding.js holds the Encoding Standard's encodings.json (labels) and whose
lib/encoding-indexes.js holds the standard's index data. That copy predates two later changes to
the standard, which are applied here:
  - ten labels added since (the UTF-8, UTF-16LE, UTF-16BE and "replacement" labels below);
  - gb18030 following GB18030-2022: 18 pointers that mapped to private-use code points now map to
    the vertical forms U+FE10..FE19 and to U+9FB4..9FBB.
Both were checked against the tables of the npm package @exodus/bytes 1.16.0 (MIT).

Usage:
  npm pack text-encoding@0.7.0 && tar xzf text-encoding-0.7.0.tgz
  python3 tools/gen_encoding_tables.py package qx-core/src/text_encoding_tables.cpp
"""

import json
import pathlib
import re
import sys

# Encoding names in the order of qx::Encoding (text_encoding.h), with their enumerator names.
ENCODINGS = [
    ("UTF-8", "Utf8"), ("IBM866", "Ibm866"), ("ISO-8859-2", "Iso8859_2"), ("ISO-8859-3", "Iso8859_3"),
    ("ISO-8859-4", "Iso8859_4"), ("ISO-8859-5", "Iso8859_5"), ("ISO-8859-6", "Iso8859_6"),
    ("ISO-8859-7", "Iso8859_7"), ("ISO-8859-8", "Iso8859_8"), ("ISO-8859-8-I", "Iso8859_8I"),
    ("ISO-8859-10", "Iso8859_10"), ("ISO-8859-13", "Iso8859_13"), ("ISO-8859-14", "Iso8859_14"),
    ("ISO-8859-15", "Iso8859_15"), ("ISO-8859-16", "Iso8859_16"), ("KOI8-R", "Koi8R"), ("KOI8-U", "Koi8U"),
    ("macintosh", "Macintosh"), ("windows-874", "Windows874"), ("windows-1250", "Windows1250"),
    ("windows-1251", "Windows1251"), ("windows-1252", "Windows1252"), ("windows-1253", "Windows1253"),
    ("windows-1254", "Windows1254"), ("windows-1255", "Windows1255"), ("windows-1256", "Windows1256"),
    ("windows-1257", "Windows1257"), ("windows-1258", "Windows1258"), ("x-mac-cyrillic", "XMacCyrillic"),
    ("GBK", "Gbk"), ("gb18030", "Gb18030"), ("Big5", "Big5"), ("EUC-JP", "EucJp"),
    ("ISO-2022-JP", "Iso2022Jp"), ("Shift_JIS", "ShiftJis"), ("EUC-KR", "EucKr"),
    ("replacement", "Replacement"), ("UTF-16BE", "Utf16Be"), ("UTF-16LE", "Utf16Le"),
    ("x-user-defined", "XUserDefined"),
]

ADDED_LABELS = {
    "UTF-8": ["unicode11utf8", "unicode20utf8", "x-unicode20utf8"],
    "UTF-16BE": ["unicodefffe"],
    "UTF-16LE": ["csunicode", "iso-10646-ucs-2", "ucs-2", "unicode", "unicodefeff"],
    "replacement": ["replacement"],
}

GB18030_2022 = {
    7182: 0xFE10, 7183: 0xFE12, 7184: 0xFE11, 7185: 0xFE13, 7186: 0xFE14, 7187: 0xFE15,
    7188: 0xFE16, 7201: 0xFE17, 7202: 0xFE18, 7208: 0xFE19, 23775: 0x9FB4, 23783: 0x9FB5,
    23788: 0x9FB6, 23789: 0x9FB7, 23795: 0x9FB8, 23812: 0x9FB9, 23829: 0x9FBA, 23845: 0x9FBB,
}

# ISO-8859-8-I decodes with the ISO-8859-8 index.
SINGLE_BYTE_INDEX = {name: name.lower() for name, _ in ENCODINGS[1:29]}
SINGLE_BYTE_INDEX["ISO-8859-8-I"] = "iso-8859-8"


def numbers(values, per_line=20):
    vals = [str(v) for v in values]
    return "\n".join("    " + ",".join(vals[i:i + per_line]) + "," for i in range(0, len(vals), per_line))


def trimmed(index):
    # Trailing pointers without a code point are left out; the decoder treats them as null.
    values = [v or 0 for v in index]
    while values and values[-1] == 0:
        values.pop()
    return values


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    pkg = pathlib.Path(sys.argv[1])
    src = (pkg / "lib/encoding.js").read_text(encoding="utf-8")
    m = re.search(r"var encodings = (\[.*?\n  \]);", src, re.S)
    if not m:
        sys.exit("gen_encoding_tables: encodings table not found")
    groups = json.loads(m.group(1))
    idx_src = (pkg / "lib/encoding-indexes.js").read_text(encoding="utf-8")
    m = re.search(r'global\["encoding-indexes"\] =\s*(\{.*\})\s*;', idx_src, re.S)
    if not m:
        sys.exit("gen_encoding_tables: index data not found")
    indexes = json.loads(m.group(1))

    enum_of = dict(ENCODINGS)
    labels = {}
    for group in groups:
        for enc in group["encodings"]:
            name = enc["name"]
            if name not in enum_of:
                sys.exit("gen_encoding_tables: unknown encoding " + name)
            for label in enc["labels"] + ADDED_LABELS.get(name, []):
                if label in labels:
                    sys.exit("gen_encoding_tables: label twice: " + label)
                labels[label] = name
    if len(labels) != 228 or set(labels.values()) != set(enum_of):
        sys.exit("gen_encoding_tables: unexpected label table")

    gb = list(indexes["gb18030"])
    for pointer, cp in GB18030_2022.items():
        if not 0xE000 <= gb[pointer] <= 0xF8FF:
            sys.exit("gen_encoding_tables: gb18030 index is not the expected snapshot")
        gb[pointer] = cp

    big5 = trimmed(indexes["big5"])
    big5_low = [v & 0xFFFF for v in big5]
    if any(v > 0x2FFFF for v in big5):
        sys.exit("gen_encoding_tables: big5 beyond plane 2")
    plane2 = [0] * ((len(big5) + 7) // 8)
    for i, v in enumerate(big5):
        if v > 0xFFFF:
            plane2[i // 8] |= 1 << (i % 8)

    out = []
    w = out.append
    w("// Generated by tools/gen_encoding_tables.py from the npm package text-encoding 0.7.0")
    w("// (Unlicense or Apache-2.0), which carries the Encoding Standard's labels and index data,")
    w("// with the later label additions and the GB18030-2022 mappings applied. Do not edit.")
    w('#include "text_encoding_tables.h"')
    w("")
    w("namespace qx::encoding_data {")
    w("")
    w("const char* const ENCODING_NAMES[] = {")
    for name, _ in ENCODINGS:
        w('    "%s",' % name)
    w("};")
    w("")
    w("const Label LABELS[] = {")
    for label in sorted(labels):
        w('    {"%s", Encoding::%s},' % (label, enum_of[labels[label]]))
    w("};")
    w("const std::size_t LABEL_COUNT = sizeof(LABELS) / sizeof(LABELS[0]);")
    w("")
    w("namespace {")
    w("")
    w("// Code points of bytes 0x80..0xFF; 0xFFFD where a byte has none.")
    table_names = sorted(set(SINGLE_BYTE_INDEX.values()), key=lambda n: [e.lower() for e, _ in ENCODINGS].index(n))
    for tname in table_names:
        values = [0xFFFD if v is None else v for v in indexes[tname]]
        if len(values) != 128:
            sys.exit("gen_encoding_tables: bad single-byte index " + tname)
        w("const std::uint16_t SB_%s[128] = {" % re.sub(r"\W", "_", tname).upper())
        w(numbers(values, 16))
        w("};")
    w("")
    for ident, key, values in [("JIS0208_DATA", "jis0208", trimmed(indexes["jis0208"])),
                               ("JIS0212_DATA", "jis0212", trimmed(indexes["jis0212"])),
                               ("EUC_KR_DATA", "euc-kr", trimmed(indexes["euc-kr"])),
                               ("GB18030_DATA", "gb18030", trimmed(gb)),
                               ("BIG5_DATA", "big5", big5_low)]:
        w("const std::uint16_t %s[] = {  // index %s, %d pointers" % (ident, key, len(values)))
        w(numbers(values))
        w("};")
    w("const std::uint8_t BIG5_PLANE2_DATA[] = {")
    w(numbers(plane2, 32))
    w("};")
    w("const Gb18030Range GB18030_RANGES_DATA[] = {")
    for pointer, cp in indexes["gb18030-ranges"]:
        w("    {%d, %d}," % (pointer, cp))
    w("};")
    w("")
    w("}  // namespace")
    w("")
    w("const std::uint16_t* single_byte_table(Encoding e) {")
    w("  switch (e) {")
    for name, ident in ENCODINGS[1:29]:
        w("    case Encoding::%s: return SB_%s;" % (ident, re.sub(r"\W", "_", SINGLE_BYTE_INDEX[name]).upper()))
    w("    default: return nullptr;")
    w("  }")
    w("}")
    w("")
    for ident in ["JIS0208", "JIS0212", "EUC_KR", "GB18030", "BIG5"]:
        w("const std::span<const std::uint16_t> %s{%s_DATA};" % (ident, ident))
    w("const std::span<const std::uint8_t> BIG5_PLANE2{BIG5_PLANE2_DATA};")
    w("const std::span<const Gb18030Range> GB18030_RANGES{GB18030_RANGES_DATA};")
    w("")
    w("}  // namespace qx::encoding_data")
    pathlib.Path(sys.argv[2]).write_text("\n".join(out) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
