// The stand-in shell's arithmetic, through Evaluate as the plug-in calls it.
#include "frame/host.h"
#include "frame/text.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

static wchar_t buffer[8192];

static const wchar_t *Eval(const wchar_t *text, int expected = 0)
{
    TextCopy(buffer, 8192, text);
    int result = Evaluate(buffer);
    CHECK_EQ(result != 0, expected != 0);
    return buffer;
}

TEST(precedence_and_grouping)
{
    CHECK_TEXT(Eval(L"2+3*4"), L"14");
    CHECK_TEXT(Eval(L"(2+3)*4"), L"20");
    CHECK_TEXT(Eval(L"10-4-3"), L"3");
    CHECK_TEXT(Eval(L"64/4/2"), L"8");
    CHECK_TEXT(Eval(L"17 % 5 + 17 %% 5"), L"4");
    CHECK_TEXT(Eval(L"7\\2"), L"3");
    CHECK_TEXT(Eval(L"2**3**2"), L"512");
    CHECK_TEXT(Eval(L" ( ( 1 + 2 ) * ( 3 + 4 ) ) "), L"21");
}

TEST(signs)
{
    CHECK_TEXT(Eval(L"-5+2"), L"-3");
    CHECK_TEXT(Eval(L"3*-2"), L"-6");
    CHECK_TEXT(Eval(L"--4"), L"4");
    CHECK_TEXT(Eval(L"-(2+3)"), L"-5");
    CHECK_TEXT(Eval(L"+7"), L"7");
    CHECK_TEXT(Eval(L"-2**2"), L"-4");
    CHECK_TEXT(Eval(L"-7 % 3"), L"-1");
}

TEST(decimals_print_shortest)
{
    CHECK_TEXT(Eval(L"7/2"), L"3.5");
    CHECK_TEXT(Eval(L"1.5*2"), L"3");
    CHECK_TEXT(Eval(L"0.1+0.2"), L"0.3");
    CHECK_TEXT(Eval(L"1/3"), L"0.333333333333333");
    CHECK_TEXT(Eval(L"2/3"), L"0.666666666666667");
    CHECK_TEXT(Eval(L".5+5."), L"5.5");
    CHECK_TEXT(Eval(L"-1/8"), L"-0.125");
    CHECK_TEXT(Eval(L"1.250"), L"1.25");
    CHECK_TEXT(Eval(L"0.00001*0.001"), L"0.00000001");
    CHECK_TEXT(Eval(L"7.5 % 2"), L"1.5");
    CHECK_TEXT(Eval(L"2 ** -1"), L"0.5");
}

TEST(whole_numbers_stay_exact)
{
    CHECK_TEXT(Eval(L"9007199254740993+0"), L"9007199254740993");
    CHECK_TEXT(Eval(L"123456789*1000000000"), L"123456789000000000");
    CHECK_TEXT(Eval(L"0x1F+1"), L"32");
    CHECK_TEXT(Eval(L"9223372036854775807-1"), L"9223372036854775806");
    // Past 64 bits the arithmetic goes on in double precision.
    CHECK_TEXT(Eval(L"9223372036854775807*10"), L"92233720368547758080");
}

TEST(errors_leave_the_text_and_report)
{
    Host().CaptureOutput(1);
    TakeOutput(2);
    const wchar_t *bad[] = {L"",    L"   ",  L"2+",    L"(2+3", L"2+3)", L"1/0",
                            L"5%0", L"1\\0", L"abc",   L"2 3",  L"1..2", L"*2",
                            L"0x",  L"2**",  L"0**-1", L"3e5",  L"%x%",  L"1/(2-2)"};
    for (const wchar_t *text : bad) {
        CHECK_TEXT(Eval(text, 1), text);
        if (TextLength(TakeOutput(2)) == 0)
            CheckFailed(__FILE__, __LINE__, "no message for", Show(text));
    }
    CHECK_TEXT(TakeOutput(1), L"");
    Host().CaptureOutput(0);
    CHECK(Evaluate(nullptr) != 0);
}

TEST(long_and_deep_expressions)
{
    static wchar_t text[8192];
    text[0] = 0;
    for (int i = 0; i < 2000; i++)
        TextAppend(text, 8192, L"1+");
    TextAppend(text, 8192, L"1");
    CHECK_TEXT(Eval(text), L"2001");
    // Nesting past the evaluator's limit is an error, not a crash.
    text[0] = 0;
    for (int i = 0; i < 4000; i++)
        TextAppend(text, 8192, L"(");
    Host().CaptureOutput(1);
    Eval(text, 1);
    for (int i = 0; i < 4000; i++)
        text[i] = L'-';
    TextAppend(text, 8192, L"1");
    Eval(text, 1);
    TakeOutput(2);
    Host().CaptureOutput(0);
}
