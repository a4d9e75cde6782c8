// Test input for a wlroots compositor (sway) that has no input devices of its own: one virtual
// pointer and one virtual keyboard for a whole test, as a person has one mouse and one keyboard.
// A new keyboard per key would lose keys (the compositor takes the first key of a new device as
// its keymap's arrival) and deactivate the focused window when it goes.
//
// Reads commands from standard input, one per line, and answers "ok" (or "error: ...") once the
// compositor has handled it:
//   move X Y W H      the pointer to (X, Y) of a layout W x H pixels large
//   down [BUTTON] / up [BUTTON]   a mouse button (1 left, 2 middle, 3 right; 1 when left out)
//   key COMBO         a key with modifiers, as "y", "BackSpace", "ctrl+BackSpace", "shift+a"
//   quit
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

// The two protocols' interfaces, as their XML descriptions define them: only the requests this
// program sends need their argument types.
extern "C" {

extern const wl_interface zwlr_virtual_pointer_v1_interface;
extern const wl_interface zwp_virtual_keyboard_v1_interface;

static const wl_interface* pointerManagerTypes[] = {&wl_seat_interface,
                                                    &zwlr_virtual_pointer_v1_interface};
static const wl_message pointerManagerRequests[] = {
    {"create_virtual_pointer", "?on", pointerManagerTypes},
    {"destroy", "", nullptr},
};
const wl_interface zwlr_virtual_pointer_manager_v1_interface = {
    "zwlr_virtual_pointer_manager_v1", 1, 2, pointerManagerRequests, 0, nullptr};

static const wl_interface* noTypes[] = {nullptr, nullptr, nullptr, nullptr, nullptr};
static const wl_message pointerRequests[] = {
    {"motion", "uff", noTypes},           {"motion_absolute", "uuuuu", noTypes},
    {"button", "uuu", noTypes},           {"axis", "uuf", noTypes},
    {"frame", "", noTypes},               {"axis_source", "u", noTypes},
    {"axis_stop", "uu", noTypes},         {"axis_discrete", "uufi", noTypes},
    {"destroy", "", noTypes},
};
const wl_interface zwlr_virtual_pointer_v1_interface = {"zwlr_virtual_pointer_v1", 1, 9,
                                                        pointerRequests, 0, nullptr};

static const wl_interface* keyboardManagerTypes[] = {&wl_seat_interface,
                                                     &zwp_virtual_keyboard_v1_interface};
static const wl_message keyboardManagerRequests[] = {
    {"create_virtual_keyboard", "on", keyboardManagerTypes},
};
const wl_interface zwp_virtual_keyboard_manager_v1_interface = {
    "zwp_virtual_keyboard_manager_v1", 1, 1, keyboardManagerRequests, 0, nullptr};

static const wl_message keyboardRequests[] = {
    {"keymap", "uhu", noTypes},
    {"key", "uuu", noTypes},
    {"modifiers", "uuuu", noTypes},
    {"destroy", "", noTypes},
};
const wl_interface zwp_virtual_keyboard_v1_interface = {"zwp_virtual_keyboard_v1", 1, 4,
                                                        keyboardRequests, 0, nullptr};
}

