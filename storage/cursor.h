#pragma once

#include "storage/buffer.h"
#include "storage/database.h"
#include "storage/descriptor.h"
#include "storage/query.h"
#include "storage/reference.h"

#include <string>
#include <vector>

enum dbCursorType { dbCursorViewOnly, dbCursorForUpdate };

namespace storage_detail {
// SQL of a selection: the object identifiers of the matching rows, in the query's order.
std::string selectSql(const TableDescriptorBase& table, const dbQuery* query);
void bindParams(dbStatement& statement, const dbQuery& query);
} // namespace storage_detail

// A typed cursor over table T. A selection is the list of matching object identifiers;
// the current record is fetched into one held T whose texts live in the cursor's arena
// until the next fetch. Updates and removes during a walk are safe.
template <class T> class tavroCursor {
public:
    explicit tavroCursor(dbCursorType type = dbCursorViewOnly)
        : tavroCursor(tavroDatabase::current(), type) {}
    tavroCursor(tavroDatabase& db, dbCursorType type) : db_(db), type_(type) {}
    tavroCursor(const tavroCursor&) = delete;
    tavroCursor& operator=(const tavroCursor&) = delete;

    // Selects every record; returns how many. The first becomes current.
    int select() { return run(nullptr); }
    int select(const dbQuery& query) { return run(&query); }

    // Steps to the next selected record; false at the end (the cursor then has none).
    bool next() {
        if (!hasCurrent_ || position_ + 1 >= ids_.size()) {
            hasCurrent_ = false;
            return false;
        }
        ++position_;
        fetch();
        return true;
    }

    // Makes the record ref the only selected one. Raises dbException when it does not exist.
    void at(dbReference<T> ref) {
        ids_.assign(1, ref.oid);
        position_ = 0;
        hasCurrent_ = true;
        fetch();
    }

    dbReference<T> currentId() const {
        requireCurrent();
        return dbReference<T>(ids_[position_]);
    }

    T* get() {
        requireCurrent();
        return &record_;
    }
    T* operator->() { return get(); }
    T& operator*() { return *get(); }

    bool isEmpty() const { return ids_.empty(); }
    int getNumberOfRecords() const { return static_cast<int>(ids_.size()); }

    // Writes the held record back.
    void update() {
        requireUpdatable();
        const auto& d = T::descriptor();
        std::string sql = "UPDATE \"" + d.name() + "\" SET ";
        for (std::size_t c = 0; c < d.columns().size(); ++c)
            sql += (c ? ", \"" : "\"") + d.columns()[c].name + "\" = ?";
        sql += std::string(" WHERE ") + objectIdColumn + " = ?";
        db_.beginIfNeeded();
        dbStatement statement(db_, sql);
        d.bindAll(statement.get(), 1, record_);
        sqlite3_bind_int64(statement.get(), static_cast<int>(d.columns().size()) + 1,
                           ids_[position_]);
        statement.step();
    }

    // Removes the current record; the next selected record, if any, becomes current.
    void remove() {
        requireUpdatable();
        db_.beginIfNeeded();
        {
            dbStatement statement(db_, "DELETE FROM \"" + T::descriptor().name() + "\" WHERE " +
                                           objectIdColumn + " = ?");
            sqlite3_bind_int64(statement.get(), 1, ids_[position_]);
            statement.step();
        }
        ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(position_));
        hasCurrent_ = position_ < ids_.size();
        if (hasCurrent_)
            fetch();
    }

private:
    int run(const dbQuery* query) {
        ids_.clear();
        position_ = 0;
        hasCurrent_ = false;
        db_.beginIfNeeded();
        {
            dbStatement statement(db_, storage_detail::selectSql(T::descriptor(), query));
            if (query)
                storage_detail::bindParams(statement, *query);
            while (statement.step())
                ids_.push_back(sqlite3_column_int64(statement.get(), 0));
        }
        if (!ids_.empty()) {
            hasCurrent_ = true;
            fetch();
        }
        return static_cast<int>(ids_.size());
    }

    void fetch() {
        const auto& d = T::descriptor();
        db_.beginIfNeeded();
        dbStatement statement(db_, "SELECT " + d.columnList() + " FROM \"" + d.name() +
                                       "\" WHERE " + objectIdColumn + " = ?");
        sqlite3_bind_int64(statement.get(), 1, ids_[position_]);
        if (!statement.step()) {
            hasCurrent_ = false;
            throw dbException(dbException::NoCurrentRecord, std::string());
        }
        arena_.reset();
        record_ = T();
        d.readAll(statement.get(), 0, record_, arena_);
    }

    void requireCurrent() const {
        if (!hasCurrent_)
            throw dbException(dbException::NoCurrentRecord, std::string());
    }
    void requireUpdatable() const {
        requireCurrent();
        if (type_ != dbCursorForUpdate)
            throw dbException(dbException::ReadOnlyCursor, "cursor is view-only");
    }

    tavroDatabase& db_;
    dbCursorType type_;
    std::vector<oid_t> ids_;
    std::size_t position_ = 0;
    bool hasCurrent_ = false;
    T record_;
    tavroBuffer arena_;
};

// The engine's own name for the typed cursor: one implementation.
template <class T> using dbCursor = tavroCursor<T>;

// Inserts record into table T and returns its reference.
template <class T>
dbReference<T> insert(const T& record, tavroDatabase& db = tavroDatabase::current()) {
    const auto& d = T::descriptor();
    std::string sql = "INSERT INTO \"" + d.name() + "\" (" + d.columnList() + ") VALUES (";
    for (std::size_t c = 0; c < d.columns().size(); ++c)
        sql += c ? ", ?" : "?";
    sql += ")";
    db.beginIfNeeded();
    dbStatement statement(db, sql);
    d.bindAll(statement.get(), 1, record);
    statement.step();
    return dbReference<T>(sqlite3_last_insert_rowid(db.handle()));
}
