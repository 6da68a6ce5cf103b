#include "views/DataTableView.h"

#include "views/Icons.h"
#include "views/InspectorStyle.h"

#include "LabelKit/edit/ColumnDrag.h"
#include "LabelKit/edit/DataTableModel.h"
#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/ListTexts.h"
#include "LabelKit/edit/RowSearch.h"

#include <QApplication>
#include <QDrag>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantrel {

namespace {

// The row's tick: a filled accent disc with a white check when ticked, else a thin secondary
// circle.
QIcon tickIcon(bool ticked, const QPalette& palette, int side) {
    QPixmap pixmap(side * 2, side * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc = QRectF(0, 0, side, side).adjusted(1.5, 1.5, -1.5, -1.5);
    if (!ticked) {
        painter.setPen(QPen(palette.color(QPalette::PlaceholderText), 1.2));
        painter.drawEllipse(disc);
        return QIcon(pixmap);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.color(QPalette::Highlight));
    painter.drawEllipse(disc);
    painter.setPen(QPen(Qt::white, side / 9.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF check[] = {
        {side * 0.3, side * 0.52}, {side * 0.44, side * 0.66}, {side * 0.7, side * 0.36}};
    painter.drawPolyline(check, 3);
    return QIcon(pixmap);
}

} // namespace

ColumnHeaderView::ColumnHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QMimeData* ColumnHeaderView::dragData(int section) const {
    if (!model() || section < DataTableModel::firstCellColumn || section >= count()) {
        return nullptr;
    }
    auto* data = new QMimeData;
    data->setText(ColumnDrag::payload(model()->headerData(section, Qt::Horizontal).toString()));
    return data;
}

void ColumnHeaderView::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->position().toPoint();
    m_section = event->button() == Qt::LeftButton ? logicalIndexAt(m_pressed) : -1;
    if (m_section >= 0) {
        // A press on a section's edge resizes the column instead of dragging it.
        const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
        const int left = sectionViewportPosition(m_section);
        const int right = left + sectionSize(m_section);
        if (m_pressed.x() < left + grip || m_pressed.x() >= right - grip) {
            m_section = -1;
        }
    }
    QHeaderView::mousePressEvent(event);
}

void ColumnHeaderView::mouseMoveEvent(QMouseEvent* event) {
    if (m_section >= 0 && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - m_pressed).manhattanLength() >=
            QApplication::startDragDistance()) {
        if (QMimeData* data = dragData(m_section)) {
            m_section = -1;
            auto* drag = new QDrag(this);
            drag->setMimeData(data);
            drag->exec(Qt::CopyAction);
            return;
        }
    }
    QHeaderView::mouseMoveEvent(event);
}

DataTableView::DataTableView(EditSession& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_model(new DataTableModel(this))
    , m_rowSearch(new RowSearch(this))
    , m_search(new QLineEdit(this))
    , m_caption(new QLabel(this))
    , m_clear(new QToolButton(this))
    , m_table(new QTableView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto* searchRow = new QHBoxLayout;
    auto* glass = new QLabel(this);
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize);
    glass->setPixmap(Icons::icon(u"magnifyingglass").pixmap(side, side));
    searchRow->addWidget(glass);
    m_search->setPlaceholderText(QStringLiteral("Search rows"));
    m_search->setAccessibleName(QStringLiteral("Search rows"));
    m_search->setClearButtonEnabled(true);
    searchRow->addWidget(m_search, 1);
    InspectorStyle::setSecondary(m_caption);
    searchRow->addWidget(m_caption);
    m_clear->setText(QStringLiteral("Clear"));
    m_clear->setAccessibleName(QStringLiteral("Clear"));
    m_clear->setAutoRaise(true);
    searchRow->addWidget(m_clear);
    layout->addLayout(searchRow);

    m_model->setIcons(Icons::icon(u"circle.dotted"), tickIcon(true, palette(), side),
                      tickIcon(false, palette(), side));
    m_table->setModel(m_model);
    auto* header = new ColumnHeaderView(m_table);
    m_table->setHorizontalHeader(header);
    header->setToolTip(QStringLiteral("Drag onto a text, barcode or QR item"));
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    header->setDefaultSectionSize(cellWidth);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setShowGrid(false);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setAccessibleName(QStringLiteral("List rows"));
    layout->addWidget(m_table, 1);

    connect(m_search, &QLineEdit::textChanged, m_rowSearch, &RowSearch::search);
    connect(m_rowSearch, &RowSearch::found, this,
            [this](const QString&, const QList<qsizetype>& rows) { m_model->setShownRows(rows); });
    connect(m_clear, &QToolButton::clicked, this, [this] { m_session.setTickedRows({}); });
    connect(m_table, &QTableView::clicked, this, [this](const QModelIndex& index) {
        const qsizetype row = m_model->tableRow(index.row());
        if (row < 0) {
            return;
        }
        if (index.column() == DataTableModel::tickColumn) {
            m_session.toggleTickedRow(row);
        } else {
            m_session.setPreviewRow(row);
        }
    });
    connect(&session, &EditSession::tableChanged, this, &DataTableView::reload);
    connect(&session, &EditSession::previewRowChanged, this, [this] {
        m_model->setPreviewRow(m_session.previewRow());
        // Stepping from the header bar brings the row into view when the search shows it.
        if (const int row = m_model->modelRow(m_session.previewRow()); row >= 0) {
            m_table->scrollTo(m_model->index(row, DataTableModel::numberColumn));
        }
    });
    connect(&session, &EditSession::tickedRowsChanged, this, [this] {
        m_model->setTicked(m_session.tickedRows());
        refreshCaption();
    });
    reload();
}

void DataTableView::reload() {
    DataTable table = m_session.table().value_or(DataTable{});
    m_rowSearch->setTable(table);
    m_model->setTable(std::move(table));
    m_model->setPreviewRow(m_session.previewRow());
    m_model->setTicked(m_session.tickedRows());
    QHeaderView* header = m_table->horizontalHeader();
    header->resizeSection(DataTableModel::tickColumn, 28);
    const QFontMetrics digits(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    header->resizeSection(DataTableModel::numberColumn,
                          digits.horizontalAdvance(QString::number(m_model->table().rows.size()) +
                                                   QStringLiteral("00")));
    if (!m_search->text().isEmpty()) {
        m_rowSearch->search(m_search->text());
    }
    refreshCaption();
}

void DataTableView::refreshCaption() {
    const qsizetype ticked = m_session.tickedRows().size();
    m_caption->setText(ListTexts::caption(m_model->table().rows.size(), ticked));
    m_clear->setVisible(ticked > 0);
}

} // namespace vantrel
