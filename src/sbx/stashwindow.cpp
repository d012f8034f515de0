// SPDX-License-Identifier: GPL-3.0-or-later
#include "stashwindow.h"

#include "platform/clipboard.h"
#include "platform/environment.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/settingsstore.h"
#include "sbx/elidedpathlabel.h"
#include "sbx/runaside.h"
#include "sbx/slotfolderwatcher.h"
#include "texttools/clipslots.h"
#include "texttools/clipslotwriter.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString title = QStringLiteral("Vantrel Stash");
const QString settingsName = QStringLiteral("Vantrel Stash");
const QString settingsSection = QStringLiteral("window");
constexpr qsizetype shownChars = 64 * 1024;
constexpr qint64 mib = 1024 * 1024;

// Whether the text makes a slot file larger than a clip may be. UTF-8 takes at most three
// bytes for each UTF-16 unit, and so does a line end turned into CR LF: most texts are
// answered without encoding them.
bool tooLarge(const QString &text)
{
    if (3 * qint64(text.size()) + 2 <= clipSlotMaxBytes)
        return false;
    return ClipSlots::content(text).size() > clipSlotMaxBytes;
}
} // namespace

StashWindow::StashWindow(Platform &platform, QWidget *parent)
    : QWidget(parent), m_platform(platform),
      m_folder(ClipSlots::folder(platform.environment.value(QStringLiteral("windir")))),
      m_freed(m_folder)
{
    setObjectName(QStringLiteral("sbx"));
    setWindowTitle(title);
    setWindowIcon(QIcon(QStringLiteral(":/sbx/clip.svg")));
    createControls();

    addKey(QStringLiteral("copyAction"), QKeySequence::Copy, &StashWindow::copy);
    addKey(QStringLiteral("pasteAction"), QKeySequence::Paste, &StashWindow::paste);
    addKey(QStringLiteral("freeAction"), QKeySequence(Qt::Key_Delete), &StashWindow::freeCurrent);
    addKey(QStringLiteral("undoAction"), QKeySequence::Undo, &StashWindow::undo);
    addKey(QStringLiteral("reloadAction"), QKeySequence(Qt::Key_F5), &StashWindow::reload);
    addKey(QStringLiteral("closeAction"), QKeySequence(Qt::Key_Escape), &StashWindow::closeByKey);

    connect(slotList, &QListWidget::currentRowChanged, this, &StashWindow::showCurrent);
    connect(copyButton, &QPushButton::clicked, this, &StashWindow::copy);
    connect(pasteButton, &QPushButton::clicked, this, &StashWindow::paste);
    connect(freeButton, &QPushButton::clicked, this, &StashWindow::freeCurrent);
    connect(freeAllButton, &QPushButton::clicked, this, &StashWindow::freeAll);
    connect(undoButton, &QPushButton::clicked, this, &StashWindow::undo);
    connect(keepCopies, &QCheckBox::toggled, this, [this](bool on) {
        writeSetting(QStringLiteral("keepCopies"), on ? QStringLiteral("true") : QString());
        statusLabel->clear();
    });
    m_platform.clipboard.watch(this, [this] { copied(); });

    m_watcher = new SlotFolderWatcher(m_folder, this);
    connect(m_watcher, &SlotFolderWatcher::changed, this, &StashWindow::reload);

    restoreSettings();
    m_freed.adoptLeftovers();
    if (m_freed.canUndo())
        statusLabel->setText(QStringLiteral("Clips freed before sbx last ended unexpectedly: "
                                            "Undo (Ctrl+Z) brings them back."));
    reload();
    slotList->setCurrentRow(0);
}

