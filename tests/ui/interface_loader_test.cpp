// Widget trees from interface sections: the element lines, containers and
// their "End", the accelerators that follow a section, and the logged,
// drawn-nothing stand-ins for whatever a replaced file gets wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/message_stream.h"
#include "app/string_table.h"
#include "support/temp_folder.h"
#include "support/ui_display.h"
#include "ui/box_text.h"
#include "ui/interface_loader.h"
#include "ui/text_widgets.h"
#include "ui/ui_fakes.h"
#include "ui/widget.h"

namespace {

using testing_ui::AcceleratedScreen;
using testing_ui::CommandLog;
using testing_ui::CommandName;
using testing_ui::NamingInterpreter;

// What a button line gives its widget, kept for the checks.
class StandInButton : public TWidget {
 public:
  StandInButton(const std::string& name, const TScreenPosition& position, std::string visual,
                std::unique_ptr<TCommand> command, std::string tooltip)
      : TWidget(name, position), visual(std::move(visual)), command(std::move(command)), tooltip(std::move(tooltip)) {}
  void Draw() override {}
  std::string visual;
  std::unique_ptr<TCommand> command;
  std::string tooltip;
};

std::unique_ptr<TWidget> MakeStandInButton(TElementLine& line) {
  if (!line.Require(4)) return nullptr;
  return std::make_unique<StandInButton>(line.Id(), line.Position(1), line.Field(2), line.Command(3), line.Tooltip());
}

// The tree as text: "name:kind" with children in brackets.
std::string Describe(const TWidget& widget) {
  std::string kind = "widget";
  if (dynamic_cast<const TInertWidget*>(&widget)) kind = "inert";
  if (dynamic_cast<const StandInButton*>(&widget)) kind = "button";
  const auto* node = dynamic_cast<const TNode*>(&widget);
  if (node) kind = node->IsHidden() ? "hidden node" : "node";
  std::string text = widget.GetName() + ":" + kind;
  if (node && node->ChildCount() > 0) {
    text += "[";
    for (std::size_t i = 0; i < node->ChildCount(); ++i) text += (i ? " " : "") + Describe(*node->ChildAt(i));
    text += "]";
  }
  return text;
}

class InterfaceLoaderTest : public ::testing::Test {
 protected:
  // The types named in "without" stand as types this build lacks.
  void Load(const std::string& text, const std::string& section = "Screen", const std::string& without = "") {
    loader = std::make_unique<TInterfaceLoader>("# interface of the tests\n" + text);
    RegisterWidgetTypes(*loader);
    loader->Register("Button", MakeStandInButton);
    if (!without.empty()) loader->Register(without, TInterfaceLoader::Creator());
    loader->SetReporter([this](const std::string& line) { problems.push_back(line); });
    loader->LoadSection(section, screen, interpreter);
  }
  std::string Tree() const { return Describe(screen); }
  const StandInButton& Button(const std::string& name) {
    const auto* button = dynamic_cast<const StandInButton*>(screen.FindByName(name));
    EXPECT_NE(button, nullptr) << name;
    static const StandInButton kNone("", TScreenPosition(), "", nullptr, "");
    return button ? *button : kNone;
  }

