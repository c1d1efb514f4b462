#include "app/dialogs.h"

#include "app/dialogforms.h"
#include "app/look.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

// ---- common behaviour ------------------------------------------------------------------

void TSmallDialog::reject() {
    done(mrCancel);
}

void TSmallDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

QAction* TSmallDialog::addDialogAction(const QString& caption, const QKeySequence& key) {
    auto* action = new QAction(caption, this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

void TSmallDialog::bindButton(QPushButton* button, QAction* action) {
    button->setText(action->text());
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
}

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QRect& geometry, int fontPx) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(mingFont(fontPx, true));
    // Enter presses the button that has the focus.
    button->setAutoDefault(true);
    return button;
}

QLabel* makeMessageLabel(QWidget* parent, const QRect& geometry, int fontPx) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("msg"));
    label->setGeometry(geometry);
    label->setFont(mingFont(fontPx, true));
    label->setWordWrap(true);
    return label;
}

} // namespace

// ---- TYesNoForm --------------------------------------------------------------------------

TYesNoForm::TYesNoForm(QWidget* owner) : TSmallDialog(owner) {
    setupUi();
}

void TYesNoForm::setupUi() {
    setObjectName(QStringLiteral("YesNoForm"));
    setWindowTitle(QStringLiteral("信息"));
    setFixedSize(559, 220);

    msg = makeMessageLabel(this, QRect(32, 24, 489, 113), 16);
    msg->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    NoButton = makeButton(this, "NoButton", QRect(293, 155, 120, 33), 14);
    YesButton = makeButton(this, "YesButton", QRect(157, 155, 120, 33), 14);

    YesAction = addDialogAction(QStringLiteral("是 F4 (&Y)"), QKeySequence(Qt::Key_F4));
    NoAction = addDialogAction(QStringLiteral("否 Esc (&N)"), QKeySequence(Qt::Key_Escape));
    Action1 = addDialogAction(QString(), QKeySequence(Qt::Key_Y));
    Action2 = addDialogAction(QString(), QKeySequence(Qt::Key_N));
    YesAction->setObjectName(QStringLiteral("YesAction"));
    NoAction->setObjectName(QStringLiteral("NoAction"));
    Action1->setObjectName(QStringLiteral("Action1"));
    Action2->setObjectName(QStringLiteral("Action2"));

    connect(YesAction, &QAction::triggered, this, [this] { done(mrOk); });
    connect(NoAction, &QAction::triggered, this, [this] { done(mrNo); });
    connect(Action1, &QAction::triggered, YesAction, &QAction::trigger);
    connect(Action2, &QAction::triggered, NoAction, &QAction::trigger);
    bindButton(YesButton, YesAction);
    bindButton(NoButton, NoAction);

    setTabOrder(NoButton, YesButton);
    NoButton->setFocus();
}

// ---- TWarningForm ------------------------------------------------------------------------

TWarningForm::TWarningForm(QWidget* owner) : TSmallDialog(owner) {
    setupUi();
}

void TWarningForm::setupUi() {
    setObjectName(QStringLiteral("WarningForm"));
    setWindowTitle(QStringLiteral("警告信息"));
    setFixedSize(653, 485);
    setAutoFillBackground(true);
    QPalette red = palette();
    red.setColor(QPalette::Window, Qt::red);
    setPalette(red);

    msg = makeMessageLabel(this, QRect(16, 24, 609, 305), 24);
    msg->setAlignment(Qt::AlignCenter);
    msg->setAutoFillBackground(true);
    QPalette yellow = msg->palette();
    yellow.setColor(QPalette::Window, Qt::yellow);
    yellow.setColor(QPalette::WindowText, Qt::black);
    msg->setPalette(yellow);

    YesButton = makeButton(this, "YesButton", QRect(197, 355, 200, 50), 18);
    NoButton = makeButton(this, "NoButton", QRect(421, 355, 200, 50), 18);

    YesAction = addDialogAction(QStringLiteral("是, 確認 F4"), QKeySequence(Qt::Key_F4));
    noAction = addDialogAction(QStringLiteral("不是, 取消 Esc"), QKeySequence(Qt::Key_Escape));
    YesAction->setObjectName(QStringLiteral("YesAction"));
    noAction->setObjectName(QStringLiteral("noAction"));
    connect(YesAction, &QAction::triggered, this, [this] { done(mrOk); });
    connect(noAction, &QAction::triggered, this, [this] { done(mrCancel); });
    bindButton(YesButton, YesAction);
    bindButton(NoButton, noAction);

    setTabOrder(YesButton, NoButton);
    YesButton->setFocus();
}

