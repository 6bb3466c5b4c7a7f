// A tiny HTTP/1.0 server for tests, on 127.0.0.1 only and a free port, plain
// or over TLS. Each path maps to a handler that writes the whole answer to
// the socket.
#pragma once

#include <stdlib.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace nettest {

struct HttpRequest {
    std::string method;
    std::string path;  // with the query
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header of this name (any case), "" when absent.
    [[nodiscard]] std::string header(const std::string& name) const;
};

// A certificate chain and its key (PEM files); empty: plain HTTP.
struct TlsIdentity {
    std::string certificateFile;
    std::string keyFile;
};

class LocalHttpServer {
public:
    // Writes bytes; false once the peer is gone or the server stops.
    using Send = std::function<bool(const std::string&)>;
    using Handler = std::function<void(const HttpRequest&, const Send&)>;

    // Throws when it cannot listen, or when TLS is asked for and the
    // identity does not load (or the tests were built without TLS).
    explicit LocalHttpServer(TlsIdentity tls = {});
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    void route(const std::string& path, Handler handler);
    // A plain 200 answer with this body.
    void serve(const std::string& path, const std::string& body);
    [[nodiscard]] int port() const { return m_port; }
    [[nodiscard]] std::string url(const std::string& path) const;
    [[nodiscard]] bool stopping() const { return m_stopping; }

private:
    struct Connection;
    void acceptLoop();
    void answer(Connection& connection);

    int m_listener = -1;
    int m_port = 0;
    void* m_tls = nullptr;  // SSL_CTX when serving https
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::map<std::string, Handler> m_routes;
    std::thread m_acceptor;
    std::vector<std::thread> m_connections;
};

std::string httpAnswer(int status, const std::string& body, const std::string& extraHeaders = {});

// Answers that only the fetch limits stop: /endless sends bytes without
// end and says no length, /declared says 100 MiB, /slow sends 100 bytes
// "y", one every 20 ms, /loop redirects to itself, /circle-a and /circle-b
// to each other. `endlessSent` counts the bytes /endless got out before the
// reader hung up, so that a test sees the reader stopped reading.
void routeHostile(LocalHttpServer& server, std::atomic<uint64_t>& endlessSent);

// Whether the test server can speak TLS and where the test certificates are
// ("" when either is missing: the TLS tests skip).
[[nodiscard]] std::string tlsFolder();

// Narrows the fetch limits through the environment while it lives: 1000
// bytes and 400 ms, so tests reach both without large or slow files.
struct NarrowedFetchLimits {
    NarrowedFetchLimits() {
        ::setenv("MOVIEHOST_FETCH_MAX_BYTES", "1000", 1);
        ::setenv("MOVIEHOST_FETCH_TIMEOUT_MS", "400", 1);
    }
    ~NarrowedFetchLimits() {
        ::unsetenv("MOVIEHOST_FETCH_MAX_BYTES");
        ::unsetenv("MOVIEHOST_FETCH_TIMEOUT_MS");
    }
    NarrowedFetchLimits(const NarrowedFetchLimits&) = delete;
    NarrowedFetchLimits& operator=(const NarrowedFetchLimits&) = delete;
};

}  // namespace nettest
