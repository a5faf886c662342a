#include "ui/win32/Accessible.h"
#include "ui/win32/Gdi.h"

// The property and class identifiers are defined here, in this file, rather than taken from
// MinGW-w64's libraries, whose copies of oleacc's identifiers do not all link right.
#include <initguid.h>
#include <oleacc.h>

#include <algorithm>
#include <string>

namespace ui {

Accessible::Accessible() {
  void* services = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IAccPropServices, &services))) {
    services_ = static_cast<IAccPropServices*>(services);
  }
}

Accessible::~Accessible() {
  clear();
  if (services_ != nullptr) services_->Release();
}

void Accessible::name(HWND hwnd, std::string_view text) { set(hwnd, PROPID_ACC_NAME, text); }

void Accessible::description(HWND hwnd, std::string_view text) {
  set(hwnd, PROPID_ACC_DESCRIPTION, text);
}

// A top-level window is met both as its frame (OBJID_WINDOW) and as its client area
// (OBJID_CLIENT); a child control as its client area. Both get the text.
void Accessible::set(HWND hwnd, const GUID& property, std::string_view text) {
  if (services_ == nullptr || hwnd == nullptr) return;
  const std::wstring wide = gdi::wide(text);
  for (const LONG object : {OBJID_CLIENT, OBJID_WINDOW}) {
    services_->SetHwndPropStr(hwnd, static_cast<DWORD>(object), CHILDID_SELF, property,
                              wide.c_str());
  }
  if (std::find(annotated_.begin(), annotated_.end(), hwnd) == annotated_.end()) {
    annotated_.push_back(hwnd);
  }
}

void Accessible::clear() {
  if (services_ == nullptr) return;
  MSAAPROPID properties[] = {PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION};
  for (HWND hwnd : annotated_) {
    for (const LONG object : {OBJID_CLIENT, OBJID_WINDOW}) {
      services_->ClearHwndProps(hwnd, static_cast<DWORD>(object), CHILDID_SELF, properties, 2);
    }
  }
  annotated_.clear();
}

}  // namespace ui
