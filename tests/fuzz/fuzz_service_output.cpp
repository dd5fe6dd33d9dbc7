// The server's replies to output queries, parted by 0xFF bytes, each parsed as a query parses it
// until the output ends, then the closing lines looked for and the lines proven as both a
// backup's and a restore's output. An unreadable reply raises EFirebirdError and nothing else;
// the salvage of a failed query keeps what the parser read.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/restored_database_proof.h"
#include "app/service_output.h"
#include "fbclient/fb_error.h"
#include "fbclient/service_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> output;
  for (std::size_t from = 0, to = 0; from <= input.size(); from = to + 1) {
    to = std::min(input.find('\xFF', from), input.size());
    std::vector<char> reply(input.begin() + from, input.begin() + to);
    reply.resize(reply.size() + 64, 0);   // the rest of a query's buffer
    const std::vector<std::string> salvaged = orma::fb::salvageServiceLines(reply.data(), reply.size());
    output.insert(output.end(), salvaged.begin(), salvaged.end());
    try {
      const orma::fb::ServiceReply parsed = orma::fb::parseServiceReply(reply.data(), reply.size());
      if (parsed.lines != salvaged) std::abort();
      if (parsed.ended) break;
    } catch (const orma::EFirebirdError&) {
      break;
    }
  }
  orma::HasClosingLine(output, "gbak:closing file, committing, and finishing.");
  orma::ProveRestoredDatabase(output, output, orma::fb::DatabaseHeader{}, "");
  return 0;
}
