// Windows and dialog boxes: window objects behind handles that are never reused,
// SendMessageA to the window procedure, subclassing through GWLP_WNDPROC, window
// properties, modal dialog boxes created from plain dialog templates in the module's
// resources (played by a test's dialog driver), the mouse capture and the cursor.
#include "sim_internal.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace {

struct Window {
    std::string
        className; // canonical spelling: "#32770", "Button", "Edit", "Static", "SysTreeView32"
    HWND parent = nullptr;
    int id = 0;
    DWORD style = 0;
    std::string text;
    WNDPROC proc = nullptr;
    DLGPROC dialogProc = nullptr; // dialogs only
    LONG_PTR msgResult = 0;
    std::map<std::string, HANDLE> props; // by lower-case name, as atoms compare
    std::vector<HWND> children;
    bool ended = false;
    INT_PTR endResult = 0;
};

const char kDialogClass[] = "#32770";

std::map<HWND, std::unique_ptr<Window>> g_windows;
uintptr_t g_lastWindow = 0;
std::map<std::pair<WORD, WORD>, std::vector<BYTE>> g_resources; // (type, id)
std::function<void(HWND)> g_dialogDriver;

HCURSOR SystemCursor(LPCSTR id) {
    return reinterpret_cast<HCURSOR>(0x7F000000u + reinterpret_cast<uintptr_t>(id));
}

HWND g_capture = nullptr;
const POINT kCursorPosition = {120, 80};
HCURSOR g_cursor = SystemCursor(IDC_ARROW);
std::vector<HCURSOR> g_cursorHistory;

Window* Find(HWND handle) {
    auto it = g_windows.find(handle);
    return it == g_windows.end() ? nullptr : it->second.get();
}

Window* FindOrFail(HWND handle) {
    Window* window = Find(handle);
    if (window == nullptr)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window procedure of a class, by name (case-insensitive); null for an unknown class.
bool ClassProc(const std::string& name, std::string* canonical, WNDPROC* proc) {
    static const std::pair<const char*, WNDPROC> kClasses[] = {
        {kDialogClass, DialogWindowProc},
        {"Button", DefWindowProcA},
        {"Edit", DefWindowProcA},
        {"Static", DefWindowProcA},
        {"SysTreeView32", sim::detail::TreeViewProc},
    };
    for (auto& [known, knownProc] : kClasses) {
        if (Lower(known) == Lower(name)) {
            *canonical = known;
            *proc = knownProc;
            return true;
        }
    }
    return false;
}

HWND CreateWindowOf(const std::string& className, const std::string& text, DWORD style, HWND parent,
                    int id, DLGPROC dialogProc) {
    sim::detail::CallerScope simulation(false);
    auto window = std::make_unique<Window>();
    if (!ClassProc(className, &window->className, &window->proc)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent != nullptr && Find(parent) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    window->parent = parent;
    window->id = id;
    window->style = style;
    window->text = text;
    window->dialogProc = dialogProc;
    HWND handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x10000 + 4 * ++g_lastWindow));
    WNDPROC proc = window->proc;
    g_windows[handle] = std::move(window);
    if (parent != nullptr)
        Find(parent)->children.push_back(handle);
    if (proc(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    return handle;
}

// ---- dialog templates ----

// Reads a plain dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs) without ever
// reading outside the resource.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<BYTE>& bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    WORD Word() {
        if (position_ + 2 > bytes_.size()) {
            ok_ = false;
            return 0;
        }
        WORD value = static_cast<WORD>(bytes_[position_] | bytes_[position_ + 1] << 8);
        position_ += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    void Skip(size_t count) {
        if (count > bytes_.size() - position_)
            ok_ = false;
        else
            position_ += count;
    }
    void AlignDword() { Skip((4 - position_ % 4) % 4); }
    // A NUL-terminated UTF-16 string, narrowed to the ANSI code page (Latin-1 here).
    std::string String() {
        std::string text;
        for (WORD unit = Word(); ok_ && unit != 0; unit = Word())
            text += unit < 0x100 ? static_cast<char>(unit) : '?';
        return text;
    }
    // A string or a 0xFFFF-prefixed ordinal; nothing for a leading 0.
    std::string StringOrOrdinal(WORD* ordinal) {
        *ordinal = 0;
        size_t start = position_;
        WORD first = Word();
        if (first == 0)
            return std::string();
        if (first == 0xFFFF) {
            *ordinal = Word();
            return std::string();
        }
        position_ = start;
        return String();
    }

private:
    const std::vector<BYTE>& bytes_;
    size_t position_ = 0;
    bool ok_ = true;
};

struct DialogControl {
    DWORD style;
    int id;
    std::string className;
    std::string text;
};

struct DialogTemplate {
    DWORD style;
    std::string caption;
    std::vector<DialogControl> controls;
};

bool ParseTemplate(const std::vector<BYTE>& bytes, DialogTemplate* dialog) {
    TemplateReader reader(bytes);
    dialog->style = reader.Dword();
    if (dialog->style == 0xFFFF0001u) // an extended template: not supported here
        return false;
    reader.Dword(); // extended style
    WORD count = reader.Word();
    reader.Skip(8); // x, y, cx, cy
    WORD ordinal;
    reader.StringOrOrdinal(&ordinal); // menu
    reader.StringOrOrdinal(&ordinal); // class
    dialog->caption = reader.String();
    if (dialog->style & DS_SETFONT) {
        reader.Word(); // point size
        reader.String();
    }
    for (WORD i = 0; i < count && reader.ok(); ++i) {
        reader.AlignDword();
        DialogControl control;
        control.style = reader.Dword();
        reader.Dword(); // extended style
        reader.Skip(8);
        control.id = reader.Word();
        control.className = reader.StringOrOrdinal(&ordinal);
        if (ordinal != 0) {
            static const char* const kPredefined[] = {"Button", "Edit", "Static"};
            if (ordinal < 0x80 || ordinal > 0x82)
                return false;
            control.className = kPredefined[ordinal - 0x80];
        }
        control.text = reader.StringOrOrdinal(&ordinal);
        reader.Skip(reader.Word()); // creation data
        dialog->controls.push_back(control);
    }
    return reader.ok();
}

LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* dialog = Find(window);
    if (dialog == nullptr)
        return 0;
    // As the system's default dialog procedure: the result slot starts at 0, and a
    // message the dialog procedure handled answers with it.
    dialog->msgResult = 0;
    DLGPROC proc = dialog->dialogProc;
    INT_PTR handled =
        proc ? sim::detail::RunLibraryCode([&] { return proc(window, message, wParam, lParam); })
             : 0;
    dialog = Find(window);
    if (dialog == nullptr)
        return handled;
    if (handled)
        return message == WM_INITDIALOG ? handled : dialog->msgResult;
    return DefWindowProcA(window, message, wParam, lParam);
}

