#include "platform/linux/CurlLibrary.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>

namespace tavrel::linux_platform {

namespace {

constexpr const char* kSoname = "libcurl.so.4";

std::once_flag once;
CurlLibrary library;
std::atomic<bool> loaded{false};
std::string failure;

template <typename F>
bool Find(void* handle, const char* name, F& fn) {
  fn = reinterpret_cast<F>(::dlsym(handle, name));
  if (!fn) failure = std::string(kSoname) + " has no " + name;
  return fn != nullptr;
}

void Load() {
  // RTLD_LOCAL: its libraries' symbols stay out of the program's own name space.
  void* handle = ::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* err = ::dlerror();
    failure = std::string("cannot load ") + kSoname + (err ? std::string(": ") + err : std::string());
    return;
  }
  CurlLibrary l{};
  decltype(&::curl_global_init) global_init = nullptr;
  const bool all =
      Find(handle, "curl_global_init", global_init) && Find(handle, "curl_easy_init", l.easy_init) &&
      Find(handle, "curl_easy_cleanup", l.easy_cleanup) && Find(handle, "curl_easy_setopt", l.easy_setopt) &&
      Find(handle, "curl_easy_getinfo", l.easy_getinfo) && Find(handle, "curl_easy_strerror", l.easy_strerror) &&
      Find(handle, "curl_multi_init", l.multi_init) && Find(handle, "curl_multi_cleanup", l.multi_cleanup) &&
      Find(handle, "curl_multi_add_handle", l.multi_add_handle) &&
      Find(handle, "curl_multi_remove_handle", l.multi_remove_handle) &&
      Find(handle, "curl_multi_perform", l.multi_perform) && Find(handle, "curl_multi_poll", l.multi_poll) &&
      Find(handle, "curl_multi_info_read", l.multi_info_read) &&
      Find(handle, "curl_multi_strerror", l.multi_strerror) && Find(handle, "curl_slist_append", l.slist_append) &&
      Find(handle, "curl_slist_free_all", l.slist_free_all);
  if (!all) return;  // the handle stays open: an old library is not unloaded under anyone's feet
  if (global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    failure = std::string(kSoname) + " could not be initialised";
    return;
  }
  library = l;
  loaded = true;
}

}  // namespace

const CurlLibrary* Curl(std::string* why) {
  std::call_once(once, Load);
  if (loaded) return &library;
  if (why) *why = failure;
  return nullptr;
}

bool CurlLoaded() { return loaded; }

}  // namespace tavrel::linux_platform
