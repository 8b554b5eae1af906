#include "config/document.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv::test {
namespace {

ConfigDocument WithTasks(const std::vector<std::string>& names) {
  ConfigDocument doc;
  for (const std::string& name : names) doc.tasks.emplace_back().SetName(name);
  return doc;
}

std::vector<decltype(TaskRecord::bytes)> Records(const ConfigDocument& doc) {
  std::vector<decltype(TaskRecord::bytes)> records;
  for (const TaskRecord& t : doc.tasks) records.push_back(t.bytes);
  return records;
}

std::vector<std::string> Names(const ConfigDocument& doc) {
  std::vector<std::string> names;
  for (const TaskRecord& t : doc.tasks) names.push_back(t.Name());
  return names;
}

TEST(ConfigDocument, StartsWithDefaultsAndUnmodified) {
  ConfigDocument doc;
  EXPECT_FALSE(doc.modified());
  EXPECT_TRUE(doc.tasks.empty());
  EXPECT_EQ(doc.settings.Port(), 891);
  EXPECT_EQ(doc.settings.Interval(), 60);
  EXPECT_EQ(doc.settings.SpeedLimit(), 0);
  EXPECT_EQ(doc.settings.Host(), "");
}

TEST(FindTask, ComparesWholeNamesFoldingOnlyAsciiLetters) {
  const ConfigDocument doc =
      WithTasks({"Alpha", "alpha", "\xC4pfel", "Task_1", std::string(31, 'n'), ""});
  struct Case {
    std::string text;
    int expected;
  } cases[] = {
      {"Alpha", 0},  {"ALPHA", 0},        {"alpha", 0},   // the first match wins
      {"Alph", -1},  {"Alphas", -1},      {"\xC4PFEL", 2},
      {"\xE4pfel", -1},                                   // bytes above 127 are not folded
      {"TASK_1", 3}, {"task_1", 3},       {"Task-1", -1},
      {std::string(31, 'N'), 4},
      {std::string(32, 'n'), -1},                         // compared uncut
      {"", 5},
  };
  for (const Case& c : cases) EXPECT_EQ(doc.FindTask(c.text), c.expected) << c.text;
}

TEST(AddTask, TakesTheFirstFreeNumber) {
  struct Case {
    std::vector<std::string> names;
    std::string expected;
  } cases[] = {
      {{}, "NewTask1"},
      {{"NewTask1", "NewTask3"}, "NewTask2"},
      {{"newtask1"}, "NewTask2"},
      {{"NewTask2", "NewTask1"}, "NewTask3"},
      {{"NewTask01", "NewTask0"}, "NewTask1"},  // spelled otherwise: not the same name
      {{"NewTask1x", "xNewTask1"}, "NewTask1"},
      {{"NewTask1", "NewTask2", "NewTask3", "NewTask4", "NewTask5", "NewTask6", "NewTask7",
        "NewTask8", "NewTask9", "NewTask10"},
       "NewTask11"},
  };
  for (const Case& c : cases) {
    ConfigDocument doc = WithTasks(c.names);
    const AddedTask added = doc.AddTask("NewTask");
    EXPECT_EQ(added.name, c.expected);
    EXPECT_EQ(added.position, static_cast<int>(c.names.size()));
    ASSERT_EQ(doc.tasks.size(), c.names.size() + 1);
    EXPECT_EQ(doc.tasks.back().Name(), c.expected);
    EXPECT_TRUE(doc.modified());
  }
}

TEST(AddTask, NewRecordIsZeroBytesButItsName) {
  ConfigDocument doc;
  doc.AddTask("Job");
  TaskRecord expected;
  expected.SetName("Job1");
  EXPECT_EQ(doc.tasks[0].bytes, expected.bytes);
}

// The number search must give what asking FindTask for stem+1, stem+2, ... gives.
TEST(AddTask, AgreesWithSearchingCandidateByCandidate) {
  const std::string stems[] = {"T", "Task1", "", "\xD0\xC2\xC8\xCE\xCE\xF1", std::string(29, 's')};
  for (const std::string& stem : stems) {
    ConfigDocument doc;
    for (int round = 0; round < 40; ++round) {
      int n = 1;
      while (doc.FindTask(stem + std::to_string(n)) >= 0) ++n;
      const std::string expected = (stem + std::to_string(n)).substr(0, 31);
      EXPECT_EQ(doc.AddTask(stem).name, expected) << "stem " << stem << " round " << round;
      if (round % 3 == 1) doc.DeleteTask(round / 2);   // leave holes
      if (round % 7 == 3) doc.RenameTask(0, "t" + std::to_string(round));
    }
  }
}

TEST(AddTask, AStemThatFillsTheNameGivesRepeatedNames) {
  // stem+n is compared uncut, so once it no longer fits it is never found.
  ConfigDocument doc = WithTasks({});
  const std::string stem(31, 'L');
  EXPECT_EQ(doc.AddTask(stem).name, stem);
  EXPECT_EQ(doc.AddTask(stem).name, stem);
}

// Many at once name, and leave in each record, exactly what as many single adds would: the bytes
// after a name that changes later keep the number chosen here.
TEST(AddTasks, AgreesWithAddingOneAtATime) {
  const std::string stems[] = {"NewTask", "T", "", "\xD0\xC2\xC8\xCE\xCE\xF1",
                               std::string(29, 's'), std::string(31, 'L')};
  const std::vector<std::string> lists[] = {
      {},
      {"NewTask1", "newtask3", "NewTask05", "NewTask4x", "TT2", "T7", "t1", "9"},
      {"NewTask2", "NewTask1", "NewTask100000", "NewTask99999999999999999999", "s",
       std::string(29, 'S') + "1", std::string(29, 's') + "3"},
  };
  for (const std::string& stem : stems) {
    for (const std::vector<std::string>& names : lists) {
      for (const std::size_t count : {0u, 1u, 5u, 150u}) {
        ConfigDocument many = WithTasks(names);
        ConfigDocument single = WithTasks(names);
        many.AddTasks(stem, count);
        for (std::size_t i = 0; i < count; ++i) single.AddTask(stem);
        ASSERT_EQ(many.tasks.size(), single.tasks.size());
        for (std::size_t i = 0; i < many.tasks.size(); ++i) {
          EXPECT_EQ(many.tasks[i].bytes, single.tasks[i].bytes)
              << "stem " << stem << ", " << names.size() << " tasks, " << count << " added, #" << i;
        }
        EXPECT_EQ(many.modified(), count != 0);
      }
    }
  }
}

TEST(DeleteTask, RemovesThePositionAndShiftsTheRest) {
  ConfigDocument doc = WithTasks({"A", "B", "C"});
  doc.DeleteTask(1);
  EXPECT_EQ(Names(doc), (std::vector<std::string>{"A", "C"}));
  EXPECT_TRUE(doc.modified());
}

TEST(TaskOperations, APositionWithoutATaskChangesNothing) {
  for (int position : {-1, 3, 100}) {
    ConfigDocument doc = WithTasks({"A", "B", "C"});
    const auto before = doc.tasks;
    doc.DeleteTask(position);
    doc.SetTaskSource(position, "/x");
    doc.SetTaskTarget(position, "C:\\x");
    EXPECT_EQ(doc.RenameTask(position, "Fresh"), RenameResult::kAccepted);
    EXPECT_EQ(doc.RenameTask(position, "b"), RenameResult::kRefusedRepeated);
    EXPECT_EQ(doc.RenameTask(position, ""), RenameResult::kRefusedEmpty);
    EXPECT_EQ(doc.tasks.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(doc.tasks[i].bytes, before[i].bytes);
    EXPECT_FALSE(doc.modified()) << position;
  }
}

TEST(RenameTask, RulesInOrder) {
  const std::string forty(40, 'r');
  struct Case {
    std::string text;
    RenameResult result;
    std::string stored;  // the name of task 0 afterwards
  } cases[] = {
      {"ALPHA", RenameResult::kAccepted, "ALPHA"},       // its own name in other case
      {"Alpha", RenameResult::kAccepted, "Alpha"},
      {"Beta", RenameResult::kRefusedRepeated, "Alpha"},
      {"bEtA", RenameResult::kRefusedRepeated, "Alpha"},
      {"", RenameResult::kRefusedEmpty, "Alpha"},
      {" ", RenameResult::kAccepted, " "},                // not trimmed
      {forty, RenameResult::kAccepted, forty.substr(0, 31)},
      // Compared as the file will hold it: its first 31 bytes are task 2's name.
      {std::string(31, 'G') + "-tail", RenameResult::kRefusedRepeated, "Alpha"},
      {std::string(31, 'g') + "H", RenameResult::kRefusedRepeated, "Alpha"},
      {std::string(30, 'G') + "HH", RenameResult::kAccepted, std::string(30, 'G') + "H"},
  };
  for (const Case& c : cases) {
    ConfigDocument doc = WithTasks({"Alpha", "Beta", std::string(31, 'G')});
    EXPECT_EQ(doc.RenameTask(0, c.text), c.result) << c.text;
    EXPECT_EQ(doc.tasks[0].Name(), c.stored) << c.text;
    EXPECT_EQ(doc.tasks[1].Name(), "Beta");
    EXPECT_EQ(doc.modified(), c.result == RenameResult::kAccepted) << c.text;
  }
}

// Code page 950: 乙 is A4 41 and 兀 is A4 61, whose second bytes spell "A" and "a".
const std::string kYi = "\xA4\x41", kWu = "\xA4\x61";

TEST(TaskNames, FoldingStepsOverTheSecondByteOfADoubleByteCharacter) {
  ConfigDocument doc = WithTasks({kWu, "Photos", "photos", "x" + kYi});
  EXPECT_EQ(doc.FindTask(kYi), 0);  // a single-byte code page folds every byte
  doc.SetLeadBytes(LeadBytes::ForCodePage(950));
  struct Case {
    std::string name;
    int find;                  // FindTask: the first that is the same name
    int look_up;               // LookUpTask: the task meant
    std::vector<int> matches;  // when none is meant
  } cases[] = {
      {kYi, -1, -1, {}},
      {kWu, 0, 0, {}},
      {"photos", 1, 2, {}},     // exact first, though "Photos" comes before it
      {"Photos", 1, 1, {}},
      {"PHOTOS", 1, -1, {1, 2}},
      {"X" + kYi, 3, 3, {}},    // folded outside the character: the one match acts
      {"X" + kWu, -1, -1, {}},
      {"Nothing", -1, -1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(doc.FindTask(c.name), c.find);
    const TaskLookup found = doc.LookUpTask(c.name);
    EXPECT_EQ(found.position, c.look_up);
    EXPECT_EQ(found.matches, c.matches);
  }
  EXPECT_EQ(doc.RenameTask(3, "X" + kWu), RenameResult::kAccepted);
  EXPECT_EQ(doc.RenameTask(3, kYi), RenameResult::kAccepted);
  EXPECT_EQ(doc.RenameTask(3, kWu), RenameResult::kRefusedRepeated);
}

TEST(TaskNames, TheLeadBytesOfTheDoubleByteCodePages) {
  for (const unsigned page : {936u, 949u, 950u}) {
    const LeadBytes lead = LeadBytes::ForCodePage(page);
    EXPECT_FALSE(lead.IsLead(0x80));
    EXPECT_TRUE(lead.IsLead(0x81));
    EXPECT_TRUE(lead.IsLead(0xFE));
    EXPECT_FALSE(lead.IsLead(0xFF));
  }
  const LeadBytes sjis = LeadBytes::ForCodePage(932);
  EXPECT_TRUE(sjis.IsLead(0x9F));
  EXPECT_FALSE(sjis.IsLead(0xA0));
  EXPECT_TRUE(sjis.IsLead(0xE0));
  EXPECT_EQ(LeadBytes::ForCodePage(1252), LeadBytes());
  EXPECT_TRUE(EndsInHalfCharacter("ab\xA4", LeadBytes::ForCodePage(950)));
  EXPECT_FALSE(EndsInHalfCharacter("ab\xA4\xA4", LeadBytes::ForCodePage(950)));
  EXPECT_FALSE(EndsInHalfCharacter("ab\xA4", LeadBytes()));
}

TEST(ReplaceTasks, KeepsMatchingRecordsAndAppliesTheRenameRule) {
  ConfigDocument doc = WithTasks({"Alpha", "Beta", "Gamma"});
  doc.tasks[1].bytes[100] = 0xEE;  // bytes after the source that only the record carries
  const auto beta = doc.tasks[1].bytes;
  const ReplaceResult done = doc.ReplaceTasks(
      {{"Beta", "", ""}, {"Delta", " /d ", "D:\\D"}, {"", "", ""}, {"", "", ""}}, "New");
  EXPECT_EQ(done.result, RenameResult::kAccepted);
  EXPECT_EQ(Names(doc), (std::vector<std::string>{"Beta", "Delta", "", ""}));
  EXPECT_EQ(doc.tasks[0].bytes, beta);
  EXPECT_EQ(doc.tasks[1].Source(), "/d");
  EXPECT_TRUE(doc.modified());

  // Refused by name as stored and letter case aside; nothing changes.
  for (const std::vector<TaskTexts>& wanted :
       {std::vector<TaskTexts>{{"beta", "", ""}, {"BETA", "", ""}},
        {{std::string(31, 'x') + "1", "", ""}, {std::string(31, 'X') + "2", "", ""}}}) {
    ConfigDocument same = WithTasks({"Alpha"});
    const ReplaceResult refused = same.ReplaceTasks(wanted, "New");
    EXPECT_EQ(refused.result, RenameResult::kRefusedRepeated);
    EXPECT_EQ(refused.refused, 0u);
    EXPECT_EQ(Names(same), std::vector<std::string>{"Alpha"});
    EXPECT_FALSE(same.modified());
  }
  // Names a damaged file already repeats stay; nothing changes, nothing is marked.
  ConfigDocument damaged = WithTasks({"Twin", "twin"});
  EXPECT_EQ(damaged.ReplaceTasks({{"Twin", "", ""}, {"twin", "", ""}}, "New").result,
            RenameResult::kAccepted);
  EXPECT_FALSE(damaged.modified());
  // In code page 950 two characters whose second bytes differ in letter case are two names.
  ConfigDocument big5 = WithTasks({});
  big5.SetLeadBytes(LeadBytes::ForCodePage(950));
  EXPECT_EQ(big5.ReplaceTasks({{kYi, "", ""}, {kWu, "", ""}}, "New").result,
            RenameResult::kAccepted);
}

// The records of new tasks are AddTask's, named as a run of single adds names them, so that the
// bytes after a shorter name are the same whatever the number of tasks.
TEST(ReplaceTasks, NewTasksAreRecordsAsSingleAddsMakeThem) {
  ConfigDocument small = WithTasks({"New1", "Keep"});
  ASSERT_EQ(
      small.ReplaceTasks({{"Keep", "", ""}, {"A", "/a", ""}, {"New1", "", ""}}, "New").result,
      RenameResult::kAccepted);
  TaskRecord a;
  a.SetName("New2");
  a.SetName("A");
  a.SetSource("/a");
  ASSERT_EQ(small.tasks.size(), 3u);
  EXPECT_EQ(small.tasks[1].bytes, a.bytes);

  // Many tasks, some kept and some renamed, with stem numbers in use among the old names.
  std::vector<std::string> old_names;
  for (int i = 0; i < 60; ++i) {
    old_names.push_back((i % 3 == 0 ? "New" : "Old") + std::to_string(i));
  }
  std::vector<TaskTexts> wanted;
  for (int i = 0; i < 600; ++i) {
    const std::string name =
        i < 40 ? old_names[static_cast<std::size_t>(i)] : "T" + std::to_string(i);
    wanted.push_back({name, "/s" + std::to_string(i), "D:\\t" + std::to_string(i)});
  }
  ConfigDocument doc = WithTasks(old_names);
  ASSERT_EQ(doc.ReplaceTasks(wanted, "New").result, RenameResult::kAccepted);

  // What the rule gives, one step at a time: the first 40 keep their records, the next 20 take
  // over the records at their places, and every further task is a single add, renamed.
  ConfigDocument expected = WithTasks(old_names);
  for (std::size_t i = old_names.size(); i < wanted.size(); ++i) expected.AddTask("New");
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    expected.tasks[i].SetName(wanted[i].name);
    expected.SetTaskSource(static_cast<int>(i), wanted[i].source);
    expected.SetTaskTarget(static_cast<int>(i), wanted[i].target);
  }
  ASSERT_EQ(doc.tasks.size(), expected.tasks.size());
  for (std::size_t i = 0; i < doc.tasks.size(); ++i) {
    EXPECT_EQ(doc.tasks[i].bytes, expected.tasks[i].bytes) << "#" << i;
  }
}

// Whether the records stay at their places (changed where they are) or move (a new list), the
// result says whether the bytes changed, and an unchanged list is left alone.
TEST(ReplaceTasks, SaysWhetherTheTasksChanged) {
  const std::vector<TaskTexts> three = {{"A", "/a", "D:\\a"}, {"B", "", ""}, {"C", "", ""}};
  ConfigDocument doc;
  ReplaceResult done = doc.ReplaceTasks(three, "New");
  EXPECT_TRUE(done.changed);
  EXPECT_TRUE(doc.modified());
  doc.MarkSaved();
  const auto before = Records(doc);
  for (const std::vector<TaskTexts>& wanted :
       {three, std::vector<TaskTexts>{{"A", " /a ", "D:\\a"}, {"B", "", ""}, {"C", "", ""}}}) {
    done = doc.ReplaceTasks(wanted, "New");
    EXPECT_EQ(done.result, RenameResult::kAccepted);
    EXPECT_FALSE(done.changed);
    EXPECT_FALSE(doc.modified());
    EXPECT_EQ(Records(doc), before);
  }
  // In place, losing the tail.
  ConfigDocument shorter = doc;
  done = shorter.ReplaceTasks({{"A", "/a", "D:\\a"}, {"B", "", ""}}, "New");
  EXPECT_TRUE(done.changed);
  EXPECT_TRUE(shorter.modified());
  EXPECT_EQ(Names(shorter), (std::vector<std::string>{"A", "B"}));
  // Moved: the same records in another order.
  ConfigDocument moved = doc;
  done = moved.ReplaceTasks({{"C", "", ""}, {"A", "/a", "D:\\a"}, {"B", "", ""}}, "New");
  EXPECT_TRUE(done.changed);
  EXPECT_EQ(moved.tasks[1].bytes, doc.tasks[0].bytes);
  // A list that drops "New1" still counts its name when it numbers the new records it adds.
  ConfigDocument numbered = WithTasks({"New1", "A"});
  ASSERT_EQ(numbered.ReplaceTasks({{"A", "", ""}, {"B", "", ""}, {"C", "", ""}}, "New").result,
            RenameResult::kAccepted);
  TaskRecord b;
  b.SetName("New2");
  b.SetName("B");
  EXPECT_EQ(numbered.tasks[1].bytes, b.bytes);
}

// The replacement as it was first written, adding the new tasks with AddTask one at a time
// (which made an import grow with the square of the count): the reference for the one in use.
ReplaceResult ReplaceOneAddAtATime(ConfigDocument& doc, const std::vector<TaskTexts>& wanted,
                                   std::string_view stem) {
  std::vector<TaskRecord>& tasks = doc.tasks;
  const std::size_t old_count = tasks.size();
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> record_of(wanted.size(), kNone);
  std::vector<bool> used(old_count, false);
  for (std::size_t i = 0; i < wanted.size() && i < old_count; ++i) {
    if (tasks[i].NameView() == wanted[i].name) {
      record_of[i] = i;
      used[i] = true;
    }
  }
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    for (std::size_t j = 0; record_of[i] == kNone && j < old_count; ++j) {
      if (!used[j] && tasks[j].NameView() == wanted[i].name) {
        record_of[i] = j;
        used[j] = true;
      }
    }
  }
  for (std::size_t i = 0; i < wanted.size() && i < old_count; ++i) {
    if (record_of[i] == kNone && !used[i]) {
      record_of[i] = i;
      used[i] = true;
    }
  }
  std::unordered_map<std::string, std::size_t> same_names;
  for (const TaskTexts& w : wanted) ++same_names[doc.NameKey(StoredTaskName(w.name))];
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const bool renamed = record_of[i] == kNone || tasks[record_of[i]].NameView() != wanted[i].name;
    if (!renamed || wanted[i].name.empty()) continue;
    if (same_names[doc.NameKey(StoredTaskName(wanted[i].name))] > 1) {
      return {RenameResult::kRefusedRepeated, i};
    }
  }
  ConfigDocument work = doc;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (record_of[i] == kNone) record_of[i] = static_cast<std::size_t>(work.AddTask(stem).position);
  }
  std::vector<TaskRecord> records;
  for (std::size_t i = 0; i < wanted.size(); ++i) records.push_back(work.tasks[record_of[i]]);
  work.tasks = std::move(records);
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    const TaskTexts& w = wanted[i];
    TaskRecord& task = work.tasks[i];
    if (task.NameView() != w.name) task.SetName(w.name);
    if (task.Source() != w.source) work.SetTaskSource(static_cast<int>(i), w.source);
    if (task.Target() != w.target) work.SetTaskTarget(static_cast<int>(i), w.target);
  }
  bool changed = work.tasks.size() != tasks.size();
  for (std::size_t i = 0; !changed && i < tasks.size(); ++i) {
    changed = work.tasks[i].bytes != tasks[i].bytes;
  }
  if (changed) tasks = std::move(work.tasks);
  return {RenameResult::kAccepted, 0, changed};
}