using sim::detail::PlatformCall;

// The messages whose answer documents a refusal: a tree that cannot insert or
// change an item answers 0.
bool RefusableMessage(UINT message) {
    return message == TVM_INSERTITEMA || message == TVM_SETITEMA;
}

LRESULT Deliver(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = FindOrFail(handle);
    return window ? sim::detail::CallProc(window->proc, handle, message, wParam, lParam) : 0;
}

} // namespace

namespace sim {

namespace detail {

bool IsSimulationProc(WNDPROC proc) {
    return proc == DialogWindowProc || proc == TreeViewProc || proc == DefWindowProcA ||
           proc == HandlerProc;
}

LRESULT CallProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsSimulationProc(proc))
        return proc(window, message, wParam, lParam);
    return RunLibraryCode([&] { return proc(window, message, wParam, lParam); });
}

void ResetWindows() {
    g_windows.clear();
    g_resources.clear();
    g_dialogDriver = nullptr;
    g_capture = nullptr;
    g_cursor = SystemCursor(IDC_ARROW);
    g_cursorHistory.clear();
}

const std::vector<BYTE>* FindResourceBytes(LPCSTR type, LPCSTR name) {
    if (!IS_INTRESOURCE(type) || !IS_INTRESOURCE(name))
        return nullptr;
    auto it = g_resources.find({static_cast<WORD>(reinterpret_cast<uintptr_t>(type)),
                                static_cast<WORD>(reinterpret_cast<uintptr_t>(name))});
    return it == g_resources.end() ? nullptr : &it->second;
}

} // namespace detail

void AddResource(LPCSTR type, WORD id, const std::vector<BYTE>& bytes) {
    g_resources[{static_cast<WORD>(reinterpret_cast<uintptr_t>(type)), id}] = bytes;
}

void SetDialogDriver(std::function<void(HWND dialog)> driver) {
    g_dialogDriver = std::move(driver);
}