  TTempFolder folder;  // no Configs and no Languages: every text loads empty
  testing_ui::ScopedUiDisplay display{800, 600};
  CommandLog commands;
  NamingInterpreter interpreter{commands};
  AcceleratedScreen screen{"Screen"};
  std::unique_ptr<TInterfaceLoader> loader;
  std::vector<std::string> problems;
};

TEST(InterfaceTypeNamesTest, TwentyOneNamesInTheirOrderMatchedExactly) {
  const std::vector<std::string> expected = {
      "Interactive Panel", "Stretchy Panel", "Background Panel",   "Panel",          "Toggle",
      "Touch",             "Grey Button",    "Conditional Button", "Button",         "Switch Item",
      "Switch",            "Radio",          "Node",               "Interactive Text", "Box Text",
      "Obtuse Edit Box",   "Edit Box",       "Text",               "Dialogue Panel", "Programmable Panel",
      "Progress Bar"};
  ASSERT_EQ(TInterfaceLoader::kTypeCount, expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(TInterfaceLoader::kTypeNames[i], expected[i]);
    EXPECT_EQ(TInterfaceLoader::TypeIndex(expected[i]), static_cast<int32_t>(i));
  }
  for (const char* near : {"button", "Button ", "Butto", "Buttons", "End", ""}) {
    EXPECT_EQ(TInterfaceLoader::TypeIndex(near), -1) << near;
  }
  TInterfaceLoader loader("");
  EXPECT_FALSE(loader.Register("Widget", MakeStandInButton));
  EXPECT_TRUE(loader.Register("Progress Bar", MakeStandInButton));
  EXPECT_TRUE(loader.IsRegistered("Progress Bar"));
  EXPECT_FALSE(loader.IsRegistered("Panel"));
}

TEST_F(InterfaceLoaderTest, ASectionLoadsIntoTheExpectedTree) {
  Load(
      "[Other]\nButton | RelPosX = 1, RelPosY = 1 | Wrong | Wrong\n"
      "[Screen]\n"
      "Node | ID = Group\n"
      "  Button | CentrePosX = -50, CentrePosY = 10 | OkVisual | SendOrders | ID = Ok | Tooltip = @12\n"
      "\n"
      "  Button | RelPosX = -100, FracPosY = 0.25 | NoVisual | Hold | ID = No\n"
      "End\n"
      "Button | AbsPosX = -5, RelPosY = -40 | Quit | Null | Tooltip = Leave | ID = Quit\n"
      "[Keyboard Accelerators]\n"
      "return | SendOrders | Null\n"
      "esc | Null | Undo\n");
  EXPECT_EQ(Tree(), "Screen:node[Group:node[Ok:button No:button] Quit:button]");
  EXPECT_TRUE(problems.empty()) << problems.front();

  const StandInButton& ok = Button("Ok");
  EXPECT_FLOAT_EQ(ok.ScreenPosition().x, 350.0f);
  EXPECT_FLOAT_EQ(ok.ScreenPosition().y, 310.0f);
  EXPECT_EQ(ok.visual, "OkVisual");
  EXPECT_EQ(CommandName(ok.command.get()), "SendOrders");
  EXPECT_EQ(ok.tooltip, "@12");
  const StandInButton& no = Button("No");
  EXPECT_FLOAT_EQ(no.ScreenPosition().x, 700.0f);
  EXPECT_FLOAT_EQ(no.ScreenPosition().y, 150.0f);
  EXPECT_EQ(CommandName(no.command.get()), "Hold");
  const StandInButton& quit = Button("Quit");
  EXPECT_FLOAT_EQ(quit.ScreenPosition().x, -5.0f);
  EXPECT_FLOAT_EQ(quit.ScreenPosition().y, 560.0f);
  EXPECT_EQ(CommandName(quit.command.get()), "Null");
  EXPECT_EQ(quit.tooltip, "Leave");

  ASSERT_EQ(screen.accelerators.size(), 2u);
  EXPECT_EQ(screen.accelerators[0]->GetKey().GetName(), "return");
  EXPECT_EQ(screen.accelerators[1]->GetKey().GetName(), "esc");
  // Commands are built in line order, the accelerators' after the widgets'.
  EXPECT_EQ(interpreter.asked,
            (std::vector<std::string>{"SendOrders", "Hold", "Null", "SendOrders", "Null", "Null", "Undo"}));
}

TEST_F(InterfaceLoaderTest, EndEndsTheListItStandsIn) {
  struct Case {
    std::string name;
    std::string body;
    std::string tree;
  };
  const std::string button = "Button | RelPosX = 0, RelPosY = 0 | V | C | ID = ";
  const std::vector<Case> cases = {
      {"top-level End", button + "a\nEnd\n" + button + "b\n", "Screen:node[a:button]"},
      // Comments are dropped with the blank lines.
      {"comment", button + "a\n# note\n" + button + "b # c\n", "Screen:node[a:button b:button]"},
      {"nested", "Node | ID = n\nNode | ID = m\n" + button + "a\nEnd\n" + button + "b\nEnd\n" + button + "c\n",
       "Screen:node[n:node[m:node[a:button] b:button] c:button]"},
      {"empty node", "Node | ID = n\nEnd\n" + button + "c\n", "Screen:node[n:node c:button]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    screen.RemoveChildByName("n");
    while (screen.ChildCount() > 0) screen.RemoveChildAt(0);
    problems.clear();
    Load("[Screen]\n" + c.body);
    EXPECT_EQ(Tree(), c.tree);
    EXPECT_TRUE(problems.empty());
  }
}

TEST_F(InterfaceLoaderTest, AcceleratorsMustFollowTheSectionDirectly) {
  Load("[Screen]\nNode | ID = n\nEnd\n[Between]\n[Keyboard Accelerators]\nreturn | A | B\n");
  EXPECT_TRUE(screen.accelerators.empty());
  EXPECT_EQ(Tree(), "Screen:node[n:node]");
}

TEST_F(InterfaceLoaderTest, TheFirstOfTwoSectionsOfOneNameIsUsed) {
  Load("[Screen]\nNode | ID = first\nEnd\n[Screen]\nNode | ID = second\nEnd\n");
  EXPECT_EQ(Tree(), "Screen:node[first:node]");
}

TEST_F(InterfaceLoaderTest, AMissingSectionBuildsNothing) {
  Load("[Elsewhere]\nNode | ID = n\nEnd\n[Keyboard Accelerators]\nreturn | A | B\n");
  EXPECT_EQ(Tree(), "Screen:node");
  EXPECT_TRUE(screen.accelerators.empty());
  EXPECT_TRUE(interpreter.asked.empty());
}

TEST_F(InterfaceLoaderTest, FaultyLinesAreToldAndDrawNothingWhileTheRestLoads) {
  struct Case {
    std::string name;
    std::string body;
    std::string tree;
    std::string problem;  // a part of the first message
    std::string without = "";
  };
  const std::string after = "Button | RelPosX = 0, RelPosY = 0 | V | C | ID = after\n";
  const std::vector<Case> cases = {
      {"unknown type", "Buton | RelPosX = 0, RelPosY = 0 | V | C | ID = typo\n" + after,
       "Screen:node[typo:inert after:button]", "\"Buton\" is no widget type"},
      // The blank visual field vanishes: the command moves into its place.
      {"blank field", "Button | RelPosX = 0, RelPosY = 0 |   | C\n" + after, "Screen:node[:inert after:button]",
       "has 3 fields where 4 are needed"},
      {"type of a later build", "Dialogue Panel | RelPosX = 0, RelPosY = 0 | x | y | ID = d\n" + after,
       "Screen:node[d:inert after:button]", "\"Dialogue Panel\" is not available", "Dialogue Panel"},
      {"unavailable container keeps its lines", "Radio | ID = r\n" + after + "End\n" + after,
       "Screen:node[r:hidden node[after:button] after:button]", "\"Radio\" is not available", "Radio"},
      {"unclosed node", "Node | ID = n\n" + after, "Screen:node[n:node[after:button]]", "not closed by \"End\""},
      {"position no number", "Button | RelPosX = 1e999, RelPosY = nan | V | C | ID = far\n",
       "Screen:node[far:button]", "not a finite number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    while (screen.ChildCount() > 0) screen.RemoveChildAt(0);
    problems.clear();
    Load("[Screen]\n" + c.body, "Screen", c.without);
    EXPECT_EQ(Tree(), c.tree);
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems.front().find(c.problem), std::string::npos) << problems.front();
    EXPECT_NE(problems.front().find("[Screen] line "), std::string::npos) << problems.front();
  }
  TVector3 where;
  screen.FindByName("far")->GetScreenPosition(where);
  EXPECT_FLOAT_EQ(where.x, 0.0f);
  EXPECT_FLOAT_EQ(where.y, 0.0f);
}

TEST_F(InterfaceLoaderTest, NestingIsBoundedAndTheDeepLinesAreSkipped) {
  std::string body;
  for (int i = 0; i < 200; ++i) body += "Node | ID = n" + std::to_string(i) + "\n";
  body += "Button | RelPosX = 0, RelPosY = 0 | V | C | ID = deep\n";
  for (int i = 0; i < 200; ++i) body += "End\n";
  body += "Button | RelPosX = 0, RelPosY = 0 | V | C | ID = last\n";
  Load("[Screen]\n" + body);
  EXPECT_EQ(screen.FindByName("deep"), nullptr);
  EXPECT_NE(screen.FindByName("n31"), nullptr);
  EXPECT_EQ(screen.FindByName("n33"), nullptr);
  ASSERT_NE(screen.FindByName("last"), nullptr);
  EXPECT_EQ(screen.FindByName("last")->GetParent(), &screen);
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems.front().find("nested deeper"), std::string::npos);
}

TEST_F(InterfaceLoaderTest, ProblemsAreToldUpToALimit) {
  std::string body;
  for (int i = 0; i < 500; ++i) body += "Nonsense\n";
  Load("[Screen]\n" + body);
  EXPECT_EQ(screen.ChildCount(), 500u);
  EXPECT_EQ(problems.size(), static_cast<std::size_t>(TInterfaceLoader::kMaxReports) + 1);
}

TEST_F(InterfaceLoaderTest, FaultyAcceleratorLinesAreToldAndLeftOut) {
  Load("[Screen]\nNode | ID = n\nEnd\n[Keyboard Accelerators]\nreturn | OnlyOne\nnokey | A | B\n# note\n"
       "F5 | A | B\n");
  ASSERT_EQ(screen.accelerators.size(), 1u);
  EXPECT_EQ(screen.accelerators[0]->GetKey().GetName(), "F5");
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("needs a key and two commands"), std::string::npos);
  EXPECT_NE(problems[1].find("\"nokey\" is no key name"), std::string::npos);
}

