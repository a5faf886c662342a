#include "ui/win32/Form1.h"
#include "ui/win32/LabelFont.h"
#include "ui/win32/Pictures.h"
#include "ui/win32/Resources.h"

#include <windowsx.h>

namespace ui {

namespace {

constexpr wchar_t kClass[] = L"PomuranForm1";
// A fixed client area: no sizing border and no maximise button; minimise and close stay.
constexpr DWORD kStyle = (WS_OVERLAPPEDWINDOW & ~WS_THICKFRAME & ~WS_MAXIMIZEBOX) | WS_CLIPCHILDREN;

// Control identifiers, clear of IDOK and IDCANCEL, which the dialog keys send.
enum : int {
  kIdCombo1 = 101,
  kIdCommand1,
  kIdPaddle,
  kIdBall,
  kIdMainscr,
  kIdBlocks,
  kIdOffscr,
  kIdLabel,
};

// While the window is dragged or its menu is open, Windows runs a loop of its own; this timer
// lets Timer1's periods through to the game meanwhile.
constexpr UINT_PTR kModalTimer = 1;
constexpr UINT kModalPollMs = 10;

// Erase frames must match the white playfield whatever the desktop's colour scheme, so the
// sprite boxes take a fixed white instead of the scheme's window background.
constexpr render::Rgb kSpriteBack = render::kWhite;

render::Rgb systemcolour(int index) {
  const COLORREF c = GetSysColor(index);
  return render::rgb(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
}

HICON icon(HINSTANCE instance, int side) {
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_POMURAN), IMAGE_ICON, side, side, 0));
}

}  // namespace

bool Form1::registerclasses(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = icon(instance, GetSystemMetrics(SM_CXICON));
  wc.hIconSm = icon(instance, GetSystemMetrics(SM_CXSMICON));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kClass;
  return RegisterClassExW(&wc) != 0 && PictureBox::registerclass(instance);
}

