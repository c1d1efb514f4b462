// How long one key release in the drug list's search box takes (query, grid refill and the
// repaint that follows) over a 50,000-drug catalogue.
#include "bench/benchutil.h"
#include "drugs/druglistform.h"
#include "storage/storage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

const char* const syllables[] = {"RA",  "CE",  "TA",  "MOL", "AM", "OX",  "IL",  "IN", "AS", "PI",
                                 "RIN", "MET", "FOR", "MIN", "LO", "SAR", "TAN", "ZO", "LE", "DO"};

// A name for drug i: 500 drugs begin with "PA", 100 with "QU", the rest with other pairs.
QByteArray drugName(int i) {
    QByteArray name;
    if (i % 100 == 0)
        name = "PA";
    else if (i % 500 == 1)
        name = "QU";
    else {
        name = QByteArray(1, char('A' + i % 26)) + char('A' + (i / 26) % 26);
        if (name == "PA" || name == "QU")
            name[1] = char(name[1] + 1);
    }
    name += syllables[i % 20];
    name += syllables[(i / 20) % 20];
    name += ' ' + QByteArray::number(i);
    return name;
}

double threadCpuMicros() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

struct Timing {
    double wallMs;
    double cpuMs; // this thread's processor time: what the figure would be on an idle machine
};

// One key typed into the box: the press, then the release that searches, then the repaint.
Timing keyRelease(QApplication& app, QLineEdit* box, int runs) {
    std::vector<double> cpu;
    const double wall = medianMicros(runs, [&] {
        const double start = threadCpuMicros();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
        QApplication::sendEvent(box, &release);
        app.processEvents();
        cpu.push_back(threadCpuMicros() - start);
    });
    std::sort(cpu.begin(), cpu.end());
    return {wall / 1000.0, cpu[cpu.size() / 2] / 1000.0};
}

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

    constexpr int drugs = 50000;
    tavroBuffer arena;
    for (int i = 0; i < drugs; ++i) {
        arena.reset();
        Drug d;
        d.name = arena.store(drugName(i).constData());
        d.function = "醫院";
        d.day = "3";
        d.quantity = "1";
        d.unit = "粒";
        d.m1 = "7";
        d.m2 = "77";
        d.a1 = "5";
        d.stopUse = i % 50 == 49; // one in fifty stopped
        insert(d);
    }
    db.commit();

    TDrugListForm form(nullptr);
    form.show();
    app.processEvents();
    QTableWidget* grid = form.gridWidget();

    struct Case {
        const char* label;
        QString text;
        int runs;
    };
    const Case cases[] = {{"prefix \"PA\"", QStringLiteral("PA"), 51},
                          {"prefix \"QU\"", QStringLiteral("QU"), 51},
                          {"empty box", QString(), 11}};
    std::printf("50,000 drugs, one key release in the name box (query, grid refill, repaint):\n");
    for (const Case& c : cases) {
        form.name->setText(c.text);
        const Timing t = keyRelease(app, form.name, c.runs);
        std::printf("  %-12s %6d rows  median %8.1f ms (processor time %.1f ms)\n", c.label,
                    grid->rowCount(), t.wallMs, t.cpuMs);
    }
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        std::printf("load average: %s", load.readLine().constData());
    return 0;
}
