#pragma once

#include <QString>
#include <stdexcept>

// A failure of the database layer. The message is Japanese and fit to be shown to the user.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};
