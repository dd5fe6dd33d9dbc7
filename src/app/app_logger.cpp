#include "app/app_logger.h"

namespace orma {

TKestLogger* AppLogger = nullptr;

}  // namespace orma
