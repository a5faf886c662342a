#include "ui/win32/PictureBox.h"
#include "ui/Window.h"
#include "ui/win32/Gdi.h"
#include "ui/win32/Pictures.h"

#include <windowsx.h>

namespace ui {

namespace {

constexpr wchar_t kClass[] = L"PomuranPictureBox";

}  // namespace

bool PictureBox::registerclass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClass;
  return RegisterClassExW(&wc) != 0;
}

PictureBox::PictureBox(HWND parent, int id, table::Place place, render::Rgb background, bool shown)
    : Box(place, background) {
  // Hidden boxes are disabled too, so that neither the pointer nor the keyboard reaches them.
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (shown ? WS_VISIBLE | WS_TABSTOP : WS_DISABLED);
  hwnd_ = CreateWindowExW(0, kClass, L"", style, place.x, place.y, place.w, place.h, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), this);
}

PictureBox::~PictureBox() {
  if (hwnd_ != nullptr) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

void PictureBox::scale(UINT dpi) {
  dpi_ = dpi;
  placed();
}

void PictureBox::placed() {
  const table::Place p = place();
  MoveWindow(hwnd_, gdi::scaled(p.x, dpi_), gdi::scaled(p.y, dpi_), gdi::scaled(p.w, dpi_),
             gdi::scaled(p.h, dpi_), FALSE);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PictureBox::repaint() {
  if (!IsWindowVisible(hwnd_)) return;
  const gdi::WindowDc dc(hwnd_);
  if (dc.get() != nullptr) paint(dc.get());
  // What the paint brought is on the screen, so a paint already queued has nothing left to do.
  ValidateRect(hwnd_, nullptr);
}

void PictureBox::paint(HDC dc) {
  RECT to;
  GetClientRect(hwnd_, &to);
  putpixels(dc, to, surface().width(), surface().height(), surface().data());
}

void PictureBox::onpaint() {
  PAINTSTRUCT ps;
  if (HDC dc = BeginPaint(hwnd_, &ps)) paint(dc);
  EndPaint(hwnd_, &ps);
}

// On a scaled screen the box's device pixels map onto the image's pixels as the stretch does:
// device column d shows image column floor(d * width / device width).
void PictureBox::onmousemove(LPARAM lp) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int device = client.right - client.left;
  if (events == nullptr || device <= 0) return;
  events->mainscrmousemove(static_cast<double>(GET_X_LPARAM(lp)) * surface().width() / device);
}

void PictureBox::onpress() {
  // A press on the box gives it the keyboard focus, as a press on any control does.
  if (GetFocus() != hwnd_) SetFocus(hwnd_);
  if (events != nullptr) events->mainscrmousedown();
}

LRESULT CALLBACK PictureBox::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<PictureBox*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    created->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* box = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return box != nullptr && box->hwnd_ == hwnd ? box->handle(msg, wp, lp)
                                              : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT PictureBox::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      onpaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the image covers the whole box
    case WM_MOUSEMOVE:
      onmousemove(lp);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      onpress();
      return 0;
    case WM_XBUTTONDOWN:
      onpress();
      return TRUE;
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

}  // namespace ui
