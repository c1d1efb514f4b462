#include "residents/labelsetupform.h"

#include "app/look.h"
#include "app/numbers.h"
#include "output/pagemodel.h"
#include "output/printpreview.h"
#include "storage/storage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <tuple>

namespace {

// A single-precision field as the number it was typed as (101.6, not 101.59999847).
double fieldValue(float value) {
    return QString::number(value, 'g', 7).toDouble();
}

double measurement(const QLineEdit* edit) {
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw std::invalid_argument(QStringLiteral("'%1' is not a valid floating point value")
                                        .arg(edit->text())
                                        .toStdString());
    return value;
}

int wholeNumber(const QLineEdit* edit) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid integer value").arg(edit->text()).toStdString());
    return value;
}

} // namespace

LabelGeometry labelGeometry(const LabelSetup& setup) {
    LabelGeometry g;
    g.top = fieldValue(setup.top);
    g.left = fieldValue(setup.left);
    g.width = fieldValue(setup.width);
    g.height = fieldValue(setup.height);
    g.rows = static_cast<int>(setup.row);
    return g;
}

void drawLabels(PageModel& pages, const LabelGeometry& geometry,
                const std::vector<LabelResident>& residents) {
    // Fewer than one row a page would put each label on a page of its own, or never turn
    // the page at all.
    const int rows = std::max(geometry.rows, 1);
    int c = 0;
    int r = 0;
    for (const LabelResident& resident : residents) {
        if (r == rows) {
            pages.newPage();
            c = 0;
            r = 0;
        }
        const double x = geometry.left + geometry.width * c;
        const double y = geometry.top + geometry.height * r;
        pages.textOutMm(x, y, resident.chiName);
        if (!resident.address.trimmed().isEmpty()) {
            const QStringList lines = resident.address.split(QStringLiteral("\r\n"));
            for (int k = 1; k <= lines.size(); ++k)
                pages.textOutMm(x, y + 5 * k + 1, lines[k - 1]);
        }
        if (c == 0) {
            c = 1;
        } else {
            c = 0;
            ++r;
        }
    }
}

// ---------------------------------------------------------------------------------------------

TLabelSetupForm::TLabelSetupForm(QWidget* owner) : TSmallDialog(owner) {
    setupUi();
    const QStringList printers = printerChoices();
    printer->addItems(printers);
    printer->setCurrentIndex(defaultPrinterChoice(printers));
    loadSetup();
}

void TLabelSetupForm::setupUi() {
    setObjectName(QStringLiteral("LabelSetupForm"));
    setWindowTitle(QStringLiteral("郵寄標籤列印"));
    setFixedSize(609, 438);
    setFont(mingFont(16));

    const auto edit = [this](const char* caption, const char* name, const char* text, int y) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setGeometry(40, y, 150, 26);
        auto* e = new QLineEdit(QString::fromUtf8(text), this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(200, y, 120, 26);
        return e;
    };
    top = edit("上緣距離 (mm):", "top", "20", 30);
    left = edit("左緣距離 (mm):", "left", "30", 70);
    width = edit("闊度 (mm):", "width", "101.6", 110);
    height = edit("高度 (mm):", "height", "38.1", 150);
    row = edit("行數:", "row", "7", 190);
    auto* note = new QLabel(QStringLiteral("(只可以列印兩列)"), this);
    note->setGeometry(330, 190, 200, 26);

    auto* printerLabel = new QLabel(QStringLiteral("列印機:"), this);
    printerLabel->setGeometry(40, 240, 150, 26);
    printer = new QComboBox(this);
    printer->setObjectName(QStringLiteral("printer"));
    printer->setGeometry(200, 240, 360, 28);

    printAll = new QRadioButton(QStringLiteral("列印所有"), this);
    printAll->setObjectName(QStringLiteral("printAll"));
    printAll->setGeometry(40, 290, 200, 26);
    range = new QRadioButton(QStringLiteral("只列印選擇範圍"), this);
    range->setObjectName(QStringLiteral("range"));
    range->setGeometry(250, 290, 320, 26);
    range->setChecked(true);

    LMDShapeButton1 = new QPushButton(QStringLiteral("列印"), this);
    LMDShapeButton1->setObjectName(QStringLiteral("LMDShapeButton1"));
    LMDShapeButton1->setFont(mingFont(19, true));
    LMDShapeButton1->setGeometry(150, 350, 130, 50);
    LMDShapeButton3 = new QPushButton(QStringLiteral("關閉"), this);
    LMDShapeButton3->setObjectName(QStringLiteral("LMDShapeButton3"));
    LMDShapeButton3->setGeometry(330, 350, 130, 50);
    for (QPushButton* b : {LMDShapeButton1, LMDShapeButton3})
        b->setAutoDefault(false);

    connect(LMDShapeButton1, &QPushButton::clicked, this, &TLabelSetupForm::LMDShapeButton1Click);
    connect(LMDShapeButton3, &QPushButton::clicked, this, &TLabelSetupForm::LMDShapeButton3Click);
}

