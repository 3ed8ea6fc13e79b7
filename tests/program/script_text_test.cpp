// Parsing of the bench's command line and script, and the transcript's text rules.

#include <gtest/gtest.h>

#include <sstream>

#include "programs/fwupdate-sim/command_line.h"
#include "programs/fwupdate-sim/script_actions.h"
#include "programs/fwupdate-sim/transcript.h"

namespace kelm::bench {
namespace {

struct GoodAction {
  const char* spelling;
  Verb verb;
  const char* control;
  const char* argument;
  std::int64_t index;
  std::uint32_t code;
};

TEST(ScriptActions, ParsesEveryActionShape) {
  const GoodAction cases[] = {
      {"yes", Verb::Yes, "EraseButton", "", 0, 0},
      {"no", Verb::No, "ExitBtn", "", 0, 0},
      {"exit", Verb::Exit, "ExtBtn", "", 0, 0},
      {"run", Verb::Run, "UpdateBtn", "", 0, 0},
      {"refresh", Verb::Refresh, "RefreshBtn", "", 0, 0},
      {"load=C:\\fw\\a,show", Verb::Load, "LoadBtn", "C:\\fw\\a", 0, 0},  // cut at the comma
      {"load=", Verb::Load, "LoadBtn", "", 0, 0},                        // cancelled dialog
      {"browse=/tmp/old.bak", Verb::Browse, "BackupBtn", "/tmp/old.bak", 0, 0},
      {"tick=RdCheckBox", Verb::Tick, "RdCheckBox", "", 0, 0},
      {"untick=NVRAMCheck", Verb::Untick, "NVRAMCheck", "", 0, 0},
      {"select=FlashTypeList:2", Verb::Select, "FlashTypeList", "", 2, 0},
      {"select=DeviceList:-1", Verb::Select, "DeviceList", "", -1, 0},
      {"text=FwFilenameEdit:C:\\x:y.bin", Verb::Text, "FwFilenameEdit", "C:\\x:y.bin", 0, 0},
      {"text=StatusEdit:", Verb::Text, "StatusEdit", "", 0, 0},
      {"event=0x8004", Verb::Event, "", "", 0, 0x8004},
      {"event=0XfFfF", Verb::Event, "", "", 0, 0xFFFF},
      {"event=32768", Verb::Event, "", "", 0, 32768},
      {"event=4294967295", Verb::Event, "", "", 0, 0xFFFFFFFF},
      {"replug", Verb::Replug, "", "", 0, 0},
  };
  for (const GoodAction& c : cases) {
    SCOPED_TRACE(c.spelling);
    const auto actions = ParseActions(c.spelling);
    ASSERT_GE(actions.size(), 1u);
    const Action& action = actions.front();
    EXPECT_EQ(action.verb, c.verb);
    EXPECT_EQ(action.control, c.control);
    EXPECT_EQ(action.argument, c.argument);
    EXPECT_EQ(action.index, c.index);
    EXPECT_EQ(action.code, c.code);
  }
}

TEST(ScriptActions, KeepsOrderAndSpelling) {
  const auto actions = ParseActions("show,yes,show,replug,show,exit");
  std::vector<std::string> spellings;
  for (const Action& action : actions) spellings.push_back(action.spelling);
  EXPECT_EQ(spellings, (std::vector<std::string>{"show", "yes", "show", "replug", "show", "exit"}));
  EXPECT_TRUE(ParseActions("").empty());
}

TEST(ScriptActions, RejectsTheWholeScriptNamingTheBadAction) {
  const std::pair<const char*, const char*> cases[] = {
      {"show,jump", "\"jump\": unknown action"},
      {"show,,yes", "\"\": unknown action"},
      {"Yes", "\"Yes\": unknown action"},
      {"yes=1", "\"yes=1\": takes no value"},
      {"load", "\"load\": needs a value"},
      {"tick=Bogus", "no check box named \"Bogus\""},
      {"tick=EraseButton", "no check box named \"EraseButton\""},
      {"select=DeviceList", "expected NAME:INDEX"},
      {"select=DeviceList:one", "the index is not a number"},
      {"select=DeviceList:1x", "the index is not a number"},
      {"select=FwUpdatBar:0", "no drop-down list named \"FwUpdatBar\""},
      {"text=ExitBtn:x", "no edit field named \"ExitBtn\""},
      {"text=StatusEdit", "expected NAME:VALUE"},
      {"event=0x", "event code"},
      {"event=0x1G", "event code"},
      {"event=-1", "event code"},
      {"event=4294967296", "event code"},
  };
  for (const auto& [script, message] : cases) {
    SCOPED_TRACE(script);
    try {
      ParseActions(script);
      ADD_FAILURE() << "accepted";
    } catch (const ActionError& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
      EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
    }
  }
}

TEST(CommandLineParsing, TakesEachOptionWithItsValue) {
  const CommandLine line = ParseCommandLine(
      {"--scenario", "s.json", "--images=imgs", "--script", "show", "--trace", "t", "--dump", "d"});
  EXPECT_EQ(line.scenario, "s.json");
  EXPECT_EQ(line.images, "imgs");
  EXPECT_EQ(line.script, "show");
  EXPECT_EQ(line.trace, "t");
  EXPECT_EQ(line.dump, "d");
  EXPECT_EQ(ParseCommandLine({"--script", ""}).script, "");  // an empty script still runs headless
  EXPECT_FALSE(ParseCommandLine({}).script.has_value());
}

TEST(CommandLineParsing, RejectsBadArguments) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--scenari", "s.json"}, "unknown option \"--scenari\""},
      {{"--script"}, "option --script needs a value"},
      {{"--dump", "d", "--trace"}, "option --trace needs a value"},
      {{"--scenario", "--script", "show"}, "option --scenario needs a value"},
      {{"extra"}, "unexpected argument \"extra\""},
  };
  for (const auto& [arguments, message] : cases) {
    SCOPED_TRACE(message);
    try {
      ParseCommandLine(arguments);
      ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
  }
}

TEST(TranscriptText, QuotesControlCharactersQuotesAndBackslashes) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "\"\""},
      {"        The chip already updated!!", "\"        The chip already updated!!\""},
      {"Update Btn Press\n", "\"Update Btn Press\\n\""},
      {"a\r\nb", "\"a\\r\\nb\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\fw\\", "\"C:\\\\fw\\\\\""},
      {"tab\tstays", "\"tab\tstays\""},
  };
  for (const auto& [text, quoted] : cases) EXPECT_EQ(Quote(text), quoted);
}

TEST(TranscriptText, WritesLatin1BytesAsUtf8) {
  EXPECT_EQ(Latin1ToUtf8("plain"), "plain");
  EXPECT_EQ(Latin1ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(Latin1ToUtf8("\x80\xFF"), "\xC2\x80\xC3\xBF");
}

TEST(TranscriptText, StartsEveryLineOnAFreshLine) {
  std::ostringstream out;
  Transcript transcript(out);
  transcript.Raw("NVRAM O.K.\n");
  transcript.Line("> show");
  transcript.Raw("no newline");
  transcript.Line("status: \"\"");
  EXPECT_EQ(out.str(), "NVRAM O.K.\n> show\nno newline\nstatus: \"\"\n");
}


}  // namespace
}  // namespace kelm::bench
