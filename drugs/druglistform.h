#pragma once

#include "app/lists/listform.h"
#include "storage/storage.h"

#include <QSet>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The catalogue search: drugs in use or stopped ones (never both), whose names begin with
// the typed text (blanks around it ignored; an empty text lists them all), ordered by name.
dbQuery drugQuery(const QString& nameText, bool stopped);

// What stops a drug from being removed, in the order the user is told: a consultation,
// a resident's medication line, an illness.
std::vector<ReferenceCheck> drugReferenceChecks(dbReference<Drug> drug);

// The drug catalogue (F3 of the main window). Also the drug picker of the resident form:
// hide actionPanel, exec(), and on OK take selectedDrug().
class TDrugListForm : public TListForm {
    Q_OBJECT
public:
    explicit TDrugListForm(QWidget* owner = nullptr);

    void refreshList() override;

    // The drug of the top selected row; null when no data row is selected.
    dbReference<Drug> selectedDrug() const { return dbReference<Drug>(selectedRowId()); }
    // Picker mode, as the caller sets it.
    void setPicker(bool picker);

    QLineEdit* name = nullptr;
    QCheckBox* stopUse = nullptr;
    QPushButton* searchButton = nullptr;

public slots:
    void insertActionExecute() override;
    void updateActionExecute() override;
    void deleteActionExecute() override;
    void helpActionExecute() override;
    void printActionExecute() override;
    void exportActionExecute() override;
    void importActionExecute() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void searchKeyPress();
    void nameKeyUp();

    QSet<int> keysDownInName_;
};
