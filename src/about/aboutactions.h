#pragma once

#include "about/about.h"

#include <QObject>
#include <QPointer>

class pgwell;

// The title bar's "A": shows the About box, creating it when there is none, so that there is
// never more than one.
class AboutActions : public QObject
{
    Q_OBJECT

public:
    explicit AboutActions(pgwell &window);

    void showAbout();
    about *box() const { return m_box; }

private:
    pgwell &w;
    QPointer<about> m_box;
};
