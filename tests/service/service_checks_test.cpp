// The rules the service applies before it asks polkit or a device anything: which handed-over
// descriptors may serve, how far it reads them, which sizes a backup takes; and the result
// book that outlives the service.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/posix/posix_file_store.h"
#include "platform/text/printable_text.h"
#include "programs/fwupdate-service/descriptor_files.h"
#include "programs/fwupdate-service/operations.h"
#include "programs/fwupdate-service/result_book.h"
#include "programs/fwupdate-service/service_options.h"

namespace kelm::service {
namespace {

namespace fs = std::filesystem;

class HandedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("service-checks-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    for (int fd : fds_) close(fd);
    fs::remove_all(dir_);
  }
  int Open(const std::string& name, int flags) {
    const int fd = open((dir_ / name).c_str(), flags | O_CLOEXEC, 0600);
    fds_.push_back(fd);
    return fd;
  }

  fs::path dir_;
  std::vector<int> fds_;
};

TEST_F(HandedFiles, OnlyRegularFilesOpenTheRightWayServe) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  fds_.insert(fds_.end(), {pipeEnds[0], pipeEnds[1]});
  EXPECT_EQ(WhyNotWritable(pipeEnds[1]), "not a regular file");
  EXPECT_EQ(WhyNotReadable(pipeEnds[0]), "not a regular file");
  EXPECT_EQ(WhyNotReadable(-1), "not an open file");

  const int readOnly = Open("a", O_RDONLY | O_CREAT);
  EXPECT_EQ(WhyNotWritable(readOnly), "not open for writing");
  EXPECT_EQ(WhyNotReadable(readOnly), "");
  const int appending = Open("b", O_WRONLY | O_CREAT | O_APPEND);
  EXPECT_EQ(WhyNotWritable(appending), "open for appending only");
  const int writeOnly = Open("c", O_WRONLY | O_CREAT);
  EXPECT_EQ(WhyNotWritable(writeOnly), "");
  EXPECT_EQ(WhyNotReadable(writeOnly), "not open for reading");
}

TEST_F(HandedFiles, ReadsWithinTheBoundAndWritesTheWholeFile) {
  const int file = Open("image", O_RDWR | O_CREAT);
  ASSERT_EQ(write(file, "0123456789", 10), 10);
  DescriptorFileStore files;
  files.AddReadable("image", file);
  EXPECT_EQ(files.ReadWholeFile("image", 10)->size(), 10u);
  EXPECT_FALSE(files.ReadWholeFile("image", 9)) << "one byte past the bound refuses the file";
  EXPECT_FALSE(files.MayReplace("image")) << "handed over to be read";
  EXPECT_FALSE(files.ReadWholeFile("/etc/passwd", 100)) << "never a path";

  files.AddWritable("backup", file);
  const std::vector<std::uint8_t> bytes = {1, 2, 3};
  ASSERT_TRUE(files.WriteWholeFile("backup", bytes));
  EXPECT_EQ(fs::file_size(dir_ / "image"), 3u) << "what was there before is gone";
}

TEST(BackupSize, OnlyTheFlashSizes) {
  EXPECT_EQ(WhyBadBackupSize(65536), "");
  EXPECT_EQ(WhyBadBackupSize(1048576), "");
  EXPECT_NE(WhyBadBackupSize(0), "");
  EXPECT_NE(WhyBadBackupSize(65535), "");
  EXPECT_NE(WhyBadBackupSize(2097152), "");
}

TEST(ServiceOptions, TheBusStartsItWithNone) {
  EXPECT_EQ(ParseServiceOptions({}, nullptr).stateDir, "/var/lib/kelm-fwupdated");
  EXPECT_EQ(ParseServiceOptions({}, "/var/lib/a:/var/lib/b").stateDir, "/var/lib/a");
  EXPECT_FALSE(ParseServiceOptions({}, nullptr).scenario);
  EXPECT_THROW(ParseServiceOptions({"--dump", "d"}, nullptr), OptionError);
  EXPECT_THROW(ParseServiceOptions({"--idle-seconds", "0"}, nullptr), OptionError);
  EXPECT_THROW(ParseServiceOptions({"--scenario"}, nullptr), OptionError);
}

TEST_F(HandedFiles, TheResultBookKeepsTheLatestOfEachEnclosure) {
  posix::PosixFileStore files;
  ResultBook book(files, (dir_ / "results").string());
  book.Record({"path\tone", "update", "first\nline", false, 1});
  book.Record({"two", "backup", "written", true, 2});
  book.Record({"path\tone", "restore", "done", true, 3});
  // A new service reads what the last one kept.
  const auto results = ResultBook(files, (dir_ / "results").string()).Results();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].path, "two");
  EXPECT_EQ(results[1].path, "path one");
  EXPECT_EQ(results[1].operation, "restore");
  EXPECT_TRUE(results[1].succeeded);
  EXPECT_EQ(results[1].endedAt, 3u);
}

// The bus carries UTF-8; the core's texts (a drive's name, a status) are Latin-1 bytes.
TEST(BusText, Latin1SurvivesTheBusAndWhatItCannotHoldIsMarked) {
  const std::string bytes = "Ver 1.02 \xE9t\xE9 \x80\xFF";
  EXPECT_EQ(text::Utf8ToLatin1(text::Latin1ToUtf8(bytes)), bytes);
  EXPECT_EQ(text::Utf8ToLatin1("\xE2\x82\xAC \xF0\x9F\x98\x80!"), "? ?!");
}

}  // namespace
}  // namespace kelm::service
