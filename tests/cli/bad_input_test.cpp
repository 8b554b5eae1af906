// Bad input and refused edits: a message on stderr, the exit status, and CONFIGS.DAT unchanged.
#include <climits>

#include "cli_fixture.h"
#include "config/image_fixture.h"

namespace qv::test {
namespace {

class BadInputTest : public QvconfTest {
 protected:
  void SetUp() override {
    QvconfTest::SetUp();
    WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
    original_ = ConfigBytes();
  }

  // Runs and expects `code`, something said on stderr, and the file and folder as they were.
  void Expect(int code, const std::vector<std::string>& args, const std::string& input = {}) {
    std::string shown;
    for (const std::string& arg : args) shown += arg + " ";
    SCOPED_TRACE(shown);
    const RunResult run = Run(args, input);
    EXPECT_EQ(run.code, code) << run.out << run.err;
    EXPECT_EQ(run.err.rfind("qvconf: ", 0), 0u) << run.err;
    EXPECT_EQ(ConfigBytes(), original_);
    EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
  }

  std::vector<std::uint8_t> original_;
};

TEST_F(BadInputTest, CommandLineMistakesExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"show", "--frob"},
      {"--frob", "show"},
      {"set", "colour", "red"},
      {"set", "host"},
      {"set", "port", "80"},
      {"set", "host", std::string(64, 'h')},
      {"set", "user", std::string(32, 'u')},
      {"set", "password", std::string(32, 'p')},
      {"set", "interval", std::string(32, '1')},
      {"set", "host", "\xE6\x97\xA5\xE6\x9C\xAC"},  // no place for it in code page 1252
      {"set", "host", "\xFF\xFE"},                  // not UTF-8
      {"task"},
      {"task", "remove", "Nobody"},
      {"task", "remove", "#0"},
      {"task", "remove", "#4"},
      {"task", "rename", "Alpha"},
      {"task", "set", "Alpha"},
      {"import", "no-such-file.json"},
      {"--code-page", "99999", "show"},
  };
  for (const std::vector<std::string>& args : cases) Expect(cli::kExitError, args);
  Expect(cli::kExitError, {"--file", "x", "--dir", "y", "show"});
  // A refused password is not shown back.
  const RunResult password = Run({"set", "password",
                                  "s\xE6\x97\xA5"
                                  "cret"});
  EXPECT_EQ(password.code, cli::kExitError);
  EXPECT_EQ(password.err.find("cret"), std::string::npos) << password.err;
  // A word where a command belongs is named as no command, at either level.
  for (const auto& [args, word] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"add", "Alpha"}, "add"}, {{"--create", "shw"}, "shw"}, {{"task", "frob"}, "frob"}}) {
    const RunResult run = Run(args);
    EXPECT_EQ(run.code, cli::kExitError);
    EXPECT_NE(run.err.find("unknown command \"" + word + "\""), std::string::npos) << run.err;
  }
}

