#include "host/takecmd/expansion.h"

#include "frame/host.h"
#include "frame/text.h"
#include "host/takecmd/evaluator.h"
#include "host/takecmd/output.h"
#include "host/takecmd/variables.h"

#include <stdlib.h>
#include <wctype.h>

namespace
{

const int MaxDepth = 32;

enum Result { Ok = 0, Failed = 1, Overflow = 2 };

struct Sink {
    wchar_t *out;
    size_t capacity;
    size_t length;
    bool overflow;
};

void Put(Sink &sink, const wchar_t *text, size_t count)
{
    for (size_t i = 0; i < count && text[i]; i++) {
        if (sink.length + 1 >= sink.capacity) {
            sink.overflow = true;
            break;
        }
        sink.out[sink.length++] = text[i];
    }
    sink.out[sink.length] = 0;
}

bool IsNameStart(wchar_t ch)
{
    return iswalpha(ch) || ch == L'_';
}
bool IsNameChar(wchar_t ch)
{
    return iswalnum(ch) || ch == L'_' || ch == L'$';
}

// Index of the bracket that closes the one before start, or -1. Brackets inside double quotes
// or after the escape character do not count.
long FindClosingBracket(const wchar_t *text, size_t start, size_t length, wchar_t escape)
{
    int level = 1;
    bool quoted = false;
    for (size_t i = start; i < length; i++) {
        wchar_t ch = text[i];
        if (ch == escape) {
            i++;
            continue;
        }
        if (ch == L'"')
            quoted = !quoted;
        else if (!quoted && ch == L'[')
            level++;
        else if (!quoted && ch == L']' && --level == 0)
            return (long)i;
    }
    return -1;
}

// Index of the first ')' of the "))" that closes "%((" (contents from start on), or -1.
// Parentheses in between nest; inside double quotes or after the escape character they do
// not count.
long FindClosingParens(const wchar_t *text, size_t start, size_t length, wchar_t escape)
{
    int level = 0;
    bool quoted = false;
    for (size_t i = start; i < length; i++) {
        wchar_t ch = text[i];
        if (ch == escape) {
            i++;
            continue;
        }
        if (ch == L'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (ch == L'(')
            level++;
        else if (ch == L')' && level > 0)
            level--;
        else if (ch == L')' && i + 1 < length && text[i + 1] == L')')
            return (long)i;
    }
    return -1;
}

void ReportSyntax(const wchar_t *construct, size_t count)
{
    wchar_t shown[128];
    TextCopyCount(shown, 128, construct, count);
    ShellError(L"Syntax error \"%s\"", shown);
}

// File-name functions take the name with or without surrounding double quotes.
void Unquote(wchar_t *text)
{
    size_t n = TextLength(text);
    if (n >= 2 && text[0] == L'"' && text[n - 1] == L'"') {
        TextCopyCount(text, n, text + 1, n - 2);
    }
}

size_t NameStart(const wchar_t *path)
{
    size_t start = 0;
    for (size_t i = 0; path[i]; i++)
        if (path[i] == L'\\' || path[i] == L'/' || (i == 1 && path[i] == L':'))
            start = i + 1;
    return start;
}

// Index of the extension's dot in the last component, or the length when there is none.
size_t ExtensionDot(const wchar_t *path)
{
    size_t start = NameStart(path), length = TextLength(path), dot = length;
    for (size_t i = start; i < length; i++)
        if (path[i] == L'.')
            dot = i;
    return dot;
}

int Give(wchar_t *out, size_t capacity, const wchar_t *text, size_t count)
{
    return TextCopyCount(out, capacity, text, count) == 0 ? Ok : Overflow;
}

int FunctionOption(wchar_t *argument, wchar_t *out, size_t capacity)
{
    return LookupOption(argument, out, capacity) == 2 ? Overflow : Ok;
}

int FunctionPath(wchar_t *argument, wchar_t *out, size_t capacity)
{
    Unquote(argument);
    return Give(out, capacity, argument, NameStart(argument));
}

int FunctionName(wchar_t *argument, wchar_t *out, size_t capacity)
{
    Unquote(argument);
    size_t start = NameStart(argument);
    return Give(out, capacity, argument + start, ExtensionDot(argument) - start);
}

int FunctionFileName(wchar_t *argument, wchar_t *out, size_t capacity)
{
    Unquote(argument);
    return Give(out, capacity, argument + NameStart(argument), (size_t)-1);
}

int FunctionExt(wchar_t *argument, wchar_t *out, size_t capacity)
{
    Unquote(argument);
    size_t dot = ExtensionDot(argument);
    return Give(out, capacity, argument[dot] ? argument + dot + 1 : L"", (size_t)-1);
}

int FunctionFull(wchar_t *argument, wchar_t *out, size_t capacity)
{
    Unquote(argument);
    out[0] = 0;
    if (!argument[0])
        return Ok;
    DWORD n = GetFullPathNameW(argument, (DWORD)capacity, out, nullptr);
    if (n >= capacity) {
        out[0] = 0;
        return Overflow;
    }
    if (n == 0)
        out[0] = 0;
    return Ok;
}

int FunctionUpper(wchar_t *argument, wchar_t *out, size_t capacity)
{
    int result = Give(out, capacity, argument, (size_t)-1);
    CharUpperBuffW(out, (DWORD)TextLength(out));
    return result;
}

int FunctionLower(wchar_t *argument, wchar_t *out, size_t capacity)
{
    int result = Give(out, capacity, argument, (size_t)-1);
    CharLowerBuffW(out, (DWORD)TextLength(out));
    return result;
}

int FunctionLen(wchar_t *argument, wchar_t *out, size_t capacity)
{
    return TextFormat(out, capacity, L"%u", (unsigned)TextLength(argument)) < 0 ? Overflow : Ok;
}

int FunctionEval(wchar_t *argument, wchar_t *out, size_t capacity)
{
    return EvaluateText(argument, out, capacity) == 0 ? Ok : Failed;
}

struct Function {
    const wchar_t *name;
    int (*run)(wchar_t *argument, wchar_t *out, size_t capacity);
};

const Function Functions[] = {
    {L"option", FunctionOption},     {L"path", FunctionPath},   {L"name", FunctionName},
    {L"filename", FunctionFileName}, {L"ext", FunctionExt},     {L"full", FunctionFull},
    {L"upper", FunctionUpper},       {L"lower", FunctionLower}, {L"len", FunctionLen},
    {L"eval", FunctionEval},
};

int ExpandSpan(const wchar_t *text, size_t length, Sink &sink, int depth);

// Expands text[start, end) into a fresh buffer of the expansion size.
wchar_t *ExpandPart(const wchar_t *text, size_t start, size_t end, int depth, int *result)
{
    wchar_t *part = (wchar_t *)malloc(ExpansionUnits * sizeof(wchar_t));
    if (!part) {
        *result = Overflow;
        return nullptr;
    }
    Sink inner = {part, ExpansionUnits, 0, false};
    part[0] = 0;
    *result = ExpandSpan(text + start, end - start, inner, depth + 1);
    if (*result != Ok) {
        free(part);
        return nullptr;
    }
    return part;
}

// One %-construct at text[i] (text[i] is '%'). Gives the index after it in *next.
int ExpandConstruct(const wchar_t *text, size_t length, size_t i, Sink &sink, int depth,
                    size_t *next)
{
    wchar_t escape = EscapeChar();
    wchar_t ch = i + 1 < length ? text[i + 1] : 0;
    *next = i + 2;
    if (ch == L'%') {
        Put(sink, L"%", 1);
        return Ok;
    }
    if (ch == L'=' || ch == L'+') {
        wchar_t value = ch == L'=' ? escape : CommandSeparator();
        Put(sink, &value, 1);
        return Ok;
    }
    if (ch == L'[') {
        long close = FindClosingBracket(text, i + 2, length, escape);
        if (close < 0) {
            ReportSyntax(text + i, length - i);
            return Failed;
        }
        int result;
        wchar_t *name = ExpandPart(text, i + 2, (size_t)close, depth, &result);
        if (!name)
            return result;
        wchar_t *value = (wchar_t *)malloc(ExpansionUnits * sizeof(wchar_t));
        result = Overflow;
        if (value && LookupVariable(name, value, ExpansionUnits) != 2) {
            Put(sink, value, ExpansionUnits);
            result = Ok;
        }
        free(value);
        free(name);
        *next = (size_t)close + 1;
        return result;
    }
    if (ch == L'(' && i + 2 < length && text[i + 2] == L'(') {
        long close = FindClosingParens(text, i + 3, length, escape);
        if (close < 0) {
            ReportSyntax(text + i, length - i);
            return Failed;
        }
        int result;
        wchar_t *expression = ExpandPart(text, i + 3, (size_t)close, depth, &result);
        if (!expression)
            return result;
        wchar_t value[512];
        result = EvaluateText(expression, value, 512) == 0 ? Ok : Failed;
        if (result == Ok)
            Put(sink, value, 512);
        free(expression);
        *next = (size_t)close + 2;
        return result;
    }
    if (ch == L'@' && i + 2 < length && IsNameStart(text[i + 2])) {
        size_t end = i + 2;
        while (end < length && IsNameChar(text[end]))
            end++;
        if (end >= length || text[end] != L'[') {
            Put(sink, L"%", 1); // not a call: the text stays as written
            *next = i + 1;
            return Ok;
        }
        long close = FindClosingBracket(text, end + 1, length, escape);
        if (close < 0) {
            ReportSyntax(text + i + 1, length - i - 1);
            return Failed;
        }
        wchar_t name[64];
        TextCopyCount(name, 64, text + i + 2, end - i - 2);
        const Function *function = nullptr;
        for (const Function &known : Functions)
            if (end - i - 2 < 64 && TextEqualNoCase(known.name, name))
                function = &known;
        if (!function) {
            ShellError(L"Unknown function \"@%s\"", name);
            return Failed;
        }
        int result;
        wchar_t *argument = ExpandPart(text, end + 1, (size_t)close, depth, &result);
        if (!argument)
            return result;
        wchar_t *value = (wchar_t *)malloc(ExpansionUnits * sizeof(wchar_t));
        result = Overflow;
        if (value) {
            value[0] = 0;
            result = function->run(argument, value, ExpansionUnits);
            if (result == Ok)
                Put(sink, value, ExpansionUnits);
        }
        free(value);
        free(argument);
        *next = (size_t)close + 1;
        return result;
    }
    if (IsNameStart(ch)) {
        size_t end = i + 1;
        while (end < length && IsNameChar(text[end]))
            end++;
        *next = end < length && text[end] == L'%' ? end + 1 : end;
        wchar_t *name = (wchar_t *)malloc((end - i) * sizeof(wchar_t));
        wchar_t *value = (wchar_t *)malloc(ExpansionUnits * sizeof(wchar_t));
        int result = Overflow;
        if (name && value) {
            TextCopyCount(name, end - i, text + i + 1, end - i - 1);
            if (LookupVariable(name, value, ExpansionUnits) != 2) {
                Put(sink, value, ExpansionUnits);
                result = Ok;
            }
        }
        free(name);
        free(value);
        return result;
    }
    Put(sink, L"%", 1); // a lone percent sign, or a batch parameter outside a batch
    *next = i + 1;
    return Ok;
}

int ExpandSpan(const wchar_t *text, size_t length, Sink &sink, int depth)
{
    if (depth > MaxDepth) {
        ShellError(L"Variable loop");
        return Failed;
    }
    wchar_t escape = EscapeChar();
    size_t i = 0;
    while (i < length && !sink.overflow) {
        if (text[i] == escape) {
            Put(sink, text + i, i + 1 < length ? 2 : 1);
            i += 2;
        } else if (text[i] != L'%') {
            Put(sink, text + i, 1);
            i++;
        } else {
            size_t next;
            int result = ExpandConstruct(text, length, i, sink, depth, &next);
            if (result != Ok)
                return result;
            i = next;
        }
    }
    return sink.overflow ? Overflow : Ok;
}

} // namespace

extern "C" TAKECMD_API int __stdcall ExpandVariables(wchar_t *text, int flag)
{
    (void)flag;
    if (!text)
        return -1;
    size_t length = wcsnlen(text, ExpansionUnits);
    if (length >= ExpansionUnits) {
        ShellError(L"Command line too long");
        return 2;
    }
    wchar_t *work = (wchar_t *)malloc(ExpansionUnits * sizeof(wchar_t));
    if (!work)
        return 8;
    work[0] = 0;
    Sink sink = {work, ExpansionUnits, 0, false};
    int result = ExpandSpan(text, length, sink, 0);
    if (result == Overflow)
        ShellError(L"Command line too long");
    if (result == Ok)
        TextCopy(text, ExpansionUnits, work);
    free(work);
    return result;
}