Form1::Form1() : Timer1(table::kTickMs), background_(picture(L"background")) {
  const std::wstring caption = gdi::wide(table::kCaption);
  CreateWindowExW(0, kClass, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  table::kClientWidth, table::kClientHeight, nullptr, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (hwnd_ == nullptr) return;
  dpi_ = GetDpiForWindow(hwnd_);
  labelface_ = labelface();
  makebrushes();
  createcontrols();
  createlabels();
  setfocusorder();
  begin(*mainscr, *offscr, *paddle, *ball, *this, *this);
  mainscr->events = this;
  annotate();
  layout();
}

Form1::~Form1() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

HWND Form1::control(const wchar_t* cls, std::string_view text, DWORD style, table::Place place,
                    int id) {
  return CreateWindowExW(0, cls, gdi::wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, place.x,
                         place.y, place.w, place.h, hwnd_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void Form1::createcontrols() {
  Combo1 = control(L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, table::kCombo1,
                   kIdCombo1);
  Command1 =
      control(L"BUTTON", table::kStart, BS_PUSHBUTTON | WS_TABSTOP, table::kCommand1, kIdCommand1);
  createpictureboxes();
}

void Form1::createpictureboxes() {
  paddle.emplace(hwnd_, kIdPaddle, table::kPaddle, kSpriteBack, false);
  paddle->setpicture(picture(L"paddle"));
  ball.emplace(hwnd_, kIdBall, table::kBall, kSpriteBack, false);
  ball->setpicture(picture(L"ball"));
  mainscr.emplace(hwnd_, kIdMainscr, table::kMainscr, table::kGrey, true);
  // Screen readers that find no annotation service take the name from the window's text.
  SetWindowTextW(mainscr->hwnd(), gdi::wide(table::kPlayfieldName).c_str());
  blocks.emplace(hwnd_, kIdBlocks, table::kBlocks, systemcolour(COLOR_WINDOW), false);
  blocks->setpicture(picture(L"blocks"));
  offscr.emplace(hwnd_, kIdOffscr, table::kOffscr, table::kGrey, false);
}

void Form1::createlabels() {
  // Static controls that clip what does not fit rather than wrap it.
  constexpr DWORD kLabel = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
  lblball = control(L"STATIC", table::kBallValue.text, kLabel, table::kLblball, kIdLabel);
  lblscore = control(L"STATIC", table::kScoreValue.text, kLabel, table::kLblscore, kIdLabel);
  lblhiscore = control(L"STATIC", table::kHiscoreValue.text, kLabel, table::kLblhiscore, kIdLabel);
  lblstage = control(L"STATIC", table::kStageValue.text, kLabel, table::kLblstage, kIdLabel);
  Label1 = control(L"STATIC", table::kSpeedLabel, kLabel, table::kLabel1, kIdLabel);
}

// The dialog keys move the focus in the order of the windows' stacking, which starts as the
// order of creation; restacking gives the same focus order as on Linux.
void Form1::setfocusorder() {
  const std::pair<std::string_view, HWND> named[] = {
      {"offscr", offscr->hwnd()}, {"blocks", blocks->hwnd()}, {"mainscr", mainscr->hwnd()},
      {"ball", ball->hwnd()},     {"paddle", paddle->hwnd()}, {"Command1", Command1},
      {"Combo1", Combo1},         {"Label1", Label1},         {"lblstage", lblstage},
      {"lblhiscore", lblhiscore}, {"lblscore", lblscore},     {"lblball", lblball}};
  HWND after = HWND_TOP;
  infocusorder(named, [&after](HWND w) {
    SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = w;
  });
}

void Form1::annotate() {
  accessible_.name(hwnd_, table::kAccessibleName);
  accessible_.name(mainscr->hwnd(), table::kPlayfieldName);
  describeplayfield(false);
  accessible_.name(Command1, table::kStartName);
  accessible_.description(Command1, table::kStartDescription);
  accessible_.name(Combo1, table::kSpeedName);
  accessible_.description(Combo1, table::kSpeedDescription);
  // The word before each value is part of the background picture, so screen readers hear it
  // from the value's own name.
  for (const auto& [label, value] : {std::pair{lblball, table::kBallValue},
                                     {lblscore, table::kScoreValue},
                                     {lblhiscore, table::kHiscoreValue},
                                     {lblstage, table::kStageValue}}) {
    accessible_.name(label, std::string(value.word) + ' ' + std::string(value.text));
  }
}

void Form1::describeplayfield(bool playing) {
  accessible_.description(mainscr->hwnd(),
                          playing ? table::kPlayfieldRunning : table::kPlayfieldIdle);
}

// Places the window and every control for the window's dots per inch.
void Form1::layout() {
  const SIZE outer = outersize();
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const std::pair<HWND, table::Place> placed[] = {
      {Command1, table::kCommand1},     {lblball, table::kLblball},   {lblscore, table::kLblscore},
      {lblhiscore, table::kLblhiscore}, {lblstage, table::kLblstage}, {Label1, table::kLabel1}};
  for (const auto& [w, p] : placed)
    MoveWindow(w, scale(p.x), scale(p.y), scale(p.w), scale(p.h), FALSE);
  // A drop-down list's height includes its open list, room here for the three entries.
  const table::Place c = table::kCombo1;
  MoveWindow(Combo1, scale(c.x), scale(c.y), scale(c.w), scale(c.h * 5), FALSE);
  for (auto* box : {&paddle, &ball, &mainscr, &blocks, &offscr}) (*box)->scale(dpi_);
  setfonts();
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::setfonts() {
  gdi::Font gui = guifont(dpi_);
  for (HWND w : {Command1, Combo1}) SendMessageW(w, WM_SETFONT, WPARAM(gui.get()), FALSE);
  guifont_ = std::move(gui);
  // The closed list takes the height of its box: its entry's height is what sets it.
  // A closed drop-down list is its entry's height and a frame of three pixels above and below.
  SendMessageW(Combo1, CB_SETITEMHEIGHT, WPARAM(-1), scale(table::kCombo1.h) - 6);
  const HWND labels[] = {lblball, lblscore, lblhiscore, lblstage, Label1};
  gdi::Font font = labelfont(labelface_, dpi_, labels);
  for (HWND w : labels) SendMessageW(w, WM_SETFONT, WPARAM(font.get()), FALSE);
  labelfont_ = std::move(font);
}

void Form1::makebrushes() {
  black_.reset(CreateSolidBrush(RGB(0, 0, 0)));
  buttonface_.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
}

SIZE Form1::outersize() const {
  RECT r = {0, 0, scale(table::kClientWidth), scale(table::kClientHeight)};
  AdjustWindowRectExForDpi(&r, kStyle, FALSE, 0, dpi_);
  return {r.right - r.left, r.bottom - r.top};
}

void Form1::initscreen() { layplayfield(*mainscr, *offscr); }

void Form1::initspeed() {
  const auto append = [this](std::string_view speed) {
    SendMessageW(Combo1, CB_ADDSTRING, 0, LPARAM(gdi::wide(speed).c_str()));
  };
  fillspeeds(append, [this](int index) { SendMessageW(Combo1, CB_SETCURSEL, index, 0); });
}

// When a round starts, the focus goes to the playfield before "START" greys out, and screen
// readers announce it there with what a player does now. Left to Windows, the focus would be
// lost with the disabled button and the keyboard would reach nothing.
void Form1::enablecommand1(bool on) {
  describeplayfield(!on);
  if (!on && GetFocus() != mainscr->hwnd()) SetFocus(mainscr->hwnd());
  EnableWindow(Command1, on);
}

bool Form1::keyboard(MSG& msg) {
  // Enter and Return press the focused "START"; the dialog keys alone would not.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == Command1) {
    SendMessageW(Command1, BM_CLICK, 0, 0);
    return true;
  }
  return IsDialogMessageW(hwnd_, &msg) != 0;
}

LRESULT CALLBACK Form1::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* created = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    created->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (form == nullptr || form->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wp, lp);
  return form->handle(msg, wp, lp);
}

LRESULT Form1::handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      oncommand(wp);
      return 0;
    case WM_CTLCOLORSTATIC:
      return onctlcolorstatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_ERASEBKGND:
      return 1;  // the background picture covers the whole client area
    case WM_PAINT:
      onpaint();
      return 0;
    case WM_GETMINMAXINFO:
      ongetminmaxinfo(*reinterpret_cast<MINMAXINFO*>(lp));
      return 0;
    case WM_SYSCOMMAND:
      // The client area is fixed: a maximise request, from a shortcut or a snap, is refused.
      if ((wp & 0xFFF0) == SC_MAXIMIZE) return 0;
      return DefWindowProcW(hwnd_, msg, wp, lp);
    case WM_DPICHANGED:
      ondpichanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_SYSCOLORCHANGE:
      onsyscolorchange();
      return 0;
    case WM_ENTERSIZEMOVE:
    case WM_EXITSIZEMOVE:
      onsizemove(msg == WM_ENTERSIZEMOVE);
      return 0;
    case WM_TIMER:
      ontimer();
      return 0;
    case WM_DESTROY:
      ondestroy();
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      return 0;
    default:
      return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

void Form1::oncommand(WPARAM wp) {
  if (LOWORD(wp) == kIdCommand1 && HIWORD(wp) == BN_CLICKED) command1click();
  if (LOWORD(wp) == kIdCombo1 && HIWORD(wp) == CBN_SELCHANGE)
    combo1change(static_cast<int>(SendMessageW(Combo1, CB_GETCURSEL, 0, 0)));
}

LRESULT Form1::onctlcolorstatic(HDC dc, HWND control) {
  if (control == Label1) {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(buttonface_.get());
  }
  if (control == lblball || control == lblscore || control == lblhiscore || control == lblstage) {
    SetTextColor(dc, gdi::colorref(table::kValueText));
    SetBkColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(black_.get());
  }
  return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(control));
}

void Form1::onpaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const RECT client = {0, 0, scale(table::kClientWidth), scale(table::kClientHeight)};
  if (dc != nullptr && background_.valid()) {
    putpixels(dc, client, background_.width, background_.height, background_.pixels);
  } else if (dc != nullptr) {
    FillRect(dc, &client, buttonface_.get());
  }
  EndPaint(hwnd_, &ps);
}

