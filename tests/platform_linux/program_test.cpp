// The real executable, copied into a scratch folder, started and stopped as a user would.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class ProgramRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tavrel-program-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
    const fs::path exe = fs::path(TAVREL_BINARY_DIR) / "tavrel";
    ASSERT_TRUE(fs::exists(exe)) << exe;
    fs::copy_file(exe, dir / "tavrel");
  }
  void TearDown() override {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    fs::remove_all(dir);
  }

  // Starts the copy without a display, with its output in the scratch folder.
  void Start() {
    pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::chdir(dir.c_str());
      const int out = ::open((dir / "output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(out, 1);
      ::dup2(out, 2);
      // No display at all: the program must find that out and go offscreen by itself.
      ::unsetenv("QT_QPA_PLATFORM");
      ::unsetenv("DISPLAY");
      ::unsetenv("WAYLAND_DISPLAY");
      ::execl((dir / "tavrel").c_str(), "tavrel", static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }

  // Waits until the monitor log exists (the load has finished), at most 20 s.
  bool WaitForLoad() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
      if (fs::exists(dir / "logs" / "traffic") && fs::exists(dir / "Tavrel.ini")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // Sends a signal and waits at most 10 s for the exit code.
  int StopWith(int sig) {
    ::kill(pid, sig);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    while (std::chrono::steady_clock::now() < until) {
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  fs::path dir;
  pid_t pid = -1;
};

TEST_F(ProgramRun, StartedInAnEmptyFolderAndInterruptedItLeavesSettingsAndLogFolders) {
  Start();
  ASSERT_TRUE(WaitForLoad()) << ReadAll(dir / "output.txt");
  EXPECT_EQ(StopWith(SIGINT), 0) << ReadAll(dir / "output.txt");

  struct stat st {};
  ASSERT_EQ(::stat((dir / "Tavrel.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "the settings file holds a password";
  const std::string ini = ReadAll(dir / "Tavrel.ini");
  EXPECT_NE(ini.find("valA=0"), std::string::npos) << ini;
  const auto temp = ini.find("[Temp]");
  ASSERT_NE(temp, std::string::npos) << ini;
  EXPECT_NE(ini.find("1=\r\n", temp), std::string::npos) << "the start-up marker is emptied: " << ini;
  EXPECT_TRUE(fs::is_directory(dir / "logs"));
  EXPECT_TRUE(fs::is_directory(dir / "logs" / "traffic"));
  EXPECT_NE(ReadAll(dir / "output.txt").find("offscreen"), std::string::npos)
      << "without a display the program says it runs offscreen";
}

TEST_F(ProgramRun, TerminationIsTreatedAsTheEndOfTheSession) {
  char tmpl[] = "/tmp/tavrel-home-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const fs::path home = tmpl;
  ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  Start();
  ::unsetenv("XDG_CONFIG_HOME");
  ASSERT_TRUE(WaitForLoad());
  EXPECT_EQ(StopWith(SIGTERM), 0);
  // The one-time start at the next logon is registered in the autostart folder.
  bool found = false;
  if (fs::exists(home / "config" / "autostart"))
    for (const auto& e : fs::directory_iterator(home / "config" / "autostart"))
      found = found || ReadAll(e.path()).find((dir / "tavrel").string()) != std::string::npos;
  EXPECT_TRUE(found) << "no run-once entry naming the program";
  fs::remove_all(home);
}

}  // namespace
