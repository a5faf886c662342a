// Prints what Windows' accessibility interface (MSAA) tells a screen reader of the game's
// window: the window's own name, then the name of each child that shows, one a line, in UTF-8.
//
//   readnames.exe     exit 1 when no window captioned ポムラン is found

#include <oleacc.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const wchar_t* text) {
  if (text == nullptr) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

std::string name(IAccessible* object, VARIANT child) {
  BSTR text = nullptr;
  std::string out;
  if (SUCCEEDED(object->get_accName(child, &text))) out = utf8(text);
  SysFreeString(text);
  return out;
}

VARIANT self() {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = CHILDID_SELF;
  return v;
}

// The name of a window's client area, as a screen reader asks for it.
std::string name(HWND hwnd) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT),
                                        __uuidof(IAccessible), reinterpret_cast<void**>(&object))))
    return {};
  std::string out = name(object, self());
  object->Release();
  return out;
}

BOOL CALLBACK printchild(HWND child, LPARAM) {
  if (IsWindowVisible(child)) std::printf("%s\n", name(child).c_str());
  return TRUE;
}

}  // namespace

int wmain() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const HWND hwnd = FindWindowW(nullptr, L"ポムラン");
  if (hwnd == nullptr) {
    std::fputs("readnames: no window captioned ポムラン\n", stderr);
    return 1;
  }
  std::printf("%s\n", name(hwnd).c_str());
  EnumChildWindows(hwnd, printchild, 0);
  CoUninitialize();
  return 0;
}
