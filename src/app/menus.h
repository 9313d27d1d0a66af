// The main window's menus and tool bar as data: captions, hints, shortcuts,
// separators and the commands enabled from the start.
#pragma once
#include <QString>
#include <span>

namespace orugif::app {

struct MenuEntry {
    int level;             // 0 a top-level menu, 1 an item, 2 an item of a submenu
    const char* name;      // designer name, the objectName
    const char* caption;
    const char* hint;      // "short|long", or one text for both
    const char* shortcut;  // QKeySequence text, several joined by "; ", or nullptr
    bool enabledAtStart;
    bool separatorAfter;
    int helpContext;       // top-level menus only; 0 when none
};

struct ToolEntry {
    const char* name;
    const char* hint;
    const char* icon;      // resource name under :/icons/
    bool enabledAtStart;
    bool groupStart;       // a separator stands before it
};

std::span<const MenuEntry> menuEntries();
std::span<const ToolEntry> toolEntries();

// The controls Valide enables: every command disabled at start.
std::span<const char* const> valideNames();

// Splits a hint at its vertical bar: the short part is the tool-tip, the long
// part the status-bar text; a hint without a bar serves as both.
struct SplitHint {
    QString tip;
    QString status;
};
SplitHint splitHint(const QString& hint);

} // namespace orugif::app
