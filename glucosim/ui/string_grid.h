// A grid of texts addressed by (column, row) with row 0 as the fixed header
// row: row 0 is shown as the column headers (it stays in view and its column
// edges can be dragged to resize), rows 1.. as the body. Cells are read-only
// for the user.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include "glucosim/core/tables.h"

namespace glucosim {

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    GridModel(int columns, int rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int colCount() const { return columns_; }
    int gridRowCount() const { return static_cast<int>(cells_.size()); }
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    // Replaces every text: the table's cells from (0, 0), the rest empty.
    // The column count becomes the table's when `adoptColumns` is set.
    void setTable(const Table& table, bool adoptColumns = false);
    void setColCount(int columns);
    // Rows 0..rows-1 and columns 0..columns-1 as texts.
    Table table(int rows, int columns) const;

private:
    int columns_;
    Table cells_; // [row][column], always rows x columns_
};

class StringGrid : public QTableView {
    Q_OBJECT
public:
    StringGrid(const QString& name, int columns, int rows, int defaultColWidth,
               QWidget* parent = nullptr);

    GridModel* grid() const { return model_; }
    QString cell(int column, int row) const { return model_->cell(column, row); }
    void setCell(int column, int row, const QString& text) { model_->setCell(column, row, text); }
    int colCount() const { return model_->colCount(); }
    int gridRowCount() const { return model_->gridRowCount(); }
    void setColWidth(int column, int width);
    int colWidth(int column) const;
    // The on-screen rectangle of cell (column, row), row >= 1, in viewport
    // coordinates.
    QRect cellRect(int column, int row) const;

signals:
    // A double click on body row `row` (>= 1).
    void rowActivated(int row);

private:
    GridModel* model_;
    int defaultColWidth_;
};

} // namespace glucosim
