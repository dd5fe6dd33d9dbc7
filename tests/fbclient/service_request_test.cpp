// The bytes of the service parameter blocks: the server reads them by position, so one wrong
// length byte makes it read a password as a tag.
#include <gtest/gtest.h>

#include <string>

#include "fbclient/fb_error.h"
#include "fbclient/service_request.h"

namespace {

using namespace std::string_literals;
namespace fb = orma::fb;

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

TEST(ServiceRequest, BlocksHaveTheExactLayout) {
  struct Case {
    const char* name;
    std::string actual;
    std::string expected;
  };
  const Case cases[] = {
      {"attach", fb::attachParameters("SYSDBA", "pw"),
       bytes({2, 2, 28, 6}) + "SYSDBA" + bytes({29, 2}) + "pw" + bytes({118, 0})},
      {"attach, empty password", fb::attachParameters("SYSDBA", ""),
       bytes({2, 2, 28, 6}) + "SYSDBA" + bytes({29, 0, 118, 0})},
      {"backup", fb::backupRequest("/db/a.fdb", "/db/a.fbk"),
       bytes({1, 106, 9, 0}) + "/db/a.fdb" + bytes({5, 9, 0}) + "/db/a.fbk" + bytes({107})},
      {"backup without garbage collection", fb::backupRequest("/db/a.fdb", "/db/a.fbk", true),
       bytes({1, 106, 9, 0}) + "/db/a.fdb" + bytes({5, 9, 0}) + "/db/a.fbk" + bytes({107, 108, 0x08, 0, 0, 0})},
      {"restore", fb::restoreRequest("/db/a.fbk", "/db/a.tmp"),
       bytes({2, 5, 9, 0}) + "/db/a.fbk" + bytes({106, 9, 0}) + "/db/a.tmp" + bytes({107, 108, 0x00, 0x20, 0, 0})},
      {"UTF-8 path counts bytes, not letters", fb::backupRequest("/б", "C:\\Б.fbk"),
       bytes({1, 106, 3, 0}) + "/б" + bytes({5, 9, 0}) + "C:\\Б.fbk" + bytes({107})},
      {"timeout", fb::queryTimeout(1), bytes({64, 4, 0, 1, 0, 0, 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(ServiceRequest, LengthsAboveOneByteUseTwoLittleEndianBytes) {
  const std::string path = "/" + std::string(299, 'x');   // 300 = 0x012C
  const std::string block = fb::backupRequest(path, "b");
  EXPECT_EQ(block.substr(0, 4), bytes({1, 106, 0x2C, 0x01}));
  EXPECT_EQ(block.substr(4, 300), path);
  EXPECT_EQ(block.substr(304), bytes({5, 1, 0}) + "b" + bytes({107}));
}

TEST(ServiceRequest, ValuesTooLongForTheirLengthFieldAreRefused) {
  EXPECT_NO_THROW(fb::attachParameters("SYSDBA", std::string(255, 'p')));
  EXPECT_THROW(fb::attachParameters("SYSDBA", std::string(256, 'p')), orma::EFirebirdError);
  EXPECT_THROW(fb::attachParameters(std::string(256, 'u'), "pw"), orma::EFirebirdError);
  EXPECT_THROW(fb::backupRequest(std::string(65536, 'd'), "b"), orma::EFirebirdError);
  EXPECT_THROW(fb::restoreRequest("b", std::string(65536, 'd')), orma::EFirebirdError);
}

}  // namespace
