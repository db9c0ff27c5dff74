// The console's control ports over real Windows controls. Every write here is
// one the program makes, so none of them may look like a user's action: the
// messages used raise no notification that the window binds to a handler.
#pragma once

#include "Controls.h"
#include "Handles.h"

#include <windows.h>

#include <cstddef>
#include <string>

namespace juxa::win32 {

std::wstring WindowText(HWND window);

// A font 11 pixels high at 96 DPI (8 point), scaled to the given DPI.
FontHandle MakeFont(const wchar_t* face, UINT dpi, BYTE charset);

// The owner of one control's window, and the one place that knows it: the
// hex field's owner may put a fresh window in the old one's place.
class ControlWindow {
public:
    explicit ControlWindow(HWND window) : window_(window) {}
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;
    virtual ~ControlWindow() = default;
    [[nodiscard]] HWND Window() const { return window_; }

protected:
    HWND window_;
};

// The enabled flag is common to every control port; the interface varies.
template <typename Interface> class Win32Control : public Interface, public ControlWindow {
public:
    explicit Win32Control(HWND window) : ControlWindow(window) {}
    void SetEnabled(bool enabled) override { ::EnableWindow(window_, enabled ? TRUE : FALSE); }
    [[nodiscard]] bool Enabled() const override { return ::IsWindowEnabled(window_) != FALSE; }
};

// WM_SETTEXT raises EN_CHANGE only, and nothing is bound to it.
template <typename Interface> class Win32EditOf : public Win32Control<Interface> {
public:
    using Win32Control<Interface>::Win32Control;
    [[nodiscard]] std::wstring Text() const override { return WindowText(this->window_); }
    void SetText(const std::wstring& text) override {
        ::SetWindowTextW(this->window_, text.c_str());
    }
};

using Win32Edit = Win32EditOf<IEdit>;

class Win32ComboBox final : public Win32Control<IComboBox> {
public:
    using Win32Control::Win32Control;
    [[nodiscard]] std::wstring Text() const override;
    void SetText(const std::wstring& text) override;
    [[nodiscard]] int ItemIndex() const override;
    void SetItemIndex(int index) override;
    [[nodiscard]] int ItemCount() const override;
    [[nodiscard]] std::wstring Item(int index) const override;
    void AddItem(const std::wstring& text) override;
    void DeleteItem(int index) override;
    void ReplaceItems(const std::vector<std::wstring>& items) override;

private:
    [[nodiscard]] bool Editable() const;
};

class Win32RadioButton final : public Win32Control<IRadioButton> {
public:
    using Win32Control::Win32Control;
    [[nodiscard]] bool Checked() const override;
    // Only the checked one of the pair is a Tab stop.
    void SetChecked(bool checked);
};

// How a text of one character per byte looks to a program whose edit draws
// those bytes in a font of the given character set: the bytes read in that
// set's code page. Characters above FFh are no bytes and stay as they are;
// DEFAULT_CHARSET changes nothing.
std::wstring ReadInCharset(const std::wstring& text, int charset);

// edtSTRING: its font is its own, so the character set can change alone.
// A Unicode edit draws characters, not bytes, so a font's character set alone
// would not turn the bytes of an ANSI result into that set's letters; the
// window shows ReadInCharset of a byte text, and Text() gives back the text
// as the program wrote it. A text of real characters (a Unicode-mode result,
// a message) is shown as it stands: only its font changes.
class Win32OutputEdit final : public Win32EditOf<IOutputEdit> {
public:
    using Win32EditOf::Win32EditOf;
    [[nodiscard]] std::wstring Text() const override;
    void SetText(const std::wstring& text) override;
    void SetByteText(const std::wstring& text) override;
    void SetCharset(int charset) override;
    [[nodiscard]] int Charset() const { return charset_; }
    // The font at the window's current DPI, in the current character set.
    void ApplyFont(UINT dpi);
    // While held, a text is kept and reaches the window only at Release (or
    // Flush): a Send clears the field and then writes its result, and under
    // Wine each write costs round trips to the server, while nothing can be
    // drawn between the two unless a box opens, which flushes first.
    void Hold() { held_ = true; }
    void Flush();
    void Release();

private:
    // Writes the text, or keeps it for later while held.
    void Show();
    // Writes the text to the window now.
    void Write();

    int charset_ = DEFAULT_CHARSET;
    UINT dpi_ = 96;
    FontHandle font_;
    std::wstring text_;  // as written
    bool bytes_ = false; // text_ is one character per byte
    std::wstring shown_; // as the window holds it
    bool held_ = false;
    bool pending_ = false; // text_ has not reached the window yet
};

// The status line: as the outputs are, held while a send runs, so that the
// clear at the press and the line at the end reach the window once.
class Win32StatusLine final : public Win32EditOf<IEdit> {
public:
    using Win32EditOf::Win32EditOf;
    [[nodiscard]] std::wstring Text() const override { return text_; }
    void SetText(const std::wstring& text) override;
    void Hold() { held_ = true; }
    void Flush();
    void Release();

private:
    std::wstring text_;
    bool held_ = false;
    bool pending_ = false;
};

// The rich text field memHEX.
class Win32RichText final : public Win32Control<IRichText> {
public:
    // 65536 bytes at three characters each, plus the paragraph end.
    static constexpr std::size_t kDefaultCapacity = 3 * 65536 + 1;

    // Above this many characters, clearing puts a fresh control in place.
    static constexpr std::size_t kReplaceAbove = 4096;

    Win32RichText(HWND window, std::size_t capacity);
    // The font is kept, so that a fresh control can take it over.
    void SetFont(HFONT font, bool redraw = true);
    void Clear() override;
    void AddLine(const std::wstring& text) override;
    [[nodiscard]] std::wstring WholeText() const override;
    void CaretToStart() override;
    [[nodiscard]] std::size_t Length() const;
    // As for the text output: while held, a clear is kept, and a line added
    // after it replaces the old text in one step.
    void Hold() { held_ = true; }
    void Flush();
    void Release();

private:
    // Replaces the control with an empty one of the same class, style,
    // identifier, place, font and tab position; false if none could be made.
    bool ReplaceWithEmpty();
    // Empties the window now.
    void ClearNow();
    [[nodiscard]] std::size_t WindowLength() const;
    std::size_t capacity_;
    HFONT font_ = nullptr;
    bool held_ = false;
    bool clearPending_ = false;
};

} // namespace juxa::win32
