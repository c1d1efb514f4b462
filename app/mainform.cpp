#include "app/mainform.h"

#include "app/dialogs.h"
#include "app/look.h"
#include "app/shell.h"
#include "app/upgrade.h"
#include "storage/storage.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {

const QSize designedSize(799, 569);

void run(const MainWindowHooks::Hook& hook, QWidget* owner) {
    if (hook)
        hook(owner);
}

// Start-up refusals also go to standard error, for whoever started the program from a shell.
void refuse(const QString& message, QWidget* owner) {
    std::fprintf(stderr, "dosarix: %s\n", message.toUtf8().constData());
    messageBox(message, owner);
}

} // namespace

bool opensMaximised(const QSize& screen) {
    return screen == QSize(800, 600);
}

TMainForm::TMainForm(MainWindowHooks hooks, QWidget* parent)
    : QWidget(parent), hooks_(std::move(hooks)) {
    setupUi();
    if (QScreen* s = screen()) {
        QRect frame(QPoint(0, 0), designedSize);
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
        if (opensMaximised(s->size()))
            setWindowState(windowState() | Qt::WindowMaximized);
    }
}

QAction* TMainForm::addLauncherAction(const char* name, const QString& caption, Qt::Key key) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    ActionList1.append(action);
    return action;
}

QToolButton* TMainForm::addLauncherButton(const char* name, QAction* action,
                                          const QRect& geometry) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setIconSize(QSize(32, 32));
    button->setFont(mingFont(24, true));
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

void TMainForm::setupUi() {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("護老院派藥管理系統"));
    resize(designedSize);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(0, 0, width(), 13);

    companyName = new QLabel(QStringLiteral("didev"), this);
    companyName->setObjectName(QStringLiteral("companyName"));
    companyName->setFont(mingFont(48, true));
    companyName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette black = companyName->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    companyName->setPalette(black);
    companyName->setGeometry(0, 13, width(), 64);

    patientAction = addLauncherAction("patientAction", QStringLiteral("院友管理 F2"), Qt::Key_F2);
    drugAction = addLauncherAction("drugAction", QStringLiteral("藥物管理 F3"), Qt::Key_F3);
    backupAction = addLauncherAction("backupAction", QStringLiteral("資料庫備份 F10"), Qt::Key_F10);
    exitAction = addLauncherAction("exitAction", QStringLiteral("離開 F12"), Qt::Key_F12);
    helpAction = addLauncherAction("helpAction", QStringLiteral("說明 F1"), Qt::Key_F1);

    QStyle* s = style();
    patientAction->setIcon(s->standardIcon(QStyle::SP_DirHomeIcon));
    drugAction->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    backupAction->setIcon(s->standardIcon(QStyle::SP_DriveHDIcon));
    exitAction->setIcon(s->standardIcon(QStyle::SP_DialogCloseButton));
    helpAction->setIcon(s->standardIcon(QStyle::SP_DialogHelpButton));

    connect(patientAction, &QAction::triggered, this, &TMainForm::patientActionExecute);
    connect(drugAction, &QAction::triggered, this, &TMainForm::drugActionExecute);
    connect(backupAction, &QAction::triggered, this, &TMainForm::backupActionExecute);
    connect(exitAction, &QAction::triggered, this, &TMainForm::exitActionExecute);
    connect(helpAction, &QAction::triggered, this, &TMainForm::helpActionExecute);

    accCatButton = addLauncherButton("accCatButton", patientAction, QRect(84, 136, 200, 80));
    insertCustomer = addLauncherButton("insertCustomer", drugAction, QRect(294, 136, 200, 80));
    backupButton = addLauncherButton("backupButton", backupAction, QRect(507, 136, 200, 80));
    backupButton->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    helpButton = addLauncherButton("helpButton", helpAction, QRect(85, 239, 200, 80));
    exitButton = addLauncherButton("exitButton", exitAction, QRect(296, 236, 409, 80));
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Both labels stretch across the top edge.
    Label2->resize(width(), Label2->height());
    companyName->resize(width(), companyName->height());
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // The start-up runs once the window is on screen, so its messages have an owner to sit on.
    QTimer::singleShot(0, this, &TMainForm::FormShow);
}

void TMainForm::FormShow() {
    try {
        startUp();
    } catch (...) {
        // A failed upgrade must not be left half done in the open transaction.
        if (tavroDatabase::current().isOpen())
            tavroDatabase::current().rollback();
        stage_ = Stage::Running;
        emit startupFinished();
        throw;
    }
    emit startupFinished();
}

void TMainForm::startUp() {
    tavroDatabase& db = tavroDatabase::current();
    db.setPermitColumnDeletion(true);
    if (!db.open("Dosarix", nullptr, -1)) {
        stage_ = Stage::Refused;
        refuse(QStringLiteral("資料庫開啟錯誤."), this);
        close();
        return;
    }
    if (db.userCount() >= 2) {
        stage_ = Stage::Refused;
        refuse(QStringLiteral("資料庫不能同時開啟."), this);
        db.close();
        close();
        return;
    }
    helpFile_ =
        QDir(QString::fromStdString(db.directory())).filePath(QStringLiteral("Halvorane.hlp"));

    {
        dbCursor<AboutConfig> about(dbCursorForUpdate);
        selectAboutConfig(about);
        companyName->setText(QString::fromUtf8(about->regName));
        upgradeSchema(about);
    }
    db.commit();
    askOrganisationName();

    run(hooks_.startOfDayBackup, this);
    stage_ = Stage::Running;
}

// A new data file has no name for the home yet; the user gives it once. Cancel leaves it
// empty, and the question comes again at the next start.
void TMainForm::askOrganisationName() {
    dbCursor<AboutConfig> about(dbCursorForUpdate);
    about.select();
    if (*about->regName != '\0')
        return;
    QString name;
    if (!askText(QStringLiteral("請輸入院舍名稱:"), name, this))
        return;
    const QByteArray text = name.trimmed().toUtf8();
    about->regName = text.constData();
    about.update();
    tavroDatabase::current().commit();
    companyName->setText(QString::fromUtf8(text));
}

void TMainForm::closeEvent(QCloseEvent* event) {
    tavroDatabase& db = tavroDatabase::current();
    if (!db.isOpen() || stage_ == Stage::Closing) {
        event->accept();
        return;
    }
    if (!confirmYesNo(QStringLiteral("關閉系統?"), this)) {
        event->ignore();
        return;
    }
    stage_ = Stage::Closing;
    // Nothing may start while the exit backup runs.
    hide();
    for (QAction* action : ActionList1)
        action->setEnabled(false);
    // Accepted first: should the backup fail, its error is shown and the program still ends.
    event->accept();
    run(hooks_.exitBackup, this);
}

void TMainForm::patientActionExecute() {
    run(hooks_.openPatientList, this);
}

void TMainForm::drugActionExecute() {
    run(hooks_.openDrugList, this);
    tavroDatabase::current().commit();
}

void TMainForm::backupActionExecute() {
    run(hooks_.openBackupWindow, this);
}

void TMainForm::exitActionExecute() {
    close();
}

void TMainForm::helpActionExecute() {
    openDatabaseFile(QStringLiteral("manual.doc"));
}
