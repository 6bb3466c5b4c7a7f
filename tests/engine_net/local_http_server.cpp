#include "local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace nettest {

std::string httpAnswer(int status, const std::string& body, const std::string& extraHeaders) {
    return "HTTP/1.0 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           extraHeaders + "Connection: close\r\n\r\n" + body;
}

LocalHttpServer::LocalHttpServer() {
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0)
        throw std::runtime_error("the test server cannot listen on 127.0.0.1");
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

LocalHttpServer::~LocalHttpServer() {
    m_stopping = true;
    m_acceptor.join();
    for (auto& connection : m_connections)
        connection.join();
    ::close(m_listener);
}

void LocalHttpServer::route(const std::string& path, Handler handler) {
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(handler);
}

void LocalHttpServer::serve(const std::string& path, const std::string& body) {
    route(path, [body](const HttpRequest&, const Send& send) { send(httpAnswer(200, body)); });
}

std::string LocalHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void LocalHttpServer::acceptLoop() {
    while (!m_stopping) {
        pollfd poller{m_listener, POLLIN, 0};
        if (::poll(&poller, 1, 50) <= 0)
            continue;
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            continue;
        m_connections.emplace_back([this, connection] {
            answer(connection);
            ::close(connection);
        });
    }
}

void LocalHttpServer::answer(int connection) {
    std::string raw;
    char buffer[4096];
    size_t headerEnd = std::string::npos;
    size_t wanted = 0;
    while (!m_stopping) {
        pollfd poller{connection, POLLIN, 0};
        if (::poll(&poller, 1, 50) <= 0)
            continue;
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        raw.append(buffer, size_t(got));
        if (headerEnd == std::string::npos && (headerEnd = raw.find("\r\n\r\n")) != std::string::npos) {
            const size_t length = raw.find("Content-Length: ");
            wanted = length != std::string::npos && length < headerEnd ? std::stoul(raw.substr(length + 16)) : 0;
        }
        if (headerEnd != std::string::npos && raw.size() >= headerEnd + 4 + wanted)
            break;
    }
    if (m_stopping)
        return;
    HttpRequest request;
    const size_t space = raw.find(' ');
    request.method = raw.substr(0, space);
    request.path = raw.substr(space + 1, raw.find(' ', space + 1) - space - 1);
    request.body = raw.substr(headerEnd + 4, wanted);
    const std::string route = request.path.substr(0, request.path.find('?'));
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_routes.find(route); it != m_routes.end())
            handler = it->second;
    }
    const Send send = [this, connection](const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size() && !m_stopping) {
            const ssize_t n = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += size_t(n);
        }
        return !m_stopping;
    };
    if (handler)
        handler(request, send);
    else
        send(httpAnswer(404, "not here"));
}

}  // namespace nettest
