#pragma once

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vantrel {

class EditSession;
class RowStepper;

// The form section "List" about the session's attached list: its name and row count, the
// preview-row stepper, "First row is column names", the column names, and the buttons that ask
// the editor to show, replace or remove the list; without a list, one button to import one.
// Importing and removing are the editor's: the section only asks, through its signals. "View
// list" is offered only after setShowTableOffered(true), for a host that can show the table.
class DataSourceSection : public QGroupBox {
    Q_OBJECT
public:
    explicit DataSourceSection(EditSession& session, QWidget* parent = nullptr);

    void setShowTableOffered(bool offered);

    QLabel* name() const { return m_name; }
    QLabel* rowCount() const { return m_rows; }
    RowStepper* stepper() const { return m_stepper; }
    QCheckBox* headerSwitch() const { return m_header; }
    QLabel* columns() const { return m_columns; }
    QPushButton* showTableButton() const { return m_show; }
    QPushButton* replaceButton() const { return m_replace; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* importButton() const { return m_import; }
    QLabel* footer() const { return m_footer; }

Q_SIGNALS:
    void importRequested();
    void removeRequested();
    void showTableRequested();

private:
    void refresh();

    EditSession& m_session;
    bool m_showOffered = false;
    QWidget* m_attached;
    QLabel* m_name;
    QLabel* m_rows;
    RowStepper* m_stepper;
    QCheckBox* m_header;
    QLabel* m_columns;
    QPushButton* m_show;
    QPushButton* m_replace;
    QPushButton* m_remove;
    QPushButton* m_import;
    QLabel* m_footer;
};

} // namespace vantrel
