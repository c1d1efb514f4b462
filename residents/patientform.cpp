#include "residents/patientform.h"

#include "app/dialogforms.h"
#include "app/dialogs.h"
#include "app/linebreaks.h"
#include "app/lists/listform.h"
#include "app/look.h"
#include "app/shell.h"
#include "drugs/drugform.h"
#include "drugs/druglistform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

QString storedMemo(const QPlainTextEdit* memo) {
    return storedLines(memo->toPlainText());
}

QString shownMemo(const char* stored) {
    return shownLines(QString::fromUtf8(stored));
}

QString text(const char* s) {
    return QString::fromUtf8(s ? s : "");
}

} // namespace

QDateTime defaultBirthDate() {
    return QDateTime(QDate(2003, 3, 4), QTime(0, 0));
}

QString proposedBedNumber() {
    dbCursor<Patient> cursor;
    if (cursor.select(dbQuery().orderBy("id", true)) == 0)
        return QStringLiteral("1");
    bool whole = false;
    const qint64 bed = QString::fromUtf8(cursor->sid).toInt(&whole);
    return whole ? QString::number(bed + 1) : QString();
}

std::int32_t nextResidentId() {
    dbCursor<Patient> cursor;
    if (cursor.select(dbQuery().orderBy("id", true)) == 0)
        return 1;
    return cursor->id + 1;
}

TPatientForm::TPatientForm(QWidget* owner) : QDialog(owner) {
    setupUi();
    sex->setCurrentIndex(0);
    regDate->setDateTime(QDateTime::currentDateTime());
    birthDate->setDateTime(defaultBirthDate());
}

