#include "ui/win32/Accessible.h"
#include "ui/win32/Gdi.h"

// The property and class identifiers are defined here, in this file, rather than taken from
// MinGW-w64's libraries, whose copies of oleacc's identifiers do not all link right.
#include <initguid.h>
#include <oleacc.h>

#include <algorithm>
#include <utility>

namespace ui {

namespace {

// The annotations waiting for the first screen reader. A hook procedure gets no data of its
// own, and the program has one window on one thread, so the hook finds them here.
Accessible* waiting = nullptr;

}  // namespace

// Screen readers ask a window for its accessible object with WM_GETOBJECT, sent to the window
// whatever its class; a hook on the messages sent to this thread's windows sees the first one
// before the window answers, for the controls of the system's classes as well.
Accessible::Accessible()
    : hook_(SetWindowsHookExW(WH_CALLWNDPROC, onsent, nullptr, GetCurrentThreadId())) {
  waiting = this;
}

Accessible::~Accessible() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  if (waiting == this) waiting = nullptr;
  clear();
  if (services_ != nullptr) services_->Release();
  if (com_) CoUninitialize();
}

LRESULT CALLBACK Accessible::onsent(int code, WPARAM wp, LPARAM lp) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lp);
  if (code == HC_ACTION && sent->message == WM_GETOBJECT && waiting != nullptr) {
    std::exchange(waiting, nullptr)->start();
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// Joins the apartment that the service's objects live in, for the life of the window, and lays
// every text given so far.
void Accessible::start() {
  if (hook_ != nullptr) UnhookWindowsHookEx(std::exchange(hook_, nullptr));
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
