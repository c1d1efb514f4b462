#include "backup/rotation.h"

#include "backup/archive.h"
#include "storage/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

QString automaticBackupFile(const QString& folder, const QString& databaseName, int slot,
                            bool atExit) {
    return QDir(folder).filePath(databaseName + QString::number(slot) +
                                 (atExit ? QStringLiteral("T.mbf") : QStringLiteral(".mbf")));
}

namespace {

qint64 realFreeSpace(const QString& folder) {
    QStorageInfo storage(folder);
    return storage.isValid() ? storage.bytesAvailable() : 0;
}

FreeSpaceProbe& freeSpace() {
    static FreeSpaceProbe probe = realFreeSpace;
    return probe;
}

bool usable(bool used, const QString& path) {
    return used && !path.trimmed().isEmpty() && QFileInfo(path).isDir();
}
} // namespace

QStringList automaticBackupFolders(bool usePath, const QString& path, bool usePath2,
                                   const QString& path2, const QString& databaseDirectory) {
    QStringList folders;
    if (usable(usePath, path))
        folders << path;
    if (usable(usePath2, path2))
        folders << path2;
    if (folders.isEmpty())
        folders << databaseDirectory;
    return folders;
}

int nextBackupSlot(int slot, int total) {
    return (slot + 1) % std::max(total, 1);
}

int defaultTotalBackup(const QString& databaseDirectory) {
    return databaseDirectory.endsWith(QStringLiteral("db")) ? 3 : 7;
}

bool startOfDayDue(const dbDateTime& lastBackupDate) {
    dbDateTime day = lastBackupDate;
    setTimeText(QStringLiteral("00:00"), day);
    return day != todayStamp();
}

dbDateTime todayAtBackupTime(const dbDateTime& lastBackupDate) {
    dbDateTime result = todayStamp();
    setTimeText(timeText(lastBackupDate), result);
    return result;
}

qint64 volumeLimit(qint64 freeBytes) {
    return freeBytes > unsplitVolumeSize ? unsplitVolumeSize : freeBytes - 1024;
}

qint64 volumeLimitFor(const QString& path) {
    QFileInfo info(path);
    QString dir = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    while (!QFileInfo(dir).isDir() && !QDir(dir).isRoot())
        dir = QFileInfo(dir).absolutePath();
    return volumeLimit(freeSpace()(dir));
}

FreeSpaceProbe setFreeSpaceProbe(FreeSpaceProbe probe) {
    FreeSpaceProbe previous = std::move(freeSpace());
    freeSpace() = probe ? std::move(probe) : FreeSpaceProbe(realFreeSpace);
    return previous;
}

LocationFault checkBackupLocations(bool usePath, const QString& path, bool usePath2,
                                   const QString& path2) {
    if (usePath && !QFileInfo(path).isDir())
        return LocationFault::PathMissing;
    if (usePath2 && !QFileInfo(path2).isDir())
        return LocationFault::Path2Missing;
    if (usePath && usePath2 && path == path2)
        return LocationFault::SamePaths;
    return LocationFault::None;
}

bool packDataFile(tavroDatabase& db, TBackupFile& archive, const QString& archivePath) {
    // SQLite copies nothing from a connection that is inside a write transaction.
    db.commit();
    const QFileInfo data(QString::fromStdString(db.dataFile()));
    // Copies left by a backup or restore that was killed: only one program uses the
    // database directory, so none of them is in use.
    QDir folder(data.absolutePath());
    for (const QString& stale :
         folder.entryList({QStringLiteral(".") + data.fileName() + QStringLiteral(".backup.*"),
                           QStringLiteral(".") + data.fileName() + QStringLiteral(".restore.*")},
                          QDir::Files | QDir::Hidden))
        folder.remove(stale);
    QByteArray temp = QFile::encodeName(data.absolutePath() + QStringLiteral("/.") +
                                        data.fileName() + QStringLiteral(".backup.XXXXXX"));
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        std::fprintf(stderr, "backup: %s\n", std::strerror(errno));
        return false;
    }
    ::close(fd);
    struct TempGuard {
        QByteArray path;
        ~TempGuard() { ::unlink(path.constData()); }
    } guard{temp};

    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(temp.constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        std::unique_ptr<sqlite3, decltype(&sqlite3_close)> copy(raw, sqlite3_close);
        if (rc != SQLITE_OK)
            return false;
        // The copy only lives until it is packed: no journal, no waiting for the disk.
        sqlite3_exec(copy.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr,
                     nullptr, nullptr);
        sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", db.handle(), "main");
        if (!backup) {
            std::fprintf(stderr, "backup: %s\n", sqlite3_errmsg(copy.get()));
            return false;
        }
        // One step copies every page under one read lock: a consistent snapshot.
        const int step = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
        if (step != SQLITE_DONE) {
            std::fprintf(stderr, "backup: copy failed (%s)\n", sqlite3_errstr(step));
            return false;
        }
    }
    if (!archive.pack(QFile::decodeName(temp), data.fileName(), archivePath)) {
        std::fprintf(stderr, "backup: %s\n", qPrintable(archive.errorText()));
        return false;
    }
    return true;
}
