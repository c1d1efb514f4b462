#pragma once

#include "backup/archive.h"

#include <QDialog>
#include <QString>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QToolButton;
class tavroDatabase;

// How the program ends after a restore. The default ends the process at once; tests put a
// recorder in its place. Returns the previous one; an empty function restores the default.
using ProcessExit = std::function<void(int code)>;
ProcessExit setProcessExit(ProcessExit exit);

// An up-down control attached to a read-only edit that shows its position.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit* associate, QWidget* parent);
    void setRange(int min, int max);
    int position() const { return position_; }
    void setPosition(int position);
    void stepBy(int steps);

signals:
    void changed(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* associate_;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

// The backup window: manual backup and restore, the settings of the automatic backups, and
// the two automatic backups the main window runs at start-up and at closing.
class TBackupForm : public QDialog {
    Q_OBJECT
public:
    explicit TBackupForm(QWidget* owner = nullptr);
    ~TBackupForm() override;

    // Run on a freshly constructed window that is not shown yet.
    void startOfDayBackup();
    void exitBackup();

    void backupClick();
    void restoreClick();
    // The manual backup and the restore once their file is chosen.
    void backupTo(const QString& file);
    void restoreFrom(const QString& file);

    QPushButton* backup;
    QPushButton* restore;
    QPushButton* helpButton;
    QPushButton* NoButton;
    QGroupBox* GroupBox4;
    QCheckBox* everytime;
    QCheckBox* everyday;
    QLabel* Label24;
    QLineEdit* remainEdit;
    TUpDown* totalBackup;
    QCheckBox* backupPath;
    QLineEdit* path;
    QPushButton* pathButton;
    QCheckBox* backupPath2;
    QLineEdit* path2;
    QPushButton* path2Button;
    QLabel* Label1;
    QFrame* hourPanel;
    QCheckBox* everyhour;
    QLineEdit* hour;
    QFrame* timePanel;
    QLineEdit* backupTime;
    QProgressBar* ProgressBar1;
    QLabel* autoBackupPanel;
    QFileDialog* SaveDialog1;
    QFileDialog* OpenDialog1;
    QListWidget* FileListBox1;
    TBackupFile BackupFile1;
    QAction* helpAction;
    QAction* NoAction;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setupUi();
    void loadSettings(tavroDatabase& db);
    bool FormClose();
    void helpActionExecute();
    void pathButtonClick(QLineEdit* target);
    bool BackupFile1NeedDisk(int volume);
    void BackupFile1Progress(int percent);
    void automaticCopy(const QString& file);
    void runAutomaticBackups(int slot, bool atExit, bool usePath, const QString& path,
                             bool usePath2, const QString& path2);
    void showAutoBackupPanel();

    QString volumeBase_;
};

// Folder choice: the mounted file systems and a directory list starting in the current
// directory; `folder` shows the chosen folder.
class TFolderSelectForm : public QDialog {
    Q_OBJECT
public:
    explicit TFolderSelectForm(QWidget* owner = nullptr);

    // Moves the directory list to dir (its children and the way back up are listed).
    void setDirectory(const QString& dir);
    QString directory() const { return directory_; }

    QLabel* driveLabel;
    QComboBox* DriveComboBox1;
    QLabel* directoryLabel;
    QListWidget* DirectoryListBox1;
    QLabel* chooseLabel;
    QLabel* folder;
    QPushButton* saveButton;
    QPushButton* exitButton;
    QPushButton* helpButton;
    QAction* saveAction;
    QAction* exitAction;
    QAction* helpAction;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setupUi();
    void fillDrives();
    void DriveComboBox1Change(int index);

    QString directory_;
};
