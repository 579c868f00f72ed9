// Starts a program and prints how long it took until it first drew into a window of its own,
// as the X server saw it (the Damage extension), then leaves the program running:
//
//   first_paint PROGRAM [ARGS...]      prints "<milliseconds> <pid>"
//
// Every window made on the display gets a damage watch; the first damage to a window whose
// _NET_WM_PID is the program's own ends the wait. Exits 1 when nothing is drawn within 60 s.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
      &std::free);
  return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

long PidOf(xcb_connection_t* c, xcb_window_t w, xcb_atom_t netWmPid) {
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, netWmPid, XCB_ATOM_CARDINAL, 0, 1), nullptr), &std::free);
  if (!r || xcb_get_property_value_length(r.get()) < 4) return -1;
  return *static_cast<uint32_t*>(xcb_get_property_value(r.get()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: first_paint PROGRAM [ARGS...]\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    std::fprintf(stderr, "first_paint: no X display\n");
    return 2;
  }
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_damage_id);
  if (!ext || !ext->present) {
    std::fprintf(stderr, "first_paint: the X server has no Damage extension\n");
    return 2;
  }
  free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
  const xcb_atom_t netWmPid = Atom(c, "_NET_WM_PID");
  xcb_flush(c);

  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(xcb_get_file_descriptor(c));
    ::execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    ::_exit(127);
  }

  const auto until = start + std::chrono::seconds(60);
  pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
  for (;;) {
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
      const uint8_t type = ev->response_type & 0x7f;
      if (type == XCB_CREATE_NOTIFY) {
        // Watched from their creation, whoever made them; windows of one pixel (helpers) aside.
        const auto* cn = reinterpret_cast<xcb_create_notify_event_t*>(ev);
        if (cn->width > 1 && cn->height > 1) {
          xcb_damage_create(c, xcb_generate_id(c), cn->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
          xcb_flush(c);
        }
      } else if (type == ext->first_event + XCB_DAMAGE_NOTIFY) {
        const auto seen = Clock::now();
        const auto* dn = reinterpret_cast<xcb_damage_notify_event_t*>(ev);
        if (PidOf(c, dn->drawable, netWmPid) == child) {
          std::printf("%.1f %d\n", std::chrono::duration<double, std::milli>(seen - start).count(),
                      static_cast<int>(child));
          std::free(ev);
          xcb_disconnect(c);
          return 0;
        }
      }
      std::free(ev);
    }
    if (xcb_connection_has_error(c)) break;
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) {
      std::fprintf(stderr, "first_paint: %s ended before it drew anything\n", argv[1]);
      return 1;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) break;
    ::poll(&pfd, 1, static_cast<int>(std::min<long long>(left, 100)));
  }
  std::fprintf(stderr, "first_paint: nothing drawn within 60 s\n");
  return 1;
}
