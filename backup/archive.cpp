#include "backup/archive.h"

#include "storage/records.h"

#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t chunkSize = 1 << 20;

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

QString systemError(const QString& what) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

// A file descriptor closed when it goes out of scope.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Makes a rename into the directory survive a power cut.
void syncDirectoryOf(const QString& path) {
    const int fd =
        ::open(nativePath(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

struct ArchiveWriteDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct ArchiveReadDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

} // namespace

// Cuts libarchive's output into volumes of at most MaxSize bytes. Each volume goes to a
// temporary file beside its final name and is renamed into place once it is complete.
struct VolumeWriter {
    VolumeWriter(TBackupFile& o, const QString& path)
        : owner(o), archivePath(path), base(volumeBaseName(path)) {}

    TBackupFile& owner;
    QString archivePath;
    QString base;
    int volume = 0;
    Fd fd;
    qint64 written = 0;
    QString finalName;
    QByteArray tempName;
    bool failed = false;

    bool openVolume(int number) {
        if (owner.MaxSize <= 0) {
            owner.error_ = QStringLiteral("no room for volume %1").arg(number);
            return false;
        }
        volume = number;
        finalName = number == 1 ? archivePath : volumeFileName(base, number);
        tempName = nativePath(finalName) + ".XXXXXX";
        const int f = ::mkstemp(tempName.data());
        if (f < 0) {
            owner.error_ = systemError(finalName);
            tempName.clear();
            return false;
        }
        ::fchmod(f, 0644);
        fd.reset(f);
        written = 0;
        return true;
    }

    bool finishVolume() {
        if (fd.get() < 0)
            return true;
        const bool ok = ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0 &&
                        ::rename(tempName.constData(), nativePath(finalName).constData()) == 0;
        if (!ok) {
            owner.error_ = systemError(finalName);
            discard();
            return false;
        }
        tempName.clear();
        syncDirectoryOf(finalName);
        return true;
    }

    // Drops the volume being written; its final name keeps whatever it held before.
    void discard() {
        fd.reset();
        if (!tempName.isEmpty())
            ::unlink(tempName.constData());
        tempName.clear();
    }

    la_ssize_t write(const char* data, std::size_t size) {
        // Once refused or failed, nothing more is written (libarchive flushes when freed).
        if (failed)
            return -1;
        std::size_t left = size;
        while (left > 0) {
            if (written >= owner.MaxSize) {
                if (!finishVolume())
                    return fail();
                const int next = volume + 1;
                if (!owner.onNeedDisk || !owner.onNeedDisk(next)) {
                    owner.error_ = QStringLiteral("volume %1 refused").arg(next);
                    return fail();
                }
                if (!openVolume(next))
                    return fail();
            }
            const std::size_t room = static_cast<std::size_t>(owner.MaxSize - written);
            const std::size_t n = std::min(left, room);
            if (!writeAll(fd.get(), data, n)) {
                owner.error_ = systemError(finalName);
                return fail();
            }
            data += n;
            left -= n;
            written += static_cast<qint64>(n);
        }
        return static_cast<la_ssize_t>(size);
    }

    la_ssize_t fail() {
        failed = true;
        discard();
        return -1;
    }

    static la_ssize_t writeCallback(archive*, void* client, const void* buffer, std::size_t size) {
        return static_cast<VolumeWriter*>(client)->write(static_cast<const char*>(buffer), size);
    }
};

// Feeds libarchive the archive and then its further volumes, one after the other.
struct VolumeReader {
    VolumeReader(TBackupFile& o, const QString& path)
        : owner(o), archivePath(path), base(volumeBaseName(path)) {}

    TBackupFile& owner;
    QString archivePath;
    QString base;
    int volume = 0;
    Fd fd;
    std::vector<char> buffer = std::vector<char>(chunkSize);
    qint64 consumed = 0;
    qint64 total = 0;

    bool openVolume(int number) {
        const QString name = number == 1 ? archivePath : volumeFileName(base, number);
        const int f = ::open(nativePath(name).constData(), O_RDONLY | O_CLOEXEC);
        if (f < 0)
            return false;
        fd.reset(f);
        volume = number;
        return true;
    }

    la_ssize_t read(const void** out) {
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                owner.error_ = systemError(archivePath);
                return -1;
            }
            if (n > 0) {
                consumed += n;
                owner.progress(consumed, total);
                *out = buffer.data();
                return n;
            }
            // This volume is used up: the archive goes on in the next one, if there is one.
            if (!openVolume(volume + 1))
                return 0;
        }
    }

    static la_ssize_t readCallback(archive*, void* client, const void** out) {
        return static_cast<VolumeReader*>(client)->read(out);
    }
};

