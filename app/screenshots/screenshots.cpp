// Pictures of the real windows for README.md, made offscreen from a sample data folder:
//   dosarix_screenshots OUTPUT_FOLDER PRINT_TEMPLATE
// The medication sheet page is printed to PDF by the office suite and rendered with pdftoppm.

#include "app/look.h"
#include "app/mainform.h"
#include "backup/backupform.h"
#include "drugs/druglistform.h"
#include "output/tavroexcel.h"
#include "residents/medication_sheet.h"
#include "residents/patientform.h"
#include "residents/patientlistform.h"
#include "storage/storage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void settle(int ms = 150) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
}

bool save(QWidget* window, const QString& folder, const char* name) {
    window->show();
    settle();
    const QString file = QDir(folder).filePath(QString::fromLatin1(name) + ".png");
    const bool ok = window->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    window->hide();
    return ok;
}

struct SampleDrug {
    const char *name, *day, *quantity, *unit, *m1, *m2, *a1, *a2, *function;
};

const SampleDrug sampleDrugs[] = {
    {"AMLODIPINE 5MG", "1", "1", "粒", "8", "", "", "", "普通科"},
    {"ASPIRIN 80MG", "1", "1", "粒", "8", "", "", "", "內科"},
    {"CALCIUM CARBONATE", "2", "1", "粒", "8", "", "5", "", "普通科"},
    {"FUROSEMIDE 40MG", "1", "1", "粒", "8", "", "", "", "內科"},
    {"LACTULOSE", "2", "10", "ml", "8", "", "5", "", "普通科"},
    {"METFORMIN 500MG", "3", "1", "粒", "7", "12", "5", "", "內科"},
    {"PARACETAMOL 500MG", "3", "2", "粒", "7", "12", "5", "", "普通科"},
    {"SENNA", "1", "2", "粒", "", "", "9", "", "普通科"},
};

struct SampleResident {
    const char *sid, *name, *hkid, *tel, *allergies, *remark;
    int takes; // how many of the sample drugs, from the first
};

const SampleResident sampleResidents[] = {
    {"1", "陳大文", "A123456(7)", "23456789", "PENICILLIN", "糖尿病", 6},
    {"2", "李美玲", "B234567(8)", "24681357", "", "", 3},
    {"3", "黃志強", "C345678(9)", "27654321", "ASPIRIN", "輪椅", 2},
    {"5", "張秀英", "D456789(0)", "29876543", "", "低鹽餐", 4},
    {"6", "何國華", "E567890(1)", "21234567", "", "", 1},
    {"8", "林玉蓮", "F678901(2)", "26543210", "SULFA", "", 5},
    {"10", "吳少芬", "G789012(3)", "23344556", "", "需餵食", 2},
};

void fillSampleData() {
    AboutConfig about;
    about.regName = "仁愛護老院";
    about.version = 4;
    insert(about);

    std::vector<dbReference<Drug>> drugs;
    for (const SampleDrug& d : sampleDrugs) {
        Drug drug;
        drug.name = d.name;
        drug.day = d.day;
        drug.quantity = d.quantity;
        drug.unit = d.unit;
        drug.m1 = d.m1;
        drug.m2 = d.m2;
        drug.a1 = d.a1;
        drug.a2 = d.a2;
        drug.function = d.function;
        drugs.push_back(insert(drug));
    }
    int seq = 0;
    for (const SampleResident& r : sampleResidents) {
        Patient patient;
        patient.id = ++seq;
        patient.sid = r.sid;
        patient.chiName = r.name;
        patient.hkid = r.hkid;
        patient.tel = r.tel;
        patient.engName = r.allergies;
        patient.remark = r.remark;
        patient.sex = seq % 2 == 1;
        patient.address = "九龍旺角彌敦道 600 號\r\n十二樓 A 室";
        patient.regDate = dbDateTime(2024, 3, seq, 10, 0, 0);
        patient.birthDate =
            tavroTDateTime(toCalendarReal(QDateTime(QDate(1935 + seq, 5, 1), QTime())));
        for (int t = 0; t < r.takes; ++t) {
            const SampleDrug& d = sampleDrugs[t];
            DrugTake take;
            take.drug = drugs[static_cast<std::size_t>(t)];
            take.transDate = dbDateTime(2025, 1 + t, 10, 9, 0, 0);
            take.day = d.day;
            take.quantity = d.quantity;
            take.m1 = d.m1;
            take.m2 = d.m2;
            take.a1 = d.a1;
            take.a2 = d.a2;
            take.function = d.function;
            patient.takes.append(insert(take));
        }
        insert(patient);
    }
    tavroDatabase::current().commit();
}

bool sheetPicture(TPatientForm& form, const QString& folder, const QString& templatePath) {
    MedicationSheet sheet;
    sheet.allergies = form.engName->text();
    sheet.name = form.chiName->text();
    sheet.bed = form.id->text();
    sheet.year = QStringLiteral("2025");
    sheet.month = QStringLiteral("6");
    for (int row = 0; row < form.takes->rowCount(); ++row) {
        const auto cell = [&](int c) {
            QTableWidgetItem* item = form.takes->item(row, c);
            return item ? item->text() : QString();
        };
        sheet.lines.push_back(
            medicationLine(dbReference<DrugTake>(cell(0).toLongLong()), cell(1), cell(2)));
    }
    QTemporaryDir pdfDir;
    const QString pdf = pdfDir.filePath(QStringLiteral("sheet.pdf"));
    setPrintDestinationChooser([&] { return PrintDestination{QString(), pdf}; });
    const int failed = printMedicationSheet(sheet, templatePath);
    setPrintDestinationChooser({});
    if (failed != 0 || !QFile::exists(pdf)) {
        std::printf("FAILED the medication sheet did not print\n");
        return false;
    }
    const QString out = QDir(folder).filePath(QStringLiteral("sheet"));
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                  QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                  QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, out});
    const bool ok = render.waitForFinished(60000) && render.exitCode() == 0;
    std::printf("%s %s.png\n", ok ? "wrote" : "FAILED", qPrintable(out));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER PRINT_TEMPLATE\n", argv[0]);
        return 2;
    }
    setupApplicationLook(app);
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString sourceTemplate = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    QDir().mkpath(folder);

    QTemporaryDir data;
    QDir::setCurrent(data.path());
    QFile::copy(sourceTemplate, data.filePath(QStringLiteral("print.xls")));
    tavroDatabase database;
    if (!database.open()) {
        std::fprintf(stderr, "cannot open a sample data file\n");
        return 1;
    }
    fillSampleData();

    bool ok = true;
    TMainForm mainForm;
    ok &= save(&mainForm, folder, "main");
    mainForm.show();
    settle();

    {
        TPatientListForm list(&mainForm);
        ok &= save(&list, folder, "residents");
    }
    {
        TPatientForm form(&mainForm);
        dbCursor<Patient> patients;
        patients.select(dbQuery().orderBy("sid"));
        form.loadResident(*patients);
        ok &= save(&form, folder, "resident-form");
        try {
            ok &= sheetPicture(form, folder, medicationTemplatePath());
        } catch (const std::exception& e) {
            std::printf("FAILED medication sheet: %s\n", e.what());
            ok = false;
        }
    }
    {
        TDrugListForm drugs(&mainForm);
        ok &= save(&drugs, folder, "drugs");
    }
    {
        TBackupForm backup(&mainForm);
        ok &= save(&backup, folder, "backup");
    }
    mainForm.hide();
    database.rollback();
    return ok ? 0 : 1;
}
