# SPDX-License-Identifier: GPL-3.0-or-later
"""Outline of what LibreOffice read from a document, for comparing two readings.

    python3 scripts/odt-outline.py A.odt            prints the outline
    python3 scripts/odt-outline.py A.odt B.odt      prints "same" or the lines that differ

The outline has one line per paragraph (its place in tables, its list level and numbering
format, alignment and direction, text with note citations and fields marked inline), one line
per table (its grid and every cell's span) and one line per note (class, citation, text).
Names LibreOffice invents (style and list names) are left out, so two readings of the same
content give the same outline.
"""
import difflib
import sys
import xml.etree.ElementTree as ET
import zipfile

NS = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "style": "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "fo": "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0",
    "xlink": "http://www.w3.org/1999/xlink",
    "draw": "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0",
    "loext": "urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0",
}


def q(name):
    prefix, local = name.split(":")
    return "{%s}%s" % (NS[prefix], local)


# Text elements that only carry text or mark places; everything else in the text namespace
# inside a paragraph is a field and is named in the outline.
PLAIN = {q("text:span"), q("text:s"), q("text:tab"), q("text:line-break"), q("text:soft-page-break"),
         q("text:bookmark"), q("text:bookmark-start"), q("text:bookmark-end"),
         q("text:reference-mark"), q("text:reference-mark-start"), q("text:reference-mark-end"),
         q("text:alphabetical-index-mark"), q("text:toc-mark"), q("text:change"),
         q("text:change-start"), q("text:change-end"), q("text:ruby"), q("text:ruby-base"),
         q("text:ruby-text")}


class Styles:
    """Paragraph styles and list styles from content.xml and styles.xml, parents followed."""

    def __init__(self, roots):
        self.paragraph = {}
        self.lists = {}
        for root in roots:
            for st in root.iter(q("style:style")):
                if st.get(q("style:family")) == "paragraph":
                    self.paragraph[st.get(q("style:name"))] = st
            for ls in root.iter(q("text:list-style")):
                self.lists[ls.get(q("style:name"))] = ls

    def para_property(self, name, attr):
        seen = set()
        while name and name not in seen:
            seen.add(name)
            st = self.paragraph.get(name)
            if st is None:
                return None
            props = st.find(q("style:paragraph-properties"))
            if props is not None and props.get(attr) is not None:
                return props.get(attr)
            name = st.get(q("style:parent-style-name"))
        return None

    def list_style_of(self, name):
        seen = set()
        while name and name not in seen:
            seen.add(name)
            st = self.paragraph.get(name)
            if st is None:
                return None
            if st.get(q("style:list-style-name")):
                return st.get(q("style:list-style-name"))
            name = st.get(q("style:parent-style-name"))
        return None

    def level_format(self, list_name, level):
        ls = self.lists.get(list_name)
        if ls is None:
            return "?"
        for lv in ls:
            if lv.get(q("text:level")) == str(level):
                if lv.tag == q("text:list-level-style-number"):
                    shown = lv.get("{%s}num-list-format" % NS["loext"])
                    if shown is None:
                        shown = "%s%s%s" % (lv.get(q("style:num-prefix"), ""),
                                            lv.get(q("style:num-format"), ""),
                                            lv.get(q("style:num-suffix"), ""))
                    return "num %s as %s from %s" % (shown, lv.get(q("style:num-format"), ""),
                                                     lv.get(q("text:start-value"), "1"))
                if lv.tag == q("text:list-level-style-bullet"):
                    return "bullet %s" % lv.get(q("text:bullet-char"), "")
                return "none"
        return "?"


