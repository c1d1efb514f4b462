#include "storage/database.h"

#include "storage/query.h"
#include "storage/records.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

tavroDatabase* currentDatabase = nullptr;

FileSystemProbe& fileSystemProbe() {
    static FileSystemProbe probe = probeFileSystem;
    return probe;
}

constexpr int maxInstanceSlots = 64;

// File system type of the mount holding path, from the kernel's mount table (FUSE mounts
// only say "fuse" to statfs).
std::string mountType(const std::string& path) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line, best, bestType;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, dev, root, mountPoint;
        fields >> id >> parent >> dev >> root >> mountPoint;
        std::string word;
        while (fields >> word && word != "-") {
        }
        std::string type;
        fields >> type;
        const bool under =
            path == mountPoint || (path.rfind(mountPoint, 0) == 0 &&
                                   (mountPoint == "/" || path[mountPoint.size()] == '/'));
        if (under && mountPoint.size() >= best.size()) {
            best = mountPoint;
            bestType = type;
        }
    }
    return bestType;
}

int strokeCompare(void* collator, int len1, const void* a, int len2, const void* b) {
    const QString left = QString::fromUtf8(static_cast<const char*>(a), len1);
    const QString right = QString::fromUtf8(static_cast<const char*>(b), len2);
    int result = static_cast<QCollator*>(collator)->compare(left, right);
    if (result == 0) {
        // Distinct texts never compare equal, so the order is total.
        const int n = std::memcmp(a, b, static_cast<std::size_t>(std::min(len1, len2)));
        result = n != 0 ? n : len1 - len2;
    }
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

void deleteCollator(void* collator) {
    delete static_cast<QCollator*>(collator);
}

const char* sqlType(FieldType type) {
    switch (type) {
    case FieldType::String:
    case FieldType::RefArray:
        return "TEXT";
    case FieldType::Real4:
    case FieldType::Real8:
    case FieldType::TDateTime:
        return "REAL";
    default:
        return "INTEGER";
    }
}

enum class StoredKind { Text, Number, Untyped };

StoredKind storedKind(const std::string& declared) {
    std::string upper;
    for (char c : declared)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.empty() || upper.find("BLOB") != std::string::npos)
        return StoredKind::Untyped;
    if (upper.find("TEXT") != std::string::npos || upper.find("CHAR") != std::string::npos ||
        upper.find("CLOB") != std::string::npos)
        return StoredKind::Text;
    return StoredKind::Number;
}

std::string defaultValue(FieldType type, bool created) {
    switch (type) {
    case FieldType::String:
        return "''";
    case FieldType::RefArray:
        return "'[]'";
    case FieldType::DateTime:
    case FieldType::TDateTime:
        // A new table starts its dates at "no date"; a column added to an older file reads
        // as zero, as the engine always did.
        return created ? "-1" : "0";
    default:
        return "0";
    }
}

std::string quote(const std::string& name) {
    return '"' + name + '"';
}

} // namespace

FileSystemKind probeFileSystem(const std::string& directory) {
    struct statvfs vfs {};
    if (statvfs(directory.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY))
        return FileSystemKind::ReadOnly;
    if (access(directory.c_str(), W_OK) != 0)
        return FileSystemKind::ReadOnly;
    struct statfs fs {};
    if (statfs(directory.c_str(), &fs) != 0)
        return FileSystemKind::Local;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x564C:     // NCP
    case 0x5346414F: // AFS
    case 0x73757245: // CODA
    case 0x01021997: // 9P
    case 0x00C36400: // Ceph
        return FileSystemKind::Network;
    case 0x9660:     // ISO 9660 (CD)
    case 0x15013346: // UDF (DVD)
        return FileSystemKind::ReadOnly;
    case 0x65735546: { // FUSE: sshfs and friends are network mounts
        const std::string type = mountType(directory);
        for (const char* network : {"sshfs", "rclone", "s3fs", "davfs", "gvfs", "smb", "nfs",
                                    "curlftpfs", "ftp", "webdav"})
            if (type.find(network) != std::string::npos)
                return FileSystemKind::Network;
        return FileSystemKind::Local;
    }
    default:
        return FileSystemKind::Local;
    }
}

FileSystemProbe tavroDatabase::setFileSystemProbe(FileSystemProbe probe) {
    FileSystemProbe previous = std::move(fileSystemProbe());
    fileSystemProbe() = probe ? std::move(probe) : FileSystemProbe(probeFileSystem);
    return previous;
}

tavroDatabase::tavroDatabase() : previous_(currentDatabase) {
    currentDatabase = this;
}

tavroDatabase::~tavroDatabase() {
    try {
        close();
    } catch (...) {
    }
    if (currentDatabase == this)
        currentDatabase = previous_;
}

tavroDatabase& tavroDatabase::current() {
    if (!currentDatabase)
        throw dbException(dbException::DatabaseError, "no database");
    return *currentDatabase;
}

