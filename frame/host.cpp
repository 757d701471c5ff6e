#include "frame/host.h"

#include "frame/text.h"

namespace
{

// The shell writes its error messages wherever the standard handles point; for the one call
// they point at "nul" and are restored at once. "nul" is opened at the first quiet call and
// kept until shut-down: opening it costs more than most expansions.
HANDLE QuietOutput = INVALID_HANDLE_VALUE;

int CallQuietly(int(__stdcall *call)(wchar_t *), wchar_t *text)
{
    if (QuietOutput == INVALID_HANDLE_VALUE)
        QuietOutput = CreateFileW(L"nul", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (QuietOutput == INVALID_HANDLE_VALUE)
        return call(text);
    HANDLE savedError = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE savedOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, QuietOutput);
    SetStdHandle(STD_OUTPUT_HANDLE, QuietOutput);
    int result = call(text);
    SetStdHandle(STD_ERROR_HANDLE, savedError);
    SetStdHandle(STD_OUTPUT_HANDLE, savedOutput);
    return result;
}

int __stdcall ExpandWithFlag(wchar_t *text)
{
    return ExpandVariables(text, 1);
}

} // namespace

int ExpandQuietly(wchar_t *text)
{
    return CallQuietly(ExpandWithFlag, text);
}

int EvaluateQuietly(wchar_t *text)
{
    return CallQuietly(Evaluate, text);
}

void CloseQuietOutput(void)
{
    if (QuietOutput != INVALID_HANDLE_VALUE)
        CloseHandle(QuietOutput);
    QuietOutput = INVALID_HANDLE_VALUE;
}

namespace
{

// The shell's ExpandVariables may write up to 8192 units in place, whatever was asked for, so
// the option's answer gets a buffer of that size even though one character is expected.
enum { OptionCapacity = 8192 };

void ExpandOption(wchar_t *text, const wchar_t *request)
{
    TextCopy(text, OptionCapacity, request);
    if (ExpandVariables(text, 1) != 0)
        text[0] = 0;
    text[OptionCapacity - 1] = 0;
}

bool IsAsciiLetterOrDigit(wchar_t ch)
{
    return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}

} // namespace

wchar_t GetEscapeChar(void)
{
    wchar_t text[OptionCapacity];
    ExpandOption(text, L"%@option[EscapeChar]");
    if (text[0] && !text[1] && !IsAsciiLetterOrDigit(text[0]) && !IsCharAlphaNumericW(text[0]))
        return text[0];
    return L'^';
}

bool UnixPathsMode(void)
{
    wchar_t text[OptionCapacity];
    ExpandOption(text, L"%@option[UnixPaths]");
    return text[0] == L'Y' || text[0] == L'y';
}

bool IsShellNameLetter(wchar_t ch)
{
    if (ch < 0x80)
        return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
    return IsCharAlphaW(ch) != 0;
}

namespace
{

bool IsShellNameChar(wchar_t ch)
{
    return IsShellNameLetter(ch) || (ch >= L'0' && ch <= L'9') || ch == L'_' || ch == L'$';
}

bool IsNameStart(wchar_t ch)
{
    return IsShellNameLetter(ch) || (ch >= L'0' && ch <= L'9') || ch == L'_';
}

// The index after the name characters from text[from], at most limit.
int NameEnd(const wchar_t *text, int from, int limit)
{
    int j = from;
    while (j < limit && IsShellNameChar(text[j]))
        j++;
    return j;
}

} // namespace

ConstructOpening ClassifyPercent(const wchar_t *text, int i, int limit)
{
    const ConstructOpening none = {ConstructNone, 0, 0};
    const wchar_t next = text[i + 1];
    if (next == L'=')
        return {ConstructEscape, 0, i + 1};
    if (next == L'+')
        return {ConstructSeparator, 0, i + 1};
    if (next == L'@') {
        if (!IsShellNameLetter(text[i + 2]))
            return none;
        const int j = NameEnd(text, i + 3, limit);
        if (text[j] == L'[' && text[j + 1])
            return {ConstructFunction, j + 1, 0};
        return none;
    }
    if (next == L'(' || next == L'[') {
        const ShellConstruct twice = next == L'(' ? ConstructDoubleParen : ConstructDoubleBracket;
        const ShellConstruct once = next == L'(' ? ConstructParen : ConstructBracket;
        if (text[i + 2] == next && text[i + 3])
            return {twice, i + 3, 0};
        if (text[i + 2])
            return {once, i + 2, 0};
        return none;
    }
    if (next == L'{')
        return text[i + 2] ? ConstructOpening{ConstructBrace, i + 2, 0} : none;
    if (!IsNameStart(next))
        return none;
    const int j = NameEnd(text, i + 2, limit);
    if (text[j] == L'[' && text[j + 1])
        return {ConstructArray, j + 1, 0};
    return {ConstructVariable, 0, j - 1};
}
