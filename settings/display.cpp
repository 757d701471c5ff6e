#include "settings/display.h"

#include "frame/globals.h"
#include "frame/host.h"
#include "frame/text.h"
#include "keys/hotkeys.h"
#include "keys/keytables.h"
#include "settings/settings.h"

namespace
{

enum { LeaderLength = 255, LeaderSpan = 29, KeyListCapacity = 1024 };

const wchar_t HeaderFormat[] = L"\r\n%s v%u.%u.%u settings:\r\n\n";
const wchar_t ActionLineFormat[] = L"  %s %s /K%-2d : %s\r\n";
const wchar_t KeySeparator[] = L" \u00B7 ";
const wchar_t ErrorSoundFormat[] = L"  Error sound  . . . . . . . . . /E   : %-2d  (%s)\r\n";
const wchar_t CopyChimeFormat[] = L"  Copy chime . . . . . . . . . . /C   : %-2d  (%s)\r\n";
const wchar_t LastArgsFormat[] = L"  LastArgs flags . . . . . . . . /A   : %-2u  (%s)\r\n";
const wchar_t AutoCloseFormat[] = L"  Auto-close flags . . . . . . . /B   : %-2d  (%s)\r\n";
const wchar_t ScrollyFormat[] = L"  Scrolly flags  . . . . . . . . /Y   : %-2u  (%s)\r\n";
const wchar_t CountFormat[] = L"\r\n  %d %s defined.\r\n";

// Dots at even indexes and blanks between, so that every tail of it ends with a dot.
const wchar_t *DotLeader(void)
{
    static wchar_t leader[LeaderLength + 1];
    if (!leader[0]) {
        for (int i = 0; i < LeaderLength; i++)
            leader[i] = (i % 2 == 0) ? L'.' : L' ';
        leader[LeaderLength] = 0;
    }
    return leader;
}

// The leader that takes an action name of the given length to the common column.
const wchar_t *LeaderFor(size_t nameLength)
{
    if (nameLength >= LeaderSpan)
        return L"";
    return DotLeader() + LeaderLength - (LeaderSpan - nameLength);
}

const wchar_t *SoundName(const wchar_t *const names[7], unsigned int value)
{
    return value <= 6 ? names[value] : L"";
}

// The names of the keys bound to one action, in table order; a name that would not fit in
// full ends the list.
void JoinKeyNames(wchar_t *keys, int action)
{
    static wchar_t name[KeyNameCapacity];
    keys[0] = 0;
    unsigned int count =
        HotkeyTable.count > (unsigned int)MaxHotkeys ? (unsigned int)MaxHotkeys : HotkeyTable.count;
    for (unsigned int i = 0; i < count; i++) {
        if (HotkeyTable.entries[i].action != action)
            continue;
        FormatKeyCode(name, HotkeyTable.entries[i].code);
        if (!name[0])
            continue;
        size_t needed =
            TextLength(keys) + (keys[0] ? TextLength(KeySeparator) : 0) + TextLength(name);
        if (needed >= KeyListCapacity)
            return;
        if (keys[0])
            TextAppend(keys, KeyListCapacity, KeySeparator);
        TextAppend(keys, KeyListCapacity, name);
    }
}

} // namespace

int ListHotkeysByAction(void)
{
    static wchar_t keys[KeyListCapacity];
    for (int action = 1; action <= ActionCount; action++) {
        const wchar_t *name = ActionNames[action];
        if (!name || !name[0])
            continue;
        JoinKeyNames(keys, action);
        Printf(ActionLineFormat, name, LeaderFor(TextLength(name)), action, keys);
    }
    return 0;
}

void ShowSettings(void)
{
    Printf(HeaderFormat, PLUGIN_NAME, (unsigned int)VersionMajor, (unsigned int)VersionMinor,
           (unsigned int)VersionBuild);
    ListHotkeysByAction();
    Printf(ErrorSoundFormat, (int)Settings.ErrorSound,
           SoundName(ErrorSoundNames, Settings.ErrorSound));
    Printf(CopyChimeFormat, (int)Settings.CopyChime, SoundName(CopyChimeNames, Settings.CopyChime));
    Printf(LastArgsFormat, Settings.LastArgsFlags, DescribeLastArgsFlags());
    Printf(AutoCloseFormat, (int)Settings.AutoCloseFlags, DescribeAutoCloseFlags());
    Printf(ScrollyFormat, Settings.ScrollyFlags, DescribeScrollyFlags());
    Printf(CountFormat, (int)HotkeyTable.count, HotkeyTable.count == 1 ? L"key" : L"keys");
}
