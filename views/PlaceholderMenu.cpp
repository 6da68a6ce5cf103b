#include "views/PlaceholderMenu.h"

#include "views/Icons.h"

#include "LabelKit/edit/InspectorRules.h"

#include <QMenu>

namespace vantrel {

PlaceholderMenu::PlaceholderMenu(QWidget* parent) : QToolButton(parent) {
    setText(QStringLiteral("Insert"));
    setAccessibleName(text());
    setToolTip(QStringLiteral("Insert a placeholder"));
    setIcon(Icons::icon(u"curlybraces"));
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setPopupMode(QToolButton::InstantPopup);
    setMenu(new QMenu(this));
    rebuild();
}

void PlaceholderMenu::setColumns(const QStringList& columns) {
    if (columns != m_columns) {
        m_columns = columns;
        rebuild();
    }
}

void PlaceholderMenu::rebuild() {
    QMenu* items = menu();
    items->clear();
    const auto add = [&](const InspectorRules::MenuItem& item) {
        // A column may hold "&", which a menu would take for a mnemonic.
        QAction* action = items->addAction(QString(item.title).replace(u'&', QStringLiteral("&&")));
        connect(action, &QAction::triggered, this,
                [this, token = item.token] { Q_EMIT tokenChosen(token); });
    };
    for (const InspectorRules::MenuItem& item : InspectorRules::placeholderItems()) {
        add(item);
    }
    if (!m_columns.isEmpty()) {
        items->addSection(QStringLiteral("List columns"));
        for (const InspectorRules::MenuItem& item : InspectorRules::columnItems(m_columns)) {
            add(item);
        }
    }
}

} // namespace vantrel
