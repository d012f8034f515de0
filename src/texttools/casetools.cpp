// SPDX-License-Identifier: GPL-3.0-or-later
#include "casetools.h"

#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"

#include <memory>

#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QScopedValueRollback>

CaseTools::CaseTools(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent)
    : QObject(parent), m_viewer(viewer), m_platform(platform), ui(controls)
{
    // Not Ctrl+Shift+U: input methods take it for typing a character by its code.
    auto *cap = new OperationAction(QStringLiteral("actionMakeCap"), QStringLiteral("Make CAP"),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), this);
    cap->addControls({ui.cap}, {});
    cap->waitForLoads(m_viewer);
    connect(cap, &QAction::triggered, this, [this] { convertWhole(CaseMode::Upper); });
    auto *min = new OperationAction(QStringLiteral("actionMakeMin"), QStringLiteral("Make Min"),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M), this);
    min->addControls({ui.min}, {});
    min->waitForLoads(m_viewer);
    connect(min, &QAction::triggered, this, [this] { convertWhole(CaseMode::Lower); });
    auto *nomal = new OperationAction(QStringLiteral("actionNomal"), QStringLiteral("Nomal"),
                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), this);
    nomal->addControls({ui.Option3}, {});
    nomal->waitForLoads(m_viewer);
    connect(nomal, &QAction::triggered, this, &CaseTools::backToFileText);
    connect(ui.Text1, &RichTextBox::contentsChange, this, &CaseTools::noteChange);
    connect(ui.Text1, &RichTextBox::textChanged, this, &CaseTools::keepInCase);
    // In a formatted document keys are typed in case, each one edit with its conversion.
    for (QRadioButton *option : {ui.cap, ui.min}) {
        connect(option, &QRadioButton::toggled, this, [this] {
            const CaseMode mode = this->mode();
            ui.Text1->setTypingMap(mode == CaseMode::None ? RichTextBox::Map() : caseMap(mode));
        });
    }
    ui.cap->installEventFilter(this);
    ui.min->installEventFilter(this);
}

CaseMode CaseTools::mode() const
{
    if (ui.cap->isChecked())
        return CaseMode::Upper;
    if (ui.min->isChecked())
        return CaseMode::Lower;
    return CaseMode::None;
}

bool CaseTools::eventFilter(QObject *watched, QEvent *event)
{
    // A right press on "Make CAP" or "Make Min" ends that mode; the text stays as it is.
    auto *option = qobject_cast<QRadioButton *>(watched);
    if (option && (option == ui.cap || option == ui.min) &&
        event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton && option->isChecked()) {
        // An option of a group cannot be cleared while the group is exclusive.
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
    return QObject::eventFilter(watched, event);
}

void CaseTools::convertWhole(CaseMode mode)
{
    if (ui.Text1->isReadOnly()) {
        clearModes();
        m_platform.messages.show(RichTextBox::readOnlyNote(), MessageBoxes::Icon::Information,
                                 MessageBoxes::Buttons::Ok);
        return;
    }
    QScopedValueRollback<bool> converting(m_converting, true);
    convertInPlace(mode);
    m_changedFrom = m_changedTo = -1;
}

void CaseTools::clearModes()
{
    // Nothing is converted, so neither mode is on.
    for (QRadioButton *option : {ui.cap, ui.min}) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
    }
}

void CaseTools::convertInPlace(CaseMode mode)
{
    // The characters change where they are: a formatted document keeps its formats and what
    // a save keeps of its file, and the click is one step for undo. A large plain text is
    // converted piece by piece, never copied whole: on the operation's thread, in a copy that
    // shares the pane's pieces until each is converted, which then takes the text's place.
    // An undo in steps is not cut short by finishing it at once.
    if (m_viewer.isBusy() || m_viewer.isLoading() || ui.Text1->isMapping())
        return;
    const QString label = mode == CaseMode::Upper ? QStringLiteral("Making capitals\u2026")
                                                  : QStringLiteral("Making small letters\u2026");
    if (!ui.Text1->mapsAsNewText()) {
        // A long formatted document is converted in steps on the window's thread (its
        // document lives there); its progress shows as the others', and a cancel takes back
        // what the steps changed.
        if (!ui.Text1->mapText(caseMap(mode)) || !ui.Text1->isMapping())
            return;
        const QPointer<RichTextBox> pane = ui.Text1;
        m_viewer.operations().follow(
            label,
            [pane](LongOperation::Control &control) {
                if (!pane)
                    return true;
                control.setTotal(100);
                control.setDone(pane->mappingPercent());
                return !pane->isMapping();
            },
            [this, pane](bool cancelled) {
                if (!cancelled || !pane)
                    return;
                QScopedValueRollback<bool> converting(m_converting, true);
                pane->cancelMapping();
                clearModes();
                m_changedFrom = m_changedTo = -1;
            });
        return;
    }
    auto text = std::make_shared<TextBuffer>(ui.Text1->plainTextBuffer());
    auto changed = std::make_shared<bool>(false);
    const auto work = [text, changed, mode](LongOperation::Control &control) {
        control.setTotal(text->length());
        const RichTextBox::Map map = caseMap(mode);
        *changed = text->mapPieces([&](QString &piece) {
            if (control.isCancelled())
                return false;
            control.addDone(piece.size());
            return map(piece);
        });
    };
    m_viewer.operations().run(label, text->length(), work, [this, text, changed](bool cancelled) {
        if (cancelled)
            clearModes();
        if (cancelled || !*changed)
            return;
        QScopedValueRollback<bool> converting(m_converting, true);
        ui.Text1->takeMappedText(std::move(*text));
        m_changedFrom = m_changedTo = -1;
    });
}

