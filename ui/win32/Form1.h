#pragma once

#include "ui/Packed.h"
#include "ui/Window.h"
#include "ui/win32/Accessible.h"
#include "ui/win32/Gdi.h"
#include "ui/win32/PictureBox.h"
#include "ui/win32/Timer.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace ui {

// The game's one window. It creates its controls and forwards their events at once to the game
// that it holds (ui::Window).
class Form1 final : public Window, private game::Controls, private render::Screen {
 public:
  // Registers the window classes of the window and of its picture boxes.
  static bool registerclasses(HINSTANCE instance);

  // Creates the window and its controls, hidden; hwnd() is null when that failed.
  Form1();
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  HWND hwnd() const { return hwnd_; }

  void initscreen() override;
  void initspeed() override;

  // Gives the window's keyboard handling a message first: true when it took the message.
  bool keyboard(MSG& msg);

  // The controls, in creation order.
  Timer Timer1;
  HWND Combo1 = nullptr;
  HWND Command1 = nullptr;
  std::optional<PictureBox> paddle;
  std::optional<PictureBox> ball;
  std::optional<PictureBox> mainscr;
  std::optional<PictureBox> blocks;
  std::optional<PictureBox> offscr;
  HWND lblball = nullptr;
  HWND lblscore = nullptr;
  HWND lblhiscore = nullptr;
  HWND lblstage = nullptr;
  HWND Label1 = nullptr;

 private:
  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
  void oncommand(WPARAM wp);
  LRESULT onctlcolorstatic(HDC dc, HWND control);
  void onpaint();
  void ongetminmaxinfo(MINMAXINFO& info) const;
  void ondpichanged(UINT dpi, const RECT& suggested);
  void onsyscolorchange();
  void onsizemove(bool entering);
  void ontimer();
  void ondestroy();

  void createcontrols();
  void createpictureboxes();
  void createlabels();
  HWND control(const wchar_t* cls, std::string_view text, DWORD style, table::Place place, int id);
  void setfocusorder();
  void annotate();
  void layout();
  void setfonts();
  void makebrushes();
  SIZE outersize() const;
  int scale(int v) const { return gdi::scaled(v, dpi_); }

  void enablecommand1(bool on) override;
  void enablecombo1(bool on) override { EnableWindow(Combo1, on); }
  void repaint() override { mainscr->repaint(); }
  void describeplayfield(bool playing);

  HWND hwnd_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  Packed background_;
  std::wstring labelface_;
  gdi::Font guifont_;
  gdi::Font labelfont_;
  gdi::Brush black_;
  gdi::Brush buttonface_;
  Accessible accessible_;
};

}  // namespace ui
