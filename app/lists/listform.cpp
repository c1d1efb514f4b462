#include "app/lists/listform.h"

#include "app/dialogforms.h"
#include "app/dialogs.h"
#include "app/look.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <limits>

namespace {

// Typed (and pasted) text of a search box in capitals, as the beds and ID numbers are kept.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

QString firstReferenceMessage(const std::vector<ReferenceCheck>& checks) {
    for (const ReferenceCheck& check : checks)
        if (check.used())
            return check.message;
    return QString();
}

void restoreColumnWidths(QTableWidget& grid, int type) {
    dbCursor<ColWidth> cursor;
    if (cursor.select(dbQuery().equals("type", type)) > 0) {
        do {
            const int col = cursor->col;
            if (col >= 0 && col < grid.columnCount())
                grid.setColumnWidth(col, cursor->width);
        } while (cursor.next());
        return;
    }
    for (int col = 0; col < grid.columnCount(); ++col) {
        ColWidth record;
        record.type = static_cast<std::int8_t>(type);
        record.col = static_cast<std::int8_t>(col);
        record.width = static_cast<std::int16_t>(
            std::min(grid.columnWidth(col), int(std::numeric_limits<std::int16_t>::max())));
        insert(record);
    }
}

int saveColumnWidths(const QTableWidget& grid, int type) {
    dbCursor<ColWidth> cursor(dbCursorForUpdate);
    int updated = 0;
    if (cursor.select(dbQuery().equals("type", type)) == 0)
        return 0;
    do {
        const int col = cursor->col;
        if (col < 0 || col >= grid.columnCount())
            continue;
        cursor->width = static_cast<std::int16_t>(
            std::min(grid.columnWidth(col), int(std::numeric_limits<std::int16_t>::max())));
        cursor.update();
        ++updated;
    } while (cursor.next());
    return updated;
}

oid_t rowId(const QTableWidget& grid, int row) {
    if (row < 0 || row >= grid.rowCount())
        return 0;
    const QTableWidgetItem* item = grid.item(row, 0);
    return item ? item->text().toLongLong() : 0;
}

void setupListGrid(QTableWidget& gridRef, const std::vector<ListColumn>& columns,
                   bool rangeSelection) {
    QTableWidget* grid = &gridRef;
    grid->setColumnCount(static_cast<int>(columns.size()) + 1);
    QStringList headers{QStringLiteral("ID")};
    for (const ListColumn& column : columns)
        headers << column.header;
    grid->setHorizontalHeaderLabels(headers);
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setColumnWidth(0, 1);
    for (std::size_t i = 0; i < columns.size(); ++i)
        grid->setColumnWidth(static_cast<int>(i) + 1, columns[i].width);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(rangeSelection ? QAbstractItemView::ExtendedSelection
                                          : QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab moves on to the next control; the cells are walked with the arrow keys.
    grid->setTabKeyNavigation(false);
    grid->setShowGrid(true);
    grid->setWordWrap(false);
    grid->setSortingEnabled(false);
}

int topSelectedRow(const QTableWidget& gridRef) {
    const QTableWidget* grid = &gridRef;
    if (grid->rowCount() == 0)
        return -1;
    int top = -1;
    for (const QTableWidgetSelectionRange& range : grid->selectedRanges())
        if (top < 0 || range.topRow() < top)
            top = range.topRow();
    if (top < 0)
        top = grid->currentRow();
    return top;
}

void makeUpperCase(QLineEdit* edit) {
    edit->setValidator(new UpperCaseValidator(edit));
}

TListForm::TListForm(QWidget* owner, int colWidthType, bool commitOnClose)
    : QDialog(owner), colWidthType_(colWidthType), commitOnClose_(commitOnClose) {
    setFont(mingFont(16));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    actionPanel = new QWidget(this);
    actionPanel->setObjectName(QStringLiteral("actionPanel"));
    actionPanel->setFixedHeight(41);
    auto* buttons = new QHBoxLayout(actionPanel);
    buttons->setContentsMargins(1, 1, 1, 1);
    buttons->setSpacing(0);
    buttons->addStretch(1);
    layout->addWidget(actionPanel);

    searchPanel = new QWidget(this);
    searchPanel->setObjectName(QStringLiteral("Panel2"));
    layout->addWidget(searchPanel);

    grid = new QTableWidget(this);
    grid->setObjectName(QStringLiteral("grid"));
    layout->addWidget(grid, 1);

    insertAction =
        addListAction("insertAction", QStringLiteral("加入 F2"), Qt::Key_F2,
                      QStringLiteral("加入資料"), true, [this] { insertActionExecute(); });
    updateAction =
        addListAction("updateAction", QStringLiteral("更改 F3"), Qt::Key_F3,
                      QStringLiteral("更改資料"), true, [this] { updateActionExecute(); });
    deleteAction =
        addListAction("deleteAction", QStringLiteral("刪除 F4"), Qt::Key_F4,
                      QStringLiteral("刪除資料"), true, [this] { deleteActionExecute(); });
    exportAction =
        addListAction("exportAction", QStringLiteral("匯出 F5"), Qt::Key_F5,
                      QStringLiteral("輸出資料"), true, [this] { exportActionExecute(); });
    // A picker imports nothing either: an import commits, and a picker is opened from a form
    // whose uncommitted changes must stay undoable by its cancel.
    importAction = addListAction("importAction", QStringLiteral("匯入 F6"), Qt::Key_F6, QString(),
                                 true, [this] { importActionExecute(); });
    printAction = addListAction("printAction", QStringLiteral("列印 F11"), Qt::Key_F11,
                                QStringLiteral("列印資料"), true, [this] { printActionExecute(); });
    closeAction = addListAction("closeAction", QStringLiteral("關閉 Esc"), Qt::Key_Escape,
                                QString(), false, [this] { closeActionExecute(); });
    helpAction = addListAction("helpAction", QStringLiteral("說明 F1"), Qt::Key_F1, QString(),
                               false, [this] { helpActionExecute(); });

    connect(grid, &QTableWidget::cellDoubleClicked, this, [this] { gridDblClick(); });
}

TListForm::~TListForm() = default;

QAction* TListForm::addListAction(const char* objectName, const QString& caption,
                                  const QKeySequence& key, const QString& hint,
                                  bool blockedInPicker, std::function<void()> handler) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(objectName));
    if (!key.isEmpty())
        action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    addAction(action);
    connect(action, &QAction::triggered, this,
            [this, blockedInPicker, handler = std::move(handler)] {
                if (blockedInPicker && isPicker())
                    return;
                handler();
            });
    return action;
}

