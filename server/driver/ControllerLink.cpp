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

} // namespace

ControllerLink::ControllerLink(const Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_socket(new QTcpSocket(this))
{
    m_replyTimer.setSingleShot(true);
    m_retryTimer.setSingleShot(true);
    connect(&m_replyTimer, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no reply within %1 ms").arg(m_settings.timeoutMs)); });
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
    close();
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
    m_queue.emplace_back(cip, std::move(done));
    // A poke may be the first the topic hears of.
    open();
    sendNext();
}

void ControllerLink::sendNext()
{
    if (m_state != State::Ready || m_inFlight || m_queue.empty())
        return;
    auto [cip, done] = std::move(m_queue.front());
    m_queue.pop_front();
    m_inFlight = std::move(done);
    if (m_connected)
        transmit(Encapsulation::SendUnitData, Encapsulation::connectedItems(m_otId, ++m_sequence, cip));
    else
        transmit(Encapsulation::SendRRData, Encapsulation::unconnectedItems(cip));
}

void ControllerLink::transmit(quint16 command, const QByteArray& data)
{
    m_replyTimer.start(m_settings.timeoutMs);
    m_socket->write(Encapsulation::encode(command, m_session, data));
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
    case State::Ready: {
        Result<QByteArray> cip = RunError::of(ErrNo::InvalidCall, QString());
        if (m_connected && packet->command == Encapsulation::SendUnitData) {
            const Result<Encapsulation::Connected> c = Encapsulation::connectedReply(packet->data);
            if (c && c->connectionId != m_params.toConnectionId)
                return fail(
                    Encapsulation::malformed(QStringLiteral("reply on another connection")).description);
            cip = c ? Result<QByteArray>(c->cip) : Result<QByteArray>(c.error());
        } else if (!m_connected && packet->command == Encapsulation::SendRRData) {
            cip = Encapsulation::unconnectedReply(packet->data);
        } else {
            return fail(Encapsulation::malformed(QStringLiteral("command 0x%1").arg(packet->command, 0, 16))
                            .description);
        }
        if (!cip || !m_inFlight)
            return fail(cip ? QStringLiteral("malformed reply: a reply nobody asked for")
                            : cip.error().description);
        Done done = std::move(m_inFlight);
        m_inFlight = nullptr;
        done(cip);
        sendNext();
        return;
    }
    default:
        return fail(QStringLiteral("malformed reply: data before the session"));
    }
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
    m_failure.clear();
    m_retryMs = 1000;
    Q_EMIT up();
    sendNext();
}

void ControllerLink::fail(const QString& why)
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    m_replyTimer.stop();
    m_socket->abort();
    m_buffer.clear();
    m_failure = QStringLiteral("%1:%2: %3").arg(m_settings.host).arg(m_settings.port).arg(why);
    qWarning("CommServer: %s", qPrintable(m_failure));
    // Callers learn of the failure before the link tries again.
    std::deque<std::pair<QByteArray, Done>> waiting;
    waiting.swap(m_queue);
    if (Done done = std::move(m_inFlight)) {
        m_inFlight = nullptr;
        done(RunError::of(ErrNo::DdeTimeout, m_failure));
    }
    for (auto& [cip, done] : waiting)
        done(RunError::of(ErrNo::DdeTimeout, m_failure));
    m_retryTimer.start(m_retryMs);
    m_retryMs = qMin(m_retryMs * 2, MaxRetryMs);
    Q_EMIT down(m_failure);
}

void ControllerLink::close()
{
    if (m_state == State::Ready && m_connected)
        transmit(Encapsulation::SendRRData, Encapsulation::unconnectedItems(Cip::forwardClose(m_params)));
    if (m_state != State::Closed && m_session != 0) {
        m_socket->write(Encapsulation::encode(Encapsulation::UnregisterSession, m_session, {}));
        m_socket->flush();
    }
    m_state = State::Closed;
    m_socket->disconnect(this);
    m_socket->abort();
}
