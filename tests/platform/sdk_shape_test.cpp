// Where the stand-in once differed from the SDK and code compiled here but
// not on Windows: the declarations now have the SDK's shape.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

namespace {

HRESULT STDMETHODCALLTYPE Answer(int value) { return value * 2; }

TEST(SdkShapeTest, LongRectanglesAndPointsAreTypesOfTheirOwn) {
    // The SDK's RECTL and POINTL do not convert to RECT and POINT: code that
    // copies one into the other must name the members.
    static_assert(!std::is_same_v<RECTL, RECT>);
    static_assert(!std::is_convertible_v<const RECTL&, RECT>);
    static_assert(!std::is_convertible_v<LPCRECTL, LPCRECT>);
    static_assert(!std::is_same_v<POINTL, POINT>);
    // SIZEL is the SDK's typedef of SIZE.
    static_assert(std::is_same_v<SIZEL, SIZE>);
    const RECTL bounds{1, 2, 3, 4};
    const RECT copy{bounds.left, bounds.top, bounds.right, bounds.bottom};
    EXPECT_EQ(4, copy.bottom);
    EXPECT_EQ(sizeof(RECT), sizeof(RECTL));
}

TEST(SdkShapeTest, ExportsComeAsTheSdksFunctionTypeAndCastThroughProcedureAs) {
    // FARPROC returns INT_PTR; a direct cast to any real export type would
    // warn (and fail the warning-free build) on both platforms.
    static_assert(std::is_same_v<FARPROC, INT_PTR(WINAPI*)()>);
    static_assert(sizeof(INT_PTR) == sizeof(void*));
    FARPROC erased = nullptr;
    using AnswerFunction = HRESULT(STDMETHODCALLTYPE*)(int);
    AnswerFunction original = &Answer;
    static_assert(sizeof erased == sizeof original);
    std::memcpy(&erased, &original, sizeof erased);
    EXPECT_EQ(42, platform::ProcedureAs<AnswerFunction>(erased)(21));
}

}  // namespace