class Outline:
    def __init__(self, path):
        with zipfile.ZipFile(path) as z:
            content = ET.fromstring(z.read("content.xml"))
            styles = ET.fromstring(z.read("styles.xml"))
        self.styles = Styles([content, styles])
        self.lines = []
        self.notes = []
        self.tables = 0
        body = content.find(q("office:body")).find(q("office:text"))
        self.walk(body, place="", lists=[])
        self.lines.extend(self.notes)

    def walk(self, element, place, lists):
        for child in element:
            if child.tag in (q("text:p"), q("text:h")):
                self.paragraph(child, place, lists)
            elif child.tag == q("text:list"):
                self.walk(child, place, lists + [child])
            elif child.tag in (q("text:list-item"), q("text:list-header"), q("text:section")):
                self.walk(child, place, lists)
            elif child.tag == q("table:table"):
                self.table(child, place)
            elif child.tag in (q("text:sequence-decls"), q("office:forms"),
                               q("text:variable-decls"), q("text:user-field-decls")):
                continue
            else:
                self.walk(child, place, lists)

    def table(self, element, place):
        self.tables += 1
        name = "%sT%d" % (place, self.tables)
        columns = sum(int(col.get(q("table:number-columns-repeated"), "1"))
                      for col in self.columns_of(element))
        rows = []
        for r, row in enumerate(self.rows_of(element)):
            cells = []
            for c, cell in enumerate(x for x in row if x.tag in (q("table:table-cell"),
                                                                 q("table:covered-table-cell"))):
                if cell.tag == q("table:covered-table-cell"):
                    cells.append("-")
                    continue
                span = "%sx%s" % (cell.get(q("table:number-columns-spanned"), "1"),
                                  cell.get(q("table:number-rows-spanned"), "1"))
                cells.append(span)
                self.walk(cell, "%s.%d.%d/" % (name, r, c), [])
            rows.append(" ".join(cells))
        self.lines.append("table %s rows=%d columns=%d | %s" % (name, len(rows), columns,
                                                                 " | ".join(rows)))

    def columns_of(self, element):
        for child in element:
            if child.tag == q("table:table-column"):
                yield child
            elif child.tag in (q("table:table-columns"), q("table:table-header-columns"),
                               q("table:table-column-group")):
                yield from self.columns_of(child)

    def rows_of(self, element):
        for child in element:
            if child.tag == q("table:table-row"):
                yield child
            elif child.tag in (q("table:table-rows"), q("table:table-header-rows"),
                               q("table:table-row-group")):
                yield from self.rows_of(child)

    def paragraph(self, element, place, lists):
        style = element.get(q("text:style-name"))
        align = self.styles.para_property(style, q("fo:text-align")) or "start"
        mode = self.styles.para_property(style, q("style:writing-mode")) or "lr-tb"
        listed = ""
        if lists:
            list_style = None
            for lst in lists:
                list_style = lst.get(q("text:style-name")) or list_style
            list_style = list_style or self.styles.list_style_of(style)
            level = len(lists)
            listed = " list L%d %s" % (level, self.styles.level_format(list_style, level))
        text = self.text_of(element)
        self.lines.append("p %s[%s %s%s] %s" % (place, align, mode, listed, text))

    def text_of(self, element):
        parts = [element.text or ""]
        for child in element:
            if child.tag == q("text:note"):
                cls = child.get(q("text:note-class"))
                cite = child.find(q("text:note-citation"))
                mark = "".join(cite.itertext()) if cite is not None else ""
                body = child.find(q("text:note-body"))
                note_text = " / ".join(self.text_of(p) for p in body.iter()
                                       if p.tag in (q("text:p"), q("text:h")))
                parts.append("[%s %s]" % (cls, mark))
                self.notes.append("note %s %s: %s" % (cls, mark, note_text))
            elif child.tag == q("text:s"):
                parts.append(" " * int(child.get(q("text:c"), "1")))
            elif child.tag == q("text:tab"):
                parts.append("\\t")
            elif child.tag == q("text:line-break"):
                parts.append("\\n")
            elif child.tag == q("text:a"):
                parts.append("{link %s: %s}" % (child.get(q("xlink:href")), self.text_of(child)))
            elif child.tag in PLAIN or not child.tag.startswith("{%s}" % NS["text"]):
                if child.tag == q("draw:frame"):
                    parts.append("{frame}")
                else:
                    parts.append(self.text_of(child))
            else:
                local = child.tag.split("}")[1]
                # A clock's reading changes between two conversions; its presence is what counts.
                shown = "" if local in ("time", "date") else self.text_of(child)
                parts.append("{%s: %s}" % (local, shown))
            parts.append(child.tail or "")
        return "".join(parts)


def main(argv):
    if len(argv) == 2:
        print("\n".join(Outline(argv[1]).lines))
        return 0
    if len(argv) != 3:
        print(__doc__)
        return 2
    a, b = Outline(argv[1]).lines, Outline(argv[2]).lines
    if a == b:
        print("same")
        return 0
    for line in difflib.unified_diff(a, b, argv[1], argv[2], lineterm="", n=0):
        print(line)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
