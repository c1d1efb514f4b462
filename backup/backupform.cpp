#include "backup/backupform.h"

#include "app/dialogforms.h"
#include "app/dialogs.h"
#include "app/look.h"
#include "app/shell.h"
#include "backup/rotation.h"
#include "storage/storage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStorageInfo>
#include <QToolButton>

#include <cstdio>
#include <unistd.h>

namespace {

void exitNow(int code) {
    std::fflush(nullptr);
    ::_exit(code);
}

ProcessExit& processExit() {
    static ProcessExit exit = exitNow;
    return exit;
}

// The busy pointer for as long as it lives.
struct BusyPointer {
    BusyPointer() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyPointer() { restore(); }
    void restore() {
        if (active) {
            QApplication::restoreOverrideCursor();
            active = false;
        }
    }
    bool active = true;
};

void centreOnScreen(QWidget* window) {
    if (QScreen* s = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

QAction* addShortcutAction(QWidget* window, const QString& caption, const QKeySequence& key) {
    auto* action = new QAction(caption, window);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    return action;
}

QPushButton* actionButton(QWidget* parent, const char* name, QAction* action, const QRect& g) {
    auto* button = new QPushButton(action->text(), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(g);
    button->setFont(mingFont(16, true));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

template <class W> W* named(W* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

ProcessExit setProcessExit(ProcessExit exit) {
    ProcessExit previous = std::move(processExit());
    processExit() = exit ? std::move(exit) : ProcessExit(exitNow);
    return previous;
}

// ---- TUpDown -------------------------------------------------------------------------------

TUpDown::TUpDown(QLineEdit* associate, QWidget* parent) : QWidget(parent), associate_(associate) {
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    up_->setAutoRepeat(true);
    down_->setAutoRepeat(true);
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
    associate_->installEventFilter(this);
}

void TUpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

void TUpDown::setRange(int min, int max) {
    min_ = min;
    max_ = max;
    setPosition(position_);
}

void TUpDown::setPosition(int position) {
    position_ = std::clamp(position, min_, max_);
    associate_->setText(QString::number(position_));
    emit changed(position_);
}

void TUpDown::stepBy(int steps) {
    setPosition(position_ + steps);
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == associate_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- TBackupForm ---------------------------------------------------------------------------

TBackupForm::TBackupForm(QWidget* owner) : QDialog(owner) {
    setupUi();
    tavroDatabase& db = tavroDatabase::current();
    loadSettings(db);
    const QString name = QString::fromStdString(db.name());
    SaveDialog1->selectFile(name);
    OpenDialog1->selectFile(name);
    FileListBox1->clear();
    FileListBox1->addItem(QString::fromStdString(db.dataFile()));
    BackupFile1.onProgress = [this](int percent) { BackupFile1Progress(percent); };
    BackupFile1.onNeedDisk = [this](int volume) { return BackupFile1NeedDisk(volume); };
}

TBackupForm::~TBackupForm() = default;

void TBackupForm::setupUi() {
    setObjectName(QStringLiteral("BackupForm"));
    setWindowTitle(text("備份"));
    setFixedSize(802, 463);
    setFont(mingFont(14));

    helpAction = addShortcutAction(this, text("說明 F1"), QKeySequence(Qt::Key_F1));
    NoAction = addShortcutAction(this, text("關閉 Esc"), QKeySequence(Qt::Key_Escape));
    connect(helpAction, &QAction::triggered, this, [this] { helpActionExecute(); });
    connect(NoAction, &QAction::triggered, this, [this] { reject(); });

    backup = named(new QPushButton(text("執行備份"), this), "backup", QRect(24, 24, 360, 110));
    backup->setFont(mingFont(32, true));
    restore = named(new QPushButton(text("執行修復 (會取代現有資料庫)"), this), "restore",
                    QRect(24, 150, 360, 50));
    restore->setFont(mingFont(16, true));
    helpButton = actionButton(this, "helpButton", helpAction, QRect(24, 370, 170, 44));
    NoButton = actionButton(this, "NoButton", NoAction, QRect(214, 370, 170, 44));
    connect(backup, &QPushButton::clicked, this, [this] { backupClick(); });
    connect(restore, &QPushButton::clicked, this, [this] { restoreClick(); });

    GroupBox4 = named(new QGroupBox(text("自動備份"), this), "GroupBox4", QRect(404, 16, 378, 400));
    everytime =
        named(new QCheckBox(text("每次離開"), GroupBox4), "everytime", QRect(20, 32, 120, 24));
    everyday = named(new QCheckBox(text("每日"), GroupBox4), "everyday", QRect(160, 32, 100, 24));
    everyday->setChecked(true);
    Label24 = named(new QLabel(text("保留數目:"), GroupBox4), "Label24", QRect(20, 72, 90, 24));
    remainEdit = named(new QLineEdit(text("7"), GroupBox4), "remainEdit", QRect(110, 70, 50, 26));
    remainEdit->setReadOnly(true);
    totalBackup = named(new TUpDown(remainEdit, GroupBox4), "totalBackup", QRect(160, 70, 20, 26));
    totalBackup->setRange(1, 127);
    totalBackup->setPosition(7);

    backupPath =
        named(new QCheckBox(text("備份位置一:"), GroupBox4), "backupPath", QRect(20, 112, 200, 24));
    path = named(new QLineEdit(GroupBox4), "path", QRect(20, 138, 300, 26));
    pathButton = named(new QPushButton(QStringLiteral("..."), GroupBox4), "pathButton",
                       QRect(326, 138, 32, 26));
    backupPath2 = named(new QCheckBox(text("備份位置二:"), GroupBox4), "backupPath2",
                        QRect(20, 176, 200, 24));
    path2 = named(new QLineEdit(GroupBox4), "path2", QRect(20, 202, 300, 26));
    path2Button = named(new QPushButton(QStringLiteral("..."), GroupBox4), "path2Button",
                        QRect(326, 202, 32, 26));
    connect(pathButton, &QPushButton::clicked, this, [this] { pathButtonClick(path); });
    connect(path2Button, &QPushButton::clicked, this, [this] { pathButtonClick(path2); });
    Label1 = named(new QLabel(text("如果選擇兩個備份位置, 自動備份會建立兩份備份檔在兩個位置. "
                                   "如果兩個都不選擇, 自動備份會在資料庫位置建立一份備份."),
                              GroupBox4),
                   "Label1", QRect(20, 244, 338, 90));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Timed backups are stored but never run: their settings stay out of sight.
    hourPanel = named(new QFrame(GroupBox4), "hourPanel", QRect(20, 340, 338, 28));
    everyhour = named(new QCheckBox(text("定時"), hourPanel), "everyhour", QRect(0, 2, 70, 24));
    named(new QLabel(text("每小時:"), hourPanel), "hourLabel", QRect(80, 2, 70, 24));
    hour = named(new QLineEdit(QStringLiteral("1"), hourPanel), "hour", QRect(150, 0, 50, 26));
    hourPanel->hide();
    timePanel = named(new QFrame(GroupBox4), "timePanel", QRect(20, 368, 338, 28));
    named(new QLabel(text("備份時間:"), timePanel), "timeLabel", QRect(0, 2, 90, 24));
    backupTime = named(new QLineEdit(QStringLiteral("00:00"), timePanel), "backupTime",
                       QRect(90, 0, 70, 26));
    timePanel->hide();

    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1", QRect(0, 443, 802, 20));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->hide();

    autoBackupPanel = named(new QLabel(text("資料庫備份中，請稍後.... "), this), "autoBackupPanel",
                            QRect(0, 0, 802, 443));
    autoBackupPanel->setAlignment(Qt::AlignCenter);
    autoBackupPanel->setFont(mingFont(32, true));
    autoBackupPanel->setAutoFillBackground(true);
    autoBackupPanel->setFrameShape(QFrame::Panel);
    autoBackupPanel->hide();

    const QString filter = text("備份檔案 (*.mbf)");
    SaveDialog1 = new QFileDialog(this, text("請輸入備份檔案"));
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    // The program asks its own replace question.
    SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite);
    SaveDialog1->setNameFilter(filter);
    SaveDialog1->setDefaultSuffix(QStringLiteral("mbf"));
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setNameFilter(filter);
    OpenDialog1->setDefaultSuffix(QStringLiteral("mbf"));

    FileListBox1 = named(new QListWidget(this), "FileListBox1", QRect(0, 0, 10, 10));
    FileListBox1->hide();
}

void TBackupForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(this);
}

void TBackupForm::loadSettings(tavroDatabase& db) {
    tavroCursor<BackupRecord> cursor(db, dbCursorViewOnly);
    if (cursor.select() == 0) {
        BackupRecord fresh;
        fresh.lastBackupDate = todayStamp();
        fresh.everytime = everytime->isChecked();
        fresh.everyday = everyday->isChecked();
        fresh.everyhour = everyhour->isChecked();
        fresh.lastBackup = 0;
        fresh.totalBackup =
            static_cast<std::int8_t>(defaultTotalBackup(QString::fromStdString(db.directory())));
        fresh.hour = 1;
        insert(fresh, db);
        cursor.select();
    }
    // The controls show the stored record, also the one just created.
    const BackupRecord& r = *cursor;
    everytime->setChecked(r.everytime);
    everyday->setChecked(r.everyday);
    everyhour->setChecked(r.everyhour);
    hour->setText(QString::number(r.hour));
    totalBackup->setPosition(r.totalBackup);
    path->setText(QString::fromUtf8(r.path));
    path2->setText(QString::fromUtf8(r.path2));
    backupTime->setText(timeText(r.lastBackupDate));
    backupPath->setChecked(r.backupPath);
    backupPath2->setChecked(r.backupPath2);
    db.commit();
}

void TBackupForm::showAutoBackupPanel() {
    autoBackupPanel->show();
    autoBackupPanel->raise();
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TBackupForm::startOfDayBackup() {
    tavroDatabase& db = tavroDatabase::current();
    tavroCursor<BackupRecord> cursor(db, dbCursorForUpdate);
    if (cursor.select() > 0 && cursor->everyday && startOfDayDue(cursor->lastBackupDate)) {
        const int slot = cursor->lastBackup;
        cursor->lastBackupDate = todayAtBackupTime(cursor->lastBackupDate);
        cursor->lastBackup = static_cast<std::int8_t>(nextBackupSlot(slot, cursor->totalBackup));
        cursor->isEveryTime = false;
        cursor.update();
        db.commit();
        showAutoBackupPanel();
        runAutomaticBackups(slot, false, cursor->backupPath, QString::fromUtf8(cursor->path),
                            cursor->backupPath2, QString::fromUtf8(cursor->path2));
    }
    db.commit();
}

void TBackupForm::exitBackup() {
    tavroDatabase& db = tavroDatabase::current();
    tavroCursor<BackupRecord> cursor(db, dbCursorForUpdate);
    if (cursor.select() > 0 && cursor->everytime) {
        showAutoBackupPanel();
        const int slot = cursor->lastBackup;
        cursor->lastBackup = static_cast<std::int8_t>(nextBackupSlot(slot, cursor->totalBackup));
        cursor->isEveryTime = true;
        cursor.update();
        db.commit();
        runAutomaticBackups(slot, true, cursor->backupPath, QString::fromUtf8(cursor->path),
                            cursor->backupPath2, QString::fromUtf8(cursor->path2));
    }
    db.commit();
}

void TBackupForm::runAutomaticBackups(int slot, bool atExit, bool usePath, const QString& path,
                                      bool usePath2, const QString& path2) {
    tavroDatabase& db = tavroDatabase::current();
    const QString name = QString::fromStdString(db.name());
    for (const QString& folder : automaticBackupFolders(usePath, path, usePath2, path2,
                                                        QString::fromStdString(db.directory())))
        automaticCopy(automaticBackupFile(folder, name, slot, atExit));
}

void TBackupForm::automaticCopy(const QString& file) {
    tavroDatabase& db = tavroDatabase::current();
    BackupFile1.MaxSize = unsplitVolumeSize;
    volumeBase_ = volumeBaseName(file);
    // The previous file of this name stays until the new one is complete.
    db.commit();
    db.touchFile();
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    const bool ok = packDataFile(db, BackupFile1, file);
    ProgressBar1->hide();
    if (!ok)
        messageBox(text("備份失敗."), this);
    db.commit();
}

void TBackupForm::backupClick() {
    const QString folder = backupPath->isChecked() ? path->text() : path2->text();
    if (!folder.trimmed().isEmpty())
        SaveDialog1->setDirectory(folder);
    if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty())
        return;
    backupTo(SaveDialog1->selectedFiles().constFirst());
}

void TBackupForm::backupTo(const QString& file) {
    // An existing file is replaced only once the new archive is complete.
    if (QFileInfo::exists(file) && !confirmYesNo(file + text("已存在, 取代它嗎?"), this))
        return;
    tavroDatabase& db = tavroDatabase::current();
    BusyPointer busy;
    BackupFile1.MaxSize = volumeLimitFor(file);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    db.commit();
    db.touchFile();
    volumeBase_ = volumeBaseName(file);
    const bool ok = packDataFile(db, BackupFile1, file);
    db.commit();
    ProgressBar1->hide();
    busy.restore();
    messageBox(ok ? text("備份完成.") : text("備份失敗."), this);
}

bool TBackupForm::BackupFile1NeedDisk(int volume) {
    TYesNoForm prompt(this);
    prompt.msg->setText(text("請輸入磁碟片#") + QString::number(volume));
    prompt.NoButton->setText(text("取消"));
    prompt.YesButton->setText(text("確定"));
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool yes = prompt.exec() == mrOk;
    QApplication::restoreOverrideCursor();
    if (!yes)
        return false;
    const QString next = volumeFileName(volumeBase_, volume);
    QFile::remove(next);
    BackupFile1.MaxSize = volumeLimitFor(volumeBase_);
    return true;
}

void TBackupForm::BackupFile1Progress(int percent) {
    ProgressBar1->setValue(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TBackupForm::restoreClick() {
    const QString databaseDir = QString::fromStdString(tavroDatabase::current().directory());
    const QString location = backupPath->isChecked() ? path->text() : path2->text();
    OpenDialog1->setDirectory(location.trimmed().isEmpty() ? databaseDir : location.trimmed());
    if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty())
        return;
    restoreFrom(OpenDialog1->selectedFiles().constFirst());
}

void TBackupForm::restoreFrom(const QString& file) {
    if (!QFileInfo(file).isFile()) {
        messageBox(text("檔案不存在."), this);
        return;
    }
    if (!confirmWarning(text("修復會取代現有的資料庫, 確定嗎?"), this))
        return;
    tavroDatabase& db = tavroDatabase::current();
    const QString dataFile = QString::fromStdString(db.dataFile());
    bool ok = false;
    {
        BusyPointer busy;
        BackupFile1.MaxSize = 0;
        ProgressBar1->setValue(0);
        ProgressBar1->show();
        db.lock();
        db.close();
        ok = restoreDataFile(BackupFile1, file, dataFile);
        ProgressBar1->hide();
    }
    messageBox(ok ? text("修復完成. 請重新執行程式.") : text("修復失敗. 請重新執行程式."), this);
    processExit()(0);
}

bool TBackupForm::FormClose() {
    switch (checkBackupLocations(backupPath->isChecked(), path->text(), backupPath2->isChecked(),
                                 path2->text())) {
    case LocationFault::None:
        break;
    case LocationFault::PathMissing:
        messageBox(path->text() + text("資料夾不存在."), this);
        path->setFocus();
        return false;
    case LocationFault::Path2Missing:
        messageBox(path2->text() + text("資料夾不存在."), this);
        path2->setFocus();
        return false;
    case LocationFault::SamePaths:
        messageBox(text("兩個備份位置不能相同."), this);
        return false;
    }
    tavroDatabase& db = tavroDatabase::current();
    tavroCursor<BackupRecord> cursor(db, dbCursorForUpdate);
    if (cursor.select() == 0)
        return true;
    tavroBuffer texts;
    BackupRecord& r = *cursor;
    r.everytime = everytime->isChecked();
    r.everyday = everyday->isChecked();
    r.everyhour = everyhour->isChecked();
    r.totalBackup = static_cast<std::int8_t>(totalBackup->position());
    r.hour = static_cast<std::int8_t>(hour->text().toInt());
    r.path = texts.store(path->text().trimmed().toUtf8().constData());
    r.path2 = texts.store(path2->text().trimmed().toUtf8().constData());
    r.backupPath = backupPath->isChecked();
    r.backupPath2 = backupPath2->isChecked();
    setTimeText(backupTime->text(), r.lastBackupDate);
    cursor.update();
    db.commit();
    return true;
}

void TBackupForm::reject() {
    if (FormClose())
        QDialog::reject();
}

void TBackupForm::helpActionExecute() {
    for (const char* page : {"help/BackupForm.htm", "help/install.htm", "server_help/backup.htm"})
        openDatabaseFile(QString::fromLatin1(page));
}

void TBackupForm::pathButtonClick(QLineEdit* target) {
    TFolderSelectForm choice(this);
    if (choice.exec() == mrOk)
        target->setText(choice.folder->text());
}

// ---- TFolderSelectForm ---------------------------------------------------------------------

TFolderSelectForm::TFolderSelectForm(QWidget* owner) : QDialog(owner) {
    setupUi();
    fillDrives();
    setDirectory(QDir::currentPath());
}

void TFolderSelectForm::setupUi() {
    setObjectName(QStringLiteral("FolderSelectForm"));
    setWindowTitle(text("資料"));
    setFixedSize(800, 600);
    setFont(mingFont(14));

    saveAction = addShortcutAction(this, text("確定 F4"), QKeySequence(Qt::Key_F4));
    exitAction = addShortcutAction(this, text("取消 Esc"), QKeySequence(Qt::Key_Escape));
    helpAction = addShortcutAction(this, text("說明 F1"), QKeySequence(Qt::Key_F1));
    connect(saveAction, &QAction::triggered, this, [this] { done(mrOk); });
    connect(exitAction, &QAction::triggered, this, [this] { done(mrCancel); });

    driveLabel = named(new QLabel(text("磁碟:"), this), "driveLabel", QRect(24, 20, 80, 26));
    DriveComboBox1 = named(new QComboBox(this), "DriveComboBox1", QRect(110, 20, 660, 28));
    directoryLabel =
        named(new QLabel(text("資料夾:"), this), "directoryLabel", QRect(24, 62, 80, 26));
    DirectoryListBox1 = named(new QListWidget(this), "DirectoryListBox1", QRect(110, 62, 660, 400));
    chooseLabel = named(new QLabel(text("選擇:"), this), "chooseLabel", QRect(24, 476, 80, 26));
    folder = named(new QLabel(this), "folder", QRect(110, 476, 660, 26));
    saveButton = actionButton(this, "saveButton", saveAction, QRect(230, 530, 160, 44));
    exitButton = actionButton(this, "exitButton", exitAction, QRect(410, 530, 160, 44));
    helpButton = actionButton(this, "helpButton", helpAction, QRect(590, 530, 160, 44));

    connect(DriveComboBox1, &QComboBox::activated, this,
            [this](int index) { DriveComboBox1Change(index); });
    connect(DirectoryListBox1, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setDirectory(item->data(Qt::UserRole).toString()); });
}

void TFolderSelectForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOnScreen(this);
}

void TFolderSelectForm::fillDrives() {
    DriveComboBox1->clear();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        DriveComboBox1->addItem(volume.rootPath(), volume.rootPath());
    }
}

void TFolderSelectForm::DriveComboBox1Change(int index) {
    if (index >= 0)
        setDirectory(DriveComboBox1->itemData(index).toString());
}

void TFolderSelectForm::setDirectory(const QString& dir) {
    directory_ = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    folder->setText(directory_);

    // The drive that holds the directory.
    const int drive = DriveComboBox1->findData(QStorageInfo(directory_).rootPath());
    if (drive >= 0)
        DriveComboBox1->setCurrentIndex(drive);

    // The way up from the root to the directory, then its sub-folders.
    DirectoryListBox1->clear();
    QStringList ancestors;
    for (QDir d(directory_);;) {
        ancestors.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& a : ancestors) {
        const QString name = QDir(a).isRoot() ? a : QFileInfo(a).fileName();
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name);
        item->setData(Qt::UserRole, a);
        DirectoryListBox1->addItem(item);
        current = item;
        ++depth;
    }
    const QFileInfoList children =
        QDir(directory_).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& child : children) {
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + child.fileName());
        item->setData(Qt::UserRole, child.absoluteFilePath());
        DirectoryListBox1->addItem(item);
    }
    DirectoryListBox1->setCurrentItem(current);
}
