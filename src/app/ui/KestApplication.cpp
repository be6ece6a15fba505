#include "app/ui/KestApplication.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <clocale>

namespace kest {

int runWindows(int argc, char** argv)
{
    QApplication app(argc, argv);
    // libxlsxwriter writes numbers with LC_NUMERIC; a Russian locale would give "21,5".
    std::setlocale(LC_NUMERIC, "C");
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Кест"));
    window.setCentralWidget(new QLabel(QStringLiteral("Кест: обмен с регистратором и отчеты")));
    window.resize(640, 400);
    window.show();
    return app.exec();
}

} // namespace kest
