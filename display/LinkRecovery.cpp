#include "LinkRecovery.h"

#include "CntrlDDE.h"
#include "LinkBackend.h"
#include "LinkBox.h"

#include <QCoreApplication>
#include <QTimer>

#include <utility>

namespace {

QPointer<LinkRecovery> s_instance;

} // namespace

LinkRecovery& LinkRecovery::instance()
{
    if (!s_instance)
        s_instance = new LinkRecovery(QCoreApplication::instance());
    return *s_instance;
}

LinkRecovery* LinkRecovery::existing()
{
    return s_instance.data();
}

bool LinkRecovery::isLinkLost()
{
    return s_instance && s_instance->m_lost;
}

LinkRecovery::LinkRecovery(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setObjectName(QStringLiteral("Reconnect"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &LinkRecovery::Reconnect_Timer);
}

void LinkRecovery::setLost(bool lost)
{
    if (lost == m_lost)
        return;
    m_lost = lost;
    m_pauseMs = FirstPauseMs;
    if (lost)
        m_timer->start(m_pauseMs);
    else
        m_timer->stop();
    Q_EMIT linkStateChanged(lost);
}

void LinkRecovery::connectionLost()
{
    setLost(true);
}

void LinkRecovery::waitForLink(LinkBox* box)
{
    if (!m_waiting.contains(box))
        m_waiting.append(box);
    setLost(true);
}

void LinkRecovery::stop()
{
    for (const QPointer<LinkBox>& box : std::exchange(m_waiting, {}))
        if (box)
            box->recoveryFailed();
    setLost(false);
}

void LinkRecovery::Reconnect_Timer()
{
    m_timer->stop();
    // A relink waits for its answer; a loss noticed meanwhile must not start a second attempt inside it.
    if (!m_lost || m_attempting)
        return;
    m_attempting = true;
    const bool back = relinkWaiting();
    m_attempting = false;
    if (back)
        setLost(false);
    else
        retryLater();
}

// True once the server answers and every waiting box is linked again.
bool LinkRecovery::relinkWaiting()
{
    if (!LinkBackend::instance().reconnect(LongestPauseMs)) {
        startServer();
        return false;
    }
    // Boxes that lose their link or ask for one while these wait come in the next round.
    while (!m_waiting.isEmpty()) {
        QList<LinkBox*> boxes;
        for (const QPointer<LinkBox>& box : std::exchange(m_waiting, {}))
            if (box && box->LinkMode() != 0 && box->isStale())
                boxes.append(box);
        const QList<QPointer<LinkBox>> guards(boxes.cbegin(), boxes.cend());
        const QList<Status> linked = LinkBox::openAll(boxes);
        bool retry = false, noServer = false;
        for (qsizetype i = 0; i < linked.size(); ++i) {
            const QPointer<LinkBox>& box = guards[i];
            if (linked[i] || !box)
                continue;
            const int number = linked[i].error().number;
            if (number == ErrNo::NoForeignApplication || number == ErrNo::DdeTimeout) {
                if (!m_waiting.contains(box))
                    m_waiting.append(box);
                retry = true;
                noServer = noServer || number == ErrNo::NoForeignApplication;
            } else if (number != ErrNo::ElementNotFound) {
                // Linked anew meanwhile is someone else's business now; anything else the server refuses
                // for good.
                box->recoveryFailed();
            }
        }
        if (noServer)
            startServer();
        if (retry)
            return false;
    }
    return true;
}

void LinkRecovery::startServer()
{
    // A failure to start shows as the link staying lost; a message every few seconds would not help.
    m_serverStarted = CntrlDDE::Load_RSLinx().ok();
}

void LinkRecovery::retryLater()
{
    m_pauseMs = qMin(m_pauseMs * 2, LongestPauseMs);
    // A server just started is up in a moment; the pause goes on growing for the attempts after.
    m_timer->start(std::exchange(m_serverStarted, false) ? FirstPauseMs : m_pauseMs);
}
