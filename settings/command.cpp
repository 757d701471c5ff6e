#include "settings/command.h"

#include "actions/console/marks.h"
#include "frame/globals.h"
#include "frame/host.h"
#include "frame/messages.h"
#include "frame/text.h"
#include "frame/version.h"
#include "keys/hotkeys.h"
#include "keys/keytables.h"
#include "settings/display.h"
#include "settings/registry.h"
#include "settings/settings.h"

#include <wctype.h>

// clang-format off
const wchar_t UsageText[] =
    L"Display and change Linewise plugin settings. \n"
    L"\n"
    L"LINEWISE /A:n /B:n /C:n /D /E:n /Kn:key /L /Q /R /S /X:key /Y:n  \r\n"
    L"\n"
    L"\t/A:\tchange the LastArgs flags  \t/A? for more info\n"
    L"\t/B:\tchange the auto-close flags \t/B? for more info\n"
    L"\t/C:\tchange the copy chime \t\t/C? for more info\n"
    L"\t/D\trestore default plugin settings\n"
    L"\t/E:\tchange the error sound \t\t/E? for more info\n"
    L"\t/K:\tdefine or change a hotkey\n"
    L"\t/L\tlist all supported hotkeys\n"
    L"\t/Q\tquietly\n"
    L"\t/R\trestore saved settings from the registry  \n"
    L"\t/S\tsave the current settings to the registry  \n"
    L"\t/X:\tdelete a hotkey\n"
    L"\t/Y:\tchange the Scrolly flags \t/Y? for more info\n"
    L"\n"
    L"LINEWISE with no options displays the plugin\u2019s current settings.\n";
// clang-format on

