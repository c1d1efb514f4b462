#pragma once

#include <QList>
#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QToolButton;

// What the main window starts in other parts of the program. Each receives the main window
// as the owner of what it shows; an empty one does nothing.
struct MainWindowHooks {
    using Hook = std::function<void(QWidget* owner)>;
    Hook openPatientList;  // F2: the resident list, modal
    Hook openDrugList;     // F3: the drug list, modal
    Hook openBackupWindow; // F10: the backup window, modal
    Hook startOfDayBackup; // once, when the program has started
    Hook exitBackup;       // once, when the user has agreed to close
};

// On an 800 x 600 screen the main window fills it; on any other it keeps its designed size.
bool opensMaximised(const QSize& screen);

// The launcher: opens the database when first shown, upgrades and backs it up, and runs
// the closing question and the exit backup when closed.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    enum class Stage { Starting, Running, Closing, Refused };

    explicit TMainForm(MainWindowHooks hooks = {}, QWidget* parent = nullptr);

    Stage stage() const { return stage_; }
    // The start-up found the database unusable (open failed or already in use).
    bool refused() const { return stage_ == Stage::Refused; }
    QString helpFile() const { return helpFile_; }

    QLabel* Label2;
    QLabel* companyName;
    QToolButton* accCatButton;
    QToolButton* insertCustomer;
    QToolButton* backupButton;
    QToolButton* helpButton;
    QToolButton* exitButton;

    QAction* patientAction;
    QAction* drugAction;
    QAction* backupAction;
    QAction* exitAction;
    QAction* helpAction;
    QList<QAction*> ActionList1;

signals:
    // The start-up sequence has ended, whether the program runs or was refused.
    void startupFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setupUi();
    QAction* addLauncherAction(const char* name, const QString& caption, Qt::Key key);
    QToolButton* addLauncherButton(const char* name, QAction* action, const QRect& geometry);

    void FormShow();
    void startUp();
    void askOrganisationName();
    void patientActionExecute();
    void drugActionExecute();
    void backupActionExecute();
    void exitActionExecute();
    void helpActionExecute();

    MainWindowHooks hooks_;
    Stage stage_ = Stage::Starting;
    bool shown_ = false;
    QString helpFile_;
};
