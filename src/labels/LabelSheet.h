#pragma once
#include "basic/GoodsLabels.h"

#include <optional>
#include <string>
#include <vector>

class QPagedPaintDevice;

// Goods labels on paper or PDF (Qt Gui and libzint; shared by the goods window and ferix-cli).

struct LabelSize {
    double widthMm = 40;
    double heightMm = 30;
};
// "40x30" (width × height in millimetres, "×" too); nothing for anything else or for a label
// that does not fit an A4 page inside its margins.
std::optional<LabelSize> ParseLabelSize(const std::string& text);

// The blank edge of an A4 sheet of labels, on each side.
inline constexpr double kLabelSheetMarginMm = 5;

// How many labels of a size fit on one A4 page, across and down.
struct LabelGrid {
    int columns = 0;
    int rows = 0;
    int PerPage() const { return columns * rows; }
};
LabelGrid A4LabelGrid(LabelSize size);

// Draws the labels on the device, setting its pages up: A4 sheets filled row by row, or with
// `roll` one label per page of the label's own size (label printers). False when the device
// cannot be painted on.
bool PaintLabels(QPagedPaintDevice& device, const std::vector<GoodsLabel>& labels, LabelSize size,
                 bool roll);

// The labels as a PDF file, written whole or not at all; false after a message.
bool WriteLabelsPdf(const std::string& path, const std::vector<GoodsLabel>& labels, LabelSize size,
                    bool roll);
