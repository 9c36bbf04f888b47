#include "LmLang.h"
#include <gtest/gtest.h>
TEST(LmLangFileName, Mode2) {
  char name[256];
  ASSERT_GT(LmLangGetFileName(2, 1041, "/app/TOOL", name, sizeof name), 0);
  EXPECT_STREQ(name, "/app/LANG/TOOL_JP.STR");
}
