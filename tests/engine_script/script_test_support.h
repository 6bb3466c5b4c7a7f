// Helpers for the script tests: a host that records what the engine asks
// of it, and a movie on a stage with an engine, ready to run.
#pragma once

#include "script/engine.h"
#include "script/string.h"

#include "model/stage.h"

#include "swf/movie.h"

#include "movie_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace scripttest {

using swfwriter::Actions;
using swfwriter::Null;
using swfwriter::PushValue;
using swfwriter::Register;
using swfwriter::Undefined;

// What the engine reported, its text in UTF-8 for readable expectations.
struct RecordedError {
    script::ScriptErrorKind kind = script::ScriptErrorKind::ActionLimit;
    std::string message;
};

inline std::string utf8(std::u16string_view text) { return script::utf16ToUtf8(text); }

struct RecordingHost : script::Host {
    std::vector<std::string> traces;
    std::vector<std::pair<std::string, std::string>> fscommands;
    std::vector<RecordedError> errors;
    std::vector<script::ExternalCall> calls;
    std::vector<script::UrlRequest> urls;
    // Answers ExternalInterface.call (none: nobody answered).
    std::function<std::optional<std::u16string>(const script::ExternalCall&)> answer;
    // Runs inside trace(), for re-entrancy tests.
    std::function<void(const std::string&)> onTrace;
    double clock = 0;  // milliseconds since the movie started
    double epoch = 0;  // wall clock

    void trace(const std::u16string& message) override {
        traces.push_back(utf8(message));
        if (onTrace)
            onTrace(traces.back());
    }
    void fscommand(const std::u16string& command, const std::u16string& args) override {
        fscommands.emplace_back(utf8(command), utf8(args));
    }
    std::optional<std::u16string> externalCall(const script::ExternalCall& call) override {
        calls.push_back(call);
        return answer ? answer(call) : std::nullopt;
    }
    void urlRequest(const script::UrlRequest& request) override { urls.push_back(request); }
    void scriptError(const script::ScriptError& error) override { errors.push_back({error.kind, utf8(error.message)}); }
    std::u16string url = u"file:///movies/test.swf";
    std::u16string movieUrl() override { return url; }
    std::u16string access = u"sameDomain";
    std::u16string allowScriptAccess() override { return access; }
    double milliseconds() override { return clock; }
    double epochMilliseconds() override { return epoch; }
};

// A loaded movie with its stage and engine. The first frame's scripts have
// run when load() returns.
struct Player {
    std::shared_ptr<const swf::Movie> movie;
    std::unique_ptr<model::Stage> stage;
    RecordingHost host;
    std::unique_ptr<script::Engine> engine;

    ~Player() { engine.reset(); }  // the engine goes before the stage

    [[nodiscard]] static std::unique_ptr<Player> load(const std::vector<uint8_t>& file,
                                                      const script::Limits& limits = {}) {
        auto parsed = swf::parseMovie(file);
        EXPECT_TRUE(parsed.has_value()) << "the written movie did not parse";
        if (!parsed.has_value())
            return nullptr;
        auto p = std::make_unique<Player>();
        p->movie = parsed.value();
        p->stage = model::Stage::create(p->movie);
        p->engine = script::Engine::create(*p->stage, p->host, limits);
        p->engine->runPending();
        return p;
    }
    [[nodiscard]] static std::unique_ptr<Player> load(swfwriter::MovieWriter& movie,
                                                      const script::Limits& limits = {}) {
        return load(movie.finish(), limits);
    }

    [[nodiscard]] std::string var(const std::string& path) {
        return utf8(engine->getVariable(script::utf8ToUtf16(path)).value_or(u"<none>"));
    }
    [[nodiscard]] model::MovieClip& root() { return stage->root(); }
    [[nodiscard]] model::MovieClip* clip(const std::string& path) { return stage->resolveTarget(path); }
};

// One frame holding the block, in a movie of that version.
[[nodiscard]] inline std::unique_ptr<Player> runFrame(const Actions& actions, uint8_t version = 8,
                                                      const script::Limits& limits = {}) {
    swfwriter::MovieWriter m({.version = version});
    m.doAction(actions);
    m.showFrame();
    return Player::load(m, limits);
}

// The traces of running the block as a frame script.
[[nodiscard]] inline std::vector<std::string> traces(const Actions& actions, uint8_t version = 8) {
    auto p = runFrame(actions, version);
    if (!p)
        return {};
    EXPECT_TRUE(p->host.errors.empty()) << "unexpected script error: " << p->host.errors.front().message;
    return p->host.traces;
}

using Strings = std::vector<std::string>;

// A sprite with one frame holding `frameActions` (optional).
[[nodiscard]] inline uint16_t spriteWith(swfwriter::MovieWriter& m, const Actions* frameActions = nullptr,
                                         int frames = 1) {
    swfwriter::SpriteWriter s(m.options().version);
    for (int i = 0; i < frames; ++i) {
        if (i == 0 && frameActions)
            s.doAction(*frameActions);
        s.showFrame();
    }
    return m.defineSprite(s);
}

inline swfwriter::Place named(const std::string& name) {
    swfwriter::Place p;
    p.name = name;
    return p;
}

inline swfwriter::Place namedAt(const std::string& name, int32_t x, int32_t y) {
    swfwriter::Place p;
    p.name = name;
    p.matrix = swfwriter::Matrix::translate(x, y);
    return p;
}

}  // namespace scripttest
