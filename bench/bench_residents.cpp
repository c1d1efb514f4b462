// How fast the resident list searches and fills its grid with a large register.
#include "bench/benchutil.h"
#include "residents/patientlistform.h"
#include "storage/storage.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

const char16_t surnames[] = u"陳李張黃何林王吳劉蔡楊許鄭謝郭梁";
const char16_t given[] = u"大小文明志美玉華國英";

// A test window that lets the benchmark reach the search box it types into.
class TBenchList : public TPatientListForm {
public:
    using TPatientListForm::chiName;
    using TPatientListForm::TPatientListForm;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    tavroDatabase db;
    if (!db.open())
        return 1;

    constexpr int residents = 10000;
    tavroBuffer arena;
    for (int i = 0; i < residents; ++i) {
        arena.reset();
        // Surname, then two given characters: each given pair is shared by 100 residents.
        const QString name =
            QString(QChar(surnames[i % 16])) + QChar(given[(i / 10) % 10]) + QChar(given[i % 10]);
        Patient p;
        p.id = i + 1;
        p.sid = arena.store(QByteArray::number(i + 1).constData());
        p.chiName = arena.store(name.toUtf8().constData());
        p.hkid = arena.store(QStringLiteral("A%1(3)").arg(100000 + i).toUtf8().constData());
        p.tel = arena.store(QByteArray::number(23000000 + i).constData());
        p.remark = "";
        insert(p);
    }
    db.commit();

    TBenchList form(nullptr);
    QTableWidget* grid = form.findChild<QTableWidget*>(QStringLiteral("grid"));
    const int runs = 15;

    form.chiName->clear();
    const double all = medianMicros(runs, [&] { form.refreshList(); });
    const int allRows = grid->rowCount();

    form.chiName->setText(QString(QChar(given[3])) + QChar(given[7]));
    const double some = medianMicros(runs, [&] { form.refreshList(); });
    const int someRows = grid->rowCount();

    // Where the time of a full refresh goes: the selection and fetching alone.
    const double walk = medianMicros(runs, [&] {
        dbCursor<Patient> cursor;
        if (cursor.select(patientQuery(form.currentSearch())) > 0)
            while (cursor.next()) {
            }
    });
    std::printf("selection and fetch alone (name search): %.1f ms\n", walk / 1000.0);
    form.chiName->clear();
    const double walkAll = medianMicros(runs, [&] {
        dbCursor<Patient> cursor;
        if (cursor.select(patientQuery(form.currentSearch())) > 0)
            while (cursor.next()) {
            }
    });
    std::printf("selection and fetch alone, all residents: %.1f ms\n", walkAll / 1000.0);
    std::printf("refreshList, all boxes empty: %d rows, median %.1f ms (bar 150 ms)\n", allRows,
                all / 1000.0);
    std::printf("refreshList, name contains: %d rows, median %.1f ms (bar 16 ms)\n", someRows,
                some / 1000.0);
    return 0;
}
