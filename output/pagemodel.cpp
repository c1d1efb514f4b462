#include "output/pagemodel.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <stdexcept>

namespace {

struct PaperSpec {
    const char* name;
    double widthMm;
    double heightMm;
    QPageSize::PageSizeId id;
};

// The published sizes of the named papers, upright.
const PaperSpec papers[paperChoiceCount] = {
    {"A3", 297, 420, QPageSize::A3},
    {"A4", 210, 297, QPageSize::A4},
    {"A5", 148, 210, QPageSize::A5},
    {"A6", 105, 148, QPageSize::A6},
    {"B5", 176, 250, QPageSize::B5},
    {"C5", 162, 229, QPageSize::C5E},
    {"Letter", 215.9, 279.4, QPageSize::Letter},
    {"Legal", 215.9, 355.6, QPageSize::Legal},
    {"自定", 0, 0, QPageSize::Custom},
};

// Paper pixels are 1/96 inch whatever the device: fonts given in points are scaled so that
// a painter transformed to paper pixels draws them at their true size.
QFont deviceFont(const QFont& font, const QPaintDevice* device) {
    QFont f = font;
    const double pt = font.pointSizeF();
    const int dpi = device ? device->logicalDpiY() : 0;
    if (pt > 0 && dpi > 0)
        f.setPointSizeF(pt * paperDpi / dpi);
    return f;
}

const QImage& paperReference() {
    static const QImage image = [] {
        QImage i(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(paperDpi / 0.0254);
        i.setDotsPerMeterX(dotsPerMeter);
        i.setDotsPerMeterY(dotsPerMeter);
        return i;
    }();
    return image;
}

} // namespace

QStringList paperChoiceNames() {
    QStringList names;
    for (const PaperSpec& p : papers)
        names << QString::fromUtf8(p.name);
    return names;
}

QSizeF paperChoiceSizeMm(PaperChoice choice) {
    const PaperSpec& p = papers[static_cast<int>(choice)];
    return QSizeF(p.widthMm, p.heightMm);
}

QFont paperFont(const QFont& font, double screenDpi) {
    QFont f = font;
    if (font.pixelSize() > 0 && screenDpi > 0)
        f.setPointSizeF(font.pixelSize() * 72.0 / screenDpi);
    return f;
}

double paperTextWidth(const QFont& font, const QString& text) {
    const QImage& ref = paperReference();
    QFontMetricsF metrics(deviceFont(font, &ref), &ref);
    return metrics.horizontalAdvance(text);
}

PageModel::PageModel() {
    font_.setPointSizeF(10);
}

void PageModel::setPaper(PaperChoice choice) {
    if (choice == PaperChoice::Custom)
        return;
    paper_ = choice;
    const QSizeF size = paperChoiceSizeMm(choice);
    paperWidthMm_ = size.width();
    paperHeightMm_ = size.height();
}

void PageModel::setCustomPaper(double heightMm, double widthMm) {
    if (!(heightMm > 0) || !(widthMm > 0))
        throw std::invalid_argument("paper height and width must be greater than 0 mm");
    paper_ = PaperChoice::Custom;
    paperHeightMm_ = heightMm;
    paperWidthMm_ = widthMm;
}

double PageModel::pageHeightMm() const {
    return orientation_ == QPageLayout::Landscape ? paperWidthMm_ : paperHeightMm_;
}

double PageModel::pageWidthMm() const {
    return orientation_ == QPageLayout::Landscape ? paperHeightMm_ : paperWidthMm_;
}

void PageModel::clear() {
    pages_.clear();
}

void PageModel::newPage() {
    pages_.emplace_back();
}

Page& PageModel::currentPage() {
    if (pages_.empty())
        newPage();
    return pages_.back();
}

void PageModel::textOut(double xPx, double yPx, const QString& text) {
    PageItem item;
    item.kind = PageItem::Text;
    item.rect = QRectF(xPx, yPx, 0, 0);
    item.text = text;
    item.font = font_;
    currentPage().items.push_back(std::move(item));
}

void PageModel::textOutMm(double xMm, double yMm, const QString& text) {
    textOut(mmToPx(xMm), mmToPx(yMm), text);
}

void PageModel::line(double x1Px, double y1Px, double x2Px, double y2Px, const QColor& colour) {
    PageItem item;
    item.kind = PageItem::Line;
    item.line = QLineF(x1Px, y1Px, x2Px, y2Px);
    item.pen = colour;
    currentPage().items.push_back(std::move(item));
}

void PageModel::cell(const QRectF& boxPx, const QString& text, const QFont& font,
                     const QColor& fill, const QColor& outline, double innerMarginPx) {
    PageItem item;
    item.kind = PageItem::Cell;
    item.rect = boxPx;
    item.text = text;
    item.font = font;
    item.brush = fill;
    item.pen = outline;
    item.innerMargin = innerMarginPx;
    currentPage().items.push_back(std::move(item));
}

double PageModel::textWidth(const QString& text) const {
    return paperTextWidth(font_, text);
}

void PageModel::render(QPainter& painter, int index) const {
    const QPaintDevice* device = painter.device();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const PageItem& item : page(index).items) {
        switch (item.kind) {
        case PageItem::Text:
            painter.setFont(deviceFont(item.font, device));
            painter.setPen(item.pen);
            painter.drawText(QRectF(item.rect.topLeft(), QSizeF(1e5, 1e5)),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, item.text);
            break;
        case PageItem::Line:
            painter.setPen(QPen(item.pen, 1.0));
            painter.drawLine(item.line);
            break;
        case PageItem::Cell: {
            painter.setPen(QPen(item.pen, 1.0));
            painter.setBrush(item.brush);
            painter.drawRect(item.rect);
            if (item.text.isEmpty())
                break;
            const double m = item.innerMargin;
            const QRectF inner = item.rect.adjusted(m, m, -m, -m);
            painter.save();
            painter.setClipRect(item.rect);
            painter.setFont(deviceFont(item.font, device));
            painter.setPen(Qt::black);
            painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, item.text);
            painter.restore();
            break;
        }
        }
    }
    painter.restore();
}

void PageModel::applyPage(QPrinter& printer) const {
    const double w = pageWidthMm();
    const double h = pageHeightMm();
    const QPageLayout::Orientation orientation =
        w > h ? QPageLayout::Landscape : QPageLayout::Portrait;
    QPageSize size;
    if (paper_ != PaperChoice::Custom)
        size = QPageSize(papers[static_cast<int>(paper_)].id);
    else
        size = QPageSize(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter,
                         QStringLiteral("Custom"), QPageSize::ExactMatch);
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0)));
}

void PageModel::print(QPrinter& printer, int fromPage, int toPage) const {
    fromPage = std::max(fromPage, 1);
    toPage = std::min(toPage, pageCount());
    if (fromPage > toPage)
        return;
    applyPage(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("無法開始列印: " + printer.printerName().toStdString() +
                                 printer.outputFileName().toStdString());
    for (int p = fromPage; p <= toPage; ++p) {
        if (p > fromPage)
            printer.newPage();
        painter.save();
        painter.scale(printer.logicalDpiX() / paperDpi, printer.logicalDpiY() / paperDpi);
        render(painter, p - 1);
        painter.restore();
    }
    painter.end();
}
