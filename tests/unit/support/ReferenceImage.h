#pragma once

// Comparison of rendered frames with committed reference pictures.
//
// A test saves its frame (renderer->saveScreenShot) and compares it with
// tests/reference/<name>.png. Every channel of every pixel must lie within
// ReferenceTolerance of the reference. On a mismatch the frame and a diff
// picture (the per-pixel difference, amplified; pixels over the tolerance in
// magenta) are written to the test output folder and their paths reported.
//
// QUILL_UPDATE_REFERENCES=1 makes the comparison store the frame as the new
// reference instead (commit it after looking at it).

#include <gtest/gtest.h>

#include <string>

namespace test {

// Per channel, 0..255: room for rounding differences between rasteriser builds.
constexpr int ReferenceTolerance = 6;

// Where references live and where failures leave their pictures.
std::string referenceDirectory();
std::string testOutputDirectory();

// allowedPixels: how many pixels may lie outside the tolerance, for pictures
// whose hard edges (a shadow map's texels) may flip a pixel between builds.
testing::AssertionResult matchesReference(const std::string& framePath, const std::string& name,
                                          int allowedPixels = 0);

} // namespace test