void TBackupFile::progress(qint64 done, qint64 total) {
    const int percent =
        total > 0 ? static_cast<int>(std::min<qint64>(100, done * 100 / total)) : 100;
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        if (onProgress)
            onProgress(percent);
    }
}

bool TBackupFile::pack(const QString& sourceFile, const QString& entryName,
                       const QString& archivePath) {
    error_.clear();
    lastPercent_ = -1;
    Fd source(::open(nativePath(sourceFile).constData(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (source.get() < 0 || ::fstat(source.get(), &st) != 0) {
        error_ = systemError(sourceFile);
        return false;
    }

    VolumeWriter writer(*this, archivePath);
    if (!writer.openVolume(1))
        return false;

    std::unique_ptr<archive, ArchiveWriteDeleter> a(archive_write_new());
    archive_write_set_format_zip(a.get());
    archive_write_set_options(a.get(), "zip:compression=deflate,zip:compression-level=1");
    archive_write_set_bytes_per_block(a.get(), 64 * 1024);
    archive_write_set_bytes_in_last_block(a.get(), 1);
    if (archive_write_open2(a.get(), &writer, nullptr, VolumeWriter::writeCallback, nullptr,
                            nullptr) != ARCHIVE_OK) {
        error_ = QString::fromUtf8(archive_error_string(a.get()));
        writer.discard();
        return false;
    }

    std::unique_ptr<archive_entry, EntryDeleter> entry(archive_entry_new());
    archive_entry_set_pathname_utf8(entry.get(), entryName.toUtf8().constData());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), st.st_size);
    archive_entry_set_mtime(entry.get(), st.st_mtim.tv_sec, st.st_mtim.tv_nsec);

    bool ok = archive_write_header(a.get(), entry.get()) == ARCHIVE_OK;
    std::vector<char> buffer(chunkSize);
    qint64 done = 0;
    progress(0, st.st_size);
    while (ok) {
        const ssize_t n = ::read(source.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error_ = systemError(sourceFile);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (archive_write_data(a.get(), buffer.data(), static_cast<std::size_t>(n)) != n) {
            ok = false;
            break;
        }
        done += n;
        progress(done, st.st_size);
    }
    // The file must not have changed size under us: the entry's size is in its header.
    if (ok && done != st.st_size) {
        error_ = sourceFile + QStringLiteral(" changed while it was packed");
        ok = false;
    }
    ok = ok && archive_write_finish_entry(a.get()) == ARCHIVE_OK;
    ok = ok && archive_write_close(a.get()) == ARCHIVE_OK && !writer.failed;
    if (ok)
        ok = writer.finishVolume();
    if (!ok) {
        if (error_.isEmpty())
            error_ = QString::fromUtf8(archive_error_string(a.get()));
        writer.failed = true;
        archive_write_fail(a.get());
        writer.discard();
        return false;
    }
    progress(100, 100);
    return true;
}

bool TBackupFile::extract(const QString& archivePath, const QString& entryName,
                          const QString& destFile) {
    error_.clear();
    lastPercent_ = -1;
    VolumeReader reader(*this, archivePath);
    if (!reader.openVolume(1)) {
        error_ = systemError(archivePath);
        return false;
    }
    // The size of every volume that follows, for the progress.
    for (int v = 1;; ++v) {
        QFileInfo info(v == 1 ? archivePath : volumeFileName(reader.base, v));
        if (!info.isFile())
            break;
        reader.total += info.size();
    }

    std::unique_ptr<archive, ArchiveReadDeleter> a(archive_read_new());
    archive_read_support_format_zip(a.get());
    if (archive_read_open(a.get(), &reader, nullptr, VolumeReader::readCallback, nullptr) !=
        ARCHIVE_OK) {
        error_ = QString::fromUtf8(archive_error_string(a.get()));
        return false;
    }
    archive_entry* entry = nullptr;
    for (;;) {
        const int r = archive_read_next_header(a.get(), &entry);
        if (r == ARCHIVE_EOF) {
            error_ = archivePath + QStringLiteral(" holds no ") + entryName;
            return false;
        }
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            error_ = QString::fromUtf8(archive_error_string(a.get()));
            return false;
        }
        // Stored folders are ignored: only the bare file name counts.
        const char* name = archive_entry_pathname_utf8(entry);
        if (!name)
            name = archive_entry_pathname(entry);
        const QString path = QString::fromUtf8(name ? name : "");
        if (archive_entry_filetype(entry) == AE_IFREG &&
            path.section(QLatin1Char('/'), -1) == entryName)
            break;
        archive_read_data_skip(a.get());
    }

    Fd out(
        ::open(nativePath(destFile).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.get() < 0) {
        error_ = systemError(destFile);
        return false;
    }
    std::vector<char> buffer(chunkSize);
    for (;;) {
        const la_ssize_t n = archive_read_data(a.get(), buffer.data(), buffer.size());
        if (n < 0) {
            error_ = QString::fromUtf8(archive_error_string(a.get()));
            return false;
        }
        if (n == 0)
            break;
        if (!writeAll(out.get(), buffer.data(), static_cast<std::size_t>(n))) {
            error_ = systemError(destFile);
            return false;
        }
    }
    if (::fsync(out.get()) != 0 || ::close(out.release()) != 0) {
        error_ = systemError(destFile);
        return false;
    }
    progress(100, 100);
    return true;
}

QString volumeBaseName(const QString& archivePath) {
    // Only the file name is searched: a "." in a folder name must not move the volumes.
    const qsizetype slash = archivePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = archivePath.indexOf(QLatin1Char('.'), slash + 1);
    return dot < 0 ? archivePath + QLatin1Char('.') : archivePath.left(dot + 1);
}

QString volumeFileName(const QString& base, int volume) {
    return base + QString::asprintf("%03d", volume);
}

bool isSoundDataFile(const QString& file, QString* why) {
    auto explain = [why](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(nativePath(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
    if (rc != SQLITE_OK)
        return explain(QString::fromUtf8(raw ? sqlite3_errmsg(raw) : "cannot open"));

    sqlite3_stmt* rawStmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &rawStmt, nullptr) != SQLITE_OK)
        return explain(QString::fromUtf8(sqlite3_errmsg(db.get())));
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> check(rawStmt, sqlite3_finalize);
    if (sqlite3_step(check.get()) != SQLITE_ROW)
        return explain(QString::fromUtf8(sqlite3_errmsg(db.get())));
    const auto* result = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
    if (!result || std::strcmp(result, "ok") != 0)
        return explain(QString::fromUtf8(result ? result : "integrity check failed"));
    check.reset();

    if (sqlite3_prepare_v2(db.get(),
                           "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?", -1,
                           &rawStmt, nullptr) != SQLITE_OK)
        return explain(QString::fromUtf8(sqlite3_errmsg(db.get())));
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> table(rawStmt, sqlite3_finalize);
    for (const TableDescriptorBase* declared : allTables()) {
        sqlite3_reset(table.get());
        sqlite3_bind_text(table.get(), 1, declared->name().c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(table.get()) != SQLITE_ROW)
            return explain(QStringLiteral("no table ") + QString::fromStdString(declared->name()));
    }
    return true;
}

bool restoreDataFile(TBackupFile& archive, const QString& archivePath, const QString& dataFile) {
    const QFileInfo target(dataFile);
    QByteArray temp = nativePath(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                                 QStringLiteral(".restore.XXXXXX"));
    const int f = ::mkstemp(temp.data());
    if (f < 0) {
        std::fprintf(stderr, "restore: %s\n", std::strerror(errno));
        return false;
    }
    ::close(f);
    struct TempGuard {
        QByteArray path;
        ~TempGuard() {
            if (!path.isEmpty())
                ::unlink(path.constData());
        }
    } guard{temp};

    const QString tempName = QFile::decodeName(temp);
    if (!archive.extract(archivePath, target.fileName(), tempName)) {
        std::fprintf(stderr, "restore: %s\n", qPrintable(archive.errorText()));
        return false;
    }
    QString why;
    if (!isSoundDataFile(tempName, &why)) {
        std::fprintf(stderr, "restore: %s is not a sound data file: %s\n", qPrintable(archivePath),
                     qPrintable(why));
        return false;
    }
    // A journal left beside the old file would be played back into the restored one.
    ::unlink((nativePath(dataFile) + "-journal").constData());
    if (::rename(temp.constData(), nativePath(dataFile).constData()) != 0) {
        std::fprintf(stderr, "restore: %s\n", std::strerror(errno));
        return false;
    }
    guard.path.clear();
    syncDirectoryOf(dataFile);
    return true;
}
