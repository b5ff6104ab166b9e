#include "LabelSheet.h"

#include "port/MessagePort.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>

#include <zint.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace {
constexpr double kA4WidthMm = 210;
constexpr double kA4HeightMm = 297;
constexpr double kPaddingMm = 1.5;

struct SymbolDeleter {
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

// The barcode with its digits under it, fitted into `box`; nothing drawn when zint refuses the
// data (a code with characters Code 128 cannot hold): the label keeps its texts.
void DrawBarcode(QPainter& painter, const LabelBarcode& barcode, const QRectF& box) {
    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol)
        return;
    symbol->symbology = barcode.symbology == LabelSymbology::Ean13 ? BARCODE_EANX : BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 1;
    const auto* data = reinterpret_cast<const unsigned char*>(barcode.data.data());
    if (ZBarcode_Encode(symbol.get(), data, static_cast<int>(barcode.data.size())) >= ZINT_ERROR ||
        ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector ||
        symbol->vector->width <= 0 || symbol->vector->height <= 0)
        return;
    const zint_vector& v = *symbol->vector;
    const double sx = box.width() / v.width;
    const double sy = box.height() / v.height;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const zint_vector_rect* r = v.rectangles; r; r = r->next) {
        if (r->colour == -1 || r->colour == 7)
            painter.drawRect(QRectF(box.left() + r->x * sx, box.top() + r->y * sy, r->width * sx,
                                    r->height * sy));
    }
    painter.setPen(Qt::black);
    for (const zint_vector_string* s = v.strings; s; s = s->next) {
        QFont font(QStringLiteral("Sans"));
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(s->fsize * std::min(sx, sy)))));
        painter.setFont(font);
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(s->text), s->length);
        const double w = QFontMetricsF(font).horizontalAdvance(text);
        const double x = box.left() + s->x * sx;
        const double left = s->halign == 1 ? x : s->halign == 2 ? x - w : x - w / 2;
        painter.drawText(QPointF(left, box.top() + s->y * sy), text);
    }
    painter.restore();
}

// One label in `rect` (device pixels; `mm` pixels to the millimetre): the name, the code and
// price, the barcode below.
void DrawLabel(QPainter& painter, const GoodsLabel& label, const QRectF& rect, double mm) {
    painter.save();
    painter.setPen(QPen(Qt::lightGray, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
    const QRectF inner =
        rect.adjusted(kPaddingMm * mm, kPaddingMm * mm, -kPaddingMm * mm, -kPaddingMm * mm);
    QFont nameFont(QStringLiteral("Sans"));
    nameFont.setBold(true);
    nameFont.setPixelSize(static_cast<int>(std::lround(3.2 * mm)));
    QFont infoFont(QStringLiteral("Sans"));
    infoFont.setPixelSize(static_cast<int>(std::lround(2.6 * mm)));
    const double nameHeight = 4.2 * mm;
    const double infoHeight = 3.6 * mm;
    painter.setPen(Qt::black);
    painter.setFont(nameFont);
    const QString name = QFontMetricsF(nameFont).elidedText(QString::fromStdString(label.name),
                                                            Qt::ElideRight, inner.width());
    painter.drawText(QRectF(inner.left(), inner.top(), inner.width(), nameHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, name);
    painter.setFont(infoFont);
    const QRectF info(inner.left(), inner.top() + nameHeight, inner.width(), infoHeight);
    painter.drawText(info, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(label.code));
    if (!label.price.empty())
        painter.drawText(info, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("￥") + QString::fromStdString(label.price));
    const QRectF bars(inner.left(), info.bottom() + 0.5 * mm, inner.width(),
                      inner.bottom() - info.bottom() - 0.5 * mm);
    if (bars.height() > 0)
        DrawBarcode(painter, label.barcode, bars);
    painter.restore();
}
} // namespace

std::optional<LabelSize> ParseLabelSize(const std::string& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d+(?:\\.\\d+)?)\\s*[x×X*]\\s*(\\d+(?:\\.\\d+)?)$"));
    const auto match = pattern.match(QString::fromStdString(text).trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    LabelSize size{match.captured(1).toDouble(), match.captured(2).toDouble()};
    if (size.widthMm < 10 || size.heightMm < 10 || A4LabelGrid(size).PerPage() == 0)
        return std::nullopt;
    return size;
}

LabelGrid A4LabelGrid(LabelSize size) {
    if (size.widthMm <= 0 || size.heightMm <= 0)
        return {};
    // A small tolerance: 5 labels of 40 mm fill the 200 mm between the margins exactly.
    const double across = (kA4WidthMm - 2 * kLabelSheetMarginMm) / size.widthMm + 1e-9;
    const double down = (kA4HeightMm - 2 * kLabelSheetMarginMm) / size.heightMm + 1e-9;
    return {static_cast<int>(across), static_cast<int>(down)};
}

bool PaintLabels(QPagedPaintDevice& device, const std::vector<GoodsLabel>& labels, LabelSize size,
                 bool roll) {
    const QPageSize page = roll ? QPageSize(QSizeF(size.widthMm, size.heightMm),
                                            QPageSize::Millimeter, QString(), QPageSize::ExactMatch)
                                : QPageSize(QPageSize::A4);
    device.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    const LabelGrid grid = roll ? LabelGrid{1, 1} : A4LabelGrid(size);
    if (grid.PerPage() == 0)
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Pixels to the millimetre on this device, whatever its resolution.
    const double mm = device.logicalDpiX() / 25.4;
    const double margin = roll ? 0 : kLabelSheetMarginMm;
    for (size_t i = 0; i < labels.size(); ++i) {
        const int onPage = static_cast<int>(i % static_cast<size_t>(grid.PerPage()));
        if (i > 0 && onPage == 0)
            device.newPage();
        const double x = margin + (onPage % grid.columns) * size.widthMm;
        const double y = margin + (onPage / grid.columns) * size.heightMm;
        DrawLabel(painter, labels[i], QRectF(x * mm, y * mm, size.widthMm * mm, size.heightMm * mm),
                  mm);
    }
    return painter.end();
}

bool WriteLabelsPdf(const std::string& path, const std::vector<GoodsLabel>& labels, LabelSize size,
                    bool roll) {
    const QString target = QString::fromStdString(path);
    const QString temp = target + QStringLiteral(".part");
    bool painted;
    {
        QPdfWriter writer(temp);
        writer.setResolution(300);
        writer.setTitle(QStringLiteral("商品标签"));
        painted = PaintLabels(writer, labels, size, roll);
    }
    std::error_code ec;
    if (painted && QFile::exists(temp)) {
        std::filesystem::rename(temp.toStdString(), path, ec);
        if (!ec)
            return true;
    }
    QFile::remove(temp);
    Messages().Inform("无法保存文件：" + path);
    return false;
}
