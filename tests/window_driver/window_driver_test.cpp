// The window driver against a window of its own (driver_test_app.exe, built
// beside this program): every wait, read and action, the message box
// handling, and that a started program never outlives the test that started
// it, even when that test fails half-way.
#include "window_driver/window_driver.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kFormClass[] = "TDriverTestForm";
constexpr char kFormCaption[] = "Driver Test";

std::string AppCommand(const std::string& arguments = {}) {
  std::string command = driver::Quote(driver::ProgramFolder() + "driver_test_app.exe");
  if (!arguments.empty()) command += " " + arguments;
  return command;
}

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A handle of our own on `process`, to watch it after its owner is gone.
win32::ScopedHandle Watch(HANDLE process) {
  HANDLE copy = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), process, ::GetCurrentProcess(), &copy,
                    SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, 0);
  return win32::ScopedHandle(copy);
}

HWND WaitForForm(DWORD process_id) {
  return driver::WaitForWindow({.class_name = kFormClass, .caption = kFormCaption, .process_id = process_id});
}

// Each test gets a fresh program and its window; the Process member ends the
// program whatever way the test ends.
class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override { StartApp(); }

  void StartApp(const std::string& arguments = {}) {
    ASSERT_TRUE(app_.Start(AppCommand(arguments))) << app_.error();
    form_ = WaitForForm(app_.id());
    ASSERT_NE(form_, nullptr) << "no " << driver::Describe(driver::WindowQuery{kFormClass, kFormCaption, app_.id()})
                              << " within " << driver::kDefaultTimeout.count() << " ms";
  }

  HWND Control(const std::string& name) { return driver::RequireControl(form_, name); }
  std::string Status() { return driver::Text(Control("StatusLabel")); }
  bool WaitForStatus(const std::string& expected) {
    return driver::WaitUntil([&] { return Status() == expected; });
  }
  std::string Counts() { return driver::Text(Control("CountLabel")); }
  // Returns once the program has handled everything posted to it before: two
  // clicks, each waited for, so that messages the first one's predecessors
  // posted in turn have been handled by the time the second one shows.
  void Settle() {
    HWND agree = Control("AgreeCheck");
    for (const char* expected : {"agree: checked", "agree: unchecked"}) {
      driver::Click(agree);
      ASSERT_TRUE(WaitForStatus(expected)) << Status();
    }
  }

  driver::Process app_;
  HWND form_ = nullptr;
};

// ---- Processes -----------------------------------------------------------------

TEST(ProcessTest, StartReportsAProgramThatDoesNotExist) {
  driver::Process process;
  std::string missing = driver::ProgramFolder() + "no_such_program_4711.exe";
  EXPECT_FALSE(process.Start(driver::Quote(missing)));
  EXPECT_FALSE(process.started());
  EXPECT_EQ(process.id(), 0u);
  EXPECT_FALSE(process.IsRunning());
  EXPECT_FALSE(process.WaitForExit(0ms).has_value());
  EXPECT_TRUE(Contains(process.error(), "no_such_program_4711.exe")) << process.error();
  EXPECT_TRUE(Contains(process.error(), "(" + std::to_string(ERROR_FILE_NOT_FOUND) + ")")) << process.error();
}

TEST(ProcessTest, WaitForExitAnswersTheExitCodeOfAClosedProgram) {
  driver::Process app;
  ASSERT_TRUE(app.Start(AppCommand())) << app.error();
  EXPECT_TRUE(app.started());
  EXPECT_NE(app.id(), 0u);
  HWND form = WaitForForm(app.id());
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(app.IsRunning());
  driver::Close(form);
  std::optional<DWORD> code = app.WaitForExit();
  ASSERT_TRUE(code.has_value()) << "the program still runs after its window was closed";
  EXPECT_EQ(*code, 3u);
  EXPECT_FALSE(app.IsRunning());
}

