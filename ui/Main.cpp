#include <QApplication>

#include "ui/Form1.h"

namespace ui {

void prepare(Form1& form) {
  form.initscreen();
  form.initspeed();
  form.module1().initgame();
  // The first frame is in place before the window first shows.
  form.module1().frame.drawall();
}

int Main(int argc, char** argv) {
  // The game takes no command line: the toolkit sees only the program's name.
  int qtargc = argc > 0 ? 1 : 0;
  QApplication app(qtargc, argv);
  Form1 form;
  prepare(form);
  form.show();
  return app.exec();
}

}  // namespace ui