TEST_F(BadInputTest, JsonMistakesExitTwo) {
  const std::string task = R"({"name": "Alpha", "source": "/s", "target": "C:\\T"})";
  const auto with_task = [](const std::string& t) {
    return R"({"settings": {}, "tasks": [)" + t + "]}";
  };
  const std::vector<std::string> cases = {
      "",
      "{",
      "[]",
      R"({"settings": {}})",
      R"({"tasks": []})",
      R"({"settings": [], "tasks": []})",
      R"({"settings": {}, "tasks": {}})",
      R"({"settings": {}, "tasks": [], "extra": 1})",
      R"({"settings": {"colour": "red"}, "tasks": []})",
      R"({"settings": {"host": 5}, "tasks": []})",
      R"({"settings": {"host": null}, "tasks": []})",
      R"({"settings": {"interval": "60"}, "tasks": []})",
      R"({"settings": {"interval": 1.5}, "tasks": []})",
      R"({"settings": {"interval": 2147483648}, "tasks": []})",
      R"({"settings": {"speed_limit": -2147483649}, "tasks": []})",
      R"({"settings": {"host": ")" + std::string(64, 'h') + R"("}, "tasks": []})",
      R"({"settings": {"password": {"bytes": ")" + std::string(64, 'a') + R"("}}, "tasks": []})",
      R"({"settings": {"user": {"bytes": "abc"}}, "tasks": []})",
      R"({"settings": {"user": {"bytes": "zz"}}, "tasks": []})",
      R"({"settings": {"user": {"bytes": "41", "more": 1}}, "tasks": []})",
      R"({"settings": {"host": "日本"}, "tasks": []})",
      R"({"code_page": 936, "settings": {}, "tasks": []})",
      R"({"code_page": "1252", "settings": {}, "tasks": []})",
      with_task("5"),
      with_task(R"({"source": "/s", "target": "C:\\T"})"),
      with_task(R"({"name": "A", "target": "C:\\T"})"),
      with_task(R"({"name": "A", "source": "/s", "target": "C:\\T", "when": 1})"),
      with_task(R"({"name": ")" + std::string(32, 'n') +
                R"(", "source": "/s", "target": "C:\\T"})"),
      with_task(R"({"name": "A", "source": ")" + std::string(256, 's') +
                R"(", "target": "C:\\T"})"),
      with_task(task) + "trailing",
  };
  for (const std::string& json : cases) Expect(cli::kExitError, {"import", "-"}, json);
}

TEST_F(BadInputTest, RefusedEditsExitOne) {
  Expect(cli::kExitRefused, {"task", "rename", "Alpha", ""});
  Expect(cli::kExitRefused, {"task", "rename", "Alpha", "beta"});
  Expect(cli::kExitRefused, {"task", "add", "GAMMA", "--source", "/s"});
  Expect(cli::kExitRefused, {"task", "add", ""});
  const std::string names = R"({"settings": {}, "tasks": [
      {"name": "Alpha", "source": "/s", "target": "C:\\A"},
      {"name": "New", "source": "/s", "target": "C:\\B"},
      {"name": "NEW", "source": "/s", "target": "C:\\C"}]})";
  Expect(cli::kExitRefused, {"import", "-"}, names);
  EXPECT_NE(Run({"task", "rename", "Alpha", ""}).err.find("Invalid task name!"), std::string::npos);
  EXPECT_NE(Run({"task", "rename", "Alpha", "BETA"}).err.find("Repeated task name!"),
            std::string::npos);
}

// What a script gave is repeated in a message with its control characters written \xNN, so that
// an escape sequence in an argument never reaches the terminal as one.
TEST_F(BadInputTest, MessagesWriteTheControlCharactersOfTheInput) {
  const std::string escape = "\x1b[2J";
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::string shown;
  } cases[] = {
      {{"task", "remove", "No" + escape}, "", "\"No\\x1b[2J\""},
      {{"task", "rename", "Al\tpha", "B"}, "", "\"Al\\x09pha\""},
      {{"set", "interval", "1\a"}, "", "\"1\\x07\""},
      {{"set", "host", "h\x01\xFF"}, "", "\"h\\x01\\xff\""},
      {{"set", "colo\x01r", "red"}, "", "colo\\x01r"},
      {{"frob" + escape}, "", "\"frob\\x1b[2J\""},
      {{"show", "--fr\x7fob"}, "", "--fr\\x7fob"},
      {{"import", "-"}, R"({"settings": {"a\u0001": 1}, "tasks": []})", "\"a\\x01\""},
      {{"import", "in\x02.json"}, "", "in\\x02.json"},
  };
  const auto control = [](char ch) { return (ch >= 0 && ch < 32 && ch != '\n') || ch == 127; };
  for (const auto& c : cases) {
    const RunResult run = Run(c.args, c.input);
    SCOPED_TRACE(run.err);
    EXPECT_EQ(run.code, cli::kExitError);
    EXPECT_NE(run.err.find(c.shown), std::string::npos);
    EXPECT_EQ(std::count_if(run.err.begin(), run.err.end(), control), 0);
  }
  CaptureConsole console;
  EXPECT_EQ(cli::RunQvconf({"qvconf", "--code-page", "1252", "--file", "no\x1bsuch.dat", "show"},
                           console),
            cli::kExitError);
  EXPECT_NE(console.err.find("no\\x1bsuch.dat"), std::string::npos) << console.err;
  EXPECT_EQ(console.err.find('\x1b'), std::string::npos) << console.err;
}

