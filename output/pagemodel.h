#pragma once

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

// Positions on paper are in pixels of 1/96 inch from the paper's top-left corner.
constexpr double paperDpi = 96.0;
inline double mmToPx(double mm) {
    return mm * paperDpi / 25.4;
}
inline double pxToMm(double px) {
    return px * 25.4 / paperDpi;
}

// The paper choices of the preview, in the order of its "紙張" list; the last is custom.
enum class PaperChoice { A3, A4, A5, A6, B5, C5, Letter, Legal, Custom };
constexpr int paperChoiceCount = 9;
QStringList paperChoiceNames();
// Height and width in millimetres of a named paper, portrait (custom gives 0 x 0).
QSizeF paperChoiceSizeMm(PaperChoice choice);

// One thing drawn on a page. Fonts carry their size in points.
struct PageItem {
    enum Kind { Text, Line, Cell };
    Kind kind = Text;
    // Text: the text's top-left corner is rect.topLeft(). Cell: the cell's box.
    QRectF rect;
    QLineF line;
    QString text;
    QFont font;
    QColor pen = Qt::black;
    QColor brush = Qt::white;
    double innerMargin = 0; // Cell: space between the box and its text
};

struct Page {
    std::vector<PageItem> items;
};

// The pages of one print, recorded once and drawn the same way on screen, on a printer and
// into a PDF file. Drawing goes to the current page, the last one added.
class PageModel {
public:
    PageModel();

    // Paper. The paper is always described upright (height x width); the orientation turns it.
    void setPaper(PaperChoice choice);
    void setCustomPaper(double heightMm, double widthMm);
    PaperChoice paper() const { return paper_; }
    double paperHeightMm() const { return paperHeightMm_; }
    double paperWidthMm() const { return paperWidthMm_; }
    void setOrientation(QPageLayout::Orientation orientation) { orientation_ = orientation; }
    QPageLayout::Orientation orientation() const { return orientation_; }
    // The page as laid out: the paper turned by the orientation.
    double pageHeightMm() const;
    double pageWidthMm() const;
    double pageHeightPx() const { return mmToPx(pageHeightMm()); }
    double pageWidthPx() const { return mmToPx(pageWidthMm()); }
    void setMargins(double mm) { marginMm_ = mm; }
    double margins() const { return marginMm_; }

    // Pages.
    void clear();
    void newPage();
    int pageCount() const { return static_cast<int>(pages_.size()); }
    const Page& page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    const std::vector<Page>& pages() const { return pages_; }

    // Drawing on the current page (a first page is added when there is none).
    void setFont(const QFont& font) { font_ = font; }
    const QFont& font() const { return font_; }
    void textOut(double xPx, double yPx, const QString& text);
    void textOutMm(double xMm, double yMm, const QString& text);
    void line(double x1Px, double y1Px, double x2Px, double y2Px, const QColor& colour = Qt::black);
    void cell(const QRectF& boxPx, const QString& text, const QFont& font, const QColor& fill,
              const QColor& outline, double innerMarginPx);
    // Width in paper pixels of text in the canvas font.
    double textWidth(const QString& text) const;

    // Draws page `index` with painter, whose coordinates must be paper pixels.
    void render(QPainter& painter, int index) const;
    // Sets paper and orientation of printer (full-page, so positions stay on the paper's
    // corner) and prints pages from..to, counted from 1.
    void applyPage(QPrinter& printer) const;
    void print(QPrinter& printer, int fromPage, int toPage) const;

private:
    Page& currentPage();

    std::vector<Page> pages_;
    PaperChoice paper_ = PaperChoice::A4;
    double paperHeightMm_ = 297;
    double paperWidthMm_ = 210;
    QPageLayout::Orientation orientation_ = QPageLayout::Portrait;
    double marginMm_ = 0;
    QFont font_;
};

// A font in points from one given in screen pixels (a widget's font), so that it prints as
// large on paper as it shows on the screen.
QFont paperFont(const QFont& font, double screenDpi);
// Width in paper pixels of text in font.
double paperTextWidth(const QFont& font, const QString& text);
