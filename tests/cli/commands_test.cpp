// Every command's main path in-process, and the same edits through qvconf and through the
// document giving the same bytes.
#include <functional>

#include "cli/host.h"
#include "cli_fixture.h"
#include "config/image_fixture.h"

namespace qv::test {
namespace {

// Bytes after each text's characters that a writer must carry along: what a longer text left.
Image WithFiller(Image image) {
  const auto fill = [&](std::size_t field, std::size_t capacity) {
    for (std::size_t i = 1 + image.bytes[field]; i <= capacity; ++i) {
      image.bytes[field + i] = static_cast<std::uint8_t>(0xA0 + i % 16);
    }
  };
  fill(8 + 0, 63);
  fill(8 + 68, 31);
  fill(8 + 100, 31);
  const std::size_t count = static_cast<std::size_t>(image.bytes[1028]);
  for (std::size_t t = 0; t < count; ++t) {
    const std::size_t record = 1032 + 544 * t;
    fill(record, 31);
    fill(record + 32, 255);
    fill(record + 288, 255);
  }
  return image;
}

Image Sample() {
  SettingsFields settings;
  settings.interval = 30;
  return WithFiller(MakeImage(settings, SampleTasks()));
}

class CommandsTest : public QvconfTest {};

TEST_F(CommandsTest, EditsGiveTheBytesOfTheSameDocumentOperations) {
  WriteConfig(Sample().bytes);
  ConfigDocument expected = Loaded();
  const std::string stem = cli::NewTaskStem(1252);
  const std::string forty = "A name of forty bytes, cut at thirty-one";
  ASSERT_EQ(forty.size(), 40u);

  struct Step {
    std::vector<std::string> args;
    std::function<void(ConfigDocument&)> apply;
  };
  const std::vector<Step> steps = {
      {{"set", "host", "files.example.org"},
       [](ConfigDocument& d) { d.SetHost("files.example.org"); }},
      {{"set", "user", "admin"}, [](ConfigDocument& d) { d.SetUser("admin"); }},
      {{"set", "password", "pa ss"}, [](ConfigDocument& d) { d.SetPassword("pa ss"); }},
      {{"set", "interval", "$3C"}, [](ConfigDocument& d) { d.SetInterval("$3C"); }},
      {{"set", "speed", "-5"}, [](ConfigDocument& d) { d.SetSpeedLimit("-5"); }},
      {{"task", "add"}, [&](ConfigDocument& d) { d.AddTask(stem); }},
      {{"task", "add", "Delta", "--source", " /srv/delta ", "--target", "D:\\Delta"},
       [&](ConfigDocument& d) {
         const int p = d.AddTask(stem).position;
         d.RenameTask(p, "Delta");
         d.SetTaskSource(p, " /srv/delta ");
         d.SetTaskTarget(p, "D:\\Delta");
       }},
      {{"task", "rename", "alpha", "ALPHA"}, [](ConfigDocument& d) { d.RenameTask(0, "ALPHA"); }},
      {{"task", "rename", "Beta", forty}, [&](ConfigDocument& d) { d.RenameTask(1, forty); }},
      {{"task", "set", "#3", "--source", "\t/srv/g\t", "--target", "E:\\G "},
       [](ConfigDocument& d) {
         d.SetTaskSource(2, "\t/srv/g\t");
         d.SetTaskTarget(2, "E:\\G ");
       }},
      {{"task", "remove", stem + "1"},
       [&](ConfigDocument& d) { d.DeleteTask(d.FindTask(stem + "1")); }},
      // As typed into the window, whose key filter drops spaces; a batch file's line end is no key.
      {{"set", "interval", " 1 5 \r"}, [](ConfigDocument& d) { d.SetInterval("15"); }},
      {{"set", "interval", "0"}, [](ConfigDocument& d) { d.SetInterval("0"); }},
      // Nothing changes, so the file is not written, as Save stays disabled in the window.
      {{"set", "speed", "-5"}, [](ConfigDocument& d) { d.SetSpeedLimit("-5"); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.args[0] + " " + step.args[1]);
    const std::vector<std::uint8_t> before = ConfigBytes();
    step.apply(expected);
    const RunResult run = Run(step.args);
    ASSERT_EQ(run.code, cli::kExitOk) << run.err;
    if (expected.modified()) {
      EXPECT_EQ(ConfigBytes(), BuildConfigImage(expected));
    } else {
      EXPECT_EQ(ConfigBytes(), before);
    }
    expected.MarkSaved();
  }
  const ConfigDocument final_doc = Loaded();
  ASSERT_EQ(final_doc.tasks.size(), 4u);
  EXPECT_EQ(final_doc.tasks[1].Name(), forty.substr(0, 31));
  EXPECT_EQ(final_doc.settings.Interval(), 0);
  EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
}

TEST_F(CommandsTest, ShowListsSettingsAndTasksWithThePasswordHidden) {
  WriteConfig(Sample().bytes);
  const RunResult run = Run({"show"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  for (const char* text : {"sync.example", "891", "operator", "30 min", "Alpha", "/srv/docs/2024",
                           "C:\\Backup\\Photos", "#3  Gamma"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text << " in\n" << run.out;
  }
  EXPECT_EQ(run.out.find("secret"), std::string::npos);
  EXPECT_NE(Run({"show", "--show-password"}).out.find("secret"), std::string::npos);
}

TEST_F(CommandsTest, ShowJsonIsTheExportWithThePasswordHiddenAndExportWritesAFile) {
  WriteConfig(Sample().bytes);
  const RunResult json = Run({"show", "--json"});
  const RunResult exported = Run({"export"});
  ASSERT_EQ(exported.code, cli::kExitOk) << exported.err;
  EXPECT_NE(exported.out.find("\"password\": \"secret\""), std::string::npos) << exported.out;
  EXPECT_EQ(json.out.find("secret"), std::string::npos) << json.out;
  EXPECT_EQ(Run({"show", "--json", "--show-password"}).out, exported.out);
  // What was shown imports without touching the password it does not carry.
  ASSERT_EQ(Run({"set", "host", "other.example"}).code, cli::kExitOk);
  ASSERT_EQ(Run({"import", "-"}, json.out).code, cli::kExitOk);
  EXPECT_EQ(Loaded().settings.Password(), "secret");
  EXPECT_EQ(Loaded().settings.Host(), "sync.example");

  const std::filesystem::path out = dir() / "site.json";
  ASSERT_EQ(Run({"export", Utf8Path(out)}).code, cli::kExitOk);
  const std::vector<std::uint8_t> written = ReadBytes(out);
  EXPECT_EQ(std::string(written.begin(), written.end()), exported.out);
  EXPECT_EQ(Names(), (std::vector<std::string>{"CONFIGS.DAT", "site.json"}));
}

TEST_F(CommandsTest, ImportMakesTheFileHoldTheJsonThroughTheEditorsRules) {
  WriteConfig(Sample().bytes);
  const std::string json = R"({"settings": {"host": "new.example", "interval": 15},
    "tasks": [{"name": "Gamma", "source": "/", "target": "E:\\"},
              {"name": "Beta", "source": "  /srv/docs/2025 ", "target": "D:\\Docs"},
              {"name": "Omega", "source": "/srv/o", "target": "F:\\O"}]})";
  const RunResult run = Run({"import", "-"}, json);
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_NE(run.err.find("trimmed"), std::string::npos) << run.err;

  const ConfigDocument original = [&] {
    ConfigDocument doc;
    EXPECT_TRUE(ParseConfigImage(Sample().bytes, doc));
    return doc;
  }();
  const ConfigDocument doc = Loaded();
  EXPECT_EQ(doc.settings.Host(), "new.example");
  EXPECT_EQ(doc.settings.Interval(), 15);
  EXPECT_EQ(doc.settings.User(), "operator");  // not in the JSON: kept
  ASSERT_EQ(doc.tasks.size(), 3u);
  // Kept tasks are the same records, filler and all; Alpha is gone; Omega is new.
  EXPECT_EQ(doc.tasks[0].bytes, original.tasks[2].bytes);
  EXPECT_EQ(doc.tasks[1].Source(), "/srv/docs/2025");
  EXPECT_EQ(doc.tasks[1].Name(), "Beta");
  EXPECT_EQ(doc.tasks[2].Name(), "Omega");
  EXPECT_EQ(doc.tasks[2].Target(), "F:\\O");
}

std::string Utf16(const std::u16string& text, bool big_endian) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t u : text) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    out += big_endian ? std::string{high, low} : std::string{low, high};
  }
  return out;
}

TEST_F(CommandsTest, ImportTakesJsonSavedAsUtf16) {
  WriteConfig(Sample().bytes);
  const std::u16string fits = u"{\"settings\": {\"user\": \"J\u00FCrgen\"}, \"tasks\": []}";
  const std::u16string emoji = u"{\"settings\": {\"user\": \"\U0001F600\"}, \"tasks\": []}";
  for (const bool big_endian : {false, true}) {
    ASSERT_EQ(Run({"set", "user", "someone"}).code, cli::kExitOk);
    const RunResult run = Run({"import", "-"}, Utf16(fits, big_endian));
    ASSERT_EQ(run.code, cli::kExitOk) << run.err;
    EXPECT_EQ(Loaded().settings.User(), "J\xFCrgen");
    // A surrogate pair is one character, which code page 1252 has no place for.
    const RunResult refused = Run({"import", "-"}, Utf16(emoji, big_endian));
    EXPECT_EQ(refused.code, cli::kExitError);
    EXPECT_NE(refused.err.find("\xF0\x9F\x98\x80"), std::string::npos) << refused.err;
  }
  const RunResult lone = Run({"import", "-"}, Utf16(u"{\xD800}", false));
  EXPECT_EQ(lone.code, cli::kExitError);
  EXPECT_NE(lone.err.find("UTF-16"), std::string::npos) << lone.err;
}

TEST_F(CommandsTest, EditsStartANewFileOnlyWithCreate) {
  ASSERT_EQ(Run({"set", "host", "h"}).code, cli::kExitError);
  EXPECT_TRUE(Names().empty());
  const RunResult run = Run({"--create", "task", "add", "First"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  ConfigDocument expected;
  expected.RenameTask(expected.AddTask(cli::NewTaskStem(1252)).position, "First");
  EXPECT_EQ(ConfigBytes(), BuildConfigImage(expected));
}

TEST_F(CommandsTest, HelpListsTheCommandsAndSucceeds) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"task", "--help"}, {"set", "--help"}}) {
    const RunResult run = Run(args);
    EXPECT_EQ(run.code, cli::kExitOk);
    EXPECT_NE(run.out.find("Usage"), std::string::npos) << run.out;
  }
  const std::string help = Run({"--help"}).out;
  for (const char* command : {"show", "export", "import", "set", "task", "check"}) {
    EXPECT_NE(help.find(command), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace qv::test
