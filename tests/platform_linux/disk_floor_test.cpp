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

  Fill(app + "/filler");
  const std::optional<DiskSpace> full = fs.SpaceOf(app + "/logs");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->total, 4u * 1024 * 1024);
  for (int tick = 0; tick < 3; ++tick) logs.Write(env, view, list);
  EXPECT_FALSE(Exists(monitor));
  EXPECT_FALSE(Exists(traffic));
  const std::string paused = view.Text();
  EXPECT_NE(paused.find(" Disk nearly full (0 bytes free in " + app +
                        "/logs): the monitor and traffic logs are not written while less than "
                        "82 KiB is free"),
            std::string::npos)
      << paused;
  EXPECT_EQ(paused.find("Disk nearly full", paused.find("Disk nearly full") + 1), std::string::npos)
      << "one entry for three ticks";
  EXPECT_EQ(paused.find("Cannot write"), std::string::npos) << "no write was tried";

  ASSERT_EQ(::unlink((app + "/filler").c_str()), 0);
  logs.Write(env, view, list);
  logs.Write(env, view, list);
  const std::string resumed = view.Text().substr(paused.size());
  EXPECT_NE(resumed.find(" Disk space is back ("), std::string::npos) << resumed;
  EXPECT_NE(resumed.find("the monitor and traffic logs are written again"), std::string::npos);
  EXPECT_EQ(resumed.find("Disk", resumed.find("Disk") + 1), std::string::npos) << "one entry";
  EXPECT_EQ(Slurp(monitor), view.Text() + "\r\n" + view.Text() + "\r\n");
  const std::string block =
      "Local IP,Local Port,Remote IP,Remote Port,State,State Description\r\n"
      "127.0.0.1,631,127.0.0.1,40000,1,Listening\r\n";
  EXPECT_EQ(Slurp(traffic), block + block);
}

}  // namespace
}  // namespace tavrel
