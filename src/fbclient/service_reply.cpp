#include "fbclient/service_reply.h"

#include "common/format.h"
#include "fbclient/fb_api.h"
#include "fbclient/fb_error.h"

namespace orma::fb {
namespace {

// Parses items until isc_info_end; returns false (with `problem` set) at anything unreadable,
// leaving the lines read so far in `reply`.
bool parseItems(const char* buffer, std::size_t size, ServiceReply& reply, std::string& problem) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
  std::size_t pos = 0;
  bool waiting = false;      // the server asked us to ask again
  bool emptyLine = false;
  bool sawLine = false;
  while (pos < size) {
    unsigned char tag = bytes[pos++];
    switch (tag) {
      case kInfoEnd:
        if (!sawLine && !waiting) {
          problem = "в ответе нет строки вывода";
          return false;
        }
        reply.ended = emptyLine && !waiting;
        return true;
      case kInfoServiceLine: {
        sawLine = true;
        if (pos + 2 > size) {
          problem = "обрывается длина строки";
          return false;
        }
        std::size_t length = bytes[pos] | (static_cast<std::size_t>(bytes[pos + 1]) << 8);
        pos += 2;
        if (pos + length > size) {
          problem = "строка выходит за конец ответа";
          return false;
        }
        if (length == 0) {
          emptyLine = true;
        } else {
          std::string line(buffer + pos, length);
          if (line.back() == ' ') line.pop_back();
          reply.lines.push_back(std::move(line));
        }
        pos += length;
        break;
      }
      case kInfoServiceTimeout:
      case kInfoDataNotReady:
      case kInfoTruncated:
        waiting = true;
        break;
      default:
        problem = Format("неизвестный тег %d", {static_cast<int>(tag)});
        return false;
    }
  }
  problem = "нет признака конца ответа";
  return false;
}

}  // namespace

ServiceReply parseServiceReply(const char* buffer, std::size_t size) {
  ServiceReply reply;
  std::string problem;
  if (!parseItems(buffer, size, reply, problem)) {
    throw EFirebirdError("Непонятный ответ службы сервера: " + problem);
  }
  return reply;
}

std::vector<std::string> salvageServiceLines(const char* buffer, std::size_t size) {
  ServiceReply reply;
  std::string problem;
  parseItems(buffer, size, reply, problem);
  return std::move(reply.lines);
}

}  // namespace orma::fb
