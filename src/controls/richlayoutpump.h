// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QTextDocument;

// Lays out a formatted document from top to bottom whenever the event loop has nothing else to
// do, in Qt's own steps, one after the other. Qt takes those steps on its own too, but waits
// 10 ms after each: a document of a few megabytes spent a third of its layout waiting. Between
// two steps the window answers as before.
class RichLayoutPump : public QObject
{
    Q_OBJECT

public:
    explicit RichLayoutPump(QObject *parent = nullptr);

    // Follows doc from now on: lays out what of it is not laid out, now and after any change
    // that has Qt lay it out again (a new width, an edit).
    void follow(QTextDocument *doc);
    bool isRunning() const { return m_timer.isActive(); }

private:
    void wake();
    void step();

    QPointer<QTextDocument> m_doc;
    QMetaObject::Connection m_sizeChanged;
    QTimer m_timer;
};
