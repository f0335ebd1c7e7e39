#include "glucosim/ui/string_grid.h"

#include <QHeaderView>
#include <QStyleOptionHeader>
#include <algorithm>

namespace glucosim {

GridModel::GridModel(int columns, int rows, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::max(0, columns)),
      cells_(static_cast<std::size_t>(std::max(1, rows)),
             std::vector<std::string>(static_cast<std::size_t>(columns_))) {}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : gridRowCount() - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    // The tooltip shows the whole text of a cell too narrow for it.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const QString text = cell(index.column(), index.row() + 1);
        if (role == Qt::ToolTipRole && text.isEmpty()) return {};
        return text;
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (orientation == Qt::Horizontal) {
        const QString text = cell(section, 0);
        if (role == Qt::ToolTipRole && text.isEmpty()) return {};
        return text;
    }
    if (role == Qt::ToolTipRole) return {};
    return section + 1;
}

QString GridModel::cell(int column, int row) const {
    if (column < 0 || column >= columns_ || row < 0 || row >= gridRowCount()) return {};
    return QString::fromStdString(
        cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]);
}

void GridModel::setCell(int column, int row, const QString& text) {
    if (column < 0 || column >= columns_ || row < 0 || row >= gridRowCount()) return;
    cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text.toStdString();
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, column, column);
    else
        emit dataChanged(index(row - 1, column), index(row - 1, column));
}

void GridModel::setTable(const Table& table, bool adoptColumns) {
    beginResetModel();
    if (adoptColumns && !table.empty()) columns_ = static_cast<int>(table.front().size());
    for (auto& row : cells_)
        row.assign(static_cast<std::size_t>(columns_), std::string());
    const std::size_t rows = std::min(cells_.size(), table.size());
    for (std::size_t r = 0; r < rows; ++r) {
        const std::size_t cols = std::min(table[r].size(), static_cast<std::size_t>(columns_));
        std::copy_n(table[r].begin(), cols, cells_[r].begin());
    }
    endResetModel();
}

void GridModel::setColCount(int columns) {
    columns = std::max(0, columns);
    if (columns == columns_) return;
    beginResetModel();
    columns_ = columns;
    for (auto& row : cells_)
        row.resize(static_cast<std::size_t>(columns_));
    endResetModel();
}

Table GridModel::table(int rows, int columns) const {
    Table t(static_cast<std::size_t>(std::max(0, rows)));
    for (int r = 0; r < rows; ++r) {
        auto& row = t[static_cast<std::size_t>(r)];
        row.reserve(static_cast<std::size_t>(std::max(0, columns)));
        for (int c = 0; c < columns; ++c)
            row.push_back(cell(c, r).toStdString());
    }
    return t;
}

namespace {

// Column headers that do not fit their column end in "..." (the tooltip
// shows them whole).
class ElidingHeader : public QHeaderView {
public:
    explicit ElidingHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        const int margin = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
        option->text = option->fontMetrics.elidedText(option->text, Qt::ElideRight,
                                                      sectionSize(logicalIndex) - margin);
    }
};

} // namespace

StringGrid::StringGrid(const QString& name, int columns, int rows, int defaultColWidth,
                       QWidget* parent)
    : QTableView(parent), model_(new GridModel(columns, rows, this)),
      defaultColWidth_(defaultColWidth) {
    setObjectName(name);
    setHorizontalHeader(new ElidingHeader(this));
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultSectionSize(defaultColWidth);
    horizontalHeader()->setMinimumSectionSize(10);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(24);
    verticalHeader()->setMinimumSectionSize(24);
    horizontalHeader()->setFixedHeight(24);
    verticalHeader()->hide();
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { emit rowActivated(index.row() + 1); });
    connect(model_, &QAbstractItemModel::modelReset, this,
            [this] { horizontalHeader()->setDefaultSectionSize(defaultColWidth_); });
}

void StringGrid::setColWidth(int column, int width) {
    setColumnWidth(column, width);
}

int StringGrid::colWidth(int column) const {
    return columnWidth(column);
}

QRect StringGrid::cellRect(int column, int row) const {
    return visualRect(model_->index(row - 1, column));
}

} // namespace glucosim
