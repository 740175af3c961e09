// Window layer: numbered windows and numbered controls over the system's standard
// controls, fonts, and one blocking event wait. Windows and controls are addressed by the
// numbers the installer gives them; a control's number is also its system control ID.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// Fetches and discards every pending window event, so that windows repaint during long
// work while input given meanwhile is lost.
void DrainEvents() noexcept;

// The message boxes the installer shows: icon, buttons and which button is the default.
enum class MessageBoxKind : uint8_t {
    ErrorOk,          // error icon; OK
    WarningOkCancel,  // exclamation icon; OK and Cancel, Cancel the default
    QuestionYesNo,    // question icon; Yes and No, Yes the default
    InformationOk,    // information icon; OK
};

// The button that closed a message box; Cancel also when the box was closed otherwise.
enum class MessageBoxAnswer : uint8_t { Ok, Cancel, Yes, No, Other };

// Shows a system message box of `kind` and waits for the answer.
MessageBoxAnswer ShowMessage(const char* text, const char* caption, MessageBoxKind kind) noexcept;

// Shows a system message box with the system's own style bits; returns the button pressed
// (IDOK 1, IDCANCEL 2, ...). Prefer ShowMessage.
int ShowMessageBox(const char* text, const char* caption, unsigned type) noexcept;

// Window and control numbers run from 1 to kMaxWindowNumber / kMaxControlNumber.
constexpr int kMaxWindowNumber = 15;
constexpr int kMaxControlNumber = 255;

// How OpenWindow places a window.
enum class WindowPlacement : uint8_t {
    At,              // at x, y
    CentreOnActive,  // centred on the window active at that moment; at x, y when none is
    CentreOnScreen,  // centred on the screen
};

// Opens window `number`, hidden, with a caption bar only (no system menu, no close box)
// and a client area of width × height. It becomes the parent of the controls added next.
// A window of that number that is still open is closed first. False when it cannot be
// created.
[[nodiscard]] bool OpenWindow(int number, const char* title, int x, int y, int width,
                              int height, WindowPlacement placement) noexcept;
// Opens window `number` like OpenWindow, but with a system menu and close box, owned by
// window `owner` and centred over it (on the screen when the owner is not open); an edge
// that would lie left of or above the screen is moved to 0.
[[nodiscard]] bool OpenOwnedWindow(int number, const char* title, int width, int height,
                                   int owner) noexcept;
// The system's handle of control `number` (an HWND on Windows); 0 when there is none.
uintptr_t ControlSystemHandle(int number) noexcept;

// Shows an opened window and gives it the focus.
void ShowNumberedWindow(int number) noexcept;
// Hides an opened window (it stays open, with its controls).
void HideNumberedWindow(int number) noexcept;
// Closes the window and forgets the numbers of its controls.
void CloseNumberedWindow(int number) noexcept;
bool WindowIsOpen(int number) noexcept;
std::string GetWindowTitle(int number);

enum class ControlKind : uint8_t {
    Text,    // static text
    Frame,   // group frame with a caption
    Button,  // push button; pressing it is a Command event
    Panel,     // child window that holds controls of its own (BeginPanel)
    Image,     // picture shown unscaled at its top-left corner
    Viewer,    // read-only rich text, filled by LoadViewerFile
    Option,    // radio button; the first option of a window opens the radio group
    Field,     // one-line edit field; losing the focus is a FocusLost event
    CheckBox,  // ticking or unticking it is a Command event
    List,      // list of text rows
    Progress,  // progress bar, range 0 … 100 until SetProgressMaximum
    Link,      // text drawn by the layer with a hand cursor and a hover colour; Command
    // Choosers
    DropList,  // drop-down list (no typing); h includes the dropped-down list
    Tree,      // folder tree with buttons and lines (see platform/tree_view.h)
};

// Text alignment of a Text control.
enum ControlStyle : unsigned {
    kStylePlain = 0,
    kStyleRight = 1,
    kStyleCentre = 2,
    kStyleEdge = 4,  // panel with a sunken static edge
};

// Adds control `number` to the open window `window` at x, y (client pixels) with size
// w × h and the window layer's default font. False when the window is not open, the
// number is out of range or already used, or the control cannot be created.
[[nodiscard]] bool AddControl(int window, int number, ControlKind kind, int x, int y, int w,
                              int h, const char* text, unsigned style = kStylePlain) noexcept;
// An etched horizontal line in window `window`; it has no number and takes no events.
bool AddSeparator(int window, int x, int y, int w, int h) noexcept;

// Controls added after BeginPanel(panel) go into that panel (which must be a Panel of an
// open window) until EndPanel; their x, y are then relative to the panel.
void BeginPanel(int panel) noexcept;
void EndPanel() noexcept;

// Operations on a number that names no control do nothing (or give the empty text).
void SetControlText(int number, const char* text) noexcept;
std::string GetControlText(int number);
// Creates (or finds, when asked again) a font of `points` with the given face and weight
// (400 normal, 700 bold), sized for the display; 0 when it cannot be created.
int CreatePointFont(const char* face, int points, int weight) noexcept;
void SetControlFont(int number, int font) noexcept;

// Shows a bitmap (or, with `icon`, an icon) in an Image control, which takes the picture's
// size; the handle stays the caller's.
void SetControlImage(int number, uintptr_t handle, bool icon) noexcept;
void ShowControl(int number, bool visible) noexcept;
// The control's own visibility flag (a control in a hidden panel still counts as shown).
bool ControlShown(int number) noexcept;
void EnableControl(int number, bool enabled) noexcept;
bool ControlEnabled(int number) noexcept;
// Check box and option: 1 ticked or selected, 0 not; progress bar: the position.
void SetControlState(int number, int state) noexcept;
int GetControlState(int number) noexcept;
void SetProgressMaximum(int number, int maximum) noexcept;
// List rows: `row` -1 appends; SetListRow replaces an existing row (or appends the rows
// missing before it).
void AddListRow(int number, int row, const char* text) noexcept;
void SetListRow(int number, int row, const char* text) noexcept;
int ListRowCount(int number) noexcept;
std::string GetListRow(int number, int row);

// Colours are 0x00BBGGRR. The background of a text, field, list, panel or check box:
// above 0 opaque in that colour; 0 transparent over the button face; -1 transparent with
// nothing drawn behind the text. Setting a control again replaces its colours.
void SetControlColours(int number, uint32_t text, int32_t background) noexcept;
// The colour a Link's text takes while the mouse is over it.
void SetLinkHoverColour(int number, uint32_t colour) noexcept;
// Streams a file into a Viewer: rich text when the extension is "rtf" in any letter case,
// plain text otherwise. False when the file cannot be opened (the viewer is unchanged).
bool LoadViewerFile(int number, const char* path) noexcept;
// Items of a DropList control, counted from 0. Operations on a number that names no list
// do nothing (GetListSelection gives -1).
void AddListItem(int number, int position, const char* text) noexcept;
void SelectListItem(int number, int index) noexcept;
int GetListSelection(int number) noexcept;

enum class EventKind : uint8_t {
    Command,       // a button, option, check box or link was pressed
    FocusLost,     // an edit field lost the keyboard focus
    CloseRequest,  // the user asked to close the window
    Quit,          // the process was asked to end its event loop
};

struct WindowEvent {
    int Window = 0;   // 0 when the event belongs to no numbered window
    int Control = 0;  // 0 for events of the window itself
    EventKind Kind = EventKind::Quit;
};

// Blocks until the next event of any numbered window. After a Quit event the quit request
// stays pending, so that an outer loop sees it too.
WindowEvent WaitEvent() noexcept;

}  // namespace wb
