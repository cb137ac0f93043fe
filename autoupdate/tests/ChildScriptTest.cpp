// The test child's script: the steps a test plans for the stand-ins of OrvexSet and OrvexFlash.
#include <gtest/gtest.h>

#include "ChildScript.h"

using namespace orvex::autoupdate::test_support;

TEST(ChildScript, StepsAndTheirValues) {
  ChildStep s;
  std::string error;
  ASSERT_TRUE(ParseChildStep("success", &s, &error));
  EXPECT_EQ(s.kind, ChildStep::kSuccess);
  EXPECT_FALSE(s.has_value);
  ASSERT_TRUE(ParseChildStep("fail 256 -3 0x20001 : デバイス書込失敗 : 2", &s, &error));
  EXPECT_EQ(s.kind, ChildStep::kFail);
  EXPECT_EQ(s.code, 256u);
  EXPECT_EQ(s.value, -3);
  EXPECT_EQ(s.resume, 0x20001u);
  EXPECT_EQ(s.text, "デバイス書込失敗 : 2");
  ASSERT_TRUE(ParseChildStep("exit 3221225477 4", &s, &error));
  EXPECT_EQ(s.kind, ChildStep::kExit);
  EXPECT_EQ(s.code, 0xC0000005u);
  EXPECT_EQ(s.value, 4);
  ASSERT_TRUE(ParseChildStep("\thang  2 ", &s, &error));
  EXPECT_EQ(s.kind, ChildStep::kHang);

  EXPECT_FALSE(ParseChildStep("fail", &s, &error));  // needs a code
  EXPECT_FALSE(ParseChildStep("success 1 2", &s, &error));
  EXPECT_FALSE(ParseChildStep("fail x", &s, &error));
  EXPECT_FALSE(ParseChildStep("fail 99999999999", &s, &error));
  EXPECT_FALSE(ParseChildStep("explode", &s, &error));
  EXPECT_EQ(error, "unknown step: explode");
}

TEST(ChildScript, EachRunTakesTheFirstStep) {
  std::string rest;
  EXPECT_EQ(TakeFirstStep("# plan\n\nfail 256 3\r\nsuccess\n", &rest), "fail 256 3");
  EXPECT_EQ(rest, "success\n");
  EXPECT_EQ(TakeFirstStep(rest, &rest), "success");
  EXPECT_EQ(rest, "");
  EXPECT_EQ(TakeFirstStep("", &rest), "");
  EXPECT_EQ(TakeFirstStep("# only a comment", &rest), "");
}
