#include "ControllerLink.h"

#include "Encapsulation.h"

#include <QRandomGenerator>
#include <QTcpSocket>

namespace {

// Who opens the connections. A test simulator takes PCCC requests only from this requester, and a
// controller takes any, so one identity serves both.
constexpr quint16 OriginatorVendor = 0xF33D;
constexpr quint32 OriginatorSerial = 0x21504345;
constexpr int LargeSize = 4002;
constexpr int SmallSize = 504;
// Well within the silence a controller allows, with room for a round trip.
constexpr int KeepAliveMs = Cip::SilenceTimeoutMs / 4;

// The identity's vendor: every device answers it, and any answer keeps the connection alive.
QByteArray keepAliveRequest()
{
    return Cip::request(Cip::GetAttributeSingle, Cip::classInstance(0x01, 0x01) + QByteArray::fromHex("3001"));
}

} // namespace

ControllerLink::ControllerLink(const Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_socket(new QTcpSocket(this)),
      m_replyTimer([this] { fail(QStringLiteral("no reply within %1 ms").arg(m_settings.timeoutMs)); }),
      m_idleTimer([this] { keepAlive(); }), m_idleMs(KeepAliveMs)
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &ControllerLink::open);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_state = State::Registering;
        m_replyTimer.start(m_settings.timeoutMs);
        m_socket->write(Encapsulation::registerSession());
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &ControllerLink::receive);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { fail(m_socket->errorString()); });
    m_params.vendor = OriginatorVendor;
    m_params.originatorSerial = OriginatorSerial;
    m_params.route = settings.route;
}

ControllerLink::~ControllerLink()
{
    m_socket->disconnect(this);
    close();
}

void ControllerLink::setPauses(int firstRetryMs, int idleMs)
{
    m_firstRetryMs = m_retryMs = firstRetryMs;
    m_idleMs = idleMs;
}

void ControllerLink::open()
{
    if (m_state != State::Closed || m_retryTimer.isActive())
        return;
    m_state = State::Connecting;
    m_buffer.clear();
    m_replyTimer.start(m_settings.timeoutMs);
    m_socket->connectToHost(m_settings.host, m_settings.port);
}

void ControllerLink::send(const QByteArray& cip, Done done)
{
    if (!m_failure.isEmpty() && m_state != State::Ready) {
        done(RunError::of(ErrNo::DdeTimeout, m_failure));
        return;
    }
    m_queue.push_back({cip, std::move(done), QDeadlineTimer(QDeadlineTimer::Forever)});
    // A poke may be the first the topic hears of.
    open();
    sendNext();
}

void ControllerLink::sendUrgent(const QByteArray& cip, Done done, QDeadlineTimer deadline)
{
    if (!m_failure.isEmpty() && m_state != State::Ready) {
        done(RunError::of(ErrNo::DdeTimeout, m_failure));
        return;
    }
    m_urgent.push_back({cip, std::move(done), deadline});
    open();
    sendNext();
}

void ControllerLink::sendNext()
{
    while (m_state == State::Ready && !m_inFlight) {
        std::deque<Request>& from = m_urgent.empty() ? m_queue : m_urgent;
        if (from.empty())
            return;
        Request r = std::move(from.front());
        from.pop_front();
        // One the controller could not answer in time, going by the last round trip, is not sent either.
        if (!r.deadline.isForever() && r.deadline.remainingTime() <= m_roundTripMs) {
            r.done(RunError::of(ErrNo::DdeTimeout, QStringLiteral("not sent within its time-out")));
            continue;
        }
        m_inFlight = std::move(r.done);
        if (m_connected)
            transmit(Encapsulation::SendUnitData, Encapsulation::connectedItems(m_otId, ++m_sequence, r.cip));
        else
            transmit(Encapsulation::SendRRData, Encapsulation::unconnectedItems(r.cip));
    }
}

