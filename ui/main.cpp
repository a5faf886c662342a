#include "ui/Form1.h"

int main(int argc, char** argv) { return ui::Main(argc, argv); }
