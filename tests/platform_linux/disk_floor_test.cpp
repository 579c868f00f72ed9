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
struct SmallDisk {
  explicit SmallDisk(const std::string& folder) : folder(folder) {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tavrel-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=4m,mode=0700") != 0)
      error = std::string("cannot mount a tmpfs in a mount namespace of its own: ") + std::strerror(errno);
  }
  ~SmallDisk() {
    if (error.empty()) ::umount2(folder.c_str(), MNT_DETACH);
  }
  std::string folder, error;
};

TEST(DiskFloor, LogsWaitOnAFullDiskAndGoOnWhenThereIsRoomAgain) {
  Scratch scratch;
  const std::string app = scratch / "app";
  ASSERT_EQ(::mkdir(app.c_str(), 0700), 0);
  SmallDisk disk(app);
  if (!disk.error.empty()) GTEST_SKIP() << disk.error;

  fakes::FakeEnv f;
  LinuxFileSystem fs;
  Env env{f.env.app,   f.desktop, f.clock,     fs,        f.profile,    f.registry, f.connection,
          f.phonebook, f.tcp,     f.addresses, f.sockets, f.downloader, f.wm,       f.style};
  env.app.folder = app;
  ASSERT_TRUE(fs.CreateFolder(app + "/logs") && fs.CreateFolder(app + "/logs/traffic"));
  ActivityText view;
  ConnectionList list;
  modMain::Logs logs;
  const std::string monitor = app + "/logs/04-12-26_monitor.log";

  // The room the real file system reports decides; the texts, the floor's rule and what the logs
  // hold are the behaviour's own (tests/activity).
  {
    std::ofstream filler(app + "/filler", std::ios::binary);
    const std::string block(64 * 1024, 'x');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {}
  }
  const std::optional<DiskSpace> full = fs.SpaceOf(app + "/logs");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->total, 4u * 1024 * 1024);
  logs.Write(env, view, list);
  EXPECT_FALSE(Exists(monitor));
  EXPECT_NE(view.Text().find(" Disk nearly full (0 bytes free in " + app + "/logs)"), std::string::npos) << view.Text();

  ASSERT_EQ(::unlink((app + "/filler").c_str()), 0);
  logs.Write(env, view, list);
  EXPECT_EQ(Slurp(monitor), view.Text() + "\r\n");
  EXPECT_TRUE(Exists(app + "/logs/traffic/04-12-26_traffic.log"));
}

}  // namespace
}  // namespace tavrel