TEST_F(InterfaceLoaderTest, AcceleratorsForAParentThatCannotHoldThemAreTold) {
  loader = std::make_unique<TInterfaceLoader>("# x\n[Dialogue]\nNode | ID = n\nEnd\n[Keyboard Accelerators]\nesc | A | B\n");
  RegisterWidgetTypes(*loader);
  loader->SetReporter([this](const std::string& line) { problems.push_back(line); });
  TNode dialogue("Dialogue");
  loader->LoadSection("Dialogue", dialogue, interpreter);
  EXPECT_EQ(dialogue.ChildCount(), 1u);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("cannot hold them"), std::string::npos);
}

TEST_F(InterfaceLoaderTest, EveryBoxTextEmptiesTheMessageStream) {
  Load("[Screen]\n");
  loader->Register("Box Text", [](TElementLine& line) { return std::make_unique<TInertWidget>(line.Id(), TScreenPosition()); });
  TMessageStream::Instance()->Write("old news\n");
  loader->LoadSection("Screen", screen, interpreter);
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "old news\n");
  auto box = loader->CreateElement("Box Text | RelPosX = 0, RelPosY = 0 | ID = b", interpreter);
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "");
  EXPECT_EQ(box->GetName(), "b");
}

TEST_F(InterfaceLoaderTest, CreateElementBuildsOneLineWithoutChildren) {
  Load("[Screen]\n");
  auto node = loader->CreateElement("Node | ID = alone", interpreter);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(Describe(*node), "alone:node");
  EXPECT_EQ(loader->CreateElement("End", interpreter), nullptr);
  EXPECT_EQ(loader->CreateElement("", interpreter), nullptr);
  auto button = loader->CreateElement("Button | RelPosX = 4, RelPosY = 5 | V | Go", interpreter);
  ASSERT_NE(dynamic_cast<StandInButton*>(button.get()), nullptr);
  EXPECT_EQ(button->GetName(), "");
  EXPECT_TRUE(problems.empty());
}

