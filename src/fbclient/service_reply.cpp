#include "fbclient/service_reply.h"

#include <cstdint>

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

ServerInfo parseServerInfo(const char* buffer, std::size_t size) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
  std::size_t pos = 0;
  const auto fail = [](const char* problem) { throw EFirebirdError(std::string("Непонятный ответ сервера: ") + problem); };
  const auto take = [&](std::size_t count) {
    if (pos + count > size) fail("данные выходят за конец ответа");
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value |= static_cast<std::uint32_t>(bytes[pos + i]) << (8 * i);
    pos += count;
    return value;
  };
  const auto text = [&] {
    const std::size_t length = take(2);
    if (pos + length > size) fail("строка выходит за конец ответа");
    std::string value(buffer + pos, length);
    pos += length;
    return value;
  };
  ServerInfo info;
  while (pos < size) {
    const unsigned char tag = bytes[pos++];
    if (tag == kInfoEnd) return info;
    if (tag == kInfoServerVersion) {
      info.version = text();
    } else if (tag == kInfoServerDbInfo) {
      for (unsigned char item = 0; item != kInfoFlagEnd;) {
        item = static_cast<unsigned char>(take(1));
        if (item == kSpbNumAttachments) info.attachments = take(4);
        else if (item == kSpbNumDatabases) take(4);
        else if (item == kSpbDbName) info.databases.push_back(text());
        else if (item != kInfoFlagEnd) fail("неизвестный тег в сведениях о базах данных");
      }
    } else {
      fail("неизвестный тег");
    }
  }
  fail("нет признака конца ответа");
  return info;
}

std::vector<std::string> salvageServiceLines(const char* buffer, std::size_t size) {
  ServiceReply reply;
  std::string problem;
  parseItems(buffer, size, reply, problem);
  return std::move(reply.lines);
}

}  // namespace orma::fb
