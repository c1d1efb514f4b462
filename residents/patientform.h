#pragma once

#include "residents/medication_sheet.h"
#include "storage/storage.h"

#include <QDialog>
#include <QString>

class QAction;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// Resident creation defaults: a birth date nobody would keep by accident.
QDateTime defaultBirthDate();
// The bed number proposed for a new resident: the most recently added resident's bed plus
// one, "1" for the first, empty when that bed is not a whole number.
QString proposedBedNumber();
// The next creation sequence number (highest id + 1; 1 for the first resident).
std::int32_t nextResidentId();

// One resident's particulars and regular medication lines. Medication lines are written to
// the data file as soon as they are added, changed or removed; the caller's commit after a
// save makes them durable, cancel rolls them back.
class TPatientForm : public QDialog {
    Q_OBJECT
public:
    explicit TPatientForm(QWidget* owner);

    void loadResident(const Patient& record);
    // false (after saying "編號錯誤") when the bed number is blank; texts go to stringArena.
    bool fillResident(Patient& record);
    // The quick-add list: every drug whose name starts with the quick-add box's text.
    void lookupDrugs();
    // Opens the drug form for a new line of drug; on OK inserts the line and lists it.
    void addMedicationLine(dbReference<Drug> drug);

    // The medication sheet of the resident in the form, for sheetYear/sheetMonth.
    MedicationSheet medicationSheet() const;

    // Month of the medication sheet, remembered while the form lives.
    QString sheetYear;
    QString sheetMonth;

    QLineEdit* engName = nullptr;
    QLineEdit* id = nullptr;
    QLineEdit* chiName = nullptr;
    QLineEdit* hkid = nullptr;
    QDateTimeEdit* birthDate = nullptr;
    QComboBox* sex = nullptr;
    QLineEdit* tel = nullptr;
    QLineEdit* mobile = nullptr;
    QLineEdit* contactPerson = nullptr;
    QLineEdit* contactTel = nullptr;
    QPlainTextEdit* address = nullptr;
    QPlainTextEdit* remark = nullptr;
    QDateTimeEdit* regDate = nullptr;
    QCheckBox* isLeave = nullptr;
    QTableWidget* takes = nullptr;
    QLineEdit* drug = nullptr;
    QTableWidget* drugs = nullptr;

    QPushButton* insertButton = nullptr;
    QPushButton* updateButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QWidget* cSavePanel = nullptr;
    QPushButton* helpButton = nullptr;
    QPushButton* printButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* cancelButton = nullptr;

    QAction* saveAction = nullptr;
    QAction* cancelAction = nullptr;
    QAction* helpAction = nullptr;
    QAction* addIllAction = nullptr;
    QAction* removeIllAction = nullptr;

public slots:
    void saveActionExecute();
    void cancelActionExecute();
    void helpActionExecute();
    void addIllActionExecute();
    void removeIllActionExecute();
    void updateButtonClick();
    void printButtonClick();
    void drugsDblClick();
    void drugKeyUp();
    // Esc and the title bar cancel: the medication line changes are rolled back.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void FormShow();
    bool drugKeyDown(int key);
    void appendTakeRow(dbReference<DrugTake> ref, const DrugTake& line);
    void writeTakeRow(int row, const DrugTake& line);

    tavroBuffer stringArena;
};
