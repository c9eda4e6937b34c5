#!/usr/bin/env python3
"""Writes the malformed workbook corpus into tests/engine/data/malformed/.

Every file must be refused by readXlsx with a clear error, quickly and without
a crash. Run it again after changing the list; the files are committed.
"""
import io
import os
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "data", "malformed")

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"

CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8"?>'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/xl/workbook.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
    '<Override PartName="/xl/worksheets/sheet1.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
    '<Override PartName="/xl/sharedStrings.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
    "</Types>"
)
ROOT_RELS = (
    '<?xml version="1.0" encoding="UTF-8"?>'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/></Relationships>' % REL
)
WORKBOOK_RELS = (
    '<?xml version="1.0" encoding="UTF-8"?>'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>'
    '<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/></Relationships>' % (REL, REL)
)


def workbook(names=""):
    return (
        '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s" xmlns:r="%s">'
        '<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets>%s</workbook>' % (MAIN, REL, names)
    )


def sheet(data):
    return '<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s"><sheetData>%s</sheetData></worksheet>' % (
        MAIN,
        data,
    )


def sst(body='<si><t>one</t></si>'):
    return '<?xml version="1.0" encoding="UTF-8"?><sst xmlns="%s">%s</sst>' % (MAIN, body)


def package(**overrides):
    parts = {
        "[Content_Types].xml": CONTENT_TYPES,
        "_rels/.rels": ROOT_RELS,
        "xl/workbook.xml": workbook(),
        "xl/_rels/workbook.xml.rels": WORKBOOK_RELS,
        "xl/worksheets/sheet1.xml": sheet('<row r="1"><c r="A1"><v>1</v></c></row>'),
        "xl/sharedStrings.xml": sst(),
    }
    for name, content in overrides.items():
        key = "[Content_Types].xml" if name == "CT" else name.replace("__", "/")[: -len("_xml")] + ".xml"
        if content is None:
            parts.pop(key, None)
        else:
            parts[key] = content
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, content in parts.items():
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, content.encode() if isinstance(content, str) else content)
    return buffer.getvalue()


def stored_with_bad_crc():
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_STORED) as archive:
        archive.writestr(zipfile.ZipInfo("[Content_Types].xml", (1980, 1, 1, 0, 0, 0)), CONTENT_TYPES)
    data = bytearray(buffer.getvalue())
    at = data.find(b"<Types")
    data[at + 1] ^= 0x20  # the stored bytes no longer match their checksum
    return bytes(data)


BILLION_LAUGHS = (
    '<?xml version="1.0"?><!DOCTYPE sst [<!ENTITY a "aaaaaaaaaa">'
    '<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;"><!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">'
    '<!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;"><!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">'
    '<!ENTITY f "&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;"><!ENTITY g "&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;">]>'
    '<sst xmlns="%s"><si><t>&g;</t></si></sst>' % MAIN
)
EXTERNAL_ENTITY = (
    '<?xml version="1.0"?><!DOCTYPE sst [<!ENTITY x SYSTEM "file:///etc/passwd">]>'
    '<sst xmlns="%s"><si><t>&x;</t></si></sst>' % MAIN
)


def deep_formula(depth):
    return "(" * depth + "1" + ")" * depth


CORPUS = {
    "empty.xlsx": b"",
    "not-a-zip.xlsx": b"This is a text file pretending to be a workbook.\n",
    "legacy-ole-header.xlsx": bytes.fromhex("d0cf11e0a1b11ae1") + b"\0" * 504,
    "truncated.xlsx": package()[:300],
    "bad-crc.xlsx": stored_with_bad_crc(),
    "no-content-types.xlsx": package(CT=None),
    "no-workbook-part.xlsx": package(xl__workbook_xml=None),
    "missing-sheet-part.xlsx": package(xl__worksheets__sheet1_xml=None),
    "not-a-spreadsheet.xlsx": package(CT=CONTENT_TYPES.replace("spreadsheetml.sheet.main+xml", "wordprocessingml.document.main+xml")),
    "workbook-xml-error.xlsx": package(xl__workbook_xml=workbook()[:-12]),
    "sheet-xml-error.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="A1"><v>1</c></row>')),
    "no-sheets.xlsx": package(xl__workbook_xml=workbook().replace('<sheet name="Sheet1" sheetId="1" r:id="rId1"/>', "")),
    "entity-expansion.xlsx": package(xl__sharedStrings_xml=BILLION_LAUGHS),
    "external-entity.xlsx": package(xl__sharedStrings_xml=EXTERNAL_ENTITY),
    "deep-formula.xlsx": package(
        xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="A1"><f>%s</f><v>1</v></c></row>' % deep_formula(10000))
    ),
    "deep-name.xlsx": package(
        xl__workbook_xml=workbook('<definedNames><definedName name="Deep">%s</definedName></definedNames>'
                                  % deep_formula(10000))
    ),
    "cell-ref-A0.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="A0"><v>1</v></c></row>')),
    "cell-ref-XFE1.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="XFE1"><v>1</v></c></row>')),
    "cell-ref-garbage.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="1A$"><v>1</v></c></row>')),
    "row-out-of-range.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="1048577"><c><v>1</v></c></row>')),
    "row-negative.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="-5"><c><v>1</v></c></row>')),
    "col-out-of-range.xlsx": package(
        xl__worksheets__sheet1_xml=sheet("").replace("<sheetData>", '<cols><col min="1" max="20000" width="9"/></cols><sheetData>')
    ),
    "shared-string-index.xlsx": package(
        xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="A1" t="s"><v>99</v></c></row>')
    ),
    "bad-number.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="A1"><v>12abc</v></c></row>')),
    "bad-boolean.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="A1" t="b"><v>maybe</v></c></row>')),
    "unknown-cell-type.xlsx": package(xl__worksheets__sheet1_xml=sheet('<row r="1"><c r="A1" t="zz"><v>1</v></c></row>')),
    "name-sheet-out-of-range.xlsx": package(
        xl__workbook_xml=workbook('<definedNames><definedName name="X" localSheetId="7">1</definedName></definedNames>')
    ),
    "duplicate-sheet-names.xlsx": package(
        xl__workbook_xml=workbook().replace(
            "</sheets>", '<sheet name="sheet1" sheetId="2" r:id="rId1"/></sheets>'
        )
    ),
    # 12 MB of blanks inside a sheet: a few kilobytes compressed.
    "zip-bomb.xlsx": package(xl__worksheets__sheet1_xml=sheet(" " * 12_000_000)),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in CORPUS.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    # The untouched package, to show that the corpus fails for its faults alone.
    with open(os.path.join(OUT, "..", "minimal-by-script.xlsx"), "wb") as f:
        f.write(package())
    print("wrote %d files to %s" % (len(CORPUS), os.path.normpath(OUT)))


if __name__ == "__main__":
    main()
