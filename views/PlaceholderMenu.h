#pragma once

#include <QStringList>
#include <QToolButton>

namespace vantrel {

// "Insert": the placeholders a content may hold, then, with a list attached, the section
// "List columns" with one "{column}" per column. Choosing an item announces its token; the
// owner appends it to the content (InspectorRules::insertToken).
class PlaceholderMenu : public QToolButton {
    Q_OBJECT
public:
    explicit PlaceholderMenu(QWidget* parent = nullptr);

    void setColumns(const QStringList& columns);
    const QStringList& columns() const { return m_columns; }

Q_SIGNALS:
    void tokenChosen(const QString& token);

private:
    void rebuild();

    QStringList m_columns;
};

} // namespace vantrel
