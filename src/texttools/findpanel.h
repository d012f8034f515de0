#pragma once

#include <QObject>

class pgwell;

// The find panel: opening and closing it in place of the five buttons it covers, the word box
// with its grey hint, and Find / Find next stepping through the pane's text.
class FindPanel : public QObject
{
    Q_OBJECT

public:
    explicit FindPanel(pgwell &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open();
    void close();
    void findFirst();
    void findNext();
    void search(qsizetype start);
    void setWordColor(const QColor &color);
    // TextSearch::find over the pane's text where it is kept: each Find next costs the
    // search alone, not a copy of a long text.
    qsizetype find(const QString &word, qsizetype start) const;

    pgwell &w;
};
