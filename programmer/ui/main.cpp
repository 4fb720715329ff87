#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "programmer/ui/DesktopApp.h"
#include "core/Version.h"
#include "widgets/UiText.h"

int main(int argc, char *argv[]) {
    // Answered before Qt starts, so it works without a display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0) return std::printf("Vantor %s\n", vantor::kVersionText), 0;
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TarvikTech"));
    QApplication::setApplicationName(QStringLiteral("Vantor"));
    QApplication::setApplicationVersion(QString::fromLatin1(vantor::kVersionText));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vantor/vantor.svg")));
    const vantor::ui::StartOptions options = vantor::ui::parseStartOptions(QApplication::arguments());
    if (options.help) {
        std::fputs(vantor::ui::usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!options.error.empty()) {
        std::fprintf(stderr, "Vantor: %s\n%s", options.error.c_str(),
                     vantor::ui::usageText().toLocal8Bit().constData());
        return 2;
    }
    vantor::ui::DesktopApp app(options);
    return app.exec();
}
