#pragma once

#include "LabelKit/merge/DataTable.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QSet>

namespace vantrel {

// The attached list as a table for a view, without a widget per cell: a tick column, the
// one-based row number ("#"), then one column per list column. It shows the rows of
// setShownRows() (a search's result; every row after setTable()), highlights the preview row
// with the accent colour at 18 % and paints odd list rows grey at 6 %. Ticks and the preview row
// belong to the editing session: the model only shows them.
class DataTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { tickColumn = 0, numberColumn = 1, firstCellColumn = 2 };

    explicit DataTableModel(QObject* parent = nullptr);

    const DataTable& table() const { return m_table; }
    // A new table: every row shown, nothing ticked, row 0 previewed.
    void setTable(DataTable table);
    // The list rows to show, ascending.
    void setShownRows(QList<qsizetype> rows);
    const QList<qsizetype>& shownRows() const { return m_shown; }
    // The list row of a model row, or -1.
    qsizetype tableRow(int modelRow) const;
    // The model row showing a list row, or -1 when the row is hidden.
    int modelRow(qsizetype tableRow) const;

    void setPreviewRow(qsizetype row);
    qsizetype previewRow() const { return m_previewRow; }
    void setTicked(const QSet<qsizetype>& rows);
    const QSet<qsizetype>& ticked() const { return m_ticked; }
    // The mark drawn before each column name in the header, and the tick's two faces.
    void setIcons(const QIcon& columnMark, const QIcon& ticked, const QIcon& unticked);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void rowChanged(qsizetype tableRow, int firstColumn, int lastColumn);

    DataTable m_table;
    QList<qsizetype> m_shown;
    qsizetype m_previewRow = 0;
    QSet<qsizetype> m_ticked;
    QIcon m_mark;
    QIcon m_tickedIcon;
    QIcon m_untickedIcon;
};

} // namespace vantrel