void TPatientForm::setupUi() {
    setWindowTitle(QStringLiteral("病人資料表格"));
    setFont(mingFont(16));
    setFixedSize(800, 600);

    auto label = [this](const QString& caption, int x, int y, int w = 100) {
        auto* l = new QLabel(caption, this);
        l->setGeometry(x, y, w, 24);
        return l;
    };
    auto lineEdit = [this, &label](QLineEdit*& edit, const char* name, const QString& caption,
                                   int y, int width) {
        label(caption, 10, y);
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(110, y, width, 24);
    };
    lineEdit(engName, "engName", QStringLiteral("過敏藥物:"), 8, 217);
    lineEdit(id, "id", QStringLiteral("床號:"), 38, 225);
    lineEdit(chiName, "chiName", QStringLiteral("院友姓名:"), 68, 217);
    lineEdit(hkid, "hkid", QStringLiteral("身份證:"), 98, 121);
    label(QStringLiteral("出生日期:"), 10, 128);
    birthDate = new QDateTimeEdit(this);
    birthDate->setObjectName(QStringLiteral("birthDate"));
    birthDate->setGeometry(110, 128, 140, 24);
    label(QStringLiteral("性別:"), 10, 158);
    sex = new QComboBox(this);
    sex->setObjectName(QStringLiteral("sex"));
    sex->addItems({QStringLiteral("男"), QStringLiteral("女")});
    sex->setGeometry(110, 158, 80, 24);
    lineEdit(tel, "tel", QStringLiteral("電話:"), 188, 169);
    lineEdit(mobile, "mobile", QStringLiteral("手提電話:"), 218, 169);
    lineEdit(contactPerson, "contactPerson", QStringLiteral("緊急聯絡人:"), 248, 169);
    lineEdit(contactTel, "contactTel", QStringLiteral("聯絡人電話:"), 278, 169);

    label(QStringLiteral("地址:"), 420, 8, 80);
    address = new QPlainTextEdit(this);
    address->setObjectName(QStringLiteral("address"));
    address->setGeometry(510, 8, 265, 81);
    label(QStringLiteral("備註:"), 420, 96, 80);
    remark = new QPlainTextEdit(this);
    remark->setObjectName(QStringLiteral("remark"));
    remark->setGeometry(510, 96, 265, 153);
    label(QStringLiteral("登記日期:"), 420, 256, 90);
    regDate = new QDateTimeEdit(this);
    regDate->setObjectName(QStringLiteral("regDate"));
    regDate->setGeometry(510, 256, 140, 24);
    isLeave = new QCheckBox(QStringLiteral("已離開"), this);
    isLeave->setObjectName(QStringLiteral("isLeave"));
    isLeave->setGeometry(670, 256, 100, 24);

    for (QDateTimeEdit* picker : {birthDate, regDate}) {
        picker->setDisplayFormat(shortDateFormat());
        picker->setCalendarPopup(true);
    }
    for (QLineEdit* edit : {engName, id, hkid})
        makeUpperCase(edit);
    // Tab leaves the memos instead of typing a tab.
    address->setTabChangesFocus(true);
    remark->setTabChangesFocus(true);
    // The bed number and the registration date are reached by clicking only.
    id->setFocusPolicy(Qt::ClickFocus);
    regDate->setFocusPolicy(Qt::ClickFocus);

    label(QStringLiteral("藥物:"), 10, 312, 60);
    auto button = [this](QPushButton*& b, const char* name, const QString& caption, int x, int y,
                         int w, int h, QWidget* parent) {
        b = new QPushButton(caption, parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, w, h);
        b->setAutoDefault(false);
    };
    button(insertButton, "insertButton", QStringLiteral("加入藥物 F4"), 80, 306, 120, 34, this);
    button(updateButton, "updateButton", QStringLiteral("更改"), 205, 306, 80, 34, this);
    button(deleteButton, "deleteButton", QStringLiteral("刪除藥物 F5"), 290, 306, 120, 34, this);

    const QFont gridFont = mingFont(13);
    takes = new QTableWidget(this);
    takes->setObjectName(QStringLiteral("takes"));
    takes->setGeometry(10, 345, 497, 169);
    drugs = new QTableWidget(this);
    drugs->setObjectName(QStringLiteral("drugs"));
    drugs->setGeometry(520, 345, 265, 153);
    label(QStringLiteral("快速加入:"), 520, 312, 80);
    drug = new QLineEdit(this);
    drug->setObjectName(QStringLiteral("drug"));
    drug->setGeometry(610, 312, 121, 24);
    makeUpperCase(drug);
    for (QTableWidget* grid : {takes, drugs}) {
        grid->setFont(gridFont);
        grid->horizontalHeader()->setFont(gridFont);
    }
    setupListGrid(*takes,
                  {{QStringLiteral("藥物名稱"), 200},
                   {QStringLiteral("處方日期"), 80},
                   {QStringLiteral("來源"), 60},
                   {QStringLiteral("備註"), 60},
                   {QStringLiteral("每次數量"), 60}},
                  false);
    setupListGrid(*drugs, {{QStringLiteral("藥物名稱"), 200}}, false);
    for (QTableWidget* grid : {takes, drugs}) {
        grid->verticalHeader()->setMinimumSectionSize(1);
        grid->verticalHeader()->setDefaultSectionSize(20);
    }

    cSavePanel = new QWidget(this);
    cSavePanel->setObjectName(QStringLiteral("cSavePanel"));
    cSavePanel->setGeometry(0, 539, 800, 61);
    button(helpButton, "helpButton", QStringLiteral("說明 F1"), 5, 1, 80, 59, cSavePanel);
    button(printButton, "printButton", QStringLiteral("列印藥紙"), 90, 1, 100, 59, cSavePanel);
    button(saveButton, "saveButton", QStringLiteral("儲存 F8"), 630, 1, 80, 59, cSavePanel);
    button(cancelButton, "cancelButton", QStringLiteral("取消 Esc"), 715, 1, 80, 59, cSavePanel);
    saveButton->setToolTip(QStringLiteral("儲存資料"));

    auto action = [this](QAction*& a, const char* name, const QString& caption, Qt::Key key,
                         void (TPatientForm::*handler)()) {
        a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, handler);
    };
    action(saveAction, "saveAction", QStringLiteral("儲存 F8"), Qt::Key_F8,
           &TPatientForm::saveActionExecute);
    saveAction->setToolTip(QStringLiteral("儲存資料"));
    action(cancelAction, "cancelAction", QStringLiteral("取消 Esc"), Qt::Key_Escape,
           &TPatientForm::cancelActionExecute);
    action(helpAction, "helpAction", QStringLiteral("說明 F1"), Qt::Key_F1,
           &TPatientForm::helpActionExecute);
    action(addIllAction, "addIllAction", QStringLiteral("加入藥物 F4"), Qt::Key_F4,
           &TPatientForm::addIllActionExecute);
    action(removeIllAction, "removeIllAction", QStringLiteral("刪除藥物 F5"), Qt::Key_F5,
           &TPatientForm::removeIllActionExecute);
    connect(saveButton, &QPushButton::clicked, saveAction, &QAction::trigger);
    connect(cancelButton, &QPushButton::clicked, cancelAction, &QAction::trigger);
    connect(helpButton, &QPushButton::clicked, helpAction, &QAction::trigger);
    connect(insertButton, &QPushButton::clicked, addIllAction, &QAction::trigger);
    connect(deleteButton, &QPushButton::clicked, removeIllAction, &QAction::trigger);
    connect(updateButton, &QPushButton::clicked, this, &TPatientForm::updateButtonClick);
    connect(printButton, &QPushButton::clicked, this, &TPatientForm::printButtonClick);
    connect(takes, &QTableWidget::cellDoubleClicked, this, &TPatientForm::updateButtonClick);
    connect(drugs, &QTableWidget::cellDoubleClicked, this, &TPatientForm::drugsDblClick);
    connect(drug, &QLineEdit::textEdited, this, &TPatientForm::drugKeyUp);

    QWidget* order[] = {engName,      chiName,       hkid,         birthDate,   sex,        tel,
                        mobile,       contactPerson, contactTel,   address,     remark,     takes,
                        insertButton, updateButton,  deleteButton, isLeave,     helpButton, drugs,
                        drug,         printButton,   saveButton,   cancelButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Enter moves on from these boxes.
    for (QWidget* w : std::initializer_list<QWidget*>{engName, chiName, hkid, birthDate, sex, tel,
                                                      mobile, contactPerson, contactTel})
        w->installEventFilter(this);
    drug->installEventFilter(this);
}

