#include "views/RenamePrinterDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

RenamePrinterDialog::RenamePrinterDialog(const QString& printer, const QString& nickname,
                                         QWidget* parent)
    : QDialog(parent), m_printer(printer), m_field(new QLineEdit(nickname, this)) {
    const QString title = QStringLiteral("Name this printer");
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);

    auto* heading = new QLabel(title, this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    m_field->setPlaceholderText(QStringLiteral("e.g. Front counter"));
    m_field->setAccessibleName(title);
    m_field->setMinimumWidth(260);
    layout->addWidget(m_field);

    auto* explanation = new QLabel(
        QStringLiteral("Use Identify to print a label from a printer if you're not sure which is "
                       "which."),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    auto* buttons = new QDialogButtonBox(this);
    m_save = buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_save->setAccessibleName(m_save->text());
    cancel->setAccessibleName(cancel->text());
    m_save->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString RenamePrinterDialog::newName() const {
    return m_field->text();
}

} // namespace vantrel
