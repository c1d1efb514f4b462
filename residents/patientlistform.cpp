#include "residents/patientlistform.h"

#include "app/dialogforms.h"
#include "app/shell.h"
#include "output/listtransfer.h"
#include "residents/labelsetupform.h"
#include "residents/medication_sheet.h"
#include "residents/patient_transfer.h"
#include "residents/patientform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

dbQuery patientQuery(const PatientSearch& search) {
    dbQuery query;
    const QString bed = search.id.trimmed();
    if (!bed.isEmpty())
        return query.equals("sid", bed);
    query.equals("isLeave", search.isLeave);
    if (const QString text = search.chiName.trimmed(); !text.isEmpty())
        query.contains("chiName", text);
    if (const QString text = search.hkid.trimmed(); !text.isEmpty())
        query.contains("hkid", text);
    if (const QString text = search.tel.trimmed(); !text.isEmpty())
        query.containsInAny({"tel", "mobile"}, text);
    if (const QString text = search.remark.trimmed(); !text.isEmpty())
        query.contains("remark", text);
    switch (search.sortBy) {
    case 1:
        query.orderBy("chiName");
        break;
    case 2:
        query.orderBy("hkid");
        break;
    default:
        query.orderBy("sid");
        break;
    }
    return query;
}

TPatientListForm::TPatientListForm(QWidget* owner)
    : TListForm(owner, /*colWidthType=*/0, /*commitOnClose=*/true) {
    setupUi();
    restoreColumnWidths();
    refreshList();
}

void TPatientListForm::setupUi() {
    setWindowTitle(QStringLiteral("院友列表"));
    resize(802, 565);

    envAction = addListAction("envAction", QStringLiteral("信封 F7"), QKeySequence(), QString(),
                              true, [this] { envActionExecute(); });

    addToolbarButton(insertAction, "insertButton", QString(), QStyle::SP_FileDialogNewFolder);
    addToolbarButton(updateAction, "updateButton", QString(), QStyle::SP_FileDialogDetailedView);
    addToolbarButton(deleteAction, "deleteButton", QString(), QStyle::SP_TrashIcon);
    addToolbarButton(exportAction, "exportButton", QString(), QStyle::SP_ArrowUp);
    addToolbarButton(importAction, "importButton", QString(), QStyle::SP_ArrowDown);
    addToolbarButton(envAction, "cEnvelope", QString(), QStyle::SP_FileIcon);
    addToolbarButton(printAction, "printButton", QStringLiteral("列印藥紙"),
                     QStyle::SP_DialogSaveButton);
    addToolbarButton(closeAction, "closeButton", QString(), QStyle::SP_DialogCloseButton);

    searchPanel->setFixedHeight(64);
    auto* layout = new QGridLayout(searchPanel);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(1);
    int col = 0;
    auto addEdit = [&](QLineEdit*& edit, const char* name, const QString& label, int width,
                       bool upperCase) {
        edit = new QLineEdit(searchPanel);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setFixedWidth(width);
        makeSearchEdit(edit, upperCase);
        layout->addWidget(new QLabel(label, searchPanel), 0, col);
        layout->addWidget(edit, 1, col++);
    };
    addEdit(id, "id", QStringLiteral("床號:"), 100, true);
    addEdit(chiName, "chiName", QStringLiteral("院友姓名:"), 100, false);
    addEdit(hkid, "hkid", QStringLiteral("身份證:"), 89, true);
    addEdit(tel, "tel", QStringLiteral("電話號碼:"), 89, true);
    addEdit(remark, "remark", QStringLiteral("備註:"), 169, true);

    isLeave = new QCheckBox(QStringLiteral("已離開"), searchPanel);
    isLeave->setObjectName(QStringLiteral("isLeave"));
    layout->addWidget(isLeave, 1, col++);

    sortBy = new QComboBox(searchPanel);
    sortBy->setObjectName(QStringLiteral("sortBy"));
    sortBy->addItems({QStringLiteral("編號"), QStringLiteral("名稱"), QStringLiteral("身份證")});
    sortBy->setCurrentIndex(0);
    layout->addWidget(new QLabel(QStringLiteral("排序:"), searchPanel), 0, col);
    layout->addWidget(sortBy, 1, col++);

    searchButton = new QPushButton(QStringLiteral("尋找"), searchPanel);
    searchButton->setObjectName(QStringLiteral("searchButton"));
    searchButton->setFixedSize(73, 49);
    searchButton->setAutoDefault(false);
    layout->addWidget(searchButton, 0, col++, 2, 1);
    layout->setColumnStretch(col, 1);

    setupGrid({{QStringLiteral("床號"), 80},
               {QStringLiteral("院友姓名"), 100},
               {QStringLiteral("身份證"), 100},
               {QStringLiteral("電話"), 100},
               {QStringLiteral("備註"), 100}},
              /*rangeSelection=*/true);

    connect(searchButton, &QPushButton::clicked, this, [this] { searchButtonClick(); });
    connect(isLeave, &QCheckBox::clicked, this, [this] { searchButtonClick(); });
    connect(sortBy, &QComboBox::currentIndexChanged, this, [this] { searchButtonClick(); });
}

