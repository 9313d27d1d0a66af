// Each portal call answers at once with a request object, and later with the
// request's Response signal (0: done, 1: the user cancelled, 2: refused). The
// signal is subscribed to before the call, at the path the portal will use,
// so an answer cannot come too early to be seen.
#include "record/portal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QTimer>
#include <QUuid>
#include <fcntl.h>

namespace orugif::record {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");

const QString kMissing = QStringLiteral(
    "L'enregistrement de l'écran sous Wayland passe par le portail du bureau : il faut xdg-desktop-portal avec "
    "l'interface de ce bureau qui partage l'écran (xdg-desktop-portal-gnome, -kde ou -wlr) et PipeWire. "
    "Installez-les, ou ouvrez une session X11.");

QString token()
{
    return QStringLiteral("orugif_") + QUuid::createUuid().toString(QUuid::Id128);
}

// Waits for one Response signal on the request path it is given.
class Answer : public QObject {
    Q_OBJECT
public:
    Answer(QDBusConnection bus, const QString& path) : bus_(bus), path_(path)
    {
        bus_.connect(kService, path_, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                     this, SLOT(respond(uint, QVariantMap)));
    }
    ~Answer() override
    {
        bus_.disconnect(kService, path_, QStringLiteral("org.freedesktop.portal.Request"),
                        QStringLiteral("Response"), this, SLOT(respond(uint, QVariantMap)));
    }
    // False when no answer came in time.
    bool wait(std::chrono::milliseconds limit)
    {
        if (answered_)
            return true;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop_, &QEventLoop::quit);
        timer.start(limit);
        // The desktop's chooser may stay up for minutes: the editor's own
        // windows take no clicks or keys meanwhile (no second recording
        // started from under this one), but keep drawing.
        loop_.exec(QEventLoop::ExcludeUserInputEvents);
        return answered_;
    }
    uint code = 2;
    QVariantMap results;

public slots:
    void respond(uint c, const QVariantMap& r)
    {
        code = c;
        results = r;
        answered_ = true;
        loop_.quit();
    }

private:
    QDBusConnection bus_;
    QString path_;
    QEventLoop loop_;
    bool answered_ = false;
};

QString requestPath(const QDBusConnection& bus, const QString& handle)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + handle;
}

// Calls `method` with `args` (its last argument the options, which get the
// handle token) and waits for its Response.
PortalScreenCast::Outcome call(const QString& method, QList<QVariant> args, std::chrono::milliseconds limit,
                               QVariantMap* results, QString* why)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString handle = token();
    QVariantMap options = args.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), handle);
    args.append(options);
    Answer answer(bus, requestPath(bus, handle));
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, method);
    message.setArguments(args);
    const QDBusMessage reply = bus.call(message, QDBus::Block, 30000);
    const auto fail = [why](const QString& text) {
        if (why)
            *why = text;
        return PortalScreenCast::Outcome::Failed;
    };
    if (reply.type() != QDBusMessage::ReplyMessage)
        return fail(QStringLiteral("Le portail du bureau a refusé le partage de l'écran (%1).").arg(reply.errorMessage()));
    // An older portal may choose another request path than the one announced.
    std::unique_ptr<Answer> moved;
    Answer* waiting = &answer;
    if (!reply.arguments().isEmpty()) {
        const QString path = qvariant_cast<QDBusObjectPath>(reply.arguments().constFirst()).path();
        if (!path.isEmpty() && path != requestPath(bus, handle)) {
            moved = std::make_unique<Answer>(bus, path);
            waiting = moved.get();
        }
    }
    if (!waiting->wait(limit))
        return fail(QStringLiteral("Le portail du bureau n'a pas répondu : le partage de l'écran n'a pas commencé."));
    if (waiting->code == 1)
        return PortalScreenCast::Outcome::Cancelled;
    if (waiting->code != 0)
        return fail(QStringLiteral("Le bureau a refusé le partage de l'écran."));
    if (results)
        *results = waiting->results;
    return PortalScreenCast::Outcome::Started;
}

QVariant property(const QString& name, QDBusMessage* error)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
    message.setArguments({kScreenCast, name});
    // The first read may start the portal's service: time for that, but not
    // so long that a broken portal holds up the editor's start.
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        *error = reply;
        return {};
    }
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}

} // namespace

