#pragma once

// The list-window family: the resident list and the drug list are built on TListForm.
//
// How a list window uses it:
//   class TDrugListForm : public TListForm {
//   public:
//       explicit TDrugListForm(QWidget* owner)
//           : TListForm(owner, /*colWidthType=*/1, /*commitOnClose=*/false) {
//           setupUi();            // caption, toolbar buttons, search panel, grid columns
//           restoreColumnWidths();
//           refreshList();        // no message while the window is not shown
//       }
//       void refreshList() override;          // query + fillRow(...) + finishFill()
//   public slots:
//       void insertActionExecute() override;  // and the other handlers it has
//   };
// setupUi() calls addToolbarButton() for each button in order (the family's actions exist
// already: insertAction ... helpAction), fills searchPanel (named "Panel2") using
// makeSearchEdit() for every search box, and calls setupGrid() with the columns after the
// hidden ID column.
//
// Picker use: the caller hides actionPanel before exec(); insert, update, delete, export,
// import and print (and any action added with blockedInPicker) then do nothing, also by key;
// a double-click on a data row accepts (1); Esc, the close action and the title bar give
// Cancel (2). After exec() == QDialog::Accepted the caller reads
// selectedRowId() (the hidden ID of the top selected row).
//
// Row numbering: the grid's header is the fixed header row; table rows 0..n-1 are the data
// rows. Column 0 is the hidden ID column (1 pixel, headed "ID", object identifier as text).

#include "storage/storage.h"

#include <QDialog>
#include <QKeySequence>
#include <QString>
#include <QStyle>

#include <functional>
#include <vector>

class QAction;
class QLineEdit;
class QPushButton;
class QTableWidget;

// A column of a list grid after the hidden ID column.
struct ListColumn {
    QString header;
    int width;
};

// One reference check of the delete pattern: when used() is true the record may not be
// removed and `message` says why.
struct ReferenceCheck {
    std::function<bool()> used;
    QString message;
};

// The message of the first check that finds a reference, in the given order; empty when
// nothing refers to the record.
QString firstReferenceMessage(const std::vector<ReferenceCheck>& checks);

// true when some record of table R matches query.
template <class R> bool anyRecord(const dbQuery& query) {
    dbCursor<R> cursor;
    return cursor.select(query) > 0;
}

// Remembered column widths of the list window `type` (ColWidth). restore applies them; when
// none are remembered it records the grid's current widths without committing. save writes
// the current widths back and returns how many records it updated (no commit).
void restoreColumnWidths(QTableWidget& grid, int type);
int saveColumnWidths(const QTableWidget& grid, int type);

// The object identifier held in the hidden ID column of a table row (0 when none).
oid_t rowId(const QTableWidget& grid, int row);

// A grid of the program's lists: header row from `columns` after the hidden ID column,
// whole-row selection (a range of rows when rangeSelection), resizable columns, read-only.
void setupListGrid(QTableWidget& grid, const std::vector<ListColumn>& columns, bool rangeSelection);
// Table row at the top of a grid's selection; -1 when no data row is selected.
int topSelectedRow(const QTableWidget& grid);
// Text typed (or pasted) into edit is turned to upper case.
void makeUpperCase(QLineEdit* edit);

class TListForm : public QDialog {
    Q_OBJECT
public:
    TListForm(QWidget* owner, int colWidthType, bool commitOnClose);
    ~TListForm() override;

    // Rebuilds the grid from the search boxes.
    virtual void refreshList() = 0;

    // Picker mode: the caller hid actionPanel.
    bool isPicker() const;
    // Table row at the top of the selection; -1 when no data row is selected.
    int topSelectedRow() const;
    // Hidden ID of the top selected row; 0 when none (no message).
    oid_t selectedRowId() const;

    QTableWidget* gridWidget() const { return grid; }
    int colWidthType() const { return colWidthType_; }

public slots:
    virtual void insertActionExecute() {}
    virtual void updateActionExecute() {}
    virtual void deleteActionExecute() {}
    virtual void exportActionExecute() {}
    virtual void importActionExecute() {}
    virtual void printActionExecute() {}
    virtual void helpActionExecute() {}
    virtual void closeActionExecute();
    virtual void gridDblClick();
    virtual void searchButtonClick();

protected:
    // Writes the column widths back; commits when the window was made with commitOnClose.
    virtual void FormClose();
    void done(int result) override;
    // Esc, the close action and the title bar end the window with Cancel (2).
    void reject() override;
    void showEvent(QShowEvent* event) override;
    // List windows open maximised (after any resize to their designed size).
    void setVisible(bool visible) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // An action of the window (named objectName), added to the window so its key works
    // anywhere in it. blockedInPicker: it does nothing in picker mode.
    QAction* addListAction(const char* objectName, const QString& caption, const QKeySequence& key,
                           const QString& hint, bool blockedInPicker,
                           std::function<void()> handler);
    // A 90 x 39 toolbar button for action, appended to actionPanel; caption replaces the
    // action's caption when given.
    QPushButton* addToolbarButton(QAction* action, const char* objectName,
                                  const QString& caption = QString(),
                                  QStyle::StandardPixmap glyph = QStyle::SP_CustomBase);
    // Headers and initial widths of the grid: column 0 becomes the hidden ID column.
    // rangeSelection: Shift-click or drag selects several rows.
    void setupGrid(const std::vector<ListColumn>& columns, bool rangeSelection);
    // A search box: Enter searches (refreshList) and selects the box's text; typed text is
    // turned to upper case when upperCase.
    void makeSearchEdit(QLineEdit* edit, bool upperCase);
    // Applies the remembered column widths (or records the first ones).
    void restoreColumnWidths();

