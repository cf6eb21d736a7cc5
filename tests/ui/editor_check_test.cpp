// "Check" compiles the edited texts and names the faulty line.
#include <string>
#include <vector>

#include "tests/ui/editor_fixture.h"

namespace {

struct CheckCase {
  const char* what;
  const char* init;
  const char* transform;
  std::vector<std::string> boxes;
};

const CheckCase kCheckCases[] = {
    {"a good program says nothing", "a=1;\r\n?p,size,0,100,50;\r\n", "x=x+p;\r\n", {}},
    {"a declaration on line 2 keeps the Init line numbers",
     "a=1;\r\n?p,size,0,100,50;\r\nb=;\r\n", "x=x;\r\n",
     {"error: Error in Initialize program in line 3."}},
    {"an Init fault on line 1", "a=;\r\n", "x=x;\r\n",
     {"error: Error in Initialize program in line 1."}},
    {"a Transform fault on line 2", "a=1;\r\n", "x=x;\r\ny=y+;\r\n",
     {"error: Error in Transform program in line 2."}},
    {"Init is checked before Transform", "a=;\r\n", "y=;\r\n",
     {"error: Error in Initialize program in line 1."}},
    {"a declaration without its default",
     "?p,size,0,100;\r\n", "x=x;\r\n", {"error: Error in Initial parameter setting."}},
    {"declarations are checked before the Init text",
     "a=;\r\n?p,,0,100,50;\r\n", "x=x;\r\n", {"error: Error in Initial parameter setting."}},
    {"an Init text of declarations only", "?p,size,0,100,50;\r\n?q,turn,0,9,1;\r\n",
     "x=x;\r\n", {}},
    {"empty texts are no error", "", "", {}},
};

class EditorCheckTest : public EditorTest,
                        public ::testing::WithParamInterface<CheckCase> {};

TEST_P(EditorCheckTest, ReportsTheFirstFaultWithItsLine) {
  const CheckCase& c = GetParam();
  WriteLibrary({Program("Deform", "Wave")});
  ScriptedUser user;
  user.TypeText(IDC_EDIT_INIT, c.init);
  user.TypeText(IDC_EDIT_TRANSFORM, c.transform);
  user.ClickButton(IDC_EDIT_CHECK);
  user.ClickButton(IDCANCEL);
  RunEditor(user);
  EXPECT_EQ(Boxes(user), c.boxes) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Texts, EditorCheckTest, ::testing::ValuesIn(kCheckCases));

TEST_F(EditorTest, CheckLeavesTheLibraryAlone) {
  WriteLibrary({Program("Deform", "Wave")});
  std::string before = ReadFile(DataFile("Morfel.ini"));
  ScriptedUser user;
  user.TypeText(IDC_EDIT_INIT, "b=;\r\n");
  user.ClickButton(IDC_EDIT_CHECK);
  user.ClickButton(IDOK);
  RunEditor(user);
  EXPECT_EQ(ReadFile(DataFile("Morfel.ini")), before);
}

}  // namespace
