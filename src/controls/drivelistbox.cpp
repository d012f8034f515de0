// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/drivelistbox.h"

#include "files/volumes.h"

#include <QAbstractItemView>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>

DriveListBox::DriveListBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    // The list keeps the place it was given; a long mount point is shortened, not widened for.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(4);
    view()->setTextElideMode(Qt::ElideMiddle);
    // activated() and not currentIndexChanged(): only the user's pick is a change, so
    // showDriveFor() and refreshing can select an entry silently.
    connect(this, &QComboBox::activated, this, &DriveListBox::onActivated);
    fill(Volumes::roots());
}

QString DriveListBox::drive() const
{
    return currentData().toString();
}

QStringList DriveListBox::drives() const
{
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots.append(itemData(i).toString());
    return roots;
}

bool DriveListBox::setDrive(const QString &root)
{
    if (findData(root) < 0)
        refreshVolumes(); // it may have been mounted since the list was read
    if (findData(root) < 0)
        return false;
    select(root);
    emit driveChanged();
    return true;
}

void DriveListBox::showDriveFor(const QString &folder)
{
    if (count() == 0)
        return;
    select(Volumes::volumeFor(folder, drives()));
}

void DriveListBox::refreshVolumes()
{
    const QString previous = drive();
    fill(Volumes::roots());
    if (!previous.isEmpty())
        select(Volumes::volumeFor(previous, drives()));
}

void DriveListBox::fill(const QStringList &roots)
{
    clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString &root : roots) {
        addItem(icon, root, root);
        setItemData(count() - 1, root, Qt::ToolTipRole);
    }
    m_shown = drive();
}

void DriveListBox::select(const QString &root)
{
    const int index = findData(root);
    if (index >= 0)
        setCurrentIndex(index);
    m_shown = drive();
}

void DriveListBox::onActivated(int index)
{
    const QString picked = itemData(index).toString();
    if (picked == m_shown)
        return;
    m_shown = picked;
    emit driveChanged();
}

QString DriveListBox::shownText() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (!option.currentIcon.isNull())
        field.setLeft(field.left() + option.iconSize.width() + 4);
    return fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, field.width() - 2);
}

void DriveListBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
