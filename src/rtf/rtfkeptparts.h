// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The parts of the file the pane does not show but a save writes back as they were (groups
// kept whole, hidden text, document words), in the order they came, until they go to the sink
// just before what follows them is shown: until then a group that turns out to show nothing
// can take them back, being kept whole itself.
class RtfKeptParts
{
public:
    void reset()
    {
        m_kept.clear();
        m_sent = 0;
    }
    bool isEmpty() const { return m_kept.isEmpty(); }
    // Bytes kept so far, sent or not: a point to take back to.
    qint64 position() const { return m_sent + m_kept.size(); }
    void append(QByteArrayView rtf) { m_kept.append(rtf); }
    QByteArray &pending() { return m_kept; }
    // Drops the parts kept since the given position. False when some of them have gone to the
    // sink already.
    bool takeBack(qint64 position);
    // The parts not sent yet, which are sent now.
    QByteArray send();

    // The bytes of a group the file never closed, from its { to the last whole token, closed
    // as a reader closes it at the end of the file.
    static QByteArray closedSlice(QByteArrayView input, qsizetype start);

private:
    QByteArray m_kept; // kept parts not yet given to the sink
    qint64 m_sent = 0; // bytes of kept parts given to the sink
};
