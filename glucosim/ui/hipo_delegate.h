// Draws the "Hipo?" cells of the experiment rows of the results grid: the
// cell's background and the LED pictures that the real outcome and the real
// area of the row call for, without the text the pictures would cover.
#pragma once

#include <QStyledItemDelegate>

#include "glucosim/ui/leds.h"

namespace glucosim {

class HipoDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // `areaColumn` is the column read as y; only body rows 1..`lastRow` get
    // LEDs. The pictures must outlive the delegate.
    HipoDelegate(const LedPictures* pictures, int areaColumn, int lastRow, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The LEDs of a body cell; empty when either text is not a number.
    std::vector<Led> ledsOf(const QModelIndex& index) const;

private:
    const LedPictures* pictures_;
    int areaColumn_;
    int lastRow_;
};

} // namespace glucosim
