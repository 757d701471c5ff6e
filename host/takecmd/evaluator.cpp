#include "host/takecmd/evaluator.h"

#include "frame/host.h"
#include "frame/text.h"
#include "host/takecmd/expansion.h"
#include "host/takecmd/output.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wctype.h>

namespace
{

enum Error { None = 0, Syntax = 1, DivideByZero = 2, Empty = 3, TooLong = 4, Range = 5 };

struct Number {
    bool whole;
    int64_t integer;
    double real;
};

double AsReal(const Number &n)
{
    return n.whole ? (double)n.integer : n.real;
}
Number Whole(int64_t value)
{
    return Number{true, value, 0};
}
Number Real(double value)
{
    return Number{false, 0, value};
}

struct Parser {
    const wchar_t *text;
    size_t at;
    int error;
    int depth;
};

const int MaxNesting = 256;

void SkipBlanks(Parser &p)
{
    while (p.text[p.at] == L' ' || p.text[p.at] == L'\t')
        p.at++;
}

bool Accept(Parser &p, const wchar_t *token)
{
    SkipBlanks(p);
    size_t n = TextLength(token);
    for (size_t i = 0; i < n; i++)
        if (p.text[p.at + i] != token[i])
            return false;
    p.at += n;
    return true;
}

Number ParseSum(Parser &p);

Number ParseLiteral(Parser &p)
{
    SkipBlanks(p);
    const wchar_t *start = p.text + p.at;
    if (start[0] == L'0' && (start[1] == L'x' || start[1] == L'X')) {
        size_t i = 2;
        uint64_t value = 0;
        while (iswxdigit(start[i])) {
            int digit = start[i] <= L'9' ? start[i] - L'0' : (start[i] | 0x20) - L'a' + 10;
            if (value > (UINT64_MAX >> 4)) {
                p.error = Range;
                return Whole(0);
            }
            value = (value << 4) | (uint64_t)digit;
            i++;
        }
        if (i == 2 || value > (uint64_t)INT64_MAX) {
            p.error = i == 2 ? Syntax : Range;
            return Whole(0);
        }
        p.at += i;
        return Whole((int64_t)value);
    }
    size_t i = 0, digits = 0;
    bool point = false;
    while ((start[i] >= L'0' && start[i] <= L'9') || (start[i] == L'.' && !point)) {
        if (start[i] == L'.')
            point = true;
        else
            digits++;
        i++;
    }
    if (digits == 0) {
        p.error = Syntax;
        return Whole(0);
    }
    char narrow[64];
    if (i >= sizeof(narrow)) {
        p.error = Range;
        return Whole(0);
    }
    for (size_t k = 0; k < i; k++)
        narrow[k] = (char)start[k];
    narrow[i] = 0;
    p.at += i;
    if (!point) {
        int64_t value = 0;
        bool exact = true;
        for (size_t k = 0; k < i && exact; k++) {
            int digit = narrow[k] - '0';
            exact = value <= (INT64_MAX - digit) / 10;
            if (exact)
                value = value * 10 + digit;
        }
        if (exact)
            return Whole(value);
    }
    return Real(strtod(narrow, nullptr));
}

Number ParsePower(Parser &p);

Number ParseUnary(Parser &p)
{
    if (p.depth > MaxNesting) {
        p.error = Range;
        return Whole(0);
    }
    if (Accept(p, L"-")) {
        p.depth++;
        Number n = ParseUnary(p);
        p.depth--;
        if (n.whole && n.integer != INT64_MIN)
            return Whole(-n.integer);
        return Real(-AsReal(n));
    }
    if (Accept(p, L"+")) {
        p.depth++;
        Number n = ParseUnary(p);
        p.depth--;
        return n;
    }
    return ParsePower(p);
}

Number ParsePrimary(Parser &p)
{
    if (Accept(p, L"(")) {
        if (++p.depth > MaxNesting) {
            p.error = Range;
            return Whole(0);
        }
        Number n = ParseSum(p);
        p.depth--;
        if (!p.error && !Accept(p, L")"))
            p.error = Syntax;
        return n;
    }
    return ParseLiteral(p);
}

bool Overflows(int64_t a, int64_t b, wchar_t op)
{
    if (op == L'+')
        return (b > 0 && a > INT64_MAX - b) || (b < 0 && a < INT64_MIN - b);
    if (op == L'-')
        return (b < 0 && a > INT64_MAX + b) || (b > 0 && a < INT64_MIN + b);
    if (a == 0 || b == 0)
        return false;
    if ((a == -1 && b == INT64_MIN) || (b == -1 && a == INT64_MIN))
        return true;
    int64_t product = (int64_t)((uint64_t)a * (uint64_t)b);
    return product / b != a;
}

Number Power(Number base, Number exponent)
{
    if (base.whole && exponent.whole && exponent.integer >= 0 && exponent.integer < 64) {
        int64_t result = 1;
        bool exact = true;
        for (int64_t i = 0; i < exponent.integer && exact; i++) {
            if (Overflows(result, base.integer, L'*'))
                exact = false;
            else
                result *= base.integer;
        }
        if (exact)
            return Whole(result);
    }
    return Real(pow(AsReal(base), AsReal(exponent)));
}

// Powers bind tighter than a sign and group to the right: -2**2 is -4, 2**3**2 is 512.
Number ParsePower(Parser &p)
{
    Number base = ParsePrimary(p);
    if (p.error || !Accept(p, L"**"))
        return base;
    p.depth++;
    Number exponent = ParseUnary(p);
    p.depth--;
    return p.error ? base : Power(base, exponent);
}

Number Apply(Parser &p, Number a, Number b, wchar_t op)
{
    if ((op == L'/' || op == L'\\' || op == L'%') && AsReal(b) == 0) {
        p.error = DivideByZero;
        return Whole(0);
    }
    if (a.whole && b.whole) {
        int64_t x = a.integer, y = b.integer;
        switch (op) {
        case L'+':
        case L'-':
        case L'*':
            if (!Overflows(x, y, op))
                return Whole(op == L'+' ? x + y : op == L'-' ? x - y : x * y);
            break;
        case L'/':
            if (!(x == INT64_MIN && y == -1) && x % y == 0)
                return Whole(x / y);
            break;
        case L'\\':
        case L'%':
            if (x == INT64_MIN && y == -1)
                return Whole(op == L'%' ? 0 : x);
            return Whole(op == L'%' ? x % y : x / y);
        }
    }
    double x = AsReal(a), y = AsReal(b);
    switch (op) {
    case L'+':
        return Real(x + y);
    case L'-':
        return Real(x - y);
    case L'*':
        return Real(x * y);
    case L'/':
        return Real(x / y);
    case L'\\':
        return Real(trunc(x / y));
    default:
        return Real(fmod(x, y));
    }
}

Number ParseProduct(Parser &p)
{
    Number left = ParseUnary(p);
    while (!p.error) {
        wchar_t op;
        if (Accept(p, L"**")) {
            p.error = Syntax; // a power after a complete factor, as in 2*-3**
            break;
        }
        if (Accept(p, L"%%") || Accept(p, L"%"))
            op = L'%';
        else if (Accept(p, L"*"))
            op = L'*';
        else if (Accept(p, L"/"))
            op = L'/';
        else if (Accept(p, L"\\"))
            op = L'\\';
        else
            break;
        Number right = ParseUnary(p);
        if (p.error)
            break;
        left = Apply(p, left, right, op);
    }
    return left;
}

Number ParseSum(Parser &p)
{
    Number left = ParseProduct(p);
    while (!p.error) {
        wchar_t op;
        if (Accept(p, L"+"))
            op = L'+';
        else if (Accept(p, L"-"))
            op = L'-';
        else
            break;
        Number right = ParseProduct(p);
        if (p.error)
            break;
        left = Apply(p, left, right, op);
    }
    return left;
}

// Whole values print as integers; others with up to 15 significant digits, never in
// exponent form, without trailing zeros.
bool FormatNumber(Number n, wchar_t *out, size_t capacity)
{
    char text[400];
    if (!n.whole) {
        if (!isfinite(n.real))
            return false;
        if (n.real == trunc(n.real) && fabs(n.real) < 9.2e18)
            n = Whole((int64_t)n.real);
    }
    if (n.whole) {
        snprintf(text, sizeof(text), "%lld", (long long)n.integer);
    } else {
        double magnitude = fabs(n.real);
        int exponent = magnitude > 0 ? (int)floor(log10(magnitude)) : 0;
        int decimals = 14 - exponent;
        if (decimals < 0)
            decimals = 0;
        if (decimals > 340)
            decimals = 340;
        snprintf(text, sizeof(text), "%.*f", decimals, n.real);
        char *point = strchr(text, '.');
        if (point) {
            char *end = text + strlen(text) - 1;
            while (end > point && *end == '0')
                *end-- = 0;
            if (end == point)
                *end = 0;
        }
        if (strcmp(text, "-0") == 0)
            strcpy(text, "0");
    }
    size_t length = strlen(text);
    if (length + 1 > capacity)
        return false;
    for (size_t i = 0; i <= length; i++)
        out[i] = (wchar_t)text[i];
    return true;
}

int Run(const wchar_t *expression, wchar_t *out, size_t capacity)
{
    if (!out || capacity == 0)
        return TooLong;
    out[0] = 0;
    if (!expression)
        return Empty;
    Parser p = {expression, 0, None, 0};
    SkipBlanks(p);
    if (!expression[p.at])
        return Empty;
    Number value = ParseSum(p);
    SkipBlanks(p);
    if (!p.error && expression[p.at])
        p.error = Syntax;
    if (!p.error && !FormatNumber(value, out, capacity))
        p.error = isfinite(AsReal(value)) ? TooLong : Range;
    if (p.error)
        out[0] = 0;
    return p.error;
}

} // namespace

int EvaluateSilently(const wchar_t *expression, wchar_t *out, size_t capacity)
{
    return Run(expression, out, capacity);
}

int EvaluateText(const wchar_t *expression, wchar_t *out, size_t capacity)
{
    int error = Run(expression, out, capacity);
    wchar_t shown[128];
    TextCopy(shown, 128, expression);
    switch (error) {
    case None:
        break;
    case DivideByZero:
        ShellError(L"Divide by zero \"%s\"", shown);
        break;
    case Empty:
        ShellError(L"Missing expression");
        break;
    case Range:
        ShellError(L"Overflow \"%s\"", shown);
        break;
    default:
        ShellError(L"Syntax error \"%s\"", shown);
        break;
    }
    return error;
}

extern "C" TAKECMD_API int __stdcall Evaluate(wchar_t *text)
{
    if (!text)
        return -1;
    if (wcsnlen(text, ExpansionUnits) >= ExpansionUnits) {
        ShellError(L"Command line too long");
        return TooLong;
    }
    wchar_t value[64 + 400];
    int error = EvaluateText(text, value, sizeof(value) / sizeof(value[0]));
    if (error == None)
        TextCopy(text, ExpansionUnits, value);
    return error;
}
