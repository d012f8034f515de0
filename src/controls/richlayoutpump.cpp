// SPDX-License-Identifier: GPL-3.0-or-later
#include "richlayoutpump.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

bool laidOut(const QTextBlock &block)
{
    return block.layout()->lineCount() > 0;
}

// Qt lays a document out from its top: the blocks laid out come first. The first block after
// them, or an invalid block when all are.
QTextBlock firstNotLaidOut(const QTextDocument &doc)
{
    int low = 0;
    int high = doc.blockCount(); // blocks before low are laid out, from high on they are not
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (laidOut(doc.findBlockByNumber(middle)))
            low = middle + 1;
        else
            high = middle;
    }
    return doc.findBlockByNumber(low);
}

} // namespace

RichLayoutPump::RichLayoutPump(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &RichLayoutPump::step);
}

void RichLayoutPump::follow(QTextDocument *doc)
{
    disconnect(m_sizeChanged);
    m_doc = doc;
    m_timer.stop();
    if (!doc)
        return;
    // Qt reports a new size whenever it laid out more or has to lay out again.
    m_sizeChanged =
        connect(doc->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
                &RichLayoutPump::wake);
    wake();
}

void RichLayoutPump::wake()
{
    if (m_doc && !m_timer.isActive())
        m_timer.start();
}

void RichLayoutPump::step()
{
    if (!m_doc) {
        m_timer.stop();
        return;
    }
    const QTextBlock next = firstNotLaidOut(*m_doc);
    if (!next.isValid()) {
        m_timer.stop(); // all laid out
        return;
    }
    // Hit-testing a point just below what is laid out has Qt take its next step there; its
    // steps grow as they go, as when it takes them on its own.
    QAbstractTextDocumentLayout *layout = m_doc->documentLayout();
    const QTextBlock before = next.previous();
    const qreal bottom = before.isValid() ? layout->blockBoundingRect(before).bottom() : 0;
    layout->hitTest(QPointF(0, bottom + 1), Qt::FuzzyHit);
    if (!laidOut(next))
        m_timer.stop(); // a block Qt does not lay out (hidden): its own steps go on
}
