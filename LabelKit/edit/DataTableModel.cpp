#include "LabelKit/edit/DataTableModel.h"

#include <QColor>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <numeric>

namespace vantrel {

DataTableModel::DataTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void DataTableModel::setTable(DataTable table) {
    beginResetModel();
    m_table = std::move(table);
    m_shown.resize(m_table.rows.size());
    std::iota(m_shown.begin(), m_shown.end(), qsizetype(0));
    m_previewRow = 0;
    m_ticked.clear();
    endResetModel();
}

void DataTableModel::setShownRows(QList<qsizetype> rows) {
    if (rows == m_shown) {
        return;
    }
    beginResetModel();
    m_shown = std::move(rows);
    endResetModel();
}

qsizetype DataTableModel::tableRow(int modelRow) const {
    return modelRow >= 0 && modelRow < m_shown.size() ? m_shown.at(modelRow) : -1;
}

int DataTableModel::modelRow(qsizetype tableRow) const {
    const auto found = std::lower_bound(m_shown.cbegin(), m_shown.cend(), tableRow);
    return found != m_shown.cend() && *found == tableRow ? int(found - m_shown.cbegin()) : -1;
}

void DataTableModel::rowChanged(qsizetype tableRow, int firstColumn, int lastColumn) {
    if (const int row = modelRow(tableRow); row >= 0) {
        Q_EMIT dataChanged(index(row, firstColumn), index(row, lastColumn));
    }
}

void DataTableModel::setPreviewRow(qsizetype row) {
    if (row == m_previewRow) {
        return;
    }
    const qsizetype old = std::exchange(m_previewRow, row);
    rowChanged(old, 0, columnCount() - 1);
    rowChanged(row, 0, columnCount() - 1);
}

void DataTableModel::setTicked(const QSet<qsizetype>& rows) {
    if (rows == m_ticked) {
        return;
    }
    const QSet<qsizetype> changed = (rows - m_ticked) + (m_ticked - rows);
    m_ticked = rows;
    if (changed.size() > 64) {
        if (rowCount() > 0) {
            Q_EMIT dataChanged(index(0, tickColumn), index(rowCount() - 1, tickColumn));
        }
        return;
    }
    for (const qsizetype row : changed) {
        rowChanged(row, tickColumn, tickColumn);
    }
}

void DataTableModel::setIcons(const QIcon& columnMark, const QIcon& ticked, const QIcon& unticked) {
    m_mark = columnMark;
    m_tickedIcon = ticked;
    m_untickedIcon = unticked;
}

int DataTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_shown.size());
}

int DataTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : firstCellColumn + int(m_table.columns.size());
}

QVariant DataTableModel::data(const QModelIndex& index, int role) const {
    const qsizetype row = tableRow(index.row());
    if (row < 0) {
        return {};
    }
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == numberColumn) {
            return QString::number(row + 1);
        }
        if (column >= firstCellColumn) {
            const QStringList& cells = m_table.rows.at(row);
            const int cell = column - firstCellColumn;
            return cell < cells.size() ? cells.at(cell) : QString(); // a short row
        }
        return {};
    case Qt::DecorationRole:
        return column == tickColumn
                   ? QVariant(m_ticked.contains(row) ? m_tickedIcon : m_untickedIcon)
                   : QVariant();
    case Qt::BackgroundRole:
        if (row == m_previewRow) {
            QColor accent = QGuiApplication::palette().color(QPalette::Highlight);
            accent.setAlphaF(0.18f);
            return accent;
        }
        return row % 2 == 1 ? QVariant(QColor(128, 128, 128, 15)) : QVariant();
    case Qt::ForegroundRole:
        return column == numberColumn
                   ? QVariant(QGuiApplication::palette().color(QPalette::PlaceholderText))
                   : QVariant();
    case Qt::FontRole:
        return column == numberColumn
                   ? QVariant(QFontDatabase::systemFont(QFontDatabase::FixedFont))
                   : QVariant();
    case Qt::TextAlignmentRole:
        return column == numberColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::AccessibleTextRole:
        if (column != tickColumn) {
            return {};
        }
        return m_ticked.contains(row) ? QStringLiteral("Row %1, ticked").arg(row + 1)
                                      : QStringLiteral("Row %1").arg(row + 1);
    default:
        return {};
    }
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (section >= firstCellColumn && section - firstCellColumn < m_table.columns.size()) {
        switch (role) {
        case Qt::DisplayRole:
            return m_table.columns.at(section - firstCellColumn);
        case Qt::DecorationRole:
            return m_mark;
        case Qt::ToolTipRole:
            return QStringLiteral("Drag onto a text, barcode or QR item");
        default:
            return {};
        }
    }
    if (section == numberColumn && role == Qt::DisplayRole) {
        return QStringLiteral("#");
    }
    if (section == tickColumn && role == Qt::AccessibleTextRole) {
        return QStringLiteral("Ticked");
    }
    return {};
}

Qt::ItemFlags DataTableModel::flags(const QModelIndex&) const {
    return Qt::ItemIsEnabled;
}

} // namespace vantrel
