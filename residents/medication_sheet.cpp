#include "residents/medication_sheet.h"

#include "app/dialogs.h"
#include "app/shell.h"
#include "output/listtransfer.h"
#include "output/tavroexcel.h"
#include "storage/cursor.h"

#include <QApplication>
#include <QDate>
#include <QFileInfo>

namespace {

constexpr int blocksPerPage = 7;
constexpr int firstBlockRow = 7;

void writeBlock(std::vector<SheetCell>& out, int block, const MedicationLine* line) {
    const int r = firstBlockRow + 4 * block;
    auto put = [&](int column, int row, const QString& text) {
        out.push_back({column, row, line ? text : QString()});
    };
    const MedicationLine empty;
    const MedicationLine& l = line ? *line : empty;
    put(2, r, l.drugName);
    put(8, r, l.day);
    put(12, r, l.m1);
    put(8, r + 1, l.quantity);
    put(10, r + 1, l.unit);
    put(12, r + 1, l.m2);
    put(1, r + 2, l.prescribed);
    put(7, r + 2, l.po);
    put(12, r + 2, l.a1);
    put(3, r + 3, l.function);
    put(6, r + 3, l.remark);
    put(12, r + 3, l.a2);
}

} // namespace

MedicationLine medicationLine(dbReference<DrugTake> take, const QString& drugName,
                              const QString& prescribed) {
    MedicationLine line;
    line.drugName = drugName;
    line.prescribed = prescribed;
    dbCursor<DrugTake> takes;
    takes.at(take);
    line.day = QString::fromUtf8(takes->day);
    line.m1 = QString::fromUtf8(takes->m1);
    line.m2 = QString::fromUtf8(takes->m2);
    line.a1 = QString::fromUtf8(takes->a1);
    line.a2 = QString::fromUtf8(takes->a2);
    line.po = QString::fromUtf8(takes->po);
    line.function = QString::fromUtf8(takes->function);
    line.remark = QString::fromUtf8(takes->remark);
    dbCursor<Drug> drugs;
    drugs.at(takes->drug);
    line.quantity = QString::fromUtf8(drugs->quantity);
    line.unit = QString::fromUtf8(drugs->unit);
    return line;
}

std::vector<std::vector<SheetCell>> medicationSheetPages(const MedicationSheet& sheet) {
    const int n = static_cast<int>(sheet.lines.size());
    const int total = n == 0 ? 1 : (n - 1) / blocksPerPage + 1;
    std::vector<std::vector<SheetCell>> pages(1);
    pages.back() = {{3, 3, sheet.allergies},      {7, 3, sheet.name},
                    {23, 3, sheet.bed},           {31, 3, QString::number(total)},
                    {34, 3, QStringLiteral("1")}, {39, 3, sheet.month},
                    {41, 3, sheet.year}};
    int page = 1;
    int block = 0;
    for (const MedicationLine& line : sheet.lines) {
        if (block == blocksPerPage) {
            block = 0;
            ++page;
            pages.emplace_back();
            pages.back().push_back({34, 3, QString::number(page)});
        }
        writeBlock(pages.back(), block, &line);
        ++block;
    }
    for (; block < blocksPerPage; ++block)
        writeBlock(pages.back(), block, nullptr);
    return pages;
}

QString medicationTemplatePath() {
    return databaseFilePath(QStringLiteral("print.xls"));
}

int printMedicationSheet(const MedicationSheet& sheet, const QString& templatePath) {
    TTavroExcel excel(templatePath);
    if (excel.fileName().isEmpty())
        throw officeError(QStringLiteral("無法開啟藥紙範本 ") + templatePath);
    int failed = 0;
    for (const std::vector<SheetCell>& page : medicationSheetPages(sheet)) {
        for (const SheetCell& cell : page)
            excel.setCell(cell.column, cell.row, cell.text);
        if (!excel.printSheet())
            ++failed;
    }
    // The filled copy is dropped: print.xls stays the empty template.
    excel.closeWorkbook();
    excel.close();
    return failed;
}

bool medicationTemplateReady(QWidget* owner) {
    const QString path = medicationTemplatePath();
    if (QFileInfo(path).isFile())
        return true;
    messageBox(QStringLiteral("找不到檔案") + path, owner);
    return false;
}

bool askSheetMonth(QWidget* owner, QString& year, QString& month) {
    const QDate today = QDate::currentDate();
    QString y = QString::number(today.year());
    QString m = QString::number(today.month());
    if (!askText(QStringLiteral("年份:"), y, owner))
        return false;
    if (!askText(QStringLiteral("月份:"), m, owner))
        return false;
    year = y;
    month = m;
    return true;
}

bool runMedicationPrint(QWidget* owner, int count,
                        const std::function<MedicationSheet(int)>& sheetFor) {
    if (count <= 0)
        return true;
    if (!medicationTemplateReady(owner))
        return false;
    const QString templatePath = medicationTemplatePath();
    const int pdfBefore = noPrinterFileCount();
    int failed = 0;
    {
        BusyCursor busy;
        OfficeKeepAlive office;
        for (int i = 0; i < count; ++i)
            failed += printMedicationSheet(sheetFor(i), templatePath);
    }
    if (failed > 0)
        messageBox(QStringLiteral("有 %1 頁藥紙列印失敗.").arg(failed), owner);
    const int pdfFiles = noPrinterFileCount() - pdfBefore;
    if (pdfFiles > 0)
        messageBox(QStringLiteral("沒有安裝打印機, %1 頁藥紙已存成 PDF 檔案, 放在 ").arg(pdfFiles) +
                       noPrinterFolder(),
                   owner);
    return true;
}
