#pragma once

#include "storage/buffer.h"
#include "storage/datetime.h"
#include "storage/reference.h"

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class FieldType {
    String,
    Int1,
    Int2,
    Int4,
    Bool,
    Real4,
    Real8,
    DateTime,
    TDateTime,
    Reference,
    RefArray
};

// Index kinds of a field; tree and hash both become one SQLite index.
enum IndexKind { NoIndex = 0, TreeIndex = 1, HashIndex = 2, TreeHashIndex = 3 };

struct ColumnInfo {
    std::string name;
    FieldType type;
    int index = NoIndex;
    // Person names sort by stroke count, as readers in Hong Kong expect.
    bool strokeOrder = false;
};

// What the database needs to create and reconcile a table, without knowing its record type.
class TableDescriptorBase {
public:
    explicit TableDescriptorBase(std::string name) : name_(std::move(name)) {}
    virtual ~TableDescriptorBase() = default;

    const std::string& name() const { return name_; }
    const std::vector<ColumnInfo>& columns() const { return columns_; }
    const ColumnInfo* column(std::string_view name) const;

    // "a, b, c" in declaration order.
    std::string columnList() const;

protected:
    std::string name_;
    std::vector<ColumnInfo> columns_;
};

// Name of the integer primary key every table has; never reused after a remove.
inline constexpr const char* objectIdColumn = "_id";

namespace storage_detail {

inline void bindText(sqlite3_stmt* s, int i, const char* v) {
    sqlite3_bind_text(s, i, v ? v : "", -1, SQLITE_TRANSIENT);
}

template <class U> std::string arrayText(const dbArray<U>& a) {
    std::string text = "[";
    for (std::size_t i = 0; i < a.length(); ++i) {
        if (i)
            text += ',';
        text += std::to_string(a.items()[i].oid);
    }
    text += ']';
    return text;
}

std::vector<oid_t> parseArrayText(const char* text);

template <class M> struct Field;

#define DOSARIX_INT_FIELD(CType, Kind)                                                             \
    template <> struct Field<CType> {                                                              \
        static constexpr FieldType type = FieldType::Kind;                                         \
        static void bind(sqlite3_stmt* s, int i, const CType& v) { sqlite3_bind_int64(s, i, v); }  \
        static void read(sqlite3_stmt* s, int i, CType& v, tavroBuffer&) {                         \
            v = static_cast<CType>(sqlite3_column_int64(s, i));                                    \
        }                                                                                          \
    };
DOSARIX_INT_FIELD(std::int8_t, Int1)
DOSARIX_INT_FIELD(std::int16_t, Int2)
DOSARIX_INT_FIELD(std::int32_t, Int4)
#undef DOSARIX_INT_FIELD

template <> struct Field<bool> {
    static constexpr FieldType type = FieldType::Bool;
    static void bind(sqlite3_stmt* s, int i, const bool& v) { sqlite3_bind_int(s, i, v ? 1 : 0); }
    static void read(sqlite3_stmt* s, int i, bool& v, tavroBuffer&) {
        // A column that was real in an older file still reads as a flag.
        v = sqlite3_column_double(s, i) != 0.0;
    }
};
template <> struct Field<float> {
    static constexpr FieldType type = FieldType::Real4;
    static void bind(sqlite3_stmt* s, int i, const float& v) { sqlite3_bind_double(s, i, v); }
    static void read(sqlite3_stmt* s, int i, float& v, tavroBuffer&) {
        v = static_cast<float>(sqlite3_column_double(s, i));
    }
};
template <> struct Field<double> {
    static constexpr FieldType type = FieldType::Real8;
    static void bind(sqlite3_stmt* s, int i, const double& v) { sqlite3_bind_double(s, i, v); }
    static void read(sqlite3_stmt* s, int i, double& v, tavroBuffer&) {
        v = sqlite3_column_double(s, i);
    }
};
template <> struct Field<const char*> {
    static constexpr FieldType type = FieldType::String;
    static void bind(sqlite3_stmt* s, int i, const char* const& v) { bindText(s, i, v); }
    static void read(sqlite3_stmt* s, int i, const char*& v, tavroBuffer& arena) {
        v = arena.store(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
    }
};
template <> struct Field<dbDateTime> {
    static constexpr FieldType type = FieldType::DateTime;
    static void bind(sqlite3_stmt* s, int i, const dbDateTime& v) {
        sqlite3_bind_int64(s, i, v.stamp);
    }
    static void read(sqlite3_stmt* s, int i, dbDateTime& v, tavroBuffer&) {
        v.stamp = sqlite3_column_int64(s, i);
    }
};
template <> struct Field<tavroTDateTime> {
    static constexpr FieldType type = FieldType::TDateTime;
    static void bind(sqlite3_stmt* s, int i, const tavroTDateTime& v) {
        sqlite3_bind_double(s, i, v.stamp);
    }
    static void read(sqlite3_stmt* s, int i, tavroTDateTime& v, tavroBuffer&) {
        v.stamp = sqlite3_column_double(s, i);
    }
};
template <class U> struct Field<dbReference<U>> {
    static constexpr FieldType type = FieldType::Reference;
    static void bind(sqlite3_stmt* s, int i, const dbReference<U>& v) {
        sqlite3_bind_int64(s, i, v.oid);
    }
    static void read(sqlite3_stmt* s, int i, dbReference<U>& v, tavroBuffer&) {
        v.oid = sqlite3_column_int64(s, i);
    }
};
template <class U> struct Field<dbArray<U>> {
    static constexpr FieldType type = FieldType::RefArray;
    static void bind(sqlite3_stmt* s, int i, const dbArray<U>& v) {
        const std::string text = arrayText(v);
        sqlite3_bind_text(s, i, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    static void read(sqlite3_stmt* s, int i, dbArray<U>& v, tavroBuffer&) {
        v.clear();
        for (oid_t id : parseArrayText(reinterpret_cast<const char*>(sqlite3_column_text(s, i))))
            v.append(dbReference<U>(id));
    }
};

} // namespace storage_detail

// The one declaration of a table: its columns in stored order and how each maps to a member.
template <class T> class TableDescriptor : public TableDescriptorBase {
public:
    using TableDescriptorBase::TableDescriptorBase;

    template <class M>
    TableDescriptor& field(const char* name, M T::*member, int index = NoIndex,
                           bool strokeOrder = false) {
        using F = storage_detail::Field<M>;
        columns_.push_back(ColumnInfo{name, F::type, index, strokeOrder});
        binders_.push_back(
            [member](sqlite3_stmt* s, int i, const T& r) { F::bind(s, i, r.*member); });
        readers_.push_back([member](sqlite3_stmt* s, int i, T& r, tavroBuffer& arena) {
            F::read(s, i, r.*member, arena);
        });
        return *this;
    }

    // Binds every column, starting at parameter `first`.
    void bindAll(sqlite3_stmt* s, int first, const T& record) const {
        for (std::size_t c = 0; c < binders_.size(); ++c)
            binders_[c](s, first + static_cast<int>(c), record);
    }
    // Reads every column from result column `first` on; texts go into arena.
    void readAll(sqlite3_stmt* s, int first, T& record, tavroBuffer& arena) const {
        for (std::size_t c = 0; c < readers_.size(); ++c)
            readers_[c](s, first + static_cast<int>(c), record, arena);
    }

private:
    std::vector<std::function<void(sqlite3_stmt*, int, const T&)>> binders_;
    std::vector<std::function<void(sqlite3_stmt*, int, T&, tavroBuffer&)>> readers_;
};
