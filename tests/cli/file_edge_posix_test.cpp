// The native file edge: what a save may touch and what it leaves behind.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "cli_fixture.h"
#include "config/image_fixture.h"

extern char** environ;

namespace qv::test {
namespace {

class PosixEdgeTest : public QvconfTest {};

// Starts qvconf with its output thrown away.
pid_t StartQvconf(std::vector<std::string> args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  args.insert(args.begin(), QVCONF_PATH);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, QVCONF_PATH, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit status, or -1 when it did not end (it is then killed).
int WaitForEnd(pid_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PosixEdgeTest, ParallelAddsAllLandEachOnTheFileThePreviousOneWrote) {
  WriteConfig(MakeImage(SettingsFields{}, {}).bytes);
  const std::string folder = Utf8Path(dir());
  constexpr int kRuns = 50;
  std::vector<pid_t> pids;
  for (int i = 0; i < kRuns; ++i) {
    pids.push_back(StartQvconf({"--dir", folder, "--code-page", "1252", "task", "add",
                                "T" + std::to_string(i), "--source", "/s",
                                "--target", "D:\\t" + std::to_string(i)}));
  }
  int succeeded = 0;
  for (const pid_t pid : pids) succeeded += WaitForEnd(pid) == 0 ? 1 : 0;
  const ConfigDocument doc = Loaded();
  std::vector<std::string> names;
  for (std::size_t i = 0; i < doc.tasks.size(); ++i) names.push_back(doc.tasks[i].Name());
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected;
  for (int i = 0; i < kRuns; ++i) expected.push_back("T" + std::to_string(i));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(succeeded, kRuns);
  EXPECT_EQ(names, expected);
  EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
  std::printf("%d parallel adds: %d exited 0, %zu tasks in the file\n", kRuns, succeeded,
              doc.tasks.size());
}

TEST_F(PosixEdgeTest, ASaveReplacesTheFileKeepsItsModeAndClearsOnlyItsOwnLeftovers) {
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  ASSERT_EQ(::chmod(config().c_str(), 0640), 0);
  // A user's own files with the names other savers use for their temporaries, an
  // administrator's backup, near-misses of ours; and two that killed saves of ours left.
  const std::vector<const char*> users = {
      "CONFIGS.DAT.tmp", "CONFIGS.DAT.bak", "CONFIGS.DAT.qvconf-backup", "CONFIGS.DAT.qvconf-Xy7Q2z",
      "CONFIGS.DAT.~qv0123456789abcde.tmp", "CONFIGS.DAT.~qv0123456789abcdeg.tmp",
      "CONFIGS.DAT.~qv0123456789abcdef.tmp.bak"};
  for (const char* name : users) WriteBytes(dir() / name, AsBytes("mine"));
  WriteBytes(dir() / "CONFIGS.DAT.~qv0123456789abcdef.tmp",
             MakeImage(SettingsFields{}, {}).Truncate(600).bytes);
  WriteBytes(dir() / "CONFIGS.DAT.~qvFEDCBA9876543210.tmp", {});
  const RunResult run = Run({"set", "host", "new.example"});
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  EXPECT_EQ(Loaded().settings.Host(), "new.example");
  struct stat info;
  ASSERT_EQ(::stat(config().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  for (const char* name : users) EXPECT_EQ(ReadBytes(dir() / name), AsBytes("mine")) << name;
  std::vector<std::string> expected{"CONFIGS.DAT"};
  expected.insert(expected.end(), users.begin(), users.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(), expected);
}

TEST_F(PosixEdgeTest, AReadOnlyFileIsNotReplacedAndAReadWritesNothing) {
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  ASSERT_EQ(::chmod(config().c_str(), 0444), 0);
  const std::vector<std::uint8_t> before = ConfigBytes();
  const RunResult run = Run({"set", "host", "new.example"});
  EXPECT_EQ(run.code, cli::kExitError);
  EXPECT_NE(run.err.find("read-only"), std::string::npos) << run.err;
  EXPECT_EQ(ConfigBytes(), before);
  EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
  struct stat info;
  ASSERT_EQ(::stat(config().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST_F(PosixEdgeTest, ACreatedFileFollowsTheUmaskAndIsExactlyTheEditorsImage) {
  const mode_t old = ::umask(022);
  const RunResult run = Run({"--create", "set", "user", "admin"});
  ::umask(old);
  ASSERT_EQ(run.code, cli::kExitOk) << run.err;
  struct stat info;
  ASSERT_EQ(::stat(config().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  ConfigDocument expected;
  expected.SetUser("admin");
  EXPECT_EQ(ConfigBytes(), BuildConfigImage(expected));
}

TEST_F(PosixEdgeTest, ConfigsDatThatIsNoRegularFileIsNeitherReadNorReplaced) {
  const std::filesystem::path elsewhere = dir() / "elsewhere.dat";
  WriteBytes(elsewhere, MakeImage(SettingsFields{}, SampleTasks()).bytes);
  const std::vector<std::uint8_t> before = ReadBytes(elsewhere);
  std::filesystem::create_symlink(elsewhere, config());
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"show"}, {"--create", "set", "host", "x"}}) {
    const RunResult run = Run(args);
    EXPECT_EQ(run.code, cli::kExitError) << args[0];
    EXPECT_NE(run.err.find("not a regular file"), std::string::npos) << run.err;
  }
  EXPECT_TRUE(std::filesystem::is_symlink(config()));
  EXPECT_EQ(ReadBytes(elsewhere), before);

  std::filesystem::remove(config());
  std::filesystem::create_directory(config());
  EXPECT_EQ(Run({"--create", "task", "add"}).code, cli::kExitError);
  EXPECT_TRUE(std::filesystem::is_directory(config()));
  EXPECT_EQ(Names(), (std::vector<std::string>{"CONFIGS.DAT", "elsewhere.dat"}));
}

TEST_F(PosixEdgeTest, AnyFileNameWorksWithFile) {
  const std::filesystem::path site = dir() / "site1.dat";
  CaptureConsole console;
  const int code = cli::RunQvconf(
      {"qvconf", "--file", Utf8Path(site), "--code-page", "1252", "--create", "set", "host", "s1"},
      console);
  ASSERT_EQ(code, cli::kExitOk) << console.err;
  ConfigDocument doc;
  ASSERT_TRUE(ParseConfigImage(ReadBytes(site), doc));
  EXPECT_EQ(doc.settings.Host(), "s1");
}

// Kills qvconf at random moments of its save: CONFIGS.DAT must always hold the old bytes or the
// new ones, never nothing and never a mix.
TEST_F(PosixEdgeTest, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewBytes) {
  std::vector<TaskFields> tasks;
  for (int i = 0; i < 5000; ++i) {
    tasks.push_back(
        {"Task" + std::to_string(i), "/srv/" + std::to_string(i), "D:\\" + std::to_string(i)});
  }
  WriteConfig(MakeImage(SettingsFields{}, tasks).bytes);
  const std::string folder = Utf8Path(dir());

  const auto start = [&](const std::string& host) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args{QVCONF_PATH, "--dir", folder, "--code-page",
                                  "1252",      "set",   "host", host};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, QVCONF_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  };
  const auto wait_for_end = [](pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        ADD_FAILURE() << "qvconf did not end";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  };

  // One whole run sets the span the kills are spread over.
  const auto t0 = std::chrono::steady_clock::now();
  wait_for_end(start("calibration"));
  const auto span = std::chrono::steady_clock::now() - t0;
  ASSERT_EQ(Loaded().settings.Host(), "calibration");

  std::mt19937 random(20261210);
  int old_kept = 0, new_written = 0;
  for (int round = 0; round < 40; ++round) {
    const std::vector<std::uint8_t> before = ConfigBytes();
    ConfigDocument expected;
    ASSERT_TRUE(ParseConfigImage(before, expected));
    const std::string host = "host" + std::to_string(round);
    expected.SetHost(host);
    const std::vector<std::uint8_t> after = BuildConfigImage(expected);

    const pid_t pid = start(host);
    // The moment of the kill, anywhere from the start to a little past a whole run.
    std::this_thread::sleep_for(span * (random() % 1200) / 1000);
    kill(pid, SIGKILL);
    wait_for_end(pid);
    const std::vector<std::uint8_t> now = ConfigBytes();
    ASSERT_TRUE(now == before || now == after)
        << "round " << round << ": " << now.size() << " bytes";
    (now == before ? old_kept : new_written) += 1;
  }
  const std::size_t leftovers = Names().size() - 1;
  // The next save clears what the killed ones left.
  ASSERT_EQ(Run({"set", "host", "last"}).code, cli::kExitOk);
  EXPECT_EQ(Names(), std::vector<std::string>{"CONFIGS.DAT"});
  std::printf(
      "40 kills over %lld ms runs: %d kept the old bytes, %d had the new, %zu temporary "
      "files left behind\n",
      static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(span).count()),
      old_kept, new_written, leftovers);
}

// An export holds the password: a new one is readable by its owner alone, and one that exists
// keeps its mode and owner.
TEST_F(PosixEdgeTest, AnExportIsNoMoreReadableThanTheFileItReplaces) {
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  const std::filesystem::path fresh = dir() / "fresh.json";
  ASSERT_EQ(Run({"export", Utf8Path(fresh)}).code, cli::kExitOk);
  struct stat info {};
  ASSERT_EQ(::stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);

  const std::filesystem::path kept = dir() / "kept.json";
  WriteBytes(kept, {'{', '}'});
  ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
  const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(kept.c_str(), owner, 65534), 0);
  }
  ASSERT_EQ(Run({"export", Utf8Path(kept)}).code, cli::kExitOk);
  ASSERT_EQ(::stat(kept.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(info.st_uid, owner);
  EXPECT_GT(info.st_size, 2);
}

// Runs qvconf as an account that owns neither the folder's files nor root's privileges: the exit
// status, or -1 when that account cannot be had here.
int RunAsNobody(const std::vector<std::string>& args) {
  if (::geteuid() != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
    CaptureConsole console;
    ::_exit(cli::RunQvconf(args, console));
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 100 ? -1 : WEXITSTATUS(status);
}

// What Windows refuses is refused here too, though the folder would let a rename replace it: a
// CONFIGS.DAT this account may not write, and an export whose owner it cannot keep.
TEST_F(PosixEdgeTest, AFileThisAccountMayNotWriteOrOwnIsNotReplaced) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another account";
  WriteConfig(MakeImage(SettingsFields{}, SampleTasks()).bytes);
  const std::vector<std::uint8_t> before = ConfigBytes();
  ASSERT_EQ(::chmod(dir().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(config().c_str(), 0644), 0);
  const std::string folder = Utf8Path(dir());
  EXPECT_EQ(RunAsNobody({"qvconf", "--dir", folder, "--code-page", "1252", "set", "host", "x"}),
            cli::kExitError);
  EXPECT_EQ(ConfigBytes(), before);

  ASSERT_EQ(::chmod(config().c_str(), 0666), 0);
  const std::filesystem::path theirs = dir() / "theirs.json";
  WriteBytes(theirs, {'{', '}'});
  ASSERT_EQ(::chmod(theirs.c_str(), 0666), 0);
  EXPECT_EQ(RunAsNobody({"qvconf", "--dir", folder, "--code-page", "1252", "export",
                         Utf8Path(theirs)}),
            cli::kExitError);
  EXPECT_EQ(ReadBytes(theirs), (std::vector<std::uint8_t>{'{', '}'}));
  struct stat info {};
  ASSERT_EQ(::stat(theirs.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 0u);
  // That account reaches the folder and writes what it may write: the refusals above were theirs.
  EXPECT_EQ(RunAsNobody({"qvconf", "--dir", folder, "--code-page", "1252", "set", "host", "y"}),
            cli::kExitOk);
}

}  // namespace
}  // namespace qv::test