void ClickButton(HWND dialog, int id) {
    detail::CallerScope user(false);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<HCURSOR> CursorHistory() {
    return g_cursorHistory;
}

size_t LiveWindows() {
    return g_windows.size();
}

} // namespace sim

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int, int, int, int,
                     HWND parent, HMENU menu, HINSTANCE, LPVOID) {
    if (className == nullptr || IS_INTRESOURCE(className)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    int id = (style & WS_CHILD) ? static_cast<int>(reinterpret_cast<uintptr_t>(menu)) : 0;
    return CreateWindowOf(className, windowName ? windowName : "", style, parent, id, nullptr);
}

BOOL DestroyWindow(HWND handle) {
    sim::detail::CallerScope simulation(false);
    if (FindOrFail(handle) == nullptr)
        return FALSE;
    if (g_capture == handle)
        ReleaseCapture();
    SendMessageA(handle, WM_DESTROY, 0, 0);
    if (Window* window = Find(handle)) {
        std::vector<HWND> children = window->children;
        for (HWND child : children)
            DestroyWindow(child);
    }
    SendMessageA(handle, WM_NCDESTROY, 0, 0);
    if (Window* window = Find(handle)) {
        if (Window* parent = Find(window->parent))
            parent->children.erase(
                std::find(parent->children.begin(), parent->children.end(), handle));
        g_windows.erase(handle);
    }
    return TRUE;
}

BOOL IsWindow(HWND handle) {
    PlatformCall call("IsWindow");
    if (call.Fails())
        return FALSE;
    return Find(handle) != nullptr;
}

HWND GetParent(HWND handle) {
    Window* window = FindOrFail(handle);
    return window ? window->parent : nullptr;
}

HWND GetDlgItem(HWND dialog, int id) {
    PlatformCall call("GetDlgItem");
    if (call.Fails())
        return nullptr;
    Window* window = FindOrFail(dialog);
    if (window == nullptr)
        return nullptr;
    for (HWND child : window->children)
        if (Find(child)->id == id)
            return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND handle) {
    Window* window = FindOrFail(handle);
    return window ? window->id : 0;
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND parent, DLGPROC dialogProc,
                        LPARAM initParam) {
    PlatformCall call("DialogBoxParamA");
    if (call.Fails()) // 0 for an owner that is not a window, else -1
        return call.Error() == ERROR_INVALID_WINDOW_HANDLE ? 0 : -1;
    const std::vector<BYTE>* bytes = sim::detail::FindResourceBytes(RT_DIALOG, templateName);
    if (bytes == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    DialogTemplate layout;
    if (!ParseTemplate(*bytes, &layout)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return -1;
    }
    HWND dialog = CreateWindowOf(kDialogClass, layout.caption, layout.style, parent, 0, dialogProc);
    if (dialog == nullptr)
        return -1;
    HWND focus = nullptr;
    for (const DialogControl& control : layout.controls) {
        HWND child = CreateWindowOf(control.className, control.text, control.style, dialog,
                                    control.id, nullptr);
        if (child == nullptr) {
            DestroyWindow(dialog);
            return -1;
        }
        if (focus == nullptr && (control.style & WS_TABSTOP))
            focus = child;
    }
    SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam);
    if (Window* window = Find(dialog); window && !window->ended && g_dialogDriver) {
        std::function<void(HWND)> driver = std::exchange(g_dialogDriver, nullptr);
        driver(dialog);
    }
    if (Window* window = Find(dialog); window && !window->ended)
        sim::ClickButton(dialog, IDCANCEL); // the Escape key
    Window* window = Find(dialog);
    if (window == nullptr)
        return -1;
    INT_PTR result = window->ended ? window->endResult : -1;
    DestroyWindow(dialog);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    PlatformCall call("EndDialog");
    if (call.Fails())
        return FALSE; // the dialog goes on
    Window* window = FindOrFail(dialog);
    if (window == nullptr || window->dialogProc == nullptr)
        return FALSE;
    window->ended = true;
    window->endResult = result;
    return TRUE;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (RefusableMessage(message)) {
        PlatformCall call("SendMessageA");
        if (call.Fails())
            return 0; // the control refused
        return Deliver(handle, message, wParam, lParam);
    }
    sim::detail::CallerScope simulation(false);
    return Deliver(handle, message, wParam, lParam);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    PlatformCall call("CallWindowProcA");
    return proc ? sim::detail::CallProc(proc, handle, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    PlatformCall call("DefWindowProcA");
    Window* window = Find(handle);
    if (window == nullptr)
        return 0;
    switch (message) {
    case WM_SETTEXT:
        window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        if (wParam == 0 || lParam == 0)
            return 0;
        size_t count = std::min(window->text.size(), static_cast<size_t>(wParam) - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), window->text.data(), count);
        reinterpret_cast<char*>(lParam)[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(window->text.size());
    case WM_CANCELMODE:
        if (g_capture == handle)
            ReleaseCapture();
        return 0;
    default:
        return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
    PlatformCall call("SetWindowLongPtrA");
    if (call.Fails())
        return 0;
    Window* window = FindOrFail(handle);
    if (window == nullptr)
        return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(
            std::exchange(window->proc, reinterpret_cast<WNDPROC>(value)));
    case DWLP_MSGRESULT:
        if (window->dialogProc != nullptr)
            return std::exchange(window->msgResult, value);
        [[fallthrough]];
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
    Window* window = FindOrFail(handle);
    if (window == nullptr)
        return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(window->proc);
    case DWLP_MSGRESULT:
        if (window->dialogProc != nullptr)
            return window->msgResult;
        [[fallthrough]];
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

BOOL SetWindowTextA(HWND handle, LPCSTR text) {
    PlatformCall call("SetWindowTextA");
    if (call.Fails())
        return FALSE;
    return SendMessageA(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

int GetWindowTextA(HWND handle, LPSTR buffer, int capacity) {
    PlatformCall call("GetWindowTextA");
    if (call.Fails())
        return 0;
    if (buffer != nullptr && capacity > 0)
        buffer[0] = '\0';
    if (capacity <= 0)
        return 0;
    return static_cast<int>(SendMessageA(handle, WM_GETTEXT, static_cast<WPARAM>(capacity),
                                         reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND handle) {
    PlatformCall call("GetWindowTextLengthA");
    if (call.Fails())
        return 0;
    return static_cast<int>(SendMessageA(handle, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetPropA(HWND handle, LPCSTR name, HANDLE data) {
    PlatformCall call("SetPropA");
    if (call.Fails())
        return FALSE;
    Window* window = FindOrFail(handle);
    if (window == nullptr || name == nullptr || IS_INTRESOURCE(name))
        return FALSE;
    window->props[Lower(name)] = data;
    return TRUE;
}

HANDLE GetPropA(HWND handle, LPCSTR name) {
    PlatformCall call("GetPropA");
    if (call.Fails())
        return nullptr;
    Window* window = Find(handle);
    if (window == nullptr || name == nullptr || IS_INTRESOURCE(name))
        return nullptr;
    auto it = window->props.find(Lower(name));
    return it == window->props.end() ? nullptr : it->second;
}

HANDLE RemovePropA(HWND handle, LPCSTR name) {
    PlatformCall call("RemovePropA");
    if (call.Fails())
        return nullptr; // the property stays
    Window* window = Find(handle);
    if (window == nullptr || name == nullptr || IS_INTRESOURCE(name))
        return nullptr;
    auto it = window->props.find(Lower(name));
    if (it == window->props.end())
        return nullptr;
    HANDLE data = it->second;
    window->props.erase(it);
    return data;
}

HWND SetCapture(HWND handle) {
    PlatformCall call("SetCapture");
    HWND previous = g_capture;
    if (Find(handle) == nullptr)
        return previous;
    g_capture = handle;
    if (previous != nullptr && previous != handle)
        SendMessageA(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(handle));
    return previous;
}

BOOL ReleaseCapture(void) {
    PlatformCall call("ReleaseCapture");
    if (call.Fails())
        return FALSE; // the capture stays
    if (HWND previous = std::exchange(g_capture, nullptr))
        SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture(void) {
    PlatformCall call("GetCapture");
    if (call.Fails())
        return nullptr;
    return g_capture;
}

BOOL GetCursorPos(LPPOINT point) {
    if (point == nullptr)
        return FALSE;
    *point = kCursorPosition;
    return TRUE;
}

BOOL ScreenToClient(HWND handle, LPPOINT point) {
    // Every simulated window lies at the origin of the screen.
    return FindOrFail(handle) != nullptr && point != nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    PlatformCall call("LoadCursorA");
    if (call.Fails())
        return nullptr;
    if (instance == nullptr && (name == IDC_ARROW || name == IDC_WAIT))
        return SystemCursor(name);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    PlatformCall call("SetCursor");
    g_cursorHistory.push_back(cursor);
    return std::exchange(g_cursor, cursor);
}

HCURSOR GetCursor(void) {
    return g_cursor;
}
