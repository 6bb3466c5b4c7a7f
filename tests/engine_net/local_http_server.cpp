#include "local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#ifdef NETTEST_TLS
#include <openssl/err.h>
#include <openssl/ssl.h>
#endif

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <stdexcept>

namespace nettest {

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string HttpRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (sameName(key, name))
            return value;
    return {};
}

std::string httpAnswer(int status, const std::string& body, const std::string& extraHeaders) {
    return "HTTP/1.0 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           extraHeaders + "Connection: close\r\n\r\n" + body;
}

void routeHostile(LocalHttpServer& server, std::atomic<uint64_t>& endlessSent) {
    server.route("/endless", [&endlessSent](const HttpRequest&, const LocalHttpServer::Send& send) {
        if (!send("HTTP/1.0 200 OK\r\n\r\n"))
            return;
        const std::string piece(size_t(64) << 10, 'x');
        // Far past any limit: a reader that kept reading is caught by the count.
        while (endlessSent < (uint64_t(256) << 20) && send(piece))
            endlessSent += piece.size();
    });
    server.route("/declared", [](const HttpRequest&, const LocalHttpServer::Send& send) {
        if (send("HTTP/1.0 200 OK\r\nContent-Length: 104857600\r\n\r\n"))
            for (int i = 0; i < 100 && send(std::string(1000, 'x')); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    server.route("/slow", [](const HttpRequest&, const LocalHttpServer::Send& send) {
        if (!send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n"))
            return;
        for (int i = 0; i < 100 && send("y"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    const auto redirect = [](const std::string& to) {
        return [to](const HttpRequest&, const LocalHttpServer::Send& send) {
            send(httpAnswer(302, "", "Location: " + to + "\r\n"));
        };
    };
    server.route("/loop", redirect("/loop"));
    server.route("/circle-a", redirect("/circle-b"));
    server.route("/circle-b", redirect("/circle-a"));
}

std::string tlsFolder() {
#if defined(NETTEST_TLS) && defined(NETTEST_TLS_DIR)
    return NETTEST_TLS_DIR;
#else
    return {};
#endif
}

// One accepted socket, plain or TLS. Reads wait at most a short while so
// that a stopping server is noticed.
struct LocalHttpServer::Connection {
    int fd = -1;
    const std::atomic<bool>* stopping = nullptr;
#ifdef NETTEST_TLS
    SSL* ssl = nullptr;
#endif

    ~Connection() {
#ifdef NETTEST_TLS
        if (ssl != nullptr) {
            SSL_shutdown(ssl);
            SSL_free(ssl);
        }
#endif
        ::close(fd);
    }

    // > 0 bytes read, 0 when the peer is gone, < 0 when nothing came yet.
    long read(char* buffer, size_t size) {
#ifdef NETTEST_TLS
        if (ssl != nullptr) {
            const int got = SSL_read(ssl, buffer, int(size));
            if (got > 0)
                return got;
            const int error = SSL_get_error(ssl, got);
            ERR_clear_error();
            return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? -1 : 0;
        }
#endif
        pollfd poller{fd, POLLIN, 0};
        if (::poll(&poller, 1, 50) <= 0)
            return -1;
        const ssize_t got = ::recv(fd, buffer, size, 0);
        return got > 0 ? long(got) : 0;
    }

    bool write(const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size() && !*stopping) {
#ifdef NETTEST_TLS
            if (ssl != nullptr) {
                const int n = SSL_write(ssl, bytes.data() + sent, int(bytes.size() - sent));
                if (n > 0) {
                    sent += size_t(n);
                    continue;
                }
                const int error = SSL_get_error(ssl, n);
                ERR_clear_error();
                if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
                    continue;
                return false;
            }
#endif
            const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += size_t(n);
        }
        return !*stopping;
    }
};

LocalHttpServer::LocalHttpServer(TlsIdentity tls) {
    if (!tls.certificateFile.empty()) {
#ifdef NETTEST_TLS
        // OpenSSL writes with write(), which raises SIGPIPE when a client
        // hangs up (as one that refuses our certificate does).
        std::signal(SIGPIPE, SIG_IGN);
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        if (context == nullptr || SSL_CTX_use_certificate_chain_file(context, tls.certificateFile.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(context, tls.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
            SSL_CTX_free(context);
            throw std::runtime_error("the test server cannot load " + tls.certificateFile);
        }
        m_tls = context;
#else
        throw std::runtime_error("the tests were built without OpenSSL");
#endif
    }
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0) {
        if (m_listener >= 0)
            ::close(m_listener);
#ifdef NETTEST_TLS
        SSL_CTX_free(static_cast<SSL_CTX*>(m_tls));
#endif
        throw std::runtime_error("the test server cannot listen on 127.0.0.1");
    }
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
#ifdef NETTEST_TLS
    SSL_CTX_free(static_cast<SSL_CTX*>(m_tls));
#endif
}

void LocalHttpServer::route(const std::string& path, Handler handler) {
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(handler);
}

void LocalHttpServer::serve(const std::string& path, const std::string& body) {
    route(path, [body](const HttpRequest&, const Send& send) { send(httpAnswer(200, body)); });
}

std::string LocalHttpServer::url(const std::string& path) const {
    return std::string(m_tls != nullptr ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) + path;
}

void LocalHttpServer::acceptLoop() {
    while (!m_stopping) {
        pollfd poller{m_listener, POLLIN, 0};
        if (::poll(&poller, 1, 50) <= 0)
            continue;
        const int fd = ::accept(m_listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        m_connections.emplace_back([this, fd] {
            Connection connection;
            connection.fd = fd;
            connection.stopping = &m_stopping;
#ifdef NETTEST_TLS
            if (m_tls != nullptr) {
                // Blocking with short timeouts, so the handshake and reads notice a stop.
                const timeval wait{0, 50000};
                ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
                connection.ssl = SSL_new(static_cast<SSL_CTX*>(m_tls));
                SSL_set_fd(connection.ssl, fd);
                for (;;) {
                    const int accepted = SSL_accept(connection.ssl);
                    if (accepted == 1)
                        break;
                    const int error = SSL_get_error(connection.ssl, accepted);
                    ERR_clear_error();
                    // A client that refuses our certificate ends here.
                    if (m_stopping || (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)) {
                        SSL_free(connection.ssl);
                        connection.ssl = nullptr;
                        return;
                    }
                }
            }
#endif
            answer(connection);
        });
    }
}

void LocalHttpServer::answer(Connection& connection) {
    std::string raw;
    char buffer[4096];
    size_t headerEnd = std::string::npos;
    size_t wanted = 0;
    while (!m_stopping) {
        const long got = connection.read(buffer, sizeof buffer);
        if (got == 0)
            return;
        if (got < 0)
            continue;
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
    const size_t lineEnd = raw.find("\r\n");
    const size_t space = raw.find(' ');
    request.method = raw.substr(0, space);
    request.path = raw.substr(space + 1, raw.find(' ', space + 1) - space - 1);
    for (size_t at = lineEnd + 2; at < headerEnd;) {
        const size_t end = raw.find("\r\n", at);
        const std::string line = raw.substr(at, end - at);
        const size_t colon = line.find(':');
        const size_t value = line.find_first_not_of(' ', colon + 1);
        if (colon != std::string::npos)
            request.headers.emplace_back(line.substr(0, colon),
                                         value == std::string::npos ? std::string() : line.substr(value));
        at = end + 2;
    }
    request.body = raw.substr(headerEnd + 4, wanted);
    const std::string route = request.path.substr(0, request.path.find('?'));
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_routes.find(route); it != m_routes.end())
            handler = it->second;
    }
    const Send send = [&connection](const std::string& bytes) { return connection.write(bytes); };
    if (handler)
        handler(request, send);
    else
        send(httpAnswer(404, "not here"));
}

}  // namespace nettest
