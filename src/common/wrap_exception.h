// Puts what the caller was doing in front of a caught failure's message, keeping its class.
//
//   context "C", message "M", class Exception, addClassName on  ->  Exception "C -> M <# Exception #>"
//   the same again with context "D"                             ->  Exception "D -> C -> M <# Exception #>"
#pragma once

#include <memory>
#include <string_view>

#include "common/exceptions.h"

namespace orma {

std::unique_ptr<Exception> WrapException(const Exception& caught, std::string_view context, bool addClassName);

}  // namespace orma
