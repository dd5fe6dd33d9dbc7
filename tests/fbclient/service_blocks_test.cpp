// What the real server never sends in the end-to-end tests: replies the output query must not
// guess at (what it read whole before them still goes to the log), and values too long for the
// request blocks' length fields.
#include <gtest/gtest.h>

#include <string>

#include "fbclient/fb_error.h"
#include "fbclient/service_reply.h"
#include "fbclient/service_request.h"

namespace {

namespace fb = orma::fb;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

std::string Line(const std::string& text) {
  return Bytes({62, static_cast<int>(text.size() & 0xFF), static_cast<int>(text.size() >> 8)}) + text;
}

TEST(ServiceReply, UnreadableRepliesAreErrorsAndSalvageKeepsTheWholeLinesBefore) {
  const struct {
    std::string reply;
    std::vector<std::string> salvaged;
  } cases[] = {
      {Bytes({99, 1}), {}},
      {std::string(16, '\0'), {}},
      {Line("a ") + Bytes({62, 40, 0}) + "cut", {"a"}},
      {Line("a ") + Bytes({62, 5}), {"a"}},
      {Line("a ") + Bytes({99}) + Line("lost "), {"a"}},
      {Line("abc"), {"abc"}},   // no end marker
  };
  for (const auto& c : cases) {
    EXPECT_THROW(fb::parseServiceReply(c.reply.data(), c.reply.size()), orma::EFirebirdError);
    EXPECT_EQ(fb::salvageServiceLines(c.reply.data(), c.reply.size()), c.salvaged);
  }
}

TEST(ServiceRequest, ValuesTooLongForTheirLengthFieldAreRefused) {
  EXPECT_NO_THROW(fb::attachParameters("SYSDBA", std::string(255, 'p')));
  EXPECT_THROW(fb::attachParameters("SYSDBA", std::string(256, 'p')), orma::EFirebirdError);
  EXPECT_THROW(fb::attachParameters(std::string(256, 'u'), "pw"), orma::EFirebirdError);
  EXPECT_NO_THROW(fb::backupRequest(std::string(65535, 'd'), "b"));
  EXPECT_THROW(fb::backupRequest(std::string(65536, 'd'), "b"), orma::EFirebirdError);
  EXPECT_THROW(fb::restoreRequest("b", std::string(65536, 'd')), orma::EFirebirdError);
}

}  // namespace