TEST(InterfaceLoaderFieldsTest, IdsTooltipsAndKeyTextComeFromAnyField) {
  struct Case {
    std::vector<std::string> fields;
    std::string id;
    std::string tooltip;
  };
  const std::vector<Case> cases = {
      {{"Button", "p", "v", "c", "ID = Ok", "Tooltip = Press me"}, "Ok", "Press me"},
      {{"Button", "Tooltip = @7", "ID = Late"}, "Late", "@7"},
      {{"Button", "p", "v", "c"}, "", ""},
      {{"Button", "ID=Tight", "ID = Second"}, "Second", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TInterfaceLoader::ReadId(c.fields), c.id);
    EXPECT_EQ(TInterfaceLoader::ReadTooltip(c.fields), c.tooltip);
  }
  TInterfaceLoader loader("");
  TElementLine line(loader, {"Text", "RelPosX = 0, RelPosY = 0", "Text = @5", "Style = ^n"});
  EXPECT_EQ(line.KeyText(), "RelPosX = 0, RelPosY = 0\r\nText = @5\r\nStyle = ^n\r\n");
  EXPECT_EQ(line.Field(9), "");
}

TEST(InterfaceLoaderInstanceTest, AMissingFileGivesALoaderThatBuildsNothing) {
  TTempFolder folder;
  TInterfaceLoader::Free();
  TInterfaceLoader* loader = TInterfaceLoader::Instance();
  EXPECT_EQ(TInterfaceLoader::Instance(), loader);
  EXPECT_TRUE(loader->IsRegistered("Node"));
  CommandLog log;
  NamingInterpreter interpreter(log);
  TNode screen("Intro Screen");
  loader->LoadSection("Intro Screen", screen, interpreter);
  EXPECT_EQ(screen.ChildCount(), 0u);
  TInterfaceLoader::Free();
}

