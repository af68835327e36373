#include "console/MainWindow.h"

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Korvane Version 1.0"));
    resize(1024, 700);
}
