// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

class QTextCharFormat;
class QTextDocument;
class RtfOutput;

// The font and colour tables of an RTF file, gathered from the character formats of a
// document. Font 0 is the document's default font; colour 0 is the empty "auto" entry.
class RtfFormatTables
{
public:
    // step, when given, is called before each paragraph is looked at; the scan stops once it
    // returns false.
    explicit RtfFormatTables(const QTextDocument &doc, const std::function<bool()> &step = {});

    // The family a format sets explicitly, or an empty string.
    static QString explicitFamily(const QTextCharFormat &format);
    // The text's highlight colour, invalid for none.
    static QColor highlight(const QTextCharFormat &format);

    int fontIndex(const QString &family) const { return m_fontIndex.value(family, 0); }
    int colorIndex(QColor color) const { return m_colorIndex.value(color.rgb() | 0xff000000, 0); }
    // The number of an "auto" colour entry, which \cf and \highlight take for none; -1 when
    // the file's table has none.
    int autoColorIndex() const { return m_autoColor; }

    void write(RtfOutput &out) const;

private:
    void add(const QTextCharFormat &format);
    void addColor(QColor color);

    // The file's own tables, when the document was read from one: their entries keep their
    // numbers and new ones follow.
    QByteArray m_fileFonts;
    QByteArray m_fileColors;
    bool m_haveFileFonts = false;
    bool m_haveFileColors = false;
    int m_firstFont = 0;  // number of m_fonts.first()
    int m_firstColor = 1; // index of m_colors.first()
    int m_autoColor = 0;

    QList<QString> m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QRgb> m_colors;
    QHash<QRgb, int> m_colorIndex;
};
