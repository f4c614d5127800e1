#!/usr/bin/env python3
"""Checks of what the browser made of a ledger report, Python's standard
library only (tests/ledger/report_browser_test.sh runs them):

  screenshot PNG            the picture is not blank: many colours, and the
                            commonest one covers less than 97 % of it
  dom DUMP --points N [--verified N --single N --conflict N] [--name TEXT]
                            the DOM chromium dumped holds the plot with N
                            marks (and so many of each state), the strip,
                            the sections, and TEXT as text, never as markup
  svg FILE --points N       the plot is well-formed XML with N marks

Each prints one line of what it found; the status is 0 when it holds.
"""
import argparse
import collections
import html.parser
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zlib


def read_png(path):
    """The rows of an 8-bit RGB or RGBA PNG (what chromium writes), as bytes."""
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG file')
    pos, idat, header = 8, [], None
    while pos + 8 <= len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat.append(body)
        pos += 12 + length
    if header is None:
        raise ValueError('no IHDR chunk')
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError('PNG of depth %d, colour type %d, interlace %d' % (depth, colour, interlace))
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(b''.join(idat))
    stride = width * bpp
    prev = bytearray(stride)
    rows = []
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1:start + 1 + stride])
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif kind == 2:
            line = bytearray((a + b) & 255 for a, b in zip(line, prev))
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + (left + prev[i]) // 2) & 255
        elif kind == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        elif kind != 0:
            raise ValueError('row %d has filter %d' % (y, kind))
        rows.append(bytes(line))
        prev = line
    return width, height, bpp, rows


def check_screenshot(args):
    width, height, bpp, rows = read_png(args.png)
    counts = collections.Counter()
    for row in rows:
        for i in range(0, len(row), bpp):
            counts[row[i:i + 3]] += 1
    commonest = counts.most_common(1)[0][1] / float(width * height)
    print('%dx%d, %d colours, the commonest on %.1f %% of the picture' %
          (width, height, len(counts), 100 * commonest))
    return len(counts) >= 16 and commonest < 0.97


class PageReader(html.parser.HTMLParser):
    """The marks by state, the classes of the SVG elements, the start tags
    and the text of a page."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.marks = collections.Counter()
        self.classes = set()
        self.tags = collections.Counter()
        self.text = []

    def handle_starttag(self, tag, attrs):
        self.tags[tag] += 1
        cls = dict(attrs).get('class') or ''
        self.classes.add(cls)
        words = cls.split()
        if len(words) == 2 and words[0] == 'point':
            self.marks[words[1]] += 1

    handle_startendtag = handle_starttag

    def handle_data(self, data):
        self.text.append(data)


def check_dom(args):
    reader = PageReader()
    reader.feed(open(args.dump, encoding='utf-8').read())
    reader.close()
    text = ''.join(reader.text)
    faults = []
    total = sum(reader.marks.values())
    if total != args.points:
        faults.append('%d marks where the ledger has %d points' % (total, args.points))
    for state in ('verified', 'single', 'conflict'):
        want = getattr(args, state)
        if want is not None and reader.marks[state] != want:
            faults.append('%d %s marks where %d are due' % (reader.marks[state], state, want))
    for cls in ('deviation-plot', 'coverage-strip'):
        if cls not in reader.classes:
            faults.append('no element of class %s' % cls)
    for words in ('Deviation from Li(x)', 'Coverage of the grid', 'Conflicts (', 'Live reservations (',
                  'points verified', '10\u00b9\u2078'):
        if words not in text:
            faults.append('no text "%s"' % words)
    if args.name is not None:
        if args.name not in text:
            faults.append('the name %r is not in the text' % args.name)
        if reader.tags['b']:
            faults.append('a <b> element: a name was taken for markup')
    print('%d marks (%s), %d elements' %
          (total, ', '.join('%d %s' % (n, s) for s, n in sorted(reader.marks.items())), sum(reader.tags.values())))
    for fault in faults:
        print('  ' + fault)
    return not faults


def check_svg(args):
    root = ElementTree.parse(args.file).getroot()
    marks = [e for e in root.iter() if (e.get('class') or '').split()[:1] == ['point']]
    print('well-formed, %d marks' % len(marks))
    return root.tag == '{http://www.w3.org/2000/svg}svg' and len(marks) == args.points


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    commands = parser.add_subparsers(dest='command', required=True)
    screenshot = commands.add_parser('screenshot')
    screenshot.add_argument('png')
    dom = commands.add_parser('dom')
    dom.add_argument('dump')
    dom.add_argument('--points', type=int, required=True)
    for state in ('verified', 'single', 'conflict'):
        dom.add_argument('--' + state, type=int)
    dom.add_argument('--name')
    svg = commands.add_parser('svg')
    svg.add_argument('file')
    svg.add_argument('--points', type=int, required=True)
    args = parser.parse_args()
    check = {'screenshot': check_screenshot, 'dom': check_dom, 'svg': check_svg}[args.command]
    try:
        return 0 if check(args) else 1
    except (OSError, ValueError, ElementTree.ParseError, zlib.error) as error:
        print('cannot be read: %s' % error)
        return 1


if __name__ == '__main__':
    sys.exit(main())
