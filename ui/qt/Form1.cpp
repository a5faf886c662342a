#include "ui/qt/Form1.h"
#include "ui/qt/Accessible.h"
#include "ui/qt/Layout.h"
#include "ui/qt/Pictures.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>

#include <algorithm>
#include <string_view>

namespace ui {

namespace {

// Erase frames must match the white playfield whatever the desktop's colour scheme, so the
// sprite boxes take a fixed white instead of the theme's window background.
constexpr render::Rgb kSpriteBack = render::kWhite;

render::Rgb systemcolour(QPalette::ColorRole role) {
  return render::rgb(QApplication::palette().color(role).rgb());
}

}  // namespace

void BoxScreen::repaint() {
  ++repaints_;
  if (box) box->repaint();
}

Form1::Form1() : background_(picture(QStringLiteral("background"))) {
  // Before any control exists, so that each gets its accessible interface from here.
  QAccessible::installFactory(accessiblefactory);
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(layout::qstring(table::kCaption));
  setAccessibleName(layout::qstring(table::kAccessibleName));
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(picture(QStringLiteral("icon32"))));
  icon.addPixmap(QPixmap::fromImage(picture(QStringLiteral("icon16"))));
  setWindowIcon(icon);
  size_ = new SizeKeeper(*this, layout::kClient);
  // The background picture covers the whole client area.
  setAttribute(Qt::WA_OpaquePaintEvent);
  createcontrols();
  createlabels();
  setfocusorder();
  screen_.box = mainscr;
  begin(*mainscr, *offscr, *paddle, *ball, screen_, *this);
  connectevents();
  Timer1->start();
}

void Form1::createcontrols() {
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(table::kTickMs);
  // A coarse timer may fire several percent late, which the player sees as a slower ball.
  Timer1->setTimerType(Qt::PreciseTimer);

  Combo1 = new QComboBox(this);
  Combo1->setObjectName(QStringLiteral("Combo1"));
  Combo1->setEditable(false);
  Combo1->setGeometry(layout::kCombo1);

  Command1 = new QPushButton(layout::qstring(table::kStart), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(layout::kCommand1);

  paddle = new PictureBox(this, QStringLiteral("paddle"), table::kPaddle, kSpriteBack);
  paddle->setpicture(packed(QStringLiteral("paddle")));
  ball = new PictureBox(this, QStringLiteral("ball"), table::kBall, kSpriteBack);
  ball->setpicture(packed(QStringLiteral("ball")));
  mainscr = new PictureBox(this, QStringLiteral("mainscr"), table::kMainscr, table::kGrey);
  blocks =
      new PictureBox(this, QStringLiteral("blocks"), table::kBlocks, systemcolour(QPalette::Base));
  blocks->setpicture(packed(QStringLiteral("blocks")));
  offscr = new PictureBox(this, QStringLiteral("offscr"), table::kOffscr, table::kGrey);
  for (PictureBox* hidden : {paddle, ball, blocks, offscr}) {
    hidden->setVisible(false);
    hidden->setEnabled(false);
  }
  // The paddle follows the pointer whether or not a button is held.
  mainscr->setMouseTracking(true);
  mainscr->setFocusPolicy(Qt::StrongFocus);
  mainscr->setAccessibleName(layout::qstring(table::kPlayfieldName));
  describeplayfield(false);
  Command1->setAccessibleName(layout::qstring(table::kStartName));
  Command1->setAccessibleDescription(layout::qstring(table::kStartDescription));
  Combo1->setAccessibleName(layout::qstring(table::kSpeedName));
  Combo1->setAccessibleDescription(layout::qstring(table::kSpeedDescription));
  // Enter and Return press the focused "START", which has the focus when the window opens;
  // typing on the list is kept from the screen readers' view (see eventFilter).
  Command1->installEventFilter(this);
  Combo1->installEventFilter(this);
}

QLabel* Form1::label(const QString& name, QRect place, const QString& text) {
  auto* l = new QLabel(text, this);
  l->setObjectName(name);
  l->setGeometry(place);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  l->setAutoFillBackground(true);
  return l;
}

void Form1::setlabelfont() {
  // A face that is not installed would send the toolkit through fontconfig's sorted list of every
  // font for its substitutes; the first installed face is the one meant.
  const QStringList installed = QFontDatabase::families();
  QStringList faces = layout::labelfaces();
  const auto absent = [&](const QString& face) {
    return !installed.contains(face, Qt::CaseInsensitive);
  };
  faces.removeIf(absent);
  QFont font;
  font.setFamilies(faces);
  font.setWeight(QFont::Bold);
  QLabel* const labels[] = {lblball, lblscore, lblhiscore, lblstage, Label1};
  font.setPixelSize(fonts::labelpixels([&](int px) {
    font.setPixelSize(px);
    const QFontMetrics metrics(font);
    return std::all_of(std::begin(labels), std::end(labels), [&](QLabel* l) {
      // The ink of a top-aligned line sits below the line's top by the font's ascent.
      const QRect ink = metrics.tightBoundingRect(l->text()).translated(0, metrics.ascent());
      return l->contentsRect().contains(ink);
    });
  }));
  for (QLabel* l : labels) l->setFont(font);
}

void Form1::createlabels() {
  const auto value = [this](const char* name, QRect place, table::Value v) {
    QLabel* l = label(QString::fromLatin1(name), place, layout::qstring(v.text));
    // The word before each value is part of the background picture, so screen readers hear it
    // from the value's own name. Nothing changes the values in this version.
    l->setAccessibleName(layout::qstring(v.word) + QLatin1Char(' ') + l->text());
    return l;
  };
  lblball = value("lblball", layout::kLblball, table::kBallValue);
  lblscore = value("lblscore", layout::kLblscore, table::kScoreValue);
  lblhiscore = value("lblhiscore", layout::kLblhiscore, table::kHiscoreValue);
  lblstage = value("lblstage", layout::kLblstage, table::kStageValue);
  for (QLabel* l : {lblball, lblscore, lblhiscore, lblstage}) {
    QPalette p = l->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(render::kBlack));
    p.setColor(QPalette::WindowText, QColor::fromRgb(table::kValueText));
    l->setPalette(p);
  }
  Label1 = label(QStringLiteral("Label1"), layout::kLabel1, layout::qstring(table::kSpeedLabel));
  setlabelfont();
  // "SPEED :" keeps the desktop's button colours and follows its theme.
  Label1->setBackgroundRole(QPalette::Button);
  Label1->setForegroundRole(QPalette::ButtonText);
  // Screen readers also find the speed list by the label tied to it.
  Label1->setBuddy(Combo1);
}

