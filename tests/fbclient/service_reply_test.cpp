// Replies to the output query: which of them end the output, which carry a line, which mean
// "ask again", and which must not be guessed at.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fbclient/fb_error.h"
#include "fbclient/service_reply.h"

namespace {

namespace fb = orma::fb;

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

std::string line(const std::string& text) {
  return bytes({62, static_cast<int>(text.size() & 0xFF), static_cast<int>(text.size() >> 8)}) + text;
}

// The server fills the rest of the buffer with whatever was there; we zero it.
std::string padded(std::string reply) { return reply + std::string(64, '\0'); }

TEST(ServiceReply, ReadsLinesEndAndWaiting) {
  struct Case {
    const char* name;
    std::string reply;
    std::vector<std::string> lines;
    bool ended;
  };
  const Case cases[] = {
      {"a line, its line break blank removed", line("gbak:readied database ") + bytes({1}),
       {"gbak:readied database"}, false},
      {"only the last blank is the line break", line("a  ") + bytes({1}), {"a "}, false},
      {"a line without a blank stays whole", line("abc") + bytes({1}), {"abc"}, false},
      {"a line that was only a line break", line(" ") + bytes({1}), {""}, false},
      {"end of output", line("") + bytes({1}), {}, true},
      {"timeout with nothing", line("") + bytes({64, 1}), {}, false},
      {"not ready with nothing", line("") + bytes({4, 1}), {}, false},
      {"truncated", line("part") + bytes({2, 1}), {"part"}, false},
      {"a line and a timeout", line("x ") + bytes({64, 1}), {"x"}, false},
      {"two lines", line("a ") + line("b ") + bytes({1}), {"a", "b"}, false},
      {"Cyrillic bytes pass unchanged", line("База ") + bytes({1}), {"База"}, false},
      {"the end marker stops reading", line("") + bytes({1}) + line("ignored"), {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string buffer = padded(c.reply);
    fb::ServiceReply reply = fb::parseServiceReply(buffer.data(), buffer.size());
    EXPECT_EQ(reply.lines, c.lines);
    EXPECT_EQ(reply.ended, c.ended);
  }
}

TEST(ServiceReply, ALongLineKeepsEveryByte) {
  const std::string text(1000, 'z');
  const std::string buffer = padded(line(text + " ") + bytes({1}));
  fb::ServiceReply reply = fb::parseServiceReply(buffer.data(), buffer.size());
  ASSERT_EQ(reply.lines.size(), 1u);
  EXPECT_EQ(reply.lines[0], text);
}

TEST(ServiceReply, UnreadableRepliesAreErrorsNotGuesses) {
  struct Case {
    const char* name;
    std::string reply;
  };
  const Case cases[] = {
      {"unknown tag", bytes({99, 1})},
      {"a zeroed buffer", std::string(16, '\0')},
      {"no line item at all", bytes({1})},
      {"line longer than the buffer", bytes({62, 50, 0}) + "short"},
      {"length cut off", bytes({62, 5})},
      {"no end marker", line("abc")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(fb::parseServiceReply(c.reply.data(), c.reply.size()), orma::EFirebirdError);
  }
}

TEST(ServiceReply, SalvageKeepsTheWholeLinesBeforeAnythingUnreadable) {
  struct Case {
    const char* name;
    std::string reply;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"lines then the end", line("a ") + line("b ") + bytes({1}), {"a", "b"}},
      {"a line then garbage", line("a ") + bytes({99}) + line("lost "), {"a"}},
      {"a cut line is dropped", line("a ") + bytes({62, 40, 0}) + "cut", {"a"}},
      {"a zeroed buffer", std::string(16, '\0'), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fb::salvageServiceLines(c.reply.data(), c.reply.size()), c.lines);
  }
}

}  // namespace
