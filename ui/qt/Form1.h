#pragma once

#include "ui/Window.h"
#include "ui/qt/PictureBox.h"
#include "ui/qt/SizeKeeper.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace ui {

// Brings mainscr's image to the screen at once, before the event handler returns. It counts the
// repaints for the tests and benchmarks, which read nothing else of it.
class BoxScreen : public render::Screen {
 public:
  void repaint() override;
  int repaintsfortests() const { return repaints_; }

  PictureBox* box = nullptr;

 private:
  int repaints_ = 0;
};

// The game's one window. It creates its controls and wires their events to the game that it holds
// (ui::Window).
class Form1 final : public QWidget, public Window, private game::Controls {
  Q_OBJECT

 public:
  Form1();

  void initscreen() override;
  void initspeed() override;

  const BoxScreen& screen() const { return screen_; }

  // The controls, in creation order.
  QTimer* Timer1 = nullptr;
  QComboBox* Combo1 = nullptr;
  QPushButton* Command1 = nullptr;
  PictureBox* paddle = nullptr;
  PictureBox* ball = nullptr;
  PictureBox* mainscr = nullptr;
  PictureBox* blocks = nullptr;
  PictureBox* offscr = nullptr;
  QLabel* lblball = nullptr;
  QLabel* lblscore = nullptr;
  QLabel* lblhiscore = nullptr;
  QLabel* lblstage = nullptr;
  QLabel* Label1 = nullptr;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void enablecommand1(bool on) override;
  void enablecombo1(bool on) override { Combo1->setEnabled(on); }
  void describeplayfield(bool playing);
  bool eventFilter(QObject* watched, QEvent* event) override;

  void createcontrols();
  void createlabels();
  void connectevents();
  void setfocusorder();
  QLabel* label(const QString& name, QRect place, const QString& text);
  void setlabelfont();

  QImage background_;
  SizeKeeper* size_ = nullptr;
  BoxScreen screen_;
};

}  // namespace ui
