#include "operator/Error.h"

#include <utility>

namespace wwweksports {

Error::Error(Category category, QString message)
    : category_(category), message_(std::move(message)), utf8_(message_.toStdString()) {}

}  // namespace wwweksports
