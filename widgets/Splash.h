#pragma once
#include <QSplashScreen>

namespace vantor::ui {

// The start-up window: a drawn picture with one line of progress text.
class Splash : public QSplashScreen {
    Q_OBJECT
public:
    Splash();
    void setText(const QString &text);
    QString text() const { return text_; }

protected:
    void drawContents(QPainter *painter) override;

private:
    QString text_;
};

QPixmap splashPicture();

}  // namespace vantor::ui
