// The least a Win32 program can do to show what the game shows on a pointer move: a window with
// the game's client size and a 480 x 304 child at the playfield's place, holding one 32-bit
// image. Each move over the child puts a 40 x 8 bar under the pointer, like the paddle, and
// copies the whole image to the screen before the handler returns, with the call the game uses.
// pomuran_wine times the game against it.
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr int kClientW = 497, kClientH = 400;
constexpr int kFieldX = 8, kFieldY = 8, kFieldW = 480, kFieldH = 304;
constexpr int kBarY = 256, kBarW = 40, kBarH = 8;
constexpr uint32_t kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000;
// The game's own window style: a fixed size, no maximise button.
constexpr DWORD kStyle = (WS_OVERLAPPEDWINDOW & ~WS_THICKFRAME & ~WS_MAXIMIZEBOX) | WS_CLIPCHILDREN;

struct Field {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(kFieldW * kFieldH, kWhite);
  int barx = (kFieldW - kBarW) / 2;

  void bar(uint32_t colour) {
    for (int y = kBarY; y < kBarY + kBarH; ++y)
      std::fill_n(pixels.begin() + y * kFieldW + barx, kBarW, colour);
  }

  void show(HDC dc) const {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kFieldW;
    info.bmiHeader.biHeight = -kFieldH;  // top row first, as the game's images are
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, kFieldW, kFieldH, 0, 0, 0, kFieldH, pixels.data(), &info,
                      DIB_RGB_COLORS);
  }

  void moveto(HWND hwnd, int x) {
    bar(kWhite);
    barx = std::clamp(x, 0, kFieldW - kBarW);
    bar(kRed);
    // Shown now, not at the next WM_PAINT, as the game's repaint() does.
    if (HDC dc = GetDC(hwnd)) {
      show(dc);
      ReleaseDC(hwnd, dc);
    }
  }
};

LRESULT CALLBACK fieldproc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* field = reinterpret_cast<Field*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (HDC dc = BeginPaint(hwnd, &ps); dc && field) field->show(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the image covers the whole child
    case WM_MOUSEMOVE:
      if (field) field->moveto(hwnd, GET_X_LPARAM(lp));
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK windowproc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool registerclass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const auto face = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  if (!registerclass(instance, L"PomuranBare", windowproc, face) ||
      !registerclass(instance, L"PomuranBareField", fieldproc, nullptr))
    return 1;
  RECT r = {0, 0, kClientW, kClientH};
  AdjustWindowRectEx(&r, kStyle, FALSE, 0);
  HWND window =
      CreateWindowExW(0, L"PomuranBare", L"pomuran-bare", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  HWND child = CreateWindowExW(0, L"PomuranBareField", L"", WS_CHILD | WS_VISIBLE, kFieldX, kFieldY,
                               kFieldW, kFieldH, window, nullptr, instance, nullptr);
  if (window == nullptr || child == nullptr) return 1;
  Field field;
  field.bar(kRed);
  SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&field));
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
