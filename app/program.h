#pragma once

#include "app/mainform.h"

#include <QApplication>
#include <exception>

// The application object. An exception escaping an event handler abandons that handler and
// is shown in an error box with its class and message; the program keeps running.
class DosarixApplication : public QApplication {
    Q_OBJECT
public:
    DosarixApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// "dbException: no database", as the error box shows an exception.
QString exceptionText(const std::exception& error);
// The error box for an exception, owned by the active window.
void showException(const QString& text);

// The program: the look, the tables and the one database, the main window, the message loop.
// Returns the exit status: non-zero when the data file could not be used or an exception
// ended the run.
int runProgram(DosarixApplication& app, const MainWindowHooks& hooks);