TEST(ReplaceTasks, AgreesWithAddingOneTaskAtATime) {
  const std::string names[] = {"",         "A",        "a",         "B",
                               "NewTask1", "newtask2", "NewTask3",  "NewTask10",
                               "NewTask01", "Zed",     std::string(31, 'x') + "1",
                               std::string(31, 'X') + "2"};
  const std::string folders[] = {"", "/s", " /s ", "/t"};
  std::mt19937 random(25);
  const auto pick = [&](const auto& table) {
    return table[std::uniform_int_distribution<std::size_t>(0, std::size(table) - 1)(random)];
  };
  for (int round = 0; round < 3000; ++round) {
    ConfigDocument doc;
    const int old_count = std::uniform_int_distribution<int>(0, 8)(random);
    for (int i = 0; i < old_count; ++i) {
      TaskRecord& task = doc.tasks.emplace_back();
      task.SetName(pick(names));
      task.SetSource(pick(folders));
      if (i % 3 == 0) task.bytes[300] = static_cast<std::uint8_t>(round);  // bytes only it holds
    }
    std::vector<TaskTexts> wanted(std::uniform_int_distribution<std::size_t>(0, 10)(random));
    for (TaskTexts& w : wanted) w = {pick(names), pick(folders), pick(folders)};
    ConfigDocument expected = doc;
    const ReplaceResult want = ReplaceOneAddAtATime(expected, wanted, "NewTask");
    const ReplaceResult done = doc.ReplaceTasks(wanted, "NewTask");
    ASSERT_EQ(done.result, want.result) << "round " << round;
    ASSERT_EQ(done.refused, want.refused) << "round " << round;
    ASSERT_EQ(done.changed, want.changed) << "round " << round;
    EXPECT_EQ(doc.modified(), want.changed) << "round " << round;
    ASSERT_EQ(Records(doc), Records(expected)) << "round " << round;
  }
}

