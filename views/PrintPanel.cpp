#include "views/PrintPanel.h"

#include "LabelKit/edit/PrintPanelModel.h"
#include "views/Icons.h"
#include "views/LabelPreview.h"
#include "views/PrinterPicker.h"

#include "LabelKit/printer/PrinterManager.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vantrel {

namespace {

QSpinBox* stepper(const QString& title, qint64 min, qint64 max, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(int(min), int(max));
    box->setPrefix(title + QStringLiteral(": "));
    box->setAccessibleName(title);
    return box;
}

void setValue(QSpinBox* box, qint64 value) {
    const QSignalBlocker blocker(box);
    box->setValue(int(value));
}

QLabel* footer(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: palette(placeholder-text);"));
    return label;
}

} // namespace

PrintPanel::PrintPanel(PrinterManager& printers, LabelDocument document,
                       std::optional<DataTable> table, QSet<qsizetype> selectedRows, qint64 copies,
                       MergeFields fields, QWidget* parent)
    : QWidget(parent)
    , m_model(new PrintPanelModel(printers, std::move(document), std::move(table),
                                  std::move(selectedRows), copies, std::move(fields), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);

    m_preview = new LabelPreview(m_model->document(), m_model->previewContext(), 4,
                                 printers.defaults(), this);
    m_preview->setMaximumPictureHeight(180);
    m_preview->setContentsMargins(4, 4, 4, 4);
    m_preview->setAccessibleName(QStringLiteral("Preview"));
    layout->addWidget(m_preview);

    layout->addWidget(buildPrinterSection(printers));
    if (m_model->showsList()) {
        layout->addWidget(m_list = buildListSection());
    }
    if (m_model->showsSerial()) {
        layout->addWidget(m_serial = buildSerialSection());
    }
    m_fields = new QGroupBox(QStringLiteral("Fields"), this);
    m_fieldsForm = new QFormLayout(m_fields);
    layout->addWidget(m_fields);
    layout->addWidget(buildOutcome());
    layout->addStretch(1);

    connect(m_model, &PrintPanelModel::changed, this, &PrintPanel::refresh);
    connect(m_model, &PrintPanelModel::printed, this, &PrintPanel::done);
    refresh();
}

QGroupBox* PrintPanel::buildPrinterSection(PrinterManager& printers) {
    auto* section = new QGroupBox(QStringLiteral("Printer"), this);
    auto* form = new QFormLayout(section);
    m_picker = new PrinterPicker(printers, section);
    form->addRow(QStringLiteral("Printer"), m_picker);
    connect(m_picker, &PrinterPicker::selectionChanged, m_model, &PrintPanelModel::setPrinter);
    m_model->setPrinter(m_picker->selection());

    m_copies = stepper(QStringLiteral("Copies"), 1, PrintPanelModel::maxCopies, section);
    form->addRow(m_copies);
    connect(m_copies, &QSpinBox::valueChanged, m_model, &PrintPanelModel::setCopies);
    return section;
}

QGroupBox* PrintPanel::buildListSection() {
    auto* section = new QGroupBox(m_model->listHeader(), this);
    m_listForm = new QFormLayout(section);
    m_rows = new QComboBox(section);
    m_rows->setAccessibleName(QStringLiteral("Rows"));
    for (const PrintPanelModel::RowMode mode : m_model->rowModes()) {
        m_rows->addItem(m_model->rowModeTitle(mode), int(mode));
    }
    m_listForm->addRow(QStringLiteral("Rows"), m_rows);
    connect(m_rows, &QComboBox::activated, this, [this](int index) {
        m_model->setRowMode(PrintPanelModel::RowMode(m_rows->itemData(index).toInt()));
    });

    const qint64 rows = m_model->rowCount();
    m_from = stepper(QStringLiteral("From row"), 1, rows, section);
    m_to = stepper(QStringLiteral("To row"), 1, rows, section);
    // "From row 7" reads as a phrase, like "Start at 41".
    m_from->setPrefix(QStringLiteral("From row "));
    m_to->setPrefix(QStringLiteral("To row "));
    m_listForm->addRow(m_from);
    m_listForm->addRow(m_to);
    connect(m_from, &QSpinBox::valueChanged, m_model, &PrintPanelModel::setRangeFrom);
    connect(m_to, &QSpinBox::valueChanged, m_model, &PrintPanelModel::setRangeTo);
    m_rowsFooter = footer(section);
    m_listForm->addRow(m_rowsFooter);
    return section;
}

