// The logs on a real, nearly full file system: a small tmpfs mounted in a mount namespace of the
// test's own, so that nothing outside sees it.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "activity/ConnectionList.h"
#include "activity/modMain.h"
#include "fakes/FakeEnv.h"
#include "platform/linux/LinuxFileSystem.h"
#include "settings_test_util.h"

namespace tavrel {
namespace {

using testutil::Exists;
using testutil::Scratch;
using testutil::Slurp;

// A 4 MiB tmpfs on a folder, in a private mount namespace; unmounted at the end.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& folder) : folder_(folder) {
    if (::unshare(CLONE_NEWNS) != 0) {
      error_ = std::string("no mount namespace: ") + std::strerror(errno);
      return;
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tavrel-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=4m,mode=0700") != 0) {
      error_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  const std::string& Error() const { return error_; }

 private:
  std::string folder_;
  std::string error_;
  bool mounted_ = false;
};

// Writes a file until the disk is full.
void Fill(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  const std::string block(64 * 1024, 'x');
  while (out.write(block.data(), static_cast<std::streamsize>(block.size())) && out.flush()) {}
}

TEST(DiskFloor, LogsWaitOnAFullDiskAndGoOnWhenThereIsRoomAgain) {
  Scratch scratch;
  const std::string app = scratch / "app";
  ASSERT_EQ(::mkdir(app.c_str(), 0700), 0);
  SmallDisk disk(app);
  if (!disk.Error().empty()) GTEST_SKIP() << disk.Error();

  fakes::FakeEnv f;
  LinuxFileSystem fs;
  Env env{f.env.app,   f.desktop, f.clock,     fs,        f.profile,    f.registry, f.connection,
          f.phonebook, f.tcp,     f.addresses, f.sockets, f.downloader, f.wm,       f.style};
  env.app.folder = app;
  ASSERT_TRUE(fs.CreateFolder(app + "/logs") && fs.CreateFolder(app + "/logs/traffic"));
  ActivityText view;
  view.Replace("Tavrel 1.0.1");
  ConnectionList list;
  modMain::Logs logs;
  list.Add({"127.0.0.1", "631", "127.0.0.1", "40000", "1", "Listening"});
  const std::string monitor = app + "/logs/04-12-26_monitor.log";
  const std::string traffic = app + "/logs/traffic/04-12-26_traffic.log";

  // The room the real file system reports decides; the texts and the floor's rule are the
  // behaviour's own (tests/activity).
  Fill(app + "/filler");
  const std::optional<DiskSpace> full = fs.SpaceOf(app + "/logs");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->total, 4u * 1024 * 1024);
  logs.Write(env, view, list);
  EXPECT_FALSE(Exists(monitor));
  EXPECT_FALSE(Exists(traffic));
  EXPECT_NE(view.Text().find(" Disk nearly full (0 bytes free in " + app + "/logs)"), std::string::npos) << view.Text();

  ASSERT_EQ(::unlink((app + "/filler").c_str()), 0);
  logs.Write(env, view, list);
  EXPECT_EQ(Slurp(monitor), view.Text() + "\r\n");
  EXPECT_EQ(Slurp(traffic),
            "Local IP,Local Port,Remote IP,Remote Port,State,State Description\r\n"
            "127.0.0.1,631,127.0.0.1,40000,1,Listening\r\n");
}

}  // namespace
}  // namespace tavrel
