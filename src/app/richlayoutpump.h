#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTextDocument;

// Lays out a formatted document from top to bottom whenever the event loop has nothing else to
// do, in Qt's own steps, one after the other. Qt takes those steps on its own too, but waits
// 10 ms after each: a document of a few megabytes spent a third of its layout waiting. Between
// two slices the window answers as before.
class RichLayoutPump : public QObject
{
    Q_OBJECT

public:
    explicit RichLayoutPump(QObject *parent = nullptr);

    // Follows doc from now on: lays out what of it is not laid out, now and after any change
    // that has Qt lay it out again (a new width, an edit).
    void follow(QTextDocument *doc);
    bool isRunning() const { return m_timer.isActive(); }

    static constexpr int sliceMs = 10; // steps taken before the window gets its turn

private:
    void wake();
    void slice();

    QPointer<QTextDocument> m_doc;
    QMetaObject::Connection m_sizeChanged;
    QTimer m_timer;
};