// Windows asks this whenever the window could change size: the smallest and the largest size
// are both the fixed one, so neither a snap nor a window manager can change it.
void Form1::ongetminmaxinfo(MINMAXINFO& info) const {
  const SIZE outer = outersize();
  info.ptMinTrackSize = {outer.cx, outer.cy};
  info.ptMaxTrackSize = {outer.cx, outer.cy};
  info.ptMaxSize = {outer.cx, outer.cy};
}

// On a screen of another scale, the window takes the place that Windows suggests and everything
// in it is laid out again, fonts too.
void Form1::ondpichanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  layout();
}

// A new colour scheme (high contrast too) reaches the "SPEED :" label, the block sheet's
// background and the common controls at once.
void Form1::onsyscolorchange() {
  makebrushes();
  blocks->setbackcolor(systemcolour(COLOR_WINDOW));
  blocks->setpicture(picture(L"blocks"));
  for (HWND w : {Combo1, Command1}) SendMessageW(w, WM_SYSCOLORCHANGE, 0, 0);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::onsizemove(bool entering) {
  if (entering) {
    SetTimer(hwnd_, kModalTimer, kModalPollMs, nullptr);
  } else {
    KillTimer(hwnd_, kModalTimer);
  }
}

void Form1::ontimer() {
  if (Timer1.due()) timer1timer();
}

void Form1::ondestroy() {
  KillTimer(hwnd_, kModalTimer);
  accessible_.clear();
  PostQuitMessage(0);
}

}  // namespace ui
