#include "archive/hostlookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// What the lookup's thread leaves for the caller, who may have stopped waiting.
struct Lookup
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    QStringList found;
    QString error;
};

QStringList textsOf(const addrinfo *list)
{
    QStringList texts;
    for (const addrinfo *a = list; a; a = a->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void *address
                = a->ai_family == AF_INET
                          ? static_cast<const void *>(
                                  &reinterpret_cast<const sockaddr_in *>(a->ai_addr)->sin_addr)
                          : &reinterpret_cast<const sockaddr_in6 *>(a->ai_addr)->sin6_addr;
        if ((a->ai_family == AF_INET || a->ai_family == AF_INET6)
            && inet_ntop(a->ai_family, address, text, sizeof text))
            texts.append(QString::fromLatin1(text));
    }
    texts.removeDuplicates();
    return texts;
}

void lookUp(const std::shared_ptr<Lookup> &lookup, const QByteArray &name)
{
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *list = nullptr;
    const int result = getaddrinfo(name.constData(), nullptr, &hints, &list);
    const std::lock_guard lock(lookup->mutex);
    if (result == 0) {
        lookup->found = textsOf(list);
        freeaddrinfo(list);
    } else {
        lookup->error = QString::fromLocal8Bit(gai_strerror(result));
    }
    lookup->done = true;
    lookup->finished.notify_all();
}

} // namespace

std::optional<QStringList> HostLookup::addresses(const QString &name, int timeoutMs, QString *why)
{
    auto lookup = std::make_shared<Lookup>();
    std::thread(lookUp, lookup, name.toUtf8()).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->finished.wait_for(
                lock, std::chrono::milliseconds(timeoutMs), [&] { return lookup->done; })) {
        *why = QStringLiteral("the name %1 was not found within %2 s")
                       .arg(name)
                       .arg(timeoutMs / 1000);
        return std::nullopt;
    }
    if (lookup->found.isEmpty()) {
        *why = QStringLiteral("the name %1 was not found: %2").arg(name, lookup->error);
        return std::nullopt;
    }
    return lookup->found;
}

QString HostLookup::driverHint()
{
    return QStringLiteral(" (Debian: libqt6sql6-psql)");
}
