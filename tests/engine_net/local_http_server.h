// A tiny HTTP/1.0 server for tests, on 127.0.0.1 only and a free port. Each
// path maps to a handler that writes the whole answer to the socket.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nettest {

struct HttpRequest {
    std::string method;
    std::string path;  // with the query
    std::string body;
};

class LocalHttpServer {
public:
    // Writes bytes; false once the peer is gone or the server stops.
    using Send = std::function<bool(const std::string&)>;
    using Handler = std::function<void(const HttpRequest&, const Send&)>;

    LocalHttpServer();
    ~LocalHttpServer();

    void route(const std::string& path, Handler handler);
    // A plain 200 answer with this body.
    void serve(const std::string& path, const std::string& body);
    [[nodiscard]] int port() const { return m_port; }
    [[nodiscard]] std::string url(const std::string& path) const;
    [[nodiscard]] bool stopping() const { return m_stopping; }

private:
    void acceptLoop();
    void answer(int connection);

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::map<std::string, Handler> m_routes;
    std::thread m_acceptor;
    std::vector<std::thread> m_connections;
};

std::string httpAnswer(int status, const std::string& body, const std::string& extraHeaders = {});

}  // namespace nettest
