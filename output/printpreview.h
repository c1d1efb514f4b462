#pragma once

#include "output/pagemodel.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTableWidget>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QScrollArea;
class QStatusBar;

// Shows the pages of a PageModel at a zoom, one page at a time.
class PagePreview : public QWidget {
    Q_OBJECT
public:
    explicit PagePreview(QWidget* parent = nullptr);

    PageModel& pages() { return pages_; }
    const PageModel& pages() const { return pages_; }

    static constexpr int minZoom = 5;
    static constexpr int maxZoom = 400;
    int zoom() const { return zoom_; }
    void setZoom(int percent);

    // The page on display, counted from 1 (0 while there are no pages).
    int pageNumber() const { return pageNumber_; }
    void showPage(int number);
    // Call after the paper changed: the display takes the new size.
    void paperChanged();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double scale() const;

    PageModel pages_;
    int zoom_ = 80;
    int pageNumber_ = 0;
};

// The entry of the printer list that prints into a PDF file; it follows the platform's printers.
QString pdfPrinterName();
// The platform's printer names, then the PDF entry.
QStringList printerChoices();
// The index in printerChoices() of the platform's current printer (the first when none is).
int defaultPrinterChoice(const QStringList& choices);

// Asks the name of the PDF file a print goes to; an empty name cancels the print. Tests put in
// their own chooser; an empty chooser restores the save dialog.
using PdfFileChooser = std::function<QString(QWidget* owner)>;
PdfFileChooser setPdfFileChooser(PdfFileChooser chooser);

// The print preview: lays headings and a list grid out on pages (or lets a caller draw on
// them), shows them, prints them on a printer or into a PDF file, and exports the grid.
class TPrintPreviewForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintPreviewForm(QWidget* owner);
    ~TPrintPreviewForm() override;

    // The page preview and its pages (callers that draw on the pages themselves use these).
    PagePreview* GmPreview1 = nullptr;
    PageModel& pages() { return GmPreview1->pages(); }
    void setOrientation(QPageLayout::Orientation orientation);
    // Selects the printer by its index in printerChoices().
    void setPrinterIndex(int index);

    void drawHeadings(const QString& heading1, const QString& heading2, const QString& heading3);
    void drawGrid(QTableWidget* grid, int left, int top);

    // Handlers, public so that tests drive them as the user would.
    void uFirstClick();
    void uPreviousClick();
    void uNextClick();
    void uLastClick();
    void fromPageKeyPress();
    void zoomInClick();
    void zoomOutClick();
    void pageSizeChange(int index);
    void pageHeightKeyPress();
    void printButtonClick();
    void printCurrentButtonClick();
    void exportButtonClick();

    QComboBox* printer = nullptr;
    QLineEdit* fromPage = nullptr;
    QLineEdit* toPage = nullptr;
    QPushButton* uFirst = nullptr;
    QPushButton* uPrevious = nullptr;
    QPushButton* uNext = nullptr;
    QPushButton* uLast = nullptr;
    QPushButton* zoomIn = nullptr;
    QPushButton* zoomOut = nullptr;
    QPushButton* printCurrentButton = nullptr;
    QPushButton* printButton = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* Button1 = nullptr;
    QComboBox* pageSize = nullptr;
    QLineEdit* pageHeight = nullptr;
    QLineEdit* pageWidth = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* statusPages = nullptr; // panel 0
    QLabel* statusPage = nullptr;  // panel 1

    QStringList headings() const { return headings_; }
    QTableWidget* sourceGrid() const { return sourceGrid_; }

    void done(int result) override; // FormClose

protected:
    void showEvent(QShowEvent* event) override; // FormShow
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void loadSetup();
    void saveSetup();
    void updateNavigation();
    void displayPage(int number);
    void showPageNumber();
    void setSizeEditsEditable(bool editable);
    void printPages(int from, int to);
    std::unique_ptr<QPrinter> choosePrinter();

    QScrollArea* scroller_ = nullptr;
    QStringList headings_;
    QPointer<QTableWidget> sourceGrid_;
    bool shown_ = false;
};

// The printout of a list window: the grid under the home's name and the window's caption,
// landscape when its columns are wider than portrait paper takes. Shows the preview modally.
void printListGrid(QTableWidget* grid, const QString& caption, QWidget* owner);
