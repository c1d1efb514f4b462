// Search speed of the storage layer on a large catalogue and register.
#include "bench/benchutil.h"
#include "storage/storage.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

const char* const syllables[] = {"PA", "RA",  "CE",  "TA",  "MOL", "AM", "OX",  "IL",  "IN", "AS",
                                 "PI", "RIN", "MET", "FOR", "MIN", "LO", "SAR", "TAN", "ZO", "LE"};
const char16_t surnames[] = u"陳李張黃何林王吳劉蔡楊許鄭謝郭梁";
const char16_t given[] = u"大小文明志美玉華國英秀麗家偉嘉欣俊傑";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    tavroDatabase db;
    if (!db.open())
        return 1;
    auto* random = QRandomGenerator::global();

    tavroBuffer arena;
    for (int i = 0; i < 50000; ++i) {
        arena.reset();
        QByteArray name;
        const int parts = 2 + static_cast<int>(random->bounded(3));
        for (int p = 0; p < parts; ++p)
            name += syllables[random->bounded(20)];
        name += ' ' + QByteArray::number(i);
        Drug d;
        d.name = arena.store(name.constData());
        d.day = "3";
        d.quantity = "1";
        d.unit = "粒";
        insert(d);
    }
    for (int i = 0; i < 10000; ++i) {
        arena.reset();
        QString name;
        name += QChar(surnames[random->bounded(16)]);
        name += QChar(given[random->bounded(18)]);
        name += QChar(given[random->bounded(18)]);
        Patient p;
        p.id = i + 1;
        p.chiName = arena.store(name.toUtf8().constData());
        p.sid = arena.store(QByteArray::number(i + 1).constData());
        insert(p);
    }
    db.commit();

    int rows = 0;
    const double prefix = medianMicros(51, [&] {
        tavroCursor<Drug> c;
        dbQuery q;
        q.equals("stopUse", false).startsWith("name", QStringLiteral("PARA")).orderBy("name");
        rows = c.select(q);
        if (rows > 0)
            while (c.next()) {
            }
    });
    std::printf("50,000 drugs, prefix \"PARA\" ordered by name, fetched fully: %d rows, median "
                "%.0f us\n",
                rows, prefix);

    const double allDrugs = medianMicros(11, [&] {
        tavroCursor<Drug> c;
        rows = c.select(dbQuery().orderBy("name"));
        if (rows > 0)
            while (c.next()) {
            }
    });
    std::printf("50,000 drugs, all ordered by name, fetched fully: %d rows, median %.0f us\n", rows,
                allDrugs);

    const double contains = medianMicros(51, [&] {
        tavroCursor<Patient> c;
        dbQuery q;
        q.equals("isLeave", false).contains("chiName", QStringLiteral("陳")).orderBy("chiName");
        rows = c.select(q);
        if (rows > 0)
            while (c.next()) {
            }
    });
    std::printf("10,000 residents, chiName contains \"陳\" ordered by chiName: %d rows, median "
                "%.0f us\n",
                rows, contains);
    return 0;
}
