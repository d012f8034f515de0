#include "caseconversion.h"

QString CaseConversion::convert(const QString &text, CaseMode mode)
{
    switch (mode) {
    case CaseMode::Upper:
        return text.toUpper();
    case CaseMode::Lower:
        return text.toLower();
    case CaseMode::None:
        break;
    }
    return text;
}

std::optional<CaseConversion::Edit> CaseConversion::forChange(QStringView text, qsizetype from,
                                                              qsizetype to, CaseMode mode)
{
    if (mode == CaseMode::None)
        return std::nullopt;
    from = qBound<qsizetype>(0, from, text.size());
    to = qBound(from, to, text.size());
    if (from > 0 && from < text.size() && text[from].isLowSurrogate() &&
        text[from - 1].isHighSurrogate())
        --from;
    if (to > 0 && to < text.size() && text[to - 1].isHighSurrogate() && text[to].isLowSurrogate())
        ++to;
    if (from == to)
        return std::nullopt;
    const QStringView part = text.sliced(from, to - from);
    QString replacement = convert(part.toString(), mode);
    if (replacement == part)
        return std::nullopt;
    return Edit{from, to - from, std::move(replacement)};
}
