// The one error type of the tool. Every failure that ends an upload is raised as an Error
// with a category and a message the operator can act on: which workbook, sheet, cell and
// column, which value; for the shop database the server's error number and text.
#pragma once

#include <QString>
#include <exception>
#include <string>

namespace wwweksports {

class Error : public std::exception {
public:
    enum class Category { Input, Connection, Workbook, Database };

    Error(Category category, QString message);

    // An error after which the link to the server is gone (the server went away or refused a
    // new connection, ended the session, or stopped answering within the timeout): the upload
    // may run again on a new connection.
    static Error LinkLost(QString message, Category category = Category::Database);

    Category category() const noexcept { return category_; }
    bool linkLost() const noexcept { return linkLost_; }
    // The database's error number behind it, 0 when there is none.
    unsigned int serverError() const noexcept { return serverError_; }
    Error& setServerError(unsigned int number) noexcept {
        serverError_ = number;
        return *this;
    }
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    Category category_;
    bool linkLost_ = false;
    unsigned int serverError_ = 0;
    QString message_;
    std::string utf8_;
};

}  // namespace wwweksports
