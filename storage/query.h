#pragma once

#include "storage/reference.h"

#include <QString>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// A value bound to a `?` of a query; user text never becomes part of the query text.
struct dbValue {
    std::variant<std::monostate, std::int64_t, double, std::string> value;

    dbValue() = default;
    dbValue(bool v) : value(std::int64_t(v ? 1 : 0)) {}
    dbValue(int v) : value(std::int64_t(v)) {}
    dbValue(long v) : value(std::int64_t(v)) {}
    dbValue(long long v) : value(std::int64_t(v)) {}
    dbValue(double v) : value(v) {}
    dbValue(const char* v) : value(std::string(v ? v : "")) {}
    dbValue(std::string v) : value(std::move(v)) {}
    dbValue(std::string_view v) : value(std::string(v)) {}
    dbValue(const QString& v) : value(v.toStdString()) {}
    template <class T> dbValue(dbReference<T> ref) : value(std::int64_t(ref.oid)) {}
};

// Conditions and ordering of a selection. Conditions are SQL over the table's own column
// names with `?` for every value; they are joined with AND.
class dbQuery {
public:
    dbQuery() = default;
    dbQuery(std::string_view condition, std::initializer_list<dbValue> params = {}) {
        where(condition, params);
    }

    dbQuery& where(std::string_view condition, std::initializer_list<dbValue> params = {});
    dbQuery& equals(std::string_view field, dbValue value);
    // Case-sensitive "contains" and "starts with"; %, _ and \ in text are found literally.
    dbQuery& contains(std::string_view field, const QString& text);
    dbQuery& startsWith(std::string_view field, const QString& text);
    // text found in any of the fields (one search box over several columns).
    dbQuery& containsInAny(std::initializer_list<std::string_view> fields, const QString& text);
    // The array of references `arrayField` holds ref.
    dbQuery& arrayHas(std::string_view arrayField, dbValue ref);
    // Some element of `arrayField` (references to `elementTable`) has elementField = ref.
    dbQuery& arrayElementHas(std::string_view arrayField, std::string_view elementTable,
                             std::string_view elementField, dbValue ref);
    dbQuery& orderBy(std::string_view field, bool descending = false);
    void reset();

    struct Order {
        std::string field;
        bool descending;
    };
    const std::string& condition() const { return condition_; }
    const std::vector<dbValue>& params() const { return params_; }
    const std::vector<Order>& orders() const { return orders_; }

    static std::string containsPattern(const QString& text);
    static std::string prefixPattern(const QString& text);

private:
    std::string condition_;
    std::vector<dbValue> params_;
    std::vector<Order> orders_;
};
