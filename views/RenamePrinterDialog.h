#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vantrel {

// The prompt that names a printer: "Name this printer", a field holding the nickname being
// typed, Save and Cancel. It only collects the text; whoever opens it stores the nickname when
// it is accepted, and nothing at all when it is dismissed in any other way.
class RenamePrinterDialog : public QDialog {
    Q_OBJECT
public:
    RenamePrinterDialog(const QString& printer, const QString& nickname, QWidget* parent);

    const QString& printer() const { return m_printer; }
    // The text of the field as typed.
    QString newName() const;
    QLineEdit* field() const { return m_field; }
    QPushButton* saveButton() const { return m_save; }

private:
    QString m_printer;
    QLineEdit* m_field;
    QPushButton* m_save;
};

} // namespace vantrel
