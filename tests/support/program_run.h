#pragma once
// Runs a built program as a subprocess, the way the checks outside the project run it, in a
// folder of the test's own.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace kelm::test {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// `program` with `arguments`, run in `dir`; its standard output and error land in dir too.
inline Result RunProgram(const std::string& program, const std::filesystem::path& dir,
                         const std::vector<std::string>& arguments) {
  std::string command = "cd " + ShellQuoted(dir.string()) + " && " + ShellQuoted(program);
  for (const auto& argument : arguments) command += " " + ShellQuoted(argument);
  command += " >" + ShellQuoted((dir / "stdout").string()) + " 2>" +
             ShellQuoted((dir / "stderr").string());
  const int raw = std::system(command.c_str());
  Result result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(dir / "stdout");
  result.err = ReadFile(dir / "stderr");
  return result;
}

}  // namespace kelm::test
