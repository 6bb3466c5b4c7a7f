#include "net/fetcher.h"
#include "local_http_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nettest::httpAnswer;
using nettest::LocalHttpServer;

net::Location locationOf(const std::string& text) { return net::parseLocation(text).value(); }

// Drains until the request completes; the events seen along the way are kept.
struct Outcome {
    std::vector<net::FetchEvent> progress;
    std::optional<moviehost::Expected<net::FetchResponse, net::FetchError>> result;
};

Outcome waitFor(net::Fetcher& fetcher, net::RequestId id, std::chrono::milliseconds limit = 10s) {
    Outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        for (auto& event : fetcher.drain()) {
            EXPECT_EQ(event.id, id);
            if (event.result) {
                outcome.result = std::move(event.result);
                return outcome;
            }
            outcome.progress.push_back(std::move(event));
        }
        std::this_thread::sleep_for(5ms);
    }
    ADD_FAILURE() << "no result in time";
    return outcome;
}

net::FetchRequest get(const std::string& requester, const std::string& target) {
    net::FetchRequest request;
    request.requester = locationOf(requester);
    request.target = locationOf(target);
    return request;
}

class FetcherTest : public ::testing::Test {
protected:
    FetcherTest() {
        m_server.serve("/vars.txt", "a=1&b=two");
        m_server.serve("/movie.swf", "FWS");
        m_server.route("/echo", [](const nettest::HttpRequest& request, const LocalHttpServer::Send& send) {
            std::string seen = request.method + ":" + request.body;
            for (const char* name : {"Content-Type", "X-Ok", "Injected", "X-Empty", "Host", "User-Agent"}) {
                const bool present = std::any_of(request.headers.begin(), request.headers.end(),
                                                 [&](const auto& header) { return header.first == name; });
                seen += "|" + (present ? request.header(name) : std::string("-"));
            }
            send(httpAnswer(200, seen));
        });
        // /status?N answers with status N.
        m_server.route("/status", [](const nettest::HttpRequest& request, const LocalHttpServer::Send& send) {
            send(httpAnswer(std::stoi(request.path.substr(request.path.find('?') + 1)), "status body"));
        });
        // /chain?N redirects N times before it answers.
        m_server.route("/chain", [](const nettest::HttpRequest& request, const LocalHttpServer::Send& send) {
            const int left = std::stoi(request.path.substr(request.path.find('?') + 1));
            send(left == 0 ? httpAnswer(200, "end of chain")
                           : httpAnswer(302, "", "Location: /chain?" + std::to_string(left - 1) + "\r\n"));
        });
        nettest::routeHostile(m_server, m_endlessSent);
        // Each hop is quick enough on its own; together they are not.
        m_server.route("/slow-chain", [](const nettest::HttpRequest& request, const LocalHttpServer::Send& send) {
            std::this_thread::sleep_for(150ms);
            const int left = std::stoi(request.path.substr(request.path.find('?') + 1));
            send(left == 0 ? httpAnswer(200, "late")
                           : httpAnswer(302, "", "Location: /slow-chain?" + std::to_string(left - 1) + "\r\n"));
        });
        m_server.route("/hop", [](const nettest::HttpRequest&, const LocalHttpServer::Send& send) {
            send(httpAnswer(302, "", "Location: /vars.txt\r\n"));
        });
        m_server.route("/to-file", [](const nettest::HttpRequest&, const LocalHttpServer::Send& send) {
            send(httpAnswer(302, "", "Location: file:///etc/passwd\r\n"));
        });
        m_server.route("/to-other", [this](const nettest::HttpRequest&, const LocalHttpServer::Send& send) {
            send(httpAnswer(302, "", "Location: " + m_other.url("/data.txt") + "\r\n"));
        });
        m_other.serve("/data.txt", "other");
        m_trusting.serve("/data.txt", "trusted");
        m_trusting.serve("/crossdomain.xml",
                         "<cross-domain-policy><allow-access-from domain=\"127.0.0.1\"/></cross-domain-policy>");
        m_distrusting.serve("/data.txt", "kept");
        m_distrusting.serve("/crossdomain.xml",
                            "<cross-domain-policy><allow-access-from domain=\"*.example.com\"/>"
                            "</cross-domain-policy>");
    }

    net::Fetcher remoteFetcher(net::FetchLimits limits = {}) {
        return net::Fetcher(net::Sandbox::forRoot(locationOf(movie())), limits);
    }
    std::string movie() const { return m_server.url("/movie.swf"); }

