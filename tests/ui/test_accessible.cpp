#include <QAccessible>

#include <gtest/gtest.h>

#include "support/Window.h"

TEST(Accessible, TheControlsAPlayerUsesAreNamedAndDescribed) {
  auto f = fixture::form();
  struct Want {
    QWidget* widget;
    QString name;
    QString description;
    QAccessible::Role role;
  };
  const Want wants[] = {
      {f->mainscr, QStringLiteral("Playfield"),
       QStringLiteral("Move the mouse here to move the paddle; click to start a round."),
       QAccessible::Client},
      {f->Command1, QStringLiteral("Start"),
       QStringLiteral("Starts a round: the ball leaves the paddle."), QAccessible::Button},
      {f->Combo1, QStringLiteral("Speed"),
       QStringLiteral("LOW, MID or HIGH. In this version the ball keeps one speed whichever is "
                      "chosen. It cannot be changed during a round."),
       QAccessible::ComboBox},
  };
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(f.get());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->text(QAccessible::Name).toStdString(), "ポムラン");
  EXPECT_EQ(window->role(), QAccessible::Window);
  EXPECT_FALSE(window->state().sizeable);
  for (const Want& w : wants) {
    SCOPED_TRACE(w.name.toStdString());
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w.widget);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name).toStdString(), w.name.toStdString());
    EXPECT_EQ(a->text(QAccessible::Description).toStdString(), w.description.toStdString());
    EXPECT_EQ(a->role(), w.role);
    // Assistive tools reach the control from the window.
    EXPECT_GE(window->indexOfChild(a), 0);
    EXPECT_EQ(a->parent(), window);
  }
}

TEST(Accessible, TheSpeedListReadsAsItsEntryAndIsLabelledBySpeed) {
  auto f = fixture::form();
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f->Combo1);
  QAccessibleInterface* label = QAccessible::queryAccessibleInterface(f->Label1);
  ASSERT_NE(list, nullptr);
  ASSERT_NE(label, nullptr);
  const auto labels = list->relations(QAccessible::Label);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels.front().first, label);
  EXPECT_EQ(label->text(QAccessible::Name).toStdString(), "SPEED :");
  ASSERT_NE(list->textInterface(), nullptr);
  EXPECT_EQ(list->textInterface()->text(0, -1).toStdString(), "LOW");
  f->Combo1->setCurrentIndex(2);
  EXPECT_EQ(list->textInterface()->text(0, -1).toStdString(), "HIGH");
}

TEST(Accessible, EveryObjectOfTheWindowHasANameAndTheHiddenBoxesAreLeftOut) {
  auto f = fixture::form();
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(f.get());
  ASSERT_NE(window, nullptr);
  QStringList names;
  for (int i = 0; i < window->childCount(); ++i) {
    QAccessibleInterface* a = window->child(i);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(window->indexOfChild(a), i);
    names << a->text(QAccessible::Name);
  }
  EXPECT_EQ(names.join(QLatin1Char('|')).toStdString(),
            "Speed|Start|Playfield|BALL 0|SCORE 0000|HISCORE 00000|STAGE 00|SPEED :");
}
