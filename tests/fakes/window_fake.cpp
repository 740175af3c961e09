// The window-layer fake: windows and controls as records, events from a test's queue.
#include <deque>
#include <fstream>
#include <map>
#include <sstream>

#include "fakes/fakes.h"
#include "platform/window.h"

namespace wb {
namespace {

struct WindowFake {
    std::map<int, fake::FakeWindowRecord> Windows;  // every window ever opened
    std::map<int, bool> Open;
    std::map<int, fake::FakeControl> Controls;
    std::vector<fake::FakeFont> Fonts;
    std::deque<WindowEvent> Events;
    void (*OnWait)() = nullptr;
    std::vector<int> Order;
    std::vector<fake::FakeSeparator> Separators;
    int Panel = 0;
    bool FailOpen = false;
    int Opens = 0;
    int Closes = 0;
};

WindowFake g_window;

bool IsOpen(int number) {
    auto it = g_window.Open.find(number);
    return it != g_window.Open.end() && it->second;
}

}  // namespace

bool OpenWindow(int number, const char* title, int x, int y, int width, int height,
                WindowPlacement placement) noexcept {
    if (number < 1 || number > kMaxWindowNumber) return false;
    if (g_window.FailOpen) {
        g_window.FailOpen = false;
        return false;
    }
    if (IsOpen(number)) CloseNumberedWindow(number);
    ++g_window.Opens;
    g_window.Windows[number] = {title ? title : "", x, y, width, height, placement, false};
    g_window.Open[number] = true;
    return true;
}

bool OpenOwnedWindow(int number, const char* title, int width, int height, int owner) noexcept {
    if (!OpenWindow(number, title, 0, 0, width, height, WindowPlacement::CentreOnActive)) {
        return false;
    }
    g_window.Windows[number].Owner = owner;
    return true;
}

uintptr_t ControlSystemHandle(int number) noexcept {
    return g_window.Controls.count(number) ? uintptr_t(0x10000 + number) : 0;
}

void ShowNumberedWindow(int number) noexcept {
    if (IsOpen(number)) g_window.Windows[number].Shown = true;
}

void HideNumberedWindow(int number) noexcept {
    if (IsOpen(number)) g_window.Windows[number].Shown = false;
}

void CloseNumberedWindow(int number) noexcept {
    if (!IsOpen(number)) return;
    ++g_window.Closes;
    g_window.Open[number] = false;
    for (auto it = g_window.Controls.begin(); it != g_window.Controls.end();) {
        it = it->second.Window == number ? g_window.Controls.erase(it) : std::next(it);
    }
}

bool WindowIsOpen(int number) noexcept { return IsOpen(number); }

std::string GetWindowTitle(int number) {
    return IsOpen(number) ? g_window.Windows[number].Title : std::string();
}

bool AddControl(int window, int number, ControlKind kind, int x, int y, int w, int h,
                const char* text, unsigned style) noexcept {
    if (!IsOpen(window) || number < 1 || number > kMaxControlNumber) return false;
    if (g_window.Controls.count(number)) return false;
    fake::FakeControl c;
    c.Window = window;
    c.Kind = kind;
    c.X = x, c.Y = y, c.W = w, c.H = h;
    c.Text = text ? text : "";
    c.Style = style;
    c.Panel = g_window.Panel;
    g_window.Controls[number] = c;
    g_window.Order.push_back(number);
    return true;
}

bool AddSeparator(int window, int x, int y, int w, int h) noexcept {
    if (!IsOpen(window)) return false;
    g_window.Separators.push_back({window, x, y, w, h});
    return true;
}

void BeginPanel(int panel) noexcept {
    auto it = g_window.Controls.find(panel);
    g_window.Panel = it != g_window.Controls.end() && it->second.Kind == ControlKind::Panel ? panel : 0;
}

void EndPanel() noexcept { g_window.Panel = 0; }

namespace {
fake::FakeControl* Find(int number) {
    auto it = g_window.Controls.find(number);
    return it == g_window.Controls.end() ? nullptr : &it->second;
}
}  // namespace

void SetControlImage(int number, uintptr_t handle, bool icon) noexcept {
    if (auto* c = Find(number); c && c->Kind == ControlKind::Image && handle) {
        c->Image = handle;
        c->ImageIsIcon = icon;
    }
}
void ShowControl(int number, bool visible) noexcept {
    if (auto* c = Find(number)) c->Visible = visible;
}
bool ControlShown(int number) noexcept {
    auto* c = Find(number);
    return c && c->Visible;
}
void EnableControl(int number, bool enabled) noexcept {
    if (auto* c = Find(number)) c->Enabled = enabled;
}
bool ControlEnabled(int number) noexcept {
    auto* c = Find(number);
    return c && c->Enabled;
}
void SetControlState(int number, int state) noexcept {
    auto* c = Find(number);
    if (!c) return;
    if (c->Kind == ControlKind::Option && state) {
        for (auto& [n, other] : g_window.Controls) {
            if (n != number && other.Kind == ControlKind::Option && other.Window == c->Window &&
                other.Panel == c->Panel) {
                other.State = 0;
            }
        }
    }
    if (c->Kind == ControlKind::Option || c->Kind == ControlKind::CheckBox) state = state ? 1 : 0;
    c->State = state;
}
int GetControlState(int number) noexcept {
    auto* c = Find(number);
    return c ? c->State : 0;
}
void SetProgressMaximum(int number, int maximum) noexcept {
    if (auto* c = Find(number); c && c->Kind == ControlKind::Progress) c->Maximum = maximum;
}
void AddListRow(int number, int row, const char* text) noexcept {
    auto* c = Find(number);
    if (!c || c->Kind != ControlKind::List) return;
    if (row < 0 || row > static_cast<int>(c->Rows.size())) row = static_cast<int>(c->Rows.size());
    c->Rows.insert(c->Rows.begin() + row, text ? text : "");
}
void SetListRow(int number, int row, const char* text) noexcept {
    auto* c = Find(number);
    if (!c || c->Kind != ControlKind::List || row < 0) return;
    if (static_cast<size_t>(row) >= c->Rows.size()) c->Rows.resize(size_t(row) + 1);
    c->Rows[size_t(row)] = text ? text : "";
}
int ListRowCount(int number) noexcept {
    auto* c = Find(number);
    return c ? static_cast<int>(c->Rows.size()) : 0;
}
std::string GetListRow(int number, int row) {
    auto* c = Find(number);
    if (!c || row < 0 || static_cast<size_t>(row) >= c->Rows.size()) return {};
    return c->Rows[size_t(row)];
}
void SetControlColours(int number, uint32_t text, int32_t background) noexcept {
    if (auto* c = Find(number)) {
        c->Coloured = true;
        c->TextColour = text;
        c->Background = background;
    }
}
void SetLinkHoverColour(int number, uint32_t colour) noexcept {
    if (auto* c = Find(number)) c->HoverColour = colour;
}
// Reads the host file, so that a viewer holds exactly what the file holds.
bool LoadViewerFile(int number, const char* path) noexcept {
    auto* c = Find(number);
    if (!c || !path || c->Kind != ControlKind::Viewer) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    c->Text = text.str();
    c->ViewerFile = path;
    return true;
}

void SetControlText(int number, const char* text) noexcept {
    auto it = g_window.Controls.find(number);
    if (it != g_window.Controls.end()) it->second.Text = text ? text : "";
}

std::string GetControlText(int number) {
    auto it = g_window.Controls.find(number);
    return it == g_window.Controls.end() ? std::string() : it->second.Text;
}

int CreatePointFont(const char* face, int points, int weight) noexcept {
    for (size_t i = 0; i < g_window.Fonts.size(); ++i) {
        const fake::FakeFont& f = g_window.Fonts[i];
        if (f.Face == face && f.Points == points && f.Weight == weight) return int(i) + 1;
    }
    g_window.Fonts.push_back({face, points, weight});
    return static_cast<int>(g_window.Fonts.size());
}

void SetControlFont(int number, int font) noexcept {
    auto it = g_window.Controls.find(number);
    if (it != g_window.Controls.end()) it->second.Font = font;
}

void AddListItem(int number, int position, const char* text) noexcept {
    auto it = g_window.Controls.find(number);
    if (it == g_window.Controls.end() || it->second.Kind != ControlKind::DropList) return;
    std::vector<std::string>& items = it->second.Items;
    size_t at = position < 0 || size_t(position) > items.size() ? items.size() : size_t(position);
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), text ? text : "");
}

