#include "drugs/drug_transfer.h"

#include "output/tavroexcel.h"
#include "storage/storage.h"

#include <QTableWidget>

void writeDrugGrid(TTavroExcel& excel, const QTableWidget& grid) {
    for (int c = 1; c <= 5 && c < grid.columnCount(); ++c) {
        const QTableWidgetItem* header = grid.horizontalHeaderItem(c);
        excel.setCell(c, 1, header ? header->text() : QString());
        for (int r = 0; r < grid.rowCount(); ++r) {
            const QTableWidgetItem* item = grid.item(r, c);
            excel.setCell(c, r + 2, item ? item->text() : QString());
        }
    }
}

int readDrugs(TTavroExcel& excel) {
    tavroBuffer arena;
    int count = 0;
    for (int row = 2;; ++row) {
        if (excel.getCellText(1, row).isEmpty())
            break;
        arena.reset();
        auto text = [&](int column) {
            return arena.store(excel.getCellText(column, row).toUtf8().constData());
        };
        Drug d;
        d.name = text(1);
        d.function = text(2);
        d.remark = text(3);
        d.day = text(4);
        d.quantity = text(5);
        d.unit = text(6);
        d.m1 = text(7);
        d.m2 = text(8);
        d.a1 = text(9);
        d.a2 = text(10);
        d.po = text(11);
        d.stopUse = false;
        insert(d);
        ++count;
    }
    return count;
}
