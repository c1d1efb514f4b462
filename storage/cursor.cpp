#include "storage/cursor.h"

std::string storage_detail::selectSql(const TableDescriptorBase& table, const dbQuery* query) {
    std::string sql = std::string("SELECT ") + objectIdColumn + " FROM \"" + table.name() + "\"";
    if (query && !query->condition().empty())
        sql += " WHERE " + query->condition();
    sql += " ORDER BY ";
    if (query) {
        for (const dbQuery::Order& order : query->orders()) {
            const ColumnInfo* column = table.column(order.field);
            if (!column)
                throw dbException(dbException::QueryError,
                                  "no field " + order.field + " in " + table.name());
            sql += '"' + order.field + '"';
            if (column->strokeOrder)
                sql += " COLLATE stroke";
            sql += order.descending ? " DESC, " : ", ";
        }
    }
    // Ties keep the order the records were made in.
    sql += objectIdColumn;
    return sql;
}

void storage_detail::bindParams(dbStatement& statement, const dbQuery& query) {
    int index = 1;
    for (const dbValue& value : query.params())
        statement.bind(index++, value);
}