TEST(ProcessTest, WaitForExitIsBoundedWhileTheProgramRuns) {
  driver::Process app;
  ASSERT_TRUE(app.Start(AppCommand())) << app.error();
  ASSERT_NE(WaitForForm(app.id()), nullptr);
  Clock::time_point start = Clock::now();
  std::optional<DWORD> code = app.WaitForExit(200ms);
  long long elapsed = MillisecondsSince(start);
  EXPECT_FALSE(code.has_value()) << "exit code " << code.value_or(0);
  EXPECT_GE(elapsed, 150);
  EXPECT_LT(elapsed, 5000);
  EXPECT_TRUE(app.IsRunning());
}

TEST(ProcessTest, TerminateEndsTheProgramAndItsWindows) {
  driver::Process app;
  ASSERT_TRUE(app.Start(AppCommand())) << app.error();
  HWND form = WaitForForm(app.id());
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(app.Terminate());
  EXPECT_FALSE(app.IsRunning());
  EXPECT_EQ(app.WaitForExit(0ms), std::optional<DWORD>(driver::kTerminatedExitCode));
  EXPECT_TRUE(driver::WaitForWindowGone(form)) << driver::Describe(form);
  EXPECT_TRUE(app.Terminate()) << "terminating an ended program is no failure";
}

TEST(ProcessTest, DestructorTerminatesARunningProgram) {
  win32::ScopedHandle watched;
  {
    driver::Process app;
    ASSERT_TRUE(app.Start(AppCommand())) << app.error();
    watched = Watch(app.handle());
    ASSERT_TRUE(watched.valid());
    ASSERT_NE(WaitForForm(app.id()), nullptr);
  }
  EXPECT_EQ(::WaitForSingleObject(watched.get(), 0), WAIT_OBJECT_0) << "the program outlived its Process";
  DWORD code = 0;
  EXPECT_TRUE(::GetExitCodeProcess(watched.get(), &code));
  EXPECT_EQ(code, driver::kTerminatedExitCode);
}

// Set by StartAppThenFail, which cannot hand anything back through EXPECT_FATAL_FAILURE.
win32::ScopedHandle g_watched;

void StartAppThenFail() {
  driver::Process app;
  ASSERT_TRUE(app.Start(AppCommand())) << app.error();
  g_watched = Watch(app.handle());
  ASSERT_NE(WaitForForm(app.id()), nullptr);
  FAIL() << "deliberate failure while the program runs";
}

TEST(ProcessTest, ProgramEndsWhenATestFailsHalfWay) {
  EXPECT_FATAL_FAILURE(StartAppThenFail(), "deliberate failure while the program runs");
  ASSERT_TRUE(g_watched.valid());
  EXPECT_EQ(::WaitForSingleObject(g_watched.get(), 0), WAIT_OBJECT_0) << "the program outlived the failed test";
  g_watched.reset();
}

TEST(ProcessTest, ProgramEndsWhenADriverErrorLeavesTheTest) {
  win32::ScopedHandle watched;
  std::string message;
  try {
    driver::Process app;
    ASSERT_TRUE(app.Start(AppCommand())) << app.error();
    watched = Watch(app.handle());
    HWND form = WaitForForm(app.id());
    ASSERT_NE(form, nullptr);
    driver::RequireControl(form, "NoSuchControl");
    ADD_FAILURE() << "RequireControl found a control that does not exist";
  } catch (const driver::Error& error) {
    message = error.what();
  }
  ASSERT_TRUE(watched.valid());
  EXPECT_EQ(::WaitForSingleObject(watched.get(), 0), WAIT_OBJECT_0) << "the program outlived the exception";
  EXPECT_TRUE(Contains(message, "\"NoSuchControl\"")) << message;
  EXPECT_TRUE(Contains(message, "NameEdit, AskButton, AgreeCheck")) << message;
  EXPECT_TRUE(Contains(message, kFormClass)) << message;
}

TEST(ProcessTest, StartsInTheWorkingDirectoryGiven) {
  char windows[MAX_PATH];
  UINT n = ::GetWindowsDirectoryA(windows, sizeof(windows));
  ASSERT_GT(n, 0u);
  driver::Process app;
  ASSERT_TRUE(app.Start(AppCommand(), windows)) << app.error();
  HWND form = WaitForForm(app.id());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Lower(driver::Text(driver::RequireControl(form, "DirLabel"))), Lower(windows));
}

