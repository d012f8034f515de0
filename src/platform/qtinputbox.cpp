// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtinputbox.h"

#include <QApplication>
#include <QInputDialog>

std::optional<QString> QtInputBox::ask(const QString &prompt, const QString &title,
                                       const QString &defaultText)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                                 QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}