namespace
{

// The fourth version number and the platform appear only in the version line.
const wchar_t VersionLineFormat[] = L"\r\n\t\t\t\t%s  %u.%u.%u.%u (%s)\r\n";
const unsigned int VersionRevision = LINEWISE_VERSION_REVISION;
const wchar_t VersionPlatform[] = L"x86";

// clang-format off
const wchar_t HelpLastArgs[] =
    L"LINEWISE /A:  \u2014 change the LastArgs flags:\n"
    L"\n"
    L"\t\t\u2015\u2015\u2015  Bitmapped  \u2015\u2015\u2015\n"
    L"\t1:\toverwrite text at cursor\n"
    L"\t2:\tbreak at slash\n"
    L"\t4:\tkeep old args\n"
    L"\t8:\tspace around args\n";

const wchar_t HelpAutoClose[] =
    L"LINEWISE /B:  \u2014 change the AutoClose flags:\n"
    L"\n"
    L"\t\t\u2015\u2015\u2015  Bitmapped  \u2015\u2015\u2015\n"
    L"\t1\tsquare brackets \t[ ]\n"
    L"\t2\tparentheses  \t\t( )\n"
    L"\t4\tbraces \t\t\t{ }\n"
    L"\t8\tquotation marks \t\" \"\n"
    L"\t16\tapostrophes  \t\t' '\n"
    L"\t32\tstrong quotes \t\t` `\n";

const wchar_t HelpCopyChime[] =
    L"LINEWISE /C:  \u2014 change the copy chime sound:\n"
    L"\n"
    L"\t0\tnone\n"
    L"\t1\tchime sound (built into the plugin)\n"
    L"\t2\tthe Windows \u201CAsterisk\u201D sound\n"
    L"\t3\tthe Windows \u201CDefault Beep\u201D sound\n"
    L"\t4\tthe Windows \u201CExclamation\u201D sound\n"
    L"\t5\tthe Windows \u201CCritical Stop\u201D sound\n"
    L"\t6\tthe Windows \u201CQuestion\u201D sound\n";

const wchar_t HelpErrorSound[] =
    L"LINEWISE /E:  \u2014 change the error sound:\n"
    L"\n"
    L"\t0\tnone\n"
    L"\t1\tTCC\u2019s internal beep\n"
    L"\t2\tthe Windows \u201CAsterisk\u201D sound\n"
    L"\t3\tthe Windows \u201CDefault Beep\u201D sound\n"
    L"\t4\tthe Windows \u201CExclamation\u201D sound\n"
    L"\t5\tthe Windows \u201CCritical Stop\u201D sound\n"
    L"\t6\tthe Windows \u201CQuestion\u201D sound\n";

const wchar_t HelpScrolly[] =
    L"LINEWISE /Y:  \u2014 Change the Scrolly flags:\n"
    L"\n"
    L"\t\t\u2015\u2015\u2015  Bitmapped  \u2015\u2015\u2015\n"
    L"\t1\twrap around\n"
    L"\t2\tvisible marks\n";
// clang-format on

// The five numeric options, in the order their pending values are stored.
struct NumericOption {
    wchar_t letter;
    unsigned int SettingsBlock::*setting;
    unsigned int largest;
    bool rangeShowsLargest; // the range message names the limit before the number
    const wchar_t *missing;
    const wchar_t *bad;
    const wchar_t *range;
    const wchar_t *help;
};

const NumericOption NumericOptions[] = {
    {L'E', &SettingsBlock::ErrorSound, 6, true, L"Missing error-sound value: \"%s\"\r\n",
     L"Bad error-sound value: \"%s\"\r\n", L"Error-sound value must be 0 - %u: %u\r\n",
     HelpErrorSound},
    {L'C', &SettingsBlock::CopyChime, 6, true, L"Missing copy-chime value: \"%s\"\r\n",
     L"Bad copy-chime value: \"%s\"\r\n", L"Copy-chime value must be 0 - %u: %u\r\n",
     HelpCopyChime},
    {L'A', &SettingsBlock::LastArgsFlags, 0x7FFFFFFF, false,
     L"Missing LastArgs flags value: \"%s\"\r\n", L"Bad LastArgs flags value: \"%s\"\r\n",
     L"Value too large: %u\r\n", HelpLastArgs},
    {L'Y', &SettingsBlock::ScrollyFlags, 0x7FFFFFFF, false,
     L"Missing Scrolly flags value: \"%s\"\r\n", L"Bad Scrolly flags value: \"%s\"\r\n",
     L"Value too large: %u\r\n", HelpScrolly},
    {L'B', &SettingsBlock::AutoCloseFlags, 0x7FFFFFFF, false,
     L"Missing auto-close flags value: \"%s\"\r\n", L"Bad auto-close flags value: \"%s\"\r\n",
     L"Value too large: %u\r\n", HelpAutoClose},
};
enum { NumericOptionCount = sizeof NumericOptions / sizeof NumericOptions[0] };

const wchar_t UnknownOption[] = L"Unknown option: \"%s\"\r\n";
const wchar_t SyntaxError[] = L"Syntax error: \"%s\"\r\n";
const wchar_t MissingAction[] = L"Missing action value: \"%s\"\r\n";
const wchar_t BadAction[] = L"Bad action value: \"%s\"\r\n";
const wchar_t ActionRange[] = L"Action must be 1 - %u: %u\r\n";
const wchar_t ExpectedSeparator[] = L"Expected a colon or equals sign: \"%s\"\r\n";
const wchar_t MissingKeyName[] = L"Missing key name: \"%s\"\r\n";
const wchar_t UnknownKeyName[] = L"Unknown key name: \"%s\"\r\n";
const wchar_t InvalidHotkey[] = L"Invalid hotkey: \"%s\"\r\n";
const wchar_t KeyNotAllowedMessage[] = L"Key not allowed: \"%s\"\r\n";
const wchar_t CannotCombineList[] = L"Can\u2019t combine /L with other options\r\n";
const wchar_t BufferOverflow[] = L"Buffer overflow: b = %d, MAX_ARG_LEN = %d \r\n";
const wchar_t RestoredFrom[] = L"Settings restored from the registry (%s\\%s).\r\n";
const wchar_t NotFound[] = L"Settings not found in the registry.\r\n";
const wchar_t DefaultsRestored[] = L"Default plugin settings restored.\r\n";
const wchar_t SaveFailed[] = L"Error saving settings to the registry (%s\\%s) :\r\n";
const wchar_t SaveFailedReason[] = L"%s\r\n";
const wchar_t SavedTo[] = L"\r\nSettings saved to the registry (%s\\%s).\r\n";

wchar_t ArgumentBuffer[ArgumentBufferCapacity];
const wchar_t *Arguments[MaxArguments];
int ArgumentTotal;

HANDLE StandardError(void)
{
    return GetStdHandle(STD_ERROR_HANDLE);
}

void ReportText(const wchar_t *format, const wchar_t *text)
{
    ReportErrorPrefix();
    Qprintf(StandardError(), format, text);
}

enum SaveTarget { SaveNowhere, SaveUser, SaveMachine };

struct PendingChanges {
    bool given[NumericOptionCount];
    unsigned int value[NumericOptionCount];
    HotkeyTableData table;
    bool tableChanged;
    bool restore, defaults, list, quiet;
    SaveTarget save;
    bool valueOption; // only used to refuse /L next to options that carry a value
};

// What reading one argument decided.
enum ReadResult { ReadNext, ReadDoneSuccess, ReadFailed };

wchar_t Upper(wchar_t ch)
{
    return (ch >= L'a' && ch <= L'z') ? (wchar_t)(ch - L'a' + L'A') : ch;
}

bool HasPrefix(const wchar_t *argument, wchar_t letter)
{
    return argument[0] == L'/' && argument[1] != 0 && Upper(argument[1]) == letter;
}

// The option's value: from the third character, one leading separator skipped.
const wchar_t *OptionValue(const wchar_t *argument)
{
    const wchar_t *value = argument + 2;
    if (IsValueSeparator(*value))
        value++;
    return value;
}

bool ContainsQuestionMark(const wchar_t *text)
{
    for (; *text; text++)
        if (*text == L'?')
            return true;
    return false;
}

ReadResult ReadNumericOption(const NumericOption &option, int index, const wchar_t *argument,
                             PendingChanges *pending)
{
    const wchar_t *value = OptionValue(argument);
    if (!*value) {
        ReportText(option.missing, argument);
        return ReadFailed;
    }
    if (ContainsQuestionMark(value)) {
        QPuts(option.help);
        return ReadDoneSuccess;
    }
    unsigned int number;
    const wchar_t *end;
    if (ParseNumber(value, &end, &number) != 0) {
        ReportText(option.bad, argument);
        return ReadFailed;
    }
    if (number > option.largest) {
        ReportErrorPrefix();
        if (option.rangeShowsLargest)
            Qprintf(StandardError(), option.range, option.largest, number);
        else
            Qprintf(StandardError(), option.range, number);
        return ReadFailed;
    }
    pending->given[index] = true;
    pending->value[index] = number;
    pending->valueOption = true;
    return ReadNext;
}

// The key code of a key name, or 0 after reporting why there is none.
int ReadKeyName(const wchar_t *name, const wchar_t *argument)
{
    if (!*name) {
        ReportText(MissingKeyName, argument);
        return 0;
    }
    int code = ParseKeyName(name);
    if (code > 0)
        return code;
    if (code == KeyInvalid)
        ReportText(InvalidHotkey, name);
    else if (code == KeyNotAllowed)
        ReportText(KeyNotAllowedMessage, name);
    else
        ReportText(UnknownKeyName, name);
    return 0;
}

ReadResult ReadHotkeyOption(const wchar_t *argument, PendingChanges *pending)
{
    const wchar_t *value = OptionValue(argument);
    if (!*value) {
        ReportText(MissingAction, argument);
        return ReadFailed;
    }
    unsigned int action;
    const wchar_t *end;
    if (ParseNumber(value, &end, &action) != 0) {
        ReportText(BadAction, argument);
        return ReadFailed;
    }
    if (action > ActionCount) {
        ReportErrorPrefix();
        Qprintf(StandardError(), ActionRange, (unsigned int)ActionCount, action);
        return ReadFailed;
    }
    if (!IsValueSeparator(*end)) {
        ReportText(ExpectedSeparator, argument);
        return ReadFailed;
    }
    int code = ReadKeyName(end + 1, argument);
    if (code == 0)
        return ReadFailed;
    if (HotkeySet(&pending->table, code, (int)action) != 0)
        return ReadFailed;
    pending->tableChanged = true;
    pending->valueOption = true;
    return ReadNext;
}

ReadResult ReadRemoveOption(const wchar_t *argument, PendingChanges *pending)
{
    int code = ReadKeyName(OptionValue(argument), argument);
    if (code == 0)
        return ReadFailed;
    if (HotkeyRemove(&pending->table, code) != 0)
        return ReadFailed;
    pending->tableChanged = true;
    pending->valueOption = true;
    return ReadNext;
}

ReadResult ReadArgument(const wchar_t *argument, PendingChanges *pending)
{
    if (argument[0] == L'/' && argument[1] == L'?') {
        QPuts(UsageText);
        if (argument[2] == L'?')
            Printf(VersionLineFormat, PLUGIN_NAME, (unsigned int)VersionMajor,
                   (unsigned int)VersionMinor, (unsigned int)VersionBuild, VersionRevision,
                   VersionPlatform);
        return ReadDoneSuccess;
    }
    for (int i = 0; i < NumericOptionCount; i++)
        if (HasPrefix(argument, NumericOptions[i].letter))
            return ReadNumericOption(NumericOptions[i], i, argument, pending);
    if (HasPrefix(argument, L'K'))
        return ReadHotkeyOption(argument, pending);
    if (HasPrefix(argument, L'X'))
        return ReadRemoveOption(argument, pending);
    if (TextEqualNoCase(argument, L"/D"))
        pending->defaults = true;
    else if (TextEqualNoCase(argument, L"/L"))
        pending->list = true;
    else if (TextEqualNoCase(argument, L"/Q"))
        pending->quiet = true;
    else if (TextEqualNoCase(argument, L"/R"))
        pending->restore = true;
    else if (TextEqualNoCase(argument, L"/S"))
        pending->save = SaveUser;
    else if (TextEqualNoCase(argument, L"/S!"))
        pending->save = SaveMachine;
    else {
        ReportText(argument[0] == L'/' ? UnknownOption : SyntaxError, argument);
        return ReadFailed;
    }
    return ReadNext;
}

const wchar_t *RootName(SaveTarget target)
{
    return target == SaveMachine ? L"HKLM" : L"HKCU";
}

void RestoreFromRegistry(PendingChanges *pending)
{
    const wchar_t *found = nullptr;
    if (LoadSettings(HKEY_CURRENT_USER) == 0)
        found = L"HKCU";
    else if (LoadSettings(HKEY_LOCAL_MACHINE) == 0)
        found = L"HKLM";
    if (found)
        pending->defaults = false;
    if (pending->quiet)
        return;
    if (found)
        Printf(RestoredFrom, found, SETTINGS_KEY_PATH);
    else
        Printf(NotFound);
}

void StoreValues(const PendingChanges &pending)
{
    for (int i = 0; i < NumericOptionCount; i++) {
        if (!pending.given[i])
            continue;
        unsigned int &setting = Settings.*NumericOptions[i].setting;
        unsigned int old = setting;
        setting = pending.value[i];
        if (NumericOptions[i].setting == &SettingsBlock::ScrollyFlags &&
            ((old ^ setting) & ScrollyVisible))
            RepaintCommandMarks();
    }
}

int SaveToRegistry(const PendingChanges &pending)
{
    int code = SaveSettings(pending.save == SaveMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    if (code != 0) {
        wchar_t reason[ErrorTextCapacity];
        WindowsErrorText(reason, code);
        CrLf();
        ReportErrorPrefix();
        Qprintf(StandardError(), SaveFailed, RootName(pending.save), SETTINGS_KEY_PATH);
        Qprintf(StandardError(), SaveFailedReason, reason);
        return 2;
    }
    if (!pending.quiet)
        Printf(SavedTo, RootName(pending.save), SETTINGS_KEY_PATH);
    return 0;
}

int ApplyChanges(PendingChanges *pending)
{
    if (pending->list) {
        if (pending->save != SaveNowhere || pending->restore || pending->defaults ||
            pending->valueOption) {
            ReportErrorPrefix();
            Qprintf(StandardError(), CannotCombineList);
            return 1;
        }
        return ListKeyNames();
    }
    if (pending->restore)
        RestoreFromRegistry(pending);
    if (pending->defaults) {
        SetDefaultSettings();
        if (!pending->quiet)
            Printf(DefaultsRestored);
    }
    if (pending->tableChanged) {
        unsigned int count = pending->table.count > (unsigned int)MaxHotkeys
                                 ? (unsigned int)MaxHotkeys
                                 : pending->table.count;
        ZeroMemory(HotkeyTable.entries, sizeof HotkeyTable.entries);
        for (unsigned int i = 0; i < count; i++)
            HotkeyTable.entries[i] = pending->table.entries[i];
        HotkeyTable.count = count;
    }
    StoreValues(*pending);
    if (!pending->quiet)
        ShowSettings();
    if (pending->save != SaveNowhere)
        return SaveToRegistry(*pending);
    return 0;
}

// Ends the argument that begins at start and is followed by b units: its terminator goes at
// b. False when the terminator does not fit.
bool EndArgument(size_t start, size_t *b, int *count)
{
    if (*b >= (size_t)ArgumentBufferCapacity)
        return false;
    ArgumentBuffer[(*b)++] = 0;
    Arguments[(*count)++] = ArgumentBuffer + start;
    return true;
}

void TrimTrailingBlanks(wchar_t *argument)
{
    size_t length = TextLength(argument);
    while (length > 0 && IsBlank(argument[length - 1]))
        argument[--length] = 0;
}

} // namespace

int SplitArguments(const wchar_t *text)
{
    ArgumentTotal = 0;
    if (!text)
        return 0;
    size_t b = 0, start = 0;
    int count = 0;
    bool quoting = false, link = false, overflow = false;
    for (size_t i = 0; count < MaxArguments; i++) {
        wchar_t ch = text[i];
        if (ch == 0) {
            if (b > start && !EndArgument(start, &b, &count))
                overflow = true;
            break;
        }
        if (ch == L'"') {
            quoting = !quoting;
            continue;
        }
        if (!quoting && IsBlank(ch)) {
            if (b > start) {
                if (!EndArgument(start, &b, &count)) {
                    overflow = true;
                    break;
                }
                start = b;
                link = false;
            }
            continue;
        }
        if (!quoting && ch == L'/' && !link && b - start >= 2 && ArgumentBuffer[start] == L'/') {
            if (!EndArgument(start, &b, &count)) {
                overflow = true;
                break;
            }
            start = b;
            if (count >= MaxArguments)
                break;
        }
        // A scheme such as "http://" keeps the slashes that follow inside this argument.
        if (ch == L':' && b > start && iswalpha(ArgumentBuffer[b - 1]) && text[i + 1] == L'/' &&
            text[i + 2] == L'/')
            link = true;
        if (b >= (size_t)ArgumentBufferCapacity) {
            overflow = true;
            break;
        }
        ArgumentBuffer[b++] = Upper(ch);
    }
    if (overflow) {
        ReportErrorPrefix();
        Qprintf(StandardError(), BufferOverflow, (int)b, (int)ArgumentBufferCapacity);
        return -1;
    }
    for (int n = 0; n < count; n++)
        TrimTrailingBlanks(ArgumentBuffer + (Arguments[n] - ArgumentBuffer));
    ArgumentTotal = count;
    return count;
}

int ArgumentCount(void)
{
    return ArgumentTotal;
}

const wchar_t *Argument(int index)
{
    return (index >= 0 && index < ArgumentTotal) ? Arguments[index] : nullptr;
}

LINEWISE_EXPORT int __stdcall linewise(const wchar_t *arguments)
{
    if (!arguments)
        return 1;
    // An argument text too long to split is reported, and the settings are still shown as
    // for no arguments; the result tells a script that its options were not applied.
    bool overflow = SplitArguments(arguments) < 0;
    PendingChanges pending;
    ZeroMemory(&pending, sizeof pending);
    pending.table = HotkeyTable;
    for (int i = 0; i < ArgumentTotal; i++) {
        ReadResult read = ReadArgument(Arguments[i], &pending);
        if (read == ReadDoneSuccess)
            return 0;
        if (read == ReadFailed)
            return 1;
    }
    int result = ApplyChanges(&pending);
    return overflow && result == 0 ? 1 : result;
}
