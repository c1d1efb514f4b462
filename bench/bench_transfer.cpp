// 1,000 residents exported to an .xls file and imported back, with the real LibreOffice
// started for each (as each F5 or F6 does).
//
// Usage: bench_transfer [RUNS]   (default 3)

#include "bench/benchutil.h"
#include "output/tavroexcel.h"
#include "residents/patient_transfer.h"
#include "storage/storage.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    tavroDatabase db;
    if (!db.open())
        return 1;
    std::vector<oid_t> ids;
    tavroBuffer arena;
    for (int i = 1; i <= 1000; ++i) {
        Patient p;
        p.id = i;
        p.sid = arena.store(QString::number(i).toUtf8().constData());
        p.chiName = arena.store(QStringLiteral("院友%1").arg(i).toUtf8().constData());
        p.engName = "盤尼西林";
        p.hkid = "A123456(7)";
        p.address = "九龍彌敦道 1 號\r\n3 樓";
        p.tel = "23456789";
        p.regDate = dbDateTime(2020, 1, 1 + i % 28);
        p.birthDate =
            tavroTDateTime(toCalendarReal(QDateTime(QDate(1930 + i % 40, 1 + i % 12, 1), QTime())));
        p.sex = i % 2;
        ids.push_back(insert(p).oid);
    }
    db.commit();
    const QString file = dir.filePath(QStringLiteral("residents.xls"));
    const double exportTime = medianMicros(runs, [&] {
        QFile::remove(file);
        TTavroExcel excel(file);
        excel.setVisible(false);
        writeResidents(excel, ids);
        excel.save(file);
        excel.close();
    });
    int imported = 0;
    const double importTime = medianMicros(runs, [&] {
        TTavroExcel excel(file);
        excel.setVisible(false);
        imported = readResidents(excel);
        db.rollback();
    });
    std::printf("1000 residents: export %.0f ms, import %.0f ms (%d rows), office start included, "
                "medians of %d\n",
                exportTime / 1000, importTime / 1000, imported, runs);
    return 0;
}
