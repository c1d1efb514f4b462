#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace office {
class Document;
}
class OfficeApplication;

// The office suite could not be used: it is not installed, would not start, or could neither
// open nor create a workbook. The text is for the user.
class officeError : public std::runtime_error {
public:
    explicit officeError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

// The program's link to the spreadsheet application (LibreOffice Calc, driven through the
// office plugin). One object per use: open a workbook, or start a new one when the file cannot
// be opened, read and write cells of the active sheet, save, print, close. Cells are addressed
// (column, row), both counted from 1. Writes are collected and sent to the office in blocks
// before save and print; reads come from one read of the sheet's used area.
class TTavroExcel {
public:
    // Starts the office (or joins the one already running for the program), opens fileName or
    // starts a new workbook, and makes sheet 1 active. Throws officeError when no workbook can
    // be had.
    explicit TTavroExcel(const QString& fileName);
    ~TTavroExcel();
    TTavroExcel(const TTavroExcel&) = delete;
    TTavroExcel& operator=(const TTavroExcel&) = delete;

    // The office runs without windows here; kept for its callers.
    void setVisible(bool visible);
    // Makes sheet n (from 1) active when the workbook has it.
    void selectSheet(int n);
    // The cell's text as the sheet displays it, without surrounding blanks; empty without a
    // workbook.
    QString getCellText(int column, int row);
    // The date of a cell that holds a date value (not a text); nullopt for any other cell.
    std::optional<QDateTime> getCellDate(int column, int row);
    // Writes value as text: "007", "1/2" and "=1+1" stay exactly what they are.
    void setCell(int column, int row, const QString& value);
    // ".xls" exactly: Excel 97-2003; any other extension: Excel 2007+ XML. Saves in place when
    // fileName is the opened file. false when the office could not save.
    bool save(const QString& fileName);
    // Prints the active sheet where printDestination() says. false when that failed.
    bool printSheet();
    // Closes the workbook without saving.
    void closeWorkbook();
    // Closes the workbook and quits the office when no workbook is left open in it (and no
    // OfficeKeepAlive holds it). Calling it twice is harmless.
    void close();

    bool isStarted() const { return started_; }
    bool isWorkbookOpen() const { return workbookOpen_; }
    // The file the workbook came from; empty for a new workbook.
    const QString& fileName() const { return fileName_; }
    // The workbook itself, for the programs that lay out our templates; null when none.
    office::Document* document();

private:
    void startApplication();
    void openWorkbook();
    void newWorkbook();
    void flushWrites();
    struct CachedCell {
        QString text;
        bool shown = true;  // text is the displayed text (false: still to be asked for)
        bool value = false; // a number or date rather than a text
    };
    std::vector<std::vector<CachedCell>>& sheetCache(int sheet);
    CachedCell* cachedCell(int column, int row);
    bool isPending(int column, int row) const;

    bool started_ = false;
    bool workbookOpen_ = false;
    std::shared_ptr<OfficeApplication> application_;
    std::unique_ptr<office::Document> workbook_;
    QString fileName_;
    QString startError_;
    int activeSheet_ = 0;
    // Per sheet: (row, column) from 0 -> text waiting to be written.
    std::map<int, std::map<std::pair<int, int>, QString>> pending_;
    // Per sheet: the used area, read once.
    std::map<int, std::vector<std::vector<CachedCell>>> cache_;
};

// Keeps the office running between spreadsheet objects while it lives, so a run that fills
// many sheets one after another starts the office once.
class OfficeKeepAlive {
public:
    OfficeKeepAlive();
    ~OfficeKeepAlive();
    OfficeKeepAlive(const OfficeKeepAlive&) = delete;
    OfficeKeepAlive& operator=(const OfficeKeepAlive&) = delete;
};

// A rectangle of texts to write in one call: top-left cell (from 0) and its rows.
struct CellBlock {
    int col = 0;
    int row = 0;
    std::vector<std::vector<QString>> rows;
};
// Groups single-cell writes into as few full rectangles as possible: runs of neighbouring
// cells in a row, and runs of the same columns in neighbouring rows.
std::vector<CellBlock> groupCellWrites(const std::map<std::pair<int, int>, QString>& cells);

// Where the office is and how long it may take to start.
struct OfficeSetup {
    QString program; // the office program; empty: where Debian installs it
    QString plugin;  // the UNO plugin; empty: beside the program, then the build's folder
    int startTimeoutMs = 60000;
};
OfficeSetup& officeSetup();
// The office process the program runs now; 0 when none.
qint64 officeProcessId();

// Where printSheet sends the pages: to a printer by name, or into a PDF file.
struct PrintDestination {
    QString printer;
    QString pdfFile;
};
using PrintDestinationChooser = std::function<PrintDestination()>;
// Replaces the choice (tests send pages to PDF files); returns the previous chooser. An empty
// chooser restores the default.
PrintDestinationChooser setPrintDestinationChooser(PrintDestinationChooser chooser);
PrintDestination printDestination();
// The default: the system's default printer; without one, a new PDF file in
// noPrinterFolder(), counted by noPrinterFileCount().
PrintDestination defaultPrintDestination();
// A new PDF file in noPrinterFolder(): where pages go when no printer is installed.
PrintDestination noPrinterDestination();
QString noPrinterFolder();
int noPrinterFileCount();