void tavroDatabase::fail(const std::string& what) const {
    std::string message = what;
    if (db_) {
        message += ": ";
        message += sqlite3_errmsg(db_);
    }
    throw dbException(dbException::DatabaseError, message);
}

void tavroDatabase::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "error";
        sqlite3_free(error);
        throw dbException(dbException::DatabaseError, message + " (" + sql + ")");
    }
}

bool tavroDatabase::open(const char* name, const char* fileName, int lockWaitMs) {
    if (db_)
        return true;
    if (directory_.empty()) {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) {
            std::fprintf(stderr, "database: no current directory\n");
            return false;
        }
        if (fileSystemProbe()(cwd) != FileSystemKind::Local) {
            std::fprintf(stderr, "database: %s is not on a local writable disk\n", cwd);
            return false;
        }
        directory_ = cwd;
    }
    name_ = name;
    const std::string file = fileName ? std::string(fileName) : name_ + ".tvr";
    dataFile_ = file.starts_with('/') ? file : directory_ + "/" + file;
    lockFile_ = directory_ + "/" + name_ + ".lock";

    if (!acquireInstanceSlot()) {
        std::fprintf(stderr, "database: cannot lock %s\n", lockFile_.c_str());
        return false;
    }
    if (sqlite3_open_v2(dataFile_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "database: %s\n", db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        releaseInstanceSlot();
        return false;
    }
    try {
        if (lockWaitMs < 0) {
            sqlite3_busy_handler(
                db_,
                [](void*, int) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    return 1;
                },
                nullptr);
        } else {
            sqlite3_busy_timeout(db_, lockWaitMs);
        }
        // One file holds all data after every commit: people copy it by hand.
        exec("PRAGMA journal_mode=DELETE");
        exec("PRAGMA synchronous=FULL");
        exec("PRAGMA case_sensitive_like=ON");
        exec("PRAGMA foreign_keys=OFF");
        // Keep the whole data file in memory once read (up to 256 MB): the search-as-you-type
        // lists walk thousands of records by identifier at every key release.
        exec("PRAGMA cache_size=-262144");
        auto collator = std::make_unique<QCollator>(
            QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::HongKong));
        if (sqlite3_create_collation_v2(db_, "stroke", SQLITE_UTF8, collator.get(), strokeCompare,
                                        deleteCollator) != SQLITE_OK)
            fail("collation");
        collator.release(); // the connection frees it with deleteCollator
        reconcileTables();
        commit();
    } catch (const dbException& e) {
        std::fprintf(stderr, "database: %s\n", e.what());
        finalizeStatements();
        sqlite3_close(db_);
        db_ = nullptr;
        releaseInstanceSlot();
        return false;
    }
    return true;
}

void tavroDatabase::reconcileTables() {
    beginIfNeeded();
    for (const TableDescriptorBase* table : allTables()) {
        struct Stored {
            std::string name, type;
        };
        std::vector<Stored> stored;
        {
            dbStatement info(*this, "PRAGMA table_info(" + quote(table->name()) + ")");
            while (info.step())
                stored.push_back(
                    {reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1)),
                     reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2))});
        }
        if (stored.empty()) {
            std::string sql = "CREATE TABLE " + quote(table->name()) + " (" + objectIdColumn +
                              " INTEGER PRIMARY KEY AUTOINCREMENT";
            for (const ColumnInfo& c : table->columns())
                sql += ", " + quote(c.name) + ' ' + sqlType(c.type) + " NOT NULL DEFAULT " +
                       defaultValue(c.type, true);
            sql += ")";
            exec(sql.c_str());
        } else {
            bool hasRows = false;
            {
                dbStatement any(*this, "SELECT 1 FROM " + quote(table->name()) + " LIMIT 1");
                hasRows = any.step();
            }
            for (const Stored& s : stored) {
                if (s.name == objectIdColumn)
                    continue;
                const ColumnInfo* declared = table->column(s.name);
                if (declared) {
                    // bool, integer and real convert into one another; text does not.
                    const bool declaredText = declared->type == FieldType::String ||
                                              declared->type == FieldType::RefArray;
                    const StoredKind kind = storedKind(s.type);
                    if (kind != StoredKind::Untyped && declaredText != (kind == StoredKind::Text))
                        throw dbException(dbException::SchemaError,
                                          "column " + table->name() + "." + s.name +
                                              " changed its type from " + s.type);
                    continue;
                }
                if (hasRows && !permitColumnDeletion_)
                    throw dbException(dbException::SchemaError, "stored column " + table->name() +
                                                                    "." + s.name +
                                                                    " is no longer declared");
                // An index on the column would stop it from being dropped.
                std::vector<std::string> indexes;
                {
                    dbStatement list(*this, "SELECT il.name FROM pragma_index_list(" +
                                                quote(table->name()) +
                                                ") AS il, pragma_index_info(il.name) AS ii "
                                                "WHERE ii.name = ?");
                    list.bind(1, dbValue(s.name));
                    while (list.step())
                        indexes.emplace_back(
                            reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0)));
                }
                for (const std::string& index : indexes)
                    exec(("DROP INDEX IF EXISTS " + quote(index)).c_str());
                exec(("ALTER TABLE " + quote(table->name()) + " DROP COLUMN " + quote(s.name))
                         .c_str());
            }
            for (const ColumnInfo& c : table->columns()) {
                bool present = false;
                for (const Stored& s : stored)
                    present = present || s.name == c.name;
                if (!present)
                    exec(("ALTER TABLE " + quote(table->name()) + " ADD COLUMN " + quote(c.name) +
                          ' ' + sqlType(c.type) + " NOT NULL DEFAULT " +
                          defaultValue(c.type, false))
                             .c_str());
            }
        }
        for (const ColumnInfo& c : table->columns())
            if (c.index != NoIndex)
                exec(("CREATE INDEX IF NOT EXISTS " + quote(table->name() + "_" + c.name) + " ON " +
                      quote(table->name()) + " (" + quote(c.name) + ")")
                         .c_str());
    }
}

