#include "progress/param_value.h"

#include <gtest/gtest.h>

#include "common/exceptions.h"

namespace orma {
namespace {

TEST(ParamValue, ConvertsToInteger) {
  struct Case {
    TParamValue value;
    std::int64_t expected;
  };
  const Case cases[] = {
      {std::int64_t{-7}, -7},      {std::string("42"), 42},     {std::string(" +42 "), 42},
      {std::string("-1"), -1},     {2.5, 2},                    {3.5, 4},
      {-0.6, -1},                  {true, 1},                   {false, 0},
      {std::string("4294967295"), 4294967295LL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ParamToString(c.value));
    EXPECT_EQ(ParamToInteger(c.value), c.expected);
  }
}

TEST(ParamValue, RefusesWhatIsNoInteger) {
  struct Case {
    TParamValue value;
    std::string message;
  };
  const Case cases[] = {
      {std::string(""), "Значение \"\" нельзя преобразовать в целое число"},
      {std::string("12px"), "Значение \"12px\" нельзя преобразовать в целое число"},
      {std::string("1.5"), "Значение \"1.5\" нельзя преобразовать в целое число"},
      {std::string("99999999999999999999"), "Значение \"99999999999999999999\" нельзя преобразовать в целое число"},
      {1e300, "Значение 1e+300 нельзя преобразовать в целое число"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      ParamToInteger(c.value);
      ADD_FAILURE() << "no failure";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(ParamValue, ConvertsToBooleanAndString) {
  EXPECT_TRUE(ParamToBoolean(std::string("TRUE")));
  EXPECT_FALSE(ParamToBoolean(std::string(" false")));
  EXPECT_TRUE(ParamToBoolean(std::string("-1")));
  EXPECT_FALSE(ParamToBoolean(std::string("0")));
  EXPECT_TRUE(ParamToBoolean(0.25));
  EXPECT_THROW(ParamToBoolean(std::string("yes")), EConvertError);

  EXPECT_EQ(ParamToString(true), "True");
  EXPECT_EQ(ParamToString(false), "False");
  EXPECT_EQ(ParamToString(std::int64_t{-12}), "-12");
  EXPECT_EQ(ParamToString(0.1), "0.1");
  EXPECT_EQ(ParamToString(std::string("Отмена")), "Отмена");
}

}  // namespace
}  // namespace orma
