// The sandbox's refusals, each with the reason a script will see.
#include "net/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class SandboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/moviehost-sandbox-XXXXXX";
        m_top = fs::path(::mkdtemp(pattern));
        fs::create_directories(m_top / "root/sub");
        fs::create_directories(m_top / "outside");
        for (const char* file : {"root/main.swf", "root/sub/a.txt", "outside/secret.txt"})
            std::ofstream(m_top / file) << "x";
        fs::create_symlink(m_top / "outside/secret.txt", m_top / "root/link.txt");
        fs::create_symlink(m_top / "outside", m_top / "root/door");
        fs::create_symlink(m_top / "root/sub/a.txt", m_top / "root/inner.txt");
    }
    void TearDown() override { fs::remove_all(m_top); }

    net::Location at(const std::string& relative) const {
        return net::parseLocation((m_top / relative).string()).value();
    }

    fs::path m_top;
};

TEST_F(SandboxTest, LocalMovieReadsItsTreeOnly) {
    const auto root = at("root/main.swf");
    const auto sandbox = net::Sandbox::forRoot(root);
    struct Case {
        std::string target;
        net::Decision::Kind kind;
        const char* reasonPart;
    } cases[] = {
        {"root/sub/a.txt", net::Decision::Kind::Allowed, ""},
        {"root/inner.txt", net::Decision::Kind::Allowed, ""},  // a link that stays inside
        {"root/../outside/secret.txt", net::Decision::Kind::Refused, "outside the readable folder"},
        {"root/link.txt", net::Decision::Kind::Refused, "through a link"},
        {"root/door/secret.txt", net::Decision::Kind::Refused, "through a link"},
        {"root/none.txt", net::Decision::Kind::Missing, "does not exist"},
    };
    for (const auto& c : cases) {
        const auto decision = sandbox.check(root, at(c.target));
        EXPECT_EQ(decision.kind, c.kind) << c.target;
        EXPECT_NE(decision.reason.find(c.reasonPart), std::string::npos) << c.target << ": " << decision.reason;
    }
    const auto network = sandbox.check(root, net::parseLocation("http://127.0.0.1/x").value());
    EXPECT_EQ(network.kind, net::Decision::Kind::Refused);
    EXPECT_NE(network.reason.find("network"), std::string::npos);
}

TEST_F(SandboxTest, FileRootWidensAndNarrows) {
    const auto root = at("root/main.swf");
    const auto wide = net::Sandbox::forRoot(root, m_top.string());
    EXPECT_EQ(wide.check(root, at("outside/secret.txt")).kind, net::Decision::Kind::Allowed);
    const auto narrow = net::Sandbox::forRoot(root, (m_top / "root/sub").string());
    EXPECT_EQ(narrow.check(root, at("root/main.swf")).kind, net::Decision::Kind::Refused);
    EXPECT_EQ(narrow.check(root, at("root/sub/a.txt")).kind, net::Decision::Kind::Allowed);
    const auto missing = net::Sandbox::forRoot(root, (m_top / "nowhere").string());
    EXPECT_EQ(missing.check(root, at("root/sub/a.txt")).kind, net::Decision::Kind::Refused);
}

TEST(Sandbox, RemoteMovieReadsItsOriginOrAsksPolicy) {
    const auto movie = net::parseLocation("http://example.com/m.swf").value();
    const auto sandbox = net::Sandbox::forRoot(movie);
    EXPECT_EQ(sandbox.check(movie, net::parseLocation("http://example.com/v.txt").value()).kind,
              net::Decision::Kind::Allowed);
    const auto local = sandbox.check(movie, net::parseLocation("/etc/passwd").value());
    EXPECT_EQ(local.kind, net::Decision::Kind::Refused);
    EXPECT_NE(local.reason.find("local files"), std::string::npos);
    for (const char* other : {"https://example.com/v.txt", "http://example.com:81/v", "http://other.org/v"}) {
        const auto decision = sandbox.check(movie, net::parseLocation(other).value());
        EXPECT_EQ(decision.kind, net::Decision::Kind::NeedsPolicy) << other;
        EXPECT_EQ(decision.policy.path, "/crossdomain.xml");
    }
}

TEST(Sandbox, PolicyFilesDecide) {
    const auto movie = net::parseLocation("http://www.example.com/m.swf").value();
    const auto plainTarget = net::parseLocation("http://data.org/").value();
    const auto secureTarget = net::parseLocation("https://data.org/").value();
    const auto policy = [](const char* inner) {
        return std::string("<?xml version=\"1.0\"?><cross-domain-policy>") + inner + "</cross-domain-policy>";
    };
    struct Case {
        std::string xml;
        const net::Location* target;
        bool allowed;
    } cases[] = {
        {policy("<allow-access-from domain=\"*\"/>"), &plainTarget, true},
        {policy("<allow-access-from domain=\"*.example.com\"/>"), &plainTarget, true},
        {policy("<allow-access-from domain=\"www.example.com\"/>"), &plainTarget, true},
        {policy("<allow-access-from domain=\"example.org\"/>"), &plainTarget, false},
        {policy("<allow-access-from domain=\"*\"/>"), &secureTarget, false},  // https trusts http only if told
        {policy("<allow-access-from domain=\"*\" secure=\"false\"/>"), &secureTarget, true},
        {policy(""), &plainTarget, false},
        {"<other><allow-access-from domain=\"*\"/></other>", &plainTarget, false},
        {policy("<allow-access-from domain=\"*\">"), &plainTarget, false},  // malformed
        {"", &plainTarget, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(net::policyAllows(c.xml, movie, *c.target), c.allowed) << c.xml;
}

}  // namespace
