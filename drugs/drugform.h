#pragma once

#include "storage/buffer.h"

#include <QDateTime>
#include <QDialog>
#include <QString>

class QAction;
class QCheckBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
struct Drug;
struct DrugTake;

// What a drug name must hold: something besides blanks and line breaks.
bool drugNameValid(const QString& memoText);
// The name as stored: upper case by the user's locale, blanks kept, each line break as CR LF
// (the way the catalogue has always stored multi-line names).
QString storedDrugName(const QString& memoText);
// A stored name as the memo shows it (CR LF and lone CR become plain line breaks).
QString memoDrugName(const char* stored);

// One drug of the catalogue (catalogue mode), or one medication line of a resident
// (medication-line mode: the drug's name and unit are shown but not editable, the
// prescription date is read and written, the stop-use box is hidden).
// The caller writes the filled record; the texts it points at live in the form's arena,
// so the record is inserted or updated before the form is destroyed.
class TDrugForm : public QDialog {
    Q_OBJECT
public:
    explicit TDrugForm(QWidget* owner = nullptr);

    void loadDrug(const Drug& drug);
    // false, after telling the user, when the name is blank; nothing is written then.
    bool fillDrug(Drug& drug);

    // Shows an existing line: its drug's name and unit come from the catalogue. Switches
    // to medication-line mode.
    void loadMedicationLine(const DrugTake& line);
    // Writes the dosage texts and the prescription date; never refuses. `drug` is left as is.
    void fillMedicationLine(DrugTake& line);

    // For a new line: loadDrug(chosen drug), setMedicationLineMode(),
    // setPrescriptionDate(QDateTime::currentDateTime()), exec(), fillMedicationLine(line).
    void setMedicationLineMode();
    bool isMedicationLineMode() const { return medicationLineMode_; }
    void setPrescriptionDate(const QDateTime& value);
    QDateTime prescriptionDate() const;

    // Controls, named by their role.
    QPlainTextEdit* name = nullptr;
    QLineEdit* function = nullptr;
    QLineEdit* remark = nullptr;
    QWidget* datePanel = nullptr;
    QDateTimeEdit* transDate = nullptr;
    QLineEdit* day = nullptr;
    QLineEdit* quantity = nullptr;
    QLineEdit* po = nullptr;
    QLineEdit* m1 = nullptr;
    QLineEdit* m2 = nullptr;
    QLineEdit* a1 = nullptr;
    QLineEdit* a2 = nullptr;
    QWidget* cSavePanel = nullptr;
    QPushButton* helpButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QCheckBox* stopUse = nullptr;
    QLineEdit* unit = nullptr;

    QAction* saveAction = nullptr;
    QAction* cancelAction = nullptr;
    QAction* helpAction = nullptr;

    // Esc and the title bar end the form with Cancel (2); F8 ends it with OK (1).
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void saveActionExecute();
    void cancelActionExecute();
    void helpActionExecute();
    const char* keep(const QString& text);

    tavroBuffer stringArena;
    bool medicationLineMode_ = false;
};
