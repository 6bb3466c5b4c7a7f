// Which movie may script which, and which may call the host.
#include "net/script_access.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

net::Location at(const std::string& text) { return net::parseLocation(text).value(); }

TEST(ScriptAccessTest, GrantsAreReadFromHostsUrlsAndStar) {
    const struct {
        std::string text;
        std::optional<std::string> domain;
    } cases[] = {
        {"*", "*"},
        {"Example.COM", "example.com"},
        {"example.com:8080", "example.com"},
        {"http://a.example.com:81/dir/m.swf", "a.example.com"},
        {"https://b.example.com", "b.example.com"},
        {"127.0.0.1", "127.0.0.1"},
        {"", std::nullopt},
        {"file:///tmp/m.swf", std::nullopt},
        {"ftp://example.com/", std::nullopt},
        {"bad host", std::nullopt},
        {"<script>", std::nullopt},
    };
    for (const auto& c : cases) {
        auto grant = net::parseDomainGrant(c.text, false);
        ASSERT_EQ(grant.has_value(), c.domain.has_value()) << c.text;
        if (grant) {
            EXPECT_EQ(grant->domain, *c.domain) << c.text;
        }
    }
}

TEST(ScriptAccessTest, OtherOriginsNeedTheTargetsGrant) {
    using Grants = std::vector<net::DomainGrant>;
    const struct {
        std::string caller;
        std::string target;
        Grants grants;
        bool allowed;
    } cases[] = {
        {"http://a.com/m.swf", "http://a.com/other/c.swf", {}, true},
        {"file:///x/m.swf", "file:///y/c.swf", {}, true},
        {"http://a.com/m.swf", "http://b.com/c.swf", {}, false},
        {"http://a.com/m.swf", "http://a.com:8080/c.swf", {}, false},  // the port is part of the origin
        {"http://a.com/m.swf", "http://b.com/c.swf", {{"a.com", false}}, true},
        {"http://a.com/m.swf", "http://b.com/c.swf", {{"c.com", false}}, false},
        {"http://a.com/m.swf", "http://b.com/c.swf", {{"*", false}}, true},
        {"http://sub.a.com/m.swf", "http://b.com/c.swf", {{"a.com", false}}, false},
        // An https movie lets plain http in only through allowInsecureDomain.
        {"http://a.com/m.swf", "https://b.com/c.swf", {{"a.com", false}}, false},
        {"http://a.com/m.swf", "https://b.com/c.swf", {{"a.com", true}}, true},
        {"http://a.com/m.swf", "https://a.com/c.swf", {{"*", false}}, false},
        {"https://a.com/m.swf", "http://b.com/c.swf", {{"a.com", false}}, true},
        // Local files have no host: only "*" opens a network movie to them.
        {"file:///x/m.swf", "http://b.com/c.swf", {{"localhost", false}}, false},
        {"file:///x/m.swf", "http://b.com/c.swf", {{"*", false}}, true},
        {"http://b.com/c.swf", "file:///x/m.swf", {}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(net::mayScript(at(c.caller), at(c.target), c.grants), c.allowed) << c.caller << " -> " << c.target;
}

TEST(ScriptAccessTest, AllowScriptAccessDecidesCallsToTheHost) {
    const struct {
        std::string value;
        std::string movie;
        std::string root;
        bool allowed;
    } cases[] = {
        {"always", "http://a.com/m.swf", "file:///r.swf", true},
        {"ALWAYS", "file:///m.swf", "http://a.com/r.swf", true},
        {"never", "file:///m.swf", "file:///r.swf", false},
        {"Never", "http://a.com/m.swf", "http://a.com/m.swf", false},
        {"sameDomain", "file:///m.swf", "file:///r.swf", true},
        {"sameDomain", "http://a.com/m.swf", "http://a.com/r.swf", true},
        {"sameDomain", "http://b.com/m.swf", "http://a.com/r.swf", false},
        {"sameDomain", "http://a.com/m.swf", "file:///r.swf", false},
        {"", "https://a.com/m.swf", "http://a.com/r.swf", false},
        {"nonsense", "file:///m.swf", "file:///r.swf", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(net::mayCallHost(net::parseHostAccess(c.value), at(c.movie), at(c.root)), c.allowed)
            << c.value << " " << c.movie << " in " << c.root;
    }
}

}  // namespace
