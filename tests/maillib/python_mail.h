// The multipart mail that Python's email package writes (make_mime_mail.py),
// for the download tests: made by an encoder other than the library's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/temp_folder.h"

inline std::string PythonMail(const TTempFolder& folder) {
  const std::string path = folder.Path("python.eml").string();
  const std::string command =
      std::string("/usr/bin/python3 '") + DVX_TEST_FIXTURES "/../maillib/make_mime_mail.py' '" + path + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return folder.Read("python.eml");
}
