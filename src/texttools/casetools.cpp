#include "casetools.h"

#include "app/browser.h"
#include "controls/operationaction.h"
#include "controls/panecontent.h"
#include "app/pgwell.h"
#include "controls/richtextbox.h"
#include "text/textdecoder.h"
#include "files/wholefilereader.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "reader/form3.h"

#include <QMouseEvent>
#include <QRadioButton>
#include <QScopedValueRollback>

CaseTools::CaseTools(pgwell &window) : QObject(&window), w(window)
{
    connect(w.cap, &QRadioButton::clicked, this, [this] { convertWhole(CaseMode::Upper); });
    connect(w.min, &QRadioButton::clicked, this, [this] { convertWhole(CaseMode::Lower); });
    auto *nomal = new OperationAction(QStringLiteral("Nomal"), this);
    nomal->addControls({w.Option3}, {});
    nomal->waitForLoads(w.viewer());
    connect(nomal, &QAction::triggered, this, &CaseTools::backToFileText);
    connect(w.Text1, &RichTextBox::contentsChange, this, &CaseTools::noteChange);
    connect(w.Text1, &RichTextBox::textChanged, this, &CaseTools::keepInCase);
    w.cap->installEventFilter(this);
    w.min->installEventFilter(this);
}

CaseMode CaseTools::mode() const
{
    if (w.cap->isChecked())
        return CaseMode::Upper;
    if (w.min->isChecked())
        return CaseMode::Lower;
    return CaseMode::None;
}

bool CaseTools::eventFilter(QObject *watched, QEvent *event)
{
    // A right press on "Make CAP" or "Make Min" ends that mode; the text stays as it is.
    auto *option = qobject_cast<QRadioButton *>(watched);
    if (option && (option == w.cap || option == w.min) &&
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
    if (w.Text1->isReadOnly()) {
        // Nothing is converted, so neither mode is on.
        for (QRadioButton *option : {w.cap, w.min}) {
            option->setAutoExclusive(false);
            option->setChecked(false);
            option->setAutoExclusive(true);
        }
        w.platform().messages.show(RichTextBox::readOnlyNote(), MessageBoxes::Icon::Information,
                                   MessageBoxes::Buttons::Ok);
        return;
    }
    QScopedValueRollback<bool> converting(m_converting, true);
    convertInPlace(mode);
    m_changedFrom = m_changedTo = -1;
}

void CaseTools::convertInPlace(CaseMode mode)
{
    // Piece by piece where the pane keeps the text: a large text is never copied whole. A
    // formatted document becomes plain text, as any assignment of the whole text makes it.
    w.Text1->mapText(
        [mode](QString &piece) { return CaseConversion::convertInPlace(piece, mode); });
}

void CaseTools::noteChange(int position, int, int added)
{
    if (m_changedFrom < 0) {
        m_changedFrom = position;
        m_changedTo = qsizetype(position) + added;
    } else {
        // Several changes before one reaction: their positions may have moved; take it all.
        m_changedFrom = 0;
        m_changedTo = w.Text1->textLength();
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

    QScopedValueRollback<bool> converting(m_converting, true);
    const qsizetype length = w.Text1->textLength();
    if (w.Text1->showsRichDocument() || (from == 0 && to >= length)) {
        convertInPlace(mode);
        m_changedFrom = m_changedTo = -1;
        return;
    }
    // The rest of the text is in case already: only the changed part, with one position on
    // either side so that a character split by the change is converted whole.
    const qsizetype windowStart = qMax<qsizetype>(0, from - 1);
    const qsizetype windowEnd = qMin(length, to + 1);
    const QString window = w.Text1->text(int(windowStart), int(windowEnd - windowStart));
    const auto edit = CaseConversion::forChange(window, from - windowStart, to - windowStart, mode);
    if (edit)
        w.Text1->replaceRange(int(windowStart + edit->start), int(edit->length), edit->replacement);
    m_changedFrom = m_changedTo = -1;
}

void CaseTools::backToFileText()
{
    // The file last shown from the file list, as plain text: a formatted file shows its markup.
    const QString path = w.viewer().lastFileListPath();
    if (path.isEmpty())
        return;
    WholeFileReader::Limits limits;
    limits.memoryPerByte = PaneContent::memoryPerFileByte;
    WholeFileReader::Result file = WholeFileReader::read(path, limits);
    if (file.status != WholeFileReader::Status::Ok) {
        w.platform().messages.show(file.error, MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
        return;
    }
    ShownFile shown;
    try {
        DecodedText decoded = TextDecoder::decode(file.bytes);
        file.bytes = QByteArray();
        shown.encoding = decoded.encoding;
        shown.lineEnding = decoded.lineEnding;
        // As read from the file: a Save without an edit has nothing to write.
        w.Text1->setPlainText(std::move(decoded.text), RichTextBox::Origin::File);
        w.reader()->setReaderText(w.Text1->plainTextBuffer());
    } catch (const std::bad_alloc &) {
        w.platform().messages.show(WholeFileReader::outOfMemoryMessage(path),
                                   MessageBoxes::Icon::Critical, MessageBoxes::Buttons::Ok);
        return;
    }
    // The pane now shows that file as plain text; Save writes it back so, byte for byte.
    shown.path = path;
    shown.list = ShownList::Files;
    shown.richText = false;
    w.browser().displaySucceeded(shown);
}
