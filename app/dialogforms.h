#pragma once

#include <QDialog>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

// Modal results the program's dialogs end with.
enum ModalResult { mrOk = 1, mrCancel = 2, mrNo = 7 };

// The base of the program's small dialogs: closing by the title bar (or reject()) ends
// the dialog with Cancel, and it opens centred on the screen.
class TSmallDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // An action with a shortcut that works wherever the focus is inside the dialog, and a
    // button that runs it and shows its caption.
    QAction* addDialogAction(const QString& caption, const QKeySequence& key);
    static void bindButton(QPushButton* button, QAction* action);
};

// Yes/no question; also the one-button message box. Callers may change the text of msg
// and the captions of both buttons before exec().
class TYesNoForm : public TSmallDialog {
    Q_OBJECT
public:
    explicit TYesNoForm(QWidget* owner);

    QLabel* msg;
    QPushButton* NoButton;
    QPushButton* YesButton;
    QAction* YesAction;
    QAction* NoAction;
    QAction* Action1; // plain Y
    QAction* Action2; // plain N

private:
    void setupUi();
};

// Yellow-on-red confirmation for destructive operations; beeps when shown.
class TWarningForm : public TSmallDialog {
    Q_OBJECT
public:
    explicit TWarningForm(QWidget* owner);

    QLabel* msg;
    QPushButton* YesButton;
    QPushButton* NoButton;
    QAction* YesAction;
    QAction* noAction;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setupUi();
};

// One line of text; blank text (after trimming) is not accepted.
class TInputForm : public TSmallDialog {
    Q_OBJECT
public:
    explicit TInputForm(QWidget* owner);

    QLabel* msg;
    QLineEdit* inputText;
    QPushButton* NoButton;
    QPushButton* YesButton;
    QAction* YesAction;
    QAction* NoAction;

    void YesActionExecute();
    void NoActionExecute();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupUi();
    void inputTextKeyDown(int key);
};
