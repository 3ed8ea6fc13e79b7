// kelm-fwupdate-scripted on a machine without simulated enclosures: the same script gives the
// simulator's transcript for a scenario without devices, whatever the plug commands print.

#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

Result RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
  // One folder per test: CTest runs them side by side.
  const fs::path dir = fs::path(::testing::TempDir()) / ("kelm-scripted-" + std::to_string(::getpid())) /
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::create_directories(dir);
  std::string command = Quoted(program);
  for (const std::string& argument : arguments) command += " " + Quoted(argument);
  command += " >" + Quoted((dir / "out").string()) + " 2>" + Quoted((dir / "err").string());
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "out"), ReadFile(dir / "err")};
}

TEST(ScriptedProgram, GivesTheSimulatorsTranscriptWithoutEnclosures) {
  const std::string script =
      "show,refresh,unplug,plug,replug,event=0x8000,tick=RdCheckBox,tick=EraseOnlyCheck,"
      "text=StatusEdit:a \"b\",browse=,yes,show,exit,show";
  const fs::path empty = fs::path(::testing::TempDir()) / ("kelm-no-devices-" + std::to_string(::getpid()) + ".json");
  std::ofstream(empty) << R"({"devices": []})";

  const Result sim = RunProgram(KELM_SIM_PROGRAM, {"--scenario", empty.string(), "--script",
                                                   script, "--images", KELM_TEST_IMAGES_DIR});
  const Result scripted = RunProgram(KELM_SCRIPTED_PROGRAM,
                              {"--script", script, "--images", KELM_TEST_IMAGES_DIR,
                               "--unplug-command", "echo pulled", "--plug-command", "echo back"});
  ASSERT_EQ(sim.status, 0) << sim.err;
  ASSERT_EQ(scripted.status, 0) << scripted.err;
  EXPECT_NE(sim.out.find("No device found!!"), std::string::npos);
  EXPECT_EQ(scripted.out, sim.out);
  EXPECT_NE(scripted.err.find("pulled\nback\npulled\nback\n"), std::string::npos) << scripted.err;
}

TEST(ScriptedProgram, BadInputIsOneLineAndExitTwo) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "--script"},
      {{"--script", "show,jump"}, "jump"},
      {{"--script", "show", "--scenario", "x.json"}, "--scenario"},
      {{"--script", "show", "--dump", "d"}, "--dump"},
      {{"--script", "show", "--images", "/no/such/folder"}, "/no/such/folder"},
      {{"--script", "show", "--plug-command"}, "--plug-command"},
  };
  for (const auto& [arguments, named] : cases) {
    const Result result = RunProgram(KELM_SCRIPTED_PROGRAM, arguments);
    EXPECT_EQ(result.status, 2) << named;
    EXPECT_EQ(result.out, "") << named;
    EXPECT_EQ(result.err.rfind("kelm-fwupdate-scripted: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(named), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
  }
}

}  // namespace
