#include "ui/qt/Compositor.h"

#include <dlfcn.h>

#include <cstdint>
#include <memory>

namespace ui {

namespace {

// The few entry points of libwayland-client that listing the globals takes. The program does not
// link the library, so that a start on X11 does not load it: on Wayland the toolkit has.
struct Client {
  using Display = void;
  using Proxy = void;
  Display* (*connect)(const char*) = nullptr;
  void (*disconnect)(Display*) = nullptr;
  int (*roundtrip)(Display*) = nullptr;
  Proxy* (*marshal)(Proxy*, uint32_t, const void*, uint32_t, uint32_t, ...) = nullptr;
  uint32_t (*version)(Proxy*) = nullptr;
  int (*listen)(Proxy*, void (**)(), void*) = nullptr;
  void (*destroy)(Proxy*) = nullptr;
  const void* registry = nullptr;  // wl_registry_interface

  explicit Client(void* library) {
    find(library, connect, "wl_display_connect");
    find(library, disconnect, "wl_display_disconnect");
    find(library, roundtrip, "wl_display_roundtrip");
    find(library, marshal, "wl_proxy_marshal_flags");
    find(library, version, "wl_proxy_get_version");
    find(library, listen, "wl_proxy_add_listener");
    find(library, destroy, "wl_proxy_destroy");
    registry = dlsym(library, "wl_registry_interface");
  }
  bool complete() const {
    return connect && disconnect && roundtrip && marshal && version && listen && destroy &&
           registry;
  }

 private:
  template <typename F>
  static void find(void* library, F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(library, name));
  }
};

// wl_display.get_registry, and the two events of wl_registry.
constexpr uint32_t kGetRegistry = 1;
struct RegistryListener {
  void (*global)(void*, void*, uint32_t, const char*, uint32_t);
  void (*remove)(void*, void*, uint32_t);
};

void onglobal(void* data, void*, uint32_t, const char* interface, uint32_t) {
  static_cast<std::vector<std::string>*>(data)->emplace_back(interface);
}
void onremove(void*, void*, uint32_t) {}

}  // namespace

std::vector<std::string> compositorglobals() {
  const std::unique_ptr<void, int (*)(void*)> library(
      dlopen("libwayland-client.so.0", RTLD_LAZY | RTLD_NOLOAD), dlclose);
  if (!library) return {};
  const Client wl(library.get());
  if (!wl.complete()) return {};
  const std::unique_ptr<void, void (*)(void*)> display(wl.connect(nullptr), wl.disconnect);
  if (!display) return {};
  std::vector<std::string> globals;
  static constexpr RegistryListener kListener = {onglobal, onremove};
  void* registry =
      wl.marshal(display.get(), kGetRegistry, wl.registry, wl.version(display.get()), 0, nullptr);
  if (registry == nullptr) return {};
  // The listener is a table of functions, which the library takes as one.
  wl.listen(registry, reinterpret_cast<void (**)()>(const_cast<RegistryListener*>(&kListener)),
            &globals);
  if (wl.roundtrip(display.get()) < 0) globals.clear();
  wl.destroy(registry);
  return globals;
}

}  // namespace ui
