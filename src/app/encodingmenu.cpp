// SPDX-License-Identifier: GPL-3.0-or-later
#include "encodingmenu.h"

#include "text/textencodings.h"
#include "viewer/viewer.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

EncodingMenu::EncodingMenu(Viewer &viewer, QObject *parent)
    : QObject(parent), m_viewer(viewer), m_menu(std::make_unique<QMenu>())
{
    m_action = new QAction(QStringLiteral("Encoding"), this);
    m_action->setObjectName(QStringLiteral("actionEncoding"));
    m_action->setMenu(m_menu.get());
    m_choices = new QActionGroup(this);
    m_choices->setExclusive(true);
    for (TextEncoding encoding : TextEncodings::choices()) {
        if (TextEncodings::isAvailable(encoding))
            choiceFor(encoding);
    }
    m_menu->addSeparator();
    m_other = choiceFor(TextEncoding::Utf8);
    m_other->setVisible(false);
    connect(&viewer, &Viewer::shownFileChanged, this, &EncodingMenu::update);
    connect(&viewer, &Viewer::loadingChanged, this, &EncodingMenu::update);
    update();
}

EncodingMenu::~EncodingMenu() = default;

QAction *EncodingMenu::choiceFor(TextEncoding encoding)
{
    QAction *choice = m_menu->addAction(TextEncodings::label(encoding));
    choice->setCheckable(true);
    choice->setData(int(encoding));
    m_choices->addAction(choice);
    connect(choice, &QAction::triggered, this, [this, choice] {
        const auto chosen = TextEncoding(choice->data().toInt());
        // The read may be refused: the check follows the shown file, not the click.
        update();
        if (chosen != TextEncodings::asChosen(m_viewer.shownFile().encoding))
            m_viewer.showInEncoding(chosen);
    });
    return choice;
}

void EncodingMenu::update()
{
    const ShownFile &shown = m_viewer.shownFile();
    const bool plain = !shown.isEmpty() && !shown.richText;
    m_action->setEnabled(plain && !m_viewer.isLoading());
    const TextEncoding current = TextEncodings::asChosen(shown.encoding);
    QAction *checked = nullptr;
    for (QAction *choice : m_choices->actions()) {
        if (choice != m_other && TextEncoding(choice->data().toInt()) == current)
            checked = choice;
    }
    // An encoding recognized that is none of the common ones is offered below them.
    m_other->setVisible(plain && !checked);
    if (plain && !checked) {
        m_other->setText(TextEncodings::label(current));
        m_other->setData(int(current));
        checked = m_other;
    }
    if (checked && plain) {
        checked->setChecked(true);
    } else if (QAction *any = m_choices->checkedAction()) {
        any->setChecked(false);
    }
}