    // Filling the grid: clearGrid() leaves the header only; startFill(n) makes n data rows;
    // fillRow() writes the hidden ID and the visible columns; finishFill() selects the
    // first data row.
    void clearGrid();
    void startFill(int rows);
    void fillRow(int row, oid_t id, std::initializer_list<const char*> texts);
    void setCell(int row, int col, const QString& text);
    void finishFill();
    // "找不到資料." when the window is showing; nothing during creation.
    void reportNothingFound();
    // The selection rule: the hidden ID of the top selected row, or "沒有選擇資料." and 0.
    oid_t requireSelection();

    // The delete pattern: selection rule, confirmation (question built from the record),
    // reference checks in order (first match reported, nothing removed), remove, refresh,
    // commit. Returns true when the record was removed. Call with the table named:
    //   deleteRecord<Drug>([](const Drug& d) { return ...; },
    //                      [](dbReference<Drug> ref) { return std::vector<ReferenceCheck>{...}; });
    template <class T>
    bool deleteRecord(const std::function<QString(const T&)>& question,
                      const std::function<std::vector<ReferenceCheck>(dbReference<T>)>& checks) {
        const oid_t id = requireSelection();
        if (!id)
            return false;
        dbCursor<T> cursor(dbCursorForUpdate);
        cursor.at(dbReference<T>(id));
        if (!askYesNo(question(*cursor)))
            return false;
        const QString used = firstReferenceMessage(checks(cursor.currentId()));
        if (!used.isEmpty()) {
            say(used);
            return false;
        }
        cursor.remove();
        refreshList();
        tavroDatabase::current().commit();
        return true;
    }

    // The update loop: selection rule, the record loaded into a new Form with load, commit
    // (so the form's cancel can never reach earlier work), then the form shown until it is
    // cancelled or fill accepts the record; the record is updated, its row rewritten in place
    // from rowTexts (columns 1..; the list is not searched again) and committed.
    //   updateRecord<Drug, TDrugForm>(&TDrugForm::loadDrug, &TDrugForm::fillDrug,
    //                                 [](const Drug& d) { return RowTexts{d.name, ...}; });
    using RowTexts = std::vector<const char*>;
    enum class EditResult { NoSelection, Saved, Cancelled };
    template <class T, class Form>
    EditResult updateRecord(void (Form::*load)(const T&), bool (Form::*fill)(T&),
                            const std::function<RowTexts(const T&)>& rowTexts) {
        const oid_t id = requireSelection();
        if (!id)
            return EditResult::NoSelection;
        const int row = topSelectedRow();
        const dbReference<T> ref(id);
        Form form(this);
        {
            dbCursor<T> cursor;
            cursor.at(ref);
            (form.*load)(*cursor);
        }
        tavroDatabase::current().commit();
        while (form.exec() == QDialog::Accepted) {
            dbCursor<T> cursor(dbCursorForUpdate);
            cursor.at(ref);
            if (!(form.*fill)(*cursor))
                continue; // the form told why; it is shown again with the input kept
            cursor.update();
            int col = 1;
            for (const char* text : rowTexts(*cursor))
                setCell(row, col++, QString::fromUtf8(text));
            tavroDatabase::current().commit();
            return EditResult::Saved;
        }
        return EditResult::Cancelled;
    }

    QWidget* actionPanel = nullptr;
    QWidget* searchPanel = nullptr; // "Panel2"
    QTableWidget* grid = nullptr;

    QAction* insertAction = nullptr;
    QAction* updateAction = nullptr;
    QAction* deleteAction = nullptr;
    QAction* exportAction = nullptr;
    QAction* importAction = nullptr;
    QAction* printAction = nullptr;
    QAction* closeAction = nullptr;
    QAction* helpAction = nullptr;

private:
    bool askYesNo(const QString& question);
    void say(const QString& message);

    int colWidthType_;
    bool commitOnClose_;
    bool closed_ = false;
    bool shownOnce_ = false;
};