TEST(ProcessTest, MoveHandsOverTheProgram) {
  driver::Process first;
  ASSERT_TRUE(first.Start(AppCommand())) << first.error();
  DWORD id = first.id();
  win32::ScopedHandle first_watched = Watch(first.handle());

  driver::Process second(std::move(first));
  EXPECT_FALSE(first.started());
  EXPECT_EQ(first.id(), 0u);
  EXPECT_EQ(second.id(), id);
  EXPECT_TRUE(second.IsRunning());

  driver::Process third;
  ASSERT_TRUE(third.Start(AppCommand())) << third.error();
  win32::ScopedHandle third_watched = Watch(third.handle());
  third = std::move(second);  // ends the program third owned before
  EXPECT_EQ(::WaitForSingleObject(third_watched.get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(third.id(), id);
  EXPECT_TRUE(third.IsRunning());
  EXPECT_EQ(::WaitForSingleObject(first_watched.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// ---- Waiting ---------------------------------------------------------------------

TEST(WaitTest, WaitUntilPollsUntilTheConditionHolds) {
  int calls = 0;
  EXPECT_TRUE(driver::WaitUntil([&] { return ++calls == 3; }, 5000ms, 10ms));
  EXPECT_EQ(calls, 3);
}

TEST(WaitTest, WaitUntilGivesUpAfterTheTimeout) {
  int calls = 0;
  Clock::time_point start = Clock::now();
  EXPECT_FALSE(driver::WaitUntil([&] { return ++calls < 0; }, 200ms, 20ms));
  long long elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 200);
  EXPECT_LT(elapsed, 3000);
  EXPECT_GE(calls, 2) << "the condition is asked at the start and once more at the end";
  EXPECT_LE(calls, 13) << "polled more often than every 20 ms";
}

TEST_F(DriverTest, FindsTheWindowByClassCaptionAndProcess) {
  EXPECT_EQ(driver::FindTopLevelWindow({.class_name = kFormClass, .process_id = app_.id()}), form_);
  EXPECT_EQ(driver::FindTopLevelWindow({.class_name = "tdrivertestform", .process_id = app_.id()}), form_)
      << "class names compare without case";
  EXPECT_EQ(driver::FindTopLevelWindow({.caption = kFormCaption, .process_id = app_.id()}), form_);
  EXPECT_EQ(driver::FindTopLevelWindows({.class_name = kFormClass, .process_id = app_.id()}),
            std::vector<HWND>{form_});
  EXPECT_EQ(driver::FindTopLevelWindow({.class_name = kFormClass, .caption = "driver test", .process_id = app_.id()}),
            nullptr)
      << "captions compare exactly";
  EXPECT_EQ(driver::FindTopLevelWindow({.class_name = kFormClass, .process_id = ::GetCurrentProcessId()}), nullptr);
  EXPECT_EQ(driver::ProcessIdOf(form_), app_.id());

  Clock::time_point start = Clock::now();
  EXPECT_EQ(driver::WaitForWindow({.class_name = "TNoSuchForm", .process_id = app_.id()}, 300ms), nullptr);
  long long elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 300);
  EXPECT_LT(elapsed, 3000);
}

TEST_F(DriverTest, FindsControlsByNameIdAndClass) {
  struct Expected {
    const char* name;
    const char* window_class;
    int id;
  };
  const Expected expected[] = {
      {"NameEdit", "Edit", 101},     {"AskButton", "Button", 102},   {"AgreeCheck", "Button", 103},
      {"ColorList", "ListBox", 104}, {"SizeCombo", "ComboBox", 105}, {"StatusLabel", "Static", 106},
      {"HiddenLabel", "Static", 107}, {"HangButton", "Button", 108}, {"NoticeButton", "Button", 109},
      {"NotesMemo", "Edit", 110},    {"DirLabel", "Static", 111},     {"CountLabel", "Static", 112},
  };
  std::vector<std::string> names;
  for (HWND child : driver::Descendants(form_)) names.push_back(driver::ComponentName(child));
  std::vector<std::string> expected_names;
  for (const Expected& e : expected) expected_names.push_back(e.name);
  EXPECT_EQ(names, expected_names) << "descendants in creation order, and nothing more";

  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    HWND control = driver::FindControl(form_, e.name);
    ASSERT_NE(control, nullptr) << driver::DescribeTree(form_);
    EXPECT_EQ(driver::ComponentName(control), e.name);
    EXPECT_EQ(Lower(driver::ClassName(control)), Lower(e.window_class));
    EXPECT_EQ(driver::ControlId(control), e.id);
    EXPECT_EQ(driver::FindControlById(form_, e.id), control);
  }
  EXPECT_EQ(driver::FindControl(form_, "nameedit"), nullptr) << "component names compare exactly";
  EXPECT_EQ(driver::FindControl(form_, "NoSuchControl"), nullptr);
  EXPECT_EQ(driver::FindControlById(form_, 4711), nullptr);
  EXPECT_EQ(driver::FindControlByClass(form_, "button"), driver::FindControl(form_, "AskButton"));
  EXPECT_EQ(driver::FindControlByClass(form_, "Button", 2), driver::FindControl(form_, "HangButton"));
  EXPECT_EQ(driver::FindControlByClass(form_, "Button", 4), nullptr);
  EXPECT_EQ(driver::WaitForControl(form_, "NotesMemo", 100ms), driver::FindControl(form_, "NotesMemo"));
  EXPECT_EQ(driver::WaitForControl(form_, "NoSuchControl", 100ms), nullptr);
  EXPECT_EQ(driver::ComponentName(form_), "");
}

// ---- Reading -----------------------------------------------------------------------

TEST_F(DriverTest, ReadsTextsAndStates) {
  EXPECT_EQ(driver::Text(form_), kFormCaption);
  EXPECT_EQ(driver::Text(Control("NameEdit")), "");
  EXPECT_EQ(driver::Text(Control("AskButton")), "&Ask");
  EXPECT_EQ(Status(), "ready");

  EXPECT_FALSE(driver::IsEnabled(Control("AskButton")));
  EXPECT_TRUE(driver::IsEnabled(Control("HangButton")));
  EXPECT_TRUE(driver::IsVisible(Control("AskButton")));
  EXPECT_FALSE(driver::IsVisible(Control("HiddenLabel")));
  EXPECT_TRUE(driver::IsVisible(form_));

  EXPECT_FALSE(driver::IsChecked(Control("AgreeCheck")));
  EXPECT_EQ(driver::CheckState(Control("AgreeCheck")), BST_UNCHECKED);

  EXPECT_TRUE(driver::WaitUntil([&] { return driver::FocusedControl(form_) == Control("NameEdit"); }))
      << "focus: " << driver::Describe(driver::FocusedControl(form_));
}

TEST_F(DriverTest, ReadsListAndComboBoxItems) {
  HWND colors = Control("ColorList");
  EXPECT_EQ(driver::ItemCount(colors), 3);
  EXPECT_EQ(driver::Items(colors), (std::vector<std::string>{"Red", "Green", "Blue"}));
  EXPECT_EQ(driver::ItemText(colors, 1), "Green");
  EXPECT_EQ(driver::SelectedIndex(colors), -1);
  EXPECT_EQ(driver::ItemData(colors, 1), static_cast<LRESULT>(RGB(0, 255, 0)));
  EXPECT_THROW(driver::ItemText(colors, 3), driver::Error);

  HWND sizes = Control("SizeCombo");
  EXPECT_EQ(driver::ItemCount(sizes), 3);
  EXPECT_EQ(driver::Items(sizes), (std::vector<std::string>{"Small", "Medium", "Large"}));
  EXPECT_EQ(driver::SelectedIndex(sizes), 1);
  EXPECT_THROW(driver::ItemText(sizes, -2), driver::Error);
}

TEST_F(DriverTest, DescribeNamesClassCaptionComponentAndState) {
  HWND ask = Control("AskButton");
  std::string text = driver::Describe(ask);
  EXPECT_TRUE(Contains(text, "Button '&Ask' [AskButton] id 102, disabled")) << text;
  EXPECT_TRUE(Contains(text, "pid " + std::to_string(app_.id()))) << text;
  text = driver::Describe(Control("HiddenLabel"));
  EXPECT_TRUE(Contains(text, "[HiddenLabel]")) << text;
  EXPECT_TRUE(Contains(text, "hidden")) << text;
  text = driver::Describe(form_);
  EXPECT_TRUE(Contains(text, std::string(kFormClass) + " '" + kFormCaption + "'")) << text;
  EXPECT_FALSE(Contains(text, " id ")) << "a top-level window has no control id: " << text;
  EXPECT_EQ(driver::Describe(static_cast<HWND>(nullptr)), "no window (null handle)");

  std::string tree = driver::DescribeTree(form_);
  EXPECT_EQ(tree.rfind(driver::Describe(form_) + "\n", 0), 0u) << tree;
  for (const char* name : {"NameEdit", "ColorList", "SizeCombo", "DirLabel"})
    EXPECT_TRUE(Contains(tree, "\n  " + driver::Describe(Control(name)) + "\n")) << name << " in\n" << tree;
}

TEST_F(DriverTest, CallsOnAWindowThatIsGoneThrow) {
  HWND edit = Control("NameEdit");
  driver::Close(form_);
  ASSERT_TRUE(driver::WaitForWindowGone(form_));
  ASSERT_TRUE(app_.WaitForExit().has_value());
  EXPECT_TRUE(Contains(driver::Describe(edit), "does not exist")) << driver::Describe(edit);
  try {
    driver::Text(edit);
    ADD_FAILURE() << "Text read a window that is gone";
  } catch (const driver::Error& error) {
    EXPECT_TRUE(Contains(error.what(), "does not exist")) << error.what();
  }
  EXPECT_THROW(driver::IsEnabled(edit), driver::Error);
  EXPECT_THROW(driver::SetText(edit, "x"), driver::Error);
  EXPECT_THROW(driver::Click(edit), driver::Error);
  EXPECT_THROW(driver::Close(form_), driver::Error);
  EXPECT_THROW(driver::RequireControl(form_, "NameEdit"), driver::Error);
  EXPECT_TRUE(driver::Descendants(form_).empty());
}

TEST_F(DriverTest, ReadsOfAHungWindowFailWithinTheAnswerTimeout) {
  HWND status = Control("StatusLabel");
  HWND edit = Control("NameEdit");
  driver::Click(Control("HangButton"));
  // The stored caption is read without a message, so it can be watched while the program hangs.
  ASSERT_TRUE(driver::WaitUntil([&] {
    char text[64];
    return ::GetWindowTextA(status, text, sizeof(text)) > 0 && std::string(text) == "hanging";
  }));
  Clock::time_point start = Clock::now();
  try {
    driver::Text(edit);
    ADD_FAILURE() << "a hung program answered WM_GETTEXT";
  } catch (const driver::Error& error) {
    EXPECT_TRUE(Contains(error.what(), "no answer to WM_GETTEXT")) << error.what();
    EXPECT_TRUE(Contains(error.what(), "[NameEdit]")) << error.what();
  }
  long long elapsed = MillisecondsSince(start);
  EXPECT_LT(elapsed, driver::kAnswerTimeout.count() + 2000);
}

// ---- Acting --------------------------------------------------------------------------

TEST_F(DriverTest, SetTextNotifiesTheParentOnceAsTypingWould) {
  HWND ask = Control("AskButton");
  driver::SetText(Control("NameEdit"), "Alice");
  EXPECT_EQ(driver::Text(Control("NameEdit")), "Alice");
  EXPECT_TRUE(WaitForStatus("changed 1: Alice")) << Status();
  EXPECT_TRUE(driver::WaitUntil([&] { return driver::IsEnabled(ask); })) << driver::Describe(ask);

  driver::SetText(Control("NameEdit"), "");
  EXPECT_TRUE(WaitForStatus("changed 2: ")) << Status();
  EXPECT_TRUE(driver::WaitUntil([&] { return !driver::IsEnabled(ask); })) << driver::Describe(ask);

  driver::SetText(Control("NotesMemo"), "first line");
  EXPECT_EQ(driver::Text(Control("NotesMemo")), "first line");
  EXPECT_TRUE(WaitForStatus("notes 1: first line")) << Status();

  Settle();
  EXPECT_EQ(Counts(), "name 2, notes 1, escape 0");
}

TEST_F(DriverTest, ClickTogglesACheckBoxAndRefusesWhatAUserCouldNotClick) {
  HWND agree = Control("AgreeCheck");
  driver::Click(agree);
  EXPECT_TRUE(driver::WaitUntil([&] { return driver::IsChecked(agree); }));
  EXPECT_TRUE(WaitForStatus("agree: checked")) << Status();
  driver::Click(agree);
  EXPECT_TRUE(driver::WaitUntil([&] { return !driver::IsChecked(agree); }));
  EXPECT_TRUE(WaitForStatus("agree: unchecked")) << Status();

  try {
    driver::Click(Control("AskButton"));
    ADD_FAILURE() << "clicked a disabled button";
  } catch (const driver::Error& error) {
    EXPECT_TRUE(Contains(error.what(), "disabled button")) << error.what();
    EXPECT_TRUE(Contains(error.what(), "[AskButton]")) << error.what();
  }
  try {
    driver::Click(Control("HiddenLabel"));
    ADD_FAILURE() << "clicked a hidden control";
  } catch (const driver::Error& error) {
    EXPECT_TRUE(Contains(error.what(), "hidden")) << error.what();
  }
}

TEST_F(DriverTest, SelectItemNotifiesTheParent) {
  HWND colors = Control("ColorList");
  driver::SelectItem(colors, 2);
  EXPECT_EQ(driver::SelectedIndex(colors), 2);
  EXPECT_TRUE(WaitForStatus("color: Blue")) << Status();
  driver::SelectItem(colors, -1);
  EXPECT_EQ(driver::SelectedIndex(colors), -1);
  EXPECT_TRUE(WaitForStatus("color: none")) << Status();
  EXPECT_THROW(driver::SelectItem(colors, 3), driver::Error);

  HWND sizes = Control("SizeCombo");
  driver::SelectItem(sizes, 0);
  EXPECT_EQ(driver::SelectedIndex(sizes), 0);
  EXPECT_TRUE(WaitForStatus("size: Small")) << Status();
}

TEST_F(DriverTest, EscapeReachesTheWindowOncePerPress) {
  ASSERT_TRUE(driver::WaitUntil([&] { return driver::FocusedControl(form_) == Control("NameEdit"); }));
  driver::PressKey(form_, VK_ESCAPE);
  EXPECT_TRUE(WaitForStatus("escape 1")) << Status();
  driver::PressKey(form_, VK_ESCAPE);
  EXPECT_TRUE(WaitForStatus("escape 2")) << Status();
  Settle();
  EXPECT_EQ(Counts(), "name 0, notes 0, escape 2");
  EXPECT_TRUE(app_.IsRunning());
}

TEST_F(DriverTest, CloseEndsTheProgram) {
  driver::Close(form_);
  EXPECT_TRUE(driver::WaitForWindowGone(form_));
  EXPECT_TRUE(driver::WaitForNoWindow({.class_name = kFormClass, .process_id = app_.id()}));
  EXPECT_EQ(app_.WaitForExit(), std::optional<DWORD>(3));
}

// ---- Message boxes ---------------------------------------------------------------------

// Types a name so that AskButton is enabled, clicks it and waits for the question.
HWND OpenQuestion(HWND form, DWORD process_id) {
  HWND edit = driver::RequireControl(form, "NameEdit");
  HWND ask = driver::RequireControl(form, "AskButton");
  driver::SetText(edit, "Bob");
  if (!driver::WaitUntil([&] { return driver::IsEnabled(ask); })) return nullptr;
  driver::Click(ask);
  return driver::WaitForMessageBox(process_id, "Question");
}

TEST_F(DriverTest, ReadsAQuestionAndAnswersYes) {
  HWND box = OpenQuestion(form_, app_.id());
  ASSERT_NE(box, nullptr) << driver::DescribeTree(form_);
  EXPECT_EQ(driver::WaitForMessageBox(app_.id(), "Not this one", 100ms), nullptr);
  EXPECT_EQ(driver::WaitForMessageBox(app_.id()), box);

  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  SCOPED_TRACE(driver::Describe(info) + "\n" + driver::DescribeTree(box));
  EXPECT_EQ(info.window, box);
  EXPECT_EQ(info.caption, "Question");
  EXPECT_EQ(info.text, "Do you want to go on?\r\nAnswer Yes or No.");
  EXPECT_EQ(driver::MessageBoxText(box), info.text);
  EXPECT_EQ(info.ButtonIds(), (std::vector<int>{IDYES, IDNO}));
  ASSERT_EQ(info.buttons.size(), 2u);
  EXPECT_EQ(info.buttons[0].text, "&Yes");
  EXPECT_EQ(info.buttons[1].text, "&No");
  EXPECT_TRUE(info.buttons[0].enabled);
  EXPECT_TRUE(info.buttons[1].enabled);
  EXPECT_TRUE(info.HasButton(IDNO));
  EXPECT_FALSE(info.HasButton(IDOK));
  EXPECT_EQ(info.icon, driver::MessageBoxIcon::kQuestion) << driver::IconName(info.icon);
  EXPECT_EQ(driver::Describe(info),
            "'Question' question icon [IDYES, IDNO]: Do you want to go on?\r\nAnswer Yes or No.");

  try {
    driver::AnswerMessageBox(box, IDOK);
    ADD_FAILURE() << "answered with a button the box does not have";
  } catch (const driver::Error& error) {
    EXPECT_TRUE(Contains(error.what(), "no button IDOK")) << error.what();
  }
  EXPECT_TRUE(driver::IsVisible(box));

  driver::AnswerMessageBox(box, IDYES);
  EXPECT_TRUE(driver::WaitForWindowGone(box));
  EXPECT_EQ(app_.WaitForExit(), std::optional<DWORD>(IDYES));
}

TEST_F(DriverTest, AnswersAQuestionNo) {
  HWND box = OpenQuestion(form_, app_.id());
  ASSERT_NE(box, nullptr) << driver::DescribeTree(form_);
  driver::AnswerMessageBox(box, IDNO);
  EXPECT_TRUE(driver::WaitForWindowGone(box));
  EXPECT_EQ(app_.WaitForExit(), std::optional<DWORD>(IDNO));
}

struct IconCase {
  const char* option;
  driver::MessageBoxIcon icon;
};

class MessageBoxIconTest : public DriverTest, public ::testing::WithParamInterface<IconCase> {
 protected:
  void SetUp() override { StartApp(std::string("--notice=") + GetParam().option); }
};

TEST_P(MessageBoxIconTest, TellsWhichIconTheBoxShows) {
  driver::Click(Control("NoticeButton"));
  HWND box = driver::WaitForMessageBox(app_.id(), "Notice");
  ASSERT_NE(box, nullptr) << driver::DescribeTree(form_);
  driver::MessageBoxInfo info = driver::ReadMessageBox(box);
  EXPECT_EQ(info.icon, GetParam().icon) << driver::Describe(info);
  EXPECT_EQ(info.text, "Something to note.");
  EXPECT_EQ(info.ButtonIds(), (std::vector<int>{IDOK, IDCANCEL})) << driver::Describe(info);
  driver::AnswerMessageBox(box, IDCANCEL);
  EXPECT_TRUE(driver::WaitForWindowGone(box));
  EXPECT_TRUE(WaitForStatus("notice: " + std::to_string(IDCANCEL))) << Status();
  EXPECT_TRUE(app_.IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Icons, MessageBoxIconTest,
                         ::testing::Values(IconCase{"error", driver::MessageBoxIcon::kError},
                                           IconCase{"warning", driver::MessageBoxIcon::kWarning},
                                           IconCase{"information", driver::MessageBoxIcon::kInformation},
                                           IconCase{"none", driver::MessageBoxIcon::kNone}),
                         [](const ::testing::TestParamInfo<IconCase>& info) { return std::string(info.param.option); });

TEST_F(DriverTest, EscapeCancelsANoticeBox) {
  driver::Click(Control("NoticeButton"));
  HWND box = driver::WaitForMessageBox(app_.id(), "Notice");
  ASSERT_NE(box, nullptr);
  driver::PressKey(box, VK_ESCAPE);
  EXPECT_TRUE(driver::WaitForWindowGone(box));
  EXPECT_TRUE(WaitForStatus("notice: " + std::to_string(IDCANCEL))) << Status();
}

}  // namespace
