#pragma once

#include "Messages.h"

// Shows the messages as real message boxes titled with the program's title.
class MessageBoxSink : public Messages::Sink {
public:
    void show(const QString& text, Messages::Icon icon) override;
    bool ask(const QString& text) override;
    void beep() override;
};