    std::atomic<uint64_t> m_endlessSent{0};  // outlives the server's threads
    LocalHttpServer m_server;
    LocalHttpServer m_other;
    LocalHttpServer m_trusting;
    LocalHttpServer m_distrusting;
};

TEST_F(FetcherTest, FetchesFromItsOwnOrigin) {
    auto fetcher = remoteFetcher();
    auto outcome = waitFor(fetcher, fetcher.start(get(movie(), m_server.url("/hop"))));
    ASSERT_TRUE(outcome.result && *outcome.result) << outcome.result->error().reason;
    EXPECT_EQ((*outcome.result)->body, "a=1&b=two");
    EXPECT_EQ((*outcome.result)->httpStatus, 200);
    EXPECT_EQ((*outcome.result)->finalLocation.path, "/vars.txt");
}

TEST_F(FetcherTest, PostsBodyAndHeaders) {
    auto fetcher = remoteFetcher();
    auto request = get(movie(), m_server.url("/echo"));
    request.post = true;
    request.body = "x=1";
    // Broken names, reserved names (a movie may not pose as another host or
    // client) and line breaks are dropped; the rest goes out as given.
    request.headers = {{"X-Bad\r\nInjected", "v"}, {"X-Ok", "v"},          {"X-Empty", ""},
                       {"Host", "elsewhere"},      {"user-agent", "fake"}, {"X-Split", "a\r\nInjected: b"}};
    auto outcome = waitFor(fetcher, fetcher.start(request));
    ASSERT_TRUE(outcome.result && *outcome.result);
    EXPECT_EQ((*outcome.result)->body, "POST:x=1|application/x-www-form-urlencoded|v|-||127.0.0.1:" +
                                           std::to_string(m_server.port()) + "|moviehost");
}

