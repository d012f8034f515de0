#pragma once

#include <QByteArrayView>
#include <QString>

#include <atomic>

class QTextDocument;

class RtfReader
{
public:
    // Clears doc and fills it with the formatted content; memory and time stay proportional to
    // the input, whatever it holds.
    // Once *stop is set (from another thread) the rest is not read: doc is left incomplete.
    static void read(QByteArrayView rtf, QTextDocument *doc,
                     const std::atomic<bool> *stop = nullptr);
    // The visible text, paragraphs separated by '\n'.
    static QString plainText(QByteArrayView rtf);
};
