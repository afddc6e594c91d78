// Online state, polling of bit boxes, and writes typed or clicked by the operator.
#include "PageDisplay.h"

#include "CntrlDDE.h"
#include "DrawSurface.h"
#include "LinkBox.h"
#include "LinkRecovery.h"
#include "Messages.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

// A bit box shows 1 for any number of 1 or more; text that is no number shows 0.
int bitValueOf(const QString& text)
{
    bool numeric = false;
    const double value = text.trimmed().toDouble(&numeric);
    if (!numeric || std::isnan(value))
        return 0;
    return std::round(value) < 1 ? 0 : 1;
}

void setBackground(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Button, colour);
    w->setPalette(p);
}

} // namespace

void PageDisplay::setOnLineLook(bool online)
{
    if (!m_onLine)
        return;
    if (online && LinkRecovery::isLinkLost()) {
        setBackground(m_onLine, QColor(255, 160, 128));
        m_onLine->setText(QStringLiteral("Link lost"));
        return;
    }
    setBackground(m_onLine, online ? QColor(128, 255, 128) : QColor(255, 255, 128));
    m_onLine->setText(online ? QStringLiteral("System Online") : QStringLiteral("System Offline"));
}

void PageDisplay::linkStateChanged()
{
    if (SystemOnline)
        setOnLineLook(true);
}

void PageDisplay::OnLine_Click()
{
    const bool goingOnline = m_onLine ? m_onLine->isChecked() : true;
    setOnLineLook(goingOnline);
    SystemOnline = goingOnline;
    if (!goingOnline) {
        unlinkAll();
        return;
    }
    if (m_topicCount != 0) {
        const quint64 build = m_build;
        const QList<Status> statuses = LinkBox::linkAll({m_dataTopic.data(), static_cast<size_t>(elementCount())});
        // Another page was built while the links waited, and linked by its build.
        if (build != m_build)
            return;
        for (int i = 0; i < elementCount(); ++i) {
            const Status& linked = statuses[i];
            if (!linked) {
                // No server: start it silently; the operator goes online again once it runs.
                if (linked.error().number == ErrNo::NoForeignApplication)
                    reportLoadRSLinxFailure(CntrlDDE::Load_RSLinx());
                else
                    Messages::report(QStringLiteral("OnLine_Click"), linked.error());
                return;
            }
            m_dataTopic[static_cast<size_t>(i)]->LinkTimeout = 50;
        }
    }
    m_pollTopics->start();
}

void PageDisplay::ForceOffline()
{
    if (!m_onLine || !m_onLine->isChecked())
        return;
    m_onLine->setChecked(false);
    OnLine_Click();
}

void PageDisplay::setAlwaysOnline()
{
    SystemOnline = true;
}

void PageDisplay::startPoll() { m_pollTopics->start(); }

void PageDisplay::PollTopics_Timer()
{
    m_pollTopics->stop();
    if (!SystemOnline || m_topicCount == 0)
        return;
    DisplayBusy = true;
    for (int i = 0; i < elementCount(); ++i)
        if (topic(i).Bool)
            m_bitStat[static_cast<size_t>(i)]->setChecked(m_dataTopic[static_cast<size_t>(i)]->text() ==
                                                          QLatin1String("1"));
    DisplayBusy = false;
}

void PageDisplay::DataTopic_Change(int index)
{
    if (DisplayBusy || WriteInProgress || !topic(index).Bool || index >= elementCount())
        return;
    m_bitStat[static_cast<size_t>(index)]->setChecked(bitValueOf(m_dataTopic[static_cast<size_t>(index)]->text()) ==
                                                      1);
}

void PageDisplay::BitStat_MouseUp(int index)
{
    if (DisplayBusy || !SystemOnline || index >= elementCount())
        return;
    QCheckBox* bit = m_bitStat[static_cast<size_t>(index)];
    if (topic(index).ReadOnly) {
        showBit(index);
        Q_EMIT userActivity();
        return;
    }
    writeValue(index, bit->isChecked() ? QStringLiteral("1") : QStringLiteral("0"), QStringLiteral("BitStat_MouseUp"));
    Q_EMIT userActivity();
}

