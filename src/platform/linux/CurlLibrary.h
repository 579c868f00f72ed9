// libcurl, loaded when the first transfer starts rather than with the program: only the update
// window downloads, and libcurl brings TLS, Kerberos, LDAP and SSH libraries along (megabytes of
// memory and start-up time that a program running for weeks would otherwise carry unused).
#pragma once

// Plain prototypes: the calls go through the pointers below, not through libcurl's macros.
#define CURL_DISABLE_TYPECHECK 1
#include <curl/curl.h>

#include <string>

namespace tavrel::linux_platform {

struct CurlLibrary {
  decltype(&::curl_easy_init) easy_init;
  decltype(&::curl_easy_cleanup) easy_cleanup;
  decltype(&::curl_easy_setopt) easy_setopt;
  decltype(&::curl_easy_getinfo) easy_getinfo;
  decltype(&::curl_easy_strerror) easy_strerror;
  decltype(&::curl_multi_init) multi_init;
  decltype(&::curl_multi_cleanup) multi_cleanup;
  decltype(&::curl_multi_add_handle) multi_add_handle;
  decltype(&::curl_multi_remove_handle) multi_remove_handle;
  decltype(&::curl_multi_perform) multi_perform;
  decltype(&::curl_multi_poll) multi_poll;
  decltype(&::curl_multi_info_read) multi_info_read;
  decltype(&::curl_multi_strerror) multi_strerror;
  decltype(&::curl_slist_append) slist_append;
  decltype(&::curl_slist_free_all) slist_free_all;
};

// The library, loaded and initialised on the first call (from any thread, once); nullptr when it
// cannot be loaded, with the reason in `why`. It stays loaded for the rest of the process.
const CurlLibrary* Curl(std::string* why = nullptr);

// True once a call to Curl has loaded it.
bool CurlLoaded();

}  // namespace tavrel::linux_platform
