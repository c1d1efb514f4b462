#pragma once

// What the resident list and the drug list share when they export their records to a
// spreadsheet file or import them from one: the file dialogs, the questions and messages,
// the busy cursor, and an import that is all or nothing.

#include <QString>

#include <functional>
#include <stdexcept>

class QWidget;
class TTavroExcel;

// A row of an import file that cannot be taken; the text names row and column for the user.
class transferError : public std::runtime_error {
public:
    explicit transferError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

// The busy cursor while the office works; restored however the work ends.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The list windows' file dialogs: "Excel File" (*.xls), default extension ".xls". Empty when
// cancelled. The export dialog asks nothing about replacing: the caller does.
QString askExportFileName(QWidget* owner);
QString askImportFileName(QWidget* owner);
// Replaces both dialogs (tests answer them with a file name); returns the previous chooser.
// An empty chooser restores the dialogs.
using FileNameChooser = std::function<QString(QWidget* owner, bool forSaving)>;
FileNameChooser setFileNameChooser(FileNameChooser chooser);

// An export: "沒有資料." for a list without data rows; the file dialog; "檔案存在, 取代它嗎?"
// for an existing file; write(excel) into a new workbook under the busy cursor; save; then
// n + "資料已成功輸出到" + file + ", 開啟嗎?" and the file opened with the shell on Yes.
void runListExport(QWidget* owner, int dataRows, const std::function<void(TTavroExcel&)>& write);

// An import: the file dialog; read(excel) inserts the rows and returns how many; commit,
// refresh() and n + "資料已成功由" + file + "輸入.". A file that is not a spreadsheet, or a row
// read() refuses with transferError, is told in a message and nothing is imported.
void runListImport(QWidget* owner, const std::function<int(TTavroExcel&)>& read,
                   const std::function<void()>& refresh);
