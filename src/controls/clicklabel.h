// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A label or picture that reports the mouse: press, release, move and click. The click comes
// after the release, when the release happens over the control. The second press of a
// double-click shows as a press but clicks nothing: a double-click runs the click once.
class ClickLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickLabel(const QString &caption = QString(), QWidget *parent = nullptr);

    // Setting the caption reports a change, also when done by the program.
    void setCaption(const QString &caption);
    QString caption() const { return text(); }
    // Runs what a click runs, as a button's click() does.
    void click() { emit clicked(); }

signals:
    void clicked();
    void pressed(Qt::MouseButton button, const QPoint &pos);
    void released(Qt::MouseButton button, const QPoint &pos);
    void moved(Qt::MouseButtons buttons, const QPoint &pos);
    void captionChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool m_secondPress = false; // the button went down for the second time of a double-click
};
