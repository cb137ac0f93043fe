// OrvexKeys' parameters: what OrvexFlash hands over is taken, anything else is refused.
#include <gtest/gtest.h>

#include "KeysCommand.h"

using namespace orvex::sim;

TEST(KeysCommand, TakesTheDebugLevelsOfTheServiceKey) {
  std::vector<KeysValue> values;
  std::string error;
  ASSERT_TRUE(ParseKeysArguments({"SYSTEM\\CurrentControlSet\\Services\\Orvex\\Parameters\\DebugLevel", "0x1F",
                                  "system\\currentcontrolset\\services\\orvex\\DLL\\DebugLevel", "4294967295"},
                                 &values, &error))
      << error;
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].key, "SYSTEM\\CurrentControlSet\\Services\\Orvex\\Parameters");
  EXPECT_EQ(values[0].value_name, "DebugLevel");
  EXPECT_EQ(values[0].value, 0x1Fu);
  EXPECT_EQ(values[1].key, "system\\currentcontrolset\\services\\orvex\\DLL");
  EXPECT_EQ(values[1].value, 0xFFFFFFFFu);
}

TEST(KeysCommand, RefusesWhatItMustNotWrite) {
  std::vector<KeysValue> values;
  std::string error;
  const std::string level = "SYSTEM\\CurrentControlSet\\Services\\Orvex\\Parameters\\DebugLevel";
  EXPECT_FALSE(ParseKeysArguments({}, &values, &error));
  EXPECT_FALSE(ParseKeysArguments({level}, &values, &error));
  EXPECT_FALSE(ParseKeysArguments({"SYSTEM\\CurrentControlSet\\Services\\Other\\DebugLevel", "1"}, &values, &error));
  EXPECT_FALSE(ParseKeysArguments({"SOFTWARE\\Orvex\\DebugLevel", "1"}, &values, &error));
  EXPECT_FALSE(ParseKeysArguments({"SYSTEM\\CurrentControlSet\\Services\\Orvex\\Parameters\\ImagePath", "1"}, &values,
                                  &error));
  EXPECT_FALSE(ParseKeysArguments({"SYSTEM\\CurrentControlSet\\Services\\Orvex\\", "1"}, &values, &error));
  for (const char* bad : {"", "0x", "0x123456789", "12a", "4294967296", "-1", "0xG"}) {
    EXPECT_FALSE(ParseKeysArguments({level, bad}, &values, &error)) << bad;
  }
  EXPECT_NE(error.find("not a 32-bit number"), std::string::npos);
  uint32_t v = 0;
  EXPECT_TRUE(ParseKeysNumber("0xabcdef01", &v));
  EXPECT_EQ(v, 0xABCDEF01u);
  EXPECT_TRUE(ParseKeysNumber("0", &v));
  EXPECT_EQ(v, 0u);
}