namespace {

struct Globals {
  wl_seat* seat = nullptr;
  wl_proxy* pointerManager = nullptr;
  wl_proxy* keyboardManager = nullptr;
};

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto* g = static_cast<Globals*>(data);
  if (std::strcmp(interface, "wl_seat") == 0 && !g->seat)
    g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  else if (std::strcmp(interface, "zwlr_virtual_pointer_manager_v1") == 0)
    g->pointerManager = static_cast<wl_proxy*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
  else if (std::strcmp(interface, "zwp_virtual_keyboard_manager_v1") == 0)
    g->keyboardManager = static_cast<wl_proxy*>(
        wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {Global, GlobalRemove};

uint32_t NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

// The keyboard's layout (US) and where its keys are.
class Keys {
 public:
  Keys() {
    context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    keymap_ = context_ ? xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                       : nullptr;
  }
  ~Keys() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
  }
  bool Ok() const { return keymap_ != nullptr; }
  std::string Text() const {
    char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
    std::string s = text ? text : "";
    std::free(text);
    return s;
  }
  // The evdev code of the key that types sym at its first level; -1 when none does.
  int CodeOf(xkb_keysym_t sym) const {
    for (xkb_keycode_t k = xkb_keymap_min_keycode(keymap_); k <= xkb_keymap_max_keycode(keymap_);
         ++k) {
      const xkb_keysym_t* syms = nullptr;
      const int n = xkb_keymap_key_get_syms_by_level(keymap_, k, 0, 0, &syms);
      for (int i = 0; i < n; ++i)
        if (syms[i] == sym) return static_cast<int>(k) - 8;
    }
    return -1;
  }
  uint32_t Mask(const char* modifier) const {
    const xkb_mod_index_t i = xkb_keymap_mod_get_index(keymap_, modifier);
    return i == XKB_MOD_INVALID ? 0 : 1u << i;
  }

 private:
  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
};

int SendKeymap(wl_proxy* keyboard, const std::string& text) {
  const int fd = memfd_create("penvo-keymap", MFD_CLOEXEC);
  if (fd < 0) return -1;
  const std::size_t size = text.size() + 1;
  if (write(fd, text.c_str(), size) != static_cast<ssize_t>(size)) {
    close(fd);
    return -1;
  }
  wl_proxy_marshal(keyboard, 0, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<uint32_t>(size));
  close(fd);
  return 0;
}

uint32_t ButtonCode(const std::string& b) {
  if (b == "2") return BTN_MIDDLE;
  if (b == "3") return BTN_RIGHT;
  return BTN_LEFT;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "wl_input: no Wayland display\n");
    return 1;
  }
  Globals g;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistry, &g);
  wl_display_roundtrip(display);
  Keys keys;
  if (!g.seat || !g.pointerManager || !g.keyboardManager || !keys.Ok()) {
    std::fprintf(stderr, "wl_input: the compositor offers no virtual pointer or keyboard\n");
    return 1;
  }
  auto* pointer = wl_proxy_marshal_constructor(g.pointerManager, 0,
                                               &zwlr_virtual_pointer_v1_interface, g.seat, nullptr);
  auto* keyboard = wl_proxy_marshal_constructor(
      g.keyboardManager, 0, &zwp_virtual_keyboard_v1_interface, g.seat, nullptr);
  if (SendKeymap(keyboard, keys.Text()) != 0) return 1;
  wl_display_roundtrip(display);
  std::cout << "ready" << std::endl;

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    std::string error;
    if (verb == "move") {
      uint32_t x = 0, y = 0, w = 0, h = 0;
      if (!(in >> x >> y >> w >> h)) error = "move X Y W H";
      else {
        wl_proxy_marshal(pointer, 1, NowMs(), x, y, w, h);
        wl_proxy_marshal(pointer, 4);
      }
    } else if (verb == "down" || verb == "up") {
      std::string b = "1";
      in >> b;
      wl_proxy_marshal(pointer, 2, NowMs(), ButtonCode(b),
                       verb == "down" ? WL_POINTER_BUTTON_STATE_PRESSED
                                      : WL_POINTER_BUTTON_STATE_RELEASED);
      wl_proxy_marshal(pointer, 4);
    } else if (verb == "key") {
      std::string combo;
      in >> combo;
      uint32_t mods = 0;
      std::size_t plus;
      while ((plus = combo.find('+')) != std::string::npos && plus + 1 < combo.size()) {
        const std::string m = combo.substr(0, plus);
        combo.erase(0, plus + 1);
        if (m == "ctrl") mods |= keys.Mask(XKB_MOD_NAME_CTRL);
        else if (m == "shift") mods |= keys.Mask(XKB_MOD_NAME_SHIFT);
        else if (m == "alt") mods |= keys.Mask(XKB_MOD_NAME_ALT);
      }
      const xkb_keysym_t sym = xkb_keysym_from_name(combo.c_str(), XKB_KEYSYM_NO_FLAGS);
      const int code = sym == XKB_KEY_NoSymbol ? -1 : keys.CodeOf(sym);
      if (code < 0) error = "no key types " + combo;
      else {
        if (mods) wl_proxy_marshal(keyboard, 2, mods, 0u, 0u, 0u);
        wl_proxy_marshal(keyboard, 1, NowMs(), static_cast<uint32_t>(code),
                         static_cast<uint32_t>(WL_KEYBOARD_KEY_STATE_PRESSED));
        wl_proxy_marshal(keyboard, 1, NowMs(), static_cast<uint32_t>(code),
                         static_cast<uint32_t>(WL_KEYBOARD_KEY_STATE_RELEASED));
        if (mods) wl_proxy_marshal(keyboard, 2, 0u, 0u, 0u, 0u);
      }
    } else if (verb == "quit") {
      break;
    } else if (!verb.empty()) {
      error = "unknown command " + verb;
    }
    if (wl_display_roundtrip(display) < 0) error = "the compositor closed the connection";
    std::cout << (error.empty() ? "ok" : "error: " + error) << std::endl;
    if (wl_display_get_error(display)) break;
  }
  wl_proxy_marshal(pointer, 8);  // destroy
  wl_proxy_destroy(pointer);
  wl_proxy_marshal(keyboard, 3);  // destroy
  wl_proxy_destroy(keyboard);
  wl_proxy_marshal(g.pointerManager, 1);  // destroy
  wl_proxy_destroy(g.pointerManager);
  wl_proxy_destroy(g.keyboardManager);
  wl_seat_destroy(g.seat);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return 0;
}
