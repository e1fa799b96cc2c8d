// The command table: every command number of the menus with its menu text,
// shortcut, group and handler. Menus, toolbars, shortcuts and routing are
// built from it. A command without a handler is shown disabled, with the
// reason as its tooltip.
#pragma once

#include <vector>

namespace ob {

class MainFrame;
class EditorWindow;

enum class CommandGroup {
    File,
    Setup,
    Format,
    Sampler,
    Window,
    Help,
    View,
    HorizontalUnits,
    VerticalUnits,
    Functions,
    Mode,
    Effects,
    LoopsMarkers,
    Edit,
    None,
};

// Where a command number is routed: the frame takes 40001..40505 (File,
// Setup, Format, Sampler, Window, Help), the active editor everything else.
enum class CommandTarget { Frame, Editor };

struct CommandContext {
    MainFrame* frame = nullptr;
    EditorWindow* editor = nullptr;  // the active editor (null for none)
    int id = 0;
};
using CommandHandler = void (*)(CommandContext& context);
using CommandState = bool (*)(const CommandContext& context);

struct Command {
    int id = 0;
    const char* text = "";      // menu text with its mnemonic
    const char* shortcut = "";  // QKeySequence text; "" for none
    CommandGroup group = CommandGroup::None;
    CommandHandler handler = nullptr;  // null: disabled, `missing` says why
    const char* missing = nullptr;     // "Not available yet: needs ..."
    CommandState checked = nullptr;    // non-null: a check mark follows it
    CommandState enabled = nullptr;    // non-null: extra condition (wave, undo state)
    const char* icon = "";             // icon theme name for the toolbars
    bool radio = false;                // one of a group of exclusive choices
};

// Every command, in menu order within each group.
const std::vector<Command>& CommandTable();
const Command* FindCommand(int id);
// The group of a command number by its range (None outside every range).
CommandGroup GroupOfNumber(int id);
CommandTarget TargetOf(int id);
const char* GroupMenuTitle(CommandGroup group);

}  // namespace ob
