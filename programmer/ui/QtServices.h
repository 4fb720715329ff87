#pragma once
#include <QObject>
#include <filesystem>
#include <memory>

#include "core/Prompt.h"

class QWidget;

namespace vantor::ui {

// Message boxes; safe to call from any thread (the box opens on the window thread).
class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }
    Answer ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons) override;

private:
    QWidget *parent_;
};

// The result sounds. A machine without audio plays nothing and says nothing.
class SoundPlayer {
public:
    SoundPlayer();
    ~SoundPlayer();
    void play(const std::filesystem::path &file, bool fallbackToDefault);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantor::ui
