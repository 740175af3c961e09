// The folder requester: the start folder the browser gets, the chosen folder's trailing
// backslash, and completing it with the program folder name.
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "ui/folder_requester.h"

namespace wb {
namespace {

TEST(FolderRequester, StartFolderTrimming) {
    EXPECT_EQ(FolderRequesterStart("C:\\"), "C:\\") << "a drive root keeps its backslash";
    EXPECT_EQ(FolderRequesterStart("C:\\Programs\\Tool\\"), "C:\\Programs\\Tool");
    EXPECT_EQ(FolderRequesterStart("C:\\Programs"), "C:\\Programs");
    EXPECT_EQ(FolderRequesterStart(""), "");
    EXPECT_EQ(FolderRequesterStart("C:\\" + std::string(300, 'a')).size(), 259u);
}

TEST(FolderRequester, ChosenFolderEndsInABackslash) {
    fake::ResetAll();
    fake::FolderDialogAnswer("D:\\Apps");
    EXPECT_EQ(ChooseFolder("C:\\Programs\\Tool\\", "Pick one"), "D:\\Apps\\");
    EXPECT_EQ(fake::FolderDialogStart(), "C:\\Programs\\Tool");
    EXPECT_EQ(fake::FolderDialogInstruction(), "Pick one");
    fake::FolderDialogAnswer("D:\\");
    EXPECT_EQ(ChooseFolder("", "Pick one"), "D:\\");
    fake::FolderDialogAnswer("");
    EXPECT_EQ(ChooseFolder("C:\\", "Pick one"), "") << "cancelled";
    EXPECT_EQ(fake::FolderDialogStart(), "C:\\");
    fake::ResetAll();
}

TEST(FolderRequester, CompletionAppendsTheProgramFolderName) {
    EXPECT_EQ(CompleteProgramFolderChoice("D:\\", "Tool"), "D:\\Tool");
    EXPECT_EQ(CompleteProgramFolderChoice("D:\\Apps\\", "Tool"), "D:\\Apps\\Tool");
    EXPECT_EQ(CompleteProgramFolderChoice("D:\\Apps\\Tool\\", "Tool"), "D:\\Apps\\Tool\\");
    EXPECT_EQ(CompleteProgramFolderChoice("D:\\Apps\\tool\\", "Tool"), "D:\\Apps\\tool\\Tool");
    EXPECT_EQ(CompleteProgramFolderChoice("", "Tool"), "");
}

}  // namespace
}  // namespace wb