TEST(InterfaceLoaderInstanceTest, TheFileOfTheDataFolderIsRead) {
  TTempFolder folder;
  folder.Write("Configs/Interface.cfg", "# interface\n[Demo]\nNode | ID = from file\nEnd\n");
  TInterfaceLoader::Free();
  CommandLog log;
  NamingInterpreter interpreter(log);
  TNode screen("Demo");
  TInterfaceLoader::Instance()->LoadSection("Demo", screen, interpreter);
  EXPECT_EQ(Describe(screen), "Demo:node[from file:node]");
  TInterfaceLoader::Free();
}

}  // namespace

namespace {

// The toolkit's demonstration section of the fixture file, with its texts.
class ToolkitSectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.Write("Languages/ENG/Interface_ENG.cfg", "# texts\n[1]\nToolkit\n[2]\nTurn:\n");
    DestroyStringTable();
    GetStringTable()->SetLanguage("ENG");
    std::ifstream file(std::string(DVX_TEST_FIXTURES) + "/ui/Interface.cfg", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(text.empty());
    loader = std::make_unique<TInterfaceLoader>(text);
    RegisterWidgetTypes(*loader);
    loader->SetReporter([this](const std::string& line) { problems.push_back(line); });
    interpreter.results["TurnText"] = [] { return std::string("3/10"); };
    interpreter.results["GetMessageStream"] = [] { return TMessageStream::Instance()->GetText(); };
    TMessageStream::Instance()->Write("left over\n");
    loader->LoadSection("Toolkit Demo", screen, interpreter);
  }
  void TearDown() override {
    TMessageStream::Instance()->DetachView();
    DestroyStringTable();
  }
  template <class Widget>
  Widget& Find(const std::string& name) {
    auto* widget = dynamic_cast<Widget*>(screen.FindByName(name));
    if (widget == nullptr) throw std::runtime_error("no widget " + name);
    return *widget;
  }

  TTempFolder folder;
  testing_ui::ScopedUiDisplay display{800, 600};
  CommandLog commands;
  NamingInterpreter interpreter{commands};
  AcceleratedScreen screen{"Toolkit Demo"};
  std::unique_ptr<TInterfaceLoader> loader;
  std::vector<std::string> problems;
};

