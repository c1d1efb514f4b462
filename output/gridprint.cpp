#include "output/gridprint.h"

#include <QHeaderView>
#include <QTableWidget>

int totalColumnWidth(const QTableWidget& grid) {
    int sum = 0;
    for (int c = 0; c < grid.columnCount(); ++c)
        sum += grid.columnWidth(c);
    return sum;
}

void layoutHeadings(PageModel& pages, const QFont& face, const QString& heading1,
                    const QString& heading2, const QString& heading3) {
    QFont font = face;
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    const auto centred = [&](const QString& text, double points, double y) {
        font.setPointSizeF(points);
        pages.setFont(font);
        pages.textOut((pages.pageWidthPx() - pages.textWidth(text)) / 2, y, text);
    };
    const bool second = !heading2.trimmed().isEmpty();
    const bool third = !heading3.trimmed().isEmpty();
    centred(heading1, 18, 50);
    if (second)
        centred(heading2, 14, 75);
    if (third)
        centred(heading3, 12, 100);
    const double rule = second && third ? 120 : second ? 100 : 80;
    const double right = pages.pageWidthPx() - 50;
    pages.line(50, rule, right, rule);
    pages.line(50, rule + 5, right, rule + 5);
}

namespace {

QString headerText(const QTableWidget& grid, int column) {
    if (const QTableWidgetItem* item = grid.horizontalHeaderItem(column))
        return item->text();
    return grid.model()->headerData(column, Qt::Horizontal).toString();
}

QString cellText(const QTableWidget& grid, int row, int column) {
    const QTableWidgetItem* item = grid.item(row, column);
    return item ? item->text() : QString();
}

} // namespace

void layoutGrid(PageModel& pages, const QTableWidget& grid, double leftPx, double topPx) {
    const double xScale = paperDpi / grid.logicalDpiX();
    const double yScale = paperDpi / grid.logicalDpiY();

    // The hidden ID column is left out; so is any column with no width at all.
    struct Column {
        int index;
        double x;
        double width;
    };
    std::vector<Column> columns;
    double x = leftPx;
    for (int c = 0; c < grid.columnCount(); ++c) {
        const int w = grid.columnWidth(c);
        if ((c == 0 && w < 5) || w <= 0)
            continue;
        columns.push_back({c, x, w * xScale});
        x += w * xScale;
    }

    const QFont font = paperFont(grid.font(), grid.logicalDpiY());
    const QColor fixedColour = grid.horizontalHeader()->palette().color(QPalette::Button);
    const double margin = mmToPx(gridCellMarginMm);
    const QHeaderView* header = grid.horizontalHeader();
    const bool hasHeader = !header->isHidden();
    const double headerHeight = header->sizeHint().height() * yScale;

    double y = topPx;
    const auto placeHeader = [&] {
        for (const Column& col : columns)
            pages.cell(QRectF(col.x, y, col.width, headerHeight), headerText(grid, col.index), font,
                       fixedColour, Qt::white, margin);
        y += headerHeight;
    };
    if (hasHeader)
        placeHeader();

    const double bottom = pages.pageHeightPx() - mmToPx(gridBottomMarginMm);
    bool pageHasRows = false;
    for (int r = 0; r < grid.rowCount(); ++r) {
        const double h = grid.rowHeight(r) * yScale;
        if (h <= 0)
            continue;
        // A row taller than a whole page still goes on a page of its own.
        if (y + h > bottom && pageHasRows) {
            pages.newPage();
            y = mmToPx(gridNewPageTopMm);
            if (hasHeader)
                placeHeader();
            pageHasRows = false;
        }
        for (const Column& col : columns)
            pages.cell(QRectF(col.x, y, col.width, h), cellText(grid, r, col.index), font,
                       Qt::white, Qt::white, margin);
        y += h;
        pageHasRows = true;
    }
}

ExportTable exportTable(const QTableWidget& grid, const QStringList& headings) {
    const int columnCount = grid.columnCount();
    ExportTable table;
    const auto emptyRow = [&] {
        QStringList row;
        for (int c = 0; c < columnCount; ++c)
            row << QString();
        return row;
    };
    for (const QString& heading : headings) {
        if (heading.isEmpty())
            continue;
        QStringList row = emptyRow();
        if (columnCount > 0)
            row[0] = heading;
        else
            row << heading;
        table.push_back(row);
    }
    if (!table.empty()) {
        table.push_back(emptyRow());
        table.push_back(emptyRow());
    }

    std::vector<int> kept;
    for (int c = 0; c < columnCount; ++c)
        if (grid.columnWidth(c) > 5)
            kept.push_back(c);
    const auto gridRow = [&](auto text) {
        QStringList row = emptyRow();
        for (std::size_t k = 0; k < kept.size(); ++k)
            row[static_cast<int>(k)] = text(kept[k]);
        table.push_back(row);
    };
    gridRow([&](int c) { return headerText(grid, c); });
    for (int r = 0; r < grid.rowCount(); ++r)
        gridRow([&](int c) { return cellText(grid, r, c); });
    return table;
}
