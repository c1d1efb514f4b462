#include "drugs/druglistform.h"

#include "app/dialogforms.h"
#include "app/shell.h"
#include "drugs/drug_transfer.h"
#include "drugs/drugform.h"
#include "output/listtransfer.h"
#include "output/printpreview.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

dbQuery drugQuery(const QString& nameText, bool stopped) {
    dbQuery query;
    query.equals("stopUse", stopped);
    if (const QString text = nameText.trimmed(); !text.isEmpty())
        query.startsWith("name", text);
    query.orderBy("name");
    return query;
}

std::vector<ReferenceCheck> drugReferenceChecks(dbReference<Drug> drug) {
    return {
        {[drug] {
             return anyRecord<Checking>(
                 dbQuery().arrayElementHas("drugTakes", "DrugTake", "drug", drug));
         },
         QStringLiteral("有診斷使用這資料, 不能刪除.")},
        {[drug] {
             return anyRecord<Patient>(
                 dbQuery().arrayElementHas("takes", "DrugTake", "drug", drug));
         },
         QStringLiteral("有院友使用這資料, 不能刪除.")},
        {[drug] { return anyRecord<Ill>(dbQuery().arrayHas("drugs", drug)); },
         QStringLiteral("有病患使用這資料, 不能刪除.")},
    };
}

TDrugListForm::TDrugListForm(QWidget* owner)
    : TListForm(owner, /*colWidthType=*/1, /*commitOnClose=*/false) {
    setupUi();
    restoreColumnWidths();
    refreshList();
}

void TDrugListForm::setupUi() {
    setWindowTitle(QStringLiteral("藥物資料列表"));
    // The designed size is what the window returns to when it is restored.
    resize(799, 567);
    setWindowState(windowState() | Qt::WindowMaximized);

    addToolbarButton(insertAction, "insertButton", QString(), QStyle::SP_FileDialogNewFolder);
    addToolbarButton(updateAction, "updateButton", QString(), QStyle::SP_FileDialogDetailedView);
    addToolbarButton(deleteAction, "deleteButton", QString(), QStyle::SP_TrashIcon);
    addToolbarButton(exportAction, "exportButton", QString(), QStyle::SP_ArrowUp);
    addToolbarButton(importAction, "importButton", QString(), QStyle::SP_ArrowDown);
    addToolbarButton(printAction, "printButton", QString(), QStyle::SP_DialogSaveButton);
    addToolbarButton(helpAction, "helpButton", QString(), QStyle::SP_DialogHelpButton);
    addToolbarButton(closeAction, "closeButton", QString(), QStyle::SP_DialogCloseButton);

    searchPanel->setFixedHeight(41);
    auto* layout = new QHBoxLayout(searchPanel);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(6);
    layout->addWidget(new QLabel(QStringLiteral("名稱:"), searchPanel));
    name = new QLineEdit(searchPanel);
    name->setObjectName(QStringLiteral("name"));
    name->setFixedWidth(553);
    makeSearchEdit(name, /*upperCase=*/true);
    layout->addWidget(name);
    stopUse = new QCheckBox(QStringLiteral("停用"), searchPanel);
    stopUse->setObjectName(QStringLiteral("stopUse"));
    layout->addWidget(stopUse);
    searchButton = new QPushButton(QStringLiteral("尋找"), searchPanel);
    searchButton->setObjectName(QStringLiteral("searchButton"));
    searchButton->setFixedSize(73, 25);
    searchButton->setAutoDefault(false);
    layout->addWidget(searchButton);
    layout->addStretch(1);

    setupGrid({{QStringLiteral("名稱"), 460},
               {QStringLiteral("來源"), 80},
               {QStringLiteral("備註"), 80},
               {QStringLiteral("每天次數"), 80},
               {QStringLiteral("每次數量"), 80}},
              /*rangeSelection=*/false);

    connect(searchButton, &QPushButton::clicked, this, [this] { searchButtonClick(); });
    connect(stopUse, &QCheckBox::clicked, this, [this] { searchButtonClick(); });
    name->setFocus();
}

void TDrugListForm::setPicker(bool picker) {
    actionPanel->setVisible(!picker);
}

void TDrugListForm::refreshList() {
    dbCursor<Drug> cursor;
    const int found = cursor.select(drugQuery(name->text(), stopUse->isChecked()));
    if (found == 0) {
        clearGrid();
        reportNothingFound();
        return;
    }
    startFill(found);
    int row = 0;
    do {
        const Drug& d = *cursor;
        fillRow(row++, cursor.currentId().oid, {d.name, d.function, d.remark, d.day, d.quantity});
    } while (cursor.next());
    finishFill();
}

bool TDrugListForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == name) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            keysDownInName_.insert(key);
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                searchKeyPress();
                return true;
            }
        } else if (event->type() == QEvent::KeyRelease) {
            // Only keys pressed here: the release of F8 that closed the drug form, or of a
            // shortcut, must not search again and drop the row just edited.
            if (keysDownInName_.remove(static_cast<QKeyEvent*>(event)->key()))
                nameKeyUp();
        }
    }
    return TListForm::eventFilter(watched, event);
}

void TDrugListForm::searchKeyPress() {
    refreshList();
    // The picker takes a search with a single hit at once.
    if (isPicker() && grid->rowCount() == 1)
        done(mrOk);
}

void TDrugListForm::nameKeyUp() {
    // Search as the user types.
    refreshList();
}

void TDrugListForm::insertActionExecute() {
    TDrugForm form(this);
    for (;;) {
        if (form.exec() != mrOk)
            return;
        Drug drug;
        if (!form.fillDrug(drug))
            continue; // told "名稱錯誤"; the input is still in the form
        insert(drug);
        refreshList();
        tavroDatabase::current().commit();
        return;
    }
}

void TDrugListForm::updateActionExecute() {
    // A drug just marked stopped stays listed until the next search.
    updateRecord<Drug, TDrugForm>(&TDrugForm::loadDrug, &TDrugForm::fillDrug, [](const Drug& d) {
        return RowTexts{d.name, d.function, d.remark, d.day, d.quantity};
    });
}

void TDrugListForm::deleteActionExecute() {
    deleteRecord<Drug>(
        [](const Drug& d) {
            return QStringLiteral("刪除 '") + QString::fromUtf8(d.name) + QStringLiteral("' 嗎?");
        },
        drugReferenceChecks);
}

void TDrugListForm::helpActionExecute() {
    openDatabaseFile(QStringLiteral("manual.doc"));
}

void TDrugListForm::exportActionExecute() {
    runListExport(this, grid->rowCount(),
                  [this](TTavroExcel& excel) { writeDrugGrid(excel, *grid); });
}

void TDrugListForm::importActionExecute() {
    runListImport(this, readDrugs, [this] { refreshList(); });
}

void TDrugListForm::printActionExecute() {
    printListGrid(grid, QStringLiteral("藥物資料列表"), this);
}
