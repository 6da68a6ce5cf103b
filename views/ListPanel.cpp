#include "views/ListPanel.h"

#include "views/DataTableView.h"
#include "views/Icons.h"
#include "views/InspectorStyle.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/ListTexts.h"

#include <QAction>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vantrel {

ListPanel::ListPanel(EditSession& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_name(new QLabel(this))
    , m_previous(InspectorStyle::iconButton(u"chevron.left", QStringLiteral("Previous row"), this))
    , m_row(new QLabel(this))
    , m_next(InspectorStyle::iconButton(u"chevron.right", QStringLiteral("Next row"), this))
    , m_menu(InspectorStyle::iconButton(u"ellipsis.circle", QStringLiteral("List"), this))
    , m_header(new QAction(QStringLiteral("First row is column names"), this))
    , m_import(InspectorStyle::button(u"tablecells.badge.ellipsis", QStringLiteral("Import List…"),
                                      this))
    , m_body(new QStackedWidget(this))
    , m_empty(new QWidget(this))
    , m_table(new DataTableView(session, this)) {
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* icon = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(Icons::icon(u"tablecells").pixmap(side, side));
    bar->addWidget(icon);
    QFont semibold = m_name->font();
    semibold.setWeight(QFont::DemiBold);
    m_name->setFont(semibold);
    m_name->setMinimumWidth(40);
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_name, 1);
    bar->addWidget(m_previous);
    m_row->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    bar->addWidget(m_row);
    bar->addWidget(m_next);
    m_header->setCheckable(true);
    auto* menu = new QMenu(m_menu);
    menu->addAction(m_header);
    QAction* replace = menu->addAction(QStringLiteral("Replace List…"));
    menu->addSeparator();
    QAction* remove = menu->addAction(Icons::icon(u"trash"), QStringLiteral("Remove List"));
    m_menu->setMenu(menu);
    m_menu->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(m_menu);
    bar->addWidget(m_import);
    layout->addLayout(bar);

    auto* emptyLayout = new QVBoxLayout(m_empty);
    emptyLayout->addStretch(1);
    auto* emptyIcon = new QLabel(m_empty);
    emptyIcon->setPixmap(Icons::icon(u"arrow.down.doc").pixmap(32, 32));
    emptyIcon->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(emptyIcon);
    auto* emptyTitle =
        new QLabel(QStringLiteral("Drop a CSV file here, or click Import List…"), m_empty);
    emptyTitle->setAlignment(Qt::AlignCenter);
    emptyTitle->setFont(semibold);
    emptyLayout->addWidget(emptyTitle);
    QLabel* emptyText = InspectorStyle::caption(
        QStringLiteral("Each row prints one label. Columns fill items you link them to."), m_empty);
    emptyText->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(emptyText);
    emptyLayout->addStretch(1);
    m_body->addWidget(m_empty);

    auto* attached = new QWidget(this);
    auto* attachedLayout = new QVBoxLayout(attached);
    attachedLayout->setContentsMargins(0, 0, 0, 0);
    attachedLayout->addWidget(m_table, 1);
    attachedLayout->addWidget(InspectorStyle::caption(
        QStringLiteral("Drag a column header onto a text, barcode or QR item. Click a row to "
                       "preview it; tick rows to print only those."),
        attached));
    m_body->addWidget(attached);
    layout->addWidget(m_body, 1);

    connect(m_previous, &QToolButton::clicked, this, [this] { m_session.stepPreviewRow(-1); });
    connect(m_next, &QToolButton::clicked, this, [this] { m_session.stepPreviewRow(1); });
    connect(m_header, &QAction::triggered, this, [this](bool on) {
        m_session.editDocument(QStringLiteral("Change First Row Is Column Names"),
                               [on](LabelDocument& d) { d.dataHasHeader = on; });
    });
    connect(replace, &QAction::triggered, this, &ListPanel::importRequested);
    connect(m_import, &QPushButton::clicked, this, &ListPanel::importRequested);
    connect(remove, &QAction::triggered, this, &ListPanel::removeRequested);
    connect(&session, &EditSession::tableChanged, this, &ListPanel::refresh);
    connect(&session, &EditSession::previewRowChanged, this, &ListPanel::refresh);
    connect(&session, &EditSession::loadedChanged, this, &ListPanel::refresh);
    connect(&session, &EditSession::documentChanged, this, [this](const QSet<QUuid>&, bool label) {
        if (label) {
            refresh();
        }
    });
    refresh();
}

bool ListPanel::showsEmptyState() const {
    return m_body->currentWidget() == m_empty;
}

void ListPanel::refresh() {
    const LabelDocument& document = m_session.document();
    const std::optional<DataTable> table = m_session.table();
    const bool attached = document.dataName.has_value();
    const qsizetype count = table ? table->rows.size() : 0;
    m_fullName = attached ? *document.dataName : QStringLiteral("No list");
    refreshName();
    for (QWidget* part : std::initializer_list<QWidget*>{m_previous, m_row, m_next}) {
        part->setVisible(count > 0);
    }
    m_row->setText(ListTexts::rowOf(m_session.previewRow(), count));
    m_previous->setEnabled(m_session.previewRow() > 0);
    m_next->setEnabled(m_session.previewRow() < count - 1);
    m_menu->setVisible(attached);
    m_import->setVisible(!attached);
    m_header->setChecked(document.dataHasHeader);
    m_body->setCurrentIndex(attached ? 1 : 0);
}

void ListPanel::refreshName() {
    m_name->setText(m_name->fontMetrics().elidedText(m_fullName, Qt::ElideMiddle,
                                                     std::max(m_name->width(), 40)));
    m_name->setToolTip(m_fullName);
    m_name->setAccessibleName(m_fullName);
}

void ListPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    refreshName();
}

} // namespace vantrel