void TLabelSetupForm::loadSetup() {
    dbCursor<LabelSetup> setup;
    if (setup.select() > 0) {
        top->setText(formatNumber(fieldValue(setup->top)));
        left->setText(formatNumber(fieldValue(setup->left)));
        width->setText(formatNumber(fieldValue(setup->width)));
        height->setText(formatNumber(fieldValue(setup->height)));
        row->setText(QString::number(static_cast<int>(setup->row)));
        return;
    }
    // The first run keeps the sheet the edits start with; the next commit makes it last.
    LabelSetup record;
    record.top = static_cast<float>(measurement(top));
    record.left = static_cast<float>(measurement(left));
    record.width = static_cast<float>(measurement(width));
    record.height = static_cast<float>(measurement(height));
    record.row = static_cast<float>(wholeNumber(row));
    insert(record);
}

void TLabelSetupForm::LMDShapeButton1Click() {
    // Every edit is read before anything changes, so a bad one leaves the record as it was.
    const double t = measurement(top);
    const double l = measurement(left);
    const double w = measurement(width);
    const double h = measurement(height);
    const int r = wholeNumber(row);
    dbCursor<LabelSetup> setup(dbCursorForUpdate);
    if (setup.select() == 0) {
        insert(LabelSetup{});
        setup.select();
    }
    setup->top = static_cast<float>(t);
    setup->left = static_cast<float>(l);
    setup->width = static_cast<float>(w);
    setup->height = static_cast<float>(h);
    setup->row = static_cast<float>(r);
    setup.update();
    done(mrOk);
}

void TLabelSetupForm::LMDShapeButton3Click() {
    done(mrCancel);
}

// ---------------------------------------------------------------------------------------------

void printResidentLabels(QTableWidget* grid, QWidget* owner) {
    // The selection as one block of rows, top to bottom, as the list shows it.
    const auto selectedRows = [grid] {
        int first = -1;
        int last = -1;
        for (const QTableWidgetSelectionRange& block : grid->selectedRanges()) {
            first = first < 0 ? block.topRow() : std::min(first, block.topRow());
            last = std::max(last, block.bottomRow());
        }
        if (first < 0 && grid->currentRow() >= 0)
            first = last = grid->currentRow();
        return std::pair<int, int>(first, last);
    };

    TLabelSetupForm dialog(owner);
    auto [first, last] = selectedRows();
    const int count = first < 0 ? 0 : last - first + 1;
    dialog.range->setText(QStringLiteral("只列印選擇範圍 (%1個)").arg(count));
    if (dialog.exec() != mrOk)
        return;
    if (dialog.printAll->isChecked()) {
        grid->clearSelection();
        if (grid->rowCount() > 0)
            grid->setRangeSelected(
                QTableWidgetSelectionRange(0, 0, grid->rowCount() - 1, grid->columnCount() - 1),
                true);
        std::tie(first, last) = selectedRows();
    }
    // An empty list has no resident to print.
    if (first < 0 || grid->rowCount() == 0)
        return;

    TPrintPreviewForm preview(owner);
    preview.setPrinterIndex(dialog.printer->currentIndex());
    QFont font = preview.pages().font();
    font.setPointSize(12);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    preview.pages().setFont(font);

    LabelGeometry geometry;
    {
        dbCursor<LabelSetup> setup;
        if (setup.select() > 0)
            geometry = labelGeometry(*setup);
    }
    std::vector<LabelResident> residents;
    dbCursor<Patient> patient;
    for (int i = first; i <= last; ++i) {
        const QTableWidgetItem* id = grid->item(i, 0);
        bool ok = false;
        const qlonglong oid = id ? id->text().toLongLong(&ok) : 0;
        if (!ok)
            throw std::invalid_argument(QStringLiteral("'%1' is not a valid integer value")
                                            .arg(id ? id->text() : QString())
                                            .toStdString());
        patient.at(dbReference<Patient>(oid));
        residents.push_back(
            {QString::fromUtf8(patient->chiName), QString::fromUtf8(patient->address)});
    }
    drawLabels(preview.pages(), geometry, residents);
    preview.exec();
}
