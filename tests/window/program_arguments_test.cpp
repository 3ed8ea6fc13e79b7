// The window programs' command line: what each argument list is answered with.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "window/logic/program_arguments.h"

namespace kelm::test {
namespace {

struct ArgumentCase {
  std::vector<std::string> arguments;
  int status;
  std::string text;
  bool error;
};

// The arguments, for the case's name in gtest's output.
void PrintTo(const ArgumentCase& c, std::ostream* out) {
  for (const std::string& argument : c.arguments) *out << '[' << argument << ']';
}

class WindowProgramArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(WindowProgramArguments, AreAnswered) {
  const std::optional<window::ArgumentAnswer> answer =
      window::AnswerArguments("prog", "1.2.3", "Usage: prog\n", GetParam().arguments);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->status, GetParam().status);
  EXPECT_EQ(answer->text, GetParam().text);
  EXPECT_EQ(answer->error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowProgramArguments,
    ::testing::Values(
        ArgumentCase{{"--version"}, 0, "prog 1.2.3\n", false},
        ArgumentCase{{"--help"}, 0, "Usage: prog\n", false},
        ArgumentCase{{"-h"}, 0, "Usage: prog\n", false},
        ArgumentCase{{"--bogus"}, 2, "prog: unknown argument '--bogus'; try 'prog --help'.\n", true},
        // An unknown argument is named even beside a known one, and on one line.
        ArgumentCase{{"--help", "a\nb"}, 2, "prog: unknown argument 'a?b'; try 'prog --help'.\n", true},
        ArgumentCase{{"--help", "--version"}, 2, "prog: give --help or --version alone.\n", true}));

TEST(WindowProgramArguments, NoneOpensTheWindow) {
  EXPECT_FALSE(window::AnswerArguments("prog", "1.2.3", "Usage: prog\n", {}).has_value());
}

// A program that takes --images opens the window with the folder; the option is refused
// without a folder, twice, or beside --help; a program that does not take it refuses it.
TEST(WindowProgramArguments, ImagesNamesAFolderOnce) {
  const auto answer = [](const std::vector<std::string>& arguments, std::optional<std::string>* dir) {
    return window::AnswerArguments("prog", "1.2.3", "Usage: prog\n", arguments, dir);
  };
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--images", "/a b"}, std::vector<std::string>{"--images=/a b"}}) {
    std::optional<std::string> dir;
    EXPECT_FALSE(answer(arguments, &dir).has_value());
    EXPECT_EQ(dir, "/a b");
  }
  std::optional<std::string> dir;
  EXPECT_EQ(answer({"--images"}, &dir)->text, "prog: --images needs a folder.\n");
  EXPECT_EQ(answer({"--images", "a", "--images=b"}, &dir)->text, "prog: give --images one folder, once.\n");
  EXPECT_EQ(answer({"--images", "a", "--help"}, &dir)->text, "prog: give --help or --version alone.\n");
  EXPECT_EQ(answer({"--images", "a"}, nullptr)->status, 2);
}

}  // namespace
}  // namespace kelm::test