void TWarningForm::showEvent(QShowEvent* event) {
    TSmallDialog::showEvent(event);
    QApplication::beep();
}

// ---- TInputForm --------------------------------------------------------------------------

TInputForm::TInputForm(QWidget* owner) : TSmallDialog(owner) {
    setupUi();
}

void TInputForm::setupUi() {
    setObjectName(QStringLiteral("InputForm"));
    setWindowTitle(QStringLiteral("輸入字串"));
    setFixedSize(606, 286);

    msg = makeMessageLabel(this, QRect(24, 26, 551, 51), 20);
    msg->setAlignment(Qt::AlignCenter);
    msg->setText(QStringLiteral("請輸入字串:"));

    inputText = new QLineEdit(this);
    inputText->setObjectName(QStringLiteral("inputText"));
    inputText->setFont(mingFont(18));
    inputText->move(44, 86);
    inputText->resize(511, inputText->sizeHint().height());
    inputText->installEventFilter(this);

    NoButton = makeButton(this, "NoButton", QRect(314, 150, 125, 50), 18);
    YesButton = makeButton(this, "YesButton", QRect(174, 150, 125, 50), 18);

    YesAction = addDialogAction(QStringLiteral("確定 F4"), QKeySequence(Qt::Key_F4));
    NoAction = addDialogAction(QStringLiteral("取消 Esc"), QKeySequence(Qt::Key_Escape));
    YesAction->setObjectName(QStringLiteral("YesAction"));
    NoAction->setObjectName(QStringLiteral("NoAction"));
    connect(YesAction, &QAction::triggered, this, &TInputForm::YesActionExecute);
    connect(NoAction, &QAction::triggered, this, &TInputForm::NoActionExecute);
    bindButton(YesButton, YesAction);
    bindButton(NoButton, NoAction);

    setTabOrder(inputText, YesButton);
    setTabOrder(YesButton, NoButton);
    inputText->setFocus();
}

void TInputForm::YesActionExecute() {
    if (inputText->text().trimmed().isEmpty())
        return;
    done(mrOk);
}

void TInputForm::NoActionExecute() {
    done(mrCancel);
}

void TInputForm::inputTextKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        YesActionExecute();
}

bool TInputForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == inputText && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Handled here so that the dialog's default button never sees it.
            inputTextKeyDown(key);
            return true;
        }
    }
    return TSmallDialog::eventFilter(watched, event);
}

// ---- the operations ----------------------------------------------------------------------

namespace {

// Length as the old code page counted it: one byte for ASCII, two for anything else.
int doubleByteLength(const QString& text) {
    int bytes = 0;
    for (QChar c : text)
        bytes += c.unicode() < 0x80 ? 1 : (c.isLowSurrogate() ? 0 : 2);
    return bytes;
}

} // namespace

void messageBox(const QString& message, QWidget* owner) {
    TYesNoForm form(owner);
    form.msg->setText(message);
    form.NoButton->hide();
    form.YesButton->setText(QStringLiteral("確定"));
    form.YesButton->move(220, form.YesButton->y());
    form.YesButton->setFocus();
    form.exec();
}

bool confirmYesNo(const QString& question, QWidget* owner) {
    TYesNoForm form(owner);
    form.msg->setText(question);
    if (doubleByteLength(question) < 50)
        form.msg->move(form.msg->x(), 40);
    return form.exec() == mrOk;
}

bool confirmWarning(const QString& warning, QWidget* owner) {
    TWarningForm form(owner);
    form.msg->setText(warning);
    return form.exec() == mrOk;
}

bool askText(const QString& prompt, QString& text, QWidget* owner) {
    TInputForm form(owner);
    form.msg->setText(prompt);
    form.inputText->setText(text);
    form.inputText->setFocus();
    if (form.exec() != mrOk)
        return false;
    text = form.inputText->text();
    return true;
}