void TPatientForm::loadResident(const Patient& record) {
    id->setText(text(record.sid));
    engName->setText(text(record.engName));
    chiName->setText(text(record.chiName));
    hkid->setText(text(record.hkid));
    address->setPlainText(shownMemo(record.address));
    tel->setText(text(record.tel));
    mobile->setText(text(record.mobile));
    contactPerson->setText(text(record.contactPerson));
    contactTel->setText(text(record.contactTel));
    remark->setPlainText(shownMemo(record.remark));
    sex->setCurrentIndex(record.sex ? 0 : 1);
    if (record.regDate.isValid())
        regDate->setDateTime(toTDateTime(record.regDate));
    if (record.birthDate.isValid())
        birthDate->setDateTime(fromCalendarReal(record.birthDate.stamp));
    isLeave->setChecked(record.isLeave);

    takes->setRowCount(0);
    dbCursor<DrugTake> line;
    for (const dbReference<DrugTake>& ref : record.takes.items()) {
        line.at(ref);
        appendTakeRow(ref, *line);
    }
    if (takes->rowCount() > 0)
        takes->setCurrentCell(0, 1);
}

bool TPatientForm::fillResident(Patient& record) {
    const QString bed = id->text();
    qsizetype start = 0;
    while (start < bed.size() && bed.at(start).isSpace())
        ++start;
    if (start == bed.size()) {
        messageBox(QStringLiteral("編號錯誤"), this);
        return false;
    }
    stringArena.reset();
    auto keep = [this](const QString& s) { return stringArena.store(s.toUtf8().constData()); };
    record.sid = keep(bed);
    record.engName = keep(engName->text());
    record.chiName = keep(chiName->text());
    record.hkid = keep(hkid->text());
    record.address = keep(storedMemo(address));
    record.tel = keep(tel->text());
    record.mobile = keep(mobile->text());
    record.contactPerson = keep(contactPerson->text());
    record.contactTel = keep(contactTel->text());
    record.remark = keep(storedMemo(remark));
    record.sex = sex->currentIndex() == 0;
    record.regDate = toDbDateTime(regDate->dateTime());
    record.birthDate = tavroTDateTime(toCalendarReal(birthDate->dateTime()));
    record.isLeave = isLeave->isChecked();
    record.takes.clear();
    for (int row = 0; row < takes->rowCount(); ++row)
        record.takes.append(dbReference<DrugTake>(rowId(*takes, row)));
    return true;
}

void TPatientForm::appendTakeRow(dbReference<DrugTake> ref, const DrugTake& line) {
    const int row = takes->rowCount();
    takes->setRowCount(row + 1);
    takes->setItem(row, 0, new QTableWidgetItem(QString::number(ref.oid)));
    for (int col = 1; col < takes->columnCount(); ++col)
        takes->setItem(row, col, new QTableWidgetItem());
    writeTakeRow(row, line);
}

void TPatientForm::writeTakeRow(int row, const DrugTake& line) {
    QString name;
    if (!line.drug.isNull()) {
        dbCursor<Drug> d;
        d.at(line.drug);
        name = text(d->name);
    }
    const QString cells[] = {name, dateText(line.transDate), text(line.function), text(line.remark),
                             text(line.quantity)};
    for (int col = 1; col <= 5; ++col)
        takes->item(row, col)->setText(cells[col - 1]);
}

void TPatientForm::lookupDrugs() {
    drugs->setRowCount(0);
    dbCursor<Drug> cursor;
    const int found = cursor.select(dbQuery().startsWith("name", drug->text()).orderBy("name"));
    if (found == 0)
        return;
    drugs->setRowCount(found);
    int row = 0;
    do {
        drugs->setItem(row, 0, new QTableWidgetItem(QString::number(cursor.currentId().oid)));
        drugs->setItem(row, 1, new QTableWidgetItem(text(cursor->name)));
        ++row;
    } while (cursor.next());
    drugs->setCurrentCell(0, 1);
}

