#include "core/Dialogs.h"

#include "support/CapturedDebugLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(Dialogs, WithoutADialogProgramEveryDialogIsCancelledAndSaysWhy) {
    std::string path = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    CapturedDebugLog debugLog;
    core::FileDialogOptions options;
    options.initialName = std::string(400, 'n');
    EXPECT_EQ(core::showFileDialog(options), "");
    EXPECT_EQ(core::showFolderDialog("Select Folder"), "");
    std::string log = debugLog.text();
    setenv("PATH", path.c_str(), 1);
    EXPECT_NE(log.find("No dialog program found"), std::string::npos) << log;
}

} // namespace
