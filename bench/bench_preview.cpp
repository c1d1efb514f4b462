// Print preview of a 5,000-drug list: time from the print command to the preview on screen
// (every page laid out, the first one drawn), and to a PDF file of all pages.
#include "app/look.h"
#include "output/printpreview.h"
#include "storage/storage.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The drug list's grid: hidden ID column and its five columns (781 px in all).
void fillGrid(QTableWidget& grid, int rows) {
    const QStringList headers{"ID", "名稱", "來源", "備註", "每天次數", "每次數量"};
    const int widths[] = {1, 460, 80, 80, 80, 80};
    grid.setColumnCount(6);
    grid.setRowCount(rows);
    grid.horizontalHeader()->setMinimumSectionSize(1);
    grid.setHorizontalHeaderLabels(headers);
    for (int c = 0; c < 6; ++c)
        grid.setColumnWidth(c, widths[c]);
    for (int r = 0; r < rows; ++r) {
        grid.setItem(r, 0, new QTableWidgetItem(QString::number(r + 1)));
        grid.setItem(r, 1, new QTableWidgetItem(QStringLiteral("PARACETAMOL %1 MG").arg(r)));
        grid.setItem(r, 2, new QTableWidgetItem(QStringLiteral("醫院")));
        grid.setItem(r, 3, new QTableWidgetItem(QStringLiteral("飯後服")));
        grid.setItem(r, 4, new QTableWidgetItem(QStringLiteral("3")));
        grid.setItem(r, 5, new QTableWidgetItem(QStringLiteral("1")));
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    setupApplicationLook(app);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    tavroDatabase db;
    if (!db.open())
        return 1;
    AboutConfig about;
    about.regName = "仁愛護老院";
    insert(about);
    db.commit();

    QWidget owner;
    QTableWidget grid(&owner);
    fillGrid(grid, 5000);
    const QString pdf = QDir(dir.path()).filePath(QStringLiteral("list.pdf"));
    setPdfFileChooser([&](QWidget*) { return pdf; });

    std::vector<double> shownMs, pdfMs;
    int pages = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        // Runs inside the preview's modal loop: first once it is on screen, then the PDF.
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* form = qobject_cast<TPrintPreviewForm*>(QApplication::activeModalWidget());
            if (!form || !form->isVisible())
                return;
            poll.stop();
            form->GmPreview1->grab(); // the first page drawn
            shownMs.push_back(clock.nsecsElapsed() / 1e6);
            pages = form->pages().pageCount();
            form->printer->setCurrentIndex(form->printer->findText(pdfPrinterName()));
            QElapsedTimer printing;
            printing.start();
            form->printButtonClick();
            pdfMs.push_back(printing.nsecsElapsed() / 1e6);
            form->reject();
        });
        poll.start();
        clock.start();
        printListGrid(&grid, QStringLiteral("藥物資料列表"), &owner);
    }
    std::printf("drug list of 5000 rows, %d pages, %lld bytes of PDF\n", pages,
                static_cast<long long>(QFileInfo(pdf).size()));
    std::printf("print command to preview shown: median %.0f ms (of %zu)\n", median(shownMs),
                shownMs.size());
    std::printf("PDF of all pages:               median %.0f ms (of %zu)\n", median(pdfMs),
                pdfMs.size());
    return 0;
}