PatientSearch TPatientListForm::currentSearch() const {
    PatientSearch search;
    search.id = id->text();
    search.chiName = chiName->text();
    search.hkid = hkid->text();
    search.tel = tel->text();
    search.remark = remark->text();
    search.isLeave = isLeave->isChecked();
    search.sortBy = sortBy->currentIndex();
    return search;
}

void TPatientListForm::refreshList() {
    dbCursor<Patient> cursor;
    const int found = cursor.select(patientQuery(currentSearch()));
    if (found == 0) {
        clearGrid();
        reportNothingFound();
        return;
    }
    startFill(found);
    int row = 0;
    do {
        const Patient& p = *cursor;
        fillRow(row++, cursor.currentId().oid, {p.sid, p.chiName, p.hkid, p.tel, p.remark});
    } while (cursor.next());
    finishFill();
}

void TPatientListForm::deleteActionExecute() {
    deleteRecord<Patient>(
        [](const Patient& p) {
            return QStringLiteral("刪除 '") + QString::fromUtf8(p.sid) + QStringLiteral("' 嗎?");
        },
        [](dbReference<Patient> ref) {
            return std::vector<ReferenceCheck>{
                {[ref] { return anyRecord<Checking>(dbQuery().equals("patient", ref)); },
                 QStringLiteral("有診斷使用這資料, 不能刪除.")},
                {[ref] { return anyRecord<Booking>(dbQuery().equals("patient", ref)); },
                 QStringLiteral("有預約使用這資料, 不能刪除.")}};
        });
}

void TPatientListForm::helpActionExecute() {
    openDatabaseFile(QStringLiteral("help/patient.htm"));
}

void openPatientList(QWidget* owner) {
    TPatientListForm list(owner);
    list.exec();
}

void TPatientListForm::insertActionExecute() {
    TPatientForm form(this);
    form.id->setText(proposedBedNumber());
    // The form's cancel rolls back: what was confirmed before (label sheet, paper, column
    // widths) must not be reached by that.
    tavroDatabase::current().commit();
    while (form.exec() == mrOk) {
        Patient record;
        if (!form.fillResident(record))
            continue; // shown again with everything typed still there
        record.id = nextResidentId();
        insert(record);
        refreshList();
        tavroDatabase::current().commit();
        return;
    }
    // Closed without saving (any way): undo the medication lines the form wrote.
    tavroDatabase::current().rollback();
}

void TPatientListForm::updateActionExecute() {
    const EditResult result = updateRecord<Patient, TPatientForm>(
        &TPatientForm::loadResident, &TPatientForm::fillResident, [](const Patient& p) {
            return RowTexts{p.sid, p.chiName, p.hkid, p.tel, p.remark};
        });
    // Closed without saving (any way): undo the medication lines the form wrote.
    if (result == EditResult::Cancelled)
        tavroDatabase::current().rollback();
}

// Monthly sheets, labels and the spreadsheet transfer attach here.
void TPatientListForm::exportActionExecute() {
    std::vector<oid_t> ids;
    for (int row = 0; row < grid->rowCount(); ++row)
        ids.push_back(rowId(*grid, row));
    runListExport(this, grid->rowCount(), [&](TTavroExcel& excel) { writeResidents(excel, ids); });
}

void TPatientListForm::importActionExecute() {
    runListImport(this, readResidents, [this] { refreshList(); });
}
void TPatientListForm::printActionExecute() {
    // One hidden resident form, reloaded for each listed resident in grid order; the month is
    // asked once for the whole run.
    TPatientForm form(this);
    if (!askSheetMonth(this, form.sheetYear, form.sheetMonth))
        return;
    runMedicationPrint(this, grid->rowCount(), [&](int row) {
        dbCursor<Patient> cursor;
        cursor.at(dbReference<Patient>(rowId(*grid, row)));
        form.loadResident(*cursor);
        return form.medicationSheet();
    });
}
void TPatientListForm::envActionExecute() {
    printResidentLabels(grid, this);
}
