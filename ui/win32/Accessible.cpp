#include "ui/win32/Accessible.h"
#include "ui/win32/Gdi.h"

// The property and class identifiers are defined here, in this file, rather than taken from
// MinGW-w64's libraries, whose copies of oleacc's identifiers do not all link right.
#include <initguid.h>
#include <oleacc.h>

#include <algorithm>

namespace ui {

namespace {

// The annotations waiting for the first screen reader. A window procedure gets no data of its
// own, and the program has one window on one thread, so the procedure finds them here.
Accessible* waiting = nullptr;

}  // namespace

Accessible::Accessible() { waiting = this; }

Accessible::~Accessible() {
  clear();
  if (waiting == this) waiting = nullptr;
  if (services_ != nullptr) services_->Release();
  if (com_) CoUninitialize();
}

// Screen readers ask a window for its accessible object with WM_GETOBJECT, which reaches the
// window's procedure whatever its class; each annotated window's procedure waits behind this
// one until the first such message. A hook on the thread's messages would see it too, but
// Wine asks its server about every message sent while a hook is set.
LRESULT CALLBACK Accessible::onmessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC proc = nullptr;
  if (waiting != nullptr) {
    for (const Watched& w : waiting->watched_)
      if (w.hwnd == hwnd) proc = w.proc;
  }
  if (proc == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_GETOBJECT) waiting->start();
  return CallWindowProcW(proc, hwnd, msg, wp, lp);
}

void Accessible::watch(HWND hwnd) {
  for (const Watched& w : watched_)
    if (w.hwnd == hwnd) return;
  const LONG_PTR mine = reinterpret_cast<LONG_PTR>(&Accessible::onmessage);
  watched_.push_back(
      {hwnd, reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, mine))});
}

void Accessible::unwatch() {
  for (const Watched& w : watched_)
    if (IsWindow(w.hwnd))
      SetWindowLongPtrW(w.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(w.proc));
  watched_.clear();
}

// Joins the apartment that the service's objects live in, for the life of the window, and lays
// every text given so far.
void Accessible::start() {
  started_ = true;
  unwatch();
  com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  void* services = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, &services))) {
    services_ = static_cast<IAccPropServices*>(services);
  }
  for (const Annotation& a : annotations_) apply(a);
}

void Accessible::name(HWND hwnd, std::string_view text) { set(hwnd, PROPID_ACC_NAME, text); }

void Accessible::description(HWND hwnd, std::string_view text) {
  set(hwnd, PROPID_ACC_DESCRIPTION, text);
}

void Accessible::set(HWND hwnd, const GUID& property, std::string_view text) {
  if (hwnd == nullptr) return;
  const auto same = [&](const Annotation& a) { return a.hwnd == hwnd && *a.property == property; };
  auto at = std::find_if(annotations_.begin(), annotations_.end(), same);
  if (at == annotations_.end()) at = annotations_.insert(at, {hwnd, &property, {}});
  at->text = gdi::wide(text);
  if (!started_) watch(hwnd);
  apply(*at);
}

// A top-level window is met both as its frame (OBJID_WINDOW) and as its client area
// (OBJID_CLIENT); a child control as its client area. Both get the text.
void Accessible::apply(const Annotation& a) const {
  if (services_ == nullptr) return;
  for (const LONG object : {OBJID_CLIENT, OBJID_WINDOW}) {
    services_->SetHwndPropStr(a.hwnd, static_cast<DWORD>(object), CHILDID_SELF, *a.property,
                              a.text.c_str());
  }
}

void Accessible::clear() {
  unwatch();
  for (const Annotation& a : annotations_) {
    for (const LONG object : {OBJID_CLIENT, OBJID_WINDOW}) {
      if (services_ == nullptr) break;
      MSAAPROPID property = *a.property;
      services_->ClearHwndProps(a.hwnd, static_cast<DWORD>(object), CHILDID_SELF, &property, 1);
    }
  }
  annotations_.clear();
}

}  // namespace ui
