// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A label for a path that may be longer than the room it has: shortened in the middle, where
// a path says least, and whole in its tooltip.
class ElidedPathLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedPathLabel(QWidget *parent = nullptr);

    void setPath(const QString &prefix, const QString &path, const QString &suffix = {});
    QString fullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void elide();

    QString m_full;
};
