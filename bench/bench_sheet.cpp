// Medication sheet printing with the real LibreOffice, pages into PDF files (no printer here):
// one resident with seven lines from a cold office (office start, then fill + print), and
// twenty residents in one print run as the resident list does it.
//
// Usage: bench_sheet [RUNS]   (default 5)

#include "bench/benchutil.h"
#include "output/tavroexcel.h"
#include "residents/medication_sheet.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

MedicationSheet resident(int n, int lines) {
    MedicationSheet s;
    s.allergies = QStringLiteral("盤尼西林");
    s.name = QStringLiteral("院友%1").arg(n);
    s.bed = QStringLiteral("B%1").arg(n);
    s.year = QStringLiteral("2026");
    s.month = QStringLiteral("12");
    for (int i = 1; i <= lines; ++i) {
        MedicationLine l;
        l.drugName = QStringLiteral("DRUG %1-%2").arg(n).arg(i);
        l.prescribed = QStringLiteral("2026/11/%1").arg(i);
        l.day = QStringLiteral("3");
        l.m1 = QStringLiteral("08:00");
        l.m2 = QStringLiteral("13:00");
        l.a1 = QStringLiteral("18:00");
        l.a2 = QStringLiteral("22:00");
        l.po = QStringLiteral("飯後服");
        l.function = QStringLiteral("醫院");
        l.remark = QStringLiteral("痛時服");
        l.quantity = QStringLiteral("1");
        l.unit = QStringLiteral("粒");
        s.lines.push_back(l);
    }
    return s;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ms(double micros) {
    return micros / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString templatePath = dir.filePath(QStringLiteral("print.xls"));
    QFile::copy(QStringLiteral(DOSARIX_TEMPLATE), templatePath);
    int pdfs = 0;
    setPrintDestinationChooser([&] {
        return PrintDestination{QString(), dir.filePath(QStringLiteral("p%1.pdf").arg(++pdfs))};
    });

    const MedicationSheet seven = resident(1, 7);
    // Cold, as the form's button does it: start the office on the template, fill and print
    // (the PDF is written), then close and quit the office (the user waits for that too).
    std::vector<double> start, fill, quit;
    for (int i = 0; i <= runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        TTavroExcel excel(templatePath);
        const double started = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        for (const auto& page : medicationSheetPages(seven)) {
            for (const SheetCell& c : page)
                excel.setCell(c.column, c.row, c.text);
            excel.printSheet();
        }
        const double printed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        excel.closeWorkbook();
        excel.close();
        const double closed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (i == 0)
            continue; // warm-up
        start.push_back(started);
        fill.push_back(printed - started);
        quit.push_back(closed - printed);
    }
    const double s = median(start), f = median(fill), q = median(quit);
    std::printf(
        "one resident, 7 lines, button to PDF written: %.0f ms = office start and template "
        "open %.0f ms + fill and print %.0f ms; then closing and quitting the office %.0f ms "
        "(medians of %d)\n",
        s + f, s, f, q, runs);

    // Twenty residents in one run, 3 to 10 lines each, one office start.
    std::vector<MedicationSheet> twenty;
    for (int i = 0; i < 20; ++i)
        twenty.push_back(resident(i + 1, 3 + i % 8));
    const double run = medianMicros(std::max(1, runs / 2), [&] {
        OfficeKeepAlive keep;
        for (const MedicationSheet& s : twenty)
            printMedicationSheet(s, templatePath);
    });
    std::printf("twenty residents: %.0f ms in all, %.0f ms per resident (median of %d)\n", ms(run),
                ms(run) / 20, std::max(1, runs / 2));
    std::printf("PDF pages written: %d\n", pdfs);
    setPrintDestinationChooser({});
    return 0;
}
