#pragma once

#include "RunError.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

// Every message box of the programs goes through here, so tests can record texts and answer questions.
namespace Messages {

enum class Icon { Information, Exclamation, Critical };

class Sink {
public:
    virtual ~Sink() = default;
    virtual void show(const QString& text, Icon icon) = 0;
    // A Yes/No question with No as the default; true only for Yes.
    virtual bool ask(const QString& text) = 0;
    virtual void beep() = 0;
};

// The sink in use; without one installed, texts go to stderr and questions are answered No.
void setSink(Sink* sink);
Sink* sink();

// The title of every box: the program's title.
void setTitle(const QString& title);
QString title();

void show(const QString& text, Icon icon = Icon::Information);
bool ask(const QString& text);
void beep();

// "name: description number"
void report(const QString& name, const RunError& error);
// "name: description # number"
void reportFile(const QString& name, const RunError& error);

} // namespace Messages

// Installs itself for its lifetime; keeps every text and answers questions from a script (No when empty).
class MessageRecorder : public Messages::Sink {
public:
    struct Entry {
        QString text;
        Messages::Icon icon;
        bool question;
    };

    MessageRecorder();
    ~MessageRecorder() override;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void show(const QString& text, Messages::Icon icon) override;
    bool ask(const QString& text) override;
    void beep() override { ++m_beeps; }

    void answer(bool yes) { m_answers.push_back(yes); }
    QStringList texts() const;
    const std::vector<Entry>& entries() const { return m_entries; }
    int beeps() const { return m_beeps; }
    void clear();

private:
    Messages::Sink* m_previous;
    std::vector<Entry> m_entries;
    std::deque<bool> m_answers;
    int m_beeps = 0;
};
