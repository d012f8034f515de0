#include "stashwindow.h"

#include "platform/clipboard.h"
#include "platform/environment.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "texttools/clipslots.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString title = QStringLiteral("Vantrel Stash");
constexpr qsizetype shownChars = 64 * 1024;
} // namespace

StashWindow::StashWindow(Platform &platform, QWidget *parent)
    : QWidget(parent), m_platform(platform),
      m_folder(ClipSlots::folder(platform.environment.value(QStringLiteral("windir"))))
{
    setObjectName(QStringLiteral("sbx"));
    setWindowTitle(title);
    setWindowIcon(QIcon(QStringLiteral(":/sbx/clip.svg")));

    auto *heading = new QLabel(QStringLiteral("Clips from Pagewell"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    slotList = new QListWidget(this);
    slotList->setObjectName(QStringLiteral("slotList"));
    slotList->setUniformItemSizes(true);
    slotList->setTextElideMode(Qt::ElideRight);
    slotList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    slotList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    slotList->setAccessibleName(QStringLiteral("Clip slots"));
    for (int slot = 1; slot <= ClipSlots::count; ++slot)
        slotList->addItem(QString());
    // Exactly three rows, without a scroll bar.
    slotList->setSpacing(2);
    slotList->setFixedHeight((slotList->sizeHintForRow(0) + 2 * slotList->spacing()) *
                                 ClipSlots::count +
                             2 * slotList->frameWidth());

    clipText = new QPlainTextEdit(this);
    clipText->setObjectName(QStringLiteral("clipText"));
    clipText->setReadOnly(true);
    clipText->setAccessibleName(QStringLiteral("Text of the chosen clip"));

    copyButton = new QPushButton(QStringLiteral("Copy"), this);
    freeButton = new QPushButton(QStringLiteral("Free"), this);
    freeAllButton = new QPushButton(QStringLiteral("Free all"), this);
    copyButton->setObjectName(QStringLiteral("copyButton"));
    freeButton->setObjectName(QStringLiteral("freeButton"));
    freeAllButton->setObjectName(QStringLiteral("freeAllButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(copyButton);
    buttons->addStretch();
    buttons->addWidget(freeButton);
    buttons->addWidget(freeAllButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(slotList);
    layout->addWidget(clipText, 1);
    layout->addLayout(buttons);
    resize(460, 360);

    connect(slotList, &QListWidget::currentRowChanged, this, &StashWindow::showCurrent);
    connect(copyButton, &QPushButton::clicked, this, &StashWindow::copy);
    connect(freeButton, &QPushButton::clicked, this, &StashWindow::freeCurrent);
    connect(freeAllButton, &QPushButton::clicked, this, &StashWindow::freeAll);

    m_soon = new QTimer(this);
    m_soon->setSingleShot(true);
    m_soon->setInterval(30);
    connect(m_soon, &QTimer::timeout, this, [this] {
        reload();
        m_settle->start();
    });
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(500);
    connect(m_settle, &QTimer::timeout, this, &StashWindow::reload);

    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPath(m_folder);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &StashWindow::changed);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &StashWindow::changed);

    reload();
    slotList->setCurrentRow(0);
}

int StashWindow::currentSlot() const
{
    return qMax(0, slotList->currentRow()) + 1;
}

void StashWindow::changed()
{
    m_soon->start();
}

void StashWindow::reload()
{
    for (int slot = 1; slot <= ClipSlots::count; ++slot) {
        const QString path = ClipSlots::path(m_folder, slot);
        ClipSlotFile &file = m_slots[slot - 1];
        file = ClipSlotFile::read(path);
        // The folder tells when a clip comes or goes; the file itself when it is written on.
        if (file.state == ClipSlotFile::State::Free)
            m_watcher->removePath(path);
        else if (!m_watcher->files().contains(path))
            m_watcher->addPath(path);

        QListWidgetItem *row = slotList->item(slot - 1);
        QFont font = slotList->font();
        QString caption;
        switch (file.state) {
        case ClipSlotFile::State::Free:
            caption = QStringLiteral("free");
            font.setItalic(true);
            break;
        case ClipSlotFile::State::Filled:
            caption = file.firstLine();
            break;
        case ClipSlotFile::State::Unreadable:
            caption = QStringLiteral("(cannot be read)");
            font.setItalic(true);
            break;
        }
        row->setText(QStringLiteral("Clip %1:  %2").arg(slot).arg(caption));
        row->setFont(font);
        row->setForeground(file.state == ClipSlotFile::State::Filled
                               ? slotList->palette().color(QPalette::Text)
                               : slotList->palette().color(QPalette::PlaceholderText));
    }
    if (!m_watcher->directories().contains(m_folder))
        m_watcher->addPath(m_folder);
    showCurrent();
}

void StashWindow::showCurrent()
{
    const ClipSlotFile &file = slotFile(currentSlot());
    QString text;
    switch (file.state) {
    case ClipSlotFile::State::Free:
        break;
    case ClipSlotFile::State::Filled:
        // Laying out a long text takes long; the start of it is shown, Copy takes it all.
        text = file.text.left(shownChars);
        if (text.size() < file.text.size() || file.cut)
            text += QStringLiteral("\n\n(Only the start of this clip is shown.)");
        break;
    case ClipSlotFile::State::Unreadable:
        text = file.error;
        break;
    }
    // Left alone when nothing changed, so that the reader keeps their place.
    if (clipText->toPlainText() != text)
        clipText->setPlainText(text);
    copyButton->setEnabled(file.state == ClipSlotFile::State::Filled);
    freeButton->setEnabled(file.state != ClipSlotFile::State::Free);
    bool anyFilled = false;
    for (const ClipSlotFile &slot : m_slots)
        anyFilled = anyFilled || slot.state != ClipSlotFile::State::Free;
    freeAllButton->setEnabled(anyFilled);
}

void StashWindow::copy()
{
    const ClipSlotFile &file = slotFile(currentSlot());
    if (file.state != ClipSlotFile::State::Filled)
        return;
    // Half a clip on the clipboard would pass for the whole one.
    if (file.cut) {
        report(QStringLiteral("Clip %1 is larger than %2 MB and was not copied.")
                   .arg(currentSlot())
                   .arg(ClipSlotFile::maxBytes / (1024 * 1024)));
        return;
    }
    m_platform.clipboard.setText(file.text);
}

bool StashWindow::remove(int slot, QString *error)
{
    const QString path = ClipSlots::path(m_folder, slot);
    // Only a clip file goes; a folder that happens to carry the name stays.
    if (!ClipSlots::isFilled(path))
        return true;
    QFile file(path);
    if (file.remove())
        return true;
    *error = QStringLiteral("Cannot free clip %1 (%2): %3")
                 .arg(slot)
                 .arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

void StashWindow::freeCurrent()
{
    QString error;
    if (!remove(currentSlot(), &error))
        report(error);
    reload();
}

void StashWindow::freeAll()
{
    QStringList errors;
    for (int slot = 1; slot <= ClipSlots::count; ++slot) {
        QString error;
        if (!remove(slot, &error))
            errors.append(error);
    }
    if (!errors.isEmpty())
        report(errors.join(u'\n'));
    reload();
}

void StashWindow::report(const QString &error)
{
    m_platform.messages.show(error, MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok,
                             title);
}
