#include "glucosim/ui/hipo_delegate.h"

#include <QPainter>

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
    const auto leds = ledsOf(index);
    if (leds.empty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The text keeps clear of the pictures drawn at the cell's top-left corner.
    QStyleOptionViewItem textOption = option;
    textOption.displayAlignment = Qt::AlignRight | Qt::AlignBottom;
    QStyledItemDelegate::paint(painter, textOption, index);
    painter->save();
    painter->setClipRect(option.rect);
    for (Led led : leds)
        painter->drawImage(option.rect.topLeft(), pictures_->picture(led));
    painter->restore();
}

} // namespace glucosim
