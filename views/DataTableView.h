#pragma once

#include <QHeaderView>
#include <QWidget>

class QLabel;
class QLineEdit;
class QMimeData;
class QTableView;
class QToolButton;

namespace vantrel {

class DataTableModel;
class EditSession;
class RowSearch;

// Column headers that drag their column's name onto the canvas as plain text "column:NAME".
class ColumnHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit ColumnHeaderView(QWidget* parent = nullptr);

    // The drag payload of a section, or nullptr for a section that is no list column.
    QMimeData* dragData(int section) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPoint m_pressed;
    int m_section = -1;
};

// The rows of the session's attached list: a search field ("Search rows", run off the
// interface thread, the newest keystroke winning), the row count or the number of ticked rows
// with "Clear", and the table with ticks, row numbers, the preview row highlighted and zebra
// rows. One click on a row previews it; ticks and the preview row are the session's.
class DataTableView : public QWidget {
    Q_OBJECT
public:
    static constexpr int cellWidth = 140;

    explicit DataTableView(EditSession& session, QWidget* parent = nullptr);

    QLineEdit* searchField() const { return m_search; }
    QLabel* caption() const { return m_caption; }
    QToolButton* clearButton() const { return m_clear; }
    QTableView* table() const { return m_table; }
    DataTableModel* model() const { return m_model; }
    RowSearch* rowSearch() const { return m_rowSearch; }

private:
    void reload();
    void refreshCaption();

    EditSession& m_session;
    DataTableModel* m_model;
    RowSearch* m_rowSearch;
    QLineEdit* m_search;
    QLabel* m_caption;
    QToolButton* m_clear;
    QTableView* m_table;
};

} // namespace vantrel
