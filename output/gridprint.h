#pragma once

#include "output/pagemodel.h"

#include <QString>
#include <QStringList>

#include <vector>

class QTableWidget;

// Laying headings and a list grid out on pages, and the table an export writes. A grid's
// horizontal header is its fixed header row; a column 0 narrower than 5 pixels is the hidden
// ID column of the list windows.

// Columns wider than this many pixels in total print on landscape paper.
constexpr int portraitWidthLimit = 701;
int totalColumnWidth(const QTableWidget& grid);

// Up to three centred heading lines (18, 14 and 12 point, from `face`) on the current page,
// with a double rule under the last one drawn.
void layoutHeadings(PageModel& pages, const QFont& face, const QString& heading1,
                    const QString& heading2, const QString& heading3);

// Lays the whole grid out from (leftPx, topPx) on the current page, adding pages as needed:
// columns and rows as large as on screen, the header row repeated at the top of every page
// 15 mm below the paper's edge, 5 mm kept free at the bottom.
constexpr double gridBottomMarginMm = 5;
constexpr double gridNewPageTopMm = 15;
constexpr double gridCellMarginMm = 1;
void layoutGrid(PageModel& pages, const QTableWidget& grid, double leftPx, double topPx);

// Rows of the export: the non-empty headings, two empty rows after them, then the header row
// and every data row without the columns 5 pixels wide or less. Every row has as many cells
// as the grid has columns.
using ExportTable = std::vector<QStringList>;
ExportTable exportTable(const QTableWidget& grid, const QStringList& headings);
