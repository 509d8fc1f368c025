#include "operator/Error.h"

#include <utility>

namespace wwweksports {

Error::Error(Category category, QString message)
    : category_(category), message_(std::move(message)), utf8_(message_.toStdString()) {}

Error Error::LinkLost(QString message, Category category) {
    Error error(category, std::move(message));
    error.linkLost_ = true;
    return error;
}

}  // namespace wwweksports
