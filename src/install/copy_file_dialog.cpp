// The Copy File dialog over the window layer.
#include "install/copy_file_dialog.h"

#include "config/language_table.h"
#include "platform/window.h"

namespace wb {

VersionSummary SplitVersionSummary(const std::string& summary) {
    VersionSummary out;
    size_t first = summary.find('|');
    if (first == std::string::npos) {
        out.Version = summary;
        return out;
    }
    size_t last = summary.rfind('|');
    out.Version = summary.substr(0, first);
    if (last == first) {
        out.Description = summary.substr(first + 1);
    } else {
        out.Description = summary.substr(first + 1, last - first - 1);
        out.Language = summary.substr(last + 1);
    }
    return out;
}

VersionColumn MakeVersionColumn(const VersionSummary& summary, const std::string& createdText) {
    const std::string& none = LangText(LangId::FileVersionNotAvailable);
    VersionColumn c;
    c.Version = !summary.Version.empty() ? summary.Version
                : !createdText.empty()   ? createdText
                                         : none;
    c.Language = summary.Language.empty() ? none : summary.Language;
    c.Description = summary.Description.empty() ? none : summary.Description;
    return c;
}

std::string CopyFileDialogTitle(const std::string& newPath) {
    size_t slash = newPath.find_last_of("\\/");
    std::string name = slash == std::string::npos ? newPath : newPath.substr(slash + 1);
    return " " + LangText(LangId::FileVersionWindow) + "  '" + name + "'";
}

namespace {

struct ControlRow {
    int Number;
    ControlKind Kind;
    int X, Y, W, H;
    unsigned Style;
};

// The controls in creation order; texts are given by number below.
constexpr ControlRow kRows[] = {
    {42, ControlKind::Frame, 10, 5, 320, 85, kStylePlain},
    {43, ControlKind::Text, 20, 25, 80, 15, kStyleRight},
    {44, ControlKind::Text, 20, 45, 80, 15, kStyleRight},
    {45, ControlKind::Text, 20, 65, 80, 15, kStyleRight},
    {46, ControlKind::Text, 105, 25, 215, 15, kStylePlain},
    {47, ControlKind::Text, 105, 45, 215, 15, kStylePlain},
    {48, ControlKind::Text, 105, 65, 215, 15, kStylePlain},
    {49, ControlKind::Text, 10, 100, 320, 15, kStylePlain},
    {50, ControlKind::Frame, 10, 120, 320, 85, kStylePlain},
    {51, ControlKind::Text, 20, 140, 80, 15, kStyleRight},
    {52, ControlKind::Text, 20, 160, 80, 15, kStyleRight},
    {53, ControlKind::Text, 20, 180, 80, 15, kStyleRight},
    {54, ControlKind::Text, 105, 140, 215, 15, kStylePlain},
    {55, ControlKind::Text, 105, 160, 215, 15, kStylePlain},
    {56, ControlKind::Text, 105, 180, 215, 15, kStylePlain},
    {kCopyFileYes, ControlKind::Button, 100, 210, 60, 20, kStylePlain},
    {kCopyFileNo, ControlKind::Button, 180, 210, 60, 20, kStylePlain},
};

std::string ControlText(int number, const VersionColumn& current, const VersionColumn& next) {
    switch (number) {
        case 42: return LangText(LangId::FileVersionFrameOld);
        case 43: case 51: return LangText(LangId::FileVersionVersion);
        case 44: case 52: return LangText(LangId::FileVersionLang);
        case 45: case 53: return LangText(LangId::FileVersionDesc);
        case 46: return current.Version;
        case 47: return current.Language;
        case 48: return current.Description;
        case 49: return LangText(LangId::FileVersionMsg);
        case 50: return LangText(LangId::FileVersionFrameNew);
        case 54: return next.Version;
        case 55: return next.Language;
        case 56: return next.Description;
        case kCopyFileYes: return LangText(LangId::ButtonsYes);
        case kCopyFileNo: return LangText(LangId::ButtonsNo);
        default: return {};
    }
}

}  // namespace

bool OpenCopyFileDialog(const std::string& newPath, const VersionColumn& current,
                        const VersionColumn& next) {
    if (!OpenWindow(kCopyFileWindow, CopyFileDialogTitle(newPath).c_str(), 201, 130, 340, 236,
                    WindowPlacement::CentreOnActive)) {
        return false;
    }
    for (const ControlRow& row : kRows) {
        // A control that cannot be created is simply absent.
        (void)AddControl(kCopyFileWindow, row.Number, row.Kind, row.X, row.Y, row.W, row.H,
                         ControlText(row.Number, current, next).c_str(), row.Style);
    }
    if (int bold = CreatePointFont("Arial", 8, 700)) SetControlFont(49, bold);
    ShowNumberedWindow(kCopyFileWindow);
    return true;
}

}  // namespace wb
