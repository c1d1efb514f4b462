#include "app/shell.h"

#include "storage/database.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

bool openWithDesktop(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

ShellOpenHandler& handler() {
    static ShellOpenHandler h = openWithDesktop;
    return h;
}

} // namespace

bool openWithShell(const QString& path) {
    return handler()(path);
}

ShellOpenHandler setShellOpenHandler(ShellOpenHandler replacement) {
    ShellOpenHandler previous = std::move(handler());
    handler() = replacement ? std::move(replacement) : ShellOpenHandler(openWithDesktop);
    return previous;
}

QString databaseFilePath(const QString& relative) {
    const QString dir = QString::fromStdString(tavroDatabase::current().directory());
    return QDir(dir).filePath(relative);
}

bool openDatabaseFile(const QString& relative) {
    const QString path = databaseFilePath(relative);
    if (!QFileInfo(path).isFile())
        return false;
    return openWithShell(path);
}