void ControllerLink::transmit(quint16 command, const QByteArray& data)
{
    m_replyTimer.start(m_settings.timeoutMs);
    m_sentAt.start();
    if (m_state == State::Ready)
        m_idleTimer.start(m_idleMs);
    m_socket->write(Encapsulation::encode(command, m_session, data));
    // At once, not on the next turn of the event loop.
    m_socket->flush();
}

void ControllerLink::receive()
{
    m_buffer.append(m_socket->readAll());
    // The handlers may fail the link, which empties the buffer.
    while (m_state != State::Closed) {
        const qsizetype size = Encapsulation::packetSize(m_buffer);
        if (size == 0)
            return;
        const QByteArray packet = m_buffer.left(size);
        m_buffer.remove(0, size);
        handle(packet);
    }
}

void ControllerLink::handle(const QByteArray& bytes)
{
    const Result<Encapsulation::Packet> packet = Encapsulation::decode(bytes);
    if (!packet)
        return fail(packet.error().description);
    if (packet->status != 0)
        return fail(Encapsulation::statusText(packet->status));
    if (m_state != State::Registering && packet->session != m_session)
        return fail(Encapsulation::malformed(QStringLiteral("reply for session 0x%1, not 0x%2")
                                                 .arg(packet->session, 0, 16)
                                                 .arg(m_session, 0, 16))
                        .description);
    m_replyTimer.stop();
    switch (m_state) {
    case State::Registering: {
        const Result<quint32> session = Encapsulation::sessionOf(*packet);
        if (!session)
            return fail(session.error().description);
        m_session = *session;
        m_state = State::Opening;
        m_params.large = true;
        m_params.size = LargeSize;
        m_params.serial = static_cast<quint16>(QRandomGenerator::global()->generate());
        m_params.toConnectionId = QRandomGenerator::global()->generate();
        transmit(Encapsulation::SendRRData, Encapsulation::unconnectedItems(Cip::forwardOpen(m_params)));
        return;
    }
    case State::Opening:
        if (packet->command != Encapsulation::SendRRData)
            return fail(Encapsulation::malformed(
                            QStringLiteral("command 0x%1 while opening").arg(packet->command, 0, 16))
                            .description);
        return opened(Encapsulation::unconnectedReply(packet->data));
    case State::Ready:
        if (packet->command != (m_connected ? Encapsulation::SendUnitData : Encapsulation::SendRRData))
            return fail(Encapsulation::malformed(QStringLiteral("command 0x%1").arg(packet->command, 0, 16))
                            .description);
        return answer(packet->data);
    default:
        return fail(QStringLiteral("malformed reply: data before the session"));
    }
}

void ControllerLink::answer(const QByteArray& data)
{
    Result<QByteArray> cip = RunError::of(ErrNo::InvalidCall, QString());
    if (m_connected) {
        const Result<Encapsulation::Connected> c = Encapsulation::connectedReply(data);
        if (!c)
            return fail(c.error().description);
        // Some gateways answer with the id the requests carry rather than their own.
        if (c->connectionId != m_params.toConnectionId && c->connectionId != m_otId)
            return fail(Encapsulation::malformed(QStringLiteral("reply on another connection")).description);
        if (!answersRequest(c->sequence))
            return fail(Encapsulation::malformed(QStringLiteral("sequence count %1 answers request %2")
                                                     .arg(c->sequence)
                                                     .arg(m_sequence))
                            .description);
        cip = c->cip;
    } else {
        cip = Encapsulation::unconnectedReply(data);
    }
    if (!cip || !m_inFlight)
        return fail(cip ? QStringLiteral("malformed reply: a reply nobody asked for") : cip.error().description);
    if (const QString lost = Cip::connectionFailure(*cip); !lost.isEmpty())
        return fail(lost);
    m_roundTripMs = m_sentAt.elapsed();
    Done done = std::move(m_inFlight);
    m_inFlight = nullptr;
    // The next request leaves before this reply is worked on: the controller works on it meanwhile.
    sendNext();
    done(cip);
}

