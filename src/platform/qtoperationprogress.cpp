// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtoperationprogress.h"

#include <QProgressDialog>

QtOperationProgress::~QtOperationProgress()
{
    delete m_dialog.data();
}

void QtOperationProgress::show(const QString &label, int percent, std::function<void()> cancel)
{
    m_cancel = std::move(cancel);
    if (!m_dialog) {
        m_dialog = new QProgressDialog(m_window);
        m_dialog->setObjectName(QStringLiteral("operationProgress"));
        m_dialog->setWindowTitle(QStringLiteral("Pagewell"));
        m_dialog->setWindowModality(Qt::NonModal);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        QObject::connect(m_dialog.data(), &QProgressDialog::canceled, m_dialog.data(), [this] {
            if (auto cancel = std::exchange(m_cancel, nullptr))
                cancel();
        });
    }
    m_dialog->setLabelText(label);
    m_dialog->setRange(0, percent < 0 ? 0 : 100);
    if (percent >= 0)
        m_dialog->setValue(percent);
    if (!m_dialog->isVisible())
        m_dialog->show();
}

void QtOperationProgress::hide()
{
    m_cancel = nullptr;
    if (m_dialog)
        m_dialog->hide();
}
