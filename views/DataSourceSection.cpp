#include "views/DataSourceSection.h"

#include "views/Icons.h"
#include "views/InspectorStyle.h"
#include "views/RowStepper.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/ListTexts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vantrel {

DataSourceSection::DataSourceSection(EditSession& session, QWidget* parent)
    : QGroupBox(QStringLiteral("List"), parent)
    , m_session(session)
    , m_attached(new QWidget(this))
    , m_name(new QLabel(m_attached))
    , m_rows(new QLabel(m_attached))
    , m_stepper(new RowStepper(session, m_attached))
    , m_header(new QCheckBox(QStringLiteral("First row is column names"), m_attached))
    , m_columns(new QLabel(m_attached))
    , m_show(
          InspectorStyle::button(u"list.bullet.rectangle", QStringLiteral("View list"), m_attached))
    , m_replace(InspectorStyle::button(u"arrow.triangle.2.circlepath",
                                       QStringLiteral("Replace list…"), m_attached))
    , m_remove(InspectorStyle::button(u"trash", QStringLiteral("Remove list"), m_attached))
    , m_import(InspectorStyle::button(u"tablecells.badge.ellipsis",
                                      QStringLiteral("Import list (CSV)…"), this))
    , m_footer(InspectorStyle::caption({}, this)) {
    setAccessibleName(title());
    auto* layout = new QVBoxLayout(this);

    auto* attached = new QVBoxLayout(m_attached);
    attached->setContentsMargins(0, 0, 0, 0);
    auto* nameRow = new QHBoxLayout;
    auto* icon = new QLabel(m_attached);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(Icons::icon(u"tablecells").pixmap(side, side));
    nameRow->addWidget(icon);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    nameRow->addWidget(m_name, 1);
    InspectorStyle::setSecondary(m_rows);
    nameRow->addWidget(m_rows);
    attached->addLayout(nameRow);
    attached->addWidget(m_stepper);
    m_header->setAccessibleName(m_header->text());
    attached->addWidget(m_header);
    m_columns->setWordWrap(true);
    attached->addWidget(m_columns);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_show);
    buttons->addWidget(m_replace);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    attached->addLayout(buttons);
    layout->addWidget(m_attached);
    layout->addWidget(m_import, 0, Qt::AlignLeft);
    layout->addWidget(m_footer);

    connect(m_header, &QCheckBox::clicked, this, [this](bool on) {
        m_session.editDocument(QStringLiteral("Change First Row Is Column Names"),
                               [on](LabelDocument& d) { d.dataHasHeader = on; });
    });
    connect(m_show, &QPushButton::clicked, this, &DataSourceSection::showTableRequested);
    connect(m_replace, &QPushButton::clicked, this, &DataSourceSection::importRequested);
    connect(m_import, &QPushButton::clicked, this, &DataSourceSection::importRequested);
    connect(m_remove, &QPushButton::clicked, this, &DataSourceSection::removeRequested);
    connect(&session, &EditSession::tableChanged, this, &DataSourceSection::refresh);
    connect(&session, &EditSession::loadedChanged, this, &DataSourceSection::refresh);
    connect(&session, &EditSession::documentChanged, this, [this](const QSet<QUuid>&, bool label) {
        if (label) {
            refresh();
        }
    });
    refresh();
}

void DataSourceSection::setShowTableOffered(bool offered) {
    m_showOffered = offered;
    refresh();
}

void DataSourceSection::refresh() {
    const std::optional<DataTable> table = m_session.table();
    m_attached->setVisible(table.has_value());
    m_import->setVisible(!table);
    m_show->setVisible(m_showOffered);
    if (table) {
        const QString name = m_session.document().dataName.value_or(QString());
        m_name->setText(name);
        m_name->setAccessibleName(name);
        m_rows->setText(ListTexts::caption(table->rows.size(), 0));
        m_header->setChecked(m_session.document().dataHasHeader);
        m_columns->setText(ListTexts::columns(table->columns));
    }
    m_footer->setText(
        table
            ? QStringLiteral(
                  "Select an item and pick its Data column, or type {Column} anywhere in its text.")
            : QStringLiteral(
                  "Print one label per row of a CSV file. Export from Excel, Numbers or Odoo as "
                  "CSV."));
}

} // namespace vantrel
