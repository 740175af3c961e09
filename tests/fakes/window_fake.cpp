// The window-layer fake: windows and controls as records, events from a test's queue.
#include <deque>
#include <map>

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
    g_window.Controls[number] = {window, kind, x, y, w, h, text ? text : "", style, 0};
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