// A posted form survives the redirects that keep the method (307, 308) and
// turns into a plain GET at the others.
TEST_F(FetcherTest, RedirectedPostsKeepOrDropTheirBody) {
    m_server.route("/moved", [](const nettest::HttpRequest& request, const LocalHttpServer::Send& send) {
        send(httpAnswer(std::stoi(request.path.substr(request.path.find('?') + 1)), "", "Location: /echo\r\n"));
    });
    auto fetcher = remoteFetcher();
    const struct {
        int status;
        std::string start;  // of the echo: method and body
    } cases[] = {{301, "GET:|-|"},
                 {302, "GET:|-|"},
                 {303, "GET:|-|"},
                 {307, "POST:x=1|application/"},
                 {308, "POST:x=1|application/"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        auto request = get(movie(), m_server.url("/moved?" + std::to_string(c.status)));
        request.post = true;
        request.body = "x=1";
        auto outcome = waitFor(fetcher, fetcher.start(request));
        ASSERT_TRUE(outcome.result && *outcome.result);
        EXPECT_EQ((*outcome.result)->body.substr(0, c.start.size()), c.start);
    }
}

// Statuses outside the error range reach the caller with their number (for
// onHTTPStatus); errors carry theirs; a chain of redirects up to the limit
// is followed, one more is refused with status 0, as no final answer came.
TEST_F(FetcherTest, StatusesAndRedirectChains) {
    net::FetchLimits limits;
    limits.maxRedirects = 3;
    auto fetcher = remoteFetcher(limits);
    const struct {
        std::string path;
        bool ok;
        int status;
        std::string body;
    } cases[] = {
        {"/status?203", true, 203, "status body"}, {"/status?299", true, 299, "status body"},
        {"/status?500", false, 500, ""},           {"/status?418", false, 418, ""},
        {"/chain?3", true, 200, "end of chain"},   {"/chain?4", false, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto outcome = waitFor(fetcher, fetcher.start(get(movie(), m_server.url(c.path))));
        ASSERT_TRUE(outcome.result);
        ASSERT_EQ(bool(*outcome.result), c.ok) << (c.ok ? outcome.result->error().reason : "");
        EXPECT_EQ(c.ok ? (*outcome.result)->httpStatus : outcome.result->error().httpStatus, c.status);
        if (c.ok) {
            EXPECT_EQ((*outcome.result)->body, c.body);
        }
    }
}

TEST_F(FetcherTest, FailuresAreBoundedAndNamed) {
    net::FetchLimits limits;
    limits.maxBytes = 64 << 10;
    limits.timeout = 400ms;
    limits.maxRedirects = 3;
    auto fetcher = remoteFetcher(limits);
    struct Case {
        std::string target;
        net::FetchError::Kind kind;
        const char* reasonPart;
        std::string requester = {};  // the remote movie when empty
    } cases[] = {
        {m_server.url("/missing"), net::FetchError::Kind::Http, "404"},
        {m_server.url("/endless"), net::FetchError::Kind::TooLarge, "limit"},
        {m_server.url("/declared"), net::FetchError::Kind::TooLarge, "limit"},
        {m_server.url("/slow"), net::FetchError::Kind::TimedOut, "in time"},
        {m_server.url("/slow-chain?3"), net::FetchError::Kind::TimedOut, "in time"},
        {m_server.url("/loop"), net::FetchError::Kind::Network, "too many redirects"},
        {m_server.url("/to-file"), net::FetchError::Kind::Refused, "local files"},
        {m_server.url("/to-other"), net::FetchError::Kind::Refused, "crossdomain.xml"},
        {m_other.url("/data.txt"), net::FetchError::Kind::Refused, "crossdomain.xml"},
        {"/etc/passwd", net::FetchError::Kind::Refused, "local files"},
        {"http://127.0.0.1:1/x", net::FetchError::Kind::Refused, "crossdomain.xml"},  // no server, no policy
        {m_distrusting.url("/data.txt"), net::FetchError::Kind::Refused, "does not allow"},
        {m_server.url("/vars.txt"), net::FetchError::Kind::Refused, "local movie", "/tmp/movie.swf"},
    };
    for (const auto& c : cases) {
        const auto started = std::chrono::steady_clock::now();
        auto outcome = waitFor(fetcher, fetcher.start(get(c.requester.empty() ? movie() : c.requester, c.target)));
        ASSERT_TRUE(outcome.result) << c.target;
        ASSERT_FALSE(*outcome.result) << c.target;
        EXPECT_EQ(outcome.result->error().kind, c.kind) << c.target << ": " << outcome.result->error().reason;
        EXPECT_NE(outcome.result->error().reason.find(c.reasonPart), std::string::npos)
            << c.target << ": " << outcome.result->error().reason;
        EXPECT_LT(std::chrono::steady_clock::now() - started, 3s) << c.target;
    }
}

TEST_F(FetcherTest, OtherOriginsNeedTheirPolicy) {
    auto fetcher = remoteFetcher();
    auto outcome = waitFor(fetcher, fetcher.start(get(movie(), m_trusting.url("/data.txt"))));
    ASSERT_TRUE(outcome.result && *outcome.result) << outcome.result->error().reason;
    EXPECT_EQ((*outcome.result)->body, "trusted");
}

TEST_F(FetcherTest, CancelledRequestsReportNothing) {
    auto fetcher = remoteFetcher();
    const auto slow = fetcher.start(get(movie(), m_server.url("/slow")));
    std::this_thread::sleep_for(100ms);
    fetcher.cancel(slow);
    const auto quick = fetcher.start(get(movie(), m_server.url("/vars.txt")));
    auto outcome = waitFor(fetcher, quick);
    ASSERT_TRUE(outcome.result && *outcome.result);
    for (int i = 0; i < 50 && !fetcher.idle(); ++i)
        std::this_thread::sleep_for(20ms);
    for (const auto& event : fetcher.drain())
        EXPECT_NE(event.id, slow);
}

TEST(Fetcher, ReadsLocalFilesWithProgress) {
    char pattern[] = "/tmp/moviehost-fetch-XXXXXX";
    const fs::path folder(::mkdtemp(pattern));
    const std::string content(300000, 'z');
    std::ofstream(folder / "big.bin", std::ios::binary) << content;
    std::ofstream(folder / "main.swf") << "FWS";
    const auto root = locationOf((folder / "main.swf").string());
    {
        net::Fetcher fetcher(net::Sandbox::forRoot(root));
        net::FetchRequest request;
        request.requester = root;
        request.target = locationOf((folder / "big.bin").string());
        auto outcome = waitFor(fetcher, fetcher.start(request));
        ASSERT_TRUE(outcome.result && *outcome.result);
        EXPECT_EQ((*outcome.result)->body, content);
        for (const auto& event : outcome.progress)
            EXPECT_EQ(event.total, content.size());

        net::FetchLimits small;
        small.maxBytes = 1000;
        net::Fetcher limited(net::Sandbox::forRoot(root), small);
        auto tooLarge = waitFor(limited, limited.start(request));
        ASSERT_TRUE(tooLarge.result && !*tooLarge.result);
        EXPECT_EQ(tooLarge.result->error().kind, net::FetchError::Kind::TooLarge);

        request.target = locationOf((folder / "none.bin").string());
        auto missing = waitFor(fetcher, fetcher.start(request));
        ASSERT_TRUE(missing.result && !*missing.result);
        EXPECT_EQ(missing.result->error().kind, net::FetchError::Kind::NotFound);
    }
    fs::remove_all(folder);
}

// A streamed body arrives in order in the progress events' chunks, before
// the transfer ends (the slow answer trickles for seconds), and only the
// final answer's body streams, not a redirect's.
TEST_F(FetcherTest, StreamedBodiesArriveInChunksAsTheyCome) {
    char pattern[] = "/tmp/moviehost-fetch-XXXXXX";
    const fs::path folder(::mkdtemp(pattern));
    std::string content;
    for (int i = 0; i < 200000; ++i)
        content += char('a' + i % 23);
    std::ofstream(folder / "big.bin", std::ios::binary) << content;
    std::ofstream(folder / "main.swf") << "FWS";
    const struct {
        std::string requester;
        std::string target;
        std::string body;
    } cases[] = {
        {(folder / "main.swf").string(), (folder / "big.bin").string(), content},
        {movie(), m_server.url("/slow"), std::string(100, 'y')},
        {movie(), m_server.url("/hop"), "a=1&b=two"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        net::Fetcher fetcher(net::Sandbox::forRoot(locationOf(c.requester)));
        net::FetchRequest request = get(c.requester, c.target);
        request.streamBody = true;
        const auto outcome = waitFor(fetcher, fetcher.start(request));
        ASSERT_TRUE(outcome.result && *outcome.result);
        EXPECT_EQ((*outcome.result)->body, c.body) << "the result still has it all";
        std::string joined;
        bool early = false;
        for (const auto& event : outcome.progress) {
            joined += event.chunk;
            early = early || (!event.chunk.empty() && joined.size() < c.body.size());
            EXPECT_EQ(event.loaded, joined.size());
        }
        EXPECT_EQ(joined, c.body);
        if (c.body.size() == 100) {
            EXPECT_TRUE(early) << "the trickle arrived before the end";
        }
    }
    fs::remove_all(folder);
}

TEST_F(FetcherTest, DestroyingWhileTransfersRunDoesNotWait) {
    const auto started = std::chrono::steady_clock::now();
    {
        auto fetcher = remoteFetcher();
        (void)fetcher.start(get(movie(), m_server.url("/slow")));
        (void)fetcher.start(get(movie(), m_server.url("/endless")));
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
}

}  // namespace

namespace {

// https is verified: only a certificate for this host from a trusted CA
// passes, and the control's default trusts only the system's CAs.
TEST(FetcherTls, VerifiesThePeer) {
    const std::string folder = nettest::tlsFolder();
    if (folder.empty())
        GTEST_SKIP() << "built without OpenSSL or the openssl program: no TLS test server";
    const struct {
        const char* identity;
        bool trustTestCa;
        bool ok;
    } cases[] = {
        {"server", true, true},
        {"server", false, false},  // the test CA is not a system CA
        {"self-signed", true, false},
        {"wrong-name", true, false},  // made for elsewhere.invalid, served as 127.0.0.1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.identity) + (c.trustTestCa ? " with the test CA" : " with the system CAs"));
        LocalHttpServer server({folder + "/" + c.identity + ".pem", folder + "/" + c.identity + ".key"});
        server.serve("/secret.txt", "secret");
        net::FetchLimits limits;
        limits.timeout = 5s;
        if (c.trustTestCa)
            limits.caFile = folder + "/ca.pem";
        const std::string movie = server.url("/movie.swf");
        net::Fetcher fetcher(net::Sandbox::forRoot(locationOf(movie)), limits);
        auto outcome = waitFor(fetcher, fetcher.start(get(movie, server.url("/secret.txt"))));
        ASSERT_TRUE(outcome.result);
        ASSERT_EQ(bool(*outcome.result), c.ok) << (c.ok ? outcome.result->error().reason : "");
        if (c.ok) {
            EXPECT_EQ((*outcome.result)->body, "secret");
        } else {
            EXPECT_EQ(outcome.result->error().kind, net::FetchError::Kind::Network);
            EXPECT_NE(outcome.result->error().reason.find("https://127.0.0.1"), std::string::npos)
                << outcome.result->error().reason;
        }
    }
}

}  // namespace