QPushButton* TListForm::addToolbarButton(QAction* action, const char* objectName,
                                         const QString& caption, QStyle::StandardPixmap glyph) {
    auto* button = new QPushButton(caption.isEmpty() ? action->text() : caption, actionPanel);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setFixedSize(90, 39);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(action->statusTip());
    if (glyph != QStyle::SP_CustomBase)
        button->setIcon(style()->standardIcon(glyph));
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    auto* buttons = static_cast<QHBoxLayout*>(actionPanel->layout());
    buttons->insertWidget(buttons->count() - 1, button);
    return button;
}

void TListForm::setupGrid(const std::vector<ListColumn>& columns, bool rangeSelection) {
    setupListGrid(*grid, columns, rangeSelection);
}

void TListForm::makeSearchEdit(QLineEdit* edit, bool upperCase) {
    if (upperCase)
        makeUpperCase(edit);
    edit->installEventFilter(this);
}

bool TListForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            refreshList();
            edit->selectAll();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TListForm::restoreColumnWidths() {
    ::restoreColumnWidths(*grid, colWidthType_);
}

bool TListForm::isPicker() const {
    return actionPanel->isHidden();
}

int TListForm::topSelectedRow() const {
    return ::topSelectedRow(*grid);
}

oid_t TListForm::selectedRowId() const {
    return rowId(*grid, topSelectedRow());
}

oid_t TListForm::requireSelection() {
    const oid_t id = selectedRowId();
    if (!id)
        messageBox(QStringLiteral("沒有選擇資料."), this);
    return id;
}

void TListForm::clearGrid() {
    grid->clearContents();
    grid->setRowCount(0);
}

void TListForm::startFill(int rows) {
    grid->setUpdatesEnabled(false);
    grid->clearContents();
    grid->setRowCount(rows);
}

void TListForm::fillRow(int row, oid_t id, std::initializer_list<const char*> texts) {
    grid->setItem(row, 0, new QTableWidgetItem(QString::number(id)));
    int col = 1;
    for (const char* text : texts)
        grid->setItem(row, col++, new QTableWidgetItem(QString::fromUtf8(text ? text : "")));
}

void TListForm::setCell(int row, int col, const QString& text) {
    if (QTableWidgetItem* item = grid->item(row, col))
        item->setText(text);
    else
        grid->setItem(row, col, new QTableWidgetItem(text));
}

void TListForm::finishFill() {
    if (grid->rowCount() > 0)
        grid->setCurrentCell(0, 1 < grid->columnCount() ? 1 : 0);
    grid->setUpdatesEnabled(true);
}

void TListForm::reportNothingFound() {
    if (isVisible())
        messageBox(QStringLiteral("找不到資料."), this);
}

void TListForm::closeActionExecute() {
    reject();
}

void TListForm::gridDblClick() {
    if (!isPicker()) {
        updateActionExecute();
        return;
    }
    if (topSelectedRow() >= 0)
        accept();
}

void TListForm::searchButtonClick() {
    refreshList();
}

void TListForm::FormClose() {
    if (saveColumnWidths(*grid, colWidthType_) > 0 && commitOnClose_)
        tavroDatabase::current().commit();
}

void TListForm::showEvent(QShowEvent* event) {
    closed_ = false;
    QDialog::showEvent(event);
}

void TListForm::setVisible(bool visible) {
    if (visible && !shownOnce_) {
        shownOnce_ = true;
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    QDialog::setVisible(visible);
}

void TListForm::done(int result) {
    // Every way out (close action, Esc, title bar, a pick) writes the widths back once.
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    QDialog::done(result);
}

void TListForm::reject() {
    done(mrCancel);
}

bool TListForm::askYesNo(const QString& question) {
    return confirmYesNo(question, this);
}

void TListForm::say(const QString& message) {
    messageBox(message, this);
}