TEST(SetTaskSourceAndTarget, TrimBytesUpTo32AndCutTo255) {
  const std::string long_path = "/" + std::string(300, 'p');
  struct Case {
    std::string text;
    std::string stored;
  } cases[] = {
      {"  /srv/photos  ", "/srv/photos"},
      {"\t\r\n/srv/x\x01\x1F", "/srv/x"},
      {"/with inner  blanks", "/with inner  blanks"},
      {"\x7F/del\x7F", "\x7F/del\x7F"},        // 127 is not trimmed
      {"\xA0/nbsp\xA0", "\xA0/nbsp\xA0"},      // nor is the upper half of the code page
      {"   ", ""},
      {"", ""},
      {long_path, long_path.substr(0, 255)},
      {std::string(10, ' ') + long_path, long_path.substr(0, 255)},  // trimmed before the cut
  };
  for (const Case& c : cases) {
    ConfigDocument doc = WithTasks({"A"});
    doc.SetTaskSource(0, c.text);
    EXPECT_EQ(doc.tasks[0].Source(), c.stored);
    doc.SetTaskTarget(0, c.text);
    EXPECT_EQ(doc.tasks[0].Target(), c.stored);
    EXPECT_TRUE(doc.modified());
  }
}

TEST(SetTaskSourceAndTarget, MarkModifiedEvenWithoutAChange) {
  ConfigDocument doc = WithTasks({"A"});
  doc.SetTaskSource(0, "/same");
  doc.MarkSaved();
  doc.SetTaskSource(0, " /same ");
  EXPECT_TRUE(doc.modified());
  doc.MarkSaved();
  doc.SetTaskTarget(0, "");
  EXPECT_TRUE(doc.modified());
}

