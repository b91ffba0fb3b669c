#pragma once
#include <QString>
#include <QList>
#include <functional>

namespace hsa {

// One entry of the main window's menu.  parent is empty for the eleven
// top-level entries; hidden entries exist (their handlers run when other code
// calls them) but are never shown.
struct MenuEntryDef {
    QString name;     // object name, also the key of the handler
    QString caption;
    QString parent;   // name of the menu it stands in; empty for the menu bar
    bool visible = true;
    bool checkable = false;
    bool checked = false;
    bool separatorBefore = false;
    // A caption over the entries below it: shown, never chosen, no handler.
    bool heading = false;
};

// The whole menu, in order: the eleven top-level entries first (index 0 to
// 10), then the entries of each menu in their order.
const QList<MenuEntryDef>& MainMenuDefinition();

// Names of the top-level entries, index 0 to 10.
QStringList TopLevelMenuNames();

// Menu handlers by entry name.  Parts of the program register the handlers
// of their entries; the main window calls them when an entry is chosen.
using MenuHandler = std::function<void()>;
void RegisterMenuHandler(const QString& name, MenuHandler handler);
bool HasMenuHandler(const QString& name);
// Runs the handler of name; false when none is registered.
bool RunMenuHandler(const QString& name);

} // namespace hsa
