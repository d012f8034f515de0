// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QString>

// The drive list: the root paths of the mounted volumes. driveChanged() tells when the user
// picks another volume or the program calls setDrive(); showDriveFor() is silent.
class DriveListBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveListBox(QWidget *parent = nullptr);

    QString drive() const; // root path, empty when the list is empty
    // Selects the volume and emits driveChanged(). False when no such volume is mounted.
    bool setDrive(const QString &root);
    // Selects the volume holding the folder without emitting anything.
    void showDriveFor(const QString &folder);
    // Reads the mounted volumes again, keeping the current one selected when still there.
    void refreshVolumes();

    QStringList drives() const;
    // The drive as the closed list shows it: shortened in the middle when it does not fit.
    QString shownText() const;

signals:
    void driveChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void onActivated(int index);
    void fill(const QStringList &roots);
    void select(const QString &root);

    QString m_shown; // the drive last reported or shown, so re-picking it is no change
};
