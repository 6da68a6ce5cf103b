#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

namespace vantrel {

class EditSession;

// "Preview row": previous, "N of M", next over the session's preview row and the attached
// list's rows. The buttons stop at the first and the last row.
class RowStepper : public QWidget {
    Q_OBJECT
public:
    explicit RowStepper(EditSession& session, QWidget* parent = nullptr);

    QToolButton* previous() const { return m_previous; }
    QToolButton* next() const { return m_next; }
    QLabel* position() const { return m_position; }

private:
    void refresh();

    EditSession& m_session;
    QToolButton* m_previous;
    QLabel* m_position;
    QToolButton* m_next;
};

} // namespace vantrel
