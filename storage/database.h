#pragma once

#include "storage/exception.h"

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

class dbQuery;
struct dbValue;

// What the folder holding the data file sits on. Only a local, writable disk is safe for
// the data file: a network share or read-only media makes open fail.
enum class FileSystemKind { Local, Network, ReadOnly };
using FileSystemProbe = std::function<FileSystemKind(const std::string& directory)>;
FileSystemKind probeFileSystem(const std::string& directory);

// The one database of the program, on SQLite. A transaction is always open: commit() and
// rollback() end it and the next access begins a new one. The data file is "<name>.tvr" in
// the database directory, the current directory at the first open.
class tavroDatabase {
public:
    tavroDatabase();
    ~tavroDatabase();
    tavroDatabase(const tavroDatabase&) = delete;
    tavroDatabase& operator=(const tavroDatabase&) = delete;

    // The database the windows use: the most recently constructed one still alive.
    static tavroDatabase& current();

    // lockWaitMs: how long to wait for a lock held by another program; -1 waits without limit.
    bool open(const char* name = "Dosarix", const char* fileName = nullptr, int lockWaitMs = -1);
    bool isOpen() const { return db_ != nullptr; }
    void close();

    void commit();
    void rollback();
    // Keeps every other writer out until the next commit or rollback.
    void lock();

    // Program instances that have this database open, this one included.
    int userCount() const;
    // Sets the data file's last-write time to now.
    void touchFile();
    // Lets open drop stored columns no longer declared even when a table holds rows.
    void setPermitColumnDeletion(bool permit) { permitColumnDeletion_ = permit; }

    const std::string& directory() const { return directory_; }
    const std::string& name() const { return name_; }
    const std::string& dataFile() const { return dataFile_; }

    // Replaces the file-system check of open (tests simulate a network share with it).
    static FileSystemProbe setFileSystemProbe(FileSystemProbe probe);

    // For cursors and queries of the storage layer.
    sqlite3* handle() const { return db_; }
    sqlite3_stmt* statement(const std::string& sql);
    void beginIfNeeded();
    [[noreturn]] void fail(const std::string& what) const;

private:
    void reconcileTables();
    bool acquireInstanceSlot();
    void releaseInstanceSlot();
    void exec(const char* sql);
    void finalizeStatements();

    sqlite3* db_ = nullptr;
    std::string directory_;
    std::string name_;
    std::string dataFile_;
    std::string lockFile_;
    int lockFd_ = -1;
    int lockSlot_ = -1;
    bool permitColumnDeletion_ = false;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    tavroDatabase* previous_ = nullptr;
};

// Runs a cached statement once per use and leaves it reset for the next.
class dbStatement {
public:
    dbStatement(tavroDatabase& db, const std::string& sql);
    ~dbStatement();
    dbStatement(const dbStatement&) = delete;
    dbStatement& operator=(const dbStatement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    void bind(int index, const dbValue& value);
    // true while a row is available.
    bool step();

private:
    tavroDatabase& db_;
    sqlite3_stmt* stmt_;
};
