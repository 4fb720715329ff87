#pragma once
#include <QDialog>
#include <functional>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QPushButton;
class QThread;

namespace vantor {
class Application;
}

namespace vantor::ui {

// Connects the programmer, or lets the user work without one ("Disconnect mode") with the
// device library of the model chosen by a radio button.
class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    struct Model {
        int code;
        QString name;
    };
    // Every listed model, named in the application's language.
    static std::vector<Model> listedModels(const Application &app);
    // connect runs on a thread of its own and answers the connected model code or -1.
    ConnectDialog(bool connectTried, std::vector<Model> models, int checkedModel, std::function<int()> connect,
                  QWidget *parent = nullptr);
    ~ConnectDialog() override;

    // The model: the connected one after OK, the checked radio button otherwise.
    int model() const { return model_; }
    bool connecting() const { return thread_ != nullptr; }
    // Milliseconds to wait before each attempt (tests shorten it).
    void setConnectDelay(int ms) { delayMs_ = ms; }

public slots:
    void startConnecting();
    void chooseDisconnectMode();

protected:
    void reject() override;
    void showEvent(QShowEvent *event) override;

private:
    void finished(int model);
    void setBusy(bool busy);
    int checkedModel() const;

    std::vector<Model> models_;
    std::function<int()> connect_;
    QButtonGroup *group_;
    QPushButton *connectButton_;
    QPushButton *disconnectButton_;
    QThread *thread_ = nullptr;
    bool connectTried_;
    bool autoStarted_ = false;
    int model_ = -1;
    int delayMs_ = 500;
};

}  // namespace vantor::ui
