// Out of memory at the COM boundary: each allocation a member makes is made
// to fail in turn, and the member must answer E_OUTOFMEMORY with error
// information (or succeed, where the control works around the failure)
// instead of letting std::bad_alloc out, and the control must go on working.
//
// Every allocation of this test binary, the control module's included, goes
// through the operator new below, which fails the n-th allocation of the
// test's thread once armed.
#include "control_harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

// GCC sees the malloc in this operator new and the free in this operator
// delete through inlining and calls them mismatched; they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

thread_local long t_failIn = 0;  // 0: off; n: the n-th allocation from now throws

}  // namespace

void* operator new(std::size_t size) {
    if (t_failIn > 0 && --t_failIn == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
// Every other form is replaced too, so that whatever the module allocates
// (nothrow and array forms included) is freed by the matching function.
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

using namespace controltest;

namespace {

std::string clipMovie() {
    swfwriter::MovieWriter movie({.width = 200, .height = 100, .frameRate = 10});
    const uint16_t square = movie.rectangle(0, 0, 800, 800, {255, 0, 0});
    swfwriter::SpriteWriter clip;
    clip.place(square, 1);
    clip.showFrame();
    clip.label("spin");
    clip.showFrame();
    const uint16_t clipId = movie.defineSprite(clip);
    movie.place(clipId, 1, {.name = "clip"});
    movie.showFrame();
    movie.showFrame();
    return saveMovie(movie, "clip.swf");
}

// What the members are called with, made before any failure is armed.
struct Inputs {
    platform::ScopedBstr movie;
    platform::ScopedBstr clip = bstr(u"/clip");
    platform::ScopedBstr label = bstr(u"spin");
};

struct Member {
    const char* name;
    HRESULT (*call)(Control&, const DibSurface&, const Inputs&);
};

void PrintTo(const Member& member, std::ostream* out) { *out << member.name; }

const Member kMembers[] = {
    {"Draw", [](Control& c, const DibSurface& s, const Inputs&) { return s.draw(c.view.get()); }},
    {"GotoFrame", [](Control& c, const DibSurface&, const Inputs&) { return c.flash->GotoFrame(1); }},
    {"TGotoLabel", [](Control& c, const DibSurface&,
                      const Inputs& in) { return c.flash->TGotoLabel(in.clip.get(), in.label.get()); }},
    {"put_Movie", [](Control& c, const DibSurface&, const Inputs& in) { return c.flash->put_Movie(in.movie.get()); }},
};

class AllocationFailure : public ::testing::TestWithParam<Member> {};

INSTANTIATE_TEST_SUITE_P(Members, AllocationFailure, ::testing::ValuesIn(kMembers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(AllocationFailure, EveryFailedAllocationBecomesAResultCode) {
    const std::string path = clipMovie();
    const Inputs inputs{bstr(wide(path))};
    int failures = 0;
    for (long n = 1;; ++n) {
        Control control;
        control.activate(200, 100);
        ASSERT_EQ(loadMovie(control.flash.get(), path), S_OK);
        DibSurface surface(200, 100, true);
        (void)takeErrorInfo();

        t_failIn = n;
        const HRESULT hr = GetParam().call(control, surface, inputs);
        const bool injected = t_failIn == 0;
        t_failIn = 0;
        if (!injected) {
            EXPECT_EQ(hr, S_OK) << "with no failure injected";
            break;
        }
        ++failures;
        if (FAILED(hr)) {
            EXPECT_EQ(hr, E_OUTOFMEMORY) << "allocation " << n;
            const ErrorText error = takeErrorInfo();
            EXPECT_TRUE(error.present) << "allocation " << n;
            EXPECT_NE(narrow(error.description).find("out of memory"), std::string::npos)
                << "allocation " << n << ": " << narrow(error.description);
        }
        EXPECT_EQ(surface.draw(control.view.get()), S_OK) << "drawing after allocation " << n << " failed";
        ASSERT_LT(n, 100000) << "the member never ran out of allocations to fail";
    }
    EXPECT_GT(failures, 0) << "the member allocates nothing, so nothing was tested";
}

}  // namespace