TEST(SetTextSettings, StoreUntrimmedCutAndAlwaysMarkModified) {
  ConfigDocument doc;
  doc.SetHost(" host.example ");
  EXPECT_EQ(doc.settings.Host(), " host.example ");
  doc.SetHost(std::string(70, 'h'));
  EXPECT_EQ(doc.settings.Host(), std::string(63, 'h'));
  doc.SetUser(std::string(40, 'u'));
  EXPECT_EQ(doc.settings.User(), std::string(31, 'u'));
  const std::string password = "0123456789abcdefghijklmnopqrstu";  // 31 characters: stored whole
  doc.SetPassword(password);
  EXPECT_EQ(doc.settings.Password(), password);

  doc.MarkSaved();
  doc.SetUser(std::string(40, 'u'));
  EXPECT_TRUE(doc.modified());
  doc.MarkSaved();
  doc.SetPassword(password);
  EXPECT_TRUE(doc.modified());
  doc.MarkSaved();
  doc.SetHost(std::string(63, 'h'));
  EXPECT_TRUE(doc.modified());
}

struct NumberCase {
  const char* text;
  std::int32_t stored;
};

const NumberCase kNumbers[] = {
    {"abc", 0},  {"$3C", 60},         {" 15", 15}, {"15 ", 0},    {"$FFFFFFFF", -1},
    {"-5", -5},  {"", 0},             {"0x1F", 31}, {"2147483648", 0},
};

