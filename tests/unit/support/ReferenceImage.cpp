#include "support/ReferenceImage.h"

#include "core/Exception.h"
#include "core/Image.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace test {

std::string referenceDirectory() {
    return QUILL_REFERENCE_DIR;
}

std::string testOutputDirectory() {
    std::string directory = std::string(QUILL_TEST_OUTPUT_DIR) + "/reference";
    std::filesystem::create_directories(directory);
    return directory;
}

namespace {

bool updateRequested() {
    const char* value = std::getenv("QUILL_UPDATE_REFERENCES");
    return value && std::string(value) == "1";
}

} // namespace

testing::AssertionResult matchesReference(const std::string& framePath, const std::string& name, int allowedPixels) {
    const std::string referencePath = referenceDirectory() + "/" + name + ".png";
    core::Image frame;
    try {
        frame = core::Image::load(framePath);
    } catch (const core::Exception& e) {
        return testing::AssertionFailure() << "cannot read the frame " << framePath << ": " << e.getMessage();
    }
    // A reference is written once per run: later frames of the same name are
    // compared with it, as cases that must look alike expect.
    static std::set<std::string> written;
    if (updateRequested() && written.insert(name).second) {
        frame.save(referencePath, false);
        return testing::AssertionSuccess() << "reference " << referencePath << " written";
    }
    core::Image reference;
    try {
        reference = core::Image::load(referencePath);
    } catch (const core::Exception& e) {
        return testing::AssertionFailure() << "no reference " << referencePath
                                           << " (QUILL_UPDATE_REFERENCES=1 writes it): " << e.getMessage();
    }
    const std::string actualPath = testOutputDirectory() + "/" + name + "-actual.png";
    if (frame.getWidth() != reference.getWidth() || frame.getHeight() != reference.getHeight()) {
        frame.save(actualPath, false);
        return testing::AssertionFailure() << name << ": frame is " << frame.getWidth() << "x" << frame.getHeight()
                                           << ", reference " << reference.getWidth() << "x" << reference.getHeight()
                                           << "; frame in " << actualPath;
    }

    core::Image diff(frame.getWidth(), frame.getHeight());
    int over = 0;
    int worst = 0;
    for (int y = 0; y < frame.getHeight(); ++y) {
        for (int x = 0; x < frame.getWidth(); ++x) {
            size_t offset = (size_t(y) * size_t(frame.getWidth()) + size_t(x)) * 4;
            const uint8_t* a = frame.data() + offset;
            const uint8_t* b = reference.data() + offset;
            uint8_t* d = diff.data() + offset;
            int pixelWorst = 0;
            for (int c = 0; c < 3; ++c) {
                int delta = std::abs(int(a[c]) - int(b[c]));
                pixelWorst = std::max(pixelWorst, delta);
                d[c] = uint8_t(std::min(255, delta * 8));
            }
            d[3] = 255;
            if (pixelWorst > ReferenceTolerance) {
                ++over;
                d[0] = 255, d[1] = 0, d[2] = 255;  // BGRA: magenta
            }
            worst = std::max(worst, pixelWorst);
        }
    }
    if (over <= allowedPixels)
        return testing::AssertionSuccess();
    const std::string diffPath = testOutputDirectory() + "/" + name + "-diff.png";
    frame.save(actualPath, false);
    diff.save(diffPath, false);
    return testing::AssertionFailure() << name << ": " << over << " pixels differ by more than " << ReferenceTolerance
                                       << " (worst " << worst << "); frame " << actualPath << ", diff " << diffPath;
}

} // namespace test
