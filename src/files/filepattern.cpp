// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/filepattern.h"

FilePattern::FilePattern(const QString &pattern) : m_text(pattern), m_all(false)
{
    const QStringList parts = pattern.split(u';', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString wildcard = part.trimmed();
        if (wildcard.isEmpty())
            continue;
        // "*.*" is the old way of saying all files, names without a dot included.
        if (wildcard == u"*" || wildcard == u"*.*") {
            m_all = true;
            m_wildcards.clear();
            return;
        }
        Wildcard compiled;
        const QString folded = wildcard.toCaseFolded();
        const bool hasQuestion = folded.contains(u'?');
        const qsizetype stars = folded.count(u'*');
        if (stars == 0 && !hasQuestion) {
            compiled.kind = Wildcard::Literal;
            compiled.folded = folded;
        } else if (stars == 1 && folded.startsWith(u'*') && !hasQuestion) {
            // The common "*.ext" case: a suffix compare instead of a glob walk.
            compiled.kind = Wildcard::Suffix;
            compiled.folded = folded.mid(1);
        } else {
            compiled.kind = Wildcard::General;
            compiled.folded = folded;
        }
        m_wildcards.append(compiled);
    }
    if (m_wildcards.isEmpty())
        m_all = true;
}

bool FilePattern::matches(QStringView name) const
{
    if (m_all)
        return true;
    for (const Wildcard &wildcard : m_wildcards) {
        switch (wildcard.kind) {
        case Wildcard::Suffix:
            if (name.endsWith(wildcard.folded, Qt::CaseInsensitive))
                return true;
            break;
        case Wildcard::Literal:
            if (name.compare(wildcard.folded, Qt::CaseInsensitive) == 0)
                return true;
            break;
        case Wildcard::General:
            if (globMatch(wildcard.folded, name))
                return true;
            break;
        }
    }
    return false;
}

// Linear-time glob walk: on a mismatch, go back to the last '*' and let it take one more
// character, so no pattern can make it explode.
bool FilePattern::globMatch(QStringView folded, QStringView name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < folded.size() && folded[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < folded.size() &&
                   (folded[p] == u'?' || folded[p] == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < folded.size() && folded[p] == u'*')
        ++p;
    return p == folded.size();
}