void SelectListItem(int number, int index) noexcept {
    auto it = g_window.Controls.find(number);
    if (it == g_window.Controls.end() || it->second.Kind != ControlKind::DropList) return;
    it->second.Selected = index >= 0 && size_t(index) < it->second.Items.size() ? index : -1;
}

int GetListSelection(int number) noexcept {
    auto it = g_window.Controls.find(number);
    return it == g_window.Controls.end() ? -1 : it->second.Selected;
}

WindowEvent WaitEvent() noexcept {
    if (g_window.OnWait) g_window.OnWait();
    if (g_window.Events.empty()) return WindowEvent{0, 0, EventKind::Quit};
    WindowEvent e = g_window.Events.front();
    g_window.Events.pop_front();
    return e;
}

namespace fake {

void WindowReset() { g_window = WindowFake{}; }
std::vector<int> WindowControlOrder() { return g_window.Order; }
std::vector<FakeSeparator> WindowSeparators() { return g_window.Separators; }
void WindowSetText(int number, const std::string& text) {
    if (auto* c = Find(number)) c->Text = text;
}
void WindowSetState(int number, int state) { SetControlState(number, state); }
void WindowFailNextOpen() { g_window.FailOpen = true; }
void WindowQueueEvent(const WindowEvent& event) { g_window.Events.push_back(event); }
void WindowOnWait(void (*callback)()) { g_window.OnWait = callback; }

const FakeControl* WindowControl(int number) {
    auto it = g_window.Controls.find(number);
    return it == g_window.Controls.end() ? nullptr : &it->second;
}

const FakeFont* WindowFont(int font) {
    if (font < 1 || font > static_cast<int>(g_window.Fonts.size())) return nullptr;
    return &g_window.Fonts[size_t(font) - 1];
}

const FakeWindowRecord* WindowRecord(int number) {
    auto it = g_window.Windows.find(number);
    return it == g_window.Windows.end() ? nullptr : &it->second;
}

int WindowOpenCount() { return g_window.Opens; }
int WindowCloseCount() { return g_window.Closes; }

}  // namespace fake
}  // namespace wb
