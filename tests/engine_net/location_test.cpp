#include "net/location.h"
#include "net/url_variables.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlVariables, DecodesWithTheFormatsRules) {
    struct Case {
        const char* text;
        net::Variables expected;
    } cases[] = {
        {"a=1&b=two", {{"a", "1"}, {"b", "two"}}},
        {"a=x=y", {{"a", "x=y"}}},              // only the first '=' splits
        {"name", {{"name", ""}}},               // no '=': empty value
        {"=v&&b=", {{"b", ""}}},                // empty names and pairs skipped
        {"s=a+b%20c%2", {{"s", "a b c%2"}}},    // '+' is space, broken escape kept
        {"%41%3D=%26", {{"A=", "&"}}},          // escaped '=' and '&' are plain bytes
        {"a=1&a=2", {{"a", "1"}, {"a", "2"}}},  // repeats kept in order
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(net::decodeVariables(c.text), c.expected) << c.text;
}

TEST(UrlVariables, EncodingRoundTrips) {
    const net::Variables variables{{"a b", "x&y=z"}, {"\xc3\xa9", "100%"}};
    const std::string text = net::encodeVariables(variables);
    EXPECT_EQ(text, "a%20b=x%26y%3Dz&%C3%A9=100%25");
    EXPECT_EQ(net::decodeVariables(text), variables);
}

TEST(Location, ParsesWhatAHostOrMovieGives) {
    struct Case {
        const char* text;
        const char* url;
        const char* query;
    } cases[] = {
        {"/srv/a.swf", "file:///srv/a.swf", ""},
        {"movies/./x/../a.swf?level=3&b=1", "file:///cwd/movies/a.swf?level=3&b=1", "level=3&b=1"},
        {"file:///srv/a%20b.swf#frag", "file:///srv/a b.swf", ""},
        {"file://LocalHost/srv/a.swf", "file:///srv/a.swf", ""},
        {"HTTP://Example.COM:80/a/../b.swf?x=1", "http://example.com/b.swf?x=1", "x=1"},
        {"https://example.com:8443/a b.swf", "https://example.com:8443/a%20b.swf", ""},
        {"http://[::1]:81/", "http://[::1]:81/", ""},
    };
    for (const auto& c : cases) {
        auto location = net::parseLocation(c.text, "/cwd");
        ASSERT_TRUE(location) << c.text << ": " << location.error();
        EXPECT_EQ(location->url(), c.url) << c.text;
        EXPECT_EQ(location->query, c.query) << c.text;
    }
}

TEST(Location, RefusesWhatItCannotServe) {
    const char* cases[] = {
        "",
        "ftp://example.com/a.swf",
        "javascript:alert(1)",
        "file://otherhost/a.swf",
        "file:///a%zz.swf",
        "file:///a%00.swf",
        "http://user:pw@example.com/a.swf",
        "http://example.com:0/",
        "http://example.com:70000/",
        "http://exa mple.com/",
        "http:example.com",
        "/../../etc/passwd",
    };
    for (const char* text : cases) {
        auto location = net::parseLocation(text, "/cwd");
        EXPECT_FALSE(location) << text;
        if (!location) {
            EXPECT_FALSE(location.error().empty()) << text;
        }
    }
}

TEST(Location, ResolvesReferencesAgainstTheLoadingMovie) {
    const auto local = net::parseLocation("/srv/movies/main.swf").value();
    const auto remote = net::parseLocation("http://example.com/movies/main.swf?x=1").value();
    struct Case {
        const net::Location* base;
        const char* reference;
        const char* url;
    } cases[] = {
        {&local, "part.swf", "file:///srv/movies/part.swf"},
        {&local, "../data/v.txt?z=2", "file:///srv/data/v.txt?z=2"},
        {&local, "/abs.swf", "file:///abs.swf"},
        {&remote, "part.swf", "http://example.com/movies/part.swf"},
        {&remote, "/top.xml", "http://example.com/top.xml"},
        {&remote, "//cdn.example.org/lib.swf", "http://cdn.example.org/lib.swf"},
        {&remote, "https://other.org/a", "https://other.org/a"},
    };
    for (const auto& c : cases) {
        auto resolved = net::resolveLocation(*c.base, c.reference);
        ASSERT_TRUE(resolved) << c.reference << ": " << resolved.error();
        EXPECT_EQ(resolved->url(), c.url) << c.reference;
    }
    EXPECT_FALSE(net::resolveLocation(local, "../../../../x.swf"));
    EXPECT_FALSE(net::resolveLocation(remote, "gopher://x/"));
}

TEST(Location, QueryBecomesVariables) {
    const auto movie = net::parseLocation("/m.swf?level=3&name=a%20b").value();
    EXPECT_EQ(net::queryVariables(movie), (net::Variables{{"level", "3"}, {"name", "a b"}}));
}

}  // namespace
