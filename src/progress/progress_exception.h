// The exception class of the progress window.
#pragma once

#include "common/exceptions.h"

namespace orma {

ORMA_DECLARE_EXCEPTION(EProgressException, Exception);

}  // namespace orma
