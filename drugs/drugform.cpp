#include "drugs/drugform.h"

#include "app/dialogforms.h"
#include "app/dialogs.h"
#include "app/linebreaks.h"
#include "app/look.h"
#include "app/shell.h"
#include "storage/storage.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>

bool drugNameValid(const QString& memoText) {
    return !memoText.trimmed().isEmpty();
}

QString storedDrugName(const QString& memoText) {
    return storedLines(QLocale::system().toUpper(memoText));
}

QString memoDrugName(const char* stored) {
    return shownLines(QString::fromUtf8(stored));
}

namespace {

// The picker shows this until a medication line gives it a real date.
const QDateTime designDate(QDate(2004, 1, 1), QTime(0, 0));

QString text(const char* value) {
    return QString::fromUtf8(value);
}

} // namespace

TDrugForm::TDrugForm(QWidget* owner) : QDialog(owner) {
    setupUi();
}

void TDrugForm::setupUi() {
    setWindowTitle(QStringLiteral("藥物資料表格"));
    setFont(mingFont(16));
    setFixedSize(886, 257);

    auto label = [this](QWidget* parent, const char* caption, int x, int y, int w = 40) {
        auto* l = new QLabel(QString::fromUtf8(caption), parent ? parent : this);
        l->setGeometry(x, y, w, 25);
        return l;
    };
    auto edit = [this](const char* objectName, int x, int y, int w, const char* initial = "") {
        auto* e = new QLineEdit(QString::fromUtf8(initial), this);
        e->setObjectName(QLatin1String(objectName));
        e->setGeometry(x, y, w, 25);
        e->installEventFilter(this);
        return e;
    };

    label(nullptr, "名稱:", 8, 10, 50);
    name = new QPlainTextEdit(this);
    name->setObjectName(QStringLiteral("name"));
    name->setGeometry(60, 8, 489, 81);
    name->setTabChangesFocus(true);

    label(nullptr, "來源:", 8, 99, 50);
    function = edit("function", 60, 97, 129);
    label(nullptr, "備註:", 200, 99, 50);
    remark = edit("remark", 250, 97, 289);

    datePanel = new QWidget(this);
    datePanel->setObjectName(QStringLiteral("datePanel"));
    datePanel->setGeometry(552, 95, 260, 29);
    label(datePanel, "處方日期:", 0, 2, 86);
    transDate = new QDateTimeEdit(designDate, datePanel);
    transDate->setObjectName(QStringLiteral("transDate"));
    transDate->setDisplayFormat(shortDateFormat());
    transDate->setCalendarPopup(true);
    transDate->setGeometry(88, 2, 150, 25);
    transDate->installEventFilter(this);

    label(nullptr, "每天", 8, 132, 36);
    day = edit("day", 44, 130, 50, "3");
    label(nullptr, "次", 98, 132, 20);
    label(nullptr, "每次", 126, 132, 36);
    quantity = edit("quantity", 162, 130, 50, "1");
    po = edit("po", 162, 162, 50);
    label(nullptr, "上午", 260, 132, 36);
    m1 = edit("m1", 296, 130, 50, "7");
    label(nullptr, "時", 350, 132, 20);
    label(nullptr, "上午", 380, 132, 36);
    m2 = edit("m2", 416, 130, 50, "77");
    label(nullptr, "時", 470, 132, 20);
    label(nullptr, "下午", 500, 132, 36);
    a1 = edit("a1", 536, 130, 50, "5");
    label(nullptr, "時", 590, 132, 20);
    label(nullptr, "下午", 620, 132, 36);
    a2 = edit("a2", 656, 130, 50);
    label(nullptr, "時", 710, 132, 20);

    cSavePanel = new QWidget(this);
    cSavePanel->setObjectName(QStringLiteral("cSavePanel"));
    cSavePanel->setGeometry(0, 196, 886, 61);

    stopUse = new QCheckBox(QStringLiteral("停用"), this);
    stopUse->setObjectName(QStringLiteral("stopUse"));
    stopUse->setGeometry(566, 10, 80, 25);
    unit = edit("unit", 214, 130, 25, "粒");

    auto action = [this](const char* caption, Qt::Key key, const char* hint, auto handler) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setShortcut(QKeySequence(key));
        a->setShortcutContext(Qt::WindowShortcut);
        if (hint)
            a->setToolTip(QString::fromUtf8(hint));
        connect(a, &QAction::triggered, this, handler);
        addAction(a);
        return a;
    };
    saveAction = action("儲存 F8", Qt::Key_F8, "儲存資料", &TDrugForm::saveActionExecute);
    cancelAction = action("取消 Esc", Qt::Key_Escape, nullptr, &TDrugForm::cancelActionExecute);
    helpAction = action("說明 F1", Qt::Key_F1, nullptr, &TDrugForm::helpActionExecute);

    auto button = [this](QAction* a, int x) {
        auto* b = new QPushButton(a->text(), cSavePanel);
        b->setGeometry(x, 1, 80, 59);
        b->setToolTip(a->toolTip());
        // Enter belongs to the edits (next field), never to a default button.
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        return b;
    };
    helpButton = button(helpAction, 4);
    saveButton = button(saveAction, 886 - 2 * 82);
    cancelButton = button(cancelAction, 886 - 82);

    QWidget* order[] = {name, function, remark,     transDate,  day,          quantity, po,  m1, m2,
                        a1,   a2,       helpButton, saveButton, cancelButton, stopUse,  unit};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    name->setFocus();
}