void CaseTools::convertChangeInSteps(CaseMode mode, qsizetype windowStart, qsizetype windowEnd,
                                     qsizetype from, qsizetype to)
{
    // A large paste: converted on the operation's thread from a copy that shares the pane's
    // pieces, with progress and Cancel, and put in as one edit with the paste. A cancel leaves
    // it as it was pasted, and the mode off.
    if (m_viewer.isBusy())
        return;
    auto text = std::make_shared<TextBuffer>(ui.Text1->plainTextBuffer());
    auto edit = std::make_shared<std::optional<CaseConversion::Edit>>();
    const quint64 revision = text->revision();
    const auto work = [text, edit, mode, windowStart, windowEnd, from,
                       to](LongOperation::Control &control) {
        const QString window = text->mid(windowStart, windowEnd - windowStart);
        control.setTotal(to - from);
        *edit = CaseConversion::forChangeInSteps(window, from, to, mode, convertedAtOnceUpTo,
                                                 [&control](qsizetype done) {
                                                     control.setDone(done);
                                                     return !control.isCancelled();
                                                 });
    };
    const QString label = mode == CaseMode::Upper ? QStringLiteral("Making capitals\u2026")
                                                  : QStringLiteral("Making small letters\u2026");
    m_viewer.operations().run(
        label, to - from, work, [this, edit, revision, windowStart](bool cancelled) {
            if (cancelled)
                clearModes();
            // The pane held its edits meanwhile; should the text have changed all the same, the
            // positions found no longer hold.
            if (cancelled || !*edit || ui.Text1->plainTextBuffer().revision() != revision)
                return;
            QScopedValueRollback<bool> converting(m_converting, true);
            const CaseConversion::Edit &change = **edit;
            ui.Text1->replaceRange(windowStart + change.start, change.length, change.replacement);
            m_changedFrom = m_changedTo = -1;
        });
}

RichTextBox::Map CaseTools::caseMap(CaseMode mode)
{
    return [mode](QString &piece) {
        return CaseConversion::convertInPlace(piece, mode);
    };
}

void CaseTools::noteChange(int position, int, int added)
{
    if (m_changedFrom < 0) {
        m_changedFrom = position;
        m_changedTo = qsizetype(position) + added;
    } else {
        // Several changes before one reaction: their positions may have moved; take it all.
        m_changedFrom = 0;
        m_changedTo = ui.Text1->textLength();
    }
}

void CaseTools::keepInCase()
{
    // The conversion below changes the text once more; that nested change is already in case.
    if (m_converting)
        return;
    const qsizetype from = m_changedFrom;
    const qsizetype to = m_changedTo;
    m_changedFrom = m_changedTo = -1;
    const CaseMode mode = this->mode();
    if (mode == CaseMode::None || from < 0)
        return;
    // What an undo brings back stays as it was, a text from before a "Make CAP" click too; the
    // change a conversion in steps reports at its end is in case already.
    if (ui.Text1->canRedo() || ui.Text1->isMapping())
        return;

    QScopedValueRollback<bool> converting(m_converting, true);
    const qsizetype length = ui.Text1->textLength();
    if (ui.Text1->showsRichDocument()) {
        // The changed part in its runs, undone with the change; a new document is converted
        // whole, before anything is there to undo.
        ui.Text1->mapRange(from, to - from, caseMap(mode), RichTextBox::UndoStep::JoinPrevious);
        m_changedFrom = m_changedTo = -1;
        return;
    }
    if (from == 0 && to >= length) {
        convertInPlace(mode);
        m_changedFrom = m_changedTo = -1;
        return;
    }
    // The rest of the text is in case already: only the changed part, with one position on
    // either side so that a character split by the change is converted whole.
    const qsizetype windowStart = qMax<qsizetype>(0, from - 1);
    const qsizetype windowEnd = qMin(length, to + 1);
    if (to - from > convertedAtOnceUpTo) {
        convertChangeInSteps(mode, windowStart, windowEnd, from - windowStart, to - windowStart);
        m_changedFrom = m_changedTo = -1;
        return;
    }
    const QString window = ui.Text1->text(int(windowStart), int(windowEnd - windowStart));
    const auto edit = CaseConversion::forChange(window, from - windowStart, to - windowStart, mode);
    if (edit)
        ui.Text1->replaceRange(int(windowStart + edit->start), int(edit->length),
                               edit->replacement);
    m_changedFrom = m_changedTo = -1;
}

void CaseTools::backToFileText()
{
    // The file last shown from the file list, as plain text: a formatted file shows its markup.
    m_viewer.redisplayAsPlainText();
}
