#include "Messages.h"

#include <QTextStream>

namespace {

class StderrSink : public Messages::Sink {
public:
    void show(const QString& text, Messages::Icon) override { QTextStream(stderr) << text << '\n'; }
    bool ask(const QString& text) override
    {
        QTextStream(stderr) << text << " [No]\n";
        return false;
    }
    void beep() override {}
};

StderrSink g_stderrSink;
Messages::Sink* g_sink = &g_stderrSink;
QString g_title;

} // namespace

namespace Messages {

void setSink(Sink* sink) { g_sink = sink ? sink : &g_stderrSink; }
Sink* sink() { return g_sink; }
void setTitle(const QString& title) { g_title = title; }
QString title() { return g_title; }

void show(const QString& text, Icon icon) { g_sink->show(text, icon); }
bool ask(const QString& text) { return g_sink->ask(text); }
void beep() { g_sink->beep(); }

void report(const QString& name, const RunError& error) { show(name + QStringLiteral(": ") + error.text()); }
void reportFile(const QString& name, const RunError& error)
{
    show(name + QStringLiteral(": ") + error.fileText());
}

} // namespace Messages

MessageRecorder::MessageRecorder() : m_previous(Messages::sink()) { Messages::setSink(this); }

MessageRecorder::~MessageRecorder() { Messages::setSink(m_previous); }

void MessageRecorder::show(const QString& text, Messages::Icon icon) { m_entries.push_back({text, icon, false}); }

bool MessageRecorder::ask(const QString& text)
{
    m_entries.push_back({text, Messages::Icon::Critical, true});
    if (m_answers.empty())
        return false;
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

QStringList MessageRecorder::texts() const
{
    QStringList out;
    for (const auto& e : m_entries)
        out << e.text;
    return out;
}

void MessageRecorder::clear()
{
    m_entries.clear();
    m_beeps = 0;
}
