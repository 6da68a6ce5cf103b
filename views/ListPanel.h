#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace vantrel {

class DataTableView;
class EditSession;

// What the editor's list panel shows: a header bar (the list's name or "No list", "Row N of M"
// with previous and next, and the list menu or "Import List…"), then the rows of the list with
// a caption, or an empty state that invites a drop. Importing and removing are the editor's:
// the panel asks for them with importRequested() and removeRequested().
class ListPanel : public QWidget {
    Q_OBJECT
public:
    explicit ListPanel(EditSession& session, QWidget* parent = nullptr);

    QLabel* name() const { return m_name; }
    QLabel* rowText() const { return m_row; }
    QToolButton* previous() const { return m_previous; }
    QToolButton* next() const { return m_next; }
    QToolButton* menuButton() const { return m_menu; }
    QAction* headerAction() const { return m_header; }
    QPushButton* importButton() const { return m_import; }
    DataTableView* tableView() const { return m_table; }
    // True while the empty state shows.
    bool showsEmptyState() const;

Q_SIGNALS:
    void importRequested();
    void removeRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void refreshName();

    EditSession& m_session;
    QString m_fullName;
    QLabel* m_name;
    QToolButton* m_previous;
    QLabel* m_row;
    QToolButton* m_next;
    QToolButton* m_menu;
    QAction* m_header;
    QPushButton* m_import;
    QStackedWidget* m_body;
    QWidget* m_empty;
    DataTableView* m_table;
};

} // namespace vantrel
