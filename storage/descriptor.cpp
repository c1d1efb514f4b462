#include "storage/descriptor.h"

#include <cstdlib>

const ColumnInfo* TableDescriptorBase::column(std::string_view name) const {
    for (const ColumnInfo& c : columns_)
        if (c.name == name)
            return &c;
    return nullptr;
}

std::string TableDescriptorBase::columnList() const {
    std::string list;
    for (const ColumnInfo& c : columns_) {
        if (!list.empty())
            list += ", ";
        list += '"' + c.name + '"';
    }
    return list;
}

std::vector<oid_t> storage_detail::parseArrayText(const char* text) {
    std::vector<oid_t> ids;
    if (!text)
        return ids;
    const char* p = text;
    while (*p) {
        if ((*p >= '0' && *p <= '9') || *p == '-') {
            char* end = nullptr;
            ids.push_back(std::strtoll(p, &end, 10));
            p = end;
        } else {
            ++p;
        }
    }
    return ids;
}
