// RegExp and the String methods that take one, called as script calls them.
#include "avm2/core_regexp.h"
#include "avm2/machine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace avm2;

namespace {

// Runs `body` as an entry; its result as text, or "error: ..." when it threw.
template <typename Body>
std::string eval(Body body) {
    Machine m;
    auto result = m.run([&] { return body(m); });
    if (!result)
        return "error: " + result.error().what;
    return utf16ToUtf8(m.toString(*result)->text());
}

Value regExp(Machine& m, const char16_t* pattern, const char16_t* flags) {
    const Value args[2] = {m.string(pattern), m.string(flags)};
    return m.construct(Value::object(m.coreClass(u"RegExp")), args);
}

// An array as "a|b|c" with "~" for undefined elements.
std::string joined(Machine& m, Value v) {
    if (v.isNull())
        return "null";
    auto* a = dynamic_cast<ArrayObject*>(v.asObject());
    std::string out;
    for (size_t i = 0; i < a->elements().size(); ++i) {
        out += i ? "|" : "";
        out += a->elements()[i].isUndefined() ? "~" : utf16ToUtf8(m.toString(a->elements()[i])->text());
    }
    return out;
}

// A String method on a string value, as `"text".name(args)` calls it.
Value callString(Machine& m, const std::u16string& text, const char16_t* name, std::span<const Value> args) {
    const Value self = m.string(text);
    return m.call(*m.primitivePrototype(self)->find(name), self, args);
}

struct ExecCase {
    const char* name;
    const char16_t* pattern;
    const char16_t* flags;
    const char16_t* input;
    const char* expected;  // groups joined, "@index"; or "null"
};

class Exec : public testing::TestWithParam<ExecCase> {};

TEST_P(Exec, Groups) {
    const ExecCase& c = GetParam();
    const std::string got = eval([&](Machine& m) {
        const Value re = regExp(m, c.pattern, c.flags);
        const Value input = m.string(c.input);
        const Value r = m.callMember(re, u"exec", std::span<const Value>(&input, 1));
        std::string text = joined(m, r);
        if (r.isObject())
            text += "@" + utf16ToUtf8(m.toString(*r.asObject()->findOwn(u"index"))->text());
        return m.string(utf8ToUtf16(text));
    });
    EXPECT_EQ(got, c.expected);
}

void PrintTo(const ExecCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(Cases, Exec,
                         testing::Values(ExecCase{"UnsetGroup", u"a(b)?c", u"", u"xac", "ac|~@1"},
                                         ExecCase{"Groups", u"(\\d+)-(\\d+)", u"", u"tel 12-345", "12-345|12|345@4"},
                                         ExecCase{"Multiline", u"^b", u"m", u"a\nb", "b@2"},
                                         ExecCase{"NotMultiline", u"^b", u"", u"a\nb", "null"},
                                         ExecCase{"DotallCaseless", u"A.C", u"is", u"xa\nc", "a\nc@1"},
                                         ExecCase{"DotStopsAtNewline", u"a.c", u"", u"a\nc", "null"},
                                         ExecCase{"ExtendedDropsSpace", u"a b [ ]c", u"x", u"ab c", "ab c@0"},
                                         ExecCase{"EmptyClassNeverMatches", u"a[]", u"", u"a]", "null"},
                                         ExecCase{"NegatedEmptyClassMatchesAll", u"[^]", u"", u"\n", "\n@0"},
                                         ExecCase{"BracketInClass", u"[a[]+", u"", u"x[a[", "[a[@1"},
                                         ExecCase{"UnicodeEscape", u"\\u0041", u"", u"zA", "A@1"},
                                         ExecCase{"UnsetBackreferenceIsEmpty", u"(x)?\\1y", u"", u"y", "y|~@0"},
                                         ExecCase{"DollarOnlyAtEnd", u"a$", u"", u"a\n", "null"},
                                         ExecCase{"BadPatternMatchesNothing", u"(", u"", u"(", "null"},
                                         ExecCase{"Surrogates", u"\\uD83D.", u"", u"x\U0001F600", "\U0001F600@1"}));

TEST(RegExp, GlobalExecWalksLastIndexAndResets) {
    const std::string got = eval([](Machine& m) {
        const Value re = regExp(m, u"o", u"g");
        const Value input = m.string(u"foo");
        std::u16string trail;
        for (int i = 0; i < 3; ++i) {
            const Value r = m.callMember(re, u"exec", std::span<const Value>(&input, 1));
            trail += r.isNull() ? u"null" : m.toString(*r.asObject()->findOwn(u"index"))->text();
            trail += u":" + m.toString(re)->text() + u" ";
        }
        return m.string(trail);
    });
    EXPECT_EQ(got, "1:/o/g 2:/o/g null:/o/g ");
}

TEST(RegExp, NamedGroupsAreProperties) {
    const std::string got = eval([](Machine& m) {
        const Value re = regExp(m, u"(?P<year>\\d{4})-(?P<month>\\d\\d)", u"");
        const Value input = m.string(u"on 2026-12");
        const Value r = m.callMember(re, u"exec", std::span<const Value>(&input, 1));
        return m.string(m.toString(*r.asObject()->findOwn(u"month"))->text() + u"/" +
                        m.toString(*r.asObject()->findOwn(u"year"))->text());
    });
    EXPECT_EQ(got, "12/2026");
}

TEST(RegExp, CatastrophicPatternEndsAsNoMatch) {
    const auto start = std::chrono::steady_clock::now();
    const std::string got = eval([](Machine& m) {
        const Value re = regExp(m, u"(a+)+$", u"");
        const Value input = m.string(std::u16string(40, u'a') + u"b");
        return m.callMember(re, u"test", std::span<const Value>(&input, 1));
    });
    EXPECT_EQ(got, "false");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

struct ReplaceCase {
    const char* name;
    const char16_t* pattern;
    const char16_t* flags;  // null: the pattern is a plain string
    const char16_t* input;
    const char16_t* replacement;
    const char* expected;
};

class Replace : public testing::TestWithParam<ReplaceCase> {};

TEST_P(Replace, Text) {
    const ReplaceCase& c = GetParam();
    const std::string got = eval([&](Machine& m) {
        const Value args[2] = {c.flags ? regExp(m, c.pattern, c.flags) : m.string(c.pattern), m.string(c.replacement)};
        return callString(m, c.input, u"replace", args);
    });
    EXPECT_EQ(got, c.expected);
}

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(
    Cases, Replace,
    testing::Values(ReplaceCase{"Global", u"o", u"g", u"foo boo", u"0", "f00 b00"},
                    ReplaceCase{"FirstOnly", u"o", u"", u"foo", u"0", "f0o"},
                    ReplaceCase{"Groups", u"(\\w+)@(\\w+)", u"", u"me@host", u"$2 at $1", "host at me"},
                    ReplaceCase{"AroundMatch", u"b", u"", u"abc", u"[$`|$&|$']", "a[a|b|c]c"},
                    ReplaceCase{"Dollar", u"x", u"g", u"xx", u"$$", "$$"},
                    ReplaceCase{"MissingGroupIsLiteral", u"(a)", u"", u"a", u"$2", "$2"},
                    ReplaceCase{"TwoDigitsFallBackToOne", u"(a)", u"", u"a", u"$10", "a0"},
                    ReplaceCase{"EmptyMatchesEverywhere", u"", u"g", u"ab", u"-", "-a-b-"},
                    ReplaceCase{"StringPatternIsLiteral", u".", nullptr, u"a.b.c", u"!", "a!b.c"}));

TEST(RegExp, ReplaceCallsAFunctionPerMatch) {
    const std::string got = eval([](Machine& m) {
        NativeFunction* f = m.newNative([](Machine& m, Value, std::span<const Value> a) {
            return m.string(u"<" + m.toString(a[0])->text() + u"@" + m.toString(a[1])->text() + u">");
        });
        const Value args[2] = {regExp(m, u"\\d+", u"g"), Value::object(f)};
        return callString(m, u"a1b22", u"replace", args);
    });
    EXPECT_EQ(got, "a<1@1>b<22@3>");
}

TEST(RegExp, ReplacementPastTheHeapIsAnError) {
    Machine m(Limits{.maxHeapBytes = size_t(4) << 20});
    auto result = m.run([&] {
        const Value args[2] = {regExp(m, u"", u"g"), m.string(std::u16string(4096, u'x'))};
        return callString(m, std::u16string(4096, u'a'), u"replace", args);
    });
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().what.find("#1000"), std::string::npos) << result.error().what;
}

struct SplitCase {
    const char* name;
    const char16_t* separator;  // null: undefined
    const char16_t* flags;      // null: the separator is a plain string
    const char16_t* input;
    double limit;  // negative: none
    const char* expected;
};

class Split : public testing::TestWithParam<SplitCase> {};

TEST_P(Split, Pieces) {
    const SplitCase& c = GetParam();
    const std::string got = eval([&](Machine& m) {
        std::vector<Value> args{!c.separator ? Value()
                                : c.flags    ? regExp(m, c.separator, c.flags)
                                             : m.string(c.separator)};
        if (c.limit >= 0)
            args.push_back(Value::number(c.limit));
        const Value r = callString(m, c.input, u"split", args);
        return m.string(utf8ToUtf16(std::to_string(static_cast<ArrayObject*>(r.asObject())->elements().size()) + ":" +
                                    joined(m, r)));
    });
    EXPECT_EQ(got, c.expected);
}

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(Cases, Split,
                         testing::Values(SplitCase{"String", u",", nullptr, u"a,b,,c", -1, "4:a|b||c"},
                                         SplitCase{"Characters", u"", nullptr, u"abc", -1, "3:a|b|c"},
                                         SplitCase{"Limit", u",", nullptr, u"a,b,c", 2, "2:a|b"},
                                         SplitCase{"Undefined", nullptr, nullptr, u"a,b", -1, "1:a,b"},
                                         SplitCase{"Pattern", u"\\s*,\\s*", u"", u"a , b,c", -1, "3:a|b|c"},
                                         SplitCase{"Captures", u"(-)", u"", u"a-b", -1, "3:a|-|b"},
                                         SplitCase{"EmptyPattern", u"", u"", u"ab", -1, "2:a|b"},
                                         SplitCase{"EmptyInput", u"x", u"", u"", -1, "1:"},
                                         SplitCase{"EmptyInputMatched", u"x*", u"", u"", -1, "0:"}));

TEST(RegExp, MatchAndSearch) {
    const std::string got = eval([](Machine& m) {
        const std::u16string subject = u"a1b22c333";
        const Value all = regExp(m, u"\\d+", u"g");
        const Value first = regExp(m, u"(\\d)(\\d)", u"");
        const Value none = regExp(m, u"z", u"g");
        const Value digit = m.string(u"\\d");
        return m.string(
            utf8ToUtf16(joined(m, callString(m, subject, u"match", std::span<const Value>(&all, 1))) + " " +
                        joined(m, callString(m, subject, u"match", std::span<const Value>(&first, 1))) + " " +
                        joined(m, callString(m, subject, u"match", std::span<const Value>(&none, 1))) + " ") +
            m.toString(callString(m, subject, u"search", std::span<const Value>(&digit, 1)))->text());
    });
    EXPECT_EQ(got, "1|22|333 22|2|2 null 1");
}

}  // namespace
