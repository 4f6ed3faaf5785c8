// Kelvaro's entry point.
#include <QApplication>
#include <QLabel>

#include "engine/Localization.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kelvaro"));
    kelvaro::L10n::installAtStartup();
    QLabel label(QStringLiteral("Kelvaro"));
    label.resize(1200, 800);
    label.show();
    return app.exec();
}
