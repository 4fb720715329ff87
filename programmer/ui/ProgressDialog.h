#pragma once
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vantor::ui {

// Shown while an operation runs: the status text, a bar and Cancel, which reaches the engine.
class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget *parent = nullptr);
    void setText(const QString &text);
    void setRange(int steps);
    void step();
    QString text() const;
    int value() const;
    int maximum() const;

signals:
    void cancelRequested();

protected:
    void reject() override;  // Escape and the close button ask for a cancel, nothing else

private:
    QLabel *label_;
    QProgressBar *bar_;
    QPushButton *cancel_;
};

}  // namespace vantor::ui