// Controllers answer with the request's count; a peer that does not count answers with one fixed value.
bool ControllerLink::answersRequest(quint16 sequence)
{
    if (!m_countSeen) {
        m_countSeen = true;
        m_fixedCount = sequence == m_sequence ? -1 : sequence;
    }
    return sequence == (m_fixedCount < 0 ? m_sequence : m_fixedCount);
}

void ControllerLink::opened(const Result<QByteArray>& cip)
{
    if (!cip)
        return fail(cip.error().description);
    const quint8 service = m_params.large ? Cip::LargeForwardOpen : Cip::ForwardOpen;
    const Result<Cip::Reply> reply = Cip::parseReply(*cip, service);
    if (!reply)
        return fail(reply.error().description);
    const Result<Cip::Opened> o = Cip::openedFrom(*reply);
    if (o) {
        m_connected = true;
        m_otId = o->otConnectionId;
        m_size = m_params.size;
    } else if (reply->ok()) {
        return fail(o.error().description);
    } else if (m_params.large) {
        // Older controllers know only the small form.
        m_params.large = false;
        m_params.size = SmallSize;
        transmit(Encapsulation::SendRRData, Encapsulation::unconnectedItems(Cip::forwardOpen(m_params)));
        return;
    } else {
        // No connection to be had: unconnected messages still reach a processor the session talks to.
        m_connected = false;
        m_size = SmallSize;
    }
    m_state = State::Ready;
    m_sequence = 0;
    m_countSeen = false;
    m_failure.clear();
    m_upSince.start();
    m_idleTimer.start(m_idleMs);
    Q_EMIT up();
    sendNext();
}

void ControllerLink::keepAlive()
{
    if (m_state != State::Ready)
        return;
    Q_EMIT idle();
    if (m_state == State::Ready && isIdle())
        sendUrgent(keepAliveRequest(), [](const Result<QByteArray>&) {});
    else if (m_state == State::Ready)
        m_idleTimer.start(m_idleMs);
}

void ControllerLink::fail(const QString& why)
{
    if (m_state == State::Closed)
        return;
    // Pauses grow while connections fail soon after they open.
    if (m_state == State::Ready && m_upSince.elapsed() >= StableMs)
        m_retryMs = m_firstRetryMs;
    shut();
    m_failure = QStringLiteral("%1:%2: %3").arg(m_settings.host).arg(m_settings.port).arg(why);
    qWarning("CommServer: %s", qPrintable(m_failure));
    // Before the callers hear of it: one that asks again must not open the link at once.
    m_retryTimer.start(m_retryMs);
    m_retryMs = qMin(m_retryMs * 2, MaxRetryMs);
    // Callers learn of the failure before the link tries again.
    std::deque<Request> waiting;
    waiting.swap(m_urgent);
    for (Request& r : m_queue)
        waiting.push_back(std::move(r));
    m_queue.clear();
    if (Done done = std::move(m_inFlight)) {
        m_inFlight = nullptr;
        done(RunError::of(ErrNo::DdeTimeout, m_failure));
    }
    for (Request& r : waiting)
        r.done(RunError::of(ErrNo::DdeTimeout, m_failure));
    Q_EMIT down(m_failure);
}

void ControllerLink::close()
{
    if (m_state == State::Ready && m_connected)
        m_socket->write(Encapsulation::encode(Encapsulation::SendRRData, m_session,
                                              Encapsulation::unconnectedItems(Cip::forwardClose(m_params))));
    if (m_state != State::Closed && m_state != State::Connecting && m_session != 0)
        m_socket->write(Encapsulation::encode(Encapsulation::UnregisterSession, m_session, {}));
    m_socket->flush();
    m_retryTimer.stop();
    shut();
}

void ControllerLink::shut()
{
    m_state = State::Closed;
    m_replyTimer.stop();
    m_idleTimer.stop();
    m_session = 0;
    m_socket->abort();
    m_buffer.clear();
}
