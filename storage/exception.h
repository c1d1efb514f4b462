#pragma once

#include <stdexcept>
#include <string>

// Raised by the storage layer: reading a cursor without a current record or an array
// element out of range (code 0, no message), and failures of the data file itself.
class dbException : public std::runtime_error {
public:
    enum ErrorClass {
        NoCurrentRecord = 0,
        IndexOutOfRange = 0,
        QueryError = 1,
        DatabaseError = 2,
        ReadOnlyCursor = 3,
        SchemaError = 4,
    };

    dbException(int errCode, std::string msg)
        : std::runtime_error(msg), errCode_(errCode), msg_(std::move(msg)) {}

    int getErrCode() const { return errCode_; }
    const std::string& getMsg() const { return msg_; }

private:
    int errCode_;
    std::string msg_;
};
