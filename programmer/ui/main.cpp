#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "programmer/ui/DesktopApp.h"
#include "widgets/UiText.h"

int main(int argc, char *argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TarvikTech"));
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    QApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vantor/vantor.svg")));
    const vantor::ui::StartOptions options = vantor::ui::parseStartOptions(QApplication::arguments());
    if (options.help) {
        std::fputs(vantor::ui::usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "Vantor: %s\n%s", options.error.c_str(), vantor::ui::usageText().toLocal8Bit().constData());
        return 2;
    }
    vantor::ui::DesktopApp app(options);
    return app.exec();
}
