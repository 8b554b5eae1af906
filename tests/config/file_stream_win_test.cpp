#include "config/file_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/win_files.h"

namespace qv::test {
namespace {

const std::vector<std::uint8_t> kContent = {'h', 'e', 'l', 'l', 'o', 0, 0xFF, '!'};

bool CanOpen(const std::wstring& path, DWORD access) {
  Holder other(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  return other.open();
}

TEST(TNewFileStream, OpenModesSelectAccessAndSharing) {
  TempDir dir;
  const std::wstring path = dir / L"f.bin";
  struct Share {
    std::uint16_t bits;
    bool others_read, others_write;
  } shares[] = {{kShareCompat, false, false},
                {kShareExclusive, false, false},
                {kShareDenyWrite, true, false},
                {kShareDenyRead, false, true},
                {kShareDenyNone, true, true}};
  struct Access {
    std::uint16_t bits;
    bool reads, writes;
  } accesses[] = {{kOpenRead, true, false}, {kOpenWrite, false, true}, {kOpenReadWrite, true, true}};
  for (const Share& s : shares) {
    for (const Access& a : accesses) {
      const std::uint16_t mode = s.bits | a.bits;
      ASSERT_TRUE(WriteBytes(path, kContent));
      TNewFileStream stream(path, mode);
      ASSERT_NE(stream.Handle(), INVALID_HANDLE_VALUE) << std::hex << mode;
      std::uint8_t buffer[16];
      EXPECT_EQ(stream.Read(buffer, sizeof buffer), a.reads ? 8 : 0) << std::hex << mode;
      stream.Seek64(0, kSeekEnd);
      EXPECT_EQ(stream.Write("", 1), a.writes ? 1 : 0) << std::hex << mode;
      EXPECT_EQ(CanOpen(path, GENERIC_READ), s.others_read) << std::hex << mode;
      EXPECT_EQ(CanOpen(path, GENERIC_WRITE), s.others_write) << std::hex << mode;
    }
  }
}

TEST(TNewFileStream, BitsOutsideTheTablesAreIgnoredAndValuesOutsideThemOpenNothing) {
  TempDir dir;
  const std::wstring path = dir / L"f.bin";
  ASSERT_TRUE(WriteBytes(path, kContent));
  {
    auto stream = OpenFileStream(path, 0xFF2C);  // 0x20 with bits 2-3 and 8-15 set
    ASSERT_NE(stream, nullptr);
    std::uint8_t buffer[16];
    EXPECT_EQ(stream->Read(buffer, sizeof buffer), 8);
    EXPECT_FALSE(CanOpen(path, GENERIC_WRITE));
  }
  for (std::uint16_t mode : {0x03, 0x23, 0x50, 0x90, 0xF0}) {
    TNewFileStream stream(path, mode);
    EXPECT_EQ(stream.Handle(), INVALID_HANDLE_VALUE) << std::hex << mode;
    EXPECT_EQ(OpenFileStream(path, mode), nullptr) << std::hex << mode;
  }
}

TEST(OpenFileStream, GivesNothingForAMissingFileAndClosesWhatItOpened) {
  TempDir dir;
  EXPECT_EQ(OpenFileStream(dir / L"missing.bin", kOpenRead | kShareDenyWrite), nullptr);
  const std::wstring path = dir / L"f.bin";
  ASSERT_TRUE(WriteBytes(path, kContent));
  {
    auto stream = OpenFileStream(path, kOpenRead | kShareExclusive);
    ASSERT_NE(stream, nullptr);
    EXPECT_FALSE(CanOpen(path, GENERIC_READ));
  }
  EXPECT_TRUE(CanOpen(path, GENERIC_READ));
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(TNTHandleStream, Seek64AndGetSize64ReachBeyond4GB) {
  TempDir dir;
  const std::wstring path = dir / L"big.bin";
  ASSERT_TRUE(WriteBytes(path, {}));
  TNewFileStream stream(path, kOpenReadWrite | kShareExclusive);
  ASSERT_NE(stream.Handle(), INVALID_HANDLE_VALUE);
  const std::int64_t size = (std::int64_t{5} << 30) + 3;  // the low half alone would be 1 GB + 3
  EXPECT_EQ(stream.Seek64(size, kSeekBegin), size);
  ASSERT_TRUE(SetEndOfFile(stream.Handle()));
  EXPECT_EQ(stream.Seek64(10, kSeekBegin), 10);
  EXPECT_EQ(stream.GetSize64(), size);
  EXPECT_EQ(stream.Seek64(0, kSeekCurrent), 10);
  EXPECT_EQ(stream.Seek64(-3, kSeekEnd), std::int64_t{5} << 30);
  EXPECT_EQ(stream.Seek64(std::int64_t{1} << 32, kSeekCurrent), (std::int64_t{9} << 30));
  EXPECT_EQ(stream.Seek64(-1, kSeekBegin), -1);
  SetFilePointer(stream.Handle(), 0, nullptr, FILE_BEGIN);
  SetEndOfFile(stream.Handle());
}

TEST(TNTHandleStream, GetSize64LeavesThePosition) {
  TempDir dir;
  const std::wstring path = dir / L"f.bin";
  ASSERT_TRUE(WriteBytes(path, kContent));
  auto stream = OpenFileStream(path, kOpenRead | kShareDenyWrite);
  ASSERT_NE(stream, nullptr);
  std::uint8_t buffer[3];
  ASSERT_EQ(stream->Read(buffer, 3), 3);
  EXPECT_EQ(stream->GetSize64(), 8);
  ASSERT_EQ(stream->Read(buffer, 3), 3);
  EXPECT_EQ(buffer[0], 'l');
  EXPECT_EQ(stream->Read(buffer, 0), 0);
  EXPECT_EQ(stream->Read(buffer, -1), 0);
}

// Records the pauses instead of sleeping; `on_pause` may act between two attempts.
struct PauseLog {
  std::vector<std::uint32_t> pauses;
  std::function<void(std::size_t)> on_pause;

  PauseFunction Function() {
    return [this](std::uint32_t milliseconds) {
      pauses.push_back(milliseconds);
      if (on_pause) on_pause(pauses.size());
    };
  }
};

TEST(LoadFileWithRetry, ReadsTheWholeFileAtOnce) {
  TempDir dir;
  std::vector<std::uint8_t> content(300000);
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 31);
  ASSERT_TRUE(WriteBytes(dir / L"f.bin", content));
  TStrMemoryStream stream;
  PauseLog log;
  ASSERT_TRUE(LoadFileWithRetry(stream, dir / L"f.bin", log.Function()));
  EXPECT_TRUE(log.pauses.empty());
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(std::vector<std::uint8_t>(stream.Bytes().begin(), stream.Bytes().end()), content);
  // Closed again: a writer gets in at once.
  EXPECT_TRUE(CanOpen(dir / L"f.bin", GENERIC_WRITE));
}

TEST(LoadFileWithRetry, AnEmptyFileGivesAnEmptyStream) {
  TempDir dir;
  ASSERT_TRUE(WriteBytes(dir / L"empty.bin", {}));
  TStrMemoryStream stream;
  ASSERT_TRUE(LoadFileWithRetry(stream, dir / L"empty.bin", PauseLog().Function()));
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

TEST(LoadFileWithRetry, AMissingFileCosts11AttemptsAnd10Pauses) {
  TempDir dir;
  TStrMemoryStream stream;
  stream.WriteCString("kept");
  PauseLog log;
  EXPECT_FALSE(LoadFileWithRetry(stream, dir / L"missing.bin", log.Function()));
  EXPECT_EQ(log.pauses, std::vector<std::uint32_t>(10, 100));
  EXPECT_EQ(stream.Size(), 5);  // left as it was
}

// Another program has the file open for writing: the loader may not share it, and retries.
TEST(LoadFileWithRetry, WaitsForAWriterThatClosesWithinTheAttempts) {
  struct Case {
    DWORD writer_share;
    std::size_t closes_at_pause;  // 0: never
    bool loads;
    std::size_t pauses;
  } cases[] = {
      {0, 3, true, 3},
      {FILE_SHARE_READ, 1, true, 1},
      {FILE_SHARE_READ | FILE_SHARE_WRITE, 10, true, 10},  // the 11th attempt is the last
      {0, 0, false, 10},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::wstring path = dir / L"CONFIGS.DAT";
    ASSERT_TRUE(WriteBytes(path, kContent));
    Holder writer(path, GENERIC_WRITE, c.writer_share);
    ASSERT_TRUE(writer.open());
    PauseLog log;
    log.on_pause = [&](std::size_t pause) {
      if (pause == c.closes_at_pause) writer.Close();
    };
    TStrMemoryStream stream;
    EXPECT_EQ(LoadFileWithRetry(stream, path, log.Function()), c.loads) << c.writer_share;
    EXPECT_EQ(log.pauses, std::vector<std::uint32_t>(c.pauses, 100)) << c.writer_share;
    if (c.loads) {
      EXPECT_EQ(stream.Size(), 8);
    }
  }
}

TEST(LoadFileWithRetry, OtherReadersDoNotHoldItUp) {
  TempDir dir;
  const std::wstring path = dir / L"CONFIGS.DAT";
  ASSERT_TRUE(WriteBytes(path, kContent));
  Holder reader(path, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader.open());
  PauseLog log;
  TStrMemoryStream stream;
  EXPECT_TRUE(LoadFileWithRetry(stream, path, log.Function()));
  EXPECT_TRUE(log.pauses.empty());
}

}  // namespace
}  // namespace qv::test
