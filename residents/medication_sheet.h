#pragma once

// The monthly medication sheet (藥紙): the resident's particulars and regular medication lines
// filled into the print.xls template and printed, seven lines per page.

#include "storage/records.h"
#include "storage/reference.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;

// One medication line as the sheet prints it.
struct MedicationLine {
    QString drugName;   // as the form's grid shows it
    QString prescribed; // prescription date text, as the grid shows it
    QString day;        // times per day
    QString m1, m2, a1, a2;
    QString po;
    QString function; // source
    QString remark;
    QString quantity; // the drug's catalogue quantity per dose, not the line's own
    QString unit;     // the drug's unit
};

struct MedicationSheet {
    QString allergies;
    QString name;
    QString bed;
    QString year;
    QString month;
    std::vector<MedicationLine> lines;
};

// The line of a DrugTake record and its Drug; name and date texts as the form's grid has them.
MedicationLine medicationLine(dbReference<DrugTake> take, const QString& drugName,
                              const QString& prescribed);

struct SheetCell {
    int column = 0;
    int row = 0;
    QString text;
    friend bool operator==(const SheetCell&, const SheetCell&) = default;
};
// The cells written before each page is printed: page 1 the header and its blocks, every
// later page its page number and its blocks; the unused blocks of the last page are emptied.
std::vector<std::vector<SheetCell>> medicationSheetPages(const MedicationSheet& sheet);

// print.xls in the database directory.
QString medicationTemplatePath();

// Fills the opened template page by page and prints each page; the template file itself is
// never written. Throws officeError when the office cannot be used or the template cannot be
// opened. Returns the number of pages that failed to print (0 when all printed).
int printMedicationSheet(const MedicationSheet& sheet, const QString& templatePath);

// false, after telling the user "找不到檔案" + path, when the template is missing.
bool medicationTemplateReady(QWidget* owner);

// Asks "年份:" then "月份:", starting at the current year and month; false when either is
// cancelled. year and month change only when both were answered.
bool askSheetMonth(QWidget* owner, QString& year, QString& month);

// One print run (the form's button, or every resident of the list): prints sheetFor(0) ...
// sheetFor(count - 1) one after another with one office start, under the busy cursor. Without a
// printer the pages become PDF files and the user is told once where they are. Returns false
// when nothing was printed because the template is missing.
bool runMedicationPrint(QWidget* owner, int count,
                        const std::function<MedicationSheet(int)>& sheetFor);
