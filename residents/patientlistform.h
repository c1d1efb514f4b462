#pragma once

#include "app/lists/listform.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// What the search boxes of the resident list hold (texts already trimmed or not).
struct PatientSearch {
    QString id; // bed number
    QString chiName;
    QString hkid;
    QString tel; // searches tel and mobile
    QString remark;
    bool isLeave = false;
    int sortBy = 0; // 0 bed number, 1 name (stroke order), 2 identity card
};

// The selection of the resident list for a search: a bed number alone finds that bed,
// left or not; otherwise current or former residents filtered by every non-empty box and
// ordered by sortBy. Texts are trimmed and searched literally.
dbQuery patientQuery(const PatientSearch& search);

// Shows the resident list modally over owner (F2 of the main window).
void openPatientList(QWidget* owner);

// The register of residents.
class TPatientListForm : public TListForm {
    Q_OBJECT
public:
    explicit TPatientListForm(QWidget* owner);

    void refreshList() override;
    PatientSearch currentSearch() const;

public slots:
    void insertActionExecute() override;
    void updateActionExecute() override;
    void deleteActionExecute() override;
    void exportActionExecute() override;
    void importActionExecute() override;
    void printActionExecute() override;
    virtual void envActionExecute();
    void helpActionExecute() override;

protected:
    QAction* envAction = nullptr;

    QLineEdit* id = nullptr;
    QLineEdit* chiName = nullptr;
    QLineEdit* hkid = nullptr;
    QLineEdit* tel = nullptr;
    QLineEdit* remark = nullptr;
    QCheckBox* isLeave = nullptr;
    QComboBox* sortBy = nullptr;
    QPushButton* searchButton = nullptr;

private:
    void setupUi();
};
