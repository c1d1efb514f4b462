// Print preview of a 5,000-drug catalogue: time from F11 in the drug list to the preview on
// screen (every page laid out, the first one drawn), and to a PDF file of all pages.
#include "app/look.h"
#include "drugs/druglistform.h"
#include "output/printpreview.h"
#include "storage/storage.h"

#include <QAction>
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
    {
        tavroBuffer arena;
        for (int i = 0; i < 5000; ++i) {
            arena.reset();
            Drug d;
            d.name = arena.store(QStringLiteral("PARACETAMOL %1 MG").arg(i).toUtf8().constData());
            d.function = "醫院";
            d.remark = "飯後服";
            d.day = "3";
            d.quantity = "1";
            insert(d);
        }
    }
    AboutConfig about;
    about.regName = "仁愛護老院";
    insert(about);
    db.commit();

    TDrugListForm list;
    list.show();
    QAction* print = list.findChild<QAction*>(QStringLiteral("printAction"));
    if (!print || list.gridWidget()->rowCount() != 5000)
        return 2;
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
        print->trigger(); // F11
    }
    std::printf("drug list of 5000 drugs, %d pages, %lld bytes of PDF\n", pages,
                static_cast<long long>(QFileInfo(pdf).size()));
    std::printf("F11 to preview shown:  median %.0f ms (of %zu)\n", median(shownMs),
                shownMs.size());
    std::printf("PDF of all pages:      median %.0f ms (of %zu)\n", median(pdfMs), pdfMs.size());
    return 0;
}
