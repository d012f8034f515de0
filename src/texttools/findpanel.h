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
    const QString &paneText();

    pgwell &w;
    // The pane's text as last searched, kept while the panel is open and the text unchanged,
    // so that each Find next costs the search alone, not a copy of a long text.
    QString m_text;
    bool m_textCurrent = false;
};
