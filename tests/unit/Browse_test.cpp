#include "transfer/Browse.h"

#include "support/FakeFiles.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

TEST(BrowseFolder, TheDialogStartsInTheTypedNamesFolderOnlyWhenThatFolderExists) {
    test::FakeFiles files;
    files.directories = {"C:\\out\\", "C:\\"};
    const struct {
        const char* typed;
        const char* folder;
    } cases[] = {
        {"", ""},
        {"C:\\out\\old.csv", "C:\\out\\"},
        {"C:\\out\\", "C:\\out\\"},
        {"C:\\old.csv", "C:\\"},
        {"C:\\gone\\old.csv", ""}, // no such folder: the dialog keeps its own start
        {"old.csv", ""},           // no folder typed
        {"C:old.csv", ""},         // the drive's current folder, whatever that is
        {"C:\\out\\\x95\x5C.csv", "C:\\out\\"}, // "表": its second byte is no separator
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrowseFolder(files, c.typed), c.folder) << c.typed;
}

} // namespace
} // namespace tobrix
