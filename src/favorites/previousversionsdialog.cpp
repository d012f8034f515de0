// SPDX-License-Identifier: GPL-3.0-or-later
#include "previousversionsdialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

PreviousVersionsDialog::PreviousVersionsDialog(const QString &path,
                                               const QList<VersionStore::Version> &versions,
                                               QWidget *parent)
    : QDialog(parent), m_versions(versions)
{
    setObjectName(QStringLiteral("previousVersions"));
    setWindowTitle(QStringLiteral("Previous versions"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(
        versions.isEmpty()
            ? QStringLiteral("No earlier version of %1 is kept.")
                  .arg(QDir::toNativeSeparators(path))
            : QStringLiteral("Earlier versions of %1:").arg(QDir::toNativeSeparators(path)),
        this);
    heading->setWordWrap(true);
    layout->addWidget(heading);

    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels(
        {QStringLiteral("Kept"), QStringLiteral("Size"), QStringLiteral("Replaced by")});
    const QLocale locale;
    for (const VersionStore::Version &version : versions) {
        auto *item = new QTreeWidgetItem(
            m_list,
            {locale.toString(version.time.toLocalTime(), QLocale::ShortFormat),
             locale.formattedDataSize(version.size), VersionStore::reasonText(version.reason)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_list);

    auto *buttons = new QDialogButtonBox(this);
    m_show = buttons->addButton(QStringLiteral("&Show"), QDialogButtonBox::ActionRole);
    m_restore = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &PreviousVersionsDialog::onChosen);
    connect(m_show, &QPushButton::clicked, this, [this] {
        if (const VersionStore::Version *version = chosen())
            emit showRequested(*version);
    });
    connect(m_restore, &QPushButton::clicked, this, [this] {
        if (const VersionStore::Version *version = chosen()) {
            const VersionStore::Version restored = *version;
            close(); // the list is out of date once the file is written
            emit restoreRequested(restored);
        }
    });
    if (!versions.isEmpty())
        m_list->setCurrentItem(m_list->topLevelItem(0));
    onChosen();
    resize(480, 300);
}

const VersionStore::Version *PreviousVersionsDialog::chosen() const
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    return row >= 0 && row < m_versions.size() ? &m_versions.at(row) : nullptr;
}

void PreviousVersionsDialog::onChosen()
{
    const bool any = chosen() != nullptr;
    m_show->setEnabled(any);
    m_restore->setEnabled(any);
}