TEST_F(BadInputTest, AMissingFileIsNeverCreatedByReadingOrWithoutCreate) {
  std::filesystem::remove(config());
  for (const std::vector<std::string>& args : {std::vector<std::string>{"show"},
                                               {"export"},
                                               {"check"},
                                               {"set", "host", "h"},
                                               {"task", "add"},
                                               {"import", "-"}}) {
    const RunResult run = Run(args, R"({"settings": {}, "tasks": []})");
    EXPECT_EQ(run.code, cli::kExitError) << args[0];
    EXPECT_NE(run.err.find("no such file"), std::string::npos) << run.err;
    EXPECT_TRUE(Names().empty());
  }
}

TEST_F(BadInputTest, AForeignFileIsLeftAlone) {
  std::vector<std::uint8_t> foreign = original_;
  foreign[0] = 'r';  // the signature is matched with case
  WriteConfig(foreign);
  original_ = foreign;
  Expect(cli::kExitError, {"show"});
  Expect(cli::kExitError, {"--create", "set", "host", "h"});
  Expect(cli::kExitError, {"import", "-"}, R"({"settings": {}, "tasks": []})");
}

// A count that promises records the data does not hold: every edit would write the empty tasks
// the loader makes in their place, so only --force writes it; reading still works.
TEST_F(BadInputTest, ACountBeyondTheDataIsEditedOnlyWhenForced) {
  for (const std::int32_t count : {std::int32_t{4}, std::int32_t{2147483647}}) {
    SCOPED_TRACE(count);
    Image damaged = MakeImage(SettingsFields{}, SampleTasks());
    damaged.Put32(kTaskCountOffset, count);
    WriteConfig(damaged.bytes);
    original_ = damaged.bytes;
    Expect(cli::kExitError, {"set", "host", "h"});
    Expect(cli::kExitError, {"task", "add", "New", "--source", "/n", "--target", "D:\\n"});
    const RunResult shown = Run({"show"});
    EXPECT_EQ(shown.code, cli::kExitOk) << shown.err;
    EXPECT_EQ(ConfigBytes(), original_);
    const RunResult forced = Run({"--force", "set", "host", "h"});
    ASSERT_EQ(forced.code, cli::kExitOk) << forced.err;
    const ConfigDocument written = Loaded();
    EXPECT_EQ(written.settings.Host(), "h");
    EXPECT_GT(written.tasks.size(), SampleTasks().size());
  }
}

// Records that a count below them leaves unread are dropped by any save, so an edit is refused
// without --force however the count fell short; reading and check still say what is there.
TEST_F(BadInputTest, RecordsBeyondTheCountAreEditedOnlyWhenForced) {
  for (const std::int32_t count : {std::int32_t{-1}, std::int32_t{0}, INT32_MIN, std::int32_t{2}}) {
    SCOPED_TRACE(count);
    Image damaged = MakeImage(SettingsFields{}, SampleTasks());
    damaged.Put32(kTaskCountOffset, count);
    WriteConfig(damaged.bytes);
    original_ = damaged.bytes;
    const RunResult added = Run({"task", "add", "X"});
    EXPECT_EQ(added.code, cli::kExitError);
    EXPECT_NE(added.err.find("task records beyond"), std::string::npos) << added.err;
    EXPECT_EQ(ConfigBytes(), original_);
    EXPECT_EQ(Run({"check"}).code, cli::kExitProblems);
    EXPECT_EQ(Run({"show"}).code, cli::kExitOk);
    const RunResult forced = Run({"--force", "task", "add", "X"});
    ASSERT_EQ(forced.code, cli::kExitOk) << forced.err;
    EXPECT_EQ(Loaded().tasks.size(), count == 2 ? 3u : 1u);
  }
}

}  // namespace
}  // namespace qv::test
