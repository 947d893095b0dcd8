// The CSV of qvview --views: what a user writes by hand or a script writes, and what must be refused
// before any file is written.
#include <gtest/gtest.h>

#include "apps/qvview/ViewList.h"

TEST(QvviewViewList, ReadsViewsNamesHeaderAndComments) {
  std::string error;
  auto views = parseViewList(
      "yaw,pitch,fov,name\n# front first\n0,0,90,front\r\n\n 90 , -30 , 60\n-45.5,90,1", &error);
  ASSERT_TRUE(views) << error;
  ASSERT_EQ(views->size(), 3u);
  EXPECT_EQ((*views)[0].name, "front");
  EXPECT_EQ((*views)[0].fov, 90);
  EXPECT_EQ((*views)[1].yaw, 90);
  EXPECT_EQ((*views)[1].pitch, -30);
  EXPECT_EQ((*views)[1].name, "");
  EXPECT_EQ((*views)[2].yaw, -45.5f);
}

TEST(QvviewViewList, RefusesWithTheLineAndTheRange) {
  const std::pair<const char*, const char*> cases[] = {
      {"0,0", "line 1: expected yaw,pitch,fov[,name], got '0,0'"},
      {"0,0,90\n0,91,90", "line 2: pitch: expected degrees from -90 to 90, got '0,91,90'"},
      {"0,0,0", "line 1: fov: expected degrees from 1 to 179, got '0,0,0'"},
      {"nan,0,90", "line 1: yaw: expected a finite number, got 'nan,0,90'"},
      {"0,0,90,../up", "line 1: name: expected letters, digits, '.', '_' or '-', got '0,0,90,../up'"},
      {"0,0,90,a\n1,0,90,a", "line 2: name: 'a' is used twice, got '1,0,90,a'"},
      {"0,0,90,a,b", "line 1: expected yaw,pitch,fov[,name], got '0,0,90,a,b'"},
      {"# only a comment\n", "no views"},
  };
  for (const auto& [text, message] : cases) {
    std::string error;
    EXPECT_FALSE(parseViewList(text, &error)) << text;
    EXPECT_EQ(error, message);
  }
}
