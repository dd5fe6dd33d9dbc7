#include "standin_settings.h"

#include <gtest/gtest.h>

namespace orma::standin {
namespace {

TEST(StandInSettings, ReadsPasswordAndPortLines) {
  struct Case {
    const char* what;
    std::string text;
    std::string password;
    std::int32_t port;
  };
  const Case cases[] = {
      {"plain", "Password=masterkey\nPort=3050\n", "masterkey", 3050},
      {"CR LF, other lines", "[Zelmar]\r\nPassword=pw\r\n; note\r\nPort=3051\r\nHost=x\r\n", "pw", 3051},
      {"byte-order mark", "\xEF\xBB\xBFPassword=pw\nPort=1\n", "pw", 1},
      {"keys in any case", "PASSWORD=pw\nport=7\n", "pw", 7},
      {"value kept as written", "Password= pass=word \nPort= 3050 \n", " pass=word ", 3050},
      {"first line of a key counts", "Password=a\nPassword=b\nPort=1\nPort=2\n", "a", 1},
      {"no line end at the end", "Port=3050\nPassword=last", "last", 3050},
      {"Cyrillic password", "Password=пароль\n", "пароль", 0},
      {"empty file", "", "", 0},
      {"keys missing", "User=SYSDBA\n", "", 0},
      {"port not a number", "Port=30x0\n", "", 0},
      {"port too large", "Port=99999999999\n", "", 0},
      {"negative port kept", "Port=-1\n", "", -1},
      {"key with a blank is another key", "Password =pw\n", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Settings settings = ParseSettings(c.text);
    EXPECT_EQ(settings.password, c.password);
    EXPECT_EQ(settings.port, c.port);
  }
}

}  // namespace
}  // namespace orma::standin