bool TDrugForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == transDate) {
        // The date is one Tab stop; its day, month and year are reached with the arrow keys.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Backtab ||
            (key->key() == Qt::Key_Tab && key->modifiers() & Qt::ShiftModifier))
            return focusPreviousChild();
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ControlModifier))
            return focusNextChild();
    }
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TDrugForm::saveActionExecute() {
    done(mrOk);
}

void TDrugForm::cancelActionExecute() {
    done(mrCancel);
}

void TDrugForm::reject() {
    done(mrCancel);
}

void TDrugForm::helpActionExecute() {
    openDatabaseFile(QStringLiteral("manual.doc"));
}

const char* TDrugForm::keep(const QString& value) {
    return stringArena.store(value.toUtf8().constData());
}

void TDrugForm::loadDrug(const Drug& drug) {
    name->setPlainText(memoDrugName(drug.name));
    function->setText(text(drug.function));
    remark->setText(text(drug.remark));
    day->setText(text(drug.day));
    quantity->setText(text(drug.quantity));
    unit->setText(text(drug.unit));
    m1->setText(text(drug.m1));
    m2->setText(text(drug.m2));
    a1->setText(text(drug.a1));
    a2->setText(text(drug.a2));
    po->setText(text(drug.po));
    stopUse->setChecked(drug.stopUse);
}

bool TDrugForm::fillDrug(Drug& drug) {
    if (!drugNameValid(name->toPlainText())) {
        messageBox(QStringLiteral("名稱錯誤"), this);
        return false;
    }
    drug.name = keep(storedDrugName(name->toPlainText()));
    drug.function = keep(function->text());
    drug.remark = keep(remark->text());
    drug.day = keep(day->text());
    drug.quantity = keep(quantity->text());
    drug.m1 = keep(m1->text());
    drug.m2 = keep(m2->text());
    drug.a1 = keep(a1->text());
    drug.a2 = keep(a2->text());
    drug.po = keep(po->text());
    drug.unit = keep(unit->text());
    drug.stopUse = stopUse->isChecked();
    return true;
}

void TDrugForm::loadMedicationLine(const DrugTake& line) {
    {
        tavroCursor<Drug> drugs;
        drugs.at(line.drug);
        name->setPlainText(memoDrugName(drugs->name));
        unit->setText(text(drugs->unit));
    }
    function->setText(text(line.function));
    remark->setText(text(line.remark));
    day->setText(text(line.day));
    quantity->setText(text(line.quantity));
    m1->setText(text(line.m1));
    m2->setText(text(line.m2));
    a1->setText(text(line.a1));
    a2->setText(text(line.a2));
    po->setText(text(line.po));
    setPrescriptionDate(toTDateTime(line.transDate));
    setMedicationLineMode();
}

void TDrugForm::fillMedicationLine(DrugTake& line) {
    line.function = keep(function->text());
    line.remark = keep(remark->text());
    line.day = keep(day->text());
    line.quantity = keep(quantity->text());
    line.m1 = keep(m1->text());
    line.m2 = keep(m2->text());
    line.a1 = keep(a1->text());
    line.a2 = keep(a2->text());
    line.po = keep(po->text());
    line.transDate = toDbDateTime(prescriptionDate());
}

void TDrugForm::setMedicationLineMode() {
    medicationLineMode_ = true;
    name->setEnabled(false);
    unit->setEnabled(false);
    stopUse->hide();
    // The name cannot take the focus now: start where the dosage is typed.
    function->setFocus();
}

void TDrugForm::setPrescriptionDate(const QDateTime& value) {
    transDate->setDateTime(value);
}

QDateTime TDrugForm::prescriptionDate() const {
    return transDate->dateTime();
}
