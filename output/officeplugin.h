#pragma once

// The boundary between the program and the office suite's automation interface. The UNO code
// lives in a plugin loaded at run time, so the program starts and works without the office
// suite; this header is all the program knows of it. Every call throws std::runtime_error
// (UTF-8 message) when the office answers with an error or has gone away.

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace office {

// Cells counted from 0, as the office counts them.
struct CellRect {
    int col = 0;
    int row = 0;
    int cols = 0;
    int rows = 0;
};

// The used area of a sheet from its first cell: rows of cells; for each cell its text when it
// holds text, or a flag saying its displayed text must be asked for (numbers, dates, errors).
struct SheetContents {
    std::vector<QStringList> texts;
    std::vector<std::vector<bool>> needsDisplay;
};

class Document {
public:
    virtual ~Document() = default;

    virtual int sheetCount() = 0;
    virtual int activeSheet() = 0;
    virtual void activateSheet(int sheet) = 0;

    virtual SheetContents readUsedArea(int sheet) = 0;
    // The text as the sheet displays the cell.
    virtual QString displayedText(int sheet, int col, int row) = 0;
    // The cell's value as a day count from 1899-12-30 (the fraction the time of day) when the
    // cell holds a number shown as a date; NaN otherwise.
    virtual double dateValue(int sheet, int col, int row) = 0;
    // Writes texts as text (never parsed as numbers, dates or formulas) into a rectangle
    // starting at (col, row); every row has the same number of cells.
    virtual void writeTexts(int sheet, int col, int row, const std::vector<QStringList>& rows) = 0;

    // excel97: the Excel 97-2003 format; otherwise the Excel 2007+ XML format.
    virtual void storeAs(const QString& path, bool excel97) = 0;
    virtual void store() = 0;
    // The pages of one sheet, into a PDF file or onto a printer.
    virtual void exportSheetPdf(int sheet, const QString& path) = 0;
    virtual void printSheet(int sheet, const QString& printer) = 0;
    // Closes without saving.
    virtual void close() = 0;

    // Layout, for the programs that make our templates. Property names are the office's own.
    virtual void setRangeProperties(int sheet, const CellRect& range, const QVariantMap& props) = 0;
    virtual void setColumnProperties(int sheet, int firstCol, int lastCol,
                                     const QVariantMap& props) = 0;
    virtual void setRowProperties(int sheet, int firstRow, int lastRow,
                                  const QVariantMap& props) = 0;
    virtual void mergeRange(int sheet, const CellRect& range) = 0;
    // Line widths in 1/100 mm; 0 leaves that part without a line.
    virtual void setBorders(int sheet, const CellRect& range, int outer, int inner) = 0;
    virtual void setPageProperties(int sheet, const QVariantMap& props) = 0;
    virtual void setPrintArea(int sheet, const CellRect& range) = 0;
    virtual void renameSheet(int sheet, const QString& name) = 0;
};

// A connection to one running office.
class Connection {
public:
    virtual ~Connection() = default;

    // nullptr when the file cannot be opened as a spreadsheet.
    virtual std::unique_ptr<Document> open(const QString& path) = 0;
    virtual std::unique_ptr<Document> create() = 0;
    // Documents open in the office, ours and anybody else's.
    virtual int documentCount() = 0;
    // Asks the office to quit; false when it refused (a document is still open).
    virtual bool terminate() = 0;
};

// The plugin's one entry point: connects to an office that accepts connections on the pipe.
// Returns nullptr, with a reason in error, while the office is not (yet) listening.
using ConnectFunction = Connection* (*)(const QString& pipeName, QString& error);

} // namespace office

#define DOSARIX_OFFICE_CONNECT_SYMBOL "dosarixOfficeConnect"
