#pragma once

#include "storage/database.h"

#include <QApplication>
#include <QDir>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// A fresh data file in a temporary database directory, open for the test's lifetime and
// installed as the database the windows use. The current directory is restored afterwards.
class TempDatabase {
public:
    explicit TempDatabase(bool open = true);
    ~TempDatabase();

    tavroDatabase& db() { return *db_; }
    QString dir() const { return dir_.path(); }
    QString filePath(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private:
    QTemporaryDir dir_;
    QString previousDir_;
    std::unique_ptr<tavroDatabase> db_;
};

// Drives modal dialogs. Queue one action per dialog you expect, before the key or click that
// opens it. Each action receives the dialog once it is the active window; a dialog the
// action leaves open is closed, so no test can hang on a modal.
class ModalDriver {
public:
    using Action = std::function<void(QWidget* dialog)>;

    static void expect(Action action);
    // How many queued actions have not met their dialog yet (0 after a clean run).
    static int pending();
    // Drops actions that never met a dialog.
    static void clear();
    // Waits until every queued action ran, up to timeoutMs. false on time-out.
    static bool waitDone(int timeoutMs = 5000);
};

// The text of the first QLabel of a dialog whose object name is "msg" (message and question
// dialogs), or an empty text.
QString dialogMessage(QWidget* dialog);

// Presses a key in the widget with the focus inside `window` (or window itself).
void pressKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Shows window, activates it and waits until it is the active window (F-keys need that).
bool showAndActivate(QWidget* window);
bool activate(QWidget* window);

// The bytes of a file (empty when it cannot be read).
QByteArray fileBytes(const QString& path);
// What pdftotext -layout reads from a PDF, and one field of pdfinfo ("Pages", "Page size").
QString pdfText(const QString& pdf);
QString pdfInfo(const QString& pdf, const QString& field);
int pdfPageCount(const QString& pdf);

// Records what the program hands to the desktop instead of opening it.
class ShellRecorder {
public:
    ShellRecorder();
    ~ShellRecorder();
    const QStringList& opened() const { return opened_; }

private:
    QStringList opened_;
};

// A QApplication with the program's look, then the test object.
#define DOSARIX_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char** argv) {                                                              \
        QApplication app(argc, argv);                                                              \
        dosarixTestSetup(app);                                                                     \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

void dosarixTestSetup(QApplication& app);
