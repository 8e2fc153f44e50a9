#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

// A way to the server that is closed (connections are refused, as by a computer whose server
// is not running) until opened: then each connection is passed on to the server's own port.
class ServerDoor
{
public:
    explicit ServerDoor(int serverPort) : m_serverPort(serverPort)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopback(0);
        socklen_t size = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~ServerDoor()
    {
        m_stop = true;
        if (m_accepting.joinable())
            m_accepting.join();
        ::close(m_listener);
    }
    int port() const { return m_port; }
    // `connection` (the test database's) through this door, with the role's password for its
    // port from PGPASSFILE.
    QString connection(const QString& connection)
    {
        QFile given(qEnvironmentVariable("PGPASSFILE"));
        QFile forDoor(m_passwords.filePath(QStringLiteral("pgpass")));
        if (!given.open(QIODevice::ReadOnly) || !forDoor.open(QIODevice::WriteOnly))
            qFatal("the password file cannot be copied");
        forDoor.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        for (const QByteArray& line : given.readAll().split('\n')) {
            QList<QByteArray> fields = line.split(':');
            if (fields.size() == 5)
                fields[1] = QByteArray::number(m_port);
            forDoor.write(fields.join(':') + '\n');
        }
        return connection + QStringLiteral(" host=127.0.0.1 port=%1 passfile='%2'").arg(m_port).arg(forDoor.fileName());
    }
    void open()
    {
        ::listen(m_listener, 4);
        m_accepting = std::thread([this] {
            std::vector<std::thread> passing;
            while (!m_stop) {
                pollfd waiting{m_listener, POLLIN, 0};
                if (::poll(&waiting, 1, 50) <= 0)
                    continue;
                const int client = ::accept(m_listener, nullptr, nullptr);
                const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                const sockaddr_in address = loopback(m_serverPort);
                if (client >= 0 &&
                    ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
                    passing.emplace_back([this, client, server] { pass(client, server); });
                } else {
                    ::close(client);
                    ::close(server);
                }
            }
            for (std::thread& t : passing)
                t.join();
        });
    }

private:
    static sockaddr_in loopback(int port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    void pass(int client, int server)
    {
        pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[16384];
        while (!m_stop) {
            if (::poll(ends, 2, 50) <= 0)
                continue;
            const int from = ends[0].revents ? 0 : 1;
            const ssize_t n = ::read(ends[from].fd, buffer, sizeof buffer);
            if (n <= 0 || ::write(ends[1 - from].fd, buffer, static_cast<size_t>(n)) != n)
                break;
        }
        ::close(client);
        ::close(server);
    }

    QTemporaryDir m_passwords;
    int m_serverPort;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_accepting;
};
