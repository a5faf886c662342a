#include "ui/win32/Pictures.h"

namespace ui {

Packed picture(const wchar_t* name) {
  const HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, name, RT_RCDATA);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  return unpack(data, SizeofResource(module, found));
}

void putpixels(HDC dc, const RECT& to, int width, int height, const void* pixels) {
  // A header over the pixels where they are: the image is read as a device-independent bitmap,
  // top row first (negative height), blue in the lowest byte as in 0xFFRRGGBB.
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const int w = to.right - to.left;
  const int h = to.bottom - to.top;
  if (w == width && h == height) {
    SetDIBitsToDevice(dc, to.left, to.top, width, height, 0, 0, 0, height, pixels, &info,
                      DIB_RGB_COLORS);
    return;
  }
  // COLORONCOLOR takes each device pixel from one picture pixel and mixes none.
  const int old = SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, to.left, to.top, w, h, 0, 0, width, height, pixels, &info, DIB_RGB_COLORS,
                SRCCOPY);
  SetStretchBltMode(dc, old);
}

}  // namespace ui
