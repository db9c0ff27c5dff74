#include "Win32Controls.h"
#include "Handles.h"

#include "Layout.h"
#include "Texts.h"

#include <richedit.h>

#include <algorithm>
#include <array>
#include <vector>

namespace juxa::win32 {

std::wstring WindowText(HWND window) {
    // Most texts read here are a few characters long: one call into a buffer
    // on the stack takes them, and only a longer text asks for its length.
    std::array<wchar_t, 64> shortText{};
    const int got = ::GetWindowTextW(window, shortText.data(), static_cast<int>(shortText.size()));
    if (got >= 0 && got < static_cast<int>(shortText.size()) - 1) {
        return std::wstring(shortText.data(), static_cast<std::size_t>(got));
    }
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

FontHandle MakeFont(const wchar_t* face, UINT dpi, BYTE charset) {
    LOGFONTW font{};
    font.lfHeight = Scale(kFontHeight, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = charset;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return FontHandle(::CreateFontIndirectW(&font));
}

// --- drop-down lists ---

bool Win32ComboBox::Editable() const {
    return (::GetWindowLongW(window_, GWL_STYLE) & 3) == CBS_DROPDOWN;
}

std::wstring Win32ComboBox::Text() const {
    return WindowText(window_);
}

void Win32ComboBox::SetText(const std::wstring& text) {
    if (Editable()) {
        ::SetWindowTextW(window_, text.c_str());
        return;
    }
    // A pick-only list shows nothing but its items.
    const LRESULT found = ::SendMessageW(window_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(text.c_str()));
    ::SendMessageW(window_, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

int Win32ComboBox::ItemIndex() const {
    return static_cast<int>(::SendMessageW(window_, CB_GETCURSEL, 0, 0));
}

void Win32ComboBox::SetItemIndex(int index) {
    if (index < 0 || index >= ItemCount()) {
        ::SendMessageW(window_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        if (Editable()) {
            ::SetWindowTextW(window_, L"");
        }
        return;
    }
    ::SendMessageW(window_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32ComboBox::ItemCount() const {
    return static_cast<int>(::SendMessageW(window_, CB_GETCOUNT, 0, 0));
}

std::wstring Win32ComboBox::Item(int index) const {
    const LRESULT length = ::SendMessageW(window_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = ::SendMessageW(window_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                          reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

void Win32ComboBox::AddItem(const std::wstring& text) {
    // The list has no CBS_SORT, so CB_ADDSTRING appends.
    ::SendMessageW(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32ComboBox::DeleteItem(int index) {
    if (index < 0 || index >= ItemCount()) {
        return;
    }
    // Taking an item out of the list must not touch what the field shows,
    // even when the item was the one last picked.
    const std::wstring shown = Text();
    ::SendMessageW(window_, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    if (Editable() && Text() != shown) {
        ::SetWindowTextW(window_, shown.c_str());
    }
}

void Win32ComboBox::ReplaceItems(const std::vector<std::wstring>& items) {
    ::SendMessageW(window_, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& item : items) {
        AddItem(item);
    }
}

// --- radio buttons ---

bool Win32RadioButton::Checked() const {
    return ::SendMessageW(window_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32RadioButton::SetChecked(bool checked) {
    ::SendMessageW(window_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    const LONG style = ::GetWindowLongW(window_, GWL_STYLE);
    ::SetWindowLongW(window_, GWL_STYLE, checked ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
}

// --- the text output field ---

std::wstring ReadInCharset(const std::wstring& text, int charset) {
    CHARSETINFO info{};
    if (charset == DEFAULT_CHARSET ||
        ::TranslateCharsetInfo(FromInteger<DWORD*>(charset), &info, TCI_SRCCHARSET) == FALSE ||
        info.ciACP == 0) {
        return text;
    }
    std::wstring shown;
    shown.reserve(text.size());
    std::string bytes;
    const auto flush = [&] {
        if (bytes.empty()) {
            return;
        }
        const int size = static_cast<int>(bytes.size());
        const int units = ::MultiByteToWideChar(info.ciACP, 0, bytes.data(), size, nullptr, 0);
        const std::size_t at = shown.size();
        shown.resize(at + static_cast<std::size_t>(std::max(units, 0)));
        ::MultiByteToWideChar(info.ciACP, 0, bytes.data(), size, shown.data() + at, units);
        bytes.clear();
    };
    // A double-byte character is two neighbouring bytes, so runs of bytes are
    // read whole.
    for (const wchar_t c : text) {
        if (c <= 0xFF) {
            bytes += static_cast<char>(c);
        } else {
            flush();
            shown += c;
        }
    }
    flush();
    return shown;
}

std::wstring Win32OutputEdit::Text() const {
    if (pending_) {
        return text_;
    }
    // The window is read-only to the user, but anyone may send it WM_SETTEXT:
    // such a text is taken as it stands.
    std::wstring now = WindowText(window_);
    return now == shown_ ? text_ : now;
}

void Win32OutputEdit::SetText(const std::wstring& text) {
    text_ = text;
    bytes_ = false;
    Show();
}

void Win32OutputEdit::SetByteText(const std::wstring& text) {
    text_ = text;
    bytes_ = true;
    Show();
}

void Win32OutputEdit::SetCharset(int charset) {
    if (!pending_) {
        std::wstring now = WindowText(window_);
        if (now != shown_) {
            // Put there from outside: characters, as they stand.
            text_ = std::move(now);
            bytes_ = false;
        }
    }
    charset_ = charset;
    ApplyFont(dpi_);
    Show();
}

void Win32OutputEdit::Show() {
    if (held_) {
        pending_ = true;
        return;
    }
    Write();
}

void Win32OutputEdit::Write() {
    shown_ = bytes_ ? ReadInCharset(text_, charset_) : text_;
    ::SetWindowTextW(window_, shown_.c_str());
    pending_ = false;
}

void Win32OutputEdit::Flush() {
    if (pending_) {
        Write();
    }
}

void Win32OutputEdit::Release() {
    held_ = false;
    Flush();
}

void Win32StatusLine::SetText(const std::wstring& text) {
    text_ = text;
    pending_ = true;
    if (!held_) {
        Flush();
    }
}

void Win32StatusLine::Flush() {
    if (pending_) {
        pending_ = false;
        ::SetWindowTextW(window_, text_.c_str());
    }
}

void Win32StatusLine::Release() {
    held_ = false;
    Flush();
}

void Win32OutputEdit::ApplyFont(UINT dpi) {
    dpi_ = dpi;
    FontHandle font = MakeFont(L"Tahoma", dpi, static_cast<BYTE>(charset_));
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    font_ = std::move(font); // the old font is released only once it is no longer in use
}

// --- the rich text field ---

namespace {

// A rich edit may lay out and draw a large change piece by piece; with
// drawing switched off it does so once, afterwards. That costs a redraw of
// the whole field (several milliseconds with its frame and scroll bar), more
// than a small change costs by itself, so only large changes are made so.
class RedrawOff {
public:
    RedrawOff(HWND window, std::size_t characters)
        : window_(characters > kQuietAbove ? window : nullptr) {
        if (window_ != nullptr) {
            ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
        }
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;
    ~RedrawOff() {
        if (window_ != nullptr) {
            ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
            ::InvalidateRect(window_, nullptr, TRUE);
        }
    }

private:
    static constexpr std::size_t kQuietAbove = 4096;
    HWND window_;
};

} // namespace

Win32RichText::Win32RichText(HWND window, std::size_t capacity)
    : Win32Control(window), capacity_(capacity) {
    ::SendMessageW(window_, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(capacity_));
}

std::size_t Win32RichText::Length() const {
    return clearPending_ ? 0 : WindowLength();
}

std::size_t Win32RichText::WindowLength() const {
    GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT length =
        ::SendMessageW(window_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0);
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

void Win32RichText::SetFont(HFONT font, bool redraw) {
    font_ = font;
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

// Wine's rich edit deletes a long wrapped text in time that grows with the
// square of its length (about 20 s for the dump of 65,536 bytes), while a
// fresh control costs a few milliseconds anywhere. A short text is deleted in
// place, which is cheaper still.
void Win32RichText::Clear() {
    if (held_) {
        clearPending_ = true;
        return;
    }
    ClearNow();
}

void Win32RichText::Flush() {
    if (clearPending_) {
        clearPending_ = false;
        ClearNow();
    }
}

void Win32RichText::Release() {
    held_ = false;
    Flush();
}

void Win32RichText::ClearNow() {
    const std::size_t length = WindowLength();
    if (length > kReplaceAbove && ReplaceWithEmpty()) {
        return;
    }
    const RedrawOff quiet(window_, length);
    ::SendMessageW(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    // Setting a text may raise the limit; keep the field's own capacity.
    ::SendMessageW(window_, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(capacity_));
}

bool Win32RichText::ReplaceWithEmpty() {
    std::array<wchar_t, 64> cls{};
    if (::GetClassNameW(window_, cls.data(), static_cast<int>(cls.size())) == 0) {
        return false;
    }
    const auto style = static_cast<DWORD>(::GetWindowLongW(window_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongW(window_, GWL_EXSTYLE));
    HWND parent = ::GetParent(window_); // the owner, for a window that is not a child
    RECT place{};
    ::GetWindowRect(window_, &place);
    if ((style & WS_CHILD) != 0) {
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&place), 2);
    }
    HWND fresh = ::CreateWindowExW(
        exStyle, cls.data(), L"", style, place.left, place.top, place.right - place.left,
        place.bottom - place.top, parent, FromInteger<HMENU>(::GetWindowLongPtrW(window_, GWLP_ID)),
        FromInteger<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE)), nullptr);
    if (fresh == nullptr) {
        return false;
    }
    // Right behind the old one, so the Tab order stays as it was.
    ::SetWindowPos(fresh, window_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (font_ != nullptr) {
        ::SendMessageW(fresh, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    ::SendMessageW(fresh, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(capacity_));
    const bool hadFocus = ::GetFocus() == window_;
    HWND old = window_;
    window_ = fresh;
    ::DestroyWindow(old);
    if (hadFocus) {
        ::SetFocus(fresh);
    }
    return true;
}

void Win32RichText::AddLine(const std::wstring& text) {
    std::wstring line = text;
    line += L'\r'; // the paragraph end, inserted with the text in one step
    // After a held clear the line takes the place of the whole old text; a
    // long old text is still dropped with its window, as a clear does.
    bool replaceAll = false;
    if (clearPending_) {
        clearPending_ = false;
        const std::size_t old = WindowLength();
        replaceAll = old > 0 && !(old > kReplaceAbove && ReplaceWithEmpty());
    }
    const std::size_t before = replaceAll ? 0 : Length();
    const std::size_t room = capacity_ > before ? capacity_ - before : 0;
    // Not every rich edit refuses text beyond its limit, so the cut is made
    // here; the part that fits stays, as it would where the control cuts.
    const bool fits = line.size() <= room;
    if (!fits) {
        line.resize(room);
    }
    {
        const RedrawOff quiet(window_, line.size());
        const auto end = static_cast<LONG>(before);
        CHARRANGE at{replaceAll ? 0 : end, replaceAll ? -1 : end};
        ::SendMessageW(window_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&at));
        ::SendMessageW(window_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    }
    if (!fits || Length() != before + line.size()) {
        throw JuxaError(L"RichEdit line insertion error");
    }
}

std::wstring Win32RichText::WholeText() const {
    if (clearPending_) {
        return {};
    }
    const auto count = static_cast<int>(::SendMessageW(window_, EM_GETLINECOUNT, 0, 0));
    std::vector<std::wstring> lines;
    lines.reserve(static_cast<std::size_t>(std::max(count, 0)));
    // One more than a line may give, so that a full line keeps its paragraph
    // end apart from its text.
    constexpr std::size_t kBuffer = kMaxDisplayedLine + 2;
    std::vector<wchar_t> buffer(kBuffer);
    for (int i = 0; i < count; ++i) {
        buffer[0] = static_cast<wchar_t>(kBuffer - 1); // EM_GETLINE's size word, in WCHARs
        const LRESULT copied = ::SendMessageW(window_, EM_GETLINE, static_cast<WPARAM>(i),
                                              reinterpret_cast<LPARAM>(buffer.data()));
        std::wstring line(buffer.data(), static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
        while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) {
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    return JoinDisplayedLines(lines);
}

void Win32RichText::CaretToStart() {
    Flush();
    ::SendMessageW(window_, EM_SETSEL, 0, 0);
    ::SendMessageW(window_, EM_SCROLLCARET, 0, 0);
}

} // namespace juxa::win32