void PageDisplay::showBit(int index)
{
    if (!topic(index).Bool)
        return;
    const QString value = m_dataTopic[static_cast<size_t>(index)]->text();
    m_bitStat[static_cast<size_t>(index)]->setChecked(bitValueOf(value) == 1);
}

void PageDisplay::DataTopic_GotFocus(int index) { BeginValueEdit(index); }

void PageDisplay::BeginValueEdit(int index)
{
    QLineEdit* edit = m_dataTopicOut[static_cast<size_t>(index)];
    edit->setText(m_dataTopic[static_cast<size_t>(index)]->text());
    edit->show();
    edit->raise();
    edit->setFocus();
    edit->setSelection(0, static_cast<int>(edit->text().size()));
}

void PageDisplay::DataTopicOut_KeyUp(int index, int keyCode)
{
    if (keyCode == 13) {
        EndValueEdit(index);
        m_display->setFocus();
    } else if (keyCode == 27) {
        BeginValueEdit(index);
    }
    Q_EMIT userActivity();
}

void PageDisplay::DataTopicOut_LostFocus(int index) { EndValueEdit(index); }

void PageDisplay::EndValueEdit(int index)
{
    // Enter closes the edit and the focus loss that follows runs this again: one entry, one write.
    if (index >= elementCount() || index == m_closingEdit || m_dataTopicOut[static_cast<size_t>(index)]->isHidden())
        return;
    QLineEdit* edit = m_dataTopicOut[static_cast<size_t>(index)];
    hideValueEdit(index);
    if (edit->text().isEmpty())
        edit->setText(QStringLiteral("0"));
    if (!SystemOnline || edit->text() == m_dataTopic[static_cast<size_t>(index)]->text())
        return;
    bool numeric = false;
    const double value = edit->text().trimmed().toDouble(&numeric);
    // "nan" and "inf" read as numbers but are none a controller holds.
    if (!numeric || !std::isfinite(value))
        return;
    writeValue(index, edit->text(), QStringLiteral("EndValueEdit"));
}

void PageDisplay::hideValueEdit(int index)
{
    const QScopedValueRollback<int> closing(m_closingEdit, index);
    QLineEdit* edit = m_dataTopicOut[static_cast<size_t>(index)];
    // Hiding a focused box would hand the focus to the next value box and open its edit.
    if (edit->hasFocus())
        m_display->setFocus();
    edit->hide();
}

void PageDisplay::closeValueEdits()
{
    for (int i = 0; i < elementCount(); ++i)
        if (!m_dataTopicOut[static_cast<size_t>(i)]->isHidden())
            hideValueEdit(i);
}

void PageDisplay::writeValue(int index, const QString& text, const QString& handler)
{
    QPointer<LinkBox> box = m_dataTopic[static_cast<size_t>(index)];
    // Nothing is kept to be written later: the operator decides again once the link is back.
    if (box->LinkMode() == 0 || box->isStale()) {
        Messages::show(QStringLiteral("Not written: the link to the communication server is down."));
        showBit(index);
        return;
    }
    const quint64 build = m_build;
    const QString previous = box->text();
    WriteInProgress = true;
    box->setText(text);
    const Status poked = box->LinkPoke();
    // A page rebuilt during the wait left nothing of this write to put right.
    const bool pageGone = build != m_build || !box;
    // A write that did not reach the server must not look written; a late one shows when the server
    // pushes the value it took.
    if (!poked && !pageGone)
        box->setText(previous);
    WriteInProgress = false;
    if (poked || pageGone)
        return;
    showBit(index);
    // No answer came, in time or at all (the link went down meanwhile): the write may have landed.
    if (poked.error().number == ErrNo::DdeTimeout || box->isStale())
        Messages::show(QStringLiteral("No answer within the time-out: the value may or may not have been written."));
    else
        Messages::report(handler, poked.error());
}
