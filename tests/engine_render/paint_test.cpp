// Painting characters: fills, gradients, bitmaps, strokes, morphs, text.
#include "render_fixture.h"

#include <gtest/gtest.h>

using namespace rendertest;
