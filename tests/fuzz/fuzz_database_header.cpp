// The header page parser on any first bytes of a file: it reads only what it is given, and
// accepts only a header page with a sane page size and a known structure, taking the next transaction from its field.
#include <cstdint>
#include <cstdlib>

#include "fbclient/database_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orma::fb::DatabaseHeader header;
  if (!orma::fb::ParseDatabaseHeader(data, size, header)) return 0;
  const unsigned pageSize = data[16] | (data[17] << 8);
  const unsigned ods = data[18] | (data[19] << 8);
  if ((ods & 0x8000) == 0 || header.odsMajor != (ods & 0x7fff) || header.odsMajor < 11 || header.odsMajor > 13) std::abort();
  const std::uint32_t next = data[36] | (data[37] << 8) | (data[38] << 16) | (std::uint32_t{data[39]} << 24);
  if (data[0] != 1 || pageSize < 1024 || (pageSize & (pageSize - 1)) != 0 || header.nextTransaction != next) std::abort();
  return 0;
}