QGroupBox* PrintPanel::buildSerialSection() {
    auto* section = new QGroupBox(QStringLiteral("Serial numbers"), this);
    m_serialForm = new QFormLayout(section);
    m_serialStart =
        stepper(QStringLiteral("Start at"), 0, PrintPanelModel::maxSerialStart, section);
    m_serialCount = stepper(QStringLiteral("Labels"), 1, PrintPanelModel::maxSerialCount, section);
    m_serialDigits =
        stepper(QStringLiteral("Digits"), 0, PrintPanelModel::maxSerialDigits, section);
    // "Labels: 10" and "Digits: 4" take a colon; "Start at 41" reads as a phrase.
    m_serialStart->setPrefix(QStringLiteral("Start at "));
    m_serialForm->addRow(m_serialStart);
    m_serialForm->addRow(m_serialCount);
    m_serialForm->addRow(m_serialDigits);
    connect(m_serialStart, &QSpinBox::valueChanged, m_model, &PrintPanelModel::setSerialStart);
    connect(m_serialCount, &QSpinBox::valueChanged, m_model, &PrintPanelModel::setSerialCount);
    connect(m_serialDigits, &QSpinBox::valueChanged, m_model, &PrintPanelModel::setSerialDigits);
    m_serialFooter = footer(section);
    m_serialForm->addRow(m_serialFooter);
    return section;
}

QWidget* PrintPanel::buildOutcome() {
    auto* outcome = new QWidget(this);
    auto* layout = new QVBoxLayout(outcome);
    layout->setContentsMargins(0, 0, 0, 0);

    m_statusRow = new QWidget(outcome);
    auto* statusLayout = new QHBoxLayout(m_statusRow);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    m_statusIcon = new QLabel(m_statusRow);
    m_status = new QLabel(m_statusRow);
    m_status->setObjectName(QStringLiteral("printStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusLayout->addWidget(m_statusIcon);
    statusLayout->addWidget(m_status, 1);
    layout->addWidget(m_statusRow);

    m_progressRow = new QWidget(outcome);
    auto* progressLayout = new QHBoxLayout(m_progressRow);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    m_progress = new QProgressBar(m_progressRow);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progressText = new QLabel(m_progressRow);
    m_progressText->setObjectName(QStringLiteral("progressText"));
    progressLayout->addWidget(m_progress, 1);
    progressLayout->addWidget(m_progressText);
    layout->addWidget(m_progressRow);

    m_print = new QPushButton(Icons::icon(u"printer"), QString(), outcome);
    m_print->setObjectName(QStringLiteral("printButton"));
    m_print->setDefault(true);
    layout->addWidget(m_print);
    connect(m_print, &QPushButton::clicked, m_model, &PrintPanelModel::print);
    return outcome;
}

void PrintPanel::refresh() {
    const PrintPanelModel& model = *m_model;
    m_preview->setContext(model.previewContext());
    setValue(m_copies, model.copies());

    if (m_list) {
        const QSignalBlocker blocker(m_rows);
        m_rows->setCurrentIndex(m_rows->findData(int(model.rowMode())));
        const bool range = model.rowMode() == PrintPanelModel::RowMode::range;
        m_listForm->setRowVisible(m_from, range);
        m_listForm->setRowVisible(m_to, range);
        setValue(m_from, model.rangeFrom());
        setValue(m_to, model.rangeTo());
        const QString rowsFooter = model.rowsFooter();
        m_rowsFooter->setText(rowsFooter);
        m_listForm->setRowVisible(m_rowsFooter, !rowsFooter.isEmpty());
    }
    if (m_serial) {
        setValue(m_serialStart, model.serialStart());
        setValue(m_serialCount, model.serialCount());
        setValue(m_serialDigits, model.serialDigits());
        m_serialForm->setRowVisible(m_serialCount, model.showsSerialCount());
        m_serialFooter->setText(model.serialFooter());
    }
    if (model.neededFields() != m_fieldNames) {
        rebuildFields();
    }
    m_fields->setVisible(!m_fieldNames.isEmpty());

    const PrintStatus& status = model.status();
    const bool printing = status.kind == PrintStatus::Kind::printing;
    const bool outcome =
        status.kind == PrintStatus::Kind::done || status.kind == PrintStatus::Kind::failed;
    m_statusRow->setVisible(outcome);
    if (outcome) {
        const bool done = status.kind == PrintStatus::Kind::done;
        m_statusIcon->setPixmap(
            Icons::icon(done ? u"checkmark.circle" : u"exclamationmark.triangle").pixmap(16, 16));
        m_status->setText(status.text());
        m_status->setStyleSheet(done ? QStringLiteral("color: #1e8e3e;")
                                     : QStringLiteral("color: #d93025;"));
    }
    m_progressRow->setVisible(printing);
    if (printing) {
        m_progress->setRange(0, int(std::max<qint64>(status.total, 1)));
        m_progress->setValue(int(status.done));
        m_progressText->setText(status.text());
    }
    m_print->setVisible(!printing);
    m_print->setText(model.printTitle());
    m_print->setAccessibleName(model.printTitle());
    m_print->setEnabled(model.canPrint());
}

void PrintPanel::rebuildFields() {
    m_fieldNames = m_model->neededFields();
    while (m_fieldsForm->rowCount() > 0) {
        m_fieldsForm->removeRow(0);
    }
    for (const QString& name : m_fieldNames) {
        auto* edit = new QLineEdit(m_model->field(name), m_fields);
        edit->setAccessibleName(name);
        connect(edit, &QLineEdit::textEdited, m_model,
                [this, name](const QString& text) { m_model->setField(name, text); });
        m_fieldsForm->addRow(name, edit);
    }
}

} // namespace vantrel
