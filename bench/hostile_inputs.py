#!/usr/bin/env python3
"""Writes small files that inflate, and large ones of one repeated line, into a folder
(or, with --seeds FOLDER, smaller ones as fuzzer seeds).

Each must cost the tool under 300 MB and a few seconds, or be refused by name; run
bench/hostile_measure.sh on the folder to see peak memory and time. The files are made
here rather than kept in the repository, as some are large.
"""
import sys
import zipfile
from pathlib import Path

# The fuzzers' -max_len (scripts/run-fuzz): a longer seed is cut to it.
SEED_BYTES = 131072
SHEET_NS = ('xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
            'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"')
ODS_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')


def cell_name(row, column):
    letters = ""
    while column:
        column, rest = divmod(column - 1, 26)
        letters = chr(ord("A") + rest) + letters
    return f"{letters}{row}"


def xlsx(path, rows_xml, strings_xml=""):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr("xl/workbook.xml", f'<workbook {SHEET_NS}><sheets><sheet name="S" sheetId="1" r:id="rId1"/>'
                   '</sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels",
                   '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="rId1" Type="x/worksheet" Target="worksheets/sheet1.xml"/>'
                   '<Relationship Id="rId2" Type="x/sharedStrings" Target="sharedStrings.xml"/></Relationships>')
        z.writestr("xl/worksheets/sheet1.xml", f"<worksheet {SHEET_NS}><sheetData>{rows_xml}</sheetData></worksheet>")
        z.writestr("xl/sharedStrings.xml", f"<sst {SHEET_NS}>{strings_xml}</sst>")


def grid_of(cell):
    """99 x 99 cells, each given by cell(reference)."""
    return "".join(f'<row r="{r}">' + "".join(cell(cell_name(r, c)) for c in range(1, 100)) + "</row>"
                   for r in range(1, 100))


def ods(path, table_xml):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED)
        z.writestr("content.xml", f"<office:document-content {ODS_NS}><office:body><office:spreadsheet>"
                   f'<table:table table:name="T">{table_xml}</table:table>'
                   "</office:spreadsheet></office:body></office:document-content>")


def repeated_cells(cell_xml):
    return (f'<table:table-row table:number-rows-repeated="99">'
            f'<table:table-cell table:number-columns-repeated="99" {cell_xml}</table:table-row>')


def workbooks(out):
    """Small workbooks that inflate: each is a bomb for a reader that keeps what it cuts."""
    shared = lambda ref: f'<c r="{ref}" t="s"><v>0</v></c>'
    xlsx(out / "shared-1mb.xlsx", grid_of(shared), "<si><t>" + "a" * (1 << 20) + "</t></si>")
    xlsx(out / "shared-15mb.xlsx", grid_of(shared), "<si><t>" + "a" * (15 << 20) + "</t></si>")
    xlsx(out / "shared-rich-runs.xlsx", grid_of(shared), "<si>" + "<r><t>a</t></r>" * 200000 + "</si>")
    xlsx(out / "inline-cells.xlsx", grid_of(lambda ref: f'<c r="{ref}" t="inlineStr"><is><t>' + "b" * 1600 +
                                            "</t></is></c>"))
    xlsx(out / "many-cells.xlsx", "<row>" + "<c/>" * 4000000 + "</row>")
    ods(out / "string-value.ods", repeated_cells('office:value-type="string" office:string-value="' +
                                                 "s" * 100000 + '"/>'))
    ods(out / "paragraphs.ods", repeated_cells('office:value-type="string">' + "<text:p/>" * 1000000 +
                                               "</table:table-cell>"))
    ods(out / "repeated-rows.ods", '<table:table-row table:number-rows-repeated="1000000000">'
        '<table:table-cell table:number-columns-repeated="99" office:value-type="float" office:value="1"/>'
        "</table:table-row>")


