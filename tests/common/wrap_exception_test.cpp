#include "common/wrap_exception.h"

#include <gtest/gtest.h>

#include <string>

#include "common/exceptions.h"

namespace orma {
namespace {

ORMA_DECLARE_EXCEPTION(EProgressException, Exception);

struct WrapCase {
  const char* name;
  std::string context;
  bool addClassName;
  std::string caughtMessage;
  std::string expected;
};

TEST(WrapException, MessagesAreByteExact) {
  const WrapCase cases[] = {
      {"context and class tag", "Создание резервной копии", true, "M", "Создание резервной копии -> M <# Exception #>"},
      {"chain keeps one tag at the end", "C", true, "СозданиеМьютекса -> M <# Exception #>",
       "C -> СозданиеМьютекса -> M <# Exception #>"},
      {"switch off", "C", false, "M", "C -> M"},
      {"switch off never adds a tag", "Восстановление из резервной копии", false, "",
       "Восстановление из резервной копии -> "},
      {"empty context", "", true, "M", " -> M <# Exception #>"},
      {"empty context, switch off", "", false, "M", " -> M"},
      {"empty message: two blanks before the tag", "C", true, "", "C -> " " <# Exception #>"},
      {"tag in the message suppresses", "C", true, "a <# b", "C -> a <# b"},
      {"tag in the context suppresses", "x <# y", true, "M", "x <# y -> M"},
      {"tag at the very start of the message", "C", true, " <# ", "C ->  <# "},
      {"tag without blanks does not count", "C", true, "a<#b", "C -> a<#b <# Exception #>"},
      {"tag without leading blank does not count", "C", true, "a<# b", "C -> a<# b <# Exception #>"},
      {"tag without trailing blank does not count", "C", true, "a <#b", "C -> a <#b <# Exception #>"},
      {"closing tag alone does not count", "C", true, "a #> b", "C -> a #> b <# Exception #>"},
      {"percent signs are text, not placeholders", "100%", true, "%s %d %", "100% -> %s %d % <# Exception #>"},
      {"line breaks survive", "C", true, "a\r\nb", "C -> a\r\nb <# Exception #>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Exception caught(c.caughtMessage);
    const auto wrapped = WrapException(caught, c.context, c.addClassName);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->Message(), c.expected);
    EXPECT_EQ(wrapped->ClassName(), "Exception");
    EXPECT_EQ(caught.Message(), c.caughtMessage);   // the caught exception is not changed
  }
}

TEST(WrapException, KeepsTheClassOfTheCaughtException) {
  const EProgressException caught("M");
  const auto wrapped = WrapException(caught, "Создание резервной копии", true);
  EXPECT_EQ(wrapped->Message(), "Создание резервной копии -> M <# EProgressException #>");
  EXPECT_EQ(wrapped->ClassName(), "EProgressException");
  EXPECT_NE(dynamic_cast<EProgressException*>(wrapped.get()), nullptr);
  EXPECT_THROW(wrapped->Raise(), EProgressException);
}

TEST(WrapException, SwitchOffKeepsTheClassToo) {
  const EConvertError caught("M");
  const auto wrapped = WrapException(caught, "C", false);
  EXPECT_EQ(wrapped->Message(), "C -> M");
  EXPECT_NE(dynamic_cast<EConvertError*>(wrapped.get()), nullptr);
}

TEST(WrapException, ChainOfThreeNamesTheInnermostClassOnce) {
  try {
    try {
      try {
        throw EProgressException("диск полон");
      } catch (const Exception& e) {
        WrapException(e, "A", true)->Raise();
      }
    } catch (const Exception& e) {
      WrapException(e, "B", true)->Raise();
    }
  } catch (const EProgressException& e) {
    const auto outer = WrapException(e, "C", true);
    EXPECT_EQ(outer->Message(), "C -> B -> A -> диск полон <# EProgressException #>");
    EXPECT_EQ(outer->ClassName(), "EProgressException");
    return;
  }
  FAIL() << "the class was lost on the way";
}

TEST(WrapException, DataOfTheClassStartsEmpty) {
  const EOSError caught("Access denied", 5);
  ASSERT_EQ(caught.ErrorCode(), 5);
  const auto wrapped = WrapException(caught, "C", true);
  ASSERT_NE(dynamic_cast<EOSError*>(wrapped.get()), nullptr);
  EXPECT_EQ(static_cast<EOSError&>(*wrapped).ErrorCode(), 0);
  EXPECT_EQ(wrapped->Message(), "C -> Access denied <# EOSError #>");
}

TEST(ExceptionClasses, NameThemselvesAndMakeTheirOwnKind) {
  const Exception base("m");
  const EConvertError convert("m");
  const EOSError os("m", 3);
  const EProgressException progress("m");
  const Exception* all[] = {&base, &convert, &os, &progress};
  const char* names[] = {"Exception", "EConvertError", "EOSError", "EProgressException"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(all[i]->ClassName(), names[i]);
    const auto made = all[i]->CreateNew("new");
    EXPECT_EQ(made->ClassName(), names[i]);
    EXPECT_EQ(made->Message(), "new");
    EXPECT_STREQ(made->what(), "new");
  }
}

}  // namespace
}  // namespace orma
