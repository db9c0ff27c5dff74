// The ports of the query console: the controls of the main window, the
// message boxes, the clipboard, the wait for the device and the About box
// (the drive queries are in Drives.h). The console logic is written against these; the Windows
// binding implements them with real controls, the tests with plain objects.
#pragma once

#include "Drives.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace juxa {

// An error that stops the running handler and reaches the error box; the
// program then goes on waiting for the next event.
class JuxaError : public std::exception {
public:
    explicit JuxaError(std::wstring message) : message_(std::move(message)) {}
    [[nodiscard]] const std::wstring& Message() const { return message_; }
    [[nodiscard]] const char* what() const noexcept override { return "JuxaError"; }

private:
    std::wstring message_;
};

class IControl {
public:
    virtual ~IControl() = default;
    // A disabled control keeps its text; the program can still read and write it.
    virtual void SetEnabled(bool enabled) = 0;
    [[nodiscard]] virtual bool Enabled() const = 0;
};

// Single-line edits, the spin field's edit and the text of a drop-down list.
class IEdit : public IControl {
public:
    [[nodiscard]] virtual std::wstring Text() const = 0;
    // Runs no handler.
    virtual void SetText(const std::wstring& text) = 0;
};

class IComboBox : public IEdit {
public:
    // 0-based position of the selected item, -1 when none.
    [[nodiscard]] virtual int ItemIndex() const = 0;
    // Selects the item and shows its caption; an index with no item selects
    // nothing and empties the text. Runs no handler.
    virtual void SetItemIndex(int index) = 0;
    [[nodiscard]] virtual int ItemCount() const = 0;
    [[nodiscard]] virtual std::wstring Item(int index) const = 0;
    // Appends at the end; no sorting, duplicates allowed.
    virtual void AddItem(const std::wstring& text) = 0;
    // An index of -1 or past the end does nothing.
    virtual void DeleteItem(int index) = 0;
    virtual void ReplaceItems(const std::vector<std::wstring>& items) = 0;
};

class IRadioButton : public IControl {
public:
    [[nodiscard]] virtual bool Checked() const = 0;
};

class IOutputEdit : public IEdit {
public:
    // A text of one character per byte (U+0000 to U+00FF), as an ANSI-mode
    // result is: shown as those bytes read in the character set of the font.
    // SetText's text holds real characters and is shown as it stands under
    // any character set. Text() gives back either as it was written.
    virtual void SetByteText(const std::wstring& text) = 0;
    // The character set of this control's own font (DEFAULT_CHARSET 1,
    // SHIFTJIS_CHARSET 128); the text stays and is redrawn.
    virtual void SetCharset(int charset) = 0;
};

class IRichText : public IControl {
public:
    virtual void Clear() = 0;
    // Appends the text as a new paragraph; throws JuxaError("RichEdit line
    // insertion error") when it does not fit in full (the part that fit stays).
    virtual void AddLine(const std::wstring& text) = 0;
    // The displayed lines as the control wraps them, each followed by CR LF;
    // see JoinDisplayedLines.
    [[nodiscard]] virtual std::wstring WholeText() const = 0;
    virtual void CaretToStart() = 0;
};

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // Plain message: the application title as caption, no icon, "OK".
    virtual void ShowMessage(const std::wstring& text) = 0;
    // Warning question: "Warning", exclamation icon, Yes (default) and No;
    // Escape and the close box answer No. True for Yes.
    virtual bool AskWarning(const std::wstring& text) = 0;
    // Confirmation: "Confirm", question icon, OK (default) and Cancel; Escape
    // and the close box answer Cancel. True for OK.
    virtual bool Confirm(const std::wstring& text) = 0;
    // Error box: the application title, stop icon, "OK". Gets the text as it
    // is to be shown (ErrorBoxText has been applied).
    virtual void ShowError(const std::wstring& text) = 0;
};

class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Replaces the clipboard's contents with the text as CF_UNICODETEXT only;
    // throws JuxaError("Cannot open clipboard: ...") when it cannot be opened.
    virtual void PutText(const std::wstring& text) = 0;
};

// What a send is doing, for whoever makes the user wait for it.
struct CommandInfo {
    std::wstring command; // the preset's caption, or the manual CDB in hex
    wchar_t letter = 0;   // the drive letter as sent
};

// Makes one device call and returns when it has returned; the window lives
// on meanwhile, taking no input, as it does under a modal box. The call's
// error, if it raises one, is raised again here.
class ICommandRunner {
public:
    virtual ~ICommandRunner() = default;
    // False when the program is to close once the call has returned: the
    // caller then shows nothing of the result.
    virtual bool Run(const CommandInfo& info, const std::function<void()>& call) = 0;
};

class IAboutBox {
public:
    virtual ~IAboutBox() = default;
    // Shows the About window modally and returns when it is closed.
    virtual void ShowModal() = 0;
};

} // namespace juxa
