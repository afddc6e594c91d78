#include "MessageBoxSink.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon toIcon(Messages::Icon icon)
{
    switch (icon) {
    case Messages::Icon::Exclamation:
        return QMessageBox::Warning;
    case Messages::Icon::Critical:
        return QMessageBox::Critical;
    case Messages::Icon::Information:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

void MessageBoxSink::show(const QString& text, Messages::Icon icon)
{
    QMessageBox box(toIcon(icon), Messages::title(), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool MessageBoxSink::ask(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, Messages::title(), text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxSink::beep() { QApplication::beep(); }
