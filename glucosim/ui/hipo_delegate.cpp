#include "glucosim/ui/hipo_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include "glucosim/core/float_text.h"

namespace glucosim {

HipoDelegate::HipoDelegate(const LedPictures* pictures, int areaColumn, int lastRow,
                           QObject* parent)
    : QStyledItemDelegate(parent), pictures_(pictures), areaColumn_(areaColumn), lastRow_(lastRow) {
}

std::vector<Led> HipoDelegate::ledsOf(const QModelIndex& index) const {
    // Model row r is grid row r + 1.
    if (!index.isValid() || index.row() + 1 > lastRow_) return {};
    const auto x = parseUserNumber(index.data().toString().toStdString());
    const auto y =
        parseUserNumber(index.siblingAtColumn(areaColumn_).data().toString().toStdString());
    if (!x || !y) return {};
    return ledsFor(*x, *y);
}

void HipoDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    if (!index.isValid() || index.row() + 1 > lastRow_) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // An experiment row shows only its LEDs over the cell's background; the
    // value itself is in the tooltip and in the saved grid.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    painter->save();
    painter->setClipRect(option.rect);
    for (Led led : ledsOf(index))
        painter->drawImage(option.rect.topLeft(), pictures_->picture(led));
    painter->restore();
}

} // namespace glucosim
