// Makes print.xls, the monthly medication administration record the program fills for each
// resident: one A4 landscape page with the resident's particulars in row 3 and seven four-row
// medication blocks (rows 7-34), each with a dose-hour column and day columns 1-31 for the
// staff's initials. The program writes only the value cells; everything else is here.
//
// Usage: dosarix_make_print_template OUTPUT.xls

#include "output/officeplugin.h"
#include "output/tavroexcel.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

constexpr int lastColumn = 43; // day 31
constexpr int firstDayColumn = 13;
constexpr int firstBlockRow = 7;
constexpr int blockCount = 7;
constexpr int footerRow = 36;
const QString face = QStringLiteral("AR PL UMing TW");

// Cells from 1 here, as in the program; the office counts from 0.
office::CellRect cells(int col, int row, int lastCol, int lastRow) {
    return {col - 1, row - 1, lastCol - col + 1, lastRow - row + 1};
}

enum Align { Left = 1, Center = 2, Right = 3 };

QVariantMap textLook(float size, bool bold, Align align) {
    return {{QStringLiteral("CharHeight"), size},
            {QStringLiteral("CharHeightAsian"), size},
            {QStringLiteral("CharWeight"), bold ? 150.0f : 100.0f},
            {QStringLiteral("CharWeightAsian"), bold ? 150.0f : 100.0f},
            {QStringLiteral("HoriJustify"), static_cast<int>(align)},
            {QStringLiteral("VertJustify"), 2}};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.xls\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QFile::remove(output);
    try {
        TTavroExcel excel(output); // no such file: a new workbook
        auto label = [&](int col, int row, const char* text) {
            excel.setCell(col, row, QString::fromUtf8(text));
        };

        label(1, 1, "每月服藥紀錄");
        // Row 3: labels beside the cells the program fills.
        label(1, 3, "過敏藥物:");
        label(6, 3, "姓名:");
        label(21, 3, "床號:");
        label(29, 3, "共");
        label(32, 3, "頁  第");
        label(35, 3, "頁");
        label(36, 3, "月份:");
        label(40, 3, "年:");
        // Column headings.
        label(1, 5, "藥物及用法");
        label(12, 5, "時間");
        label(firstDayColumn, 5, "日期");
        for (int day = 1; day <= 31; ++day)
            excel.setCell(firstDayColumn + day - 1, 6, QString::number(day));
        for (int b = 0; b < blockCount; ++b) {
            const int r = firstBlockRow + 4 * b;
            label(9, r, "次/日");
            label(1, r + 1, "每次份量:");
            label(1, r + 3, "來源:");
        }
        label(1, footerRow, "每次服藥後請在相應日期的格內簡簽. 藥物如有更改, 請通知護士長.");

        office::Document* doc = excel.document();
        if (!doc)
            throw officeError(QStringLiteral("no workbook"));
        doc->renameSheet(0, QStringLiteral("藥紙"));

        // Widths in 1/100 mm: drug details at the left, then the hour and 31 day columns.
        const int widths[12] = {1800, 1000, 1300, 1300, 1300, 1100, 1000, 800, 500, 800, 500, 1000};
        for (int c = 0; c < 12; ++c)
            doc->setColumnProperties(0, c, c, {{QStringLiteral("Width"), widths[c]}});
        doc->setColumnProperties(0, firstDayColumn - 1, lastColumn - 1,
                                 {{QStringLiteral("Width"), 560}});
        doc->setRowProperties(0, 0, 0, {{QStringLiteral("Height"), 1000}});
        doc->setRowProperties(0, 1, 1, {{QStringLiteral("Height"), 300}});
        doc->setRowProperties(0, 2, 2, {{QStringLiteral("Height"), 700}});
        doc->setRowProperties(0, 3, 3, {{QStringLiteral("Height"), 300}});
        doc->setRowProperties(0, 4, footerRow - 1, {{QStringLiteral("Height"), 560}});

        QVariantMap font{{QStringLiteral("CharFontName"), face},
                         {QStringLiteral("CharFontNameAsian"), face}};
        doc->setRangeProperties(0, cells(1, 1, lastColumn, footerRow), font);
        doc->setRangeProperties(0, cells(1, 1, lastColumn, footerRow), textLook(9, false, Left));

        // Title.
        doc->mergeRange(0, cells(1, 1, lastColumn, 1));
        doc->setRangeProperties(0, cells(1, 1, lastColumn, 1), textLook(16, true, Center));

        // Row 3: the value cells get room by merging to the right, and a box.
        struct Span {
            int first, last;
            Align align;
        };
        const Span labels[] = {{1, 2, Right},    {6, 6, Right},  {21, 22, Right}, {29, 30, Right},
                               {32, 33, Center}, {35, 35, Left}, {36, 38, Right}, {40, 40, Right}};
        for (const Span& s : labels) {
            if (s.last > s.first)
                doc->mergeRange(0, cells(s.first, 3, s.last, 3));
            doc->setRangeProperties(0, cells(s.first, 3, s.last, 3), textLook(10, false, s.align));
        }
        const Span values[] = {{3, 5, Left},     {7, 20, Left},    {23, 28, Left}, {31, 31, Center},
                               {34, 34, Center}, {39, 39, Center}, {41, 43, Left}};
        for (const Span& s : values) {
            if (s.last > s.first)
                doc->mergeRange(0, cells(s.first, 3, s.last, 3));
            doc->setRangeProperties(0, cells(s.first, 3, s.last, 3), textLook(10, true, s.align));
            doc->setBorders(0, cells(s.first, 3, s.last, 3), 18, 0);
        }

        // Column headings (rows 5-6).
        doc->mergeRange(0, cells(1, 5, 11, 6));
        doc->mergeRange(0, cells(12, 5, 12, 6));
        doc->mergeRange(0, cells(firstDayColumn, 5, lastColumn, 5));
        doc->setRangeProperties(0, cells(1, 5, lastColumn, 6), textLook(9, true, Center));
        doc->setBorders(0, cells(1, 5, lastColumn, 6), 50, 18);

        // Seven blocks of four rows.
        for (int b = 0; b < blockCount; ++b) {
            const int r = firstBlockRow + 4 * b;
            doc->mergeRange(0, cells(2, r, 7, r));           // drug name
            doc->mergeRange(0, cells(9, r, 11, r));          // "次/日"
            doc->mergeRange(0, cells(1, r + 1, 7, r + 1));   // "每次份量:"
            doc->mergeRange(0, cells(8, r + 1, 9, r + 1));   // quantity
            doc->mergeRange(0, cells(10, r + 1, 11, r + 1)); // unit
            doc->mergeRange(0, cells(1, r + 2, 6, r + 2));   // prescription date
            doc->mergeRange(0, cells(7, r + 2, 11, r + 2));  // po
            doc->mergeRange(0, cells(1, r + 3, 2, r + 3));   // "來源:"
            doc->mergeRange(0, cells(3, r + 3, 5, r + 3));   // source
            doc->mergeRange(0, cells(6, r + 3, 11, r + 3));  // remark
            doc->setRangeProperties(0, cells(2, r, 7, r), textLook(10, true, Left));
            doc->setRangeProperties(0, cells(8, r, 8, r + 1), textLook(9, false, Center));
            doc->setRangeProperties(0, cells(1, r + 1, 7, r + 1), textLook(8, false, Right));
            doc->setRangeProperties(0, cells(1, r + 3, 2, r + 3), textLook(8, false, Left));
            doc->setRangeProperties(0, cells(12, r, 12, r + 3), textLook(9, false, Center));
            doc->setRangeProperties(0, cells(firstDayColumn, r, lastColumn, r + 3),
                                    textLook(8, false, Center));
            // The drug's details boxed as one; hours and days ruled cell by cell.
            doc->setBorders(0, cells(1, r, 11, r + 3), 50, 0);
            doc->setBorders(0, cells(12, r, lastColumn, r + 3), 50, 18);
        }
        doc->mergeRange(0, cells(1, footerRow, lastColumn, footerRow));
        doc->setRangeProperties(0, cells(1, footerRow, lastColumn, footerRow),
                                textLook(8, false, Left));

        // One A4 landscape page.
        doc->setPrintArea(0, cells(1, 1, lastColumn, footerRow));
        doc->setPageProperties(0,
                               {{QStringLiteral("IsLandscape"), true},
                                {QStringLiteral("Width"), 29700},
                                {QStringLiteral("Height"), 21000},
                                {QStringLiteral("LeftMargin"), 800},
                                {QStringLiteral("RightMargin"), 800},
                                {QStringLiteral("TopMargin"), 800},
                                {QStringLiteral("BottomMargin"), 800},
                                {QStringLiteral("HeaderIsOn"), false},
                                {QStringLiteral("FooterIsOn"), false},
                                {QStringLiteral("CenterHorizontally"), true},
                                {QStringLiteral("ScaleToPagesX"), QVariant::fromValue<short>(1)},
                                {QStringLiteral("ScaleToPagesY"), QVariant::fromValue<short>(1)}});

        if (!excel.save(output)) {
            std::fprintf(stderr, "could not save %s\n", argv[1]);
            return 1;
        }
        excel.close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
