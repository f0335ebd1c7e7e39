// The three LED pictures of the "Hipo?" column and the rule that chooses
// which of them a cell shows.
#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace glucosim {

enum class Led { Green = 0, Red = 1, Orange = 2 };

// File names looked up in the current directory.
QString ledFileName(Led led); // "LedRecVerd.bmp", "LedRecVermell.bmp", "LedRecTaronja.bmp"

// The pictures drawn into a cell of the "Hipo?" column: the real outcome x
// (that column) and the real hypoglycaemia area y (the next column), in
// drawing order. Agreement on 0 draws orange then green, both above 10 red
// over nothing, exactly 10 and 10 draws nothing, anything else orange.
std::vector<Led> ledsFor(double x, double y);

class LedPictures {
public:
    // The built-in pictures, each replaced by the file of its name in
    // `directory` when that file exists and reads as a picture.
    explicit LedPictures(const QString& directory = QStringLiteral("."));

    const QImage& picture(Led led) const { return pictures_[static_cast<std::size_t>(led)]; }
    bool fromFile(Led led) const { return fromFile_[static_cast<std::size_t>(led)]; }

    // A picture drawn by the program: a rounded rectangle in the LED's colour.
    static QImage builtIn(Led led);

private:
    std::array<QImage, 3> pictures_;
    std::array<bool, 3> fromFile_{};
};

} // namespace glucosim