void StashWindow::createControls()
{
    heading = new QLabel(QStringLiteral("Clips from Pagewell"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setAccessibleName(QStringLiteral("Clips from Pagewell"));

    folderLabel = new ElidedPathLabel(this);
    folderLabel->setObjectName(QStringLiteral("folderLabel"));
    folderLabel->setAccessibleName(QStringLiteral("Folder of the clips"));

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
    clipText->setTabChangesFocus(true);
    clipText->setAccessibleName(QStringLiteral("Text of the chosen clip"));

    const auto button = [this](const QString &name, const QString &text, const QString &tip) {
        auto *made = new QPushButton(text, this);
        made->setObjectName(name);
        made->setAccessibleName(text);
        made->setToolTip(tip);
        made->setAutoDefault(false);
        return made;
    };
    copyButton = button(QStringLiteral("copyButton"), QStringLiteral("Copy"),
                        QStringLiteral("Copy the whole clip to the clipboard (Ctrl+C)"));
    pasteButton = button(QStringLiteral("pasteButton"), QStringLiteral("Paste"),
                         QStringLiteral("Put the clipboard's text into the first free clip "
                                        "(Ctrl+V)"));
    freeButton = button(QStringLiteral("freeButton"), QStringLiteral("Free"),
                        QStringLiteral("Free the chosen clip (Delete)"));
    freeAllButton = button(QStringLiteral("freeAllButton"), QStringLiteral("Free all"),
                           QStringLiteral("Free all three clips"));
    undoButton = button(QStringLiteral("undoButton"), QStringLiteral("Undo"),
                        QStringLiteral("Bring back the clips freed last (Ctrl+Z)"));

    keepCopies = new QCheckBox(QStringLiteral("Keep what I copy"), this);
    keepCopies->setObjectName(QStringLiteral("keepCopies"));
    keepCopies->setAccessibleName(QStringLiteral("Keep what I copy"));
    keepCopies->setToolTip(QStringLiteral("Put each text copied anywhere into a free clip"));

    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setAccessibleName(QStringLiteral("Last action"));
    statusLabel->setWordWrap(true);

    aboutLabel = new QLabel(QStringLiteral("Vantrel Stash %1, the clip tool of Pagewell. Free "
                                           "software under the GNU GPL, version 3 or later.")
                                .arg(QStringLiteral(PAGEWELL_VERSION)),
                            this);
    aboutLabel->setObjectName(QStringLiteral("aboutLabel"));
    aboutLabel->setAccessibleName(QStringLiteral("About Vantrel Stash"));
    aboutLabel->setWordWrap(true);
    aboutLabel->setForegroundRole(QPalette::PlaceholderText);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(copyButton);
    buttons->addWidget(pasteButton);
    buttons->addStretch();
    buttons->addWidget(freeButton);
    buttons->addWidget(freeAllButton);
    buttons->addWidget(undoButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(folderLabel);
    layout->addWidget(slotList);
    layout->addWidget(clipText, 1);
    layout->addLayout(buttons);
    layout->addWidget(keepCopies);
    layout->addWidget(statusLabel);
    layout->addWidget(aboutLabel);
}

QAction *StashWindow::addKey(const QString &name, const QKeySequence &key,
                             void (StashWindow::*run)())
{
    auto *action = new QAction(this);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, run);
    return action;
}

void StashWindow::restoreSettings()
{
    const QString geometry =
        m_platform.settings.readValue(settingsName, settingsSection, QStringLiteral("geometry"));
    if (geometry.isEmpty() || !restoreGeometry(QByteArray::fromBase64(geometry.toLatin1())))
        resize(460, 400);
    // Off unless the user turned it on: copying a password must not leave it in a file unasked.
    keepCopies->setChecked(m_platform.settings.readValue(settingsName, settingsSection,
                                                         QStringLiteral("keepCopies")) ==
                           QStringLiteral("true"));
}

void StashWindow::writeSetting(const QString &key, const QString &value)
{
    QString error;
    // A place not remembered is no reason to bother the user.
    m_platform.settings.writeValue(settingsName, settingsSection, key, value, &error);
}

void StashWindow::closeEvent(QCloseEvent *event)
{
    writeSetting(QStringLiteral("geometry"), QString::fromLatin1(saveGeometry().toBase64()));
    QWidget::closeEvent(event);
}

int StashWindow::currentSlot() const
{
    return qMax(0, slotList->currentRow()) + 1;
}

void StashWindow::closeByKey()
{
    close();
}

void StashWindow::comeForward()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void StashWindow::showFolder()
{
    folderLabel->setPath(QStringLiteral("Folder: "), m_folder,
                         m_watcher->folderExists() ? QString()
                                                   : QStringLiteral(" (not there yet)"));
}

void StashWindow::reload()
{
    const quint64 reading = ++m_readings;
    ++m_busy;
    const QString folder = m_folder;
    runAside<std::array<ClipSlotFile, 3>>(
        this,
        [folder] {
            std::array<ClipSlotFile, 3> read;
            for (int slot = 1; slot <= ClipSlots::count; ++slot)
                read[slot - 1] = ClipSlotFile::read(ClipSlots::path(folder, slot));
            return read;
        },
        [this, reading](std::array<ClipSlotFile, 3> &read) {
            --m_busy;
            // Only the latest reading counts: an earlier one may have missed a change.
            if (reading == m_readings)
                showSlots(std::move(read));
        });
}

void StashWindow::showSlots(std::array<ClipSlotFile, 3> read)
{
    m_slots = std::move(read);
    QStringList filled;
    for (int slot = 1; slot <= ClipSlots::count; ++slot) {
        const ClipSlotFile &file = m_slots[slot - 1];
        if (file.state != ClipSlotFile::State::Free)
            filled.append(ClipSlots::path(m_folder, slot));

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
    // The folder tells when a clip comes or goes; the file itself when it is written on.
    m_watcher->followFiles(filled);
    showFolder();
    if (m_select != 0)
        slotList->setCurrentRow(m_select - 1);
    m_select = 0;
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
    undoButton->setEnabled(m_freed.canUndo());
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
                   .arg(clipSlotMaxBytes / mib));
        return;
    }
    m_platform.clipboard.setText(file.text);
    statusLabel->setText(QStringLiteral("Clip %1 is on the clipboard.").arg(currentSlot()));
}

void StashWindow::fill(const QString &text, std::function<void(int, const QString &)> done)
{
    struct Filled
    {
        int slot = 0;
        QString why;
    };
    ++m_busy;
    const QString folder = m_folder;
    runAside<Filled>(
        this,
        [text, folder] {
            Filled filled;
            if (tooLarge(text)) {
                filled.why = QStringLiteral("The text is larger than %1 MB and was not put into "
                                            "a clip.")
                                 .arg(clipSlotMaxBytes / mib);
                return filled;
            }
            const ClipSlotWriter::Result result = ClipSlotWriter(folder).send(text);
            filled.slot = result.slot;
            if (!result.error.isEmpty())
                filled.why = result.error;
            else if (result.slot == 0)
                filled.why = QStringLiteral("All three clips are full: free one to make room.");
            return filled;
        },
        [this, done = std::move(done)](const Filled &filled) {
            --m_busy;
            done(filled.slot, filled.why);
            if (filled.slot != 0)
                reload();
        });
}

void StashWindow::paste()
{
    const QString text = m_platform.clipboard.text();
    if (text.isEmpty()) {
        report(QStringLiteral("The clipboard holds no text to paste."));
        return;
    }
    fill(text, [this](int slot, const QString &why) {
        if (slot == 0) {
            report(why);
            return;
        }
        m_select = slot;
        statusLabel->setText(QStringLiteral("Pasted into clip %1.").arg(slot));
    });
}

void StashWindow::copied()
{
    if (!keepCopies->isChecked())
        return;
    const QString text = m_platform.clipboard.text();
    if (text.isEmpty())
        return;
    // A text that is a clip already, such as one copied from here, is not kept twice.
    for (const ClipSlotFile &file : m_slots) {
        if (file.state == ClipSlotFile::State::Filled && !file.cut && file.text == text)
            return;
    }
    // No message box for each copy: the line below the buttons tells what became of it.
    fill(text, [this](int slot, const QString &why) {
        statusLabel->setText(slot ? QStringLiteral("Kept what you copied in clip %1.").arg(slot)
                                  : QStringLiteral("Not kept: ") + why);
    });
}

void StashWindow::freeCurrent()
{
    const int slot = currentSlot();
    if (slotFile(slot).state == ClipSlotFile::State::Free)
        return;
    const QStringList errors = m_freed.free({slot});
    if (!errors.isEmpty())
        report(errors.join(u'\n'));
    else
        statusLabel->setText(
            QStringLiteral("Clip %1 freed; Undo (Ctrl+Z) brings it back.").arg(slot));
    reload();
}

void StashWindow::freeAll()
{
    const QStringList errors = m_freed.free({1, 2, 3});
    if (!errors.isEmpty())
        report(errors.join(u'\n'));
    else
        statusLabel->setText(QStringLiteral("All clips freed; Undo (Ctrl+Z) brings them back."));
    reload();
}

void StashWindow::undo()
{
    if (!m_freed.canUndo())
        return;
    const FreedClips::Undone undone = m_freed.undo();
    reload();
    if (!undone.into.isEmpty()) {
        m_select = undone.into.first();
        QStringList names;
        for (int slot : undone.into)
            names.append(QString::number(slot));
        statusLabel->setText((names.size() == 1 ? QStringLiteral("Brought back into clip %1.")
                                                : QStringLiteral("Brought back into clips %1."))
                                 .arg(names.join(QStringLiteral(", "))));
    }
    QStringList problems = undone.errors;
    if (undone.waiting > int(undone.errors.size()))
        problems.append(QStringLiteral("All three clips are full: free one, then press Undo "
                                       "again to bring back the rest."));
    if (!problems.isEmpty())
        report(problems.join(u'\n'));
}

void StashWindow::report(const QString &error)
{
    m_platform.messages.show(error, MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok,
                             title);
}
