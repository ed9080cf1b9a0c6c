// The face map file: which installed font file draws a face of the game.
#include "platform/font_face_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

using platform::TFontFaceMap;
using Files = std::vector<std::string>;

constexpr const char* kTwoFaces =
    "# faces\n"
    "[Arial]\n"
    "  Regular = a.ttf\n"
    "  Bold = a-bold.ttf\n"
    "  Italic = a-italic.ttf\n"
    "[Default]\n"
    "  Regular = d.ttf\n"
    "  BoldItalic = d-bolditalic.ttf\n";

TEST(FontFaceMap, StylesFallBackToTheNearestPlainStyleThenToTheDefaultFace) {
  TFontFaceMap map;
  ASSERT_TRUE(map.Parse(kTwoFaces));
  EXPECT_EQ(map.FaceCount(), 2u);
  struct Case {
    const char* face;
    bool bold;
    bool italic;
    Files files;
  };
  const Case cases[] = {
      {"Arial", false, false, {"a.ttf", "d.ttf"}},
      {"arial", true, false, {"a-bold.ttf", "a.ttf", "d.ttf"}},
      {"Arial", false, true, {"a-italic.ttf", "a.ttf", "d.ttf"}},
      {"Arial", true, true, {"a-bold.ttf", "a-italic.ttf", "a.ttf", "d-bolditalic.ttf", "d.ttf"}},
      {"Tahoma", false, false, {"d.ttf"}},
      {"Tahoma", true, true, {"d-bolditalic.ttf", "d.ttf"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(map.CandidateFiles(c.face, c.bold, c.italic), c.files) << c.face << c.bold << c.italic;
  }
}

TEST(FontFaceMap, NamesThatCouldLeaveTheFontFoldersAreIgnored) {
  TFontFaceMap map;
  ASSERT_TRUE(map.Parse("[Arial]\n"
                        "  Regular = ../../etc/passwd\n"
                        "  Bold = /usr/share/fonts/x.ttf\n"
                        "  Italic = sub\\x.ttf\n"
                        "  BoldItalic = ..\n"
                        "[Default]\n"
                        "  Regular = d.ttf\n"));
  EXPECT_EQ(map.CandidateFiles("Arial", true, true), Files{"d.ttf"});
  for (const char* name : {"", ".", "..", "a/b", "a\\b", "a\tb"}) EXPECT_FALSE(platform::IsPlainFileName(name)) << name;
  for (const char* name : {"a.ttf", "Liberation Sans.ttf", "...ttf"}) EXPECT_TRUE(platform::IsPlainFileName(name));
}

TEST(FontFaceMap, ATextWithoutAUsableFaceKeepsTheMapBefore) {
  const char* unusable[] = {
      "",
      "# only a comment\n",
      "[Arial]\n  Regular = ../x.ttf\n",
      "Regular = a.ttf\n",            // outside any section
      "[Arial\n  Regular = a.ttf\n",  // a broken header
      "[Arial]\n  Heavy = a.ttf\n",   // no such style
  };
  for (const char* text : unusable) {
    TFontFaceMap map;
    EXPECT_FALSE(map.Parse(text)) << text;
    EXPECT_EQ(map.CandidateFiles("Arial", false, false).front(), "LiberationSans-Regular.ttf") << text;
  }
}

TEST(FontFaceMap, TakesNoMoreFacesThanTheLimit) {
  std::string text;
  for (std::size_t i = 0; i < TFontFaceMap::kMaxFaces + 10; ++i) {
    text += "[Face" + std::to_string(i) + "]\n  Regular = f" + std::to_string(i) + ".ttf\n";
  }
  TFontFaceMap map;
  ASSERT_TRUE(map.Parse(text));
  EXPECT_EQ(map.FaceCount(), TFontFaceMap::kMaxFaces);
  EXPECT_EQ(map.CandidateFiles("Face0", false, false), Files{"f0.ttf"});
  EXPECT_TRUE(map.CandidateFiles(("Face" + std::to_string(TFontFaceMap::kMaxFaces)).c_str(), false, false).empty());
}

TEST(FontFaceMap, FindsFilesInTheFoldersFirstThenBelowTheRoots) {
  TTempFolder folder;
  std::filesystem::create_directories(folder.Path("first"));
  std::filesystem::create_directories(folder.Path("root/b/deep"));
  std::filesystem::create_directories(folder.Path("root/a"));
  std::ofstream(folder.Path("first/a.ttf")) << "x";
  std::ofstream(folder.Path("root/b/deep/d.ttf")) << "x";
  std::ofstream(folder.Path("root/a/d.ttf")) << "x";
  std::ofstream(folder.Path("root/b/a-bold.ttf")) << "x";
  TFontFaceMap map;
  ASSERT_TRUE(map.Parse(kTwoFaces));
  map.SetSearchFolders({folder.Path("missing").string(), folder.Path("first").string()},
                       {folder.Path("root").string()});
  EXPECT_EQ(map.FindFontFile("Arial", false, false), folder.Path("first/a.ttf").string());
  EXPECT_EQ(map.FindFontFile("Arial", true, false), folder.Path("root/b/a-bold.ttf").string());
  // Two files of the same name below a root: the first in name order.
  EXPECT_EQ(map.FindFontFile("Other", false, false), folder.Path("root/a/d.ttf").string());
  map.SetSearchFolders({}, {folder.Path("nowhere").string()});
  EXPECT_EQ(map.FindFontFile("Arial", false, false), "");
}

TEST(FontFaceMap, TheShippedMapNamesEveryFaceOfTheFontStylesWithInstalledFiles) {
  TFontFaceMap map;
  ASSERT_TRUE(map.Load(std::string(DVX_DATA_DIR) + "/Configs/FontFaces.cfg"));
  EXPECT_GE(map.FaceCount(), 2u);
  std::ifstream styles(std::string(DVX_DATA_DIR) + "/Configs/FontStyles.cfg");
  std::string line;
  while (std::getline(styles, line)) {
    const auto at = line.find("Font =");
    if (at == std::string::npos) continue;
    const std::string face = line.substr(at + 7);
    const Files files = map.CandidateFiles(face, false, false);
    ASSERT_FALSE(files.empty()) << face;
    EXPECT_EQ(files.front(), face == "Arial" ? "LiberationSans-Regular.ttf" : "DejaVuSans.ttf") << face;
  }
  EXPECT_EQ(map.CandidateFiles("Times New Roman", true, false).front(), "LiberationSerif-Bold.ttf");
}

}  // namespace