PortalOffer probePortal()
{
    PortalOffer offer;
    if (!QDBusConnection::sessionBus().isConnected()) {
        offer.why = kMissing + QStringLiteral(" (Aucun bus D-Bus de session n'est joignable.)");
        return offer;
    }
    QDBusMessage error;
    const QVariant types = property(QStringLiteral("AvailableSourceTypes"), &error);
    if (!types.isValid()) {
        offer.why = kMissing;
        return offer;
    }
    offer.sourceTypes = types.toUInt();
    offer.cursorModes = property(QStringLiteral("AvailableCursorModes"), &error).toUInt();
    offer.version = property(QStringLiteral("version"), &error).toUInt();
    if (!(offer.sourceTypes & SourceMonitor)) {
        offer.why = QStringLiteral("Le portail du bureau ne partage pas l'écran entier : l'enregistrement de l'écran "
                                   "n'est pas possible dans cette session. ")
                    + kMissing;
        return offer;
    }
    offer.reachable = true;
    return offer;
}

PortalScreenCast::~PortalScreenCast()
{
    if (session_.isEmpty())
        return;
    QDBusMessage close = QDBusMessage::createMethodCall(kService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                                                        QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(close, QDBus::Block, 5000);
}

PortalScreenCast::Outcome PortalScreenCast::start(std::uint32_t source, std::uint32_t cursor, std::uint32_t version,
                                                  QString* why, std::chrono::seconds chooserLimit)
{
    using namespace std::chrono_literals;
    QVariantMap results;
    QVariantMap create{{QStringLiteral("session_handle_token"), token()}};
    Outcome o = call(QStringLiteral("CreateSession"), {create}, 30s, &results, why);
    if (o != Outcome::Started)
        return o;
    session_ = results.value(QStringLiteral("session_handle")).toString();
    if (session_.isEmpty()) {
        if (why)
            *why = QStringLiteral("Le portail du bureau n'a pas ouvert de session de partage de l'écran.");
        return Outcome::Failed;
    }
    const QDBusObjectPath session(session_);
    QVariantMap select{{QStringLiteral("types"), QVariant::fromValue(source)},
                       {QStringLiteral("multiple"), false}};
    if (cursor && version >= 2)
        select.insert(QStringLiteral("cursor_mode"), QVariant::fromValue(cursor));
    o = call(QStringLiteral("SelectSources"), {QVariant::fromValue(session), select}, 30s, nullptr, why);
    if (o != Outcome::Started)
        return o;
    o = call(QStringLiteral("Start"), {QVariant::fromValue(session), QString(), QVariantMap()}, chooserLimit,
             &results, why);
    if (o != Outcome::Started)
        return o;
    // streams: a(ua{sv}), the node of each stream with its size and place.
    const QDBusArgument streams = results.value(QStringLiteral("streams")).value<QDBusArgument>();
    bool found = false;
    streams.beginArray();
    while (!streams.atEnd()) {
        std::uint32_t node = 0;
        QVariantMap properties;
        streams.beginStructure();
        streams >> node >> properties;
        streams.endStructure();
        if (found)
            continue;
        found = true;
        stream_.node = node;
        const auto pair = [&](const char* key) -> std::pair<int, int> {
            const QVariant v = properties.value(QString::fromLatin1(key));
            if (!v.canConvert<QDBusArgument>())
                return {0, 0};
            const QDBusArgument a = v.value<QDBusArgument>();
            int x = 0, y = 0;
            a.beginStructure();
            a >> x >> y;
            a.endStructure();
            return {x, y};
        };
        const auto [w, h] = pair("size");
        stream_.size = QSize(w, h);
        const auto [x, y] = pair("position");
        stream_.position = QPoint(x, y);
    }
    streams.endArray();
    if (!found) {
        if (why)
            *why = QStringLiteral("Le bureau n'a partagé aucun écran.");
        return Outcome::Failed;
    }
    return Outcome::Started;
}

int PortalScreenCast::openPipeWireRemote(QString* why)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kScreenCast,
                                                          QStringLiteral("OpenPipeWireRemote"));
    message.setArguments({QVariant::fromValue(QDBusObjectPath(session_)), QVariantMap()});
    const QDBusReply<QDBusUnixFileDescriptor> reply = QDBusConnection::sessionBus().call(message, QDBus::Block, 30000);
    if (!reply.isValid() || !reply.value().isValid()) {
        if (why)
            *why = QStringLiteral("Le portail du bureau n'a pas donné accès à PipeWire (%1).")
                       .arg(reply.error().message());
        return -1;
    }
    // The descriptor received closes with the reply: keep a copy.
    const int fd = fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0 && why)
        *why = QStringLiteral("Le portail du bureau n'a pas donné accès à PipeWire.");
    return fd;
}

} // namespace orugif::record

#include "portal.moc"
