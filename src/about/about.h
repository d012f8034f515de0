// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
struct Platform;

// The About box: the product, its version, and a button that starts the system's information
// tool. Not modal; it is destroyed when closed, by OK, Enter, Esc or the close box.
class about : public QDialog
{
    Q_OBJECT

public:
    explicit about(Platform &platform, QWidget *parent = nullptr);

    // Starts the system's information tool, or says that there is none.
    void StartSysInfo();

    // In tab order.
    QPushButton *cmdOK = nullptr;
    QLabel *picIcon = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString registeredToolPath(bool *found);
    bool startFromPath();

    Platform &m_platform;
};