void TPatientForm::addMedicationLine(dbReference<Drug> chosen) {
    dbCursor<Drug> source;
    source.at(chosen);
    TDrugForm form(this);
    form.loadDrug(*source);
    form.setMedicationLineMode();
    form.setPrescriptionDate(QDateTime::currentDateTime());
    if (form.exec() != mrOk)
        return;
    DrugTake line;
    line.drug = chosen;
    form.fillMedicationLine(line);
    const dbReference<DrugTake> ref = insert(line);
    appendTakeRow(ref, line);
}

void TPatientForm::addIllActionExecute() {
    TDrugListForm picker(this);
    picker.setPicker(true);
    if (picker.exec() != mrOk)
        return;
    const dbReference<Drug> chosen = picker.selectedDrug();
    if (!chosen.isNull())
        addMedicationLine(chosen);
}

void TPatientForm::updateButtonClick() {
    const int row = topSelectedRow(*takes);
    if (row < 0)
        return;
    dbCursor<DrugTake> line(dbCursorForUpdate);
    line.at(dbReference<DrugTake>(rowId(*takes, row)));
    TDrugForm form(this);
    form.loadMedicationLine(*line);
    if (form.exec() != mrOk)
        return;
    form.fillMedicationLine(*line);
    line.update();
    writeTakeRow(row, *line);
}

void TPatientForm::removeIllActionExecute() {
    const int row = topSelectedRow(*takes);
    if (row < 0)
        return;
    const QString name = takes->item(row, 1) ? takes->item(row, 1)->text() : QString();
    if (!confirmYesNo(QStringLiteral("刪除藥物 '") + name + QStringLiteral("' 嗎?"), this))
        return;
    dbCursor<DrugTake> line(dbCursorForUpdate);
    line.at(dbReference<DrugTake>(rowId(*takes, row)));
    line.remove();
    takes->removeRow(row);
}

void TPatientForm::drugsDblClick() {
    const int row = topSelectedRow(*drugs);
    if (row >= 0)
        addMedicationLine(dbReference<Drug>(rowId(*drugs, row)));
}

void TPatientForm::drugKeyUp() {
    lookupDrugs();
}

bool TPatientForm::drugKeyDown(int key) {
    const int row = topSelectedRow(*drugs);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (row >= 0) {
            addMedicationLine(dbReference<Drug>(rowId(*drugs, row)));
            drug->clear();
            lookupDrugs();
            drug->setFocus();
        }
        return true;
    case Qt::Key_Up:
        if (row > 0)
            drugs->selectRow(row - 1);
        return true;
    case Qt::Key_Down:
        if (row >= 0 && row < drugs->rowCount() - 1)
            drugs->selectRow(row + 1);
        return true;
    default:
        return false;
    }
}

bool TPatientForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == drug)
            return drugKeyDown(key->key()) || QDialog::eventFilter(watched, event);
        if (watched == birthDate) {
            // A date is one Tab stop; its day, month and year are reached with the arrow keys.
            if (key->key() == Qt::Key_Backtab ||
                (key->key() == Qt::Key_Tab && key->modifiers() & Qt::ShiftModifier))
                return focusPreviousChild();
            if (key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ControlModifier))
                return focusNextChild();
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // engNameKeyPress: Enter moves on to the next box.
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPatientForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TPatientForm::FormShow() {
    if (!chiName->text().isEmpty())
        drug->setFocus();
    else
        engName->setFocus();
    lookupDrugs();
}

void TPatientForm::saveActionExecute() {
    done(mrOk);
}

void TPatientForm::cancelActionExecute() {
    tavroDatabase::current().rollback();
    done(mrCancel);
}

void TPatientForm::reject() {
    cancelActionExecute();
}

void TPatientForm::helpActionExecute() {
    openDatabaseFile(QStringLiteral("manual.doc"));
}

MedicationSheet TPatientForm::medicationSheet() const {
    MedicationSheet sheet;
    sheet.allergies = engName->text();
    sheet.name = chiName->text();
    sheet.bed = id->text();
    sheet.year = sheetYear;
    sheet.month = sheetMonth;
    for (int row = 0; row < takes->rowCount(); ++row)
        sheet.lines.push_back(medicationLine(dbReference<DrugTake>(rowId(*takes, row)),
                                             takes->item(row, 1)->text(),
                                             takes->item(row, 2)->text()));
    return sheet;
}

void TPatientForm::printButtonClick() {
    if (!medicationTemplateReady(this))
        return;
    // A form the user is looking at asks for the month; a hidden one (the list's print of
    // every resident) was given it.
    if (isVisible() && !askSheetMonth(this, sheetYear, sheetMonth))
        return;
    runMedicationPrint(this, 1, [this](int) { return medicationSheet(); });
}