void Form1::setfocusorder() {
  QWidget* before = nullptr;
  for (std::string_view name : table::kFocusOrder) {
    auto* control = findChild<QWidget*>(layout::qstring(name), Qt::FindDirectChildrenOnly);
    if (before != nullptr && control != nullptr) setTabOrder(before, control);
    before = control;
  }
}

void Form1::describeplayfield(bool playing) {
  mainscr->setAccessibleDescription(
      layout::qstring(playing ? table::kPlayfieldRunning : table::kPlayfieldIdle));
}

// When a round starts, the focus goes to the playfield before "START" greys out, and screen
// readers announce it there with what a player does now. Left to the toolkit, the focus would
// pass through the speed list, which greys out next.
void Form1::enablecommand1(bool on) {
  describeplayfield(!on);
  if (!on) mainscr->setFocus(Qt::OtherFocusReason);
  Command1->setEnabled(on);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (watched == Command1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
    Command1->click();
    return true;
  }
  // Typing picks an entry through the closed list's hidden view, whose move would reach screen
  // readers as a focus change into a list that is not there. The list announces the entry.
  if (watched == Combo1 && !key->text().trimmed().isEmpty() && key->text().front().isPrint()) {
    const QSignalBlocker quiet(Combo1->view()->selectionModel());
    static_cast<QObject*>(Combo1)->event(event);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::connectevents() {
  connect(Command1, &QPushButton::clicked, this, [this] { command1click(); });
  connect(Combo1, &QComboBox::activated, this, [this](int index) { combo1change(index); });
  connect(Timer1, &QTimer::timeout, this, [this] { timer1timer(); });
  connect(mainscr, &PictureBox::mousepressed, this, [this] { mainscrmousedown(); });
  connect(mainscr, &PictureBox::mousemoved, this, [this](double x) { mainscrmousemove(x); });
}

void Form1::initscreen() {
  const QPoint at = size_->origin() + layout::kPlayfield.topLeft();
  layplayfield(*mainscr, *offscr, at.x(), at.y());
}

void Form1::initspeed() {
  fillspeeds([this](std::string_view speed) { Combo1->addItem(layout::qstring(speed)); },
             [this](int index) { Combo1->setCurrentIndex(index); });
}

void Form1::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // On a scaled screen each pixel of the picture becomes a block of one colour, never a blend.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  // Around the client area, where a desktop gives the window more room than it asked for.
  painter.fillRect(rect(), QColor::fromRgb(table::kPanel));
  painter.drawImage(size_->origin(), background_);
}

}  // namespace ui