void tavroDatabase::finalizeStatements() {
    for (auto& entry : statements_)
        sqlite3_finalize(entry.second);
    statements_.clear();
}

void tavroDatabase::close() {
    if (!db_)
        return;
    commit();
    finalizeStatements();
    sqlite3_close(db_);
    db_ = nullptr;
    releaseInstanceSlot();
}

void tavroDatabase::beginIfNeeded() {
    if (!db_)
        throw dbException(dbException::DatabaseError, "database is not open");
    if (sqlite3_get_autocommit(db_))
        exec("BEGIN");
}

void tavroDatabase::commit() {
    if (db_ && !sqlite3_get_autocommit(db_))
        exec("COMMIT");
}

void tavroDatabase::rollback() {
    if (db_ && !sqlite3_get_autocommit(db_))
        exec("ROLLBACK");
}

void tavroDatabase::lock() {
    if (!db_)
        throw dbException(dbException::DatabaseError, "database is not open");
    if (sqlite3_get_autocommit(db_)) {
        exec("BEGIN EXCLUSIVE");
    } else {
        // Inside an open transaction: take the write lock now by writing nothing.
        exec("UPDATE \"AboutConfig\" SET \"version\" = \"version\" WHERE 0");
    }
}

sqlite3_stmt* tavroDatabase::statement(const std::string& sql) {
    if (!db_)
        throw dbException(dbException::DatabaseError, "database is not open");
    auto found = statements_.find(sql);
    if (found != statements_.end())
        return found->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                           SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        throw dbException(dbException::QueryError,
                          std::string(sqlite3_errmsg(db_)) + " in query: " + sql);
    }
    statements_.emplace(sql, stmt);
    return stmt;
}

bool tavroDatabase::acquireInstanceSlot() {
    lockFd_ = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0)
        return false;
    // Each running program holds one byte of the lock file; counting held bytes counts
    // the programs. The kernel drops the lock when a program dies.
    for (int slot = 0; slot < maxInstanceSlots; ++slot) {
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = slot;
        fl.l_len = 1;
        if (fcntl(lockFd_, F_OFD_SETLK, &fl) == 0) {
            lockSlot_ = slot;
            return true;
        }
    }
    ::close(lockFd_);
    lockFd_ = -1;
    return false;
}

void tavroDatabase::releaseInstanceSlot() {
    if (lockFd_ >= 0)
        ::close(lockFd_);
    lockFd_ = -1;
    lockSlot_ = -1;
}

int tavroDatabase::userCount() const {
    if (lockFd_ < 0)
        return 0;
    int count = 1;
    for (int slot = 0; slot < maxInstanceSlots; ++slot) {
        if (slot == lockSlot_)
            continue;
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = slot;
        fl.l_len = 1;
        if (fcntl(lockFd_, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK)
            ++count;
    }
    return count;
}

void tavroDatabase::touchFile() {
    if (!dataFile_.empty())
        utimensat(AT_FDCWD, dataFile_.c_str(), nullptr, 0);
}

dbStatement::dbStatement(tavroDatabase& db, const std::string& sql)
    : db_(db), stmt_(db.statement(sql)) {}

dbStatement::~dbStatement() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void dbStatement::bind(int index, const dbValue& value) {
    std::visit(
        [&](const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, std::monostate>)
                sqlite3_bind_null(stmt_, index);
            else if constexpr (std::is_same_v<V, std::int64_t>)
                sqlite3_bind_int64(stmt_, index, v);
            else if constexpr (std::is_same_v<V, double>)
                sqlite3_bind_double(stmt_, index, v);
            else
                sqlite3_bind_text(stmt_, index, v.c_str(), static_cast<int>(v.size()),
                                  SQLITE_TRANSIENT);
        },
        value.value);
}

bool dbStatement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    db_.fail("query failed");
}
