// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// A ';'-separated list of wildcards such as "*.txt;*.htm". '*' matches any run of characters, '?'
// exactly one; a name matches when the whole name matches one wildcard, letters regardless of
// case. "*.*", "*" and an empty pattern mean all files. Built once, then matched per file name.
class FilePattern
{
public:
    FilePattern() = default; // all files
    explicit FilePattern(const QString &pattern);

    QString text() const { return m_text; }
    bool matchesAll() const { return m_all; }
    bool matches(QStringView name) const;

private:
    struct Wildcard
    {
        enum Kind { Suffix, Literal, General };
        Kind kind = General;
        QString folded; // Suffix: the text after the leading '*'; otherwise the whole wildcard
    };

    static bool globMatch(QStringView folded, QStringView name);

    QString m_text;
    bool m_all = true;
    QList<Wildcard> m_wildcards;
};
