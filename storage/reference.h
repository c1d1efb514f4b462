#pragma once

#include "storage/exception.h"

#include <cstdint>
#include <string>
#include <vector>

// An object identifier. Identifiers are never reused, so a stale one finds nothing.
using oid_t = std::int64_t;

// A reference to a record of table T (0 = none).
template <class T> struct dbReference {
    oid_t oid = 0;

    dbReference() = default;
    explicit dbReference(oid_t id) : oid(id) {}

    bool isNull() const { return oid == 0; }
    oid_t getOid() const { return oid; }
    friend bool operator==(const dbReference&, const dbReference&) = default;
};

// An ordered array of references, as the user built it.
template <class T> class dbArray {
public:
    std::size_t length() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    dbReference<T> operator[](std::size_t i) const { return at(i); }
    dbReference<T> at(std::size_t i) const {
        if (i >= items_.size())
            throw dbException(dbException::IndexOutOfRange, std::string());
        return items_[i];
    }
    void append(dbReference<T> ref) { items_.push_back(ref); }
    void remove(std::size_t i) {
        if (i >= items_.size())
            throw dbException(dbException::IndexOutOfRange, std::string());
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    void clear() { items_.clear(); }

    const std::vector<dbReference<T>>& items() const { return items_; }
    friend bool operator==(const dbArray&, const dbArray&) = default;

private:
    std::vector<dbReference<T>> items_;
};
