#pragma once

#include <QtGlobal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A loopback port that refuses every peer, held for the life of the object so that
// no other process (nor a test running beside this one) can take it:
// - TCP: bound but never listening, so a connection is answered with a reset
//   (connection refused);
// - UDP: connected to another port, so a datagram from anyone else is answered
//   with "port unreachable".
// The system chooses the port; nothing is bound and closed to pick a number.
class RefusingPort {
public:
    enum class Protocol { Tcp, Udp };

    explicit RefusingPort(Protocol protocol = Protocol::Tcp)
        : m_fd(::socket(AF_INET, protocol == Protocol::Tcp ? SOCK_STREAM : SOCK_DGRAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return;
        }
        socklen_t length = sizeof address;
        if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        m_port = ntohs(address.sin_port);
        if (protocol == Protocol::Udp) {
            sockaddr_in elsewhere = address;
            elsewhere.sin_port = htons(9); // the discard port: nothing is ever sent there
            if (::connect(m_fd, reinterpret_cast<sockaddr*>(&elsewhere), sizeof elsewhere) != 0) {
                m_port = 0;
            }
        }
    }
    ~RefusingPort() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    // 0 when the port could not be set up.
    quint16 port() const { return m_port; }

private:
    int m_fd;
    quint16 m_port = 0;
};