TEST_F(ToolkitSectionTest, LoadsTheExpectedTree) {
  EXPECT_EQ(Describe(screen),
            "Toolkit Demo:node[Title:widget Status:node[Turn:widget Unstyled:widget Inner:node[Deep:widget]] "
            "Messages:widget :widget]");
  EXPECT_TRUE(problems.empty());
  struct Expected {
    std::string name;
    float x;
    float y;
  };
  for (const Expected& e : std::vector<Expected>{{"Title", 400, 20},
                                                 {"Turn", 10, 560},
                                                 {"Unstyled", 400, 540},
                                                 {"Deep", -5, 7},
                                                 {"Messages", 20, 60}}) {
    SCOPED_TRACE(e.name);
    const TVector3& at = screen.FindByName(e.name)->ScreenPosition();
    EXPECT_FLOAT_EQ(at.x, e.x);
    EXPECT_FLOAT_EQ(at.y, e.y);
  }
  TVector3 corner;
  Find<TBoxText>("Messages").GetBottomRight(corner);
  EXPECT_FLOAT_EQ(corner.x, 400.0f);
  EXPECT_FLOAT_EQ(corner.y, 124.0f);
  ASSERT_EQ(screen.accelerators.size(), 3u);
  EXPECT_EQ(screen.accelerators[2]->GetKey().GetName(), "F1");
}

TEST_F(ToolkitSectionTest, TextKeysAreReadByType) {
  const TText& title = Find<TText>("Title");
  EXPECT_EQ(title.GetText(), "Toolkit");
  EXPECT_TRUE(title.IsCentred());
  EXPECT_EQ(title.GetStyle(), "^b");
  // Without a style the centring is not read, and the text draws nothing.
  const TText& plain = Find<TText>("Unstyled");
  EXPECT_FALSE(plain.IsCentred());
  EXPECT_EQ(plain.GetRun(), nullptr);
  // The box text without a command has no name, whatever its "ID" says.
  const auto* nameless = dynamic_cast<const TBoxText*>(screen.ChildAt(3));
  ASSERT_NE(nameless, nullptr);
  EXPECT_EQ(nameless->GetName(), "");
  EXPECT_TRUE(nameless->GetCommand()->IsNull());
  EXPECT_EQ(CommandName(Find<TInteractiveText>("Turn").GetCommand()), "TurnText");
  // Every command key of the types is asked for, the empty ones too.
  EXPECT_EQ(interpreter.asked, (std::vector<std::string>{"TurnText", "GetMessageStream", "", "SendOrders", "Null",
                                                         "Null", "Undo", "Help", "Null"}));
}

TEST_F(ToolkitSectionTest, FramesShowLiveValuesAndTheMessageStream) {
  EXPECT_EQ(TMessageStream::Instance()->GetText(), "");
  EXPECT_EQ(TMessageStream::Instance()->GetView(), &Find<TBoxText>("Messages"));
  screen.Think();
  EXPECT_EQ(Find<TInteractiveText>("Turn").ShownText(), "Turn:3/10");
  TMessageStream::Instance()->Write("Contact to the north\n");
  display.Texts().drawn.clear();
  screen.Draw();
  const std::vector<std::string> drawn = display.Texts().Texts();
  for (const char* expected : {"Toolkit", "Turn:3/10", "deep", "Contact to the north\n", "Nameless"}) {
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), expected), drawn.end()) << expected;
  }
}

TEST_F(ToolkitSectionTest, ABoxTextWithoutItsSecondPositionIsTold) {
  auto box = loader->CreateElement("Box Text | RelPosX = 0, RelPosY = 0 | Text = x | Style = ^n", interpreter);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(dynamic_cast<TInertWidget*>(box.get()), nullptr);
  ASSERT_FALSE(problems.empty());
  EXPECT_NE(problems[0].find("has 4 fields where 7 are needed"), std::string::npos);
}

}  // namespace
