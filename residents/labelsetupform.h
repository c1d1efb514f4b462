#pragma once

#include "app/dialogforms.h"

#include <QString>
#include <vector>

class PageModel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
struct LabelSetup;

// The label sheet: distances from the paper's edges to the first label, the pitch from one
// label to the next, and how many rows of two labels fit on a page. Millimetres.
struct LabelGeometry {
    double top = 20;
    double left = 30;
    double width = 101.6;
    double height = 38.1;
    int rows = 7;
};
LabelGeometry labelGeometry(const LabelSetup& setup);

struct LabelResident {
    QString chiName;
    QString address; // lines separated by CR LF
};

// Draws one label per resident, two across, left to right then top to bottom; a new page
// starts before a label when the page's rows are used up. The name goes at the label's
// corner, address line k (from 1) 5k + 1 mm below it.
void drawLabels(PageModel& pages, const LabelGeometry& geometry,
                const std::vector<LabelResident>& residents);

// The label dialog: the sheet's geometry (kept in LabelSetup), the printer and which
// residents to print.
class TLabelSetupForm : public TSmallDialog {
    Q_OBJECT
public:
    explicit TLabelSetupForm(QWidget* owner);

    QLineEdit* top = nullptr;
    QLineEdit* left = nullptr;
    QLineEdit* width = nullptr;
    QLineEdit* height = nullptr;
    QLineEdit* row = nullptr;
    QComboBox* printer = nullptr;
    QRadioButton* printAll = nullptr;
    QRadioButton* range = nullptr;
    QPushButton* LMDShapeButton1 = nullptr; // 列印
    QPushButton* LMDShapeButton3 = nullptr; // 關閉

    // Saves the five numbers in LabelSetup (without a commit) and ends with OK. A text that
    // is not a number raises the conversion error; the dialog then stays open.
    void LMDShapeButton1Click();
    void LMDShapeButton3Click();

private:
    void setupUi();
    void loadSetup();
};

// Mailing labels for the residents of a list grid (hidden ID column 0): asks the dialog,
// then draws the labels of the selected rows, or of every row when "列印所有" is chosen
// (the grid keeps that selection), on the print preview and shows it.
void printResidentLabels(QTableWidget* grid, QWidget* owner);
