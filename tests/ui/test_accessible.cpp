#include "support/Window.h"

#include <QAbstractItemView>
#include <QAccessible>

#include <gtest/gtest.h>

// What reaches the accessibility bus is checked over the real bus by the e2e tests; here, that
// the window's interfaces agree with each other, which the bus takes on trust.
TEST(Accessible, TheWindowListsItsShownControlsAndEachKnowsItsPlace) {
  auto f = fixture::form();
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(f.get());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->role(), QAccessible::Window);
  QStringList names;
  for (int i = 0; i < window->childCount(); ++i) {
    QAccessibleInterface* a = window->child(i);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(window->indexOfChild(a), i);
    EXPECT_EQ(a->parent(), window);
    names << a->text(QAccessible::Name);
  }
  EXPECT_EQ(names.join(QLatin1Char('|')).toStdString(),
            "Speed|Start|Playfield|BALL 0|SCORE 0000|HISCORE 00000|STAGE 00|SPEED :");
  for (QWidget* hidden : {static_cast<QWidget*>(f->paddle), static_cast<QWidget*>(f->offscr)})
    EXPECT_EQ(window->indexOfChild(QAccessible::queryAccessibleInterface(hidden)), -1);
  // The speed list's text follows its chosen entry.
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f->Combo1);
  ASSERT_NE(list->textInterface(), nullptr);
  f->Combo1->setCurrentIndex(2);
  EXPECT_EQ(list->textInterface()->text(0, -1).toStdString(), "HIGH");
}

// A round started from the keyboard: the focus goes from START to the playfield while both
// controls are still enabled, never through the speed list, which then offers no action.
TEST(Accessible, EnterOnStartStartsARoundWithTheFocusOnThePlayfieldFirst) {
  for (Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
    auto f = fixture::form();
    f->activateWindow();
    QStringList moves;
    // Disconnected before the window goes, which moves the focus as it is taken down.
    const auto watch =
        QObject::connect(qApp, &QApplication::focusChanged, [&](QWidget*, QWidget* now) {
          const bool late = !f->Command1->isEnabled() || !f->Combo1->isEnabled();
          if (now != nullptr) moves << now->objectName() + (late ? "(late)" : "");
        });
    f->mainscr->setFocus();
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
      QTest::keyClick(f->mainscr, key);
    EXPECT_FALSE(f->module1().gs.playing) << "the playfield starts no round from the keyboard";
    f->Command1->setFocus();
    QTest::keyClick(f->Command1, enter);
    EXPECT_TRUE(f->module1().gs.playing);
    EXPECT_EQ(moves.join(QLatin1Char(' ')).toStdString(), "mainscr Command1 mainscr");
    EXPECT_TRUE(f->mainscr->accessibleDescription().startsWith(QStringLiteral("Round running")));
    QAccessibleActionInterface* list =
        QAccessible::queryAccessibleInterface(f->Combo1)->actionInterface();
    EXPECT_TRUE(list->actionNames().isEmpty());
    list->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(f->Combo1->view()->isVisible());
    QObject::disconnect(watch);
  }
}