def node_bombs(out):
    """Parts of 16 MB that inflate from some 30 KB into millions of XML nodes the old counter
    missed: attributes after a quoted ">", and runs of text between elements."""
    unit = '<c a=">" b="" c="" d="" e="" f=""/>x'
    bomb = unit * ((16 << 20) // len(unit) - 8)
    xlsx(out / "quoted-attributes.xlsx", '<row><c r="A1" t="s"><v>0</v></c>' + bomb + "</row>", "<si>" + bomb + "</si>")
    unit = '<text:s x=">" y="" z=""/>t'
    cells = unit * ((16 << 20) // len(unit) - 100)
    ods(out / "quoted-attributes.ods", f'<table:table-row><table:table-cell><text:p>{cells}</text:p>'
        "</table:table-cell></table:table-row>")


def compound(stream, name="Workbook", extra=()):
    """An OLE2 compound file of 4096-byte sectors: FAT sectors, one directory sector, then each
    stream (the workbook, then any (name, bytes) of extra), each at least 4096 bytes."""
    import struct
    streams = [(name, stream)] + list(extra)
    placed, sectors = [], 0
    for n, data in streams:
        data = data + b"\0" * (-len(data) % 4096 or (4096 if not data else 0))
        placed.append((n, data, sectors, len(data) // 4096))
        sectors += len(data) // 4096
    fat_sectors = (sectors + 1 + 1023) // 1024 + 1
    while fat_sectors * 1024 < fat_sectors + 1 + sectors:
        fat_sectors += 1
    first = fat_sectors + 1
    fat = [0xFFFFFFFD] * fat_sectors + [0xFFFFFFFE]
    for n, data, start, count in placed:
        fat += [first + start + k + 1 if k + 1 < count else 0xFFFFFFFE for k in range(count)]
    fat += [0xFFFFFFFF] * (fat_sectors * 1024 - len(fat))
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16 + struct.pack("<HHHHH", 0x3E, 4, 0xFFFE, 12, 6) +
              b"\0" * 6 + struct.pack("<IIIIIIIII", 0, fat_sectors, fat_sectors, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0))
    header += b"".join(struct.pack("<I", k) for k in range(fat_sectors))
    header += b"\xFF" * (4096 - len(header))

    def entry(n, kind, start, size, child=0xFFFFFFFF, right=0xFFFFFFFF):
        e = n.encode("utf-16-le").ljust(64, b"\0") + struct.pack("<HBBIII", (len(n) + 1) * 2, kind, 1, 0xFFFFFFFF,
                                                                  right, child)
        return e.ljust(0x74, b"\0") + struct.pack("<III", start, size, 0)

    directory = entry("Root Entry", 5, 0xFFFFFFFE, 0, child=1)
    for k, (n, data, start, count) in enumerate(placed):
        size = len(streams[k][1])
        directory += entry(n, 2, first + start, max(size, 4096), right=k + 2 if k + 1 < len(placed) else 0xFFFFFFFF)
    directory = directory.ljust(4096, b"\0")
    return (header + b"".join(struct.pack("<I", v) for v in fat) + directory +
            b"".join(data for n, data, start, count in placed))


def biff(globals_records, sheet_records):
    """A BIFF8 workbook stream: BOF, the globals, one BOUNDSHEET, EOF, then the sheet."""
    import struct
    record = lambda kind, data: struct.pack("<HH", kind, len(data)) + data
    bof = lambda kind: record(0x0809, struct.pack("<HHHH", 0x0600, kind, 0, 0))
    eof = record(0x000A, b"")
    head = bof(5) + globals_records
    sheet_at = len(head) + 4 + 8 + len(eof)
    return head + record(0x0085, struct.pack("<IBBH", sheet_at, 0, 0, 0)) + eof + bof(0x10) + sheet_records + eof


def xls_bombs(out, scale):
    """32 MiB of shared-string records: a table of millions of strings, and millions of cells
    naming one."""
    import struct
    record = lambda kind, data: struct.pack("<HH", kind, len(data)) + data
    size = int(scale * (32 << 20)) - 131072  # the whole file within the 32 MiB the readers take
    one = struct.pack("<HB", 1, 0) + b"a"  # a string of one Latin-1 character
    per = 8224 // len(one)
    chunk = one * per
    count = size // len(chunk)
    sst = record(0x00FC, struct.pack("<II", count * per, count * per) + chunk[:8216])
    sst += b"".join(record(0x003C, chunk) for _ in range(count))
    (out / "sst-strings.xls").write_bytes(compound(biff(sst, b"")))
    header = b"".join(record(0x00FD, struct.pack("<HHHI", 0, c, 0, 0)) for c in range(45))
    cells = b"".join(record(0x00FD, struct.pack("<HHHI", 1 + k // 99 % 60000, k % 99, 0, k)) for k in range(size // 14))
    (out / "sst-cells.xls").write_bytes(compound(biff(record(0x00FC, struct.pack("<II", 1, 1) + one), header + cells)))


def projects(out, scale):
    """Project files of one repeated line; scale 1 gives the sizes that were measured."""
    (out / "semicolons-groups.vlpj").write_bytes(b"[Groups]\r\n0=1;" + b";" * int(scale * (10 << 20)) + b"\r\n")
    (out / "semicolons-scenarios.vlpj").write_bytes(b"[Groups]\r\n0=1;g;1;\r\n[Scenarios]\r\n0=1;s;8;0;5;1;" +
                                                    b";" * int(scale * (10 << 20)) + b"\r\n")
    (out / "sections.vlpj").write_bytes(b"".join(b"[s%d]\r\n" % k for k in range(7 << 20))[:int(scale * (64 << 20))])
    (out / "sections-keys.vlpj").write_bytes(b"".join(b"[s%d]\r\nk=v\r\n" % k for k in range(5 << 20))
                                             [:int(scale * (64 << 20))])
    (out / "keys.vlpj").write_bytes(b"[Playlist]\r\n" + b"".join(b"k%d=v\r\n" % k for k in range(int(scale * 1400000))))
    (out / "playlist.vlpj").write_bytes(b"[Playlist]\r\n" + b"".join(b"%d=t\r\n" % k for k in range(int(scale * 1500000))))
    (out / "picture.vlpj").write_bytes(b"\x89PNG\r\n\x1a\n\0\0\0\rIHDR" + bytes(range(256)) * 64)


def full_project(scenario, playlist=b"", groups=32):
    """A project of 32 groups of 32 scenarios on the 32-zone device, every group in every zone;
    scenario(k) gives the text after "g;" of scenario k (name;hour;minute;volume;track;days...)."""
    lines = [b"[Project]", b"Name=P", "Device=Велтара ДК-М-32".encode("cp1251"), b"[Groups]"]
    lines += [b"%d=%d;g;" % (g, g + 1) + b";".join(b"%d" % z for z in range(1, 33)) for g in range(groups)]
    lines += [b"[Scenarios]"] + [b"%d=%d;%s" % (k, k // 32 + 1, scenario(k)) for k in range(groups * 32)]
    return b"\r\n".join(lines) + b"\r\n[Playlist]\r\n" + playlist


def track_projects(out):
    """tracks-*.vlpj for the tracks command, print-*.vlpj for print: 1,024 bells of long names
    within two hours under a one-hour track (some 400,000 overlaps), a 16 MiB playlist, names of
    16,000 letters, and a playlist of 380,000 lines behind a full schedule."""
    # A silent hour of MPEG-2 Layer III, 16 kHz mono at 8 kbit/s: frames of zeros decode to silence.
    hour = out / "silent-hour.mp3"
    hour.write_bytes((b"\xff\xf3\x18\xc0" + b"\0" * 32) * 100000)
    every_day = b";0;1;2;3;4;5;6"
    (out / "tracks-overlaps.vlpj").write_bytes(full_project(
        lambda k: b"n" * 4000 + b";%d;%d;20;1" % (8 + k % 120 // 60, k % 60) + every_day,
        b"0=1;" + str(hour).encode() + b"\r\n"))
    lines, size, k = [], 0, 0
    while size < (16 << 20) - 256:
        lines.append(b"%d=%d;/x/%d\r\n" % (k, k + 1, k))
        size += len(lines[-1])
        k += 1
    # One file spelled 100 ways: "./" and "//" put in, each line its own track.
    spellings = [str(out) + "/." * k + "/" + hour.name for k in range(100)]
    (out / "tracks-spellings.vlpj").write_bytes(b"[Playlist]\r\n" + b"".join(
        b"%d=%d;%s\r\n" % (k, k + 1, path.encode()) for k, path in enumerate(spellings)))
    (out / "tracks-playlist.vlpj").write_bytes(b"[Project]\r\nName=P\r\n[Playlist]\r\n" + b"".join(lines))
    (out / "print-long-names.vlpj").write_bytes(full_project(
        lambda k: b"n%d" % k + b"x" * 16000 + b";%d;%d;20;1" % (k % 32 * 45 // 60, k % 32 * 45 % 60) + every_day))
    playlist = b"".join(b"%d=%d;/nonexistent/track%d.mp3\r\n" % (i, i + 1, i) for i in range(380000))
    (out / "print-playlist.vlpj").write_bytes(full_project(
        lambda k: b"s;%d;%d;20;%d" % (k % 32 * 45 // 60, k % 32 * 45 % 60, 100000 + k) + every_day, playlist))


def schedules(out, scale):
    (out / "newlines.csv").write_bytes(b"\n" * int(scale * (16 << 20)))
    (out / "semicolons.csv").write_bytes(b";" * int(scale * (16 << 20)))
    (out / "quotes.csv").write_bytes(b'";"' * int(scale * (16 << 20) / 3))
    (out / "quote-unclosed.csv").write_bytes(b'"' + b";" * (int(scale * (16 << 20)) - 1))


def main(args):
    if args and args[0] == "--seeds":
        # Seeds for the fuzzers, one folder a target, each file within their -max_len.
        out = Path(args[1])
        for name in ("fuzz_workbook", "fuzz_projectfile", "fuzz_csv"):
            (out / name).mkdir(parents=True, exist_ok=True)
        workbooks(out / "fuzz_workbook")
        projects(out / "fuzz_projectfile", 1 / 128)
        schedules(out / "fuzz_csv", 1 / 128)
        for seed in out.glob("*/*"):
            if seed.stat().st_size > SEED_BYTES:
                seed.write_bytes(seed.read_bytes()[:SEED_BYTES])
        return
    out = Path(args[0] if args else "hostile")
    out.mkdir(parents=True, exist_ok=True)
    workbooks(out)
    node_bombs(out)
    xls_bombs(out, 1)
    track_projects(out)
    xlsx(out / "many-rows.xlsx", "".join(f'<row r="{r}"><c r="A{r}"><v>1</v></c></row>' for r in range(1, 300000)))
    projects(out, 1)
    schedules(out, 1)


if __name__ == "__main__":
    main(sys.argv[1:])
