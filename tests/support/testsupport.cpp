#include "tests/support/testsupport.h"

#include "app/look.h"
#include "app/shell.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QList>
#include <QProcess>
#include <QSet>
#include <QTimer>

TempDatabase::TempDatabase(bool open) : previousDir_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
    db_ = std::make_unique<tavroDatabase>();
    if (open && !db_->open())
        qFatal("cannot open a test database in %s", qPrintable(dir_.path()));
}

TempDatabase::~TempDatabase() {
    db_.reset();
    QDir::setCurrent(previousDir_);
}

namespace {

struct DriverState {
    QList<ModalDriver::Action> actions;
    QList<QPointer<QWidget>> handled;
    QPointer<QWidget> waiting; // a dialog seen but not active yet
    int waitTicks = 0;
    int running = 0; // actions started but not finished
    QTimer* timer = nullptr;
};

DriverState& state() {
    static DriverState s;
    return s;
}

bool wasHandled(QWidget* w) {
    for (const QPointer<QWidget>& p : state().handled)
        if (p == w)
            return true;
    return false;
}

void closeDialog(QWidget* w) {
    if (!w || !w->isVisible())
        return;
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->reject();
    else
        w->close();
}

void tick() {
    DriverState& s = state();
    if (s.actions.isEmpty())
        return;
    // A dialog shown again after it closed (a form re-shown with the user's input) is a
    // new dialog for the queue.
    s.handled.removeIf([](const QPointer<QWidget>& p) { return !p || !p->isVisible(); });
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || wasHandled(modal))
        return;
    if (QApplication::activeWindow() != modal && s.waitTicks < 50) {
        if (s.waiting != modal) {
            s.waiting = modal;
            s.waitTicks = 0;
        }
        ++s.waitTicks;
        modal->activateWindow();
        return;
    }
    s.waiting = nullptr;
    s.waitTicks = 0;
    s.handled.append(QPointer<QWidget>(modal));
    ModalDriver::Action action = s.actions.takeFirst();
    QPointer<QWidget> guard(modal);
    // Run the action outside this timer's handler: Qt does not fire a timer again while its
    // handler runs, so a dialog the action opens would otherwise never be seen.
    ++s.running;
    QTimer::singleShot(0, qApp, [action = std::move(action), guard] {
        if (guard) {
            action(guard);
            // A failed check inside the action only returns from it: never leave the dialog up.
            if (guard)
                closeDialog(guard);
        }
        --state().running;
    });
}

void ensureTimer() {
    DriverState& s = state();
    if (s.timer)
        return;
    s.timer = new QTimer(qApp);
    s.timer->setInterval(5);
    QObject::connect(s.timer, &QTimer::timeout, tick);
    s.timer->start();
}

} // namespace

void ModalDriver::expect(Action action) {
    ensureTimer();
    state().actions.append(std::move(action));
}

int ModalDriver::pending() {
    return static_cast<int>(state().actions.size());
}

void ModalDriver::clear() {
    state().actions.clear();
}

bool ModalDriver::waitDone(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (pending() > 0 && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return pending() == 0;
}

QString dialogMessage(QWidget* dialog) {
    if (!dialog)
        return {};
    if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("msg")))
        return label->text();
    return {};
}

void pressKey(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, key, modifiers);
}

bool activate(QWidget* window) {
    window->activateWindow();
    window->raise();
    QElapsedTimer timer;
    timer.start();
    while (QApplication::activeWindow() != window && timer.elapsed() < 3000) {
        window->activateWindow();
        QTest::qWait(5);
    }
    return QApplication::activeWindow() == window;
}

bool showAndActivate(QWidget* window) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    return activate(window);
}

ShellRecorder::ShellRecorder() {
    setShellOpenHandler([this](const QString& path) {
        opened_.append(path);
        return true;
    });
}

ShellRecorder::~ShellRecorder() {
    setShellOpenHandler({});
}

void dosarixTestSetup(QApplication& app) {
    setupApplicationLook(app);
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfInfo(const QString& pdf, const QString& field) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith(field + QLatin1Char(':')))
            return line.mid(field.size() + 1).trimmed();
    return {};
}

int pdfPageCount(const QString& pdf) {
    return pdfInfo(pdf, QStringLiteral("Pages")).toInt();
}
