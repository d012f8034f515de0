// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "operationprogress.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

// A progress dialog beside the window, which stays usable: reading and scrolling go on while
// the operation runs, and Cancel stops it.
class QtOperationProgress : public OperationProgress
{
public:
    explicit QtOperationProgress(QWidget *window) : m_window(window) {}
    ~QtOperationProgress() override;

    void show(const QString &label, int percent, std::function<void()> cancel) override;
    void hide() override;

private:
    QPointer<QWidget> m_window;
    QPointer<QProgressDialog> m_dialog;
    std::function<void()> m_cancel;
};
