// SPDX-License-Identifier: MIT
// The built program must not carry its password in clear text.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/login.h"

namespace tastomat {
namespace {

// Assembled at run time so this test's own binary proves nothing by accident.
std::string password() {
  return std::string("pf") + "au";
}

TEST(NoClearPassword, BuiltFilesHoldOnlyTheHash) {
  ASSERT_TRUE(passwordMatches(password()));
  const std::vector<std::string> files{
      TASTOMAT_APP_LIBRARY,
#ifdef TASTOMAT_EXECUTABLE
      TASTOMAT_EXECUTABLE,
#endif
  };
  for (const auto& path : files) {
    SCOPED_TRACE(path);
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "not built";
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.find(password()), std::string::npos);
  }
}

}  // namespace
}  // namespace tastomat