TEST(SetNumberSettings, ReadTheTextAndMarkModifiedOnlyOnAChange) {
  const struct {
    const char* what;
    std::int32_t (ConfigDocument::*set)(std::string_view);
    std::int32_t (SettingsRecord::*get)() const;
    void (SettingsRecord::*put)(std::int32_t);
  } fields[] = {
      {"port", &ConfigDocument::SetPort, &SettingsRecord::Port, &SettingsRecord::SetPort},
      {"interval", &ConfigDocument::SetInterval, &SettingsRecord::Interval,
       &SettingsRecord::SetInterval},
      {"speed limit", &ConfigDocument::SetSpeedLimit, &SettingsRecord::SpeedLimit,
       &SettingsRecord::SetSpeedLimit},
  };
  for (const auto& f : fields) {
    for (const NumberCase& c : kNumbers) {
      for (std::int32_t before : {0, 15, 60, -1}) {
        ConfigDocument doc;
        (doc.settings.*f.put)(before);
        const std::string where = std::string(f.what) + " \"" + c.text + "\" over " +
                                  std::to_string(before);
        EXPECT_EQ((doc.*f.set)(c.text), c.stored) << where;
        EXPECT_EQ((doc.settings.*f.get)(), c.stored) << where;
        EXPECT_EQ(doc.modified(), before != c.stored) << where;
      }
    }
  }
}

TEST(SetNumberSettings, TouchOnlyTheirOwnField) {
  ConfigDocument doc;
  doc.SetPort("1234");
  doc.SetInterval("5");
  doc.SetSpeedLimit("-7");
  SettingsRecord expected = SettingsRecord::Defaults();
  expected.SetPort(1234);
  expected.SetInterval(5);
  expected.SetSpeedLimit(-7);
  EXPECT_EQ(doc.settings.bytes, expected.bytes);
}

TEST(ConfigDocument, MarkSavedClearsModified) {
  ConfigDocument doc;
  doc.AddTask("T");
  ASSERT_TRUE(doc.modified());
  doc.MarkSaved();
  EXPECT_FALSE(doc.modified());
}

}  // namespace
}  // namespace qv::test
