#include "storage/query.h"

namespace {

std::string quoted(std::string_view name) {
    return '"' + std::string(name) + '"';
}

std::string escapeLike(const QString& text) {
    std::string escaped;
    const std::string utf8 = text.toStdString();
    escaped.reserve(utf8.size() + 2);
    for (char c : utf8) {
        if (c == '%' || c == '_' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

constexpr std::string_view likeOp = " LIKE ? ESCAPE '\\'";

} // namespace

std::string dbQuery::containsPattern(const QString& text) {
    return '%' + escapeLike(text) + '%';
}

std::string dbQuery::prefixPattern(const QString& text) {
    return escapeLike(text) + '%';
}

dbQuery& dbQuery::where(std::string_view condition, std::initializer_list<dbValue> params) {
    if (!condition_.empty())
        condition_ += " AND ";
    condition_ += '(';
    condition_ += condition;
    condition_ += ')';
    params_.insert(params_.end(), params.begin(), params.end());
    return *this;
}

dbQuery& dbQuery::equals(std::string_view field, dbValue value) {
    return where(quoted(field) + " = ?", {std::move(value)});
}

dbQuery& dbQuery::contains(std::string_view field, const QString& text) {
    return where(quoted(field) + std::string(likeOp), {containsPattern(text)});
}

dbQuery& dbQuery::startsWith(std::string_view field, const QString& text) {
    return where(quoted(field) + std::string(likeOp), {prefixPattern(text)});
}

dbQuery& dbQuery::containsInAny(std::initializer_list<std::string_view> fields,
                                const QString& text) {
    std::string condition;
    const std::string pattern = containsPattern(text);
    for (std::string_view f : fields) {
        if (!condition.empty())
            condition += " OR ";
        condition += quoted(f) + std::string(likeOp);
    }
    where(condition);
    for (std::size_t i = 0; i < fields.size(); ++i)
        params_.emplace_back(pattern);
    return *this;
}

dbQuery& dbQuery::arrayHas(std::string_view arrayField, dbValue ref) {
    return where("EXISTS (SELECT 1 FROM json_each(" + quoted(arrayField) + ") WHERE value = ?)",
                 {std::move(ref)});
}

dbQuery& dbQuery::arrayElementHas(std::string_view arrayField, std::string_view elementTable,
                                  std::string_view elementField, dbValue ref) {
    return where("EXISTS (SELECT 1 FROM json_each(" + quoted(arrayField) + ") AS e JOIN " +
                     quoted(elementTable) + " AS x ON x._id = e.value WHERE x." +
                     quoted(elementField) + " = ?)",
                 {std::move(ref)});
}

dbQuery& dbQuery::orderBy(std::string_view field, bool descending) {
    orders_.push_back(Order{std::string(field), descending});
    return *this;
}

void dbQuery::reset() {
    condition_.clear();
    params_.clear();
    orders_.clear();
}
