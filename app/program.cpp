#include "app/program.h"

#include "app/look.h"
#include "storage/storage.h"

#include <QMessageBox>
#include <cstdio>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace {

QString className(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return QString::fromUtf8(status == 0 && name ? name.get() : type.name());
}

} // namespace

QString exceptionText(const std::exception& error) {
    QString message = QString::fromUtf8(error.what());
    if (const auto* db = dynamic_cast<const dbException*>(&error)) {
        message = QString::fromStdString(db->getMsg());
        if (message.isEmpty())
            message = QStringLiteral("error %1").arg(db->getErrCode());
    }
    return className(typeid(error)) + QStringLiteral(": ") + message;
}

void showException(const QString& text) {
    std::fprintf(stderr, "dosarix: %s\n", text.toUtf8().constData());
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("護老院派藥管理系統"), text);
}

DosarixApplication::DosarixApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool DosarixApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showException(exceptionText(error));
    } catch (...) {
        showException(QStringLiteral("unknown exception"));
    }
    return false;
}

int runProgram(DosarixApplication& app, const MainWindowHooks& hooks) {
    try {
        setupApplicationLook(app);
        allTables(); // every table descriptor, before the database exists
        tavroDatabase database;
        TMainForm mainForm(hooks);
        mainForm.show();
        const int status = app.exec();
        return mainForm.refused() ? 1 : status;
    } catch (const std::exception& error) {
        showException(exceptionText(error));
    } catch (...) {
        showException(QStringLiteral("unknown exception"));
    }
    return 1;
}
