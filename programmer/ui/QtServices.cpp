#include "programmer/ui/QtServices.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QUrl>
#include <map>

#ifdef VANTOR_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

#include "widgets/UiText.h"

namespace vantor::ui {

Prompt::Answer QtPrompt::ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) {
    const QString t = uiText(text).trimmed();
    const QString c = caption.empty() ? QStringLiteral("Vantor") : uiText(caption);
    auto show = [&]() -> Answer {
        QMessageBox::Icon i = QMessageBox::NoIcon;
        switch (icon) {
        case Icon::Error: i = QMessageBox::Critical; break;
        case Icon::Warning: i = QMessageBox::Warning; break;
        case Icon::Information: i = QMessageBox::Information; break;
        case Icon::Question: i = QMessageBox::Question; break;
        case Icon::None: break;
        }
        QMessageBox::StandardButtons b = QMessageBox::Ok;
        switch (buttons) {
        case Buttons::Ok: b = QMessageBox::Ok; break;
        case Buttons::OkCancel: b = QMessageBox::Ok | QMessageBox::Cancel; break;
        case Buttons::YesNo: b = QMessageBox::Yes | QMessageBox::No; break;
        case Buttons::YesNoCancel: b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
        }
        QMessageBox box(i, c, t, b, parent_);
        box.setObjectName(QStringLiteral("promptBox"));
        switch (box.exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return Answer::Cancel;
        default: return Answer::Ok;
        }
    };
    if (QThread::currentThread() == qApp->thread()) return show();
    Answer answer = Answer::Cancel;
    QMetaObject::invokeMethod(
        qApp, [&] { answer = show(); }, Qt::BlockingQueuedConnection);
    return answer;
}

struct SoundPlayer::Impl {
#ifdef VANTOR_HAVE_MULTIMEDIA
    std::map<std::filesystem::path, std::unique_ptr<QSoundEffect>> effects;
#endif
};

SoundPlayer::SoundPlayer() : impl_(std::make_unique<Impl>()) {}
SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::play(const std::filesystem::path &file, bool fallbackToDefault) {
#ifdef VANTOR_HAVE_MULTIMEDIA
    auto &effect = impl_->effects[file];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(fromUtf8(file.string())));
    }
    if (effect->status() == QSoundEffect::Error) {
        if (fallbackToDefault) QApplication::beep();
        return;
    }
    effect->stop();
    effect->play();
#else
    (void)file;
    if (fallbackToDefault) QApplication::beep();
#endif
}

}  // namespace vantor::ui
